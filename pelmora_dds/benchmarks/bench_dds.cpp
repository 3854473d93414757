// Features over Fast-DDS against an octet sequence of the same byte count,
// both through the tools' adapter (pelmora_dds) with the same settings:
// shared memory only (or UDP on loopback, see transport()), reliable,
// keep-all, one writer and one reader, each with its own participant, in
// this process.
//
//   DDS/<lang>/<type>/Burst/keypoints:K
//       one iteration writes `kBurst` samples and waits until the reader
//       thread has taken them all: throughput (bytes_per_second).
//   DDS/<lang>/<type>/LockStep/keypoints:K
//       one sample written and taken per iteration: the one-way latency,
//       encode and decode included.
//
// Across two hosts (two processes, see bench_udp.py), PELMORA_BENCH_ROLE
// splits the pair: "reader" creates one reader per subject, takes samples
// until stopped and answers after every burst; "writer" runs the Burst
// benchmarks with the writer only, an iteration ending when the remote
// reader's answer says it has taken the burst.
//
// <lang> is C (C record, C dispatcher, "rosidl_typesupport_fastrtps_c") or
// Cpp (C++ message, C++ dispatcher, "rosidl_typesupport_fastrtps_cpp");
// <type> is Features or Octets. An Octets sample of K "keypoints" holds as
// many octets as make both encode to encoded_bytes(K) bytes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "bench_common.hpp"
#include "c_features.hpp"
#include "cpp_features.hpp"
#include "octets_type_support.hpp"
#include "pelmora_dds/endpoint.hpp"

namespace
{

using pelmora_dds::Endpoint;
using pelmora_dds::EndpointOptions;
using pelmora_dds::Status;
using std::chrono::milliseconds;

constexpr int kBurst = 4;  // within the smallest history depth the adapter plans
const milliseconds kPatience{30000};

using Message = std::shared_ptr<void>;

struct Subject
{
  const char * name;
  std::function<const rosidl_message_type_support_t *()> type_support;
  /// The sample of K keypoints (or its octet twin) and an empty message
  /// that the reader decodes into.
  std::function<Message(size_t keypoints)> sample;
  std::function<Message()> receiver;
};

const rosidl_message_type_support_t * resolved(
  const rosidl_message_type_support_t * dispatcher, const char * identifier)
{
  std::string error;
  const rosidl_message_type_support_t * found =
    pelmora_dds::resolve_type_support(dispatcher, identifier, &error);
  if (found == nullptr) {
    throw std::runtime_error(error);
  }
  return found;
}

size_t octets_for(size_t keypoints)
{
  return pelmora_bench::encoded_bytes(keypoints) - pelmora_bench::octets_encoded_bytes(0);
}

// The message that `Side::of` reaches, owned with its Side::Message.
template<typename Side>
Message shared(typename Side::Message message)
{
  auto owner = std::make_shared<typename Side::Message>(std::move(message));
  return Message(owner, Side::of(*owner));
}

template<typename Side>
Subject features(const char * name)
{
  return {name, [] {return resolved(Side::dispatcher(), Side::kIdentifier);},
    [](size_t k) {return shared<Side>(Side::make(k));},
    [] {return shared<Side>(Side::empty());}};
}

Message c_octets(size_t octets)
{
  return Message(pelmora_bench::octets_c_create(octets), [](void * p) {
           pelmora_bench::octets_c_destroy(static_cast<pelmora_bench::OctetsC *>(p));
         });
}

const Subject kSubjects[] = {
  features<pelmora_bench::CFeatures>("DDS/C/Features"),
  {"DDS/C/Octets", pelmora_bench::octets_c_type_support,
    [](size_t k) {return c_octets(octets_for(k));},
    [] {return c_octets(0);}},
  features<pelmora_bench::CppFeatures>("DDS/Cpp/Features"),
  {"DDS/Cpp/Octets", pelmora_bench::octets_cpp_type_support,
    [](size_t k) {
      auto m = std::make_shared<pelmora_bench::OctetsCpp>();
      m->data.resize(octets_for(k));
      for (size_t i = 0; i < m->data.size(); ++i) {
        m->data[i] = static_cast<uint8_t>(i * 131u + 7u);
      }
      return m;
    },
    [] {return std::make_shared<pelmora_bench::OctetsCpp>();}},
};

uint32_t domain()
{
  const char * text = std::getenv("PELMORA_BENCH_DOMAIN");
  return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) :
         150u + static_cast<uint32_t>(getpid()) % 80u;
}

// Shared memory by default; PELMORA_BENCH_TRANSPORT=udp-loopback moves the
// samples over UDP on 127.0.0.1 with unicast discovery (no multicast), and
// =udp over UDP with multicast discovery (only between network namespaces
// made for the run).
pelmora_dds::TransportOptions transport()
{
  pelmora_dds::TransportOptions t;
  const char * text = std::getenv("PELMORA_BENCH_TRANSPORT");
  if (text != nullptr && std::string(text) == "udp-loopback") {
    t.kind = pelmora_dds::TransportOptions::Kind::udp;
    t.interfaces = {"127.0.0.1"};
    t.peers = {"127.0.0.1"};
  } else if (text != nullptr && std::string(text) == "udp") {
    t.kind = pelmora_dds::TransportOptions::Kind::udp;
  } else {
    t.kind = pelmora_dds::TransportOptions::Kind::shm;
  }
  return t;
}

// Reliable keep-all on the benchmark's domain and transport.
EndpointOptions options_for(std::string topic, uint32_t largest_sample)
{
  EndpointOptions options;
  options.domain = domain();
  options.topic = std::move(topic);
  options.largest_sample = largest_sample;
  options.transport = transport();
  options.qos.history = pelmora_dds::QosOptions::History::keep_all;
  return options;
}

std::string unique_topic()
{
  static std::atomic<int> counter{0};
  return "/pelmora_bench_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

// Takes samples on its own thread until stopped, counting them.
class ReaderThread
{
public:
  ReaderThread(Endpoint & reader, Message message)
  : reader_(reader), message_(std::move(message)), thread_([this] {run();}) {}

  ~ReaderThread()
  {
    stop_ = true;
    thread_.join();
  }

  /// Waits until `count` samples have been taken in all; false on timeout
  /// or a failed take.
  bool wait_for(uint64_t count)
  {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] {return failed_ || taken_ >= count;}) && !failed_;
  }

  const std::string & error() const {return error_;}

private:
  void run()
  {
    while (!stop_) {
      const Status status = reader_.take(message_.get(), milliseconds(50));
      if (status == Status::timeout) {
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (status == Status::ok) {
        ++taken_;
      } else {
        failed_ = true;
        error_ = reader_.last_error();
      }
      changed_.notify_all();
      if (failed_) {
        return;
      }
    }
  }

  Endpoint & reader_;
  Message message_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t taken_ = 0;
  bool failed_ = false;
  std::string error_;
  std::thread thread_;  // last: starts once everything above exists
};

// A subject's sample of the benchmark's keypoint count, with its type
// support and the bytes it takes on the wire (encapsulation included).
struct Prepared
{
  explicit Prepared(const Subject & subject, const benchmark::State & state)
  : type_support(subject.type_support()), sample(subject.sample(static_cast<size_t>(state.range(0)))),
    payload(pelmora_dds::kEncapsulationBytes +
      static_cast<const message_type_support_callbacks_t *>(type_support->data)->get_serialized_size(sample.get()))
  {}

  const rosidl_message_type_support_t * type_support;
  const Message sample;
  const uint32_t payload;
};

// Runs `send` once unmeasured (it fills the pools on both sides), then once
// an iteration, each time one burst of `burst` samples of `payload` bytes;
// `error` says why when send fails.
template<typename Send>
void time_bursts(benchmark::State & state, int burst, uint32_t payload, Send send, const std::string & error)
{
  if (!send()) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!send()) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * burst * payload);
  state.counters["bytes"] = static_cast<double>(payload);
  state.counters["samples_per_iteration"] = burst;
}

// Writes `burst` copies of `sample`; false when a write fails.
bool write_burst(Endpoint & writer, const Message & sample, int burst)
{
  for (int i = 0; i < burst; ++i) {
    if (writer.write(sample.get(), kPatience) != Status::ok) {
      return false;
    }
  }
  return true;
}

void BM_Dds(benchmark::State & state, const Subject & subject, int burst)
{
  const Prepared p(subject, state);
  const EndpointOptions options = options_for(unique_topic(), p.payload);
  std::string error;
  auto writer = Endpoint::create(Endpoint::Role::writer, p.type_support, options, &error);
  auto reader = writer ?
    Endpoint::create(Endpoint::Role::reader, p.type_support, options, &error) : nullptr;
  if (!writer || !reader) {
    state.SkipWithError(("endpoint: " + error).c_str());
    return;
  }
  if (writer->wait_for_peers(1, kPatience) != Status::ok ||
    reader->wait_for_peers(1, kPatience) != Status::ok)
  {
    state.SkipWithError("writer and reader did not match");
    return;
  }
  ReaderThread taker(*reader, subject.receiver());
  uint64_t written = 0;
  auto send = [&]() {
      if (!write_burst(*writer, p.sample, burst)) {
        error = writer->last_error();
        return false;
      }
      written += static_cast<uint64_t>(burst);
      if (!taker.wait_for(written)) {
        error = "reader: " + (taker.error().empty() ? std::string("timed out") : taker.error());
        return false;
      }
      return true;
    };
  time_bursts(state, burst, p.payload, send, error);
}

const std::vector<int64_t> kDdsKeypoints{0, 16, 1024, 17477, 65536, 262144, 1000000};
// 1 kB, 16 kB, 64 kB, 256 kB, 1 MB and 4 MB of CDR.
const std::vector<int64_t> kRemoteKeypoints{16, 272, 1092, 4369, 17476, 69905};
const uint32_t kRemoteLargest =
  pelmora_dds::kEncapsulationBytes + static_cast<uint32_t>(pelmora_bench::encoded_bytes(69905));

EndpointOptions remote_options(const Subject & subject)
{
  std::string name = subject.name;
  std::replace(name.begin(), name.end(), '/', '_');
  return options_for("/pelmora_bench_remote_" + name, kRemoteLargest);
}

// The remote reader answers on a topic of its own with the number of samples
// it has taken of a subject, as 8 octets, after every burst: the writer's
// iteration ends when the answer says its burst was taken (decoded), as the
// in-process benchmark waits for its reader thread. Transient-local with
// depth 1, so a writer arriving later reads where the count stands.
EndpointOptions reply_options(const Subject & subject)
{
  EndpointOptions options = remote_options(subject);
  options.topic += "_taken";
  options.largest_sample = 64;
  options.qos.durability = pelmora_dds::QosOptions::Durability::transient_local;
  options.qos.history = pelmora_dds::QosOptions::History::keep_last;
  options.qos.depth = 1;
  return options;
}

pelmora_bench::OctetsCpp count_message(uint64_t count)
{
  pelmora_bench::OctetsCpp message;
  message.data.resize(sizeof(count));
  std::memcpy(message.data.data(), &count, sizeof(count));
  return message;
}

// Takes answers until one reaches `target`; false on timeout.
bool wait_taken(Endpoint & replies, uint64_t target, uint64_t * seen)
{
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  pelmora_bench::OctetsCpp answer;
  while (*seen < target || target == 0) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || replies.take(&answer, left) != Status::ok) {
      return false;
    }
    if (answer.data.size() == sizeof(uint64_t)) {
      std::memcpy(seen, answer.data.data(), sizeof(uint64_t));
      if (target == 0) {
        return true;
      }
    }
  }
  return true;
}

// The writer half: bursts taken by the reader of another process.
void BM_Remote(benchmark::State & state, const Subject & subject, int burst)
{
  const Prepared p(subject, state);
  std::string error;
  auto writer = Endpoint::create(Endpoint::Role::writer, p.type_support, remote_options(subject), &error);
  auto replies = writer ? Endpoint::create(Endpoint::Role::reader,
      pelmora_bench::octets_cpp_type_support(), reply_options(subject), &error) : nullptr;
  uint64_t taken = 0;
  if (!replies || writer->wait_for_peers(1, kPatience) != Status::ok ||
    !wait_taken(*replies, 0, &taken))
  {
    state.SkipWithError(("no remote reader: " + error).c_str());
    return;
  }
  uint64_t target = taken;
  auto send = [&]() {
      if (!write_burst(*writer, p.sample, burst)) {
        return false;
      }
      target += static_cast<uint64_t>(burst);
      return wait_taken(*replies, target, &taken);
    };
  time_bursts(state, burst, p.payload, send, "the remote reader did not take the samples");
}

std::atomic<bool> g_stop_reader{false};

extern "C" void stop_reader(int)
{
  g_stop_reader = true;
}

// Takes one subject's samples and answers after every burst.
class Replier
{
public:
  explicit Replier(const Subject & subject)
  : subject_(subject)
  {
    std::string error;
    reader_ = Endpoint::create(
      Endpoint::Role::reader, subject.type_support(), remote_options(subject), &error);
    replies_ = Endpoint::create(Endpoint::Role::writer,
        pelmora_bench::octets_cpp_type_support(), reply_options(subject), &error);
    if (!reader_ || !replies_) {
      throw std::runtime_error(error);
    }
    thread_ = std::thread([this] {run();});
  }

  ~Replier()
  {
    thread_.join();
  }

private:
  void run()
  {
    Message message = subject_.receiver();
    uint64_t taken = 0;
    pelmora_bench::OctetsCpp answer = count_message(taken);
    replies_->write(&answer, kPatience);
    while (!g_stop_reader) {
      if (reader_->take(message.get(), milliseconds(50)) != Status::ok) {
        continue;
      }
      if (++taken % kBurst == 0) {
        answer = count_message(taken);
        replies_->write(&answer, kPatience);
      }
    }
  }

  const Subject & subject_;
  std::unique_ptr<Endpoint> reader_;
  std::unique_ptr<Endpoint> replies_;
  std::thread thread_;
};

// The reader half: one Replier per subject, until SIGTERM or
// PELMORA_BENCH_READER_SECONDS.
int run_remote_reader()
{
  std::signal(SIGTERM, stop_reader);
  std::signal(SIGINT, stop_reader);
  const char * limit_text = std::getenv("PELMORA_BENCH_READER_SECONDS");
  const auto limit = std::chrono::seconds(limit_text != nullptr ? std::atol(limit_text) : 900);
  std::vector<std::unique_ptr<Replier>> repliers;
  try {
    for (const Subject & subject : kSubjects) {
      repliers.push_back(std::make_unique<Replier>(subject));
    }
  } catch (const std::exception & e) {
    g_stop_reader = true;
    std::fprintf(stderr, "bench reader: %s\n", e.what());
    return 3;
  }
  std::fprintf(stderr, "bench reader: ready\n");
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!g_stop_reader && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(milliseconds(100));
  }
  g_stop_reader = true;
  repliers.clear();
  return 0;
}

// Registers `function` of `subject` in bursts of `burst` samples as
// SUBJECT/MODE/keypoints:K, timed in real time.
void register_dds(
  const Subject & subject, const char * mode, void (*function)(benchmark::State &, const Subject &, int),
  int burst, const std::vector<int64_t> & counts)
{
  const auto run = [function, &subject, burst](benchmark::State & state) {
      function(state, subject, burst);
    };
  pelmora_bench::register_sized(std::string(subject.name) + "/" + mode, run, counts)
    ->UseRealTime()->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char ** argv)
{
  const char * role = std::getenv("PELMORA_BENCH_ROLE");
  if (role != nullptr && std::string(role) == "reader") {
    return run_remote_reader();
  }
  if (role != nullptr && std::string(role) == "writer") {
    for (const Subject & subject : kSubjects) {
      register_dds(subject, "Burst", BM_Remote, kBurst, kRemoteKeypoints);
    }
    return pelmora_bench::run_registered(argc, argv);
  }
  for (const Subject & subject : kSubjects) {
    register_dds(subject, "Burst", BM_Dds, kBurst, kDdsKeypoints);
    register_dds(subject, "LockStep", BM_Dds, 1, kDdsKeypoints);
  }
  return pelmora_bench::run_registered(argc, argv);
}
