#ifndef PELMORA__MSG__DETAIL__FEATURES__TRAITS_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__TRAITS_HPP_

#include <cstddef>
#include <ostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/detail/features__struct.hpp"
#include "rosidl_runtime_cpp/traits.hpp"

namespace pelmora
{
namespace msg
{

namespace detail
{

inline void member_to_flow_style_yaml(uint32_t value, std::ostream & out)
{
  rosidl_generator_traits::value_to_yaml(value, out);
}

template<typename Element, typename Allocator>
void member_to_flow_style_yaml(const std::vector<Element, Allocator> & values, std::ostream & out)
{
  out << "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) {
      out << ", ";
    }
    rosidl_generator_traits::value_to_yaml(values[i], out);
  }
  out << "]";
}

inline void member_to_block_style_yaml(
  const char * name, uint32_t value, std::ostream & out, std::size_t indentation)
{
  out << std::string(indentation, ' ') << name << ": ";
  rosidl_generator_traits::value_to_yaml(value, out);
  out << "\n";
}

// An empty sequence stays inline ("name: []"); otherwise one "- value" line
// per element, indented under the name.
template<typename Element, typename Allocator>
void member_to_block_style_yaml(
  const char * name, const std::vector<Element, Allocator> & values, std::ostream & out,
  std::size_t indentation)
{
  out << std::string(indentation, ' ') << name << ":";
  if (values.empty()) {
    out << " []\n";
    return;
  }
  out << "\n";
  for (const auto & value : values) {
    out << std::string(indentation + 2, ' ') << "- ";
    rosidl_generator_traits::value_to_yaml(value, out);
    out << "\n";
  }
}

}  // namespace detail

/// One line: {keypointnumber: 1, descriptorsize: 32, descriptor: [7], ...}
inline void to_flow_style_yaml(const Features & msg, std::ostream & out)
{
  const char * separator = "{";
#define PELMORA_FLOW_MEMBER(name, type) \
  out << separator << #name ": "; \
  detail::member_to_flow_style_yaml(msg.name, out); \
  separator = ", ";
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_FLOW_MEMBER, PELMORA_FLOW_MEMBER)
#undef PELMORA_FLOW_MEMBER
  out << "}";
}

/// One "name: value" line per count and per non-empty sequence element,
/// each indented by `indentation`.
inline void to_block_style_yaml(
  const Features & msg, std::ostream & out, std::size_t indentation = 0)
{
#define PELMORA_BLOCK_MEMBER(name, type) \
  detail::member_to_block_style_yaml(#name, msg.name, out, indentation);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA_BLOCK_MEMBER, PELMORA_BLOCK_MEMBER)
#undef PELMORA_BLOCK_MEMBER
}

inline std::string to_yaml(const Features & msg, bool use_flow_style = false)
{
  std::ostringstream out;
  if (use_flow_style) {
    to_flow_style_yaml(msg, out);
  } else {
    to_block_style_yaml(msg, out);
  }
  return out.str();
}

/// Writes the block-style YAML of to_yaml(msg), one line per count and per
/// sequence element, each line ending in a newline. The text is made apart
/// from `out`, so the caller's number base, precision or fill on `out`
/// cannot change it.
inline std::ostream & operator<<(std::ostream & out, const Features & msg)
{
  return out << to_yaml(msg);
}

}  // namespace msg
}  // namespace pelmora

namespace rosidl_generator_traits
{

/// The message-independent spellings that generic ROS 2 code calls.
inline void to_block_style_yaml(
  const pelmora::msg::Features & msg, std::ostream & out, std::size_t indentation = 0)
{
  pelmora::msg::to_block_style_yaml(msg, out, indentation);
}

inline std::string to_yaml(const pelmora::msg::Features & msg)
{
  return pelmora::msg::to_yaml(msg);
}

template<>
inline const char * data_type<pelmora::msg::Features>()
{
  return "pelmora::msg::Features";
}

template<>
inline const char * name<pelmora::msg::Features>()
{
  return "pelmora/msg/Features";
}

// Unbounded sequences: neither the size nor a bound is known from the type.
template<>
struct has_fixed_size<pelmora::msg::Features>: std::false_type {};

template<>
struct has_bounded_size<pelmora::msg::Features>: std::false_type {};

template<>
struct is_message<pelmora::msg::Features>: std::true_type {};

}  // namespace rosidl_generator_traits

#endif  // PELMORA__MSG__DETAIL__FEATURES__TRAITS_HPP_
