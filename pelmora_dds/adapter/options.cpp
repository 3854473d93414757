#include "pelmora_dds/options.hpp"

#include <cassert>
#include <cstddef>

#include "pelmora_dds/ros_names.hpp"

namespace pelmora_dds
{

using Qos = QosOptions;
const Word<Qos::Reliability> kReliabilityWords[3] = {{"system_default", Qos::Reliability::system_default},
  {"reliable", Qos::Reliability::reliable}, {"best_effort", Qos::Reliability::best_effort}};
const Word<Qos::Durability> kDurabilityWords[3] = {{"system_default", Qos::Durability::system_default},
  {"volatile", Qos::Durability::volatile_}, {"transient_local", Qos::Durability::transient_local}};
const Word<Qos::History> kHistoryWords[3] = {{"system_default", Qos::History::system_default},
  {"keep_last", Qos::History::keep_last}, {"keep_all", Qos::History::keep_all}};
const Word<TransportOptions::Kind> kTransportWords[3] = {{"default", TransportOptions::Kind::builtin},
  {"shm", TransportOptions::Kind::shm}, {"udp", TransportOptions::Kind::udp}};

namespace
{

template<typename E, size_t N>
const char * word_of(E value, const Word<E> (&words)[N])
{
  for (const Word<E> & word : words) {
    if (word.value == value) {
      return word.text;
    }
  }
  assert(false && "a value without a word");
  return "";
}

}  // namespace

const char * to_string(Qos::Reliability value) {return word_of(value, kReliabilityWords);}
const char * to_string(Qos::Durability value) {return word_of(value, kDurabilityWords);}
const char * to_string(Qos::History value) {return word_of(value, kHistoryWords);}
const char * to_string(TransportOptions::Kind value) {return word_of(value, kTransportWords);}

std::string describe(const EndpointOptions & options)
{
  std::string text = dds_topic_name(options.topic) + ", domain " + std::to_string(options.domain) +
    ", " + to_string(options.qos.reliability) + ", " + to_string(options.qos.durability) + ", " +
    to_string(options.qos.history);
  if (options.qos.history == QosOptions::History::keep_last) {
    text += " " + std::to_string(options.qos.depth);
  }
  if (options.qos.liveliness_lease_ms != 0) {
    text += ", liveliness lease " + std::to_string(options.qos.liveliness_lease_ms) + " ms";
  }
  text += ", transport " + std::string(to_string(options.transport.kind));
  if (!options.transport.discovery_servers.empty()) {
    text += ", discovery server " + options.transport.discovery_servers;
  }
  if (options.transport.localhost_only) {
    text += ", localhost only";
  }
  if (options.security.enabled) {
    text += ", secured as enclave " + options.security.enclave_used;
  }
  return text;
}

}  // namespace pelmora_dds
