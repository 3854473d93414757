#ifndef PELMORA__MSG__DETAIL__FEATURES__FIELDS_HPP_
#define PELMORA__MSG__DETAIL__FEATURES__FIELDS_HPP_

// The ten members of pelmora::msg::Features_ in declaration order, for code
// that does the same thing to each of them: SCALAR(name, type) for the two
// uint32_t counts, SEQUENCE(name, element type) for the eight vectors.
#define PELMORA__MSG__FEATURES__MEMBERS(SCALAR, SEQUENCE) \
  SCALAR(keypointnumber, uint32_t) \
  SCALAR(descriptorsize, uint32_t) \
  SEQUENCE(descriptor, uint32_t) \
  SEQUENCE(uniqueid, uint32_t) \
  SEQUENCE(isrightimage, uint32_t) \
  SEQUENCE(patternzise, uint32_t) \
  SEQUENCE(confidence, uint32_t) \
  SEQUENCE(x, float) \
  SEQUENCE(y, float) \
  SEQUENCE(angle, float)

// Expands to nothing; pass it for the kind of member a list should skip.
#define PELMORA__MSG__FEATURES__IGNORE(name, type)

#endif  // PELMORA__MSG__DETAIL__FEATURES__FIELDS_HPP_
