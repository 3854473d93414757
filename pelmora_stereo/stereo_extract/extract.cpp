// pelmora-stereo-extract: ORB keypoints of a stereo pair, both images in
// one Features message (isrightimage 0 and 1), published once through the
// pelmora-dds endpoint as `pelmora-dds pub` publishes: it waits for --peers
// readers and ends once they acknowledged.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgcodecs.hpp>

#include "pelmora/msg/detail/features__rosidl_typesupport_fastrtps_cpp.hpp"
#include "pelmora_cv/keypoints.hpp"
#include "command_line.hpp"
#include "pelmora_dds/environment.hpp"
#include "publishing.hpp"

namespace
{

using namespace pelmora_dds;

const char * const kProgram = "pelmora-stereo-extract";

const char * const kFooter =
  "Exit codes, as pelmora-dds pub's: 0 published and acknowledged; 2 no reader matched,\n"
  "or the readers did not acknowledge, before --timeout; 3 DDS set-up failed; 4 security\n"
  "is enforced but the enclave's files are missing; 64 wrong argument, unreadable image\n"
  "or environment variable; 130 interrupted.";

struct Options
{
  std::string left;
  std::string right;
  int keypoints = 2000;
  double timeout = 60.0;
  uint32_t peers = 1;
  EndpointOptions endpoint;
};

struct Image
{
  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
};

// The pair python3-skimage ships, where this build was told it lies.
std::string default_image(const char * name)
{
  const std::string folder = PELMORA_STEREO_DATA_DIR;
  return folder.empty() ? std::string() : folder + "/" + name;
}

// ORB on the image at `path` in grey levels; false, after saying why, when
// it cannot be read.
bool detect(const char * which, const std::string & path, int keypoints, Image * image)
{
  if (path.empty()) {
    std::fprintf(stderr, "%s: no %s image: give --%s (this build knows no default stereo pair; "
      "configure with -DPELMORA_STEREO_DATA_DIR=<python3-skimage's skimage/data>)\n", kProgram,
      which, which);
    return false;
  }
  // Opened first for the reason a file cannot be read, which imread keeps
  // to itself.
  std::FILE * file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "%s: cannot read the %s image %s: %s\n", kProgram, which, path.c_str(),
      std::strerror(errno));
    return false;
  }
  std::fclose(file);
  const cv::Mat grey = cv::imread(path, cv::IMREAD_GRAYSCALE);
  if (grey.empty()) {
    std::fprintf(stderr, "%s: the %s image %s is no image OpenCV can decode\n", kProgram, which,
      path.c_str());
    return false;
  }
  cv::ORB::create(keypoints)->detectAndCompute(grey, cv::noArray(), image->keypoints,
    image->descriptors);
  std::fprintf(stderr, "extract: %s image %s (%dx%d): %zu keypoints\n", which, path.c_str(),
    grey.cols, grey.rows, image->keypoints.size());
  return true;
}

// parse's answer when the program is to go on; anything else is its exit code.
constexpr int kRun = -1;

int parse(int argc, char ** argv, Options & o)
{
  CLI::App app("pelmora-stereo-extract: ORB keypoints of a stereo pair, published as one "
    "Features message", kProgram);
  app.add_option("--left", o.left, "left image (default: python3-skimage's motorcycle_left.png)")
    ->type_name("PATH");
  app.add_option("--right", o.right, "right image (default: motorcycle_right.png beside it)")
    ->type_name("PATH");
  app.add_option("--keypoints", o.keypoints, "ORB keypoints per image, at most")
    ->check(CLI::Range(1, 1000000))->capture_default_str()->type_name("N");
  add_timeout_option(app, o.timeout);
  add_peers_option(app, o.peers);
  add_endpoint_options(app, o.endpoint);
  app.footer(kFooter);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError & e) {
    if (e.get_exit_code() == 0) {
      return app.exit(e);
    }
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", kProgram, e.what(),
      kProgram);
    return kUsage;
  }
  return kRun;
}

}  // namespace

int main(int argc, char ** argv)
{
  Options o;
  o.left = default_image("motorcycle_left.png");
  o.right = default_image("motorcycle_right.png");
  o.endpoint.topic = "/stereo/features";
  const std::string environment = apply_process_environment(&o.endpoint);
  if (!environment.empty()) {
    std::fprintf(stderr, "%s: %s\n", kProgram, environment.c_str());
    return kUsage;
  }
  if (const int parsed = parse(argc, argv, o); parsed != kRun) {
    return parsed;
  }
  if (const int secured = resolve_security(kProgram, o.endpoint); secured != kOk) {
    return secured;
  }
  Image left;
  Image right;
  if (!detect("left", o.left, o.keypoints, &left) ||
    !detect("right", o.right, o.keypoints, &right))
  {
    return kUsage;
  }
  pelmora::msg::Features message =
    pelmora_cv::to_message(left.keypoints, left.descriptors, false);
  pelmora_cv::append(message, right.keypoints, right.descriptors, true);

  install_stop_handlers();
  o.endpoint.largest_sample = static_cast<uint32_t>(kEncapsulationBytes +
    pelmora::msg::typesupport_fastrtps_cpp::get_serialized_size(message, 0));
  Publisher publisher("extract", o.timeout);
  const int started = publisher.start(
    rosidl_typesupport_cpp::get_message_type_support_handle<pelmora::msg::Features>(),
    o.endpoint, o.peers);
  if (started != kOk) {
    return started;
  }
  const int written = publisher.write(&message, 0);
  if (written != kOk) {
    return written;
  }
  const int acknowledged = publisher.finish();
  std::fprintf(stderr, "extract: %u keypoints (%zu left, %zu right), %u-byte descriptors, "
    "%u bytes on %s: %s\n", message.keypointnumber, left.keypoints.size(), right.keypoints.size(),
    message.descriptorsize, o.endpoint.largest_sample, o.endpoint.topic.c_str(),
    acknowledged == kOk ? "acknowledged" : "NOT ACKNOWLEDGED");
  return acknowledged;
}
