// Reader for features_vectors.txt (PELMORA_VECTORS_FILE): messages and
// their exact CDR bytes, computed independently of the encoders under test.
#ifndef PELMORA_TESTS__FEATURES_VECTORS_HPP_
#define PELMORA_TESTS__FEATURES_VECTORS_HPP_

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "features_words.hpp"

namespace pelmora_tests
{

/// One vector: a named message and its bytes in both byte orders.
struct FeaturesVector : FeaturesWords
{
  std::string name;
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

/// Calls on_line(key, rest, line) for every line of the vector file `path`
/// that is neither blank nor a comment: `key` is its first word, `rest` what
/// follows the space after it. Throws when the file cannot be opened.
template<typename OnLine>
void read_keyed_lines(const std::string & path, OnLine on_line)
{
  std::ifstream in(path);
  if (!in) {
    throw std::runtime_error("cannot open " + path);
  }
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    const std::string key = line.substr(0, space);
    if (!key.empty() && key[0] != '#') {
      on_line(key, space == std::string::npos ? std::string() : line.substr(space + 1), line);
    }
  }
}

inline std::vector<FeaturesVector> load_features_vectors(const std::string & path)
{
  std::vector<FeaturesVector> vectors;
  FeaturesVector current;
  size_t field = 0;
  read_keyed_lines(path, [&](const std::string & key, const std::string & rest, const std::string & line) {
    std::istringstream words(rest);
    if (key == "vector") {
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
      if (field >= kSequenceFields.size() || key != kSequenceFields[field].name) {
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
  });
  return vectors;
}

/// Every vector of the shared file, read once per process.
inline const std::vector<FeaturesVector> & vectors()
{
  static const std::vector<FeaturesVector> all = load_features_vectors(PELMORA_VECTORS_FILE);
  return all;
}

inline const FeaturesVector & vector_named(const std::string & name)
{
  for (const auto & vector : vectors()) {
    if (vector.name == name) {
      return vector;
    }
  }
  throw std::runtime_error("no vector named " + name);
}

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__FEATURES_VECTORS_HPP_
