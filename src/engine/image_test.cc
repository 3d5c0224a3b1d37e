// The image's accessors at the limits of their fields and tables: a value
// one beyond what a field holds is cut, an index equal to a table's count
// lies outside it, and a kind beyond the last is no kind.
#include "engine/image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace orv {
namespace {

TEST(ItemFieldsTest, EachFieldHoldsItsWidthAndNoMore) {
  struct Row {
    uint8_t kind;
    uint32_t offset;  // as given to make_word0
    uint32_t kept;    // as item_offset reads it back
  } rows[] = {{ITEM_BYTES, 0, 0},
              {ITEM_STRING, 0x7FFFFF, 0x7FFFFF},
              {ITEM_UINT16, 0x800000, 0x800000},
              {0xFF, 0xFFFFFF, 0xFFFFFF},
              {ITEM_SEQUENCE, 0x1000000, 0},
              {ITEM_SEQUENCE, 0x1800001, 0x800001}};
  for (const Row& row : rows) {
    uint32_t word0 = make_word0(row.kind, row.offset);
    EXPECT_EQ(item_kind(word0), row.kind) << row.offset;
    EXPECT_EQ(item_offset(word0), row.kept) << row.offset;
  }
  for (uint16_t v : {0, 1, 0x7FFF, 0x8000, 0xFFFF}) {
    EXPECT_EQ(item_tag(make_word1(v, 0xFFFF)), v);
    EXPECT_EQ(item_count(make_word1(0xFFFF, v)), v);
  }
}

TEST(KindInfoTest, KindsBeyondTheLastAreInvalid) {
  EXPECT_EQ(kind_info(ITEM_CASE_RANGE).shape, ItemShape::kCase);
  EXPECT_EQ(kind_info(ITEM_BYTES).shape, ItemShape::kLeaf);
  for (uint8_t kind : {0, ITEM_CASE_RANGE + 1, 0x7F, 0xFF}) {
    EXPECT_EQ(kind_info(kind).shape, ItemShape::kInvalid) << int(kind);
    EXPECT_STREQ(kind_info(kind).name, "INVALID");
  }
}

TEST(ItemTableTest, IndicesAtTheTablesEnd) {
  std::vector<Item> items(3, Item{make_word0(ITEM_SEQUENCE, 0), 0});
  Image image{};
  image.items = items.data();
  image.item_count = 3;
  Item item{};
  EXPECT_TRUE(item_at(image, 2, &item));
  EXPECT_FALSE(item_at(image, 3, &item));
  EXPECT_FALSE(item_at(image, uint64_t{1} << 32, &item));
  EXPECT_EQ(items_inside(image, 2, 5), 1u);
  EXPECT_EQ(items_inside(image, 3, 1), 0u);
  image.items = nullptr;
  EXPECT_FALSE(item_at(image, 0, &item));
}

TEST(ItemTableTest, CaseTextAndRangeAtTheirPoolsEnd) {
  // Item 0: a string case naming the text item 1, 3 bytes at offset 2 of a
  // 5-byte match pool: the text ends exactly at the pool's end.
  std::vector<Item> items = {{make_word0(ITEM_CASE_STRING, 0), 1},
                             {make_word0(ITEM_BYTES, 2), make_word1(0, 3)}};
  std::vector<uint8_t> match = {'a', 'b', 'c', 'd', 'e'};
  std::vector<int32_t> bounds = {1, 2, 3};
  Image image{};
  image.items = items.data();
  image.item_count = 2;
  image.match_pool = match.data();
  image.match_count = 5;
  image.i32_pool = bounds.data();
  image.i32_count = 3;
  uint32_t offset = 0, length = 0;
  EXPECT_EQ(case_text(image, items[0], &offset, &length), CaseText::kFound);
  image.match_count = 4;
  EXPECT_EQ(case_text(image, items[0], &offset, &length), CaseText::kBeyondPool);
  int32_t lo = 0, hi = 0;
  EXPECT_TRUE(range_bounds(image, Item{make_word0(ITEM_CASE_RANGE, 0), 1}, &lo, &hi));
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 3);
  EXPECT_FALSE(range_bounds(image, Item{make_word0(ITEM_CASE_RANGE, 0), 2}, &lo, &hi));
}

}  // namespace
}  // namespace orv
