// A Fast-DDS topic type that moves any ROS message through the callbacks
// record of a Fast-CDR type-support handle, the way a middleware does.
#ifndef PELMORA_DDS__FASTDDS__CALLBACKS_TYPE_HPP_
#define PELMORA_DDS__FASTDDS__CALLBACKS_TYPE_HPP_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <fastdds/dds/topic/TopicDataType.hpp>

#include "pelmora_dds/type_support.hpp"

namespace pelmora_dds
{

/// The topic type. `data` pointers that Fast-DDS hands to it are messages of
/// the language the type support was built for (a C record for
/// "rosidl_typesupport_fastrtps_c", a C++ object for the C++ identifier).
///
/// Only the callbacks record is used: the serialized-size callback plus the
/// encapsulation header sizes each payload; the maximum-size callback gives
/// the initial pool size and, through its bounds byte, whether that maximum
/// is a real bound. An unbounded type's maximum never caps a payload.
class CallbacksTopicType final : public eprosima::fastdds::dds::TopicDataType
{
public:
  /// `type_support` must be a Fast-CDR handle whose data is a
  /// message_type_support_callbacks_t.
  explicit CallbacksTopicType(
    const rosidl_message_type_support_t * type_support, MessageFactory factory = {});

  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override;
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override;
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override;
  void * createData() override;
  void deleteData(void * data) override;
  bool getKey(void * data, eprosima::fastrtps::rtps::InstanceHandle_t * handle, bool force_md5) override;
  bool is_bounded() const override {return bounded_;}

  /// Payload bytes for `message`: header plus serialized size. Saturates at
  /// UINT32_MAX, which no payload can reach, so serialize then fails.
  uint32_t payload_size(const void * message) const;

  /// A refused payload is dropped: Fast-DDS skips it and the reader takes
  /// the next sample. Without an observer, one line on stderr says why.
  void set_drop_observer(DropObserver observer) {drop_observer_ = std::move(observer);}
  /// Payloads refused so far.
  uint64_t dropped() const {return dropped_.load();}

  /// While `bytes` is set, deserialize copies each payload into it as it
  /// came, header included, instead of decoding it into the sample it is
  /// given: a serialized take. Fast DDS deserializes in the thread that
  /// takes, which sets and clears this around its take.
  void capture_payloads(std::vector<uint8_t> * bytes) {capture_ = bytes;}

private:
  bool drop(
    const eprosima::fastrtps::rtps::SerializedPayload_t & payload, const std::string & why);

  const message_type_support_callbacks_t * callbacks_;
  MessageFactory factory_;
  bool bounded_;
  DropObserver drop_observer_;
  std::atomic<uint64_t> dropped_{0};
  std::vector<uint8_t> * capture_ = nullptr;
};

}  // namespace pelmora_dds

#endif  // PELMORA_DDS__FASTDDS__CALLBACKS_TYPE_HPP_
