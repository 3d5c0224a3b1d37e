// Whole files as tests read and write them.
#ifndef ORVDB_TESTS_SUPPORT_FILES_H_
#define ORVDB_TESTS_SUPPORT_FILES_H_

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orv::testing {

// The bytes of the file at `path`; empty when it cannot be read.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// Writes `bytes` as the whole file at `path`; returns the path.
inline std::string write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// The entries of `folder`, in name order, so that runs meet them alike.
inline std::vector<std::filesystem::path> files_in(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_FILES_H_
