// The list paths answer whatever a special-id row states, not what an id
// number stands for: rows made up here, of the existing list paths, over a
// small hand-built image.
#include "drvrecords/drv_lists.h"

#include <gtest/gtest.h>

#include <vector>

#include "drvrecords/drv_tables.h"
#include "support/drv_table_builder.h"
#include "support/fetch.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"
#include "support/value_records.h"

namespace orv {
namespace {

using testing::expect_records;
using testing::ImageBuilder;

constexpr uint16_t kList = 0x1060;      // a list id no model has
constexpr uint16_t kMarker = 0x5020;    // its marker pair: (7, 2)
constexpr uint16_t kNoMarker = 0x5021;  // a marker id without a root
constexpr uint16_t kAttrA = 0x5022;     // 100 + selector 7
constexpr uint16_t kAttrB = 0x5023;     // 200 + selector 7

// Selectors 7 and 4 with their values and value identifiers.
struct ListImage {
  ImageBuilder b;
  testing::DrvTableBuilder drv;
  DrvTables tables{};
  ListImage() {
    b.root(kList, b.int8_leaf(kList, {7, 4}));
    b.root(kMarker, b.int8_leaf(kMarker, {7, 2}));
    for (uint16_t id : {kAttrA, kAttrB}) {
      const int16_t base = id == kAttrA ? 100 : 200;
      b.root(id, b.selector_switch(7, {{4, b.int16_leaf(id, {static_cast<int16_t>(base + 4)})},
                                       {7, b.int16_leaf(id, {static_cast<int16_t>(base + 7)})}}));
    }
    drv.selector(7, {{4, 15301}, {7, 15302}});
    drv.selector(4, {{1, 15002}, {2, 15001}, {3, 15003}});
    tables = drv.tables();
    b.drv_tables = &tables;
  }
};

DrvSpecialId Row(DrvPath path, uint16_t key, uint16_t attr_selector, uint16_t attr1, uint16_t attr2,
                 uint16_t attr3, uint16_t marker, bool required) {
  return DrvSpecialId{kList,
                      path,
                      key,
                      attr_selector,
                      {attr1, attr2, attr3},
                      kNoId,
                      marker,
                      required,
                      static_cast<uint8_t>(attr_selector + 1)};
}

class RowDrivenListTest : public testing::LeakCheckedTest {
 protected:
  // The records of the row, asked as a caller asks, with `selectors` selectors.
  int32_t Query(const DrvSpecialId& row, uint32_t selectors, std::vector<ORV_VALUE_RECORD>* out) {
    const testing::QueryContext c(selectors);
    auto query = row.path == DrvPath::kFullList ? full_list_query : stored_list_query;
    testing::Answer a = testing::ask_sized(query, list_.b.image(), row, &c.ctx);
    *out = a.as<ORV_VALUE_RECORD>();
    return a.result;
  }
  ListImage list_;
};

TEST_F(RowDrivenListTest, KeyAttributesAndMarkComeFromTheRow) {
  std::vector<ORV_VALUE_RECORD> r;
  // attr1 and attr3 looked up, attr2 from nowhere: each id lands in its own field.
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kAttrA, kNoId, kAttrB, kMarker, false), 8, &r),
            DB_OK);
  expect_records(r, {.value = {7, 4}, .attr1 = {107, 104}, .attr3 = {207, 204}, .mark = {2, 0}});
  // The key selector fills attr1 before the lookups; here nothing overwrites it.
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kNoId, kAttrA, kNoId, kNoId, false), 8, &r),
            DB_OK);
  expect_records(r, {.attr1 = {15302, 15301}, .attr2 = {107, 104}});
  // The row's selector demand holds before any lookup.
  EXPECT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kAttrA, kNoId, kNoId, kNoId, false), 7, &r),
            DB_NO_SELECTOR);
}

// A null selector array holds no selectors, whatever its count says: even
// a row that needs a single selector is refused.
TEST_F(RowDrivenListTest, NullSelectorArrayHoldsNoneForARowOfOne) {
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = 1;
  const DrvSpecialId row =
      Row(DrvPath::kStoredList, kNoSelector, 0, kAttrA, kNoId, kNoId, kNoId, false);
  ASSERT_EQ(row.min_selectors, 1);
  EXPECT_EQ(testing::ask_sized(stored_list_query, list_.b.image(), row, &ctx).result,
            DB_NO_SELECTOR);
}

TEST_F(RowDrivenListTest, FullListOfTheRowsKeySelector) {
  std::vector<ORV_VALUE_RECORD> r;
  ASSERT_EQ(
      Query(Row(DrvPath::kFullList, 4, kNoSelector, kNoId, kNoId, kNoId, kNoId, false), 0, &r),
      DB_OK);
  expect_records(r, {.value = {1, 2, 3}, .attr1 = {15002, 15001, 15003}});
}

// The full list's values end exactly at the selector-value table's end; with
// the table cut by one, the last value is missing and the table damaged,
// though the value lying past the cut would pass every later step.
TEST_F(RowDrivenListTest, FullListEndingAtTheTablesEnd) {
  testing::DrvTableBuilder drv;
  drv.selector(9, {{5, 16001}, {6, 16002}, {5, 16001}});
  DrvTables tables = drv.tables();
  list_.b.drv_tables = &tables;
  const DrvSpecialId row =
      Row(DrvPath::kFullList, 9, kNoSelector, kNoId, kNoId, kNoId, kNoId, false);
  std::vector<ORV_VALUE_RECORD> r;
  ASSERT_EQ(Query(row, 0, &r), DB_OK);
  expect_records(r, {.value = {5, 6, 5}, .attr1 = {16001, 16002, 16001}});
  tables.sel_value_count = 2;
  EXPECT_EQ(Query(row, 0, &r), DB_ERROR);
}

// A key selector whose values run past the selector-value table's end:
// the one value inside is found where it lies, and a value beyond the end
// makes the table inconsistent.
TEST_F(RowDrivenListTest, KeyValuesPartlyInsideTheTable) {
  constexpr uint16_t kOneValue = 0x1061;
  constexpr uint16_t kTwoValues = 0x1062;
  list_.b.root(kOneValue, list_.b.int8_leaf(kOneValue, {1}));
  list_.b.root(kTwoValues, list_.b.int8_leaf(kTwoValues, {1, 2}));
  list_.tables.sel_value_count = 3;  // selector 4's values 2 and 3 cut off
  DrvSpecialId row = Row(DrvPath::kStoredList, 4, kNoSelector, kNoId, kNoId, kNoId, kNoId, false);
  std::vector<ORV_VALUE_RECORD> r;
  row.id = kOneValue;
  ASSERT_EQ(Query(row, 8, &r), DB_OK);
  expect_records(r, {.value = {1}, .attr1 = {15002}});
  row.id = kTwoValues;
  EXPECT_EQ(Query(row, 8, &r), DB_ERROR);
}

TEST_F(RowDrivenListTest, RequiredMarkerFailsWhereAnOptionalOneMarksNothing) {
  std::vector<ORV_VALUE_RECORD> r;
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kNoMarker, false),
                  0, &r),
            DB_OK);
  expect_records(r, {.mark = {0, 0}});
  EXPECT_EQ(Query(Row(DrvPath::kSelector8List, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kNoMarker, true),
                  0, &r),
            DB_NO_ENTRY);
  ASSERT_EQ(Query(Row(DrvPath::kSelector8List, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kMarker, true),
                  0, &r),
            DB_OK);
  expect_records(r, {.mark = {2, 0}});
}

}  // namespace
}  // namespace orv
