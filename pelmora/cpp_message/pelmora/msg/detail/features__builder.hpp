#ifndef PELMORA__MSG__DETAIL__FEATURES__BUILDER_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__BUILDER_HPP_

// pelmora::build<pelmora::msg::Features>(): a message built field by field,
//
//   auto msg = pelmora::build<pelmora::msg::Features>()
//     .keypointnumber(2).descriptorsize(32).descriptor({1, 2}).uniqueid({7})
//     .isrightimage({0, 1}).patternzise({}).confidence({9})
//     .x({0.5f}).y({1.5f}).angle({0.25f});
//
// Each step offers exactly the next field in declaration order and returns
// the step of the field after it; only the last step (angle) returns the
// message. Forgetting or reordering a field does not compile. A step hands
// the message on by moving it, so vectors are never copied between steps,
// and a step object is spent once called.

#include <utility>

#include "pelmora/msg/detail/features__struct.hpp"

namespace pelmora
{

namespace msg
{

namespace builder
{

// The step that sets `field` and hands the message to the step `Next`.
#define PELMORA__MSG__FEATURES__BUILDER_STEP(Step, field, Next) \
  class Step \
  { \
public: \
    explicit Step(::pelmora::msg::Features && msg) \
    : msg_(std::move(msg)) {} \
    Next field(decltype(::pelmora::msg::Features::field) value) \
    { \
      msg_.field = std::move(value); \
      return Next(std::move(msg_)); \
    } \
private: \
    ::pelmora::msg::Features msg_; \
  };

// The last step returns the message itself.
class Init_Features_angle
{
public:
  explicit Init_Features_angle(::pelmora::msg::Features && msg)
  : msg_(std::move(msg)) {}
  ::pelmora::msg::Features angle(decltype(::pelmora::msg::Features::angle) value)
  {
    msg_.angle = std::move(value);
    return std::move(msg_);
  }

private:
  ::pelmora::msg::Features msg_;
};

PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_y, y, Init_Features_angle)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_x, x, Init_Features_y)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_confidence, confidence, Init_Features_x)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_patternzise, patternzise, Init_Features_confidence)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_isrightimage, isrightimage, Init_Features_patternzise)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_uniqueid, uniqueid, Init_Features_isrightimage)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_descriptor, descriptor, Init_Features_uniqueid)
PELMORA__MSG__FEATURES__BUILDER_STEP(Init_Features_descriptorsize, descriptorsize, Init_Features_descriptor)

#undef PELMORA__MSG__FEATURES__BUILDER_STEP

// The first step owns the message. Its counts start at zero rather than
// unwritten: each step moves the whole message on, counts not yet given
// included.
class Init_Features_keypointnumber
{
public:
  Init_Features_keypointnumber() = default;
  Init_Features_descriptorsize keypointnumber(decltype(::pelmora::msg::Features::keypointnumber) value)
  {
    msg_.keypointnumber = value;
    return Init_Features_descriptorsize(std::move(msg_));
  }

private:
  ::pelmora::msg::Features msg_;
};

}  // namespace builder

}  // namespace msg

/// The builder of a message type; specialised for each message.
template<typename MessageType>
auto build();

template<>
inline auto build<::pelmora::msg::Features>()
{
  return ::pelmora::msg::builder::Init_Features_keypointnumber();
}

}  // namespace pelmora

#endif  // PELMORA__MSG__DETAIL__FEATURES__BUILDER_HPP_
