#include "view_checks.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "c_record.hpp"
#include "cpp_message.hpp"
#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "fastcdr/exceptions/Exception.h"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_c.h"
#include "pelmora_cv/keypoints.hpp"
#include "pelmora_cv/view.hpp"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "stderr_capture.hpp"

namespace pelmora_cv_test
{
namespace
{

using eprosima::fastcdr::Cdr;

const message_type_support_callbacks_t & c_callbacks()
{
  const rosidl_message_type_support_t * handle =
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__pelmora__msg__Features();
  return *static_cast<const message_type_support_callbacks_t *>(handle->data);
}

// The view's fields in kSequenceFields order, as the bytes they point at.
std::array<std::pair<const void *, size_t>, 8> spans_of(const pelmora_cv::FeaturesView & v)
{
  return {{{v.descriptor.data(), v.descriptor.size()}, {v.uniqueid.data(), v.uniqueid.size()},
    {v.isrightimage.data(), v.isrightimage.size()}, {v.patternzise.data(), v.patternzise.size()},
    {v.confidence.data(), v.confidence.size()}, {v.x.data(), v.x.size()}, {v.y.data(), v.y.size()},
    {v.angle.data(), v.angle.size()}}};
}

// "" when `v` holds `words` in spans inside [payload, payload + size), with
// a descriptor Mat on the descriptor's words, or, when `mat_refusal` is not
// empty, descriptors() refusing with that text.
std::string compare(
  const pelmora_cv::FeaturesView & v, const pelmora_tests::FeaturesWords & words,
  const uint8_t * payload, size_t size, const std::string & mat_refusal)
{
  if (v.keypointnumber != words.keypointnumber || v.descriptorsize != words.descriptorsize) {
    return "the counts differ from the decoder's";
  }
  const auto spans = spans_of(v);
  for (size_t k = 0; k < spans.size(); ++k) {
    const auto & [data, count] = spans[k];
    const auto * first = static_cast<const uint8_t *>(data);
    const std::vector<uint32_t> & expected = words.sequences[k];
    if (count != expected.size() || (count > 0 && (first < payload || first + 4 * count > payload + size))) {
      return std::string(pelmora_tests::kSequenceFields[k].name) + " is not a span of the payload";
    }
    if (count > 0 && std::memcmp(first, expected.data(), 4 * count) != 0) {
      return std::string(pelmora_tests::kSequenceFields[k].name) + " holds other elements than decoded";
    }
  }
  cv::Mat rows;
  try {
    rows = v.descriptors();
  } catch (const std::invalid_argument & error) {
    return error.what() == mat_refusal ? "" : std::string("descriptors() refused: ") + error.what();
  }
  if (v.keypointnumber == 0 || v.descriptorsize == 0) {
    return rows.empty() ? "" : "descriptors() is not empty without descriptors";
  }
  const size_t stride = 4 * ((v.descriptorsize + 3) / 4);
  if (static_cast<uint32_t>(rows.rows) != v.keypointnumber ||
    static_cast<uint32_t>(rows.cols) != v.descriptorsize || rows.type() != CV_8U ||
    rows.step[0] != stride || rows.data != reinterpret_cast<const uint8_t *>(v.descriptor.data()))
  {
    return "descriptors() is not an N x B CV_8U header on the descriptor words";
  }
  return "";
}

}  // namespace

Decoded c_decode(const uint8_t * body, size_t size, bool big_endian)
{
  // A block of exactly the body's size, so that a sanitizer sees overreads.
  std::unique_ptr<char[]> bytes(new char[size == 0 ? 1 : size]);
  if (size > 0) {
    std::memcpy(bytes.get(), body, size);
  }
  eprosima::fastcdr::FastBuffer buffer(bytes.get(), size);
  Cdr cdr(buffer, big_endian ? Cdr::BIG_ENDIANNESS : Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
  pelmora_tests::Record record = pelmora_tests::empty_record();
  Decoded decoded;
  {
    // The decoder says why it refuses on stderr; the check does not need it.
    pelmora_tests::StderrCapture quiet;
    try {
      decoded.accepted = c_callbacks().cdr_deserialize(cdr, record.get());
    } catch (const eprosima::fastcdr::exception::Exception &) {
      decoded.accepted = false;
    }
  }
  if (decoded.accepted) {
    decoded.words = pelmora_tests::words_of(*record);
  }
  return decoded;
}

std::string check_view(const uint8_t * payload, size_t size)
{
  std::string refusal;
  pelmora_cv::FeaturesView v;
  try {
    v = pelmora_cv::view(payload, size);
  } catch (const std::invalid_argument & error) {
    refusal = error.what();
    if (refusal.empty()) {
      return "refused without saying why";
    }
  }
  const auto refused_with = [&](const std::string & expected) {
      return refusal == expected ? "" : "expected the refusal '" + expected + "', got '" + refusal + "'";
    };
  if (size < 4) {
    return refused_with("payload of " + std::to_string(size) + " bytes has no encapsulation header");
  }
  const unsigned identifier = (unsigned{payload[0]} << 8) | payload[1];
  if (identifier == 0x0000) {
    return refused_with("big-endian CDR (encapsulation 0x0000): its words cannot be read in place; "
             "decode the message instead");
  }
  if (identifier != 0x0001) {
    char text[48];
    std::snprintf(text, sizeof(text), "unknown encapsulation 0x%04x", identifier);
    return refused_with(text);
  }
  const Decoded decoded = c_decode(payload + 4, size - 4, false);
  if (!decoded.accepted) {
    // Malformed bytes are refused while the words are read, before any
    // count is compared (a count's refusal starts with "<field>: ").
    return refusal.empty() || refusal.find(": ") != std::string::npos ?
           "the C decoder refuses the body, view() said '" + refusal + "'" : "";
  }
  // Counts that disagree: refused as from_message refuses the decoded
  // message. from_message also refuses descriptors that no Mat can hold
  // ("descriptorsize: ..."), which view() hands out only when asked: then
  // descriptors() must refuse with the same text, unless there are none.
  std::string from_message_refusal;
  try {
    pelmora_cv::from_message(pelmora_tests::message_from(decoded.words));
  } catch (const std::invalid_argument & error) {
    from_message_refusal = error.what();
  }
  const bool no_mat = from_message_refusal.rfind("descriptorsize: ", 0) == 0;
  if (!from_message_refusal.empty() && !no_mat) {
    return refused_with(from_message_refusal);
  }
  if (!refusal.empty()) {
    return "view() refused what the C decoder and from_message accept: " + refusal;
  }
  return compare(v, decoded.words, payload, size, no_mat ? from_message_refusal : "");
}

}  // namespace pelmora_cv_test
