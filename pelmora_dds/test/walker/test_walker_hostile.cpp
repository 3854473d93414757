// Hostile samples: lying length words, truncation, unknown encapsulations.
// Each must fail with a reason, leave the message usable, and never make
// storage larger than the sample. The C++ side counts the allocations the
// decoder makes through a replaced operator new.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "walker_support.hpp"

namespace
{
// Largest allocation while g_counting is set.
bool g_counting = false;
size_t g_largest_allocation = 0;

size_t largest_allocation_in_cpp_decode(const std::vector<uint8_t> & sample, std::string * error);
}

void * operator new(size_t size)
{
  if (g_counting && size > g_largest_allocation) {
    g_largest_allocation = size;
  }
  void * memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

void operator delete(void * memory) noexcept {std::free(memory);}
void operator delete(void * memory, size_t) noexcept {std::free(memory);}

namespace pelmora_tests
{
namespace
{

// The decoder may make storage up to the sample's size; the reason texts it
// builds on failure take up to 128 bytes whatever the sample.
size_t storage_limit(const std::vector<uint8_t> & sample)
{
  return std::max<size_t>(sample.size(), 128);
}

void set_word(std::vector<uint8_t> & sample, size_t body_offset, uint32_t value)
{
  std::memcpy(sample.data() + 4 + body_offset, &value, 4);
}

// Decodes with both codecs; returns the C++ codec's reason (the C codec
// must agree that the sample is bad). The C++ decode must allocate no more
// than the sample's size.
std::string rejected_reason(const std::vector<uint8_t> & sample)
{
  std::string c_error;
  Record record = empty_record();
  EXPECT_FALSE(c_codec().decode(sample.data(), sample.size(), record.get(), &c_error));
  EXPECT_FALSE(c_error.empty());
  EXPECT_EQ(record->descriptor.data, nullptr) << "storage made for a rejected descriptor";

  std::string error;
  EXPECT_LE(largest_allocation_in_cpp_decode(sample, &error), storage_limit(sample));
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(WalkerHostile, LengthWordBeyondTheBytesLeftIsRejectedBeforeStorage)
{
  std::string error;
  const auto worked_example = vector_sample(vector_named("worked_example_48"));
  EXPECT_EQ(largest_allocation_in_cpp_decode(worked_example, &error), 4u)
    << "the counter sees the one-element descriptor " << error;
  for (const uint32_t lie : {0xffffffffu, 0x40000000u, 37u, 10u}) {
    auto sample = worked_example;
    // descriptor's length word; 36 bytes follow it, so 10 words do not fit
    // although 10 bytes would.
    set_word(sample, 8, lie);
    const std::string reason = rejected_reason(sample);
    EXPECT_NE(reason.find("descriptor: length word " + std::to_string(lie)), std::string::npos)
      << reason;
  }
}

TEST(WalkerHostile, EveryTruncationFailsWithAReason)
{
  for (const char * name : {"worked_example_48", "special_floats", "scalar_extremes"}) {
    const auto whole = vector_sample(vector_named(name));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      const std::vector<uint8_t> sample(whole.begin(), whole.begin() + cut);
      std::string c_error, cpp_error;
      Record record = empty_record();
      pelmora::msg::Features message;
      EXPECT_FALSE(c_codec().decode(sample.data(), sample.size(), record.get(), &c_error)) << cut;
      EXPECT_FALSE(cpp_codec().decode(sample.data(), sample.size(), &message, &cpp_error)) << cut;
      EXPECT_EQ(c_error, cpp_error);
      EXPECT_FALSE(cpp_error.empty());
    }
  }
}

TEST(WalkerHostile, UnknownEncapsulationsAreNamed)
{
  const struct {uint8_t b0, b1; const char * text;} kinds[] = {
    {0x00, 0x02, "0x0002"}, {0x00, 0x03, "0x0003"}, {0x00, 0x07, "0x0007"}, {0x01, 0x00, "0x0100"}};
  for (const auto & kind : kinds) {
    auto sample = vector_sample(vector_named("all_empty"));
    sample[0] = kind.b0;
    sample[1] = kind.b1;
    const std::string reason = rejected_reason(sample);
    EXPECT_NE(reason.find(std::string("unknown encapsulation ") + kind.text), std::string::npos)
      << reason;
  }
  EXPECT_NE(rejected_reason({0x00, 0x01, 0x00}).find("no encapsulation header"), std::string::npos);
}

TEST(WalkerHostile, EveryCorruptedWordDecodesOrFailsWithinTheSampleSize)
{
  const auto whole = vector_sample(vector_named("special_floats"));
  for (size_t at = 4; at + 4 <= whole.size(); ++at) {
    for (const uint32_t value : {0xffffffffu, 0x7fffffffu, 0x01000000u, 0x00000100u}) {
      auto sample = whole;
      std::memcpy(sample.data() + at, &value, 4);
      Record record = empty_record();
      (void)c_codec().decode(sample.data(), sample.size(), record.get(), nullptr);
      std::string error;
      EXPECT_LE(largest_allocation_in_cpp_decode(sample, &error), storage_limit(sample))
        << "word at " << at;
    }
  }
}

}  // namespace
}  // namespace pelmora_tests

namespace
{

// The message and the error text are set up first, so that only the
// decoder's own storage is counted (the reason text is short, but the
// string's capacity must not be mistaken for sample storage).
size_t largest_allocation_in_cpp_decode(const std::vector<uint8_t> & sample, std::string * error)
{
  const pelmora_cdr_walker::Codec & codec = pelmora_tests::cpp_codec();
  pelmora::msg::Features message;
  error->reserve(4096);
  g_largest_allocation = 0;
  g_counting = true;
  const bool decoded = codec.decode(sample.data(), sample.size(), &message, error);
  g_counting = false;
  if (decoded) {
    error->clear();
  }
  return g_largest_allocation;
}

}  // namespace
