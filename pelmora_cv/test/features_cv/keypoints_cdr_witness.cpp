// The C++ side of the test that messages made in C++ and in Python from the
// same keypoints encode to the same bytes (test/python/test_keypoints_cdr.py).
// It reads images of keypoints from stdin, makes cv::KeyPoints and a
// descriptor Mat of each, puts the first into a message with to_message and
// appends the others, and prints the little-endian CDR encoding of the
// message in hex. Per image:
//
//   image <right 0|1> <keypoints N> <descriptor columns C> <depth 8U|32F>
//   <x> <y> <size> <angle> <response> <octave> <class_id>     N lines
//   <hex bytes of one descriptor row>                         N lines if C > 0
//
// Floats may be written in hex (strtof reads them exactly). Exit status 0,
// or 1 with the reason on stderr for input it cannot read or a message the
// conversion refuses.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fastcdr/Cdr.h"
#include "fastcdr/FastBuffer.h"
#include "pelmora_cv/keypoints.hpp"
#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"

namespace
{

struct Image
{
  bool right = false;
  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
};

float read_float(std::istream & in)
{
  std::string word;
  in >> word;
  return std::strtof(word.c_str(), nullptr);
}

int depth_of(const std::string & name)
{
  if (name == "8U") {
    return CV_8U;
  }
  if (name == "32F") {
    return CV_32F;
  }
  throw std::runtime_error("unknown depth " + name);
}

void read_row(std::istream & in, cv::Mat & descriptors, int row)
{
  std::string hex;
  in >> hex;
  const size_t bytes = descriptors.cols * descriptors.elemSize();
  if (hex.size() != 2 * bytes) {
    throw std::runtime_error("a descriptor row of " + std::to_string(bytes) + " bytes takes " +
            std::to_string(2 * bytes) + " hex digits");
  }
  uint8_t * out = descriptors.ptr(row);
  for (size_t i = 0; i < bytes; ++i) {
    out[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  }
}

bool read_image(std::istream & in, Image & image)
{
  std::string tag, depth;
  int right = 0, count = 0, columns = 0;
  if (!(in >> tag)) {
    return false;
  }
  if (tag != "image" || !(in >> right >> count >> columns >> depth)) {
    throw std::runtime_error("expected 'image <right> <N> <C> <depth>'");
  }
  image.right = right != 0;
  for (int i = 0; i < count; ++i) {
    const float x = read_float(in), y = read_float(in), size = read_float(in);
    const float angle = read_float(in), response = read_float(in);
    int octave = 0, class_id = 0;
    in >> octave >> class_id;
    image.keypoints.emplace_back(cv::Point2f(x, y), size, angle, response, octave, class_id);
  }
  if (columns > 0) {
    image.descriptors.create(count, columns, depth_of(depth));
    for (int i = 0; i < count; ++i) {
      read_row(in, image.descriptors, i);
    }
  }
  if (!in) {
    throw std::runtime_error("the input ended inside an image");
  }
  return true;
}

std::vector<uint8_t> encode(const pelmora::msg::Features & message)
{
  namespace ts = pelmora::msg::typesupport_fastrtps_cpp;
  std::vector<uint8_t> bytes(ts::get_serialized_size(message, 0));
  eprosima::fastcdr::FastBuffer buffer(reinterpret_cast<char *>(bytes.data()), bytes.size());
  eprosima::fastcdr::Cdr cdr(
    buffer, eprosima::fastcdr::Cdr::LITTLE_ENDIANNESS, eprosima::fastcdr::Cdr::DDS_CDR);
  if (!ts::cdr_serialize(message, cdr)) {
    throw std::runtime_error("cdr_serialize failed");
  }
  bytes.resize(cdr.getSerializedDataLength());
  return bytes;
}

}  // namespace

int main()
{
  try {
    pelmora::msg::Features message;
    Image image;
    for (bool first = true; read_image(std::cin, image); first = false, image = Image()) {
      if (first) {
        message = pelmora_cv::to_message(image.keypoints, image.descriptors, image.right);
      } else {
        pelmora_cv::append(message, image.keypoints, image.descriptors, image.right);
      }
    }
    for (uint8_t byte : encode(message)) {
      std::printf("%02x", byte);
    }
    std::printf("\n");
  } catch (const std::exception & error) {
    std::fprintf(stderr, "keypoints_cdr_witness: %s\n", error.what());
    return 1;
  }
  return 0;
}
