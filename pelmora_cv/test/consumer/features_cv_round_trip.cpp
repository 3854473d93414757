// OpenCV keypoints of a left and a right image into one Features message
// and back through libpelmora_cv, linked through pelmora_cv's package
// configuration as a workspace package links it.
#include <cstdio>
#include <vector>

#include "pelmora_cv/keypoints.hpp"

int main()
{
  const std::vector<cv::KeyPoint> left = {cv::KeyPoint(10.5f, 20.25f, 31.f, 45.f, 0.002f)};
  const std::vector<cv::KeyPoint> right = {cv::KeyPoint(7.5f, 20.25f, 31.f, -1.f, 0.001f)};
  const cv::Mat left_descriptors(1, 32, CV_8U, cv::Scalar(0xA5));
  const cv::Mat right_descriptors(1, 32, CV_8U, cv::Scalar(0x5A));

  pelmora::msg::Features message = pelmora_cv::to_message(left, left_descriptors);
  pelmora_cv::append(message, right, right_descriptors, true);
  const pelmora_cv::Keypoints back = pelmora_cv::from_message(message);

  const bool ok = back.keypoints.size() == 2 && back.right_image == std::vector<bool>{false, true} &&
    back.keypoints[1].pt == right[0].pt && cv::norm(back.descriptors.row(0), left_descriptors) == 0 &&
    cv::norm(back.descriptors.row(1), right_descriptors) == 0;
  std::printf("features_cv: %u keypoints, %u-byte descriptors, %s\n", message.keypointnumber,
    message.descriptorsize, ok ? "round trip equal" : "round trip DIFFERS");
  return ok ? 0 : 1;
}
