// Threads that make the very first calls of the introspection handle
// functions at the same moment, then walk the member tables and build,
// resize and destroy their own messages through them.
// CTest runs every test here in a process of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../c_typesupport/features_members.hpp"
#include "concurrency_support.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_c.h"
#include "pelmora/msg/detail/features__rosidl_typesupport_introspection_cpp.hpp"
#include "rosidl_typesupport_introspection_c/identifier.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "rosidl_typesupport_introspection_cpp/identifier.hpp"
#include "rosidl_typesupport_introspection_cpp/message_introspection.hpp"

namespace pelmora_hostile
{
namespace
{

using pelmora_tests::kFeaturesMembers;
using pelmora_tests::kMemberCount;

// Walks a members record of either language: names in order, and each
// sequence resized to (thread + 3) elements in a message of the thread's own.
template<typename Members, typename Initialization>
std::string use_members(const Members & members, Initialization all, int thread)
{
  if (members.member_count_ != kMemberCount) {
    return "member count " + std::to_string(members.member_count_);
  }
  std::vector<unsigned char> storage(members.size_of_);
  void * message = storage.data();
  members.init_function(message, all);
  std::string problem;
  for (uint32_t i = 0; i < kMemberCount && problem.empty(); ++i) {
    const auto & member = members.members_[i];
    if (std::strcmp(member.name_, kFeaturesMembers[i].name) != 0) {
      problem = std::string("member ") + std::to_string(i) + " is " + member.name_;
    } else if (member.is_array_) {
      void * field = static_cast<unsigned char *>(message) + member.offset_;
      const size_t wanted = static_cast<size_t>(thread) + 3;
      member.resize_function(field, wanted);
      if (member.size_function(field) != wanted) {
        problem = std::string(member.name_) + " was not resized";
      }
    }
  }
  members.fini_function(message);
  return problem;
}

TEST(ConcurrentFirstIntrospection, RacingFirstCallsGetOneCompleteHandleInEachLanguage)
{
  const rosidl_message_type_support_t * c_handles[kThreadCount] = {};
  const rosidl_message_type_support_t * cpp_handles[kThreadCount] = {};
  const auto complaints = race([&](int thread) -> std::string {
      c_handles[thread] =
      rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features();
      cpp_handles[thread] =
      rosidl_typesupport_introspection_cpp__get_message_type_support_handle__pelmora__msg__Features();
      if (c_handles[thread]->typesupport_identifier != rosidl_typesupport_introspection_c__identifier) {
        return "the C handle came back without its identifier";
      }
      if (cpp_handles[thread]->typesupport_identifier !=
      rosidl_typesupport_introspection_cpp::typesupport_identifier)
      {
        return "the C++ handle came back without its identifier";
      }
      std::string problem = use_members(*static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(
        c_handles[thread]->data), ROSIDL_RUNTIME_C_MSG_INIT_ALL, thread);
      if (problem.empty()) {
        problem = use_members(*static_cast<const rosidl_typesupport_introspection_cpp::MessageMembers *>(
          cpp_handles[thread]->data), rosidl_runtime_cpp::MessageInitialization::ALL, thread);
      }
      return problem;
    });
  EXPECT_EQ(joined(complaints), "");
  for (int thread = 1; thread < kThreadCount; ++thread) {
    EXPECT_EQ(c_handles[thread], c_handles[0]);
    EXPECT_EQ(cpp_handles[thread], cpp_handles[0]);
  }
}

}  // namespace
}  // namespace pelmora_hostile
