// The C++ message type: construction, equality, traits and printing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "pelmora/msg/detail/features__fields.hpp"
#include "pelmora/msg/features.hpp"

namespace
{

using pelmora::msg::Features;
using Init = rosidl_runtime_cpp::MessageInitialization;

// Constructs over memory filled with 0xFF and checks both counts and that no
// sequence has storage. The compiler barriers keep the fill and the reads in
// place: a constructor ends the lifetime of what the memory held, so the
// optimiser could otherwise drop the fill as dead.
template<typename ... Arguments>
void expect_construction_over_filled_memory(uint32_t counts, Arguments... arguments)
{
  alignas(Features) unsigned char storage[sizeof(Features)];
  std::memset(storage, 0xFF, sizeof(storage));
  asm volatile ("" ::: "memory");
  Features * message = new (storage) Features(arguments ...);
  asm volatile ("" ::: "memory");
  EXPECT_EQ(message->keypointnumber, counts);
  EXPECT_EQ(message->descriptorsize, counts);
  size_t capacity = 0;
#define PELMORA_ADD_CAPACITY(name, element) capacity += message->name.capacity();
  PELMORA__MSG__FEATURES__MEMBERS(PELMORA__MSG__FEATURES__IGNORE, PELMORA_ADD_CAPACITY)
#undef PELMORA_ADD_CAPACITY
  EXPECT_EQ(capacity, 0u);
  message->~Features_();
}

TEST(CppMessage, ConstructionSetsCountsOnlyForAllAndZero)
{
  const std::allocator<void> allocator;
  for (Init init : {Init::ALL, Init::ZERO}) {
    expect_construction_over_filled_memory(0u, init);
    expect_construction_over_filled_memory(0u, allocator, init);
  }
  for (Init init : {Init::SKIP, Init::DEFAULTS_ONLY}) {
    expect_construction_over_filled_memory(0xFFFFFFFFu, init);
    expect_construction_over_filled_memory(0xFFFFFFFFu, allocator, init);
  }
  expect_construction_over_filled_memory(0u);
}

TEST(CppMessage, EqualityComparesEveryMember)
{
  Features base;
  base.keypointnumber = 5;  // no relation to any length is required
  base.descriptor = {3, 4, 5};
  base.x = {0.5f, -2.0f};
  EXPECT_TRUE(Features(base) == base);
  EXPECT_FALSE(Features(base) != base);
  const std::vector<void (*)(Features &)> changes = {
    [](Features & m) {m.keypointnumber = 1;}, [](Features & m) {m.descriptorsize = 1;},
    [](Features & m) {m.descriptor[2] = 6;}, [](Features & m) {m.uniqueid.push_back(0);},
    [](Features & m) {m.isrightimage = {1};}, [](Features & m) {m.patternzise = {2};},
    [](Features & m) {m.confidence = {3};}, [](Features & m) {m.x.pop_back();},
    [](Features & m) {m.y = {0.0f};}, [](Features & m) {m.angle = {1.0f};},
  };
  for (size_t i = 0; i < changes.size(); ++i) {
    Features changed = base;
    changes[i](changed);
    EXPECT_TRUE(changed != base && !(changed == base)) << "member " << i;
  }
}

TEST(CppMessage, TraitsAndPrinterDescribeTheMessage)
{
  EXPECT_TRUE(rosidl_generator_traits::is_message<Features>::value);
  EXPECT_FALSE(rosidl_generator_traits::has_fixed_size<Features>::value);
  EXPECT_FALSE(rosidl_generator_traits::has_bounded_size<Features>::value);
  EXPECT_STREQ(rosidl_generator_traits::data_type<Features>(), "pelmora::msg::Features");
  EXPECT_STREQ(rosidl_generator_traits::name<Features>(), "pelmora/msg/Features");
  static_assert(std::is_same<Features::ConstSharedPtr, std::shared_ptr<const Features>>::value, "");
  static_assert(std::is_same<Features::UniquePtr, std::unique_ptr<Features>>::value, "");
  static_assert(std::is_same<decltype(Features::isrightimage), std::vector<uint32_t>>::value, "");
  static_assert(std::is_same<decltype(Features::angle), std::vector<float>>::value, "");

  Features message;
  message.keypointnumber = 1;
  message.descriptorsize = 32;
  message.descriptor = {7, 8};
  message.x = {1.5f};
  EXPECT_EQ(
    pelmora::msg::to_yaml(message),
    "keypointnumber: 1\ndescriptorsize: 32\ndescriptor:\n  - 7\n  - 8\nuniqueid: []\n"
    "isrightimage: []\npatternzise: []\nconfidence: []\nx:\n  - 1.50000\ny: []\nangle: []\n");
  EXPECT_EQ(
    pelmora::msg::to_yaml(message, true),
    "{keypointnumber: 1, descriptorsize: 32, descriptor: [7, 8], uniqueid: [], "
    "isrightimage: [], patternzise: [], confidence: [], x: [1.50000], y: [], angle: []}");
}

}  // namespace
