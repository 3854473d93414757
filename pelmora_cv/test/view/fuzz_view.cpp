// Fuzz entry point of view(): each input is a whole payload (encapsulation
// header, then CDR body) that view() and pelmora's C decoder read
// (view_checks.hpp). A difference aborts.
//
// Built with libFuzzer as fuzz_view (PELMORA_BUILD_FUZZERS, clang), and in
// every build as replay_view, whose main runs the entry point once over
// each file named on its command line, or each file of each folder named.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "view_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
  // An aligned block of exactly the input's size: a sanitizer sees any
  // read beyond it.
  std::unique_ptr<uint8_t[]> payload(new uint8_t[size]);
  if (size > 0) {
    std::memcpy(payload.get(), data, size);
  }
  const std::string problem = pelmora_cv_test::check_view(payload.get(), size);
  if (!problem.empty()) {
    std::fprintf(stderr, "view(): %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}

#if defined(PELMORA_CV_REPLAY)

namespace fs = std::filesystem;

int main(int argc, char ** argv)
{
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (const auto & entry : fs::directory_iterator(argv[i])) {
        files.push_back(entry.path());
      }
    } else {
      files.emplace_back(argv[i]);
    }
  }
  std::sort(files.begin(), files.end());
  for (const fs::path & file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu input(s) replayed\n", files.size());
  return files.empty() ? 1 : 0;
}

#endif
