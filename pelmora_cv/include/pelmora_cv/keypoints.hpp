// OpenCV keypoints and descriptors to and from a pelmora::msg::Features,
// following the convention in pelmora_cv's README: item i of each
// per-keypoint sequence describes keypoint i, and descriptor i's bytes are
// packed little-endian four to a word, the last word zero-padded.
//
// What the message cannot hold is lost on the way: the octave, the fraction
// of the size and any response below 1e-6.
#ifndef PELMORA_CV__KEYPOINTS_HPP_
#define PELMORA_CV__KEYPOINTS_HPP_

#include <vector>

#include <opencv2/core.hpp>

#include "pelmora/msg/features.hpp"
#include "pelmora_cv/visibility_control.hpp"

namespace pelmora_cv
{

/// The message of one image's keypoints and their descriptors (one row per
/// keypoint, any depth, one channel, continuous). An empty `descriptors`
/// means none: `descriptorsize` is 0 and `descriptor` empty.
/// Throws std::invalid_argument naming the field for descriptors whose rows
/// differ from the keypoint count or that are multi-channel or not
/// continuous.
PELMORA_CV_PUBLIC
pelmora::msg::Features to_message(
  const std::vector<cv::KeyPoint> & keypoints, const cv::Mat & descriptors,
  bool right_image = false);

/// Adds one image's keypoints behind those `message` holds, so that the left
/// and the right image travel in one message. The descriptor sizes must
/// agree, unless one side has no keypoints: a message without keypoints
/// takes the size of what is appended. Besides the errors of to_message it
/// refuses (std::invalid_argument, nothing changed) a `message` that is not
/// well formed (see from_message) or whose keypoint count would pass
/// 4294967295. Appending nothing leaves `message` as it was.
PELMORA_CV_PUBLIC
void append(
  pelmora::msg::Features & message, const std::vector<cv::KeyPoint> & keypoints,
  const cv::Mat & descriptors, bool right_image);

struct Keypoints
{
  std::vector<cv::KeyPoint> keypoints;
  /// N × (B / element size) of the requested depth; empty when B is 0.
  cv::Mat descriptors;
  std::vector<bool> right_image;
};

/// The keypoints of `message` (octave 0), their descriptors as a Mat of
/// `descriptor_depth` (CV_8U, CV_32F, ...) made with one copy, and each
/// keypoint's image. Throws std::invalid_argument naming the field for a
/// sequence whose length differs from `keypointnumber`, a `descriptor` that
/// does not hold N × ceil(B / 4) words, an unknown or multi-channel depth, or
/// a `descriptorsize` that is not a whole number of elements of that depth.
PELMORA_CV_PUBLIC
Keypoints from_message(const pelmora::msg::Features & message, int descriptor_depth = CV_8U);

}  // namespace pelmora_cv

#endif  // PELMORA_CV__KEYPOINTS_HPP_
