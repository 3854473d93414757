#include "security/names.hpp"

#include <cctype>

namespace pelmora_dds::security
{

namespace
{

bool is_name_character(char c, bool wildcards)
{
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
         (wildcards && (c == '*' || c == '?'));
}

// Empty when `path` (after its leading "/") is tokens joined by "/", each
// non-empty, of name characters, not starting with a digit.
std::string path_problem(const std::string & path, bool wildcards)
{
  size_t start = 1;
  for (;; ) {
    const size_t slash = path.find('/', start);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    if (end == start) {
      return "it has an empty token (\"//\" or a trailing \"/\")";
    }
    if (std::isdigit(static_cast<unsigned char>(path[start]))) {
      return "a token starts with a digit";
    }
    for (size_t i = start; i < end; ++i) {
      if (!is_name_character(path[i], wildcards)) {
        return std::string("it holds the character '") + path[i] + "'";
      }
    }
    if (slash == std::string::npos) {
      return "";
    }
    start = slash + 1;
  }
}

}  // namespace

std::string enclave_name_problem(const std::string & name)
{
  if (name.empty() || name[0] != '/') {
    return "an enclave name starts with \"/\"";
  }
  if (name == "/") {
    return "";
  }
  return path_problem(name, false);
}

std::string permission_topic(const std::string & name, std::string * problem)
{
  const std::string absolute = !name.empty() && name[0] == '/' ? name : "/" + name;
  const std::string why = name.empty() ? "it is empty" : path_problem(absolute, true);
  if (!why.empty()) {
    if (problem != nullptr) {
      *problem = "topic \"" + name + "\" is not a ROS topic name: " + why;
    }
    return "";
  }
  return "rt" + absolute;
}

}  // namespace pelmora_dds::security
