// Helpers for tests that use the C type supports as a middleware does: the
// dispatcher's handle is the only thing linked, and the type supports are
// loaded by name when first asked for.
#ifndef PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
#define PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "features_vectors.hpp"
#include "pelmora/msg/detail/features__fields.h"
#include "pelmora/msg/features.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace pelmora_tests
{

using eprosima::fastcdr::Cdr;
using Record = std::unique_ptr<pelmora__msg__Features, decltype(&pelmora__msg__Features__destroy)>;
using Members = rosidl_typesupport_introspection_c__MessageMembers;

constexpr const char * kCdrLibrary = "libpelmora__rosidl_typesupport_fastrtps_c.so";
constexpr const char * kIntrospectionLibrary = "libpelmora__rosidl_typesupport_introspection_c.so";

inline const rosidl_message_type_support_t * type_support(const char * identifier)
{
  const rosidl_message_type_support_t * dispatcher =
    rosidl_typesupport_c__get_message_type_support_handle__pelmora__msg__Features();
  return dispatcher->func(dispatcher, identifier);
}

inline const message_type_support_callbacks_t & cdr_callbacks()
{
  return *static_cast<const message_type_support_callbacks_t *>(
    type_support("rosidl_typesupport_fastrtps_c")->data);
}

inline const Members & introspection_members()
{
  return *static_cast<const Members *>(type_support("rosidl_typesupport_introspection_c")->data);
}

// A function exported by a type-support library that the dispatcher has
// already loaded; null if that library is not loaded.
template<typename Function>
Function * loaded_symbol(const char * library, const char * name)
{
  void * handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (!handle) {
    return nullptr;
  }
  void * symbol = dlsym(handle, name);
  dlclose(handle);
  return reinterpret_cast<Function *>(symbol);
}

inline const std::vector<FeaturesVector> & vectors()
{
  static const std::vector<FeaturesVector> all = load_features_vectors(PELMORA_VECTORS_FILE);
  return all;
}

inline const FeaturesVector & vector_named(const std::string & name)
{
  for (const auto & vector : vectors()) {
    if (vector.name == name) {
      return vector;
    }
  }
  throw std::runtime_error("no vector " + name);
}

inline void fill_sequence(rosidl_runtime_c__uint32__Sequence & sequence, const std::vector<uint32_t> & words)
{
  if (!rosidl_runtime_c__uint32__Sequence__init(&sequence, words.size())) {
    throw std::bad_alloc();
  }
  std::copy(words.begin(), words.end(), sequence.data);
}

// Floats are given as their bit patterns, which are copied unchanged.
inline void fill_sequence(rosidl_runtime_c__float__Sequence & sequence, const std::vector<uint32_t> & words)
{
  if (!rosidl_runtime_c__float__Sequence__init(&sequence, words.size())) {
    throw std::bad_alloc();
  }
  if (!words.empty()) {
    std::memcpy(sequence.data, words.data(), 4 * words.size());
  }
}

// A record holding the vector's message, built without any type support.
inline Record make_record(const FeaturesVector & vector)
{
  Record record(pelmora__msg__Features__create(), pelmora__msg__Features__destroy);
  record->keypointnumber = vector.keypointnumber;
  record->descriptorsize = vector.descriptorsize;
  size_t index = 0;
#define PELMORA_FILL(field) fill_sequence(record->field, vector.sequences[index++]);
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FILL, PELMORA_FILL)
#undef PELMORA_FILL
  return record;
}

// Whether `record` holds exactly the vector's message. Floats are compared by
// bit pattern: are_equal compares them as numbers, and a NaN equals nothing.
inline ::testing::AssertionResult holds(
  const pelmora__msg__Features * record, const FeaturesVector & vector)
{
  if (record->keypointnumber != vector.keypointnumber ||
    record->descriptorsize != vector.descriptorsize)
  {
    return ::testing::AssertionFailure() << vector.name << ": scalars differ";
  }
  size_t index = 0;
#define PELMORA_COMPARE(field) \
  { \
    const auto & words = vector.sequences[index++]; \
    if (record->field.size != words.size() || \
      (!words.empty() && std::memcmp(record->field.data, words.data(), 4 * words.size()) != 0)) \
    { \
      return ::testing::AssertionFailure() << vector.name << ": " #field " differs"; \
    } \
  }
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_COMPARE, PELMORA_COMPARE)
#undef PELMORA_COMPARE
  return ::testing::AssertionSuccess();
}

inline std::vector<uint8_t> written_bytes(const eprosima::fastcdr::FastBuffer & buffer, const Cdr & cdr)
{
  const auto * begin = reinterpret_cast<const uint8_t *>(buffer.getBuffer());
  return {begin, begin + cdr.getSerializedDataLength()};
}

// The CDR bytes that the C type support writes for `message` from position 0.
inline std::vector<uint8_t> encode(
  const void * message, Cdr::Endianness order = Cdr::LITTLE_ENDIANNESS)
{
  eprosima::fastcdr::FastBuffer buffer;
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  if (!cdr_callbacks().cdr_serialize(message, cdr)) {
    throw std::runtime_error("encoding failed");
  }
  return written_bytes(buffer, cdr);
}

// Decodes `bytes` into `message`; the bytes are copied so Fast-CDR can only
// read what it is given.
inline bool decode(
  const std::vector<uint8_t> & bytes, void * message,
  Cdr::Endianness order = Cdr::LITTLE_ENDIANNESS)
{
  std::vector<char> copy(bytes.begin(), bytes.end());
  eprosima::fastcdr::FastBuffer buffer(copy.data(), copy.size());
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  return cdr_callbacks().cdr_deserialize(cdr, message);
}

// Everything written to file descriptor 2 while it lives.
class StderrCapture
{
public:
  StderrCapture()
  : file_(std::tmpfile()), saved_(dup(2))
  {
    std::fflush(stderr);
    dup2(fileno(file_), 2);
  }

  ~StderrCapture()
  {
    restore();
    std::fclose(file_);
  }

  std::string text()
  {
    restore();
    std::string text;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
      text.push_back(static_cast<char>(c));
    }
    return text;
  }

private:
  void restore()
  {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
  }

  FILE * file_;
  int saved_;
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
