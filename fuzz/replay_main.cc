// Runs a fuzz target's entry function once on every file named on the
// command line (directories: every file inside, in name order), so that the
// corpora and the inputs of past crashes run as ordinary tests in every
// build, without the fuzzing engine.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Feeds one file to the target; false when it cannot be read.
bool replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so reads past its end are caught.
  std::vector<uint8_t> exact(data);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg)) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
          files.push_back(entry.path());
        }
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::exists(arg)) {
      files.push_back(arg);
    } else {
      fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
    for (const auto& file : files) {
      if (!replay(file)) {
        fprintf(stderr, "cannot read %s\n", file.string().c_str());
        return 1;
      }
      ++count;
    }
  }
  printf("replayed %zu inputs\n", count);
  return count > 0 ? 0 : 1;
}
