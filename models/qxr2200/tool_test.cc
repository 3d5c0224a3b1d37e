// The QXR-2200's country-code and printer-value switches through the tool:
// sweep lists every case they hold, and diff of a copy of the description
// with the answer of one range changed in each names exactly the bounds of
// those ranges. Built into this model's tool test when the tool is built.
#include <gtest/gtest.h>

#include <sstream>

#include "changed_model.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

using orv::model::Model;
using orv::model::Node;

// The rows of `sweep DOMAIN ID --csv`, header first, each read as RFC 4180
// says and joined with commas again.
std::vector<std::string> sweep_rows(const std::string& domain, const std::string& id) {
  ToolRun r = tool({"sweep", domain, id, "--csv"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "held fixed: clock 2026-12-06 18:44:29\n");
  auto records = read_csv(r.out);
  EXPECT_TRUE(records) << r.out;
  std::vector<std::string> rows;
  for (const std::vector<std::string>& fields : records.value_or(decltype(records)::value_type{})) {
    std::string row;
    for (size_t i = 0; i < fields.size(); ++i) row += (i ? "," : "") + fields[i];
    rows.push_back(row);
  }
  return rows;
}

// LM 0x2002: 1 for country 1, 9 for 30 to 49, else 0. PA 0x4002: 250 for a
// tray value of 1, 500 for 2 to 4, else 0, also without the value; no
// printer at all is no context. Every case value, both bounds of the range
// and a value no case takes (0).
TEST(ModelTool, SweepListsEveryCountryAndPrinterValueCase) {
  EXPECT_EQ(sweep_rows("lm", "0x2002"),
            (std::vector<std::string>{"country,result,answer", "1,DB_OK,1", "30,DB_OK,9",
                                      "49,DB_OK,9", "0,DB_OK,0"}));
  EXPECT_EQ(
      sweep_rows("pa", "0x4002"),
      (std::vector<std::string>{"p1,result,answer", "1,DB_OK,250", "2,DB_OK,500", "4,DB_OK,500",
                                "0,DB_OK,0", "absent,DB_OK,0", "no printer,DB_NO_CONTEXT,"}));
}

TEST(ModelTool, DiffOfChangedRangesNamesExactlyTheirBounds) {
  auto unchanged = testing::build([](Model&) {});
  auto changed = testing::build([](Model& m) {
    Node* country = testing::find_node(
        m, [](const Node& n) { return n.tag == 0x2002 && n.numbers == std::vector<int64_t>{9}; });
    if (country) country->numbers[0] = 8;
    Node* tray = testing::find_node(
        m, [](const Node& n) { return n.tag == 0x4002 && n.numbers == std::vector<int64_t>{500}; });
    if (tray) tray->numbers[0] = 600;
  });
  testing::DiffRun r = testing::diff_files(unchanged->image, changed->image);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "lm 0x2002 country=30: DB_OK 9 -> DB_OK 8",
                         "lm 0x2002 country=49: DB_OK 9 -> DB_OK 8",
                         "pa 0x4002 p1=2: DB_OK 500 -> DB_OK 600",
                         "pa 0x4002 p1=4: DB_OK 500 -> DB_OK 600",
                     }))
      << testing::joined(r.lines);
  EXPECT_EQ(r.summary.rfind("summary: 4 answers differ, over 2 ids; 0 table rows differ", 0), 0u)
      << r.summary;
}

}  // namespace
}  // namespace orvtool
