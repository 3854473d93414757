// Reader for tests/vectors/features_vectors.txt: messages and their exact
// CDR bytes, computed independently of the encoders under test.
#ifndef PELMORA_TESTS__FEATURES_VECTORS_HPP_
#define PELMORA_TESTS__FEATURES_VECTORS_HPP_

#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmora_tests
{

constexpr std::array<const char *, 8> kSequenceFields = {
  "descriptor", "uniqueid", "isrightimage", "patternzise", "confidence", "x", "y", "angle"};

struct FeaturesVector
{
  std::string name;
  uint32_t keypointnumber = 0;
  uint32_t descriptorsize = 0;
  // The eight sequences in record order, each element as its 32-bit pattern
  // (floats as their binary32 bits).
  std::array<std::vector<uint32_t>, 8> sequences;
  std::vector<uint8_t> little_endian;
  std::vector<uint8_t> big_endian;
};

inline std::vector<uint8_t> parse_hex(const std::string & hex)
{
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

inline std::vector<FeaturesVector> load_features_vectors(const std::string & path)
{
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("cannot open " + path);
  }
  std::vector<FeaturesVector> vectors;
  FeaturesVector current;
  size_t field = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key.empty() || key[0] == '#') {
      continue;
    } else if (key == "vector") {
      current = FeaturesVector{};
      words >> current.name;
      field = 0;
    } else if (key == "scalars") {
      words >> current.keypointnumber >> current.descriptorsize;
    } else if (key == "le" || key == "be") {
      std::string hex;
      words >> hex;
      (key == "le" ? current.little_endian : current.big_endian) = parse_hex(hex);
    } else if (key == "end") {
      vectors.push_back(current);
    } else {
      if (field >= kSequenceFields.size() || key != kSequenceFields[field]) {
        throw std::runtime_error("unexpected line in vectors: " + line);
      }
      size_t count = 0;
      words >> count;
      auto & values = current.sequences[field++];
      values.resize(count);
      for (auto & value : values) {
        std::string hex;
        words >> hex;
        value = static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
      }
    }
  }
  return vectors;
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_VECTORS_HPP_
