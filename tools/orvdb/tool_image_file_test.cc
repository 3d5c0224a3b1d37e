// The tool over image files: a model's own file reads as its built-in image,
// another model's file answers as that model, and an unreadable or faulty
// file is refused with one line and its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/image.h"
#include "image_file_test_util.h"
#include "modelc/image_file.h"
#include "support/files.h"
#include "support/test_folder.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

using orv::testing::read_file;
using orv::testing::write_file;

const std::string kOwnFile = ORVDB_OWN_IMAGE_FILE;
const std::string kOtherFile = ORVDB_OTHER_IMAGE_FILE;

// The tool knows no model: from another model's image file it writes that
// model's reference, meanings and examples included, as that model's own tool does.
TEST(ToolImageFile, AnotherModelsFileAnswersAsThatModel) {
  ToolRun reference = tool({"--image", kOtherFile, "reference"});
  EXPECT_EQ(reference.status, 0);
  EXPECT_EQ(reference.out, read_file(ORVDB_OTHER_REFERENCE));
  ToolRun check = tool({"--image=" + kOtherFile, "check"});
  EXPECT_EQ(check.status, 0);
  // Two models differ: diff says how, and exits 1.
  ToolRun diff = tool({"diff", kOtherFile, kOwnFile});
  EXPECT_EQ(diff.status, 1);
  EXPECT_GT(std::count(diff.out.begin(), diff.out.end(), '\n'), 1);
  auto first_line = [](const std::string& text) { return text.substr(0, text.find('\n')); };
  EXPECT_NE(first_line(check.out), first_line(tool({"check"}).out));  // the other model's name
}

// Refused with exit `status` and one line on standard error naming the file.
void expect_refused(const std::vector<std::string>& args, int status, const std::string& path,
                    const std::string& fault) {
  ToolRun r = tool(args);
  EXPECT_EQ(r.status, status);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind(ORVDB_TOOL_NAME ": error: " + path + ": ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(fault), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST(ToolImageFile, UnreadableFilesExitTwoWithOneLine) {
  const std::string own = read_file(kOwnFile);
  ASSERT_GT(own.size(), 1000u);
  std::string flipped = own;
  flipped[own.size() / 2] = static_cast<char>(flipped[own.size() / 2] ^ 0x01);
  const struct {
    const char* name;   // the file's name
    std::string bytes;  // its contents
    const char* fault;  // in the line
  } files[] = {
      {"half.orvimg", own.substr(0, own.size() / 2), "truncated"},
      {"flipped.orvimg", flipped, "checksum"},
      {"text.orvimg", "model QXR-7310\nimage sound\n", "not an image file"},
      {"empty.orvimg", "", "not an image file"},
  };
  orv::testing::TestFolder folder;
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::string path = write_file(folder.path(f.name), f.bytes);
    expect_refused({"--image", path, "check"}, 2, path, f.fault);
    expect_refused({"--image", path, "query", "root", "2"}, 2, path, f.fault);
    expect_refused({"diff", path}, 2, path, f.fault);
  }
  expect_refused({"--image", "/nonexistent/x.orvimg", "ids"}, 2, "/nonexistent/x.orvimg",
                 "No such file or directory");
}

// Paths that are no image file are refused by what they are or by their
// header alone: nothing past the header is read, and a named pipe is not
// opened, so that a writer that never writes cannot hold the tool.
// (tool_process_test holds the tool's time and memory for these.)
TEST(ToolImageFile, WhatIsNoImageFileIsRefusedBeforeItIsRead) {
  orv::testing::TestFolder folder;
  const std::vector<NoImageFile> paths = no_image_files(folder);
  ASSERT_EQ(paths.size(), 6u);
  for (const auto& p : paths) {
    SCOPED_TRACE(p.path);
    expect_refused({"--image", p.path, "query", "root", "2"}, 2, p.path, p.fault);
    expect_refused({"query", "root", "2", "--image", p.path}, 2, p.path, p.fault);
  }
}

// --image may stand before or after the subcommand.
TEST(ToolImageFile, ImageOptionBeforeOrAfterTheSubcommand) {
  ToolRun before = tool({"--image", kOtherFile, "check"});
  ToolRun after = tool({"check", "--image", kOtherFile});
  EXPECT_EQ(before.status, 0);
  EXPECT_EQ(after.out, before.out);
  EXPECT_NE(after.out, tool({"check"}).out);
}

TEST(ToolImageFile, VerifierFaultsExitThree) {
  orv::testing::TestFolder folder;
  std::string path = write_file(folder.path("faulty.orvimg"), faulty_image_file());

  ToolRun check = tool({"--image", path, "check"});
  EXPECT_EQ(check.status, 3);
  EXPECT_NE(check.out.find("fault: root slot 0 "), std::string::npos) << check.out;
  EXPECT_NE(check.out.find(" faults\n"), std::string::npos) << check.out;
  for (const char* sub : {"query", "sweep"}) {
    expect_refused({"--image", path, sub, "root", "2"}, 3, path, "root slot 0");
  }
  expect_refused({"--image", path, "dump"}, 3, path, "fails the verifier");
  expect_refused({"diff", path}, 3, path, "fails the verifier");
  expect_refused({"diff", kOwnFile, path}, 3, path, "fails the verifier");
}

}  // namespace
}  // namespace orvtool
