// The built tools as processes, as a shell runs them: a path that is no
// image file is refused in one line with status 2 within a second of CPU
// time and 50 MB of memory, without waiting on a named pipe; a write error
// on standard output ends the tool with status 4 and one line; a reader that
// closes the pipe early ends it quietly; each model's tool calls itself by
// its own name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "image_file_test_util.h"
#include "support/files.h"
#include "support/test_folder.h"

namespace orvtool {
namespace {

// Sanitizers and an emulator make a process larger and slower than the
// tool itself: their runs check what the tool says, not what it costs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMeasured = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kMeasured = false;
#else
constexpr bool kMeasured = true;
#endif
#else
constexpr bool kMeasured = true;
#endif
const std::string kEmulator = ORVDB_TOOL_EMULATOR;  // runs the tool where the kernel cannot

// Under valgrind a child's peak counts the valgrind process it was forked
// from, and its time valgrind's start: the bounds cannot be measured there.
bool under_valgrind() {
  const char* preload = getenv("LD_PRELOAD");
  return preload != nullptr && strstr(preload, "vgpreload") != nullptr;
}

// How a process ended and what it cost.
struct Ended {
  int wait_status = 0;     // as waitpid gives it
  std::string err;         // its standard error
  double cpu_seconds = 0;  // user and system time
  long max_rss_kb = 0;     // peak resident memory
  bool killed = false;     // it ran past the time limit and was killed
};

// Runs `program` with `args`, its standard output on `out_fd`, its
// standard error into a file of `folder`, SIGPIPE ignored or not; kills it
// after 10 s of wall time.
Ended run(const std::string& program, const std::vector<std::string>& args, int out_fd,
          const orv::testing::TestFolder& folder, bool ignore_sigpipe = false) {
  const std::string err_path = folder.path("stderr.txt");
  std::vector<std::string> words;
  if (!kEmulator.empty()) words.push_back(kEmulator);
  words.push_back(program);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out_fd, STDOUT_FILENO);
    dup2(err_fd, STDERR_FILENO);
    signal(SIGPIPE, ignore_sigpipe ? SIG_IGN : SIG_DFL);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Ended e;
  rusage usage{};
  const auto start = std::chrono::steady_clock::now();
  while (wait4(pid, &e.wait_status, WNOHANG, &usage) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) {
      kill(pid, SIGKILL);
      wait4(pid, &e.wait_status, 0, &usage);
      e.killed = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  e.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  e.max_rss_kb = usage.ru_maxrss;
  e.err = orv::testing::read_file(err_path);
  return e;
}

int exit_code(const Ended& e) { return WIFEXITED(e.wait_status) ? WEXITSTATUS(e.wait_status) : -1; }

// A descriptor to write to, closed when the test is done with it.
struct Fd {
  int fd;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

TEST(ToolProcess, WhatIsNoImageFileIsRefusedFastAndSmall) {
  orv::testing::TestFolder folder;
  Fd null(open("/dev/null", O_WRONLY));
  for (const NoImageFile& no_image : no_image_files(folder)) {
    const std::string& path = no_image.path;
    Ended e = run(ORVDB_TOOL_PATH, {"--image", path, "query", "root", "2"}, null.fd, folder);
    EXPECT_FALSE(e.killed) << path;
    EXPECT_EQ(exit_code(e), 2) << path;
    EXPECT_EQ(e.err.rfind("orvdb: error: " + path + ": ", 0), 0u) << e.err;
    EXPECT_EQ(e.err.find('\n'), e.err.size() - 1) << e.err;
    if (kMeasured && kEmulator.empty() && !under_valgrind()) {
      EXPECT_LT(e.cpu_seconds, 1.0) << path;
      EXPECT_LT(e.max_rss_kb, 50 * 1000) << path;
    } else {
      std::cout << "[ skipped  ] " << path << ": time and peak not held to their bounds here\n";
    }
    std::cout << "[ figures  ] " << path << ": " << e.cpu_seconds << " s CPU, " << e.max_rss_kb
              << " kB peak\n";
  }
}

TEST(ToolProcess, OutputErrorsAreErrorsAndAClosedPipeEndsQuietly) {
  orv::testing::TestFolder folder;
  Fd full(open("/dev/full", O_WRONLY));
  ASSERT_GE(full.fd, 0);
  for (const char* sub : {"query", "dump"}) {
    std::vector<std::string> args = {sub};
    if (args[0] == "query") args.insert(args.end(), {"root", "2"});
    Ended e = run(ORVDB_TOOL_PATH, args, full.fd, folder);
    EXPECT_EQ(exit_code(e), 4) << sub;
    EXPECT_EQ(e.err, "orvdb: error: cannot write the output: No space left on device\n") << sub;
  }
  // A reader gone before the tool writes: SIGPIPE ends it as it ends any
  // filter; where SIGPIPE is ignored, status 4 without a word.
  for (bool ignore : {false, true}) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    Fd write_end(ends[1]);
    Ended e = run(ORVDB_TOOL_PATH, {"dump"}, write_end.fd, folder, ignore);
    EXPECT_EQ(e.err, "") << ignore;
    if (ignore) {
      EXPECT_EQ(exit_code(e), 4);
    } else {
      EXPECT_TRUE(WIFSIGNALED(e.wait_status) && WTERMSIG(e.wait_status) == SIGPIPE);
    }
  }
}

TEST(ToolProcess, EachModelsToolCallsItselfByItsOwnName) {
  orv::testing::TestFolder folder;
  for (const std::string& program :
       {std::string(ORVDB_TOOL_PATH), std::string(ORVDB_OTHER_TOOL_PATH)}) {
    const std::string name = std::filesystem::path(program).filename().string();
    const std::string out_path = folder.path("out.txt");
    Fd out(open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    Ended version = run(program, {"--version"}, out.fd, folder);
    EXPECT_EQ(exit_code(version), 0);
    std::ifstream in(out_path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line.rfind(name + " ", 0), 0u) << line;
    Ended bad = run(program, {"frobnicate"}, out.fd, folder);
    EXPECT_EQ(exit_code(bad), 2);
    EXPECT_EQ(bad.err.rfind(name + ": error: unknown subcommand 'frobnicate'", 0), 0u) << bad.err;
  }
}

}  // namespace
}  // namespace orvtool
