// The list paths answer whatever a special-id row states, not what an id
// number stands for: rows made up here, of the existing list paths, over a
// small hand-built image.
#include "drvrecords/drv_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"

namespace orv {
namespace {

using testing::ImageBuilder;

// Selectors 7 and 4 with their values and value identifiers.
const uint16_t kSelIndices[] = {7, 4};
const uint16_t kSelCounts[] = {2, 3};
const uint32_t kSelFirst[] = {0, 2};
const uint16_t kSelValues[] = {4, 7, 1, 2, 3};
const uint32_t kSelIds[] = {15301, 15302, 15002, 15001, 15003};

constexpr uint16_t kList = 0x1060;      // a list id no model has
constexpr uint16_t kMarker = 0x5020;    // its marker pair: (7, 2)
constexpr uint16_t kNoMarker = 0x5021;  // a marker id without a root
constexpr uint16_t kAttrA = 0x5022;     // 100 + selector 7
constexpr uint16_t kAttrB = 0x5023;     // 200 + selector 7

struct ListImage {
  ImageBuilder b;
  DrvTables tables{};
  ListImage() {
    b.root(kList, b.int8_leaf(kList, {7, 4}));
    b.root(kMarker, b.int8_leaf(kMarker, {7, 2}));
    for (uint16_t id : {kAttrA, kAttrB}) {
      const int16_t base = id == kAttrA ? 100 : 200;
      uint32_t sw = b.reserve(3);
      b.set(sw, ITEM_SWITCH_SELECTOR, sw + 1, 7, 2);
      b.set_raw(sw + 1, ITEM_CASE, b.int16_leaf(id, {static_cast<int16_t>(base + 4)}), 4);
      b.set_raw(sw + 2, ITEM_CASE, b.int16_leaf(id, {static_cast<int16_t>(base + 7)}), 7);
      b.root(id, sw);
    }
    tables.sel_indices = kSelIndices;
    tables.sel_value_counts = kSelCounts;
    tables.sel_first = kSelFirst;
    tables.sel_count = 2;
    tables.sel_values = kSelValues;
    tables.sel_value_ids = kSelIds;
    tables.sel_value_count = 5;
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

struct Record {
  uint32_t value, attr1, attr2, attr3, mark;
};

class RowDrivenListTest : public orv::testing::LeakCheckedTest {
 protected:
  // Size query, then the query with exactly that size; the records.
  int32_t Query(const DrvSpecialId& row, uint32_t selectors, std::vector<Record>* out) {
    std::vector<uint32_t> values(selectors, 0);
    ORV_QUERY_CONTEXT ctx{};
    ctx.cSelectors = selectors;
    ctx.pSelectors = values.data();
    Image image = list_.b.image();
    auto query = row.path == DrvPath::kFullList ? full_list_query : stored_list_query;
    uint32_t needed = 0;
    int32_t r = query(image, row, &ctx, 0, nullptr, &needed);
    if (r != DB_MORE_DATA) return r;
    std::vector<uint8_t> buf(needed, 0xAB);
    r = query(image, row, &ctx, needed, buf.data(), &needed);
    out->assign(needed / sizeof(Record), Record{});
    std::memcpy(out->data(), buf.data(), out->size() * sizeof(Record));
    return r;
  }
  ListImage list_;
};

TEST_F(RowDrivenListTest, KeyAttributesAndMarkComeFromTheRow) {
  std::vector<Record> r;
  // attr1 and attr3 looked up, attr2 from nowhere: each id lands in its own field.
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kAttrA, kNoId, kAttrB, kMarker, false), 8, &r),
            DB_OK);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].value, 7u);
  EXPECT_EQ(r[0].attr1, 107u);
  EXPECT_EQ(r[0].attr3, 207u);
  EXPECT_EQ(r[0].mark, 2u);
  EXPECT_EQ(r[1].value, 4u);
  EXPECT_EQ(r[1].attr1, 104u);
  EXPECT_EQ(r[1].attr3, 204u);
  EXPECT_EQ(r[1].mark, 0u);
  // The key selector fills attr1 before the lookups; here nothing overwrites it.
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kNoId, kAttrA, kNoId, kNoId, false), 8, &r),
            DB_OK);
  EXPECT_EQ(r[0].attr1, 15302u);
  EXPECT_EQ(r[0].attr2, 107u);
  EXPECT_EQ(r[1].attr1, 15301u);
  EXPECT_EQ(r[1].attr2, 104u);
  // The row's selector demand holds before any lookup.
  EXPECT_EQ(Query(Row(DrvPath::kStoredList, 7, 7, kAttrA, kNoId, kNoId, kNoId, false), 7, &r),
            DB_NO_SELECTOR);
}

TEST_F(RowDrivenListTest, FullListOfTheRowsKeySelector) {
  std::vector<Record> r;
  ASSERT_EQ(
      Query(Row(DrvPath::kFullList, 4, kNoSelector, kNoId, kNoId, kNoId, kNoId, false), 0, &r),
      DB_OK);
  ASSERT_EQ(r.size(), 3u);
  const uint32_t values[] = {1, 2, 3};
  const uint32_t ids[] = {15002, 15001, 15003};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r[i].value, values[i]);
    EXPECT_EQ(r[i].attr1, ids[i]);
  }
}

TEST_F(RowDrivenListTest, RequiredMarkerFailsWhereAnOptionalOneMarksNothing) {
  std::vector<Record> r;
  ASSERT_EQ(Query(Row(DrvPath::kStoredList, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kNoMarker, false),
                  0, &r),
            DB_OK);
  EXPECT_EQ(r[0].mark, 0u);
  EXPECT_EQ(r[1].mark, 0u);
  EXPECT_EQ(Query(Row(DrvPath::kSelector8List, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kNoMarker, true),
                  0, &r),
            DB_NO_ENTRY);
  ASSERT_EQ(Query(Row(DrvPath::kSelector8List, kNoSelector, kNoSelector, kNoId, kNoId, kNoId,
                      kMarker, true),
                  0, &r),
            DB_OK);
  EXPECT_EQ(r[0].mark, 2u);
  EXPECT_EQ(r[1].mark, 0u);
}

}  // namespace
}  // namespace orv
