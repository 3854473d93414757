// The two languages a peer of the tool can work in: the C record through the
// C dispatcher, or the C++ message through the C++ dispatcher.
#ifndef PELMORA_DDS__SIDES_HPP_
#define PELMORA_DDS__SIDES_HPP_

#include <cstdint>

#include "features_content.hpp"
#include "rosidl_runtime_c/message_type_support_struct.h"

namespace pelmora_dds
{

struct Side
{
  const char * name;
  /// Fast-CDR type support to ask the dispatcher for.
  const char * identifier;
  const rosidl_message_type_support_t * (*dispatcher)();
  void * (*create)();
  void (*destroy)(void * message);
  /// Makes `message` the sample (seed, index) with `keypoints` keypoints.
  bool (*fill)(void * message, uint32_t seed, uint32_t index, uint32_t keypoints);
  FeaturesView (*view)(const void * message);
};

/// A message of one side, owned so that every exit path destroys it.
struct Message
{
  const Side & side;
  void * ptr;
  explicit Message(const Side & s)
  : side(s), ptr(s.create()) {}
  ~Message() {side.destroy(ptr);}
  Message(const Message &) = delete;
  Message & operator=(const Message &) = delete;
};

const Side & c_side();
/// Null when the tool was built without the C++ message libraries.
const Side * cpp_side();

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__SIDES_HPP_
