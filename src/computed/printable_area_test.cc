#include "computed/printable_area.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "support/query_context.h"

namespace orv {
namespace {

using testing::QueryContext;
using Area = std::array<int32_t, 4>;

struct CustomCase {
  uint32_t width;
  uint32_t length;
  Area area;
};

TEST(CustomPrintableAreaTest, AnswersOffsetsAndExtentWithTheWidthLimit) {
  const CustomCase cases[] = {
      {21000, 29700, {340, 20320, 300, 28700}}, {29700, 42000, {340, 28956, 300, 41000}},
      {29636, 29700, {340, 28956, 300, 28700}}, {29635, 29700, {340, 28955, 300, 28700}},
      {90000, 29700, {340, 28956, 300, 28700}},
  };
  for (const CustomCase& c : cases) {
    QueryContext sc(31, {{29, c.width}, {30, c.length}});
    Area out = {-7, -7, -7, -7};
    uint32_t needed = 0;
    ASSERT_EQ(custom_printable_area(&sc.ctx, sizeof out, out.data(), &needed), DB_OK);
    EXPECT_EQ(needed, 16u);
    EXPECT_EQ(out, c.area) << "width " << c.width;
  }
}

TEST(CustomPrintableAreaTest, SizesBelowTheMarginsGiveNegativeExtents) {
  QueryContext sc(31, {{29, 600}, {30, 900}});
  Area out = {};
  uint32_t needed = 0;
  ASSERT_EQ(custom_printable_area(&sc.ctx, sizeof out, out.data(), &needed), DB_OK);
  EXPECT_EQ(out, (Area{340, -80, 300, -100}));
}

TEST(PaperPrintableAreaTest, ModeFiveRemovesOnlyTheVerticalMargins) {
  QueryContext borderless(53, {{25, 21000}, {26, 29700}, {52, 5}});
  QueryContext normal(53, {{25, 21000}, {26, 29700}, {52, 0}});
  Area out = {};
  uint32_t needed = 0;
  ASSERT_EQ(paper_printable_area(&borderless.ctx, sizeof out, out.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 16u);
  EXPECT_EQ(out, (Area{340, 20320, 0, 29700}));
  ASSERT_EQ(paper_printable_area(&normal.ctx, sizeof out, out.data(), &needed), DB_OK);
  EXPECT_EQ(out, (Area{340, 20320, 300, 28700}));
}

TEST(PrintableAreaTest, SelectorMinimumsHoldForSizeQueriesToo) {
  uint32_t needed = 77;
  QueryContext thirty(30);
  EXPECT_EQ(custom_printable_area(&thirty.ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
  QueryContext fifty_two(52);
  EXPECT_EQ(paper_printable_area(&fifty_two.ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 77u);

  QueryContext thirty_one(31);
  EXPECT_EQ(custom_printable_area(&thirty_one.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 16u);
  QueryContext fifty_three(53);
  needed = 0;
  Area out = {1, 2, 3, 4};
  EXPECT_EQ(paper_printable_area(&fifty_three.ctx, 15, out.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 16u);
  EXPECT_EQ(out, (Area{1, 2, 3, 4}));

  ORV_QUERY_CONTEXT no_array = {};
  no_array.cSelectors = 53;
  needed = 77;
  EXPECT_EQ(paper_printable_area(&no_array, sizeof out, out.data(), &needed), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 77u);
  EXPECT_EQ(out, (Area{1, 2, 3, 4}));
}

}  // namespace
}  // namespace orv
