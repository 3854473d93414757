// The C++ builder pelmora::build<Features>() and the printers that generic
// ROS 2 code calls: rosidl_generator_traits::to_yaml and operator<<.
#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <type_traits>
#include <utility>
#include <vector>

#include "pelmora/msg/features.hpp"

namespace
{

using pelmora::msg::Features;

// has_<field><Step>::value: whether the step offers a call named <field>.
#define PELMORA_TEST_HAS_STEP(field) \
  template<typename Step, typename = void> \
  struct has_ ## field: std::false_type {}; \
  template<typename Step> \
  struct has_ ## field<Step, std::void_t<decltype(std::declval<Step &>().field({}))>> \
    : std::true_type {};
PELMORA_TEST_HAS_STEP(keypointnumber)
PELMORA_TEST_HAS_STEP(descriptorsize)
PELMORA_TEST_HAS_STEP(descriptor)
PELMORA_TEST_HAS_STEP(y)
PELMORA_TEST_HAS_STEP(angle)
#undef PELMORA_TEST_HAS_STEP

using First = decltype(pelmora::build<Features>());
using Second = decltype(std::declval<First &>().keypointnumber(0));
using Ninth = pelmora::msg::builder::Init_Features_y;
using Last = pelmora::msg::builder::Init_Features_angle;

// Each step offers the next field only, so a skipped or reordered field is
// a compile error; nothing before the last step is a message.
static_assert(has_keypointnumber<First>::value && !has_descriptorsize<First>::value, "");
static_assert(!has_angle<First>::value && !has_descriptor<First>::value, "");
static_assert(has_descriptorsize<Second>::value && !has_keypointnumber<Second>::value, "");
static_assert(has_y<Ninth>::value && !has_angle<Ninth>::value, "");
static_assert(!std::is_same<decltype(std::declval<Ninth &>().y({})), Features>::value, "");
static_assert(std::is_same<decltype(std::declval<Last &>().angle({})), Features>::value, "");

TEST(CppBuilder, EveryStepSetsItsOwnField)
{
  const Features built = pelmora::build<Features>()
    .keypointnumber(4294967295u).descriptorsize(32).descriptor({1, 2}).uniqueid({3})
    .isrightimage({0, 1}).patternzise({}).confidence({9}).x({0.5f}).y({-1.5f, 2.0f})
    .angle({3.25f});

  Features expected;
  expected.keypointnumber = 4294967295u;
  expected.descriptorsize = 32;
  expected.descriptor = {1, 2};
  expected.uniqueid = {3};
  expected.isrightimage = {0, 1};
  expected.confidence = {9};
  expected.x = {0.5f};
  expected.y = {-1.5f, 2.0f};
  expected.angle = {3.25f};
  EXPECT_EQ(built, expected);
}

TEST(CppBuilder, SequencesMoveThroughEveryStepWithoutACopy)
{
  std::vector<uint32_t> descriptor(100000, 7);
  std::vector<float> y(100000, 0.5f);
  const uint32_t * descriptor_storage = descriptor.data();
  const float * y_storage = y.data();

  const Features built = pelmora::build<Features>()
    .keypointnumber(1).descriptorsize(2).descriptor(std::move(descriptor)).uniqueid({})
    .isrightimage({}).patternzise({}).confidence({}).x({}).y(std::move(y)).angle({});

  // The first sequence passes through seven further steps, y through one.
  EXPECT_EQ(built.descriptor.data(), descriptor_storage);
  EXPECT_EQ(built.y.data(), y_storage);
  EXPECT_EQ(built.descriptor.size(), 100000u);
}

TEST(CppPrinters, GenericToYamlAndStreamOperatorWriteTheBlockYaml)
{
  Features message;
  message.keypointnumber = 10;
  message.descriptorsize = 255;
  message.uniqueid = {16};
  message.angle = {0.1f};
  const std::string block =
    "keypointnumber: 10\ndescriptorsize: 255\ndescriptor: []\nuniqueid:\n  - 16\n"
    "isrightimage: []\npatternzise: []\nconfidence: []\nx: []\ny: []\nangle:\n  - 0.100000\n";

  EXPECT_EQ(rosidl_generator_traits::to_yaml(message), block);
  std::ostringstream indented;
  rosidl_generator_traits::to_block_style_yaml(message, indented, 2);
  EXPECT_EQ(indented.str().substr(0, 23), "  keypointnumber: 10\n  ");

  // A stream left in hexadecimal, fixed two-digit mode by its owner
  // prints the same text, and keeps its own settings afterwards.
  std::ostringstream stream;
  stream << std::hex << std::fixed << std::setprecision(2);
  stream << message;
  EXPECT_EQ(stream.str(), block);
  stream.str("");
  stream << 255 << ' ' << 0.5;
  EXPECT_EQ(stream.str(), "ff 0.50");
}

}  // namespace
