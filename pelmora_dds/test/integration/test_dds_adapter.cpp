// The Fast-DDS topic type over the C and the C++ type supports, reached
// through the dispatchers as a middleware reaches them, checked against the
// shared wire vectors; and one writer-to-reader trip through shared memory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <fastdds/rtps/common/SerializedPayload.h>

#include "c_record.hpp"
#include "cdr_identifier.hpp"
#include "cpp_message.hpp"
#include "fastdds/callbacks_type.hpp"
#include "features_content.hpp"
#include "features_size.hpp"
#include "features_vectors.hpp"
#include "pelmora/msg/features.h"
#include "pelmora/msg/features.hpp"
#include "pelmora_dds/endpoint.hpp"
#include "side_topic_type.hpp"
#include "sides.hpp"

namespace
{

using eprosima::fastrtps::rtps::SerializedPayload_t;
using pelmora_dds::CallbacksTopicType;
using pelmora_dds::Message;
using pelmora_dds::Side;
using pelmora_tests::FeaturesVector;

using pelmora_tests::vectors;

// Writes a vector's values into a message of either language.
void set_from_vector(const Side & side, void * message, const FeaturesVector & v)
{
  if (std::string(side.name) == "c") {
    pelmora_tests::fill_record(*static_cast<pelmora__msg__Features *>(message), v);
  } else {
    pelmora_tests::assign(*static_cast<pelmora::msg::Features *>(message), v);
  }
}

// What a message of either language holds, floats as their bits.
pelmora_tests::FeaturesWords words_in(const Side & side, const void * message)
{
  if (std::string(side.name) == "c") {
    return pelmora_tests::words_of(*static_cast<const pelmora__msg__Features *>(message));
  }
  return pelmora_tests::words_of(*static_cast<const pelmora::msg::Features *>(message));
}

std::vector<uint8_t> bytes_of(const SerializedPayload_t & payload)
{
  return std::vector<uint8_t>(payload.data, payload.data + payload.length);
}

std::vector<uint8_t> with_header(uint8_t representation, const std::vector<uint8_t> & body)
{
  std::vector<uint8_t> bytes(4 + body.size());
  bytes[1] = representation;
  std::copy(body.begin(), body.end(), bytes.begin() + 4);
  return bytes;
}

using pelmora_tests::load;

class TopicTypeTest : public pelmora_tests::SideTopicTypeTest
{
protected:

  // Serializes as a DataWriter does: a payload of the announced size.
  bool serialize(void * message, SerializedPayload_t & payload, uint32_t room)
  {
    payload.reserve(room);
    return type_->serialize(message, &payload);
  }
};

TEST_P(TopicTypeTest, RegistersUnderTheRosDdsTypeName)
{
  EXPECT_STREQ(type_->getName(), "pelmora::msg::dds_::Features_");
  EXPECT_FALSE(type_->m_isGetKeyDefined);
}

TEST_P(TopicTypeTest, TypeSizeIsHeaderPlusMaximumAndTheTypeIsUnbounded)
{
  EXPECT_EQ(type_->m_typeSize, 44u);
  EXPECT_FALSE(type_->is_bounded());
  EXPECT_FALSE(type_->is_plain());
}

TEST_P(TopicTypeTest, PayloadIsLittleEndianHeaderThenTheVectorBytes)
{
  for (const FeaturesVector & v : vectors()) {
    Message message(*side_);
    set_from_vector(*side_, message.ptr, v);
    const uint32_t size = type_->getSerializedSizeProvider(message.ptr)();
    ASSERT_EQ(size, 4 + v.little_endian.size()) << v.name;
    SerializedPayload_t payload;
    ASSERT_TRUE(serialize(message.ptr, payload, size)) << v.name;
    EXPECT_EQ(bytes_of(payload), with_header(0x01, v.little_endian)) << v.name;
    EXPECT_EQ(payload.encapsulation, CDR_LE) << v.name;
  }
}

TEST_P(TopicTypeTest, DecodesLittleAndBigEndianPayloadsOfEveryVector)
{
  for (const FeaturesVector & v : vectors()) {
    for (const bool little : {true, false}) {
      SerializedPayload_t payload;
      load(payload, with_header(little ? 0x01 : 0x00, little ? v.little_endian : v.big_endian));
      Message message(*side_);
      ASSERT_TRUE(type_->deserialize(&payload, message.ptr)) << v.name;
      EXPECT_TRUE(words_in(*side_, message.ptr) == v) << v.name << (little ? " LE" : " BE");
    }
  }
}

TEST_P(TopicTypeTest, CapturedPayloadsAreCopiedAsTheyCameUndecodedUntilTheCaptureEnds)
{
  // The last vector big-endian, an unknown representation and a cut body:
  // a serialized take leaves every check to its caller.
  const FeaturesVector & v = vectors().back();
  std::vector<uint8_t> cut = with_header(0x01, v.little_endian);
  cut.resize(cut.size() / 2);
  for (const std::vector<uint8_t> & bytes :
    {with_header(0x00, v.big_endian), with_header(0x07, v.little_endian), cut})
  {
    SerializedPayload_t payload;
    load(payload, bytes);
    std::vector<uint8_t> captured{0xEE};
    type_->capture_payloads(&captured);
    ASSERT_TRUE(type_->deserialize(&payload, &captured));
    EXPECT_EQ(captured, bytes);
    type_->capture_payloads(nullptr);
    Message message(*side_);
    EXPECT_EQ(type_->deserialize(&payload, message.ptr), bytes[1] == 0x00);
  }
  EXPECT_EQ(type_->dropped(), 2u);
}

TEST_P(TopicTypeTest, PayloadSizeOfLargeMessagesIsNotCappedByTheTypeMaximum)
{
  constexpr uint32_t keypoints = 70000;  // 4.2 MB encoded
  Message message(*side_);
  ASSERT_TRUE(side_->fill(message.ptr, 5, 0, keypoints));
  const uint32_t size = type_->getSerializedSizeProvider(message.ptr)();
  EXPECT_EQ(size, 4 + pelmora_tests::keypoints_size(keypoints));
  SerializedPayload_t payload;
  ASSERT_TRUE(serialize(message.ptr, payload, size));
  EXPECT_EQ(payload.length, size);

  Message back(*side_);
  ASSERT_TRUE(type_->deserialize(&payload, back.ptr));
  EXPECT_EQ(pelmora_dds::verify(side_->view(back.ptr), 5), "");
}

TEST_P(TopicTypeTest, SerializeRefusesAPayloadSmallerThanAnnouncedWithoutGrowingIt)
{
  Message message(*side_);
  ASSERT_TRUE(side_->fill(message.ptr, 1, 0, 10));
  const uint32_t size = type_->getSerializedSizeProvider(message.ptr)();
  SerializedPayload_t payload;
  EXPECT_FALSE(serialize(message.ptr, payload, size - 1));
  EXPECT_EQ(payload.max_size, size - 1);
}

TEST_P(TopicTypeTest, DecodeRejectsOtherRepresentationsAndShortPayloads)
{
  const std::vector<uint8_t> body = vectors().at(0).little_endian;
  Message message(*side_);
  for (const uint8_t representation : {0x02, 0x03, 0x10}) {  // PL_CDR_BE, PL_CDR_LE, XCDR2
    SerializedPayload_t payload;
    load(payload, with_header(representation, body));
    EXPECT_FALSE(type_->deserialize(&payload, message.ptr)) << int(representation);
  }
  SerializedPayload_t header_only_part;
  load(header_only_part, {0x00, 0x01, 0x00});
  EXPECT_FALSE(type_->deserialize(&header_only_part, message.ptr));
}

TEST_P(TopicTypeTest, DecodeRejectsATruncatedSample)
{
  Message message(*side_);
  ASSERT_TRUE(side_->fill(message.ptr, 2, 0, 100));
  SerializedPayload_t payload;
  ASSERT_TRUE(serialize(message.ptr, payload, type_->getSerializedSizeProvider(message.ptr)()));
  payload.length -= 200;  // inside the float sequences
  Message back(*side_);
  EXPECT_FALSE(type_->deserialize(&payload, back.ptr));
}

INSTANTIATE_TEST_SUITE_P(Sides, TopicTypeTest, ::testing::Values("c", "cpp"));

TEST(TopicTypes, CAndCppPayloadsOfTheSameSampleAreIdentical)
{
  std::vector<std::vector<uint8_t>> payloads;
  for (const Side * side : {&pelmora_dds::c_side(), pelmora_dds::cpp_side()}) {
    std::string error;
    CallbacksTopicType type(
      pelmora_dds::resolve_type_support(side->dispatcher(), cdr_identifier(*side).c_str(), &error));
    Message message(*side);
    ASSERT_TRUE(side->fill(message.ptr, 9, 3, 1234)) << side->name;
    SerializedPayload_t payload;
    payload.reserve(type.getSerializedSizeProvider(message.ptr)());
    ASSERT_TRUE(type.serialize(message.ptr, &payload)) << side->name;
    payloads.push_back(bytes_of(payload));
  }
  EXPECT_EQ(payloads.at(0), payloads.at(1));
}

TEST(TopicTypes, ResolvingAnUnknownIdentifierFailsWithAReason)
{
  std::string error;
  EXPECT_EQ(
    pelmora_dds::resolve_type_support(
      pelmora_dds::c_side().dispatcher(), "rosidl_typesupport_unknown", &error),
    nullptr);
  EXPECT_NE(error.find("rosidl_typesupport_unknown"), std::string::npos) << error;
}

TEST(Endpoints, AWriterDeliversAFourMegabyteSampleToAReaderOverSharedMemory)
{
  const Side & side = pelmora_dds::c_side();
  std::string error;
  const rosidl_message_type_support_t * ts =
    pelmora_dds::resolve_type_support(side.dispatcher(), cdr_identifier(side).c_str(), &error);
  ASSERT_NE(ts, nullptr) << error;
  pelmora_dds::EndpointOptions options;
  options.domain = PELMORA_DDS_TEST_DOMAIN;
  options.topic = "/adapter_test_" + std::to_string(getpid());
  options.largest_sample = static_cast<uint32_t>(4 + pelmora_tests::keypoints_size(70000));
  options.transport.kind = pelmora_dds::TransportOptions::Kind::shm;
  using Role = pelmora_dds::Endpoint::Role;
  using Status = pelmora_dds::Status;
  auto reader = pelmora_dds::Endpoint::create(Role::reader, ts, options, &error);
  ASSERT_TRUE(reader) << error;
  auto writer = pelmora_dds::Endpoint::create(Role::writer, ts, options, &error);
  ASSERT_TRUE(writer) << error;

  const std::chrono::seconds patience(30);
  ASSERT_EQ(writer->wait_for_peers(1, patience), Status::ok) << writer->last_error();
  for (uint32_t i = 0; i < 3; ++i) {
    Message sample(side);
    ASSERT_TRUE(side.fill(sample.ptr, 11, i, i == 1 ? 70000 : i));
    ASSERT_EQ(writer->write(sample.ptr, patience), Status::ok) << writer->last_error();
  }
  for (uint32_t i = 0; i < 3; ++i) {
    Message got(side);
    ASSERT_EQ(reader->take(got.ptr, patience), Status::ok) << reader->last_error();
    const pelmora_dds::FeaturesView view = side.view(got.ptr);
    // In the order written; the empty sample carries no index.
    EXPECT_EQ(view.keypointnumber, i == 1 ? 70000u : i);
    uint32_t index = 0;
    EXPECT_EQ(pelmora_dds::sample_index(view, &index), i != 0);
    EXPECT_EQ(index, i);
    EXPECT_EQ(pelmora_dds::verify(view, 11), "");
  }
  EXPECT_EQ(writer->wait_acknowledged(patience), Status::ok);
  Message none(side);
  EXPECT_EQ(reader->take(none.ptr, std::chrono::milliseconds(100)), Status::timeout);
}

// A reader's serialized take over every vendor of the build: each sample's
// bytes as they came (header and the vector's bytes), while the decoding
// take on the same reader still decodes.
class SerializedTake : public ::testing::TestWithParam<std::string>
{
protected:
  using Role = pelmora_dds::Endpoint::Role;

  void SetUp() override
  {
    std::string error;
    const rosidl_message_type_support_t * ts = side_.dispatcher();
    pelmora_dds::EndpointOptions options;
    options.vendor = GetParam();
    options.domain = PELMORA_DDS_TEST_DOMAIN;
    options.topic = "/serialized_take_" + GetParam() + "_" + std::to_string(getpid());
    options.qos.history = pelmora_dds::QosOptions::History::keep_all;
    // Nothing leaves the machine: Fast DDS over shared memory, Cyclone DDS
    // (which has none here) over loopback without multicast.
    if (options.vendor == "fastdds") {
      options.transport.kind = pelmora_dds::TransportOptions::Kind::shm;
    } else {
      options.transport.kind = pelmora_dds::TransportOptions::Kind::udp;
      options.transport.localhost_only = true;
    }
    reader_ = pelmora_dds::Endpoint::create(Role::reader, ts, options, &error);
    ASSERT_TRUE(reader_) << error;
    writer_ = pelmora_dds::Endpoint::create(Role::writer, ts, options, &error);
    ASSERT_TRUE(writer_) << error;
    ASSERT_EQ(writer_->wait_for_peers(1, kPatience), Status::ok) << writer_->last_error();
  }

  void write(const FeaturesVector & v)
  {
    Message message(side_);
    set_from_vector(side_, message.ptr, v);
    ASSERT_EQ(writer_->write(message.ptr, kPatience), Status::ok) << writer_->last_error();
  }

  using Status = pelmora_dds::Status;
  static constexpr std::chrono::seconds kPatience{30};
  const Side & side_ = pelmora_dds::c_side();
  std::unique_ptr<pelmora_dds::Endpoint> reader_;
  std::unique_ptr<pelmora_dds::Endpoint> writer_;
};

TEST_P(SerializedTake, HandsOverEverySampleAsItCameAndTakeStillDecodes)
{
  for (const FeaturesVector & v : vectors()) {
    write(v);
  }
  for (const FeaturesVector & v : vectors()) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(reader_->take_serialized(&bytes, kPatience), Status::ok) << reader_->last_error();
    EXPECT_EQ(bytes, with_header(0x01, v.little_endian)) << v.name;
  }
  const FeaturesVector & last = vectors().back();
  write(last);
  Message got(side_);
  ASSERT_EQ(reader_->take(got.ptr, kPatience), Status::ok) << reader_->last_error();
  EXPECT_TRUE(words_in(side_, got.ptr) == last);

  std::vector<uint8_t> none;
  EXPECT_EQ(reader_->take_serialized(&none, std::chrono::milliseconds(100)), Status::timeout);
  EXPECT_EQ(writer_->take_serialized(&none, std::chrono::milliseconds(100)), Status::error);
  EXPECT_EQ(writer_->last_error(), "take on a writer");
}

INSTANTIATE_TEST_SUITE_P(Vendors, SerializedTake, ::testing::ValuesIn(pelmora_dds::vendors()));

}  // namespace
