// The introspection handle is completed by the first call of its function.
// Each test loads the library afresh and finds the handle in its writable
// data before anything has called that function.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_introspection_c/identifier.h"

namespace
{

// A full path: under a sanitizer dlopen is called from the sanitizer's
// runtime, whose search path does not lead to the build tree.
constexpr const char * kLibrary = PELMORA_INTROSPECTION_C_LIBRARY;
using HandleFunction = const rosidl_message_type_support_t *();

struct Search
{
  uintptr_t base;
  std::vector<const rosidl_message_type_support_t *> found;
};

// Records every handle-shaped triple (no identifier, some data, the runtime's
// look-up function) in the writable segments of the object loaded at `base`.
// The scan crosses the red zones that AddressSanitizer puts between globals.
__attribute__((no_sanitize("address")))
int find_unset_handles(dl_phdr_info * info, size_t, void * context)
{
  auto * search = static_cast<Search *>(context);
  if (info->dlpi_addr != search->base) {
    return 0;
  }
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr) & segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_W)) {
      continue;
    }
    const auto * words = reinterpret_cast<void * const *>(info->dlpi_addr + segment.p_vaddr);
    const size_t count = segment.p_memsz / sizeof(void *);
    for (size_t w = 0; w + 2 < count; ++w) {
      if (!words[w] && words[w + 1] &&
        words[w + 2] == reinterpret_cast<void *>(&get_message_typesupport_handle_function))
      {
        search->found.push_back(reinterpret_cast<const rosidl_message_type_support_t *>(words + w));
      }
    }
  }
  return 1;
}

class IntrospectionFirstCall : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_EQ(dlopen(kLibrary, RTLD_LAZY | RTLD_NOLOAD), nullptr) << "already loaded";
    library_ = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    handle_function_ = reinterpret_cast<HandleFunction *>(dlsym(library_,
      "rosidl_typesupport_introspection_c__get_message_type_support_handle__pelmora__msg__Features"));
    ASSERT_NE(handle_function_, nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void *>(handle_function_), &info), 0);
    Search search{reinterpret_cast<uintptr_t>(info.dli_fbase), {}};
    dl_iterate_phdr(find_unset_handles, &search);
    unset_handles_ = search.found;
  }

  void TearDown() override
  {
    if (library_) {
      dlclose(library_);  // the next test loads a fresh image
    }
  }

  // True when `handle` was found with no identifier before any call.
  bool was_unset(const rosidl_message_type_support_t * handle) const
  {
    for (const auto * candidate : unset_handles_) {
      if (candidate == handle) {
        return true;
      }
    }
    return false;
  }

  void * library_ = nullptr;
  HandleFunction * handle_function_ = nullptr;
  std::vector<const rosidl_message_type_support_t *> unset_handles_;
};

TEST_F(IntrospectionFirstCall, IdentifierIsNullUntilTheFirstCallThenTheDependencysPointer)
{
  const rosidl_message_type_support_t * handle = handle_function_();
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(was_unset(handle));
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_introspection_c__identifier);
  EXPECT_EQ(handle_function_(), handle);
  EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_introspection_c__identifier);
}

TEST_F(IntrospectionFirstCall, TwoThreadsCallingFirstGetTheSameCompleteHandle)
{
  std::atomic<bool> go{false};
  const rosidl_message_type_support_t * handles[2] = {nullptr, nullptr};
  const char * identifiers[2] = {nullptr, nullptr};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) {
      }
      handles[t] = handle_function_();
      identifiers[t] = handles[t]->typesupport_identifier;
    });
  }
  go = true;
  for (auto & thread : threads) {
    thread.join();
  }
  EXPECT_TRUE(was_unset(handles[0]));
  EXPECT_EQ(handles[0], handles[1]);
  EXPECT_EQ(identifiers[0], rosidl_typesupport_introspection_c__identifier);
  EXPECT_EQ(identifiers[1], rosidl_typesupport_introspection_c__identifier);
}

}  // namespace
