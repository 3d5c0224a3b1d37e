// The mode-row search compares rows four at a time by their first key and
// then whole: the row found is checked at every place of a step and of the
// tail. The rows end at an unreadable page, so a read past the table's
// count stops the test.
#include "drvrecords/mode_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "drvrecords/drv_tables.h"
#include "support/guarded_array.h"

namespace orv {
namespace {

// Row i of a table: first key 100 + i, every other key 7 (no row's first key).
ModeRow RowNumber(uint32_t i) {
  ModeRow row{};
  row.keys[0] = static_cast<int16_t>(100 + i);
  for (uint32_t k = 1; k < kModeKeyCount; ++k) row.keys[k] = 7;
  return row;
}

// Selectors holding a row's keys at the six key selectors.
std::vector<uint32_t> SelectorsOf(const ModeRow& row) {
  std::vector<uint32_t> selectors(82, 0);
  for (uint32_t k = 0; k < kModeKeyCount; ++k) {
    selectors[kModeKeySelectors[k]] = static_cast<uint32_t>(int32_t{row.keys[k]});
  }
  return selectors;
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
      EXPECT_EQ(matching_mode_row(tables, SelectorsOf(RowNumber(at)).data()),
                at < count ? guarded.data() + at : nullptr)
          << count << " rows, row " << at;
    }
  }
}

TEST(MatchingModeRowTest, TableWithoutRowsMatchesNothing) {
  DrvTables tables{};
  tables.mode_count = 1;  // counted, but no rows
  EXPECT_EQ(matching_mode_row(tables, SelectorsOf(RowNumber(0)).data()), nullptr);
}

}  // namespace
}  // namespace orv
