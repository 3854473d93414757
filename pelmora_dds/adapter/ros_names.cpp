#include "pelmora_dds/ros_names.hpp"

#include <cctype>

namespace pelmora_dds
{

namespace
{

bool is_name_character(char c)
{
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '/';
}

std::string quoted(const std::string & text)
{
  return "'" + text + "'";
}

}  // namespace

std::string qualify_topic_name(const std::string & name, std::string * fully_qualified)
{
  if (name.empty()) {
    return "a topic name must not be empty";
  }
  if (name[0] == '~') {
    return "private name " + quoted(name) + " needs a node; give the full name, e.g. /node/topic";
  }
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '{' || c == '}') {
      return "substitution in " + quoted(name) + " needs a node; give the name without {}";
    }
    if (!is_name_character(c)) {
      return "topic name " + quoted(name) + " has " + quoted(std::string(1, c)) + " at position " +
             std::to_string(i) + "; only letters, digits, '_' and '/' are allowed";
    }
  }
  if (name.back() == '/') {
    return "topic name " + quoted(name) + " must not end with '/'";
  }
  if (name.find("//") != std::string::npos) {
    return "topic name " + quoted(name) + " must not contain '//' (an empty token)";
  }
  // Every token between slashes, the first of a relative name included.
  for (size_t start = name[0] == '/' ? 1 : 0; start < name.size(); ) {
    const size_t end = name.find('/', start);
    const std::string token = name.substr(start, end == std::string::npos ? end : end - start);
    if (std::isdigit(static_cast<unsigned char>(token[0])) != 0) {
      return "topic name " + quoted(name) + ": token " + quoted(token) + " starts with a digit";
    }
    if (end == std::string::npos) {
      break;
    }
    start = end + 1;
  }
  const std::string qualified = name[0] == '/' ? name : "/" + name;
  if (qualified.size() > kMaxTopicNameLength) {
    return "topic name " + quoted(name) + " is " + std::to_string(qualified.size()) +
           " characters long fully qualified; at most " + std::to_string(kMaxTopicNameLength) +
           " are allowed";
  }
  *fully_qualified = qualified;
  return std::string();
}

std::string dds_topic_name(const std::string & fully_qualified)
{
  return "rt" + fully_qualified;
}

}  // namespace pelmora_dds
