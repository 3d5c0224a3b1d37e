// The mode-row search compares rows four at a time by their first key and
// then whole: the row found is checked at every place of a step and of the
// tail. The rows end at an unreadable page, so a read past the table's
// count stops the test.
#include "drvrecords/mode_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "drvrecords/drv_tables.h"
#include "support/guarded_array.h"
#include "support/query_context.h"

namespace orv {
namespace {

// Row i of a table: first key 100 + i, every other key 7 (no row's first key).
ModeRow RowNumber(uint32_t i) {
  ModeRow row{};
  row.keys[0] = static_cast<int16_t>(100 + i);
  for (uint32_t k = 1; k < kModeKeyCount; ++k) row.keys[k] = 7;
  return row;
}

// A context holding a row's keys at the six key selectors.
testing::QueryContext ContextOf(const ModeRow& row) {
  testing::SelectorValues keys;
  for (uint32_t k = 0; k < kModeKeyCount; ++k) {
    keys.emplace_back(kModeKeySelectors[k], static_cast<uint32_t>(int32_t{row.keys[k]}));
  }
  return testing::QueryContext(82, keys);
}

TEST(MatchingModeRowTest, EveryPlaceOfAStepAndOfTheTail) {
  for (uint32_t count = 1; count <= 9; ++count) {
    std::vector<ModeRow> rows;
    for (uint32_t i = 0; i < count; ++i) rows.push_back(RowNumber(i));
    const testing::GuardedArray<ModeRow> guarded(rows.data(), rows.size());
    DrvTables tables{};
    tables.mode_rows = guarded.data();
    tables.mode_count = count;
    // Each row where it stands; the keys of the row after the last are no row's.
    for (uint32_t at = 0; at <= count; ++at) {
      EXPECT_EQ(matching_mode_row(tables, ContextOf(RowNumber(at)).ctx.pSelectors),
                at < count ? guarded.data() + at : nullptr)
          << count << " rows, row " << at;
    }
  }
}

// Keys are 16-bit: the widest keys of each sign match, and a selector one
// beyond them matches no row, not the row its low 16 bits would name.
TEST(MatchingModeRowTest, KeysAtTheEdgesOfSixteenBits) {
  ModeRow rows[2] = {};
  rows[0].keys[0] = INT16_MIN;
  rows[0].keys[1] = INT16_MAX;
  rows[1].keys[0] = INT16_MAX;
  rows[1].keys[1] = INT16_MIN;
  DrvTables tables{};
  tables.mode_rows = rows;
  tables.mode_count = 2;
  const struct {
    int32_t key0, key1;
    const ModeRow* found;
  } cases[] = {
      {INT16_MIN, INT16_MAX, &rows[0]},    {INT16_MAX, INT16_MIN, &rows[1]},
      {INT16_MAX + 1, INT16_MAX, nullptr}, {INT16_MIN, INT16_MIN - 1, nullptr},
      {INT16_MIN - 1, INT16_MIN, nullptr}, {INT16_MAX, INT16_MAX + 1, nullptr},
  };
  for (const auto& c : cases) {
    const testing::QueryContext keys(82, {{kModeKeySelectors[0], static_cast<uint32_t>(c.key0)},
                                          {kModeKeySelectors[1], static_cast<uint32_t>(c.key1)}});
    EXPECT_EQ(matching_mode_row(tables, keys.ctx.pSelectors), c.found) << c.key0 << ", " << c.key1;
  }
}

TEST(MatchingModeRowTest, TableWithoutRowsMatchesNothing) {
  DrvTables tables{};
  tables.mode_count = 1;  // counted, but no rows
  EXPECT_EQ(matching_mode_row(tables, ContextOf(RowNumber(0)).ctx.pSelectors), nullptr);
}

}  // namespace
}  // namespace orv
