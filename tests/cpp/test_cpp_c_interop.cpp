// A C++ peer and a C peer on one wire. Both type supports are reached only
// through their dispatchers, as a middleware reaches them; bytes go from the
// C++ message to the C record and back, in both byte orders.
#include <gtest/gtest.h>

#include <vector>

#include "cpp_features_support.hpp"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace
{

using namespace pelmora_tests;

const message_type_support_callbacks_t & callbacks_of(
  const rosidl_message_type_support_t * dispatcher, const char * identifier)
{
  const rosidl_message_type_support_t * handle =
    get_message_typesupport_handle(dispatcher, identifier);
  if (handle == nullptr) {
    throw std::runtime_error(std::string("no type support ") + identifier);
  }
  return *static_cast<const message_type_support_callbacks_t *>(handle->data);
}

const message_type_support_callbacks_t & cpp_callbacks()
{
  return callbacks_of(
    rosidl_typesupport_cpp::get_message_type_support_handle<Features>(),
    "rosidl_typesupport_fastrtps_cpp");
}

const message_type_support_callbacks_t & c_callbacks()
{
  return callbacks_of(
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features(),
    "rosidl_typesupport_fastrtps_c");
}

struct CRecord
{
  CRecord() {EXPECT_TRUE(pelmora__msg__Features__init(&record));}
  ~CRecord() {pelmora__msg__Features__fini(&record);}

  rosidl_runtime_c__uint32__Sequence * uint32_sequences[5] = {
    &record.descriptor, &record.uniqueid, &record.isrightimage, &record.patternzise,
    &record.confidence};
  rosidl_runtime_c__float__Sequence * float_sequences[3] = {&record.x, &record.y, &record.angle};
  pelmora__msg__Features record;
};

void fill(CRecord & c, const FeaturesVector & vector)
{
  c.record.keypointnumber = vector.keypointnumber;
  c.record.descriptorsize = vector.descriptorsize;
  for (size_t i = 0; i < 8; ++i) {
    const auto & values = vector.sequences[i];
    if (i < 5) {
      ASSERT_TRUE(rosidl_runtime_c__uint32__Sequence__init(c.uint32_sequences[i], values.size()));
      std::copy(values.begin(), values.end(), c.uint32_sequences[i]->data);
    } else {
      ASSERT_TRUE(rosidl_runtime_c__float__Sequence__init(c.float_sequences[i - 5], values.size()));
      for (size_t k = 0; k < values.size(); ++k) {
        c.float_sequences[i - 5]->data[k] = from_bits<float>(values[k]);
      }
    }
  }
}

void expect_record_matches(CRecord & c, const FeaturesVector & vector)
{
  EXPECT_EQ(c.record.keypointnumber, vector.keypointnumber) << vector.name;
  EXPECT_EQ(c.record.descriptorsize, vector.descriptorsize) << vector.name;
  for (size_t i = 0; i < 8; ++i) {
    std::vector<uint32_t> bits;
    if (i < 5) {
      const auto * sequence = c.uint32_sequences[i];
      bits.assign(sequence->data, sequence->data + sequence->size);
    } else {
      const auto * sequence = c.float_sequences[i - 5];
      for (size_t k = 0; k < sequence->size; ++k) {
        bits.push_back(bits_of(sequence->data[k]));
      }
    }
    EXPECT_EQ(bits, vector.sequences[i]) << vector.name << ", " << kSequenceFields[i];
  }
}

std::vector<uint8_t> serialize_with(
  const message_type_support_callbacks_t & callbacks, const void * message, Endianness endianness)
{
  std::vector<uint8_t> bytes(callbacks.get_serialized_size(message));
  CdrOver over(bytes, endianness);
  EXPECT_TRUE(callbacks.cdr_serialize(message, over.cdr));
  EXPECT_EQ(over.cdr.getSerializedDataLength(), bytes.size());
  return bytes;
}

TEST(CppCInterop, CppBytesDecodeIntoTheCRecord)
{
  for (const auto & vector : shared_vectors()) {
    for (Endianness endianness : {kLittle, kBig}) {
      const Features message = message_from(vector);
      std::vector<uint8_t> bytes = serialize_with(cpp_callbacks(), &message, endianness);
      CdrOver over(bytes, endianness);
      CRecord c;
      ASSERT_TRUE(c_callbacks().cdr_deserialize(over.cdr, &c.record)) << vector.name;
      expect_record_matches(c, vector);
    }
  }
}

TEST(CppCInterop, CBytesDecodeIntoTheCppMessage)
{
  for (const auto & vector : shared_vectors()) {
    for (Endianness endianness : {kLittle, kBig}) {
      CRecord c;
      fill(c, vector);
      std::vector<uint8_t> bytes = serialize_with(c_callbacks(), &c.record, endianness);
      EXPECT_EQ(bytes, endianness == kLittle ? vector.little_endian : vector.big_endian);
      CdrOver over(bytes, endianness);
      Features message;
      ASSERT_TRUE(cpp_callbacks().cdr_deserialize(over.cdr, &message)) << vector.name;
      expect_message_matches(message, vector);
    }
  }
}

TEST(CppCInterop, BothSidesAgreeOnTheSizes)
{
  char c_bounds = 9;
  char cpp_bounds = 9;
  EXPECT_EQ(c_callbacks().max_serialized_size(c_bounds), cpp_callbacks().max_serialized_size(cpp_bounds));
  EXPECT_EQ(c_bounds, cpp_bounds);
  for (const auto & vector : shared_vectors()) {
    CRecord c;
    fill(c, vector);
    const Features message = message_from(vector);
    EXPECT_EQ(c_callbacks().get_serialized_size(&c.record), cpp_callbacks().get_serialized_size(&message));
  }
}

}  // namespace
