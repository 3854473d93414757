// The C peer: C records from the C message library, encoded by the C type
// support that the C dispatcher names.
#include "sides.hpp"

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

rosidl_runtime_c__uint32__Sequence * u32_field(pelmora__msg__Features * m, uint32_t f)
{
  rosidl_runtime_c__uint32__Sequence * fields[5] = {
    &m->descriptor, &m->uniqueid, &m->isrightimage, &m->patternzise, &m->confidence};
  return fields[f];
}

rosidl_runtime_c__float__Sequence * f32_field(pelmora__msg__Features * m, uint32_t f)
{
  rosidl_runtime_c__float__Sequence * fields[3] = {&m->x, &m->y, &m->angle};
  return fields[f];
}

bool fill(void * message, uint32_t seed, uint32_t index, uint32_t keypoints)
{
  auto * m = static_cast<pelmora__msg__Features *>(message);
  m->keypointnumber = keypoints;
  m->descriptorsize = index;
  for (uint32_t f = 0; f < 8; ++f) {
    const size_t n = sequence_length(f, keypoints);
    if (f < 5) {
      rosidl_runtime_c__uint32__Sequence * s = u32_field(m, f);
      rosidl_runtime_c__uint32__Sequence__fini(s);
      if (!rosidl_runtime_c__uint32__Sequence__init(s, n)) {
        return false;
      }
      fill_u32(s->data, n, seed, index, f);
    } else {
      rosidl_runtime_c__float__Sequence * s = f32_field(m, f - 5);
      rosidl_runtime_c__float__Sequence__fini(s);
      if (!rosidl_runtime_c__float__Sequence__init(s, n)) {
        return false;
      }
      fill_f32(s->data, n, seed, index, f);
    }
  }
  return true;
}

FeaturesView view(const void * message)
{
  auto * m = const_cast<pelmora__msg__Features *>(static_cast<const pelmora__msg__Features *>(message));
  FeaturesView v;
  v.keypointnumber = m->keypointnumber;
  v.descriptorsize = m->descriptorsize;
  for (uint32_t f = 0; f < 5; ++f) {
    v.u32[f] = {u32_field(m, f)->data, u32_field(m, f)->size};
  }
  for (uint32_t f = 0; f < 3; ++f) {
    v.f32[f] = {f32_field(m, f)->data, f32_field(m, f)->size};
  }
  return v;
}

const rosidl_message_type_support_t * dispatcher()
{
  return rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
}

}  // namespace

const Side & c_side()
{
  static const Side side{"c", "rosidl_typesupport_fastrtps_c", dispatcher, create, destroy, fill, view};
  return side;
}

}  // namespace pelmora_dds
