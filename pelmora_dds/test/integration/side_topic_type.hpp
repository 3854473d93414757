// What the adapter's topic-type tests share: a fixture holding one side's
// (C or C++, the test parameter) CallbacksTopicType, and a payload loader.
#ifndef PELMORA_TESTS__INTEGRATION__SIDE_TOPIC_TYPE_HPP_
#define PELMORA_TESTS__INTEGRATION__SIDE_TOPIC_TYPE_HPP_

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fastdds/rtps/common/SerializedPayload.h>

#include "cdr_identifier.hpp"
#include "fastdds/callbacks_type.hpp"
#include "sides.hpp"

namespace pelmora_tests
{

/// `bytes` as the whole of `payload`, as a reader receives them.
inline void load(eprosima::fastrtps::rtps::SerializedPayload_t & payload, const std::vector<uint8_t> & bytes)
{
  payload.reserve(static_cast<uint32_t>(bytes.size()));
  if (!bytes.empty()) {
    std::memcpy(payload.data, bytes.data(), bytes.size());
  }
  payload.length = static_cast<uint32_t>(bytes.size());
}

/// Parameter "c" or "cpp": the side and its topic type, from the side's
/// dispatcher as the adapter resolves it.
class SideTopicTypeTest : public ::testing::TestWithParam<const char *>
{
protected:
  void SetUp() override
  {
    side_ = std::string(GetParam()) == "c" ? &pelmora_dds::c_side() : pelmora_dds::cpp_side();
    ASSERT_NE(side_, nullptr);
    std::string error;
    const rosidl_message_type_support_t * ts =
      pelmora_dds::resolve_type_support(side_->dispatcher(), cdr_identifier(*side_).c_str(), &error);
    ASSERT_NE(ts, nullptr) << error;
    type_ = std::make_unique<pelmora_dds::CallbacksTopicType>(ts);
  }

  const pelmora_dds::Side * side_ = nullptr;
  std::unique_ptr<pelmora_dds::CallbacksTopicType> type_;
};

}  // namespace pelmora_tests

#endif  // PELMORA_TESTS__INTEGRATION__SIDE_TOPIC_TYPE_HPP_
