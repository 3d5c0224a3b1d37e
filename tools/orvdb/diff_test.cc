// orvdb diff over images compiled from the first model's description with
// one thing changed: the diff names exactly the answers and table rows the
// change touches.
#include "diff.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "modelc/compiler.h"
#include "modelc/description.h"
#include "modelc/image_file.h"
#include "support/test_folder.h"
#include "tool.h"

namespace orvtool {
namespace {

using orv::model::Model;
using orv::model::Node;

// An image compiled from the description after `change`; the image points
// into the compiled tables, so both live together.
struct Built {
  orv::model::CompileResult result;  // the compiled tables
  orv::Image image{};                // a view of them
};

std::unique_ptr<Built> build(const std::function<void(Model&)>& change) {
  Model m;
  orv::model::describe_model(m);
  change(m);
  auto built = std::make_unique<Built>();
  built->result = orv::model::compile(m);
  EXPECT_TRUE(built->result.ok()) << (built->result.faults.empty() ? ""
                                                                   : built->result.faults.front());
  built->image = built->result.image.view();
  return built;
}

// The one node of the description's trees for which `match` holds.
Node* find_node(Model& m, const std::function<bool(const Node&)>& match) {
  std::vector<Node*> found;
  std::function<void(Node&)> visit = [&](Node& n) {
    if (match(n)) found.push_back(&n);
    for (Node& c : n.children) visit(c);
  };
  for (auto& entry : m.roots()) visit(entry.tree);
  for (auto& named : m.trees()) visit(named.tree);
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? nullptr : found.front();
}

struct DiffRun {
  int status;
  std::vector<std::string> lines;  // every line after the first
  std::string first;               // the first line
};

DiffRun diff(const orv::Image& a, const orv::Image& b, DiffOptions options = {}) {
  std::ostringstream out;
  DiffRun r;
  r.status = run_diff({&a, "old.orvimg"}, {&b, "new.orvimg"}, false, out, options);
  std::istringstream in(out.str());
  std::getline(in, r.first);
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  return r;
}

// Every line of a run, for a failure's message.
std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// `orvdb diff OLD NEW` over the image files of `a` and `b`, written in a
// folder of the test's own.
DiffRun diff_files(const orv::Image& a, const orv::Image& b) {
  orv::testing::TestFolder folder;
  const std::string old_file = folder.path("old.orvimg");
  const std::string new_file = folder.path("new.orvimg");
  std::ofstream(old_file, std::ios::binary) << orv::model::write_image_file(a, {});
  std::ofstream(new_file, std::ios::binary) << orv::model::write_image_file(b, {});
  std::ostringstream out, err;
  DiffRun r;
  r.status = run_tool({"diff", old_file, new_file}, out, err);
  EXPECT_EQ(err.str(), "");
  std::istringstream in(out.str());
  std::getline(in, r.first);
  EXPECT_EQ(r.first.rfind("diff " + old_file + " (QXR-7310) -> " + new_file + " (QXR-7310); ", 0),
            0u)
      << r.first;
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  return r;
}

const Built& unchanged() {
  static const std::unique_ptr<Built> built = build([](Model&) {});
  return *built;
}

TEST(Diff, AnImageComparedWithItselfPrintsOnlyTheFirstLine) {
  const orv::Image& builtin = orv::builtin_image();
  std::ostringstream text, json;
  EXPECT_EQ(run_diff({&builtin, "built-in"}, {&builtin, "built-in"}, false, text), 0);
  EXPECT_EQ(text.str(),
            "diff built-in (QXR-7310) -> built-in (QXR-7310); clock 2026-12-06 18:44:29, country "
            "code 1, printer \"fixed printer\" without configuration values\n");
  EXPECT_EQ(run_diff({&builtin, "built-in"}, {&builtin, "built-in"}, true, json), 0);
  nlohmann::json j = nlohmann::json::parse(json.str());
  EXPECT_EQ(j["header"].get<std::string>() + "\n", text.str());
  EXPECT_EQ(j["old"]["model"], "QXR-7310");
  EXPECT_EQ(j["platform"]["clock"], "2026-12-06 18:44:29");
  EXPECT_TRUE(j["differences"].empty());
  EXPECT_TRUE(j["incomplete"].empty());
  // The description compiled here answers as the built-in image does.
  DiffRun r = diff(builtin, unchanged().image);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.lines.empty()) << joined(r.lines);
}

TEST(Diff, OnePaperWidthChangesExactlyItsOwnAnswer) {
  auto changed = build([](Model& m) {
    Node* leaf = find_node(m, [](const Node& n) {
      return n.tag == 0x1003 && n.numbers == std::vector<int64_t>{21000, 29700};
    });
    if (leaf) leaf->numbers[0] = 21001;
  });
  DiffRun r = diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines,
            std::vector<std::string>{"drv 0x1003 s28=9: DB_OK 21000 29700 -> DB_OK 21001 29700"});
  std::ostringstream out;
  EXPECT_EQ(run_diff({&unchanged().image, "a"}, {&changed->image, "b"}, true, out), 1);
  nlohmann::json j = nlohmann::json::parse(out.str());
  ASSERT_EQ(j["differences"].size(), 1u);
  const nlohmann::json& d = j["differences"][0];
  EXPECT_EQ(d["domain"], "drv");
  EXPECT_EQ(d["id"], "0x1003");
  EXPECT_EQ(d["combination"]["selectors"], nlohmann::json({{"28", 9}}));
  EXPECT_EQ(d["old"]["value"], nlohmann::json({21000, 29700}));
  EXPECT_EQ(d["new"]["value"], nlohmann::json({21001, 29700}));
}

TEST(Diff, OneModeRowsPartCIndexChangesItsRowAndItsModeRecord) {
  auto changed = build([](Model& m) {
    for (auto& row : m.drv_tables().mode_rows) {
      if (row.keys == std::array<int64_t, 6>{2, 2, 261, 5, 1, 0}) {
        EXPECT_EQ(row.parts[2], 7);
        row.parts[2] = 8;
      }
    }
  });
  DiffRun r = diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.lines.size(), 2u) << joined(r.lines);
  // Part C rows 7 and 8: 13, 4, 3, then field 4 = 20 or 10, 21590, 27940, 20 zeros.
  const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
  const std::string row7 = "0D 00 04 00 03 00 14 00 56 54 00 00 24 6D 00 00" + zeros;
  const std::string row8 = "0D 00 04 00 03 00 0A 00 56 54 00 00 24 6D 00 00" + zeros;
  const std::string& answer = r.lines[0];
  EXPECT_EQ(answer.rfind("drv 0x101E s4=2 s5=261 s6=1 s8=5 s9=2 s81=0: DB_OK ", 0), 0u) << answer;
  size_t arrow = answer.find(" -> DB_OK ");
  ASSERT_NE(arrow, std::string::npos);
  EXPECT_NE(answer.substr(0, arrow).find(row7), std::string::npos);
  EXPECT_NE(answer.substr(arrow).find(row8), std::string::npos);
  EXPECT_EQ(r.lines[1],
            "drv mode-table s4=2 s9=2 s5=261 s8=5 s6=1 s81=0 part C: " + row7 + " -> " + row8);
}

TEST(Diff, OneValueIdentifierChangesItsRowAndTheListsCarryingIt) {
  auto changed = build([](Model& m) {
    for (auto& slot : m.drv_tables().selector_values) {
      for (auto& v : slot.values) {
        if (slot.selector == 5 && v.value == 271) v.value_id = 15999;
      }
    }
  });
  DiffRun r = diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.lines.empty());
  EXPECT_EQ(r.lines.back(), "drv selector-values s5=271: id 15117 at 1 -> id 15999 at 1");
  // The full list of selector 5 in list order with its identifiers.
  bool full_list = false;
  for (size_t k = 0; k + 1 < r.lines.size(); ++k) {
    const std::string& line = r.lines[k];
    full_list = full_list || line.rfind("drv 0x100F: DB_OK [1 15101 ", 0) == 0;
    // Every other line is a list of selector 5's values whose only change
    // is that identifier.
    bool list = line.rfind("drv 0x100E", 0) == 0 || line.rfind("drv 0x100F", 0) == 0 ||
                line.rfind("drv 0x1051", 0) == 0;
    EXPECT_TRUE(list) << line;
    size_t arrow = line.find(" -> ");
    ASSERT_NE(arrow, std::string::npos);
    std::string old_answer = line.substr(line.find(": ") + 2, arrow - line.find(": ") - 2);
    std::string new_answer = line.substr(arrow + 4);
    size_t at = old_answer.find("271 15117 ");
    ASSERT_NE(at, std::string::npos) << line;
    EXPECT_EQ(old_answer.replace(at, 10, "271 15999 "), new_answer);
  }
  EXPECT_TRUE(full_list);
}

TEST(Diff, AnIdOfOneImageOnlyAnswersNoEntryOnTheOther) {
  // Root id 0x0001 lies in the used stretch but has no slot: DB_NO_ENTRY.
  auto changed = build([](Model& m) {
    m.root({0x0001}, orv::model::str(0x0001, "2.00"));
    m.about(0x0001, "a second version text");
  });
  DiffRun r = diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, std::vector<std::string>{"root 0x0001: DB_NO_ENTRY -> DB_OK \"2.00\""});
  r = diff(changed->image, unchanged().image);
  EXPECT_EQ(r.lines, std::vector<std::string>{"root 0x0001: DB_OK \"2.00\" -> DB_NO_ENTRY"});
}

TEST(Diff, AnIdBeyondTheCombinationLimitIsReportedNotPassedOver) {
  const orv::Image& builtin = orv::builtin_image();
  // The paper table tells 18 paper codes (the user-defined size among them)
  // and a code it lacks apart: 19 combinations.
  DiffOptions options;
  options.max_combinations = 18;
  std::ostringstream out;
  EXPECT_EQ(run_diff({&builtin, "a"}, {&builtin, "b"}, true, out, options), 1);
  nlohmann::json j = nlohmann::json::parse(out.str());
  EXPECT_TRUE(j["differences"].empty());
  bool paper = false;
  for (auto& entry : j["incomplete"]) paper = paper || entry["id"] == "0x1003";
  EXPECT_TRUE(paper) << j["incomplete"].dump();
  DiffRun r = diff(builtin, builtin, options);
  EXPECT_EQ(r.status, 1);
  bool line = false;
  for (auto& l : r.lines)
    line = line || l == "drv 0x1003: more than 18 combinations; compared the first 18";
  EXPECT_TRUE(line);
  // One more combination than the table tells apart: complete.
  options.max_combinations = 19;
  r = diff(builtin, builtin, options);
  for (auto& l : r.lines) EXPECT_NE(l.rfind("drv 0x1003:", 0), 0u) << l;
}

}  // namespace
}  // namespace orvtool
