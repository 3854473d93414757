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
  const rosidl_message_type_support_t * (*dispatcher)();
  void * (*create)();
  void (*destroy)(void * message);
  /// Makes `message` the sample (seed, index) with `keypoints` keypoints.
  bool (*fill)(void * message, uint32_t seed, uint32_t index, uint32_t keypoints);
  FeaturesView (*view)(const void * message);
  /// Every sample passes through another language on its way, when set
  /// (the Python peer's conversions): it fills `copy`, a new message, with
  /// the sample in `message`. Returns 0 when that failed.
  int (*relay)(const void * message, void * copy, void * context) = nullptr;
  void * relay_context = nullptr;
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

/// The message that stands for a sample: `message` itself, or for a side
/// with a relay, the copy the relay made of it (null when that failed).
class Relayed
{
public:
  Relayed(const Side & side, void * message)
  : side_(side), message_(message)
  {
    if (side.relay != nullptr) {
      copy_ = side.create();
      if (copy_ != nullptr && side.relay(message, copy_, side.relay_context) == 0) {
        side.destroy(copy_);
        copy_ = nullptr;
      }
    }
  }
  ~Relayed()
  {
    if (copy_ != nullptr) {
      side_.destroy(copy_);
    }
  }
  Relayed(const Relayed &) = delete;
  Relayed & operator=(const Relayed &) = delete;
  void * get() const {return side_.relay == nullptr ? message_ : copy_;}

private:
  const Side & side_;
  void * message_;
  void * copy_ = nullptr;
};

const Side & c_side();
/// Null when the tool was built without the C++ message libraries.
const Side * cpp_side();

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__SIDES_HPP_
