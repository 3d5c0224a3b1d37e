// The Drv special ids of the model, asked through the exported function:
// value records of every list id, the command sequences over the settings,
// and the mode record of every allowed combination.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <vector>

#ifdef ORVDB_HOST_PLATFORM
#include "orvdb/host_platform.h"
#endif
#include "orvdb/orvdb.h"
#include "support/fetch.h"
#include "support/leak_checked_test.h"
#include "support/model_papers.h"
#include "support/model_settings.h"
#include "support/value_records.h"

namespace {

using Bytes = std::vector<uint8_t>;
using orv::testing::Answer;
using orv::testing::Call;
using orv::testing::expect_records;
using orv::testing::QueryContext;
using orv::testing::valid_settings;

struct Record {
  int32_t value, attr1, attr2, attr3, mark;
};

class DrvRecordsModelTest : public orv::testing::LeakCheckedTest {
 protected:
  // The records of a list id, asked as a caller asks; the needed-size word
  // keeps the caller's value.
  static int32_t Records(uint16_t id, const QueryContext& c, std::vector<Record>* out) {
    Answer a = orv::testing::ask_sized(ORV_AccessDrvDataBase, id, &c.ctx);
    EXPECT_EQ(a.bytes.size() % sizeof(Record), 0u) << id;
    EXPECT_EQ(a.written, orv::testing::kUnwrittenSize) << id;
    *out = a.as<Record>();
    return a.result;
  }

  // A command sequence asked as a caller asks, but into a buffer 4 bytes
  // larger than it needs: exactly the sequence is written. nullopt unless DB_OK.
  static std::optional<Bytes> Sequence(uint16_t id, const QueryContext& c) {
    Call size = orv::testing::call_into(0, ORV_AccessDrvDataBase, id, &c.ctx);
    EXPECT_EQ(size.result, DB_MORE_DATA) << id;
    if (size.result != DB_MORE_DATA) return std::nullopt;
    Call a = orv::testing::call_into(size.needed + 4, ORV_AccessDrvDataBase, id, &c.ctx);
    if (a.result != DB_OK) return std::nullopt;
    EXPECT_EQ(a.needed, size.needed);
    EXPECT_EQ(Bytes(a.bytes.begin() + size.needed, a.bytes.end()),
              Bytes(4, orv::testing::kUnwrittenByte))
        << "written past the size";
    a.bytes.resize(size.needed);
    return a.bytes;
  }
};

TEST_F(DrvRecordsModelTest, Selector4Lists) {
  std::vector<Record> r;
  for (uint16_t id : {0x100C, 0x100D}) {
    ASSERT_EQ(Records(id, valid_settings(5), &r), DB_OK) << id;
    expect_records(r,
                   {{1, 2, 3}, {15002, 15001, 15003}, {20001, 20002, 20003}, {1, 0, 1}, {1, 0, 0}});
  }
  // The full list's size does not depend on the settings.
  QueryContext none(0);
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessDrvDataBase(0x100D, &none.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 60u);
  EXPECT_EQ(Records(0x100D, valid_settings(4), &r), DB_NO_SELECTOR);
}

TEST_F(DrvRecordsModelTest, Selector5Lists) {
  const std::vector<int32_t> all = {1, 271, 277, 261, 259, 273, 258, 2, 263, 383};
  const std::vector<int32_t> ids = {15101, 15117, 15123, 15107, 15105,
                                    15119, 15104, 15102, 15109, 15128};
  const std::vector<int32_t> marked_first = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<Record> r;
  ASSERT_EQ(Records(0x100F, valid_settings(), &r), DB_OK);
  expect_records(r, {all, ids, {}, {}, marked_first});
  ASSERT_EQ(Records(0x100E, valid_settings(), &r), DB_OK);
  expect_records(r, {all, ids, {}, {}, marked_first});
  ASSERT_EQ(Records(0x100E, valid_settings().set(4, 3).set(9, 1), &r), DB_OK);
  expect_records(
      r, {{1, 271, 277, 263, 383}, {15101, 15117, 15123, 15109, 15128}, {}, {}, {1, 0, 0, 0, 0}});
  // No marker pair for selector 9 = 2 under selector 4 = 1: nothing is marked.
  ASSERT_EQ(Records(0x100F, valid_settings().set(9, 2), &r), DB_OK);
  expect_records(r, {all, ids, {}, {}, std::vector<int32_t>(10, 0)});
}

TEST_F(DrvRecordsModelTest, Selector7Lists) {
  std::vector<Record> r;
  for (uint16_t id : {0x1012, 0x1013}) {
    ASSERT_EQ(Records(id, valid_settings().set(5, 1), &r), DB_OK) << id;
    expect_records(r, {{4, 7}, {15301, 15302}, {}, {}, {0, 2}});
    ASSERT_EQ(Records(id, valid_settings().set(5, 261), &r), DB_OK) << id;
    expect_records(r, {{4, 7}, {15301, 15302}, {}, {}, {2, 0}});
  }
  EXPECT_EQ(Records(0x1012, valid_settings().set(5, 999), &r), DB_NOT_FOUND);
  ASSERT_EQ(Records(0x1013, valid_settings().set(5, 999), &r), DB_OK);
  expect_records(r, {{4, 7}, {15301, 15302}, {}, {}, {0, 0}});
}

TEST_F(DrvRecordsModelTest, PaperLists) {
  const std::vector<int32_t> codes = {11,  9,  8,   13, 12,  1,   5,   3,   260,
                                      261, 66, 257, 24, 262, 272, 273, 274, 256};
  const std::vector<int32_t> ids = {15762, 15760, 15758, 15767, 15765, 15751, 15755, 15769, 15780,
                                    15781, 15757, 15764, 15793, 15782, 15789, 15790, 15791, 15744};
  const std::map<int32_t, int32_t> attr2 = {
      {1, 15701},   {3, 15719},   {5, 15705},   {8, 15708},   {9, 15710},   {11, 15712},
      {12, 15715},  {13, 15717},  {24, 15743},  {66, 15707},  {256, 15744}, {257, 15714},
      {260, 15730}, {261, 15731}, {262, 15732}, {272, 15739}, {273, 15740}, {274, 15741}};
  const std::set<int32_t> in_1010 = {11, 9, 8, 13, 12, 1, 5, 3, 260, 261, 256};

  std::vector<Record> r;
  ASSERT_EQ(Records(0x1011, valid_settings(), &r), DB_OK);
  std::vector<int32_t> want2, want3;
  for (int32_t code : codes) {
    want2.push_back(attr2.at(code));
    want3.push_back(in_1010.count(code) ? 0 : 1);
  }
  expect_records(r, {codes, ids, want2, want3, {}});

  ASSERT_EQ(Records(0x1010, valid_settings(), &r), DB_OK);
  ASSERT_EQ(r.size(), 11u);
  for (const Record& rec : r) {
    EXPECT_TRUE(in_1010.count(rec.value)) << rec.value;
    EXPECT_EQ(rec.attr2, attr2.at(rec.value));
  }
  EXPECT_EQ(r[10].attr1, 15744);
  EXPECT_EQ(Records(0x1010, valid_settings(28), &r), DB_NO_SELECTOR);
}

TEST_F(DrvRecordsModelTest, MarkedListsWithoutSelectorTable) {
  std::vector<Record> r;
  ASSERT_EQ(Records(0x1014, valid_settings(), &r), DB_OK);
  expect_records(r, {{3, 2, 1}, {}, {}, {}, {1, 0, 0}});
  ASSERT_EQ(Records(0x1014, valid_settings().set(4, 3).set(5, 271), &r), DB_OK);
  expect_records(r, {{3, 1}, {}, {}, {}, {1, 0}});
  for (uint16_t id : {0x104D, 0x104E}) {
    ASSERT_EQ(Records(id, valid_settings(), &r), DB_OK) << id;
    expect_records(r, {{0}, {}, {}, {}, {1}});
  }
  EXPECT_EQ(Records(0x104D, valid_settings().set(5, 999), &r), DB_NOT_FOUND);
  ASSERT_EQ(Records(0x104E, valid_settings().set(5, 999), &r), DB_OK);
  expect_records(r, {{0}, {}, {}, {}, {0}});
  EXPECT_EQ(Records(0x1051, valid_settings(), &r), DB_NO_ENTRY);
  EXPECT_EQ(Records(0x1054, valid_settings(), &r), DB_NO_ENTRY);
}

TEST_F(DrvRecordsModelTest, Selector8Lists) {
  std::vector<Record> r;
  ASSERT_EQ(Records(0x1016, valid_settings(), &r), DB_OK);
  expect_records(r, {{1, 2, 3, 4, 5}, {0, 1, 0, 2, 3}, {-4, -4, -4, -3, -2}, {}, {0, 0, 0, 1, 0}});
  ASSERT_EQ(Records(0x1016, valid_settings().set(4, 2).set(9, 2).set(5, 259), &r), DB_OK);
  expect_records(r, {{1, 2, 3, 4, 5}, {1, 2, 0, 0, 0}, {-4, -3, -3, -3, -3}, {}, {0, 1, 0, 0, 0}});
  ASSERT_EQ(Records(0x1016, valid_settings().set(5, 261), &r), DB_OK);
  expect_records(r, {{1, 2, 5}, {1, 2, 0}, {-4, -3, -3}, {}, {1, 0, 0}});
  ASSERT_EQ(Records(0x1016, valid_settings().set(4, 3).set(9, 1).set(5, 271), &r), DB_OK);
  expect_records(r, {{1}, {1}, {-4}, {}, {1}});

  ASSERT_EQ(Records(0x1017, valid_settings(), &r), DB_OK);
  expect_records(r, {{1, 2, 3, 4, 5}, {}, {}, {}, {0, 0, 0, 1, 0}});
  ASSERT_EQ(Records(0x1017, valid_settings().set(5, 2), &r), DB_OK);
  expect_records(r, {{1, 2, 3, 4, 5}, {}, {}, {}, {1, 0, 0, 0, 0}});
  // The marker pair is required: settings without one fail the query.
  EXPECT_EQ(Records(0x1017, valid_settings().set(9, 2), &r), DB_NOT_FOUND);
  EXPECT_EQ(Records(0x1016, valid_settings(81), &r), DB_NO_SELECTOR);
  EXPECT_EQ(Records(0x1017, valid_settings(81), &r), DB_NO_SELECTOR);
}

// Fragment 2 of 0x1019 by the rules of the settings; nullopt outside them.
std::optional<Bytes> SettingsFragment(uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s8,
                                      uint32_t s6) {
  const std::set<uint32_t> five = {1, 259, 263, 271, 277, 383};
  const std::set<uint32_t> three = {2, 258, 261, 273};
  bool pair = (s4 == 1 && s9 <= 1) || (s4 == 2 && s9 == 2) || (s4 == 3 && s9 <= 1);
  if (!pair) return std::nullopt;
  if (s4 == 3) {
    if (!five.count(s5) || s5 == 259 || s8 != 1 || (s6 != 1 && s6 != 3)) return std::nullopt;
  } else {
    bool s8_ok =
        five.count(s5) ? (s8 >= 1 && s8 <= 5) : three.count(s5) && (s8 == 1 || s8 == 2 || s8 == 5);
    if (!s8_ok || s6 < 1 || s6 > 3) return std::nullopt;
  }
  const std::map<uint32_t, uint8_t> high = {{1, 0x00},   {263, 0x00}, {383, 0x10}, {2, 0x20},
                                            {258, 0x30}, {273, 0x30}, {259, 0x40}, {277, 0x50},
                                            {261, 0x60}, {271, 0x70}};
  const uint8_t low[] = {0, 1, 1, 0, 0, 2};
  uint8_t b5 = (s4 == 1 && s9 == 0) || s4 == 3 ? 0x10 : 0x11;
  Bytes out = {0x1B, 0x28, 0x63, 0x03, 0x00, b5,  static_cast<uint8_t>(high.at(s5) + low[s8]),
               0x00, 0x1B, 0x28, 0x64, 0x04, 0x00};
  Bytes extent = s4 == 3                ? Bytes{0x01, 0x68, 0x01, 0x68}
                 : (s8 == 1 || s8 == 3) ? Bytes{0x01, 0x68, 0x02, 0xD0}
                 : (s8 == 2 || s8 == 4) ? Bytes{0x01, 0x68, 0x01, 0x68}
                                        : Bytes{0x00, 0xB4, 0x00, 0xB4};
  out.insert(out.end(), extent.begin(), extent.end());
  Bytes tail = {0x1B, 0x28, 0x74, 0x03, 0x00};
  out.insert(out.end(), tail.begin(), tail.end());
  Bytes last = s4 == 3 ? Bytes{0x02, 0x80, 0x02} : Bytes{0x01, 0x00, 0x01};
  out.insert(out.end(), last.begin(), last.end());
  return out;
}

const Bytes kFirst1019 = {0x1B, 0x28, 0x61, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x62, 0x01, 0x00, 0x01};
const Bytes kPaperA4 = orv::testing::paper_command(9);
const Bytes kSel7Is4 = {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x11};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(DrvRecordsModelTest, SequenceExampleOfTheSettings) {
  QueryContext c = valid_settings();
  c.set(6, 1);
  std::optional<Bytes> got = Sequence(0x1019, c);
  ASSERT_TRUE(got);
  Bytes example = {0x1B, 0x28, 0x63, 0x03, 0x00, 0x10, 0x01, 0x00, 0x1B, 0x28, 0x64, 0x04, 0x00,
                   0x01, 0x68, 0x02, 0xD0, 0x1B, 0x28, 0x74, 0x03, 0x00, 0x01, 0x00, 0x01};
  EXPECT_EQ(*got, Concat({kFirst1019, example, kPaperA4, kSel7Is4, {0x00}}));
}

TEST_F(DrvRecordsModelTest, Sequence1019OverTheSettings) {
  const uint32_t pairs[][2] = {{1, 0}, {1, 1}, {2, 2}, {3, 0}, {3, 1}, {1, 2}};
  const std::map<uint32_t, uint8_t> last_byte = {{1, 0x00},   {258, 0x10}, {271, 0x10}, {273, 0x10},
                                                 {277, 0x10}, {2, 0x20},   {261, 0x20}, {259, 0x50},
                                                 {263, 0x80}, {383, 0x80}};
  const uint32_t fives[] = {1, 271, 277, 261, 259, 273, 258, 2, 263, 383, 999};
  int found = 0;
  for (auto& pair : pairs) {
    for (uint32_t s5 : fives) {
      for (uint32_t s8 = 1; s8 <= 5; ++s8) {
        for (uint32_t s6 = 1; s6 <= 3; ++s6) {
          QueryContext c = valid_settings();
          c.set(4, pair[0]).set(9, pair[1]).set(5, s5).set(8, s8).set(6, s6);
          std::optional<Bytes> settings = SettingsFragment(pair[0], pair[1], s5, s8, s6);
          Bytes want = kFirst1019;
          if (settings) {
            want.insert(want.end(), settings->begin(), settings->end());
            ++found;
          }
          want = Concat({want, kPaperA4, kSel7Is4});
          if (last_byte.count(s5)) want.push_back(last_byte.at(s5));
          std::optional<Bytes> got = Sequence(0x1019, c);
          ASSERT_TRUE(got) << pair[0] << " " << pair[1] << " " << s5 << " " << s8 << " " << s6;
          ASSERT_EQ(*got, want) << pair[0] << " " << pair[1] << " " << s5 << " " << s8 << " " << s6;
        }
      }
    }
  }
  // 3 × (6 × 5 + 4 × 3) × 3 combinations with selector 4 = 1 or 2, 2 × 5 × 2 with 4 = 3.
  EXPECT_EQ(found, 3 * 42 * 3 + 2 * 5 * 2);
}

TEST_F(DrvRecordsModelTest, Sequence1019PaperAndSelector7) {
  QueryContext base = valid_settings();
  base.set(6, 1);
  Bytes settings = *SettingsFragment(1, 0, 1, 1, 1);
  for (uint32_t code : {11u, 9u, 8u, 13u, 12u, 1u, 5u, 3u, 260u, 261u, 66u, 257u, 24u, 262u, 272u,
                        273u, 274u, 999u}) {
    QueryContext c = base;
    c.set(28, code);
    std::optional<Bytes> got = Sequence(0x1019, c);
    ASSERT_TRUE(got) << code;
    EXPECT_EQ(*got,
              Concat({kFirst1019, settings, orv::testing::paper_command(code), kSel7Is4, {0x00}}))
        << code;
  }
  // The user-defined size: computed from the width and length selectors;
  // an A4 extent gives the bytes stored for A4.
  QueryContext custom = base;
  custom.set(28, 256).set(29, 21000).set(30, 29700);
  std::optional<Bytes> got = Sequence(0x1019, custom);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, Concat({kFirst1019, settings, kPaperA4, kSel7Is4, {0x00}}));

  for (uint32_t s7 : {4u, 7u, 5u}) {
    QueryContext c = base;
    c.set(7, s7).set(5, 259);
    Bytes sel7 = s7 == 4 ? kSel7Is4 : s7 == 7 ? Bytes{0x1B, 0x28, 0x6C, 0x02, 0x00, 0x14} : Bytes{};
    got = Sequence(0x1019, c);
    ASSERT_TRUE(got) << s7;
    EXPECT_EQ(*got,
              Concat({kFirst1019, *SettingsFragment(1, 0, 259, 1, 1), kPaperA4, sel7, {0x50}}))
        << s7;
  }
}

TEST_F(DrvRecordsModelTest, OtherSequences) {
  QueryContext c = valid_settings();
  const Bytes head = {0x1B, 0x5B, 0x4B, 0x02, 0x00, 0x00, 0x0F};
  std::optional<Bytes> got = Sequence(0x1018, c);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, head);
  c.set(79, 0x00800000).set(80, 0x1234);
  got = Sequence(0x1018, c);
  ASSERT_TRUE(got);
  ASSERT_EQ(got->size(), 19u);
  EXPECT_EQ(Bytes(got->begin(), got->begin() + 17),
            Concat({head, {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x12, 0x34}}));

  EXPECT_EQ(Sequence(0x101B, c), Bytes({0x1B, 0x40}));
  EXPECT_EQ(Sequence(0x101C, c),
            Bytes({0x1B, 0x28, 0x61, 0x01, 0x00, 0x00, 0x1B, 0x28, 0x62, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Sequence(0x101D, c), Bytes({0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x01, 0x0C}));

  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessDrvDataBase(0x101A, &c.ctx, 0, nullptr, &needed), DB_NOT_FOUND);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x1019, &c.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 12u + 25u + 13u + 6u + 1u);
  Bytes buf(56);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x1019, &c.ctx, 56, buf.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 57u);
}

#ifdef ORVDB_HOST_PLATFORM  // failure injection is the in-memory platform's
// Fails the 1st, 2nd, ... allocation until the query succeeds; every failure
// answers DB_ERROR and leaves nothing allocated.
void ExpectCleanAllocationFailures(uint16_t id, const QueryContext& c, uint32_t size) {
  Bytes want(size, 0);
  uint32_t needed = 0;
  ASSERT_EQ(ORV_AccessDrvDataBase(id, &c.ctx, size, want.data(), &needed), DB_OK) << id;
  int failures = 0;
  for (int n = 1;; ++n) {
    ASSERT_LT(n, 50) << id;
    Bytes got(size, 0);
    orv_host_fail_allocation(n);
    int32_t r = ORV_AccessDrvDataBase(id, &c.ctx, size, got.data(), &needed);
    orv_host_fail_allocation(0);
    EXPECT_EQ(orv_host_live_allocations(), 0u) << id << " failing allocation " << n;
    if (r == DB_OK) {
      EXPECT_EQ(got, want) << id;
      break;
    }
    EXPECT_EQ(r, DB_ERROR) << id << " failing allocation " << n;
    ++failures;
  }
  EXPECT_GE(failures, 1) << id;
}

TEST_F(DrvRecordsModelTest, AllocationFailuresReleaseEverything) {
  QueryContext c = valid_settings();
  ExpectCleanAllocationFailures(0x100C, c, 60);
  ExpectCleanAllocationFailures(0x100D, c, 60);
  ExpectCleanAllocationFailures(0x1010, c, 220);
  ExpectCleanAllocationFailures(0x1011, c, 360);
  ExpectCleanAllocationFailures(0x1016, c, 100);
  ExpectCleanAllocationFailures(0x1019, c, 57);
  QueryContext option = valid_settings();
  option.set(79, 0x00800000);
  ExpectCleanAllocationFailures(0x1018, option, 19);
  QueryContext custom = valid_settings();
  custom.set(28, 256).set(29, 21000).set(30, 29700);
  ExpectCleanAllocationFailures(0x1019, custom, 57);
}

#endif  // ORVDB_HOST_PLATFORM

}  // namespace
