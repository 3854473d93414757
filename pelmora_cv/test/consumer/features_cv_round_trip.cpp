// OpenCV keypoints of a left and a right image into one Features message
// and back through libpelmora_cv, and a serialized sample read in place as
// the README's rclcpp callback reads it, linked through pelmora_cv's
// package configuration as a workspace package links it.
#include <cstdio>
#include <cstring>
#include <vector>

#include "pelmora_cv/keypoints.hpp"
#include "pelmora_cv/view.hpp"
#include "rcutils/allocator.h"
#include "rcutils/types/uint8_array.h"

namespace
{

bool round_trip_equal()
{
  const std::vector<cv::KeyPoint> left = {cv::KeyPoint(10.5f, 20.25f, 31.f, 45.f, 0.002f)};
  const std::vector<cv::KeyPoint> right = {cv::KeyPoint(7.5f, 20.25f, 31.f, -1.f, 0.001f)};
  const cv::Mat left_descriptors(1, 32, CV_8U, cv::Scalar(0xA5));
  const cv::Mat right_descriptors(1, 32, CV_8U, cv::Scalar(0x5A));

  pelmora::msg::Features message = pelmora_cv::to_message(left, left_descriptors);
  pelmora_cv::append(message, right, right_descriptors, true);
  const pelmora_cv::Keypoints back = pelmora_cv::from_message(message);
  std::printf("features_cv: %u keypoints, %u-byte descriptors\n", message.keypointnumber,
    message.descriptorsize);
  return back.keypoints.size() == 2 && back.right_image == std::vector<bool>{false, true} &&
         back.keypoints[1].pt == right[0].pt && cv::norm(back.descriptors.row(0), left_descriptors) == 0 &&
         cv::norm(back.descriptors.row(1), right_descriptors) == 0;
}

// The README's rclcpp callback without rclcpp: an rclcpp::SerializedMessage
// holds an rcl_serialized_message_t, which is rcutils_uint8_array_t.
bool serialized_sample_read_in_place(const rcutils_uint8_array_t & bytes)
{
  const pelmora_cv::FeaturesView features = pelmora_cv::view(bytes.buffer, bytes.buffer_length);
  const cv::Mat rows = features.descriptors();
  std::printf("view: %u keypoint at (%g, %g), descriptor %02x %02x %02x\n", features.keypointnumber,
    features.x[0], features.y[0], rows.at<uint8_t>(0, 0), rows.at<uint8_t>(0, 1), rows.at<uint8_t>(0, 2));
  return features.keypointnumber == 1 && features.x[0] == 1.5f && features.y[0] == 2.0f &&
         features.angle[0] == -1.0f && rows.cols == 3 && rows.data == bytes.buffer + 16 &&
         rows.at<uint8_t>(0, 0) == 0x11 && rows.at<uint8_t>(0, 2) == 0x33;
}

}  // namespace

int main()
{
  // One keypoint with a 3-byte descriptor, little-endian words after the
  // encapsulation header, as a middleware on this host receives it.
  const uint32_t words[] = {
    0x00000100u,                       // header: CDR_LE
    1, 3,                              // keypointnumber, descriptorsize
    1, 0x00332211u,                    // descriptor: the bytes 11 22 33, padded
    1, 0xFFFFFFFFu, 1, 0, 1, 31, 1, 2000,  // uniqueid, isrightimage, patternzise, confidence
    1, 0x3FC00000u, 1, 0x40000000u, 1, 0xBF800000u};  // x 1.5, y 2.0, angle -1.0
  rcutils_uint8_array_t sample = rcutils_get_zero_initialized_uint8_array();
  const rcutils_allocator_t allocator = rcutils_get_default_allocator();
  if (rcutils_uint8_array_init(&sample, sizeof(words), &allocator) != RCUTILS_RET_OK) {
    return 1;
  }
  std::memcpy(sample.buffer, words, sizeof(words));
  sample.buffer_length = sizeof(words);

  const bool ok = round_trip_equal() && serialized_sample_read_in_place(sample);
  std::printf("%s\n", ok ? "as expected" : "NOT as expected");
  return rcutils_uint8_array_fini(&sample) == RCUTILS_RET_OK && ok ? 0 : 1;
}
