// Payloads a hostile or broken writer may send, handed to the Fast-DDS topic
// type exactly as the middleware hands them over, with the C and the C++
// type support behind it: every malformed one is refused and reported once
// with the reason computed beside the vectors, every good one decodes, and
// bytes behind a complete message are ignored.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <fastdds/rtps/common/SerializedPayload.h>

#include "hostile_payloads.hpp"
#include "payload_check.hpp"
#include "fastdds/callbacks_type.hpp"
#include "side_topic_type.hpp"

namespace
{

using eprosima::fastrtps::rtps::SerializedPayload_t;
using pelmora_tests::HostilePayload;

const std::vector<HostilePayload> & payloads()
{
  static const auto loaded = pelmora_tests::load_hostile_payloads(PELMORA_HOSTILE_PAYLOADS_FILE);
  return loaded;
}

using pelmora_tests::load;

TEST(HostilePayloads, TheSetCoversWhatAWriterCanGetWrong)
{
  size_t drops = 0;
  size_t tails = 0;
  for (const auto & p : payloads()) {
    drops += p.accept ? 0 : 1;
    tails += p.name.rfind("trailing_", 0) == 0 ? 1 : 0;
  }
  // 3 bytes, 4 encapsulations, 17 cuts, 3 lying lengths in each of the 8
  // sequences, 0 bytes; good payloads between them and 3 with a tail.
  EXPECT_EQ(drops, 1u + 4u + 17u + 24u + 1u);
  EXPECT_EQ(tails, 3u);
  EXPECT_EQ(payloads().size(), 2u + 2 * (drops - 1) + tails + 1);
}

TEST(HostilePayloads, TheReadingNamesTheFieldAndTheNumbersOfEveryFault)
{
  for (const auto & p : payloads()) {
    const auto check = pelmora_dds::check_payload(p.bytes.data(), p.bytes.size());
    EXPECT_EQ(check.well_formed, p.accept) << p.name;
    EXPECT_EQ(check.reason, p.reason) << p.name;
  }
}

class HostileDecodeTest : public pelmora_tests::SideTopicTypeTest
{
protected:
  void SetUp() override
  {
    SideTopicTypeTest::SetUp();
    ASSERT_NE(type_, nullptr);
    type_->set_drop_observer(
      [this](const uint8_t * data, uint32_t size, const std::string & said) {
        reports_.push_back({std::vector<uint8_t>(data, data + size), said});
      });
  }

  struct Report
  {
    std::vector<uint8_t> bytes;
    std::string decoder_said;
  };

  std::vector<Report> reports_;
};

// One message decodes every payload in turn, as a reader's take does: a
// refused payload must leave nothing behind that spoils the next one.
TEST_P(HostileDecodeTest, MalformedPayloadsAreRefusedOnceAndGoodOnesBetweenThemDecode)
{
  void * message = side_->create();
  uint64_t expected_drops = 0;
  for (const auto & p : payloads()) {
    SerializedPayload_t payload;
    load(payload, p.bytes);
    const size_t reports_before = reports_.size();
    const bool decoded = type_->deserialize(&payload, message);
    ASSERT_EQ(decoded, p.accept) << p.name;
    if (p.accept) {
      const auto view = side_->view(message);
      EXPECT_EQ(view.keypointnumber, p.keypointnumber) << p.name;
      EXPECT_EQ(view.descriptorsize, p.descriptorsize) << p.name;
      EXPECT_EQ(view.sequences[0].size, 2u) << p.name;  // descriptor
      EXPECT_EQ(view.sequences[6].size, 2u) << p.name;  // y
      EXPECT_EQ(reports_.size(), reports_before) << p.name;
      continue;
    }
    ++expected_drops;
    ASSERT_EQ(reports_.size(), reports_before + 1) << p.name;
    EXPECT_EQ(reports_.back().bytes, p.bytes) << p.name;
    EXPECT_FALSE(reports_.back().decoder_said.empty()) << p.name;
    // What the reader prints comes from the refused bytes themselves.
    EXPECT_EQ(pelmora_dds::check_payload(reports_.back().bytes.data(), reports_.back().bytes.size()).reason,
      p.reason) << p.name;
  }
  EXPECT_EQ(type_->dropped(), expected_drops);
  side_->destroy(message);
}

INSTANTIATE_TEST_SUITE_P(Sides, HostileDecodeTest, ::testing::Values("c", "cpp"));

}  // namespace
