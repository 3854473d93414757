// The C++ peer: pelmora::msg::Features objects, encoded by the C++ type
// support that the C++ dispatcher names.
#include "sides.hpp"

#include "pelmora/msg/features.hpp"

namespace pelmora_dds
{

namespace
{

using Features = pelmora::msg::Features;

void * create()
{
  return new Features();
}

void destroy(void * message)
{
  delete static_cast<Features *>(message);
}

bool fill(void * message, uint32_t seed, uint32_t index, uint32_t keypoints)
{
  auto & m = *static_cast<Features *>(message);
  m.keypointnumber = keypoints;
  m.descriptorsize = index;
  Features::Sequence<uint32_t> * u32[5] = {
    &m.descriptor, &m.uniqueid, &m.isrightimage, &m.patternzise, &m.confidence};
  Features::Sequence<float> * f32[3] = {&m.x, &m.y, &m.angle};
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t n = sequence_length(f, keypoints);
    if (f < 5) {
      u32[f]->resize(n);
      fill_u32(u32[f]->data(), n, seed, index, f);
    } else {
      f32[f - 5]->resize(n);
      fill_f32(f32[f - 5]->data(), n, seed, index, f);
    }
  }
  return true;
}

FeaturesView view(const void * message)
{
  const auto & m = *static_cast<const Features *>(message);
  FeaturesView v;
  v.keypointnumber = m.keypointnumber;
  v.descriptorsize = m.descriptorsize;
  const Features::Sequence<uint32_t> * u32[5] = {
    &m.descriptor, &m.uniqueid, &m.isrightimage, &m.patternzise, &m.confidence};
  const Features::Sequence<float> * f32[3] = {&m.x, &m.y, &m.angle};
  for (int f = 0; f < 5; ++f) {
    v.u32[f] = {u32[f]->data(), u32[f]->size()};
  }
  for (int f = 0; f < 3; ++f) {
    v.f32[f] = {f32[f]->data(), f32[f]->size()};
  }
  return v;
}

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<Features>();
}

}  // namespace

const Side * cpp_side()
{
  static const Side side{"cpp", "rosidl_typesupport_fastrtps_cpp", dispatcher, create, destroy, fill, view};
  return &side;
}

}  // namespace pelmora_dds
