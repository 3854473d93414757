// Helpers for tests that use the C type supports as a middleware does: the
// dispatcher's handle is the only thing linked, and the type supports are
// loaded by name when first asked for.
#ifndef PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
#define PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_

#include <dlfcn.h>
#include <unistd.h>

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
constexpr Cdr::Endianness kLittle = Cdr::LITTLE_ENDIANNESS;

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

// A function of an already loaded type-support library; null if not loaded.
template<typename Function>
Function * loaded_symbol(const char * identifier, const char * name)
{
  const std::string file = std::string("libpelmora__") + identifier + ".so";
  void * library = dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  void * symbol = library ? dlsym(library, name) : nullptr;
  if (library) {
    dlclose(library);
  }
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

// A record holding the vector's message (floats as their exact bit patterns),
// built without any type support.
inline Record make_record(const FeaturesVector & vector)
{
  Record record(pelmora__msg__Features__create(), pelmora__msg__Features__destroy);
  record->keypointnumber = vector.keypointnumber;
  record->descriptorsize = vector.descriptorsize;
  size_t index = 0;
#define PELMORA_FILL(type, field) \
  { \
    const auto & words = vector.sequences[index++]; \
    if (!rosidl_runtime_c__ ## type ## __Sequence__init(&record->field, words.size())) { \
      throw std::bad_alloc(); \
    } \
    if (!words.empty()) { \
      std::memcpy(record->field.data, words.data(), 4 * words.size()); \
    } \
  }
#define PELMORA_FILL_UINT32(field) PELMORA_FILL(uint32, field)
#define PELMORA_FILL_FLOAT(field) PELMORA_FILL(float, field)
  PELMORA__MSG__FEATURES__SEQUENCE_FIELDS(PELMORA_FILL_UINT32, PELMORA_FILL_FLOAT)
#undef PELMORA_FILL_FLOAT
#undef PELMORA_FILL_UINT32
#undef PELMORA_FILL
  return record;
}

inline Record empty_record()
{
  return Record(pelmora__msg__Features__create(), pelmora__msg__Features__destroy);
}

inline std::vector<uint8_t> written_bytes(const eprosima::fastcdr::FastBuffer & buffer, const Cdr & cdr)
{
  const auto * begin = reinterpret_cast<const uint8_t *>(buffer.getBuffer());
  return {begin, begin + cdr.getSerializedDataLength()};
}

// The CDR bytes that the C type support writes for `message` from position 0.
inline std::vector<uint8_t> encode(const void * message, Cdr::Endianness order = kLittle)
{
  eprosima::fastcdr::FastBuffer buffer;
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  if (!cdr_callbacks().cdr_serialize(message, cdr)) {
    throw std::runtime_error("encoding failed");
  }
  return written_bytes(buffer, cdr);
}

// Decodes a copy of `bytes`, so that Fast-CDR can read only what it is given.
inline bool decode(const std::vector<uint8_t> & bytes, void * message, Cdr::Endianness order = kLittle)
{
  std::vector<char> copy(bytes.begin(), bytes.end());
  eprosima::fastcdr::FastBuffer buffer(copy.data(), copy.size());
  Cdr cdr(buffer, order, Cdr::DDS_CDR);
  return cdr_callbacks().cdr_deserialize(cdr, message);
}

// Everything written to file descriptor 2 between construction and text().
class StderrCapture
{
public:
  StderrCapture()
  : file_(std::tmpfile()), saved_(dup(2))
  {
    dup2(fileno(file_), 2);
  }

  ~StderrCapture()
  {
    text();
    std::fclose(file_);
  }

  std::string text()
  {
    if (saved_ >= 0) {
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
    }
    std::fseek(file_, 0, SEEK_END);
    std::string text(static_cast<size_t>(std::ftell(file_)), '\0');
    std::rewind(file_);
    text.resize(std::fread(&text[0], 1, text.size(), file_));
    return text;
  }

private:
  FILE * file_;
  int saved_;
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__C_TYPESUPPORT_SUPPORT_HPP_
