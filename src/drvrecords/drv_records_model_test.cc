// The Drv special ids of the model, asked through the exported function:
// value records of every list id, the command sequences over the settings,
// and the mode record of every allowed combination.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

#ifdef ORVDB_HOST_PLATFORM
#include "orvdb/host_platform.h"
#endif
#include "orvdb/orvdb.h"
#include "support/leak_checked_test.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A context over 95 selectors holding a valid combination of the settings:
// selectors 4 = 1, 9 = 0, 5 = 1, 81 = 0, 8 = 1, 6 = 2, 7 = 4, paper 28 = 9.
struct Context {
  std::vector<uint32_t> selectors;
  ORV_QUERY_CONTEXT ctx{};
  explicit Context(uint32_t n = 95) : selectors(n, 0) {
    std::map<uint32_t, uint32_t> defaults = {{4, 1}, {9, 0}, {5, 1}, {81, 0},
                                             {8, 1}, {6, 2}, {7, 4}, {28, 9}};
    for (auto [index, value] : defaults) {
      if (index < n) selectors[index] = value;
    }
    ctx.cSelectors = n;
    ctx.pSelectors = selectors.data();
  }
  Context(const Context& other) : selectors(other.selectors), ctx(other.ctx) {
    ctx.pSelectors = selectors.data();
  }
  Context& set(uint32_t index, uint32_t value) {
    selectors[index] = value;
    return *this;
  }
};

struct Record {
  int32_t value, attr1, attr2, attr3, mark;
};

class DrvRecordsModelTest : public orv::testing::LeakCheckedTest {
 protected:
  // Size query, then the records; the needed-size word keeps the caller's
  // value on success.
  static int32_t Records(uint16_t id, const Context& c, std::vector<Record>* out) {
    uint32_t needed = 0;
    int32_t r = ORV_AccessDrvDataBase(id, &c.ctx, 0, nullptr, &needed);
    if (r != DB_MORE_DATA) return r;
    EXPECT_EQ(needed % 20, 0u);
    std::vector<uint8_t> buf(needed, 0);
    uint32_t sentinel = 0xDEADBEEF;
    r = ORV_AccessDrvDataBase(id, &c.ctx, needed, buf.data(), &sentinel);
    EXPECT_EQ(sentinel, 0xDEADBEEFu) << id;
    out->assign(needed / 20, Record{});
    std::memcpy(out->data(), buf.data(), needed);
    return r;
  }

  // A command sequence through the size protocol; nullopt unless DB_OK.
  static std::optional<Bytes> Sequence(uint16_t id, const Context& c) {
    uint32_t needed = 0;
    int32_t r = ORV_AccessDrvDataBase(id, &c.ctx, 0, nullptr, &needed);
    EXPECT_EQ(r, DB_MORE_DATA) << id;
    if (r != DB_MORE_DATA) return std::nullopt;
    Bytes buf(needed + 4, 0xEE);
    uint32_t written = 0;
    r = ORV_AccessDrvDataBase(id, &c.ctx, static_cast<uint32_t>(buf.size()), buf.data(), &written);
    if (r != DB_OK) return std::nullopt;
    EXPECT_EQ(written, needed);
    EXPECT_EQ(Bytes(buf.begin() + needed, buf.end()), Bytes(4, 0xEE)) << "written past the size";
    buf.resize(needed);
    return buf;
  }
};

void ExpectRecords(const std::vector<Record>& got, const std::vector<int32_t>& values,
                   const std::vector<int32_t>& attr1, const std::vector<int32_t>& attr2,
                   const std::vector<int32_t>& attr3, const std::vector<int32_t>& mark) {
  ASSERT_EQ(got.size(), values.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].value, values[i]) << "record " << i;
    if (!attr1.empty()) {
      EXPECT_EQ(got[i].attr1, attr1[i]) << "attr1 " << i;
    }
    if (!attr2.empty()) {
      EXPECT_EQ(got[i].attr2, attr2[i]) << "attr2 " << i;
    }
    if (!attr3.empty()) {
      EXPECT_EQ(got[i].attr3, attr3[i]) << "attr3 " << i;
    }
    if (!mark.empty()) {
      EXPECT_EQ(got[i].mark, mark[i]) << "mark " << i;
    }
  }
}

TEST_F(DrvRecordsModelTest, Selector4Lists) {
  std::vector<Record> r;
  for (uint16_t id : {0x100C, 0x100D}) {
    ASSERT_EQ(Records(id, Context(5), &r), DB_OK) << id;
    ExpectRecords(r, {1, 2, 3}, {15002, 15001, 15003}, {20001, 20002, 20003}, {1, 0, 1}, {1, 0, 0});
  }
  // The full list's size does not depend on the settings.
  Context none(0);
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessDrvDataBase(0x100D, &none.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 60u);
  EXPECT_EQ(Records(0x100D, Context(4), &r), DB_NO_SELECTOR);
}

TEST_F(DrvRecordsModelTest, Selector5Lists) {
  const std::vector<int32_t> all = {1, 271, 277, 261, 259, 273, 258, 2, 263, 383};
  const std::vector<int32_t> ids = {15101, 15117, 15123, 15107, 15105,
                                    15119, 15104, 15102, 15109, 15128};
  const std::vector<int32_t> marked_first = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<Record> r;
  ASSERT_EQ(Records(0x100F, Context(), &r), DB_OK);
  ExpectRecords(r, all, ids, {}, {}, marked_first);
  ASSERT_EQ(Records(0x100E, Context(), &r), DB_OK);
  ExpectRecords(r, all, ids, {}, {}, marked_first);
  ASSERT_EQ(Records(0x100E, Context().set(4, 3).set(9, 1), &r), DB_OK);
  ExpectRecords(r, {1, 271, 277, 263, 383}, {15101, 15117, 15123, 15109, 15128}, {}, {},
                {1, 0, 0, 0, 0});
  // No marker pair for selector 9 = 2 under selector 4 = 1: nothing is marked.
  ASSERT_EQ(Records(0x100F, Context().set(9, 2), &r), DB_OK);
  ExpectRecords(r, all, ids, {}, {}, std::vector<int32_t>(10, 0));
}

TEST_F(DrvRecordsModelTest, Selector7Lists) {
  std::vector<Record> r;
  for (uint16_t id : {0x1012, 0x1013}) {
    ASSERT_EQ(Records(id, Context().set(5, 1), &r), DB_OK) << id;
    ExpectRecords(r, {4, 7}, {15301, 15302}, {}, {}, {0, 2});
    ASSERT_EQ(Records(id, Context().set(5, 261), &r), DB_OK) << id;
    ExpectRecords(r, {4, 7}, {15301, 15302}, {}, {}, {2, 0});
  }
  EXPECT_EQ(Records(0x1012, Context().set(5, 999), &r), DB_NOT_FOUND);
  ASSERT_EQ(Records(0x1013, Context().set(5, 999), &r), DB_OK);
  ExpectRecords(r, {4, 7}, {15301, 15302}, {}, {}, {0, 0});
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
  ASSERT_EQ(Records(0x1011, Context(), &r), DB_OK);
  std::vector<int32_t> want2, want3;
  for (int32_t code : codes) {
    want2.push_back(attr2.at(code));
    want3.push_back(in_1010.count(code) ? 0 : 1);
  }
  ExpectRecords(r, codes, ids, want2, want3, {});

  ASSERT_EQ(Records(0x1010, Context(), &r), DB_OK);
  ASSERT_EQ(r.size(), 11u);
  for (const Record& rec : r) {
    EXPECT_TRUE(in_1010.count(rec.value)) << rec.value;
    EXPECT_EQ(rec.attr2, attr2.at(rec.value));
  }
  EXPECT_EQ(r[10].attr1, 15744);
  EXPECT_EQ(Records(0x1010, Context(28), &r), DB_NO_SELECTOR);
}

TEST_F(DrvRecordsModelTest, MarkedListsWithoutSelectorTable) {
  std::vector<Record> r;
  ASSERT_EQ(Records(0x1014, Context(), &r), DB_OK);
  ExpectRecords(r, {3, 2, 1}, {}, {}, {}, {1, 0, 0});
  ASSERT_EQ(Records(0x1014, Context().set(4, 3).set(5, 271), &r), DB_OK);
  ExpectRecords(r, {3, 1}, {}, {}, {}, {1, 0});
  for (uint16_t id : {0x104D, 0x104E}) {
    ASSERT_EQ(Records(id, Context(), &r), DB_OK) << id;
    ExpectRecords(r, {0}, {}, {}, {}, {1});
  }
  EXPECT_EQ(Records(0x104D, Context().set(5, 999), &r), DB_NOT_FOUND);
  ASSERT_EQ(Records(0x104E, Context().set(5, 999), &r), DB_OK);
  ExpectRecords(r, {0}, {}, {}, {}, {0});
  EXPECT_EQ(Records(0x1051, Context(), &r), DB_NO_ENTRY);
  EXPECT_EQ(Records(0x1054, Context(), &r), DB_NO_ENTRY);
}

TEST_F(DrvRecordsModelTest, Selector8Lists) {
  std::vector<Record> r;
  ASSERT_EQ(Records(0x1016, Context(), &r), DB_OK);
  ExpectRecords(r, {1, 2, 3, 4, 5}, {0, 1, 0, 2, 3}, {-4, -4, -4, -3, -2}, {}, {0, 0, 0, 1, 0});
  ASSERT_EQ(Records(0x1016, Context().set(4, 2).set(9, 2).set(5, 259), &r), DB_OK);
  ExpectRecords(r, {1, 2, 3, 4, 5}, {1, 2, 0, 0, 0}, {-4, -3, -3, -3, -3}, {}, {0, 1, 0, 0, 0});
  ASSERT_EQ(Records(0x1016, Context().set(5, 261), &r), DB_OK);
  ExpectRecords(r, {1, 2, 5}, {1, 2, 0}, {-4, -3, -3}, {}, {1, 0, 0});
  ASSERT_EQ(Records(0x1016, Context().set(4, 3).set(9, 1).set(5, 271), &r), DB_OK);
  ExpectRecords(r, {1}, {1}, {-4}, {}, {1});

  ASSERT_EQ(Records(0x1017, Context(), &r), DB_OK);
  ExpectRecords(r, {1, 2, 3, 4, 5}, {}, {}, {}, {0, 0, 0, 1, 0});
  ASSERT_EQ(Records(0x1017, Context().set(5, 2), &r), DB_OK);
  ExpectRecords(r, {1, 2, 3, 4, 5}, {}, {}, {}, {1, 0, 0, 0, 0});
  // The marker pair is required: settings without one fail the query.
  EXPECT_EQ(Records(0x1017, Context().set(9, 2), &r), DB_NOT_FOUND);
  EXPECT_EQ(Records(0x1016, Context(81), &r), DB_NO_SELECTOR);
  EXPECT_EQ(Records(0x1017, Context(81), &r), DB_NO_SELECTOR);
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
const Bytes kPaperA4 = {0x1B, 0x28, 0x70, 0x08, 0x00, 0x02, 0xA6,
                        0x00, 0x00, 0x01, 0xE0, 0x00, 0x00};
const Bytes kSel7Is4 = {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x11};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(DrvRecordsModelTest, SequenceExampleOfTheSettings) {
  Context c;
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
          Context c;
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
  const std::map<uint32_t, Bytes> stored = {
      {11, {0x01, 0xD9, 0x00, 0x00, 0x01, 0x4E, 0x00, 0x00}},
      {9, {0x02, 0xA6, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00}},
      {8, {0x03, 0xC9, 0x00, 0x00, 0x02, 0xAC, 0x00, 0x00}},
      {13, {0x02, 0x48, 0x00, 0x00, 0x01, 0x9E, 0x00, 0x00}},
      {12, {0x03, 0x45, 0x00, 0x00, 0x02, 0x50, 0x00, 0x00}},
      {1, {0x02, 0x7D, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x07}},
      {5, {0x03, 0x31, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x07}},
      {3, {0x03, 0xE5, 0x00, 0x00, 0x02, 0x84, 0x00, 0x00}},
      {260, {0x00, 0xE0, 0x00, 0x00, 0x02, 0x1C, 0x00, 0x07}},
      {261, {0x00, 0xED, 0x00, 0x00, 0x01, 0xEA, 0x00, 0x07}},
  };
  Context base;
  base.set(6, 1);
  Bytes settings = *SettingsFragment(1, 0, 1, 1, 1);
  for (uint32_t code : {11u, 9u, 8u, 13u, 12u, 1u, 5u, 3u, 260u, 261u, 66u, 257u, 24u, 262u, 272u,
                        273u, 274u, 999u}) {
    Context c = base;
    c.set(28, code);
    Bytes paper;
    if (stored.count(code)) paper = Concat({{0x1B, 0x28, 0x70, 0x08, 0x00}, stored.at(code)});
    std::optional<Bytes> got = Sequence(0x1019, c);
    ASSERT_TRUE(got) << code;
    EXPECT_EQ(*got, Concat({kFirst1019, settings, paper, kSel7Is4, {0x00}})) << code;
  }
  // The user-defined size: computed from the width and length selectors;
  // an A4 extent gives the bytes stored for A4.
  Context custom = base;
  custom.set(28, 256).set(29, 21000).set(30, 29700);
  std::optional<Bytes> got = Sequence(0x1019, custom);
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, Concat({kFirst1019, settings, kPaperA4, kSel7Is4, {0x00}}));

  for (uint32_t s7 : {4u, 7u, 5u}) {
    Context c = base;
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
  Context c;
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
void ExpectCleanAllocationFailures(uint16_t id, const Context& c, uint32_t size) {
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
  Context c;
  ExpectCleanAllocationFailures(0x100C, c, 60);
  ExpectCleanAllocationFailures(0x100D, c, 60);
  ExpectCleanAllocationFailures(0x1010, c, 220);
  ExpectCleanAllocationFailures(0x1011, c, 360);
  ExpectCleanAllocationFailures(0x1016, c, 100);
  ExpectCleanAllocationFailures(0x1019, c, 57);
  Context option(95);
  option.set(79, 0x00800000);
  ExpectCleanAllocationFailures(0x1018, option, 19);
  Context custom;
  custom.set(28, 256).set(29, 21000).set(30, 29700);
  ExpectCleanAllocationFailures(0x1019, custom, 57);
}

#endif  // ORVDB_HOST_PLATFORM

}  // namespace
