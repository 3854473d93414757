// The C peer: C records from the C message library, encoded by the C type
// support that the C dispatcher names.
#include "sides.hpp"

#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"

namespace pelmora_dds
{

namespace
{

void * create()
{
  return pelmora__msg__Features__create();
}

void destroy(void * message)
{
  pelmora__msg__Features__destroy(static_cast<pelmora__msg__Features *>(message));
}

// Releases `sequence` and makes it anew with `size` elements.
bool remake(rosidl_runtime_c__uint32__Sequence & sequence, size_t size)
{
  rosidl_runtime_c__uint32__Sequence__fini(&sequence);
  return rosidl_runtime_c__uint32__Sequence__init(&sequence, size);
}

bool remake(rosidl_runtime_c__float__Sequence & sequence, size_t size)
{
  rosidl_runtime_c__float__Sequence__fini(&sequence);
  return rosidl_runtime_c__float__Sequence__init(&sequence, size);
}

template<typename Sequence>
bool fill_field(Sequence & sequence, uint32_t field, uint32_t seed, uint32_t index, uint32_t keypoints)
{
  const size_t n = sequence_length(field, keypoints);
  if (!remake(sequence, n)) {
    return false;
  }
  fill_sequence(sequence.data, n, seed, index, field);
  return true;
}

bool fill(void * message, uint32_t seed, uint32_t index, uint32_t keypoints)
{
  auto * m = static_cast<pelmora__msg__Features *>(message);
  m->keypointnumber = keypoints;
  m->descriptorsize = kDescriptorBytes;
  uint32_t field = 0;
  bool ok = true;
#define PELMORA_DDS_FILL(name) ok = ok && fill_field(m->name, field++, seed, index, keypoints);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DDS_FILL, PELMORA_DDS_FILL)
#undef PELMORA_DDS_FILL
  return ok;
}

FeaturesView view(const void * message)
{
  const auto * m = static_cast<const pelmora__msg__Features *>(message);
  FeaturesView v;
  v.keypointnumber = m->keypointnumber;
  v.descriptorsize = m->descriptorsize;
  size_t field = 0;
#define PELMORA_DDS_VIEW(name) v.sequences[field++] = {m->name.data, m->name.size};
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_DDS_VIEW, PELMORA_DDS_VIEW)
#undef PELMORA_DDS_VIEW
  return v;
}

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
}

}  // namespace

const Side & c_side()
{
  static const Side side{"c", dispatcher, create, destroy, fill, view};
  return side;
}

}  // namespace pelmora_dds
