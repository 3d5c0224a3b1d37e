// The documents show what the build does. Every `console` block of
// README.md and of the Markdown files under docs/ is run command by command
// (`$ ` lines), in a folder of the test's own in which build/default leads to
// this build, the C examples lie beside, and before.orvimg and after.orvimg
// are the model's image file and the same with paper code 9 one hundredth of
// a millimetre wider; each command must print what the block shows (standard
// output and error as a terminal shows them, a line "…" standing for any
// lines) and end with the status of its `[exit N]` line (0 when there is
// none). Every `c` block is one of examples/*.c, named on its first line and
// shown as it stands there: the build compiles those, with warnings as
// errors in the presets.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "changed_model.h"
#include "modelc/image_file.h"
#include "support/files.h"
#include "support/test_folder.h"

namespace {

namespace fs = std::filesystem;
using orv::testing::read_file;

// One fenced block of a document.
struct Block {
  std::string where;               // "README.md:42", its opening line
  std::string info;                // the fence's info string ("console", "c")
  std::vector<std::string> lines;  // its lines, without the fence's indentation
};

// Every fenced block of a Markdown text.
std::vector<Block> blocks_of(const std::string& name, const std::string& text) {
  static const std::regex fence(R"(^( *)(```+|~~~+)\s*([^`\s]*).*$)");
  std::vector<Block> blocks;
  std::istringstream in(text);
  std::optional<Block> open;
  std::string closing;
  size_t indent = 0;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::smatch m;
    if (!open) {
      if (std::regex_match(line, m, fence)) {
        open = Block{name + ":" + std::to_string(number), m[3], {}};
        indent = m[1].length();
        closing = m[2];
      }
      continue;
    }
    size_t start = line.find_first_not_of(' ');
    if (start != std::string::npos && line.compare(start, closing.size(), closing) == 0 &&
        line.find_first_not_of(closing[0], start) == std::string::npos) {
      blocks.push_back(*open);
      open.reset();
      continue;
    }
    open->lines.push_back(line.substr(std::min({indent, line.size(), start})));
  }
  return blocks;
}

// README.md and every Markdown file under docs/, in a fixed order.
std::vector<fs::path> documents() {
  const fs::path root = ORVDB_SOURCE_DIR;
  std::vector<fs::path> found = {root / "README.md"};
  if (fs::is_directory(root / "docs")) {
    std::vector<fs::path> docs;
    for (const auto& e : fs::recursive_directory_iterator(root / "docs")) {
      if (e.is_regular_file() && e.path().extension() == ".md") docs.push_back(e.path());
    }
    std::sort(docs.begin(), docs.end());
    found.insert(found.end(), docs.begin(), docs.end());
  }
  return found;
}

// A command line's words, as a shell without expansions splits them: at
// blanks, with single and double quotes and backslashes. Nothing when the
// line holds what only a shell does (pipes, redirections, substitutions,
// several commands), which a document's command may not.
std::optional<std::vector<std::string>> split_words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(word), word.clear(), in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'' || c == '"') {
      size_t end = line.find(c, i + 1);
      if (end == std::string::npos) return std::nullopt;
      word += line.substr(i + 1, end - i - 1);
      i = end;
    } else if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
    } else if (std::string("|&;<>$`()*?").find(c) != std::string::npos) {
      return std::nullopt;
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(word);
  if (words.empty()) return std::nullopt;
  return words;
}

// How a command ended and all it wrote, standard error and output together.
struct Ran {
  int status = -1;   // exit status, -1 when killed or not run
  std::string text;  // what it wrote
};

// Runs `words` in `folder` as a shell would: a bare name from the tools'
// folder (as on PATH), a path from the folder; within 60 s.
Ran run_in(const std::string& folder, std::vector<std::string> words) {
  const std::string emulator = ORVDB_TOOL_EMULATOR;
  if (words[0].find('/') == std::string::npos) {
    words[0] = std::string(ORVDB_TOOL_DIR) + "/" + words[0];
  } else if (words[0][0] != '/') {
    words[0] = folder + "/" + words[0];
  }
  if (!emulator.empty()) words.insert(words.begin(), emulator);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipe_fds[1], STDOUT_FILENO);
    dup2(pipe_fds[1], STDERR_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  Ran r;
  fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
  const auto start = std::chrono::steady_clock::now();
  int wait_status = 0;
  bool ended = false;
  for (char buf[1 << 14];;) {
    ssize_t n = read(pipe_fds[0], buf, sizeof buf);
    if (n > 0) {
      r.text.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n == 0 && ended) break;
    if (!ended && waitpid(pid, &wait_status, WNOHANG) == pid) ended = true;
    if (!ended && std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
      kill(pid, SIGKILL);
      waitpid(pid, &wait_status, 0);
      ended = true;
      wait_status = -1;
    }
    if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  close(pipe_fds[0]);
  r.status = wait_status != -1 && WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return r;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();  // CSV's CRLF, as a terminal shows it
    lines.push_back(line);
  }
  return lines;
}

// Whether `got` reads as `shown`, where a line "…" of `shown` stands for
// any number of lines.
bool reads_as(const std::vector<std::string>& shown, const std::vector<std::string>& got) {
  // can[i][j]: shown from line i matches got from line j.
  std::vector<std::vector<char>> can(shown.size() + 1, std::vector<char>(got.size() + 1, 0));
  can[shown.size()][got.size()] = 1;
  for (size_t i = shown.size(); i-- > 0;) {
    for (size_t j = got.size() + 1; j-- > 0;) {
      if (shown[i] == "…") {
        can[i][j] = can[i + 1][j] || (j < got.size() && can[i][j + 1]);
      } else {
        can[i][j] = j < got.size() && shown[i] == got[j] && can[i + 1][j + 1];
      }
    }
  }
  return can[0][0];
}

// The files a documented command may name, made in the test's folder.
void make_files(const orv::testing::TestFolder& folder) {
  fs::create_directories(folder.path("build"));
  fs::create_directory_symlink(ORVDB_BINARY_DIR, folder.path("build/default"));
  for (const char* example : {"paper_size", "printer_name"}) {
    fs::create_symlink(std::string(ORVDB_EXAMPLES_DIR) + "/" + example, folder.path(example));
  }
  fs::copy_file(ORVDB_OWN_IMAGE_FILE, folder.path("before.orvimg"));
  // The change the diff recipe shows: paper code 9 one hundredth wider.
  auto changed = orvtool::testing::build([](orv::model::Model& m) {
    orv::model::Node* leaf = orvtool::testing::find_node(m, [](const orv::model::Node& n) {
      return n.tag == 0x1003 && n.numbers == std::vector<int64_t>{21000, 29700};
    });
    if (leaf) leaf->numbers[0] = 21001;
  });
  orv::testing::write_file(folder.path("after.orvimg"),
                           orv::model::write_image_file(changed->image, {}));
}

TEST(Documents, EveryCommandPrintsWhatItShows) {
  orv::testing::TestFolder folder;
  make_files(folder);
  static const std::regex exit_line(R"(^\[exit (\d+)\]$)");
  size_t commands = 0;
  for (const fs::path& doc : documents()) {
    for (const Block& b : blocks_of(doc.filename().string(), read_file(doc))) {
      if (b.info != "console") continue;
      // Each "$ " line and the lines up to the next one.
      for (size_t i = 0; i < b.lines.size();) {
        const std::string where = b.where + ", " + b.lines[i];
        ASSERT_EQ(b.lines[i].rfind("$ ", 0), 0u) << where << ": a console block starts with $";
        std::vector<std::string> shown;
        size_t next = i + 1;
        for (; next < b.lines.size() && b.lines[next].rfind("$ ", 0) != 0; ++next) {
          shown.push_back(b.lines[next]);
        }
        int status = 0;
        std::smatch m;
        if (!shown.empty() && std::regex_match(shown.back(), m, exit_line)) {
          status = std::stoi(m[1]);
          shown.pop_back();
        }
        std::optional<std::vector<std::string>> words = split_words(b.lines[i].substr(2));
        ASSERT_TRUE(words) << where << ": one program and its arguments, without shell syntax";
        Ran r = run_in(folder.path(), *words);
        ++commands;
        EXPECT_EQ(r.status, status) << where << "\n" << r.text;
        EXPECT_TRUE(reads_as(shown, lines_of(r.text)))
            << where << " prints what the document does not show:\n"
            << r.text;
        i = next;
      }
    }
  }
  EXPECT_GT(commands, 0u) << "no console block in the documents";
}

TEST(Documents, EveryCExampleIsAnExampleFileAsItStands) {
  static const std::regex named(R"(^/\* (examples/[a-z_]+\.c): .*)");
  size_t examples = 0;
  for (const fs::path& doc : documents()) {
    for (const Block& b : blocks_of(doc.filename().string(), read_file(doc))) {
      if (b.info != "c") continue;
      std::smatch m;
      ASSERT_TRUE(!b.lines.empty() && std::regex_match(b.lines[0], m, named))
          << b.where << ": a C block begins with /* examples/NAME.c: ...";
      std::string shown;
      for (const std::string& line : b.lines) shown += line + "\n";
      const fs::path file = fs::path(ORVDB_SOURCE_DIR) / m[1].str();
      EXPECT_EQ(shown, read_file(file)) << b.where << " differs from " << file;
      ++examples;
    }
  }
  EXPECT_GT(examples, 0u) << "no C example in the documents";
}

// The test's own rules, on texts made for them.
TEST(Documents, BlocksWordsAndElidedLinesReadAsTheTestReadsThem) {
  std::vector<Block> b =
      blocks_of("x.md", "text\n   ```console\n   $ a\n   b\n   ```\n```c\nint\n```\n");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].where, "x.md:2");
  EXPECT_EQ(b[0].lines, (std::vector<std::string>{"$ a", "b"}));
  EXPECT_EQ(b[1].info, "c");
  EXPECT_EQ(split_words("orvdb query root 0x12 -m '0=A B' \"x y\""),
            (std::vector<std::string>{"orvdb", "query", "root", "0x12", "-m", "0=A B", "x y"}));
  for (const char* shell : {"orvdb dump | dot", "orvdb check > x", "a $(b)", "a; b", "a && b"}) {
    EXPECT_FALSE(split_words(shell)) << shell;
  }
  const std::vector<std::string> got = {"a", "b", "c", "d"};
  EXPECT_TRUE(reads_as({"a", "…", "d"}, got));
  EXPECT_TRUE(reads_as({"…", "b", "…"}, got));
  EXPECT_TRUE(reads_as({"a", "b", "…", "c", "d"}, got));
  EXPECT_FALSE(reads_as({"a", "…", "c"}, got));
  EXPECT_FALSE(reads_as({"a", "b", "c"}, got));
  EXPECT_FALSE(reads_as({"a", "b", "c", "d", "e"}, got));
}

}  // namespace
