// A folder of one test's own for the files it writes: its name holds the
// test's name, the process id and a counter, so that tests running at once
// (ctest -j, a second checkout, another program) never share a file; it is
// removed with everything in it when the test is done with it.
#ifndef ORVDB_TESTS_SUPPORT_TEST_FOLDER_H_
#define ORVDB_TESTS_SUPPORT_TEST_FOLDER_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

namespace orv::testing {

class TestFolder {
 public:
  TestFolder() {
    static std::atomic<unsigned> made{0};
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name()
                                       : std::string("no-test");
    for (char& c : name) {
      if (c == '/') c = '_';  // parameterised tests name themselves with slashes
    }
    path_ = std::filesystem::path(::testing::TempDir()) /
            ("orvdb-" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(made++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The path of `file` inside the folder.
  std::string path(const std::string& file) const { return (path_ / file).string(); }
  // The folder itself.
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_TEST_FOLDER_H_
