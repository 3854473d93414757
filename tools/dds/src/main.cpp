// pelmora-dds: publishes and receives Features over Fast-DDS (shared memory
// only) from a C or a C++ peer.
//
//   pelmora-dds pub  [--side c|cpp] [--topic T] [--domain D] [--count N]
//                    [--size K[,K..] | --bytes B[,B..]] [--seed S] [--peers R] [--timeout SEC]
//   pelmora-dds echo [--side c|cpp] [--topic T] [--domain D] [--count N]
//                    [--verify-seed S | --quiet] [--timeout SEC] [--largest B]
//
// Exit status: 0 success, 1 a sample was wrong or missing, 2 timed out,
// 3 DDS set-up failed, 64 usage error.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "features_content.hpp"
#include "pelmora_dds/endpoint.hpp"
#include "sides.hpp"

namespace
{

using namespace pelmora_dds;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum Exit { kOk = 0, kWrong = 1, kTimeout = 2, kSetup = 3, kUsage = 64 };

struct Options
{
  std::string command;
  std::string side = "c";
  std::string topic = "pelmora_features";
  uint32_t domain = 0;
  int64_t count = -1;
  std::vector<uint32_t> keypoints{0};  // sample i has keypoints[i % size]
  uint32_t seed = 1;
  bool verify = false;
  bool quiet = false;
  uint32_t peers = 1;
  double timeout = 60.0;
  uint32_t largest = 0;
};

void usage(FILE * out)
{
  std::fputs(
    "usage: pelmora-dds pub|echo [options]\n"
    "  --side c|cpp       language of this peer (default c)\n"
    "  --topic NAME       ROS topic (default pelmora_features)\n"
    "  --domain ID        DDS domain id, 0..232 (default 0)\n"
    "  --count N          samples to publish (default 10) or to receive\n"
    "                     (echo default: until --timeout)\n"
    "  --size K[,K...]    pub: keypoints per sample, 60 bytes each (default 0);\n"
    "                     a list is cycled through, sample i taking entry i mod n\n"
    "  --bytes B[,B...]   pub: keypoints for about B encoded bytes, cycled likewise\n"
    "  --seed S           pub: content seed (default 1)\n"
    "  --peers R          pub: readers to wait for before publishing (default 1)\n"
    "  --verify-seed S    echo: check each sample against seed S, print a summary\n"
    "  --quiet            echo: only count samples, print a summary\n"
    "  --largest B        echo: largest expected payload in bytes\n"
    "  --timeout SEC      give up after SEC seconds (default 60)\n",
    out);
}

bool parse_u64(const char * text, uint64_t max, uint64_t * out)
{
  char * end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || v > max) {
    return false;
  }
  *out = v;
  return true;
}

// A comma-separated list of keypoint counts, or of byte sizes when `bytes`.
bool parse_sizes(const char * text, bool bytes, std::vector<uint32_t> * out)
{
  out->clear();
  std::string list = text;
  size_t start = 0;
  for (;; ) {
    const size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
    uint64_t n = 0;
    if (!parse_u64(item.c_str(), bytes ? UINT32_MAX : kMaxKeypoints, &n)) {
      return false;
    }
    out->push_back(bytes ? keypoints_for_bytes(n) : static_cast<uint32_t>(n));
    if (comma == std::string::npos) {
      return true;
    }
    start = comma + 1;
  }
}

bool parse(int argc, char ** argv, Options * o)
{
  if (argc < 2) {
    return false;
  }
  o->command = argv[1];
  if (o->command != "pub" && o->command != "echo") {
    return false;
  }
  for (int i = 2; i < argc; ++i) {
    const std::string key = argv[i];
    if (key == "--quiet") {
      o->quiet = true;
      continue;
    }
    if (i + 1 >= argc) {
      return false;
    }
    const char * value = argv[++i];
    uint64_t n = 0;
    if (key == "--side") {
      o->side = value;
    } else if (key == "--topic") {
      o->topic = value;
    } else if (key == "--domain" && parse_u64(value, 232, &n)) {
      o->domain = static_cast<uint32_t>(n);
    } else if (key == "--count" && parse_u64(value, 100000000, &n)) {
      o->count = static_cast<int64_t>(n);
    } else if (key == "--size" || key == "--bytes") {
      if (!parse_sizes(value, key == "--bytes", &o->keypoints)) {
        return false;
      }
    } else if (key == "--seed" && parse_u64(value, UINT32_MAX, &n)) {
      o->seed = static_cast<uint32_t>(n);
    } else if (key == "--verify-seed" && parse_u64(value, UINT32_MAX, &n)) {
      o->seed = static_cast<uint32_t>(n);
      o->verify = true;
    } else if (key == "--peers" && parse_u64(value, 64, &n)) {
      o->peers = static_cast<uint32_t>(n);
    } else if (key == "--largest" && parse_u64(value, UINT32_MAX, &n)) {
      o->largest = static_cast<uint32_t>(n);
    } else if (key == "--timeout") {
      char * end = nullptr;
      o->timeout = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(o->timeout > 0) || o->timeout > 86400) {
        return false;
      }
    } else {
      return false;
    }
  }
  return o->side == "c" || o->side == "cpp";
}

milliseconds left_until(Clock::time_point deadline)
{
  const auto now = Clock::now();
  return now >= deadline ? milliseconds(0) :
         std::chrono::duration_cast<milliseconds>(deadline - now);
}

double seconds(Clock::duration d)
{
  return std::chrono::duration<double>(d).count();
}

void print_rate(int64_t samples, uint64_t bytes, double elapsed)
{
  const double rate = elapsed > 0 ? samples / elapsed : 0.0;
  const double mbps = elapsed > 0 ? bytes / elapsed / 1e6 : 0.0;
  std::printf(" elapsed=%.3fs rate=%.1fmsg/s throughput=%.1fMB/s", elapsed, rate, mbps);
}

// Messages are owned through this, so every exit path destroys them.
struct Message
{
  const Side & side;
  void * ptr;
  explicit Message(const Side & s)
  : side(s), ptr(s.create()) {}
  ~Message() {side.destroy(ptr);}
};

struct Progress
{
  const char * label;
  int64_t total;
  Clock::time_point next = Clock::now() + std::chrono::seconds(1);
  void tick(int64_t done)
  {
    if (Clock::now() >= next) {
      next += std::chrono::seconds(1);
      if (total > 0) {
        std::fprintf(stderr, "%s: %" PRId64 "/%" PRId64 "\n", label, done, total);
      } else {
        std::fprintf(stderr, "%s: %" PRId64 "\n", label, done);
      }
    }
  }
};

int run_pub(const Options & o, const Side & side, Clock::time_point deadline)
{
  const int64_t count = o.count < 0 ? 10 : o.count;
  const uint32_t most_keypoints = *std::max_element(o.keypoints.begin(), o.keypoints.end());
  const uint64_t payload = kEncapsulationBytes + encoded_size(most_keypoints);
  EndpointOptions options;
  options.domain = o.domain;
  options.topic = o.topic;
  options.largest_sample = static_cast<uint32_t>(payload);
  std::string error;
  const rosidl_message_type_support_t * ts = resolve_type_support(side.dispatcher(), side.identifier, &error);
  std::unique_ptr<Endpoint> writer;
  if (ts != nullptr) {
    writer = Endpoint::create(Endpoint::Role::writer, ts, options, &error, {side.create, side.destroy});
  }
  if (!writer) {
    std::fprintf(stderr, "pub: %s\n", error.c_str());
    return kSetup;
  }
  if (writer->wait_for_peers(o.peers, left_until(deadline)) != Status::ok) {
    std::fprintf(stderr, "pub: no reader matched: %s\n", writer->last_error().c_str());
    return kTimeout;
  }

  Message message(side);
  Progress progress{"pub", count};
  Clock::duration busy{};
  uint64_t bytes = 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t keypoints = o.keypoints[static_cast<size_t>(i) % o.keypoints.size()];
    if (!side.fill(message.ptr, o.seed, static_cast<uint32_t>(i), keypoints)) {
      std::fprintf(stderr, "pub: cannot build sample %" PRId64 "\n", i);
      return kSetup;
    }
    const auto start = Clock::now();
    const Status status = writer->write(message.ptr, left_until(deadline));
    busy += Clock::now() - start;
    if (status != Status::ok) {
      std::fprintf(stderr, "pub: sample %" PRId64 ": %s\n", i, writer->last_error().c_str());
      return status == Status::timeout ? kTimeout : kSetup;
    }
    bytes += writer->payload_size(message.ptr);
    progress.tick(i + 1);
  }
  const auto start = Clock::now();
  const Status acked = writer->wait_acknowledged(left_until(deadline));
  busy += Clock::now() - start;
  std::printf("pub side=%s topic=%s domain=%u samples=%" PRId64 " largest=%" PRIu64 "B",
    side.name, o.topic.c_str(), o.domain, count, payload);
  print_rate(count, bytes, seconds(busy));
  std::printf(" result=%s\n", acked == Status::ok ? "ok" : "UNACKNOWLEDGED");
  std::fflush(stdout);
  return acked == Status::ok ? kOk : kTimeout;
}

int run_echo(const Options & o, const Side & side, Clock::time_point deadline)
{
  EndpointOptions options;
  options.domain = o.domain;
  options.topic = o.topic;
  if (o.largest != 0) {
    options.largest_sample = o.largest;
  }
  std::string error;
  const rosidl_message_type_support_t * ts = resolve_type_support(side.dispatcher(), side.identifier, &error);
  std::unique_ptr<Endpoint> reader;
  if (ts != nullptr) {
    reader = Endpoint::create(Endpoint::Role::reader, ts, options, &error, {side.create, side.destroy});
  }
  if (!reader) {
    std::fprintf(stderr, "echo: %s\n", error.c_str());
    return kSetup;
  }
  const bool summary_only = o.verify || o.quiet;
  Message message(side);
  Progress progress{"echo", o.count};
  int64_t received = 0;
  int64_t failed = 0;
  int64_t out_of_order = 0;
  uint64_t bytes = 0;
  Clock::time_point first{};
  Clock::time_point last{};
  Status status = Status::ok;
  while (o.count < 0 || received < o.count) {
    status = reader->take(message.ptr, left_until(deadline));
    if (status != Status::ok) {
      break;
    }
    last = Clock::now();
    if (received == 0) {
      first = last;
    }
    const FeaturesView view = side.view(message.ptr);
    bytes += reader->payload_size(message.ptr);
    if (o.verify) {
      // Reliable delivery keeps the writer's order: sample i is the i-th.
      if (view.descriptorsize != static_cast<uint32_t>(received)) {
        ++out_of_order;
      }
      const std::string wrong = verify(view, o.seed);
      if (!wrong.empty()) {
        if (failed < 5) {
          std::fprintf(stderr, "echo: sample %" PRId64 ": %s\n", received, wrong.c_str());
        }
        ++failed;
      }
    } else if (!o.quiet) {
      print_yaml(view, stdout);
      std::fflush(stdout);
    }
    ++received;
    if (summary_only) {
      progress.tick(received);
    }
  }
  const bool complete = o.count < 0 || received == o.count;
  const bool ok = complete && failed == 0 && out_of_order == 0 && status != Status::error;
  if (summary_only) {
    std::printf("echo side=%s topic=%s domain=%u received=%" PRId64, side.name, o.topic.c_str(),
      o.domain, received);
    if (o.count >= 0) {
      std::printf("/%" PRId64, o.count);
    }
    if (o.verify) {
      std::printf(" verified=%" PRId64 " wrong=%" PRId64 " out_of_order=%" PRId64,
        received - failed, failed, out_of_order);
    }
    // The rate counts the gaps between arrivals, so the first sample starts
    // the clock and is not counted.
    print_rate(received > 1 ? received - 1 : 0, received > 1 ? bytes - bytes / received : 0,
      seconds(last - first));
    std::printf(" result=%s\n", ok ? "ok" : "FAILED");
    std::fflush(stdout);
  }
  if (status == Status::error) {
    std::fprintf(stderr, "echo: %s\n", reader->last_error().c_str());
    return kSetup;
  }
  if (!complete) {
    std::fprintf(stderr, "echo: %" PRId64 " of %" PRId64 " samples arrived before the timeout\n",
      received, o.count);
    return kTimeout;
  }
  return ok ? kOk : kWrong;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options o;
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    usage(stdout);
    return kOk;
  }
  if (!parse(argc, argv, &o)) {
    usage(stderr);
    return kUsage;
  }
  const Side * side = o.side == "c" ? &c_side() : cpp_side();
  if (side == nullptr) {
    std::fprintf(stderr, "pelmora-dds: this build has no C++ side\n");
    return kUsage;
  }
  const auto deadline = Clock::now() +
    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(o.timeout));
  return o.command == "pub" ? run_pub(o, *side, deadline) : run_echo(o, *side, deadline);
}
