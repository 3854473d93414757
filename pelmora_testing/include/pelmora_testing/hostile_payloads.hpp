// Reader for hostile_payloads.txt (PELMORA_HOSTILE_PAYLOADS_FILE): whole
// DDS payloads, good and malformed, with the verdict and reason a reader
// must reach, computed independently of every decoder.
#ifndef PELMORA_TESTS__HOSTILE_PAYLOADS_HPP_
#define PELMORA_TESTS__HOSTILE_PAYLOADS_HPP_

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "features_vectors.hpp"

namespace pelmora_tests
{

struct HostilePayload
{
  std::string name;
  bool accept = false;
  std::string reason;
  uint32_t keypointnumber = 0;   // accepted payloads only
  uint32_t descriptorsize = 0;
  std::vector<uint8_t> bytes;
};

inline std::vector<HostilePayload> load_hostile_payloads(const std::string & path)
{
  std::vector<HostilePayload> payloads;
  HostilePayload current;
  read_keyed_lines(path, [&](const std::string & key, const std::string & rest, const std::string & line) {
    if (key == "payload") {
      current = HostilePayload{};
      current.name = rest;
    } else if (key == "verdict") {
      current.accept = rest == "accept";
    } else if (key == "reason") {
      current.reason = rest;
    } else if (key == "wire_reason") {
      return;  // what a reader says after RTPS padding; DDS tests use it
    } else if (key == "scalars") {
      std::istringstream words(rest);
      words >> current.keypointnumber >> current.descriptorsize;
    } else if (key == "hex") {
      current.bytes = parse_hex(rest);
    } else if (key == "end") {
      payloads.push_back(current);
    } else {
      throw std::runtime_error("unexpected line in " + path + ": " + line);
    }
  });
  return payloads;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__HOSTILE_PAYLOADS_HPP_
