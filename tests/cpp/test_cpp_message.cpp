// The C++ message type: construction, equality, traits and printing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "pelmora/msg/features.hpp"

namespace
{

using pelmora::msg::Features;
using Init = rosidl_runtime_cpp::MessageInitialization;

// Placement-constructs over memory filled with 0xFF. The compiler barriers
// keep the fill and the later reads in place: a constructor ends the
// lifetime of whatever the memory held, so without them the optimiser may
// drop the fill as dead.
struct OverFilledMemory
{
  template<typename ... Arguments>
  explicit OverFilledMemory(Arguments... arguments)
  {
    std::memset(storage, 0xFF, sizeof(storage));
    asm volatile ("" ::: "memory");
    message = new (storage) Features(arguments ...);
    asm volatile ("" ::: "memory");
  }
  ~OverFilledMemory()
  {
    message->~Features_();
  }

  alignas(Features) unsigned char storage[sizeof(Features)];
  Features * message;
};

void expect_sequences_without_storage(const Features & message)
{
  EXPECT_TRUE(message.descriptor.empty() && message.descriptor.capacity() == 0);
  EXPECT_TRUE(message.uniqueid.empty() && message.uniqueid.capacity() == 0);
  EXPECT_TRUE(message.isrightimage.empty() && message.isrightimage.capacity() == 0);
  EXPECT_TRUE(message.patternzise.empty() && message.patternzise.capacity() == 0);
  EXPECT_TRUE(message.confidence.empty() && message.confidence.capacity() == 0);
  EXPECT_TRUE(message.x.empty() && message.x.capacity() == 0);
  EXPECT_TRUE(message.y.empty() && message.y.capacity() == 0);
  EXPECT_TRUE(message.angle.empty() && message.angle.capacity() == 0);
}

template<typename ... Arguments>
void expect_counts_over_filled_memory(uint32_t counts, Arguments... arguments)
{
  OverFilledMemory memory(arguments ...);
  EXPECT_EQ(memory.message->keypointnumber, counts);
  EXPECT_EQ(memory.message->descriptorsize, counts);
  expect_sequences_without_storage(*memory.message);
}

TEST(CppMessage, AllAndZeroClearTheCountsAndStartEmpty)
{
  expect_counts_over_filled_memory(0u, Init::ALL);
  expect_counts_over_filled_memory(0u, Init::ZERO);
  Features by_default;
  EXPECT_EQ(by_default.keypointnumber, 0u);
  EXPECT_EQ(by_default.descriptorsize, 0u);
  expect_sequences_without_storage(by_default);
}

TEST(CppMessage, SkipAndDefaultsOnlyLeaveTheCountsUnwritten)
{
  expect_counts_over_filled_memory(0xFFFFFFFFu, Init::SKIP);
  expect_counts_over_filled_memory(0xFFFFFFFFu, Init::DEFAULTS_ONLY);
}

TEST(CppMessage, AllocatorConstructorBuildsTheSameMessage)
{
  const std::allocator<void> allocator;
  Features with_allocator(allocator);
  EXPECT_EQ(with_allocator, Features());
  expect_sequences_without_storage(with_allocator);
  expect_counts_over_filled_memory(0xFFFFFFFFu, allocator, Init::SKIP);
  expect_counts_over_filled_memory(0u, allocator, Init::ZERO);
}

TEST(CppMessage, EqualityComparesEveryMember)
{
  Features base;
  base.descriptor = {3, 4, 5};
  base.x = {0.5f, -2.0f};
  const Features copy = base;
  EXPECT_TRUE(copy == base);
  EXPECT_FALSE(copy != base);

  // One change per member, each must make the messages differ.
  const std::vector<void (*)(Features &)> changes = {
    [](Features & m) {m.keypointnumber = 1;},
    [](Features & m) {m.descriptorsize = 1;},
    [](Features & m) {m.descriptor[2] = 6;},
    [](Features & m) {m.uniqueid.push_back(0);},
    [](Features & m) {m.isrightimage.push_back(1);},
    [](Features & m) {m.patternzise.push_back(2);},
    [](Features & m) {m.confidence.push_back(3);},
    [](Features & m) {m.x.pop_back();},
    [](Features & m) {m.y.push_back(0.0f);},
    [](Features & m) {m.angle.push_back(1.0f);},
  };
  for (size_t i = 0; i < changes.size(); ++i) {
    Features changed = base;
    changes[i](changed);
    EXPECT_TRUE(changed != base) << "member " << i;
    EXPECT_FALSE(changed == base) << "member " << i;
  }
}

TEST(CppMessage, SequencesHaveIndependentLengthsAndCountsAreNotChecked)
{
  Features message;
  message.keypointnumber = 5;
  message.descriptor = {1, 2, 3};
  message.x = {1.0f, 2.0f};
  const Features copy = message;
  EXPECT_EQ(copy, message);
  EXPECT_EQ(copy.descriptor.size(), 3u);
  EXPECT_TRUE(copy.angle.empty());
}

TEST(CppMessage, TraitsDescribeAnUnboundedMessage)
{
  EXPECT_TRUE(rosidl_generator_traits::is_message<Features>::value);
  EXPECT_FALSE(rosidl_generator_traits::has_fixed_size<Features>::value);
  EXPECT_FALSE(rosidl_generator_traits::has_bounded_size<Features>::value);
  EXPECT_STREQ(rosidl_generator_traits::data_type<Features>(), "pelmora::msg::Features");
  EXPECT_STREQ(rosidl_generator_traits::name<Features>(), "pelmora/msg/Features");

  static_assert(std::is_same<Features::SharedPtr, std::shared_ptr<Features>>::value, "");
  static_assert(std::is_same<Features::ConstSharedPtr, std::shared_ptr<const Features>>::value, "");
  static_assert(std::is_same<Features::UniquePtr, std::unique_ptr<Features>>::value, "");
  static_assert(
    std::is_same<Features::ConstUniquePtr, std::unique_ptr<const Features>>::value, "");
  static_assert(std::is_same<decltype(Features::descriptor), std::vector<uint32_t>>::value, "");
  static_assert(std::is_same<decltype(Features::angle), std::vector<float>>::value, "");
}

TEST(CppMessage, YamlPrinterShowsEveryMemberInOrder)
{
  Features message;
  message.keypointnumber = 1;
  message.descriptorsize = 32;
  message.descriptor = {7, 8};
  message.x = {1.5f};
  EXPECT_EQ(
    pelmora::msg::to_yaml(message),
    "keypointnumber: 1\n"
    "descriptorsize: 32\n"
    "descriptor:\n"
    "  - 7\n"
    "  - 8\n"
    "uniqueid: []\n"
    "isrightimage: []\n"
    "patternzise: []\n"
    "confidence: []\n"
    "x:\n"
    "  - 1.50000\n"
    "y: []\n"
    "angle: []\n");
  EXPECT_EQ(
    pelmora::msg::to_yaml(message, true),
    "{keypointnumber: 1, descriptorsize: 32, descriptor: [7, 8], uniqueid: [], "
    "isrightimage: [], patternzise: [], confidence: [], x: [1.50000], y: [], angle: []}");
}

}  // namespace
