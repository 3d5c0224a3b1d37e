// orvdb diff over images compiled from the first model's description with
// one thing changed: the diff names exactly the answers and table rows the
// change touches, in the documented order, and --stat counts them.
#include "diff.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "changed_model.h"

namespace orvtool {
namespace {

using orv::model::Model;
using orv::model::Node;
using testing::Built;
using testing::DiffRun;
using testing::joined;

DiffRun diff(const orv::Image& a, const orv::Image& b, DiffOptions options = {}) {
  std::ostringstream out;
  int status = run_diff({&a, "old.orvimg"}, {&b, "new.orvimg"}, out, options);
  return testing::split_diff(status, out.str());
}

nlohmann::json diff_json(const orv::Image& a, const orv::Image& b, int status,
                         DiffOptions options = {}) {
  options.json = true;
  std::ostringstream out;
  EXPECT_EQ(run_diff({&a, "a"}, {&b, "b"}, out, options), status);
  return nlohmann::json::parse(out.str());
}

const Built& unchanged() {
  static const std::unique_ptr<Built> built = testing::build([](Model&) {});
  return *built;
}

TEST(Diff, AnImageComparedWithItselfPrintsItsFirstLineAndTheSummary) {
  const orv::Image& builtin = orv::builtin_image();
  DiffRun r = diff(builtin, builtin);
  EXPECT_EQ(r.status, 0);
  // The clock, and the selectors only the computed items read (the extents
  // and printable areas, the option-bits command's quantity).
  EXPECT_EQ(r.first,
            "diff old.orvimg (QXR-7310) -> new.orvimg (QXR-7310); held fixed: clock 2026-12-06 "
            "18:44:29; selectors 25 26 29 30 52 80 at 0 where only computed items read them; "
            "selector 79 only at the values the trees tell apart, though computed items read it "
            "whole");
  EXPECT_TRUE(r.lines.empty()) << joined(r.lines);
  EXPECT_EQ(
      r.summary.rfind("summary: 0 answers differ, over 0 ids; 0 table rows differ (compared ", 0),
      0u)
      << r.summary;
  nlohmann::json j = diff_json(builtin, builtin, 0);
  EXPECT_EQ(j["old"]["model"], "QXR-7310");
  EXPECT_EQ(j["platform"]["clock"], "2026-12-06 18:44:29");
  EXPECT_TRUE(j["differences"].empty());
  EXPECT_TRUE(j["incomplete"].empty());
  EXPECT_EQ(j["summary"]["answers_differing"], 0);
  EXPECT_GT(j["summary"]["combinations"].get<size_t>(), 40000u);
  // The description compiled here answers as the built-in image does.
  r = diff(builtin, unchanged().image);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.lines.empty()) << joined(r.lines);
}

TEST(Diff, OnePaperWidthChangesExactlyItsOwnAnswer) {
  auto changed = testing::build([](Model& m) {
    Node* leaf = testing::find_node(m, [](const Node& n) {
      return n.tag == 0x1003 && n.numbers == std::vector<int64_t>{21000, 29700};
    });
    if (leaf) leaf->numbers[0] = 21001;
  });
  DiffRun r = testing::diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines,
            std::vector<std::string>{"drv 0x1003 s28=9: DB_OK 21000 29700 -> DB_OK 21001 29700"});
  EXPECT_EQ(r.summary.rfind("summary: 1 answer differs, over 1 id; 0 table rows differ", 0), 0u)
      << r.summary;
  nlohmann::json j = diff_json(unchanged().image, changed->image, 1);
  ASSERT_EQ(j["differences"].size(), 1u);
  const nlohmann::json& d = j["differences"][0];
  EXPECT_EQ(d["domain"], "drv");
  EXPECT_EQ(d["id"], 0x1003);
  EXPECT_EQ(d["combination"]["selectors"], nlohmann::json({{"28", 9}}));
  EXPECT_EQ(d["old"]["value"], nlohmann::json({21000, 29700}));
  EXPECT_EQ(d["new"]["value"], nlohmann::json({21001, 29700}));
}

TEST(Diff, OneModeRowsPartCIndexChangesItsRowAndItsModeRecord) {
  auto changed = testing::build([](Model& m) {
    for (auto& row : m.drv_tables().mode_rows) {
      if (row.keys == std::array<int64_t, 6>{2, 2, 261, 5, 1, 0}) {
        EXPECT_EQ(row.parts[2], 7);
        row.parts[2] = 8;
      }
    }
  });
  DiffRun r = testing::diff_files(unchanged().image, changed->image);
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
  EXPECT_EQ(r.summary.rfind("summary: 1 answer differs, over 1 id; 1 table row differs", 0), 0u)
      << r.summary;
}

TEST(Diff, OneValueIdentifierChangesItsRowAndTheListsCarryingIt) {
  auto changed = testing::build([](Model& m) {
    for (auto& slot : m.drv_tables().selector_values) {
      for (auto& v : slot.values) {
        if (slot.selector == 5 && v.value == 271) v.value_id = 15999;
      }
    }
  });
  DiffRun r = testing::diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.lines.empty());
  EXPECT_EQ(r.lines.back(), "drv selector-values s5=271: id 15117 at 1 -> id 15999 at 1");
  // The full list of selector 5 in list order with its identifiers.
  bool full_list = false;
  for (size_t k = 0; k + 1 < r.lines.size(); ++k) {
    const std::string& line = r.lines[k];
    full_list = full_list || line.rfind("drv 0x100F", 0) == 0;
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
  auto changed = testing::build([](Model& m) {
    m.root({0x0001}, orv::model::str(0x0001, "2.00"));
    m.about(0x0001, "a second version text");
  });
  DiffRun r = testing::diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, std::vector<std::string>{"root 0x0001: DB_NO_ENTRY -> DB_OK \"2.00\""});
  r = diff(changed->image, unchanged().image);
  EXPECT_EQ(r.lines, std::vector<std::string>{"root 0x0001: DB_OK \"2.00\" -> DB_NO_ENTRY"});
}

// Changes in two domains, in two mode-table rows whose table order is not
// their key order (selector 5 lists 271 before 261), and in two selectors'
// values (the table lists selector 28 before 4): every answer line in domain
// and id order, then the table rows by key; --stat counts the same.
TEST(Diff, LinesComeInDomainIdAndKeyOrderAndStatCountsThem) {
  auto changed = testing::build([](Model& m) {
    Node* leaf = testing::find_node(m, [](const Node& n) {
      return n.tag == 0x1003 && n.numbers == std::vector<int64_t>{21000, 29700};
    });
    if (leaf) leaf->numbers[0] = 21001;
    Node* cleaning = testing::find_node(
        m, [](const Node& n) { return n.tag == 0x2004 && n.numbers == std::vector<int64_t>{133}; });
    if (cleaning) cleaning->numbers[0] = 134;
    for (auto& row : m.drv_tables().mode_rows) {
      if (row.keys == std::array<int64_t, 6>{1, 0, 271, 1, 2, 0}) row.parts[2] = 1;
      if (row.keys == std::array<int64_t, 6>{1, 0, 261, 1, 2, 0}) row.parts[2] = 6;
    }
    for (auto& slot : m.drv_tables().selector_values) {
      for (auto& v : slot.values) {
        if ((slot.selector == 28 && v.value == 11) || (slot.selector == 4 && v.value == 1)) {
          v.value_id += 1000;
        }
      }
    }
  });
  DiffRun r = testing::diff_files(unchanged().image, changed->image);
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> domains = {"root", "drv", "lm", "mnt", "pa", "sm", "internal"};
  std::map<std::string, size_t> per_id;  // "drv 0x1003" -> lines
  std::vector<std::string> tables;
  std::pair<size_t, std::string> last{0, ""};
  for (const std::string& line : r.lines) {
    std::istringstream words(line);
    std::string domain, id;
    words >> domain >> id;
    if (id.rfind("0x", 0) != 0) {
      tables.push_back(line);
      continue;
    }
    ASSERT_TRUE(tables.empty()) << "an answer after a table row: " << line;
    id = id.substr(0, id.find(':'));
    size_t d = std::find(domains.begin(), domains.end(), domain) - domains.begin();
    std::pair<size_t, std::string> at{d, id};
    EXPECT_LE(last, at) << line;
    last = at;
    ++per_id[domain + " " + id];
  }
  EXPECT_TRUE(per_id.count("drv 0x1003") && per_id.count("lm 0x2004") &&
              per_id.count("drv 0x101E") && per_id.count("drv 0x100D"))
      << joined(r.lines);
  const std::string zeros = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
  auto table_head = [](const std::string& line) { return line.substr(0, line.find(':')); };
  ASSERT_EQ(tables.size(), 4u) << joined(tables);
  EXPECT_EQ(table_head(tables[0]), "drv mode-table s4=1 s9=0 s5=261 s8=1 s6=2 s81=0 part C");
  EXPECT_EQ(table_head(tables[1]), "drv mode-table s4=1 s9=0 s5=271 s8=1 s6=2 s81=0 part C");
  EXPECT_EQ(tables[2], "drv selector-values s4=1: id 15002 at 0 -> id 16002 at 0");
  EXPECT_EQ(tables[3], "drv selector-values s28=11: id 15762 at 0 -> id 16762 at 0");

  DiffRun stat = testing::diff_files(unchanged().image, changed->image, true);
  EXPECT_EQ(stat.status, 1);
  EXPECT_EQ(stat.summary, r.summary);
  ASSERT_EQ(stat.lines.size(), per_id.size() + 2) << joined(stat.lines);
  size_t k = 0;
  for (const std::string& line : stat.lines) {
    if (k < per_id.size()) {
      std::string head = line.substr(0, line.find(':'));
      ASSERT_TRUE(per_id.count(head)) << line;
      EXPECT_EQ(line.substr(head.size(), line.find(" of ") - head.size()),
                ": " + std::to_string(per_id[head]))
          << line;
    }
    ++k;
  }
  EXPECT_EQ(stat.lines[k - 2], "drv mode-table: 2 of 262 rows differ");
  EXPECT_EQ(stat.lines[k - 1], "drv selector-values: 2 of 33 rows differ");
}

TEST(Diff, AnIdBeyondTheCombinationLimitIsReportedNotPassedOver) {
  const orv::Image& builtin = orv::builtin_image();
  // The paper table tells 18 paper codes (the user-defined size among them)
  // and a code it lacks apart: 19 combinations.
  DiffOptions options;
  options.max_combinations = 18;
  nlohmann::json j = diff_json(builtin, builtin, 1, options);
  EXPECT_TRUE(j["differences"].empty());
  bool paper = false;
  for (auto& entry : j["incomplete"]) paper = paper || entry["id"] == 0x1003;
  EXPECT_TRUE(paper) << j["incomplete"].dump();
  DiffRun r = diff(builtin, builtin, options);
  EXPECT_EQ(r.status, 1);
  bool line = false;
  for (auto& l : r.lines)
    line = line || l == "drv 0x1003: more than 18 combinations; compared the first 18";
  EXPECT_TRUE(line);
  EXPECT_NE(r.summary.find(" not compared in full"), std::string::npos) << r.summary;
  // One more combination than the table tells apart: complete.
  options.max_combinations = 19;
  r = diff(builtin, builtin, options);
  for (auto& l : r.lines) EXPECT_NE(l.rfind("drv 0x1003:", 0), 0u) << l;
}

}  // namespace
}  // namespace orvtool
