// Runs a fuzz entry point once over each file named on the command line, or
// over every file of each folder named there: the corpus replay of the test
// suite, without libFuzzer. A harness that finds a fault aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size);

namespace
{

namespace fs = std::filesystem;

bool run_file(const fs::path & path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A block of exactly the file's size, so that a sanitizer sees overreads.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char ** argv)
{
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path argument(argv[i]);
    std::vector<fs::path> files;
    if (fs::is_directory(argument)) {
      for (const auto & entry : fs::directory_iterator(argument)) {
        if (entry.is_regular_file()) {
          files.push_back(entry.path());
        }
      }
    } else {
      files.push_back(argument);
    }
    std::sort(files.begin(), files.end());
    for (const auto & file : files) {
      if (!run_file(file)) {
        return 1;
      }
      ++count;
    }
  }
  if (count == 0) {
    std::fprintf(stderr, "no input files\n");
    return 1;
  }
  std::printf("%zu input(s) replayed\n", count);
  return 0;
}
