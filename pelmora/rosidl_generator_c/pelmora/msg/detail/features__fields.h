#ifndef PELMORA__MSG__DETAIL__FEATURES__FIELDS_H_
#define PELMORA__MSG__DETAIL__FEATURES__FIELDS_H_

// The fields of pelmora__msg__Features in record order, for code that does
// the same thing to each. The two scalars come first, then the sequences.

// SCALAR(name) for the two uint32_t counts.
#define PELMORA__MSG__FEATURES__SCALAR_FIELDS(SCALAR) \
  SCALAR(keypointnumber) \
  SCALAR(descriptorsize)

// UINT32(name) for the five rosidl_runtime_c__uint32__Sequence fields,
// FLOAT(name) for the three rosidl_runtime_c__float__Sequence fields.
#define PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(UINT32, FLOAT) \
  UINT32(descriptor) \
  UINT32(uniqueid) \
  UINT32(isrightimage) \
  UINT32(patternzise) \
  UINT32(confidence) \
  FLOAT(x) \
  FLOAT(y) \
  FLOAT(angle)

#endif  // PELMORA__MSG__DETAIL__FEATURES__FIELDS_H_
