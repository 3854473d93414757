#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pelmora/msg/features.hpp"
#include "tool.hpp"

namespace pelmora_dds
{

namespace
{

template<typename T, typename Source>
void copy_head(std::vector<T> & to, const Source & from, size_t shown)
{
  const size_t n = shown == 0 || from.size <= shown ? from.size : shown;
  to.assign(from.data, from.data + n);
}

// Line "  # 8 of 1234 items shown ..." after the last item of every cut
// sequence. to_yaml writes a sequence as "name:" and one "  - value" line
// per item, so the comment goes before the next line that is no item.
std::string with_cut_notes(const std::string & yaml, const FeaturesView & view, size_t shown)
{
  std::map<std::string, size_t> cut;
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t size = f < 5 ? view.u32[f].size : view.f32[f - 5].size;
    if (shown != 0 && size > shown) {
      cut.emplace(kFieldNames[2 + f], size);
    }
  }
  std::istringstream in(yaml);
  std::string out;
  std::string line;
  std::string current;
  size_t total = 0;
  auto close = [&]() {
      if (!current.empty()) {
        out += "  # " + std::to_string(shown) + " of " + std::to_string(total) +
          " items shown; --full prints them all\n";
        current.clear();
      }
    };
  while (std::getline(in, line)) {
    if (line.rfind("  - ", 0) != 0) {
      close();
      const std::string name = line.substr(0, line.find(':'));
      const auto found = cut.find(name);
      if (found != cut.end()) {
        current = name;
        total = found->second;
      }
    }
    out += line + "\n";
  }
  close();
  return out;
}

}  // namespace

std::string features_yaml(const FeaturesView & view, size_t shown)
{
  pelmora::msg::Features message;
  message.keypointnumber = view.keypointnumber;
  message.descriptorsize = view.descriptorsize;
  std::vector<uint32_t> * u32[5] = {
    &message.descriptor, &message.uniqueid, &message.isrightimage, &message.patternzise,
    &message.confidence};
  std::vector<float> * f32[3] = {&message.x, &message.y, &message.angle};
  for (int f = 0; f < 5; ++f) {
    copy_head(*u32[f], view.u32[f], shown);
  }
  for (int f = 0; f < 3; ++f) {
    copy_head(*f32[f], view.f32[f], shown);
  }
  return with_cut_notes(rosidl_generator_traits::to_yaml(message), view, shown);
}

}  // namespace pelmora_dds
