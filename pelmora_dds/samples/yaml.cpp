#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/features.hpp"
#include "yaml.hpp"

namespace pelmora_dds
{

namespace
{

// The first `shown` elements of `from` (all when `shown` is 0).
template<typename T>
void copy_head(std::vector<T> & to, const FeaturesView::Sequence & from, size_t shown)
{
  const size_t n = shown == 0 || from.size <= shown ? from.size : shown;
  const T * elements = static_cast<const T *>(from.data);
  to.assign(elements, elements + n);
}

// Line "  # 8 of 1234 items shown ..." after the last item of every cut
// sequence. to_yaml writes a sequence as "name:" and one "  - value" line
// per item, so the comment goes before the next line that is no item.
std::string with_cut_notes(const std::string & yaml, const FeaturesView & view, size_t shown)
{
  std::map<std::string, size_t> cut;
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t size = view.sequences[f].size;
    if (shown != 0 && size > shown) {
      cut.emplace(kSequenceFields[f].name, size);
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
  size_t field = 0;
#define PELMORA_DDS_COPY(name, element) copy_head(message.name, view.sequences[field++], shown);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_DDS_COPY)
#undef PELMORA_DDS_COPY
  return with_cut_notes(rosidl_generator_traits::to_yaml(message), view, shown);
}

}  // namespace pelmora_dds
