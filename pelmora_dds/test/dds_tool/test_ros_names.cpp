// ROS topic names as users write them: the DDS topic each one becomes, and
// the reason each invalid one is refused.
#include <gtest/gtest.h>

#include <string>

#include "pelmora_dds/ros_names.hpp"

namespace
{

using pelmora_dds::qualify_topic_name;

std::string dds_name_of(const std::string & name)
{
  std::string qualified;
  const std::string why = qualify_topic_name(name, &qualified);
  return why.empty() ? pelmora_dds::dds_topic_name(qualified) : "refused: " + why;
}

std::string refusal(const std::string & name)
{
  std::string qualified = "untouched";
  const std::string why = qualify_topic_name(name, &qualified);
  EXPECT_EQ(qualified, "untouched") << name;
  return why;
}

TEST(RosTopicNames, RelativeAndAbsoluteNamesMapToTheRtPrefixedDdsTopic)
{
  EXPECT_EQ(dds_name_of("features"), "rt/features");
  EXPECT_EQ(dds_name_of("/features"), "rt/features");
  EXPECT_EQ(dds_name_of("/ns/features"), "rt/ns/features");
  EXPECT_EQ(dds_name_of("ns/features"), "rt/ns/features");
  EXPECT_EQ(dds_name_of("/_hidden/x_1"), "rt/_hidden/x_1");
  EXPECT_EQ(dds_name_of("/A/b9"), "rt/A/b9");
}

TEST(RosTopicNames, InvalidNamesAreRefusedWithTheReason)
{
  EXPECT_NE(refusal("").find("empty"), std::string::npos);
  EXPECT_NE(refusal("/").find("end with '/'"), std::string::npos);
  EXPECT_NE(refusal("features/").find("end with '/'"), std::string::npos);
  EXPECT_NE(refusal("/ns//features").find("'//'"), std::string::npos);
  EXPECT_NE(refusal("9lives").find("starts with a digit"), std::string::npos);
  EXPECT_NE(refusal("/ns/2d").find("token '2d'"), std::string::npos);
  EXPECT_NE(refusal("/a b").find("' ' at position 2"), std::string::npos);
  EXPECT_NE(refusal("/a-b").find("'-'"), std::string::npos);
  EXPECT_NE(refusal("/caf\xc3\xa9").find("position 4"), std::string::npos);
}

TEST(RosTopicNames, NamesThatNeedANodeAreRefused)
{
  EXPECT_NE(refusal("~/features").find("needs a node"), std::string::npos);
  EXPECT_NE(refusal("~").find("needs a node"), std::string::npos);
  EXPECT_NE(refusal("{node}/features").find("needs a node"), std::string::npos);
  // '~' anywhere but first is no private name, just a wrong character.
  EXPECT_NE(refusal("/a~").find("'~'"), std::string::npos);
}

TEST(RosTopicNames, LengthLimitCountsTheFullyQualifiedName)
{
  const std::string longest = "/" + std::string(246, 'a');  // 247 with the slash
  EXPECT_EQ(dds_name_of(longest), "rt" + longest);
  // A relative name gains its slash before it is measured.
  EXPECT_EQ(dds_name_of(std::string(246, 'a')), "rt/" + std::string(246, 'a'));
  EXPECT_NE(refusal(std::string(247, 'a')).find("248 characters"), std::string::npos);
  EXPECT_NE(refusal("/" + std::string(247, 'a')).find("at most 247"), std::string::npos);
}

}  // namespace
