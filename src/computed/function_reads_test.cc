#include "computed/function_reads.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv {
namespace {

// What each function number reads and the selector count it demands; the
// functions that build control-language blocks read no selector, and a
// number without an item has no row.
TEST(FunctionReadsTest, SelectorsAndDemandOfEveryFunction) {
  struct Case {
    uint16_t function;
    std::vector<uint16_t> selectors;
    uint32_t minimum;
  };
  const Case cases[] = {
      {1, {29, 30}, 31}, {2, {29, 30}, 31}, {3, {25, 26, 52}, 53}, {4, {30}, 31}, {5, {}, 0},
      {6, {79, 80}, 81}, {7, {}, 0},
  };
  for (const Case& c : cases) {
    const FunctionReads* row = find_function_reads(c.function);
    ASSERT_NE(row, nullptr) << c.function;
    EXPECT_EQ(std::vector<uint16_t>(row->selectors, row->selectors + row->selector_count),
              c.selectors)
        << c.function;
    EXPECT_EQ(function_min_selectors(row->function), c.minimum) << c.function;
  }
  EXPECT_EQ(find_function_reads(0), nullptr);
  EXPECT_EQ(find_function_reads(8), nullptr);
}

}  // namespace
}  // namespace orv
