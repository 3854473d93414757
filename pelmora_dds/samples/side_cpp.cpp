// The C++ peer: pelmora::msg::Features objects, encoded by the C++ type
// support that the C++ dispatcher names.
#include "sides.hpp"

#include "pelmora/msg/detail/features__fields.hpp"
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
  m.descriptorsize = kDescriptorBytes;
  uint32_t field = 0;
#define PELMORA_DDS_FILL(name, element) \
  m.name.resize(sequence_length(field, keypoints)); \
  fill_sequence(m.name.data(), m.name.size(), seed, index, field++);
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_DDS_FILL)
#undef PELMORA_DDS_FILL
  return true;
}

FeaturesView view(const void * message)
{
  const auto & m = *static_cast<const Features *>(message);
  FeaturesView v;
  v.keypointnumber = m.keypointnumber;
  v.descriptorsize = m.descriptorsize;
  size_t field = 0;
#define PELMORA_DDS_VIEW(name, element) v.sequences[field++] = {m.name.data(), m.name.size()};
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_DDS_VIEW)
#undef PELMORA_DDS_VIEW
  return v;
}

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_cpp::get_message_type_support_handle<Features>();
}

}  // namespace

const Side * cpp_side()
{
  static const Side side{"cpp", dispatcher, create, destroy, fill, view};
  return &side;
}

}  // namespace pelmora_dds
