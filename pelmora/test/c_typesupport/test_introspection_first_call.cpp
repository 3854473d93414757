// The introspection handle is completed by the first call of its function.
// Each test loads the library afresh and finds the handle in its writable
// data before anything has called that function.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_introspection_c/identifier.h"

namespace
{

using Handle = rosidl_message_type_support_t;

struct Search
{
  uintptr_t base;
  std::vector<const Handle *> found;
};

// Collects every handle-shaped triple (no identifier, some data, the
// runtime's look-up function) in the writable segments of the object at
// `base`. The scan crosses the red zones AddressSanitizer puts around globals.
__attribute__((no_sanitize("address")))
int find_unset_handles(dl_phdr_info * info, size_t, void * context)
{
  auto * search = static_cast<Search *>(context);
  for (int i = 0; info->dlpi_addr == search->base && i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr) & segment = info->dlpi_phdr[i];
    const auto * words = reinterpret_cast<void * const *>(info->dlpi_addr + segment.p_vaddr);
    for (size_t w = 0; segment.p_type == PT_LOAD && (segment.p_flags & PF_W) &&
      w + 2 < segment.p_memsz / sizeof(void *); ++w)
    {
      if (!words[w] && words[w + 1] &&
        words[w + 2] == reinterpret_cast<void *>(&get_message_typesupport_handle_function))
      {
        search->found.push_back(reinterpret_cast<const Handle *>(words + w));
      }
    }
  }
  return 0;
}

class IntrospectionFirstCall : public ::testing::Test
{
protected:
  // A full path: under a sanitizer dlopen is called from the sanitizer's
  // runtime, whose search path does not lead to the build tree.
  void SetUp() override
  {
    ASSERT_EQ(dlopen(PELMORA_INTROSPECTION_C_LIBRARY, RTLD_LAZY | RTLD_NOLOAD), nullptr);
    library_ = dlopen(PELMORA_INTROSPECTION_C_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    handle_function_ = reinterpret_cast<const Handle * (*)()>(dlsym(library_,
      "rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features"));
    ASSERT_NE(handle_function_, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void *>(handle_function_), &info), 0);
    search_.base = reinterpret_cast<uintptr_t>(info.dli_fbase);
    dl_iterate_phdr(find_unset_handles, &search_);
  }

  void TearDown() override
  {
    if (library_) {
      dlclose(library_);  // the next test loads a fresh image
    }
  }

  bool was_unset(const Handle * handle) const
  {
    return std::find(search_.found.begin(), search_.found.end(), handle) != search_.found.end();
  }

  void * library_ = nullptr;
  const Handle * (*handle_function_)() = nullptr;
  Search search_{};
};

TEST_F(IntrospectionFirstCall, IdentifierIsNullUntilTheFirstCallThenTheDependencysPointer)
{
  const Handle * handle = handle_function_();
  EXPECT_TRUE(was_unset(handle));
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_introspection_c__identifier);
  EXPECT_EQ(handle_function_(), handle);
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_introspection_c__identifier);
}

TEST_F(IntrospectionFirstCall, TwoThreadsCallingFirstGetTheSameCompleteHandle)
{
  std::atomic<bool> go{false};
  const Handle * handles[2] = {nullptr, nullptr};
  const char * identifiers[2] = {nullptr, nullptr};
  auto first_call = [&](int t) {
      while (!go.load()) {
      }
      handles[t] = handle_function_();
      identifiers[t] = handles[t]->typesupport_identifier;
    };
  std::thread first(first_call, 0);
  std::thread second(first_call, 1);
  go = true;
  first.join();
  second.join();
  EXPECT_TRUE(was_unset(handles[0]));
  EXPECT_EQ(handles[0], handles[1]);
  EXPECT_EQ(identifiers[0], rosidl_typesupport_introspection_c__identifier);
  EXPECT_EQ(identifiers[1], rosidl_typesupport_introspection_c__identifier);
}

}  // namespace
