// ORB on the real stereo pair of Debian's python3-skimage: both images'
// keypoints in one message come back with byte-identical descriptors and
// the keypoints within the convention's losses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include <opencv2/features2d.hpp>
#include <opencv2/imgcodecs.hpp>

#include "pelmora_cv/keypoints.hpp"

namespace
{


struct Detected
{
  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
};

TEST(OrbOnStereoPair, ComesBackWithinTheConventionsLosses)
{
  const std::string folder = PELMORA_STEREO_DATA_DIR;
  if (folder.empty()) {
    GTEST_SKIP() << "no stereo pair: PELMORA_STEREO_DATA_DIR is empty (configure with "
      "-DPELMORA_STEREO_DATA_DIR=<python3-skimage's skimage/data folder>)";
  }
  Detected images[2];
  const char * const names[2] = {"motorcycle_left.png", "motorcycle_right.png"};
  for (int side = 0; side < 2; ++side) {
    const std::string path = folder + "/" + names[side];
    const cv::Mat image = cv::imread(path, cv::IMREAD_GRAYSCALE);
    if (image.empty()) {
      GTEST_SKIP() << "no stereo pair: cannot read " << path << " (configure with "
        "-DPELMORA_STEREO_DATA_DIR=<python3-skimage's skimage/data folder>)";
    }
    cv::ORB::create(2000)->detectAndCompute(image, cv::noArray(), images[side].keypoints,
      images[side].descriptors);
    ASSERT_GT(images[side].keypoints.size(), 1000u) << path;
  }

  pelmora::msg::Features message =
    pelmora_cv::to_message(images[0].keypoints, images[0].descriptors, false);
  pelmora_cv::append(message, images[1].keypoints, images[1].descriptors, true);
  const pelmora_cv::Keypoints back = pelmora_cv::from_message(message);

  cv::Mat sent = images[0].descriptors.clone();
  sent.push_back(images[1].descriptors);
  ASSERT_EQ(back.descriptors.rows, sent.rows);
  ASSERT_EQ(back.descriptors.cols, 32);
  EXPECT_EQ(std::memcmp(back.descriptors.data, sent.data, sent.total()), 0);

  size_t i = 0;
  for (int side = 0; side < 2; ++side) {
    for (const cv::KeyPoint & original : images[side].keypoints) {
      const cv::KeyPoint & got = back.keypoints[i];
      EXPECT_EQ(back.right_image[i], side == 1) << i;
      EXPECT_EQ(got.pt, original.pt) << i;
      EXPECT_EQ(got.angle, original.angle) << i;
      EXPECT_EQ(got.class_id, original.class_id) << i;
      EXPECT_LE(std::abs(got.size - original.size), 0.5f) << i;
      // Half a millionth from the rounding, plus the float the result is.
      EXPECT_LE(std::abs(got.response - original.response),
        0.5e-6 + std::abs(original.response) * 1.2e-7) << i;
      ++i;
    }
  }
}

}  // namespace
