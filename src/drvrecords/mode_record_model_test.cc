// The model's mode record for every allowed combination of the six
// selectors, with the expectation written from the rules of the mode table.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "orvdb/orvdb.h"
#include "support/fetch.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"

namespace {

using Bytes = std::vector<uint8_t>;
using orv::testing::Call;
using orv::testing::QueryContext;

struct Keys {
  uint32_t s4, s9, s5, s8, s6;
};

// Every row of the mode table, in table order.
std::vector<Keys> AllRows() {
  const uint32_t pairs[][2] = {{1, 0}, {1, 1}, {2, 2}, {3, 0}, {3, 1}};
  const uint32_t fives[] = {1, 271, 277, 261, 259, 273, 258, 2, 263, 383};
  std::vector<Keys> rows;
  for (auto& pair : pairs) {
    uint32_t s4 = pair[0];
    for (uint32_t s5 : fives) {
      if (s4 == 3 && !(s5 == 1 || s5 == 271 || s5 == 277 || s5 == 263 || s5 == 383)) continue;
      std::vector<uint32_t> eights;
      if (s4 == 3) {
        eights = {1};
      } else if (s5 == 261 || s5 == 273 || s5 == 258 || s5 == 2) {
        eights = {1, 2, 5};
      } else {
        eights = {1, 2, 3, 4, 5};
      }
      for (uint32_t s8 : eights) {
        for (uint32_t s6 : s4 == 3 ? std::vector<uint32_t>{1} : std::vector<uint32_t>{2, 1}) {
          rows.push_back({s4, pair[1], s5, s8, s6});
        }
      }
    }
  }
  return rows;
}

void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Bytes 0-171 of the mode record of a row.
Bytes Expected(const Keys& k) {
  Bytes rec(172, 0);
  rec[0] = 26;
  // Byte 2 by selector 5.
  const std::map<uint32_t, uint8_t> by_s5 = {{1, 0},   {2, 1},    {258, 3},  {259, 4},  {261, 6},
                                             {263, 8}, {271, 16}, {273, 18}, {277, 22}, {383, 128}};
  rec[2] = by_s5.at(k.s5);
  rec[4] = k.s4 == 1 ? 3 : k.s4 == 2 ? 2 : 4;
  rec[7] = 1;
  rec[8] = k.s4 == 3 ? 2 : 1;
  rec[10] = k.s4 == 3 ? 128 : 0;
  const uint8_t by_s8[] = {0, 1, 1, 0, 0, 2};
  rec[12] = by_s8[k.s8];
  rec[14] = k.s6 == 1 ? 1 : 0;
  rec[16] = static_cast<uint8_t>(k.s9);
  uint16_t resolution = k.s8 == 5 ? 180 : 360;
  Put16(rec, 18, resolution);
  Put16(rec, 20, resolution);
  uint16_t third = k.s8 == 5 ? 180 : k.s4 == 3 ? 360 : (k.s8 == 1 || k.s8 == 3) ? 720 : 360;
  Put16(rec, 22, third);
  Put16(rec, 24, resolution);
  rec[26] = 5;
  // Part B (bytes 48-87) and part D (124-171) are zeros; part C at 88.
  bool four = k.s5 == 259 || k.s5 == 261 || k.s5 == 383;
  Put16(rec, 88, 13);
  Put16(rec, 90, four ? 4 : 7);
  Put16(rec, 92, 3);
  Put16(rec, 94, static_cast<uint16_t>(5 * (k.s8 - 1)));
  Put32(rec, 96, 21590);
  Put32(rec, 100, 27940);
  return rec;
}

// A context over `n` selectors holding a row's keys, selector 81 = 0.
QueryContext ContextOf(const Keys& k, uint32_t n = 82) {
  return QueryContext(n, {{4, k.s4}, {9, k.s9}, {5, k.s5}, {8, k.s8}, {6, k.s6}});
}

// The mode record asked into a 192-byte buffer.
Call ModeRecord(const QueryContext& c) {
  return orv::testing::call_into(192, ORV_AccessDrvDataBase, 0x101E, &c.ctx);
}

class ModeRecordModelTest : public orv::testing::LeakCheckedTest {};

TEST_F(ModeRecordModelTest, EveryRowByTheRules) {
  std::vector<Keys> rows = AllRows();
  ASSERT_EQ(rows.size(), 262u);
  for (size_t r = 0; r < rows.size(); ++r) {
    const Keys& k = rows[r];
    Call a = ModeRecord(ContextOf(k));
    ASSERT_EQ(a.result, DB_OK) << "row " << r;
    EXPECT_EQ(a.needed, 192u);
    EXPECT_EQ(Bytes(a.bytes.begin(), a.bytes.begin() + 172), Expected(k)) << "row " << r;
    EXPECT_EQ(Bytes(a.bytes.begin() + 172, a.bytes.end()), Bytes(20, orv::testing::kUnwrittenByte))
        << "row " << r;
  }
}

TEST_F(ModeRecordModelTest, StatedExamples) {
  struct Example {
    Keys keys;
    Bytes start;
  } examples[] = {
      {{1, 0, 1, 1, 2},
       {0x1A, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x68, 0x01, 0x68, 0x01, 0xD0, 0x02, 0x68, 0x01, 0x05}},
      {{2, 2, 261, 5, 1},
       {0x1A, 0x00, 0x06, 0x00, 0x02, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
        0x01, 0x00, 0x02, 0x00, 0xB4, 0x00, 0xB4, 0x00, 0xB4, 0x00, 0xB4, 0x00, 0x05}},
  };
  for (const Example& e : examples) {
    Call a = ModeRecord(ContextOf(e.keys));
    ASSERT_EQ(a.result, DB_OK);
    EXPECT_EQ(Bytes(a.bytes.begin(), a.bytes.begin() + 27), e.start);
  }
  // Row 203's part C record is row 7: field 2 is 4, field 4 is 20.
  Call a = ModeRecord(ContextOf({2, 2, 261, 5, 1}));
  ASSERT_EQ(a.result, DB_OK);
  EXPECT_EQ(a.bytes[90], 4);
  EXPECT_EQ(a.bytes[94], 20);
}

TEST_F(ModeRecordModelTest, SelectorsAndSizes) {
  Keys row0 = {1, 0, 1, 1, 2};
  EXPECT_EQ(ModeRecord(ContextOf(row0, 81)).result, DB_NO_SELECTOR);
  // The size comes before the search: even keys with no row get it.
  QueryContext nowhere = ContextOf({9, 9, 9, 9, 9});
  Call size = orv::testing::call_into(0, ORV_AccessDrvDataBase, 0x101E, &nowhere.ctx);
  EXPECT_EQ(size.result, DB_MORE_DATA);
  EXPECT_EQ(size.needed, 192u);
  Call a = ModeRecord(nowhere);
  EXPECT_EQ(a.result, DB_NOT_FOUND);
  EXPECT_EQ(a.needed, orv::testing::kUnwrittenSize);
  EXPECT_EQ(ModeRecord(ContextOf({1, 0, 261, 3, 2})).result, DB_NOT_FOUND);
  EXPECT_EQ(ModeRecord(ContextOf({3, 0, 1, 2, 1})).result, DB_NOT_FOUND);
  EXPECT_EQ(ModeRecord(ContextOf(row0).set(81, 1)).result, DB_NOT_FOUND);
}

}  // namespace
