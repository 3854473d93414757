#include "fastdds/callbacks_type.hpp"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <fastcdr/exceptions/Exception.h>
#include <fastdds/rtps/common/SerializedPayload.h>

namespace pelmora_dds
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
using eprosima::fastrtps::rtps::SerializedPayload_t;

CallbacksTopicType::CallbacksTopicType(
  const rosidl_message_type_support_t * type_support, MessageFactory factory)
: callbacks_(static_cast<const message_type_support_callbacks_t *>(type_support->data)),
  factory_(factory)
{
  setName(dds_type_name(callbacks_).c_str());
  m_isGetKeyDefined = false;

  char bounds_info = 0;
  const size_t max_size = callbacks_->max_serialized_size(bounds_info);
  bounded_ = (bounds_info & 1) != 0;
  // The maximum seeds the payload pools. Fast-DDS 2.9 cannot create a writer
  // for a type size of 0, and for an unbounded type pools grow past it on
  // demand (the writer asks getSerializedSizeProvider for every sample).
  const size_t limit = std::numeric_limits<uint32_t>::max() - kEncapsulationBytes;
  m_typeSize = static_cast<uint32_t>(kEncapsulationBytes + (max_size < limit ? max_size : limit));
}

uint32_t CallbacksTopicType::payload_size(const void * message) const
{
  const uint64_t body = callbacks_->get_serialized_size(message);
  const uint64_t total = kEncapsulationBytes + body;
  return total > std::numeric_limits<uint32_t>::max() ?
         std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(total);
}

std::function<uint32_t()> CallbacksTopicType::getSerializedSizeProvider(void * data)
{
  return [this, data]() {return payload_size(data);};
}

bool CallbacksTopicType::serialize(void * data, SerializedPayload_t * payload)
{
  // Fast-DDS sized the payload from getSerializedSizeProvider; the buffer is
  // never grown here: a type support that writes more than it announced runs
  // into the end of the buffer and the sample is refused.
  if (payload->max_size < kEncapsulationBytes) {
    return false;
  }
  const bool little = Cdr::DEFAULT_ENDIAN == Cdr::LITTLE_ENDIANNESS;
  payload->data[0] = 0x00;
  payload->data[1] = little ? 0x01 : 0x00;
  payload->data[2] = 0x00;
  payload->data[3] = 0x00;
  payload->encapsulation = little ? CDR_LE : CDR_BE;

  FastBuffer buffer(
    reinterpret_cast<char *>(payload->data + kEncapsulationBytes),
    payload->max_size - kEncapsulationBytes);
  Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::CORBA_CDR);
  try {
    if (!callbacks_->cdr_serialize(data, cdr)) {
      return false;
    }
  } catch (const eprosima::fastcdr::exception::Exception &) {
    return false;
  }
  payload->length = static_cast<uint32_t>(kEncapsulationBytes + cdr.getSerializedDataLength());
  return true;
}

bool CallbacksTopicType::deserialize(SerializedPayload_t * payload, void * data)
{
  if (capture_ != nullptr) {
    capture_->assign(payload->data, payload->data + payload->length);
    return true;
  }
  if (payload->length < kEncapsulationBytes) {
    return drop(*payload, "no encapsulation header");
  }
  if (payload->data[0] != 0x00 || payload->data[1] > 0x01) {
    char id[48];
    std::snprintf(id, sizeof(id), "unknown encapsulation 0x%02x%02x", payload->data[0], payload->data[1]);
    return drop(*payload, id);
  }
  const Cdr::Endianness endianness =
    payload->data[1] == 0x01 ? Cdr::LITTLE_ENDIANNESS : Cdr::BIG_ENDIANNESS;
  FastBuffer buffer(
    reinterpret_cast<char *>(payload->data + kEncapsulationBytes),
    payload->length - kEncapsulationBytes);
  Cdr cdr(buffer, endianness, Cdr::CORBA_CDR);
  try {
    // Bytes behind the message are left unread: CDR readers stop at the
    // last member, and the header's options may announce padding there.
    return callbacks_->cdr_deserialize(cdr, data) || drop(*payload, "the type support refused it");
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    return drop(*payload, e.what());
  } catch (const std::bad_alloc &) {
    return drop(*payload, "out of memory");
  }
}

bool CallbacksTopicType::drop(const SerializedPayload_t & payload, const std::string & why)
{
  ++dropped_;
  if (drop_observer_) {
    drop_observer_(payload.data, payload.length, why);
  } else {
    std::fprintf(stderr, "dropped a malformed sample of %u bytes: %s\n", payload.length, why.c_str());
  }
  return false;
}

void * CallbacksTopicType::createData()
{
  return factory_.create != nullptr ? factory_.create() : nullptr;
}

void CallbacksTopicType::deleteData(void * data)
{
  if (factory_.destroy != nullptr) {
    factory_.destroy(data);
  }
}

bool CallbacksTopicType::getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool)
{
  return false;  // ROS topics are keyless
}

}  // namespace pelmora_dds
