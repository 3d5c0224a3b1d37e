// This model's entries of the Drv special records' own tables in the built-in
// image: the selector-value table, the command-sequence table and the mode
// table with its part tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "engine/resolver.h"

namespace orv {
namespace {

const DrvTables& tables() {
  const DrvTables* t = builtin_image().drv_tables;
  if (t == nullptr) {
    ADD_FAILURE() << "the image has no Drv tables";
    static const DrvTables empty{};
    return empty;
  }
  return *t;
}

template <typename T>
std::vector<uint32_t> widen(const T* p, uint32_t n) {
  return std::vector<uint32_t>(p, p + n);
}

TEST(DrvTables, SelectorValueTable) {
  const DrvTables& t = tables();
  ASSERT_EQ(t.sel_count, 4u);
  EXPECT_EQ(widen(t.sel_indices, 4), (std::vector<uint32_t>{28, 7, 5, 4}));
  EXPECT_EQ(widen(t.sel_value_counts, 4), (std::vector<uint32_t>{18, 2, 10, 3}));
  EXPECT_EQ(widen(t.sel_first, 4), (std::vector<uint32_t>{0, 18, 20, 30}));
  ASSERT_EQ(t.sel_value_count, 33u);
  EXPECT_EQ(widen(t.sel_values, 33),
            (std::vector<uint32_t>{11,  9,   8,   13,  12,  1,   5,   3,   260, 261, 66,
                                   257, 24,  262, 272, 273, 274, 256, 4,   7,   1,   271,
                                   277, 261, 259, 273, 258, 2,   263, 383, 1,   2,   3}));
  EXPECT_EQ(widen(t.sel_value_ids, 33),
            (std::vector<uint32_t>{15762, 15760, 15758, 15767, 15765, 15751, 15755, 15769, 15780,
                                   15781, 15757, 15764, 15793, 15782, 15789, 15790, 15791, 15744,
                                   15301, 15302, 15101, 15117, 15123, 15107, 15105, 15119, 15104,
                                   15102, 15109, 15128, 15002, 15001, 15003}));
}

TEST(DrvTables, CommandSequenceTable) {
  const DrvTables& t = tables();
  const Image& image = builtin_image();
  ASSERT_EQ(t.seq_count, 5u);
  EXPECT_EQ(widen(t.seq_ids, 5), (std::vector<uint32_t>{0x1019, 0x1018, 0x101D, 0x101C, 0x101B}));
  EXPECT_EQ(widen(t.seq_fragment_counts, 5), (std::vector<uint32_t>{5, 2, 1, 1, 1}));
  EXPECT_EQ(widen(t.seq_first, 5), (std::vector<uint32_t>{0, 5, 7, 8, 9}));
  ASSERT_EQ(t.seq_fragment_count, 10u);
  for (uint32_t k = 0; k < 10; ++k) EXPECT_LT(t.seq_fragments[k], image.item_count) << k;
  // Fragments 2 and 3 of 0x1019 are the settings tree and the paper table themselves.
  uint32_t settings = 0, paper = 0;
  ASSERT_EQ(find_root_item(image, 0x1008, &settings), DB_OK);
  ASSERT_EQ(find_root_item(image, 0x1003, &paper), DB_OK);
  EXPECT_EQ(t.seq_fragments[1], settings);
  EXPECT_EQ(t.seq_fragments[2], paper);
  // Id 0x101A has no command sequence.
  EXPECT_EQ(std::count(t.seq_ids, t.seq_ids + 5, 0x101A), 0);
}

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

using Keys = std::array<int, 6>;  // selectors 4, 9, 5, 8, 6, 81

Keys keys_of(const ModeRow& r) {
  return {r.keys[0], r.keys[1], r.keys[2], r.keys[3], r.keys[4], r.keys[5]};
}

TEST(DrvTables, ModeTableHasOneRowPerCombination) {
  const DrvTables& t = tables();
  ASSERT_EQ(t.mode_count, 262u);
  ASSERT_EQ(t.mode_parts[0].count, 262u);
  // The allowed combinations, with selector 6 limited to 2, 1 (1 for selector 4 = 3).
  struct Group {
    int s4;
    std::vector<int> s9, s5, s8, s6;
  };
  const std::vector<int> full = {1, 271, 277, 259, 263, 383}, part = {261, 273, 258, 2};
  const Group groups[] = {{1, {0, 1}, full, {1, 2, 3, 4, 5}, {2, 1}},
                          {1, {0, 1}, part, {1, 2, 5}, {2, 1}},
                          {2, {2}, full, {1, 2, 3, 4, 5}, {2, 1}},
                          {2, {2}, part, {1, 2, 5}, {2, 1}},
                          {3, {0, 1}, {1, 271, 277, 263, 383}, {1}, {1}}};
  std::set<Keys> expected;
  for (const Group& g : groups)
    for (int s9 : g.s9)
      for (int s5 : g.s5)
        for (int s8 : g.s8)
          for (int s6 : g.s6) expected.insert({g.s4, s9, s5, s8, s6, 0});
  std::set<Keys> got;
  for (uint32_t i = 0; i < t.mode_count; ++i) got.insert(keys_of(t.mode_rows[i]));
  EXPECT_EQ(got.size(), 262u) << "keys are not unique";
  EXPECT_EQ(got, expected);
}

TEST(DrvTables, ModeRowsNamedByNumber) {
  const DrvTables& t = tables();
  ASSERT_EQ(t.mode_count, 262u);
  struct Row {
    uint32_t n;
    Keys keys;
    uint32_t part_c;
  };
  const Row rows[] = {{0, {1, 0, 1, 1, 2, 0}, 0},
                      {1, {1, 0, 1, 1, 1, 0}, 0},
                      {203, {2, 2, 261, 5, 1, 0}, 7},
                      {255, {3, 0, 263, 1, 1, 0}, 0},
                      {261, {3, 1, 383, 1, 1, 0}, 5}};
  for (const Row& r : rows) {
    const ModeRow& m = t.mode_rows[r.n];
    EXPECT_EQ(keys_of(m), r.keys) << r.n;
    EXPECT_EQ(m.part_a, r.n) << r.n;
    EXPECT_EQ(m.part_b, 0u) << r.n;
    EXPECT_EQ(m.part_c, r.part_c) << r.n;
    EXPECT_EQ(m.part_d, 0u) << r.n;
  }
  const std::vector<uint8_t> row0 = {0x1A, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x01, 0x01,
                                     0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0x68, 0x01, 0x68, 0x01, 0xD0, 0x02, 0x68, 0x01, 0x05};
  const std::vector<uint8_t> row203 = {0x1A, 0x00, 0x06, 0x00, 0x02, 0x00, 0x00, 0x01, 0x01,
                                       0x00, 0x00, 0x00, 0x02, 0x00, 0x01, 0x00, 0x02, 0x00,
                                       0xB4, 0x00, 0xB4, 0x00, 0xB4, 0x00, 0xB4, 0x00, 0x05};
  const uint8_t* a0 = t.mode_parts[0].records;
  const uint8_t* a203 = t.mode_parts[0].records + 203 * kModePartASize;
  EXPECT_EQ(std::vector<uint8_t>(a0, a0 + 27), row0);
  EXPECT_EQ(std::vector<uint8_t>(a203, a203 + 27), row203);
  EXPECT_TRUE(std::all_of(a0 + 27, a0 + 48, [](uint8_t b) { return b == 0; }));
  const uint8_t* a255 = t.mode_parts[0].records + 255 * kModePartASize;
  EXPECT_EQ(a255[4], 4);
  EXPECT_EQ(a255[8], 2);
  EXPECT_EQ(a255[10], 128);
  for (int at : {18, 20, 22, 24}) EXPECT_EQ(le16(a255 + at), 360u) << at;
}

TEST(DrvTables, EveryPartARecordFollowsItsKeys) {
  const DrvTables& t = tables();
  for (uint32_t i = 0; i < t.mode_count && i < t.mode_parts[0].count; ++i) {
    const ModeRow& m = t.mode_rows[i];
    const int s4 = m.keys[0], s9 = m.keys[1], s8 = m.keys[3], s6 = m.keys[4];
    const uint8_t* a = t.mode_parts[0].records + m.part_a * kModePartASize;
    EXPECT_EQ(a[0], 26) << i;
    EXPECT_EQ(a[4], s4 == 1 ? 3 : s4 == 2 ? 2 : 4) << i;
    EXPECT_EQ(a[14], s6 == 1 ? 1 : 0) << i;
    EXPECT_EQ(a[16], s9) << i;
    EXPECT_EQ(le16(a + 18), s8 == 5 ? 180u : 360u) << i;
    uint32_t y = s8 == 5 ? 180 : s4 == 3 ? 360 : (s8 == 1 || s8 == 3) ? 720 : 360;
    EXPECT_EQ(le16(a + 22), y) << i;
    EXPECT_EQ(a[26], 5) << i;
    // Through the part C index: field 4 is 5 x (selector 8 - 1), field 2 by selector 5.
    ASSERT_LT(m.part_c, t.mode_parts[2].count) << i;
    const uint8_t* c = t.mode_parts[2].records + m.part_c * kModePartCSize;
    EXPECT_EQ(le16(c + 6), 5u * (s8 - 1)) << i;
    int s5 = m.keys[2];
    EXPECT_EQ(le16(c + 2), (s5 == 259 || s5 == 261 || s5 == 383) ? 4u : 7u) << i;
  }
}

TEST(DrvTables, PartTablesBCD) {
  const DrvTables& t = tables();
  ASSERT_EQ(t.mode_parts[1].count, 1u);
  ASSERT_EQ(t.mode_parts[3].count, 1u);
  EXPECT_TRUE(std::all_of(t.mode_parts[1].records, t.mode_parts[1].records + 40,
                          [](uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(t.mode_parts[3].records, t.mode_parts[3].records + 48,
                          [](uint8_t b) { return b == 0; }));
  ASSERT_EQ(t.mode_parts[2].count, 10u);
  const uint32_t field2[] = {7, 7, 7, 7, 7, 4, 4, 4, 4, 4};
  const uint32_t field4[] = {0, 5, 10, 15, 20, 0, 5, 20, 10, 15};
  for (uint32_t r = 0; r < 10; ++r) {
    const uint8_t* c = t.mode_parts[2].records + r * kModePartCSize;
    EXPECT_EQ(le16(c), 13u) << r;
    EXPECT_EQ(le16(c + 2), field2[r]) << r;
    EXPECT_EQ(le16(c + 4), 3u) << r;
    EXPECT_EQ(le16(c + 6), field4[r]) << r;
    EXPECT_EQ(le32(c + 8), 21590u) << r;
    EXPECT_EQ(le32(c + 12), 27940u) << r;
    EXPECT_TRUE(std::all_of(c + 16, c + 36, [](uint8_t b) { return b == 0; })) << r;
  }
}

}  // namespace
}  // namespace orv
