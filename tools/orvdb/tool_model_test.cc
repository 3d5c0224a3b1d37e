// What the tool does for any model, whatever its data: these tests run with
// every model's tool (the first model's and the others'), each linked with
// its own image and description.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "id_info.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

// Every id of every domain the tool lists, with its domain's word.
std::vector<std::pair<std::string, uint16_t>> every_id() {
  const orv::Image& image = orv::builtin_image();
  std::vector<std::pair<std::string, uint16_t>> ids;
  for (Domain d : all_domains()) {
    for (uint16_t id : domain_ids(image, d)) ids.emplace_back(domain_name(d), id);
  }
  return ids;
}

TEST(ToolOnAnyModel, CheckNamesTheModelAndFindsItSound) {
  const orv::Image& image = orv::builtin_image();
  ASSERT_NE(image.model_name, nullptr);
  ToolRun r = tool({"check"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("model " + std::string(image.model_name) + "\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("roots " + std::to_string(image.root_count) + "\n"), std::string::npos);
  EXPECT_NE(r.out.find("image sound\n"), std::string::npos);
  // The help names the model too.
  EXPECT_NE(tool({"--help"}).out.find(image.model_name), std::string::npos);
}

// query and explain build their contexts alike and end with the same result.
TEST(ToolOnAnyModel, QueryAndExplainAgreeOnEveryId) {
  auto ids = every_id();
  ASSERT_FALSE(ids.empty());
  for (const auto& [domain, id] : ids) {
    SCOPED_TRACE(domain + " " + hex_id(id));
    ToolRun q = tool({"query", domain, hex_id(id)});
    ToolRun e = tool({"explain", domain, hex_id(id)});
    EXPECT_EQ(q.status, e.status) << q.out << e.out;
    EXPECT_NE(q.status, 2) << q.err;
  }
}

// Every id `ids` lists has a meaning: a root id the description's, a Drv
// special id without one its path's.
TEST(ToolOnAnyModel, EveryIdHasItsMeaningInIdsAndTheReference) {
  ToolRun ids = tool({"ids"});
  ASSERT_EQ(ids.status, 0);
  ToolRun reference = tool({"reference"});
  ASSERT_EQ(reference.status, 0) << reference.err;
  std::istringstream lines(ids.out);
  size_t listed = 0;
  for (std::string line; std::getline(lines, line); ++listed) {
    std::istringstream words(line);
    std::string domain, id;
    words >> domain >> id;
    EXPECT_EQ(line.find("means: -"), std::string::npos) << line;
    EXPECT_NE(reference.out.find("| " + id + " |"), std::string::npos) << id;
  }
  EXPECT_EQ(listed, every_id().size());
}

TEST(ToolOnAnyModel, EverySubcommandHasHelp) {
  for (const char* sub :
       {"query", "explain", "ids", "dump", "check", "sweep", "reference", "diff"}) {
    ToolRun r = tool({sub, "--help"});
    EXPECT_EQ(r.status, 0) << sub;
    EXPECT_NE(r.out.find(sub), std::string::npos) << sub;
  }
}

// The model's image file, as its compile writes it, reads as the built-in
// image: every subcommand prints the same, and diff finds nothing (its first
// line and its summary).
TEST(ToolOnAnyModel, OwnImageFileReadsAsTheBuiltInImage) {
  const std::string file = ORVDB_OWN_IMAGE_FILE;
  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"check"}, {"dump"}, {"ids"}, {"reference"}}) {
    SCOPED_TRACE(args[0]);
    ToolRun builtin = tool(args);
    args.insert(args.begin(), {"--image", file});
    ToolRun from_file = tool(args);
    EXPECT_EQ(from_file.status, builtin.status);
    EXPECT_EQ(from_file.out, builtin.out);
    EXPECT_EQ(from_file.err, "");
  }
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"diff", file}, {"diff", file, file}, {"--image", file, "diff", file}}) {
    ToolRun d = tool(args);
    EXPECT_EQ(d.status, 0) << d.out;
    EXPECT_EQ(std::count(d.out.begin(), d.out.end(), '\n'), 2) << d.out;
    EXPECT_EQ(d.out.rfind("diff " + file + " (", 0), 0u) << d.out;
    EXPECT_NE(d.out.find("\nsummary: 0 answers differ, over 0 ids; 0 table rows differ"),
              std::string::npos)
        << d.out;
  }
}

}  // namespace
}  // namespace orvtool
