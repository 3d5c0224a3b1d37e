// The Drv domain of the built-in image, id by id: values, element widths,
// needed sizes and not-found answers, with the expected values written out
// from the model's own tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "drv_data_test_util.h"

namespace orv::drvtest {
namespace {

// ---- values that depend on nothing ------------------------------------------

struct Constant {
  uint16_t id;
  uint8_t kind;
  Ints values;
};

const Constant kConstants[] = {
    {0x1005, ITEM_UINT16, {29700, 59420}},
    {0x1006, ITEM_INT16, {10000, 10000}},
    {0x100A, ITEM_INT8, {0}},
    {0x100B, ITEM_INT8, {4, 5, 81, 7, 8, 6}},
    {0x1020, ITEM_INT8, {0, 28, 5, 1, 5, 28}},
    {0x1023, ITEM_INT8, {4, 1, 5, 1, 81, 0, 7, 7, 8, 4, 18, 0, 17, 1}},
    {0x1024, ITEM_UINT16, {42000, 59420}},
    {0x1025, ITEM_INT8, {3}},
    {0x102B, ITEM_INT16, {21001, 21002, 21011, 21012, 21013, 21021, 21022}},
    {0x102C, ITEM_INT16, {21031, 21041, 21042, 21045, 21046, 21051, 21052, 21053, 21054}},
    {0x1037, ITEM_INT8, {0}},
    {0x1039, ITEM_INT8, {26}},
    {0x103D, ITEM_INT8, {26}},
    {0x103E, ITEM_INT16, {0, 17402, 2102, 0, 1, 17403, 2103, 0, 2, 17404, 2104, 2}},
    {0x103F, ITEM_INT16, {0, 15601, 0, 10, 1, 15602, 1, 14, 2, 15603, 2, 18, 3, 15604, 3, 22}},
    {0x1043, ITEM_INT8, {-2}},
    {0x104B, ITEM_INT8, {0}},
    {0x104C, ITEM_INT8, {0}},
    {0x104F, ITEM_INT8, {1}},
    // Stored constants that the Drv special code reads.
    {0x1010, ITEM_INT16, {11, 9, 8, 13, 12, 1, 5, 3, 260, 261, 256}},
    {0x1011,
     ITEM_INT16,
     {11, 9, 8, 13, 12, 1, 5, 3, 260, 261, 66, 257, 24, 262, 272, 273, 274, 256}},
    {0x1017, ITEM_INT8, {1, 2, 3, 4, 5}},
    {0x104E, ITEM_INT8, {0}},
};

TEST(DrvData, ConstantsNeedNoSelectors) {
  for (const Constant& c : kConstants) {
    Answer a = stored(c.id, {});
    expect_ints(a, c.values, "id " + std::to_string(c.id));
    EXPECT_EQ(a.kind, c.kind) << "id " << c.id;
  }
  // 0x1043 comes back sign-extended.
  Answer a = drv(0x1043, {});
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(DrvData, FileNamesAreSixteenBitTextWithNul) {
  const std::pair<uint16_t, std::string> names[] = {{0x101F, "vexfa15.icm"},
                                                    {0x1035, "vexfa09.dll"},
                                                    {0x103B, "vexfa10.dll"},
                                                    {0x1047, "vexfa11.dll"},
                                                    {0x1048, "vexfa12.dll"}};
  for (const auto& [id, text] : names) {
    Answer a = drv(id, {});
    ASSERT_EQ(a.rc, DB_OK) << id;
    ASSERT_EQ(a.needed, 24u) << id;
    for (size_t i = 0; i <= text.size(); ++i) {
      uint16_t ch = static_cast<uint16_t>(a.data[2 * i] | a.data[2 * i + 1] << 8);
      EXPECT_EQ(ch, i < text.size() ? static_cast<uint8_t>(text[i]) : 0) << id << " at " << i;
    }
  }
  // A 20-byte buffer is too short.
  ORV_QUERY_CONTEXT ctx{};
  uint8_t buf[20];
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessDrvDataBase(0x101F, &ctx, sizeof buf, buf, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 24u);
}

// ---- paper table ---------------------------------------------------------

struct PaperRow {
  uint32_t code;
  Ints size;       // 0x1003
  Ints printable;  // 0x1001, empty when absent
  Ints offsets;    // 0x1002, empty when absent
  bool u16;        // size pair stored unsigned
};

const PaperRow kPapers[] = {
    {11, {14800, 21000}, {14120, 20000}, {300, 340}, false},
    {9, {21000, 29700}, {20320, 28700}, {300, 340}, false},
    {8, {29700, 42000}, {28956, 41000}, {300, 340}, true},
    {13, {18200, 25700}, {17520, 24700}, {300, 340}, false},
    {12, {25700, 36400}, {25020, 35400}, {300, 340}, true},
    {1, {21590, 27940}, {20320, 26940}, {300, 640}, false},
    {5, {21590, 35560}, {20320, 34560}, {300, 640}, true},
    {3, {27940, 43180}, {27260, 42180}, {300, 340}, true},
    {260, {24130, 10477}, {22850, 9477}, {300, 640}, false},
    {261, {22000, 11000}, {20720, 10000}, {300, 640}, false},
    {66, {42000, 59400}, {}, {}, true},
    {257, {36400, 51500}, {}, {}, true},
    {24, {43180, 55880}, {}, {}, true},
    {262, {34290, 43180}, {}, {}, true},
    {272, {22860, 33782}, {}, {}, true},
    {273, {22270, 35560}, {}, {}, true},
    {274, {32900, 48300}, {}, {}, true},
};

TEST(DrvData, PaperTableByCode) {
  for (const PaperRow& p : kPapers) {
    std::string what = "paper " + std::to_string(p.code);
    auto s = sels({{28, p.code}}, 29);
    Answer size = stored(0x1003, s);
    expect_ints(size, p.size, what);
    EXPECT_EQ(size.kind, p.u16 ? ITEM_UINT16 : ITEM_INT16) << what;
    expect_ints(drv(0x1003, s), p.size, what);
    if (p.printable.empty()) {
      EXPECT_EQ(drv(0x1001, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(drv(0x1002, s).rc, DB_NOT_FOUND) << what;
    } else {
      expect_ints(drv(0x1001, s), p.printable, what);
      expect_ints(drv(0x1002, s), p.offsets, what);
      EXPECT_EQ(stored(0x1001, s).kind, p.u16 ? ITEM_UINT16 : ITEM_INT16) << what;
    }
    EXPECT_EQ(drv(0x1004, s).rc, DB_NOT_FOUND) << what;
    EXPECT_EQ(drv(0x1033, s).rc, DB_NOT_FOUND) << what;
  }
  for (uint32_t code : {0u, 2u, 4u, 255u, 258u, 275u, 1000u}) {
    for (uint16_t id : {0x1001, 0x1002, 0x1003, 0x1004, 0x1033}) {
      EXPECT_EQ(drv(id, sels({{28, code}}, 29)).rc, DB_NOT_FOUND) << id << " code " << code;
    }
  }
  EXPECT_EQ(drv(0x1003, sels({{28, 9}}, 28)).rc, DB_NO_SELECTOR);
}

TEST(DrvData, UserDefinedPaperIsComputed) {
  auto s = sels({{28, 256}, {29, 21000}, {30, 29700}}, 31);
  expect_ints(drv(0x1004, s), {340, 20320, 300, 28700}, "0x1004");
  expect_ints(drv(0x1033, s), {678}, "0x1033");
  for (uint16_t id : {0x1001, 0x1002, 0x1003}) EXPECT_EQ(drv(id, s).rc, DB_NOT_FOUND) << id;
  expect_ints(drv(0x1032, sels({{25, 21000}, {26, 29700}, {52, 5}}, 53)), {340, 20320, 0, 29700},
              "0x1032");
}

// Rounded-up conversion of 1/100 mm to 1/60 inch.
uint32_t sixtieths(uint32_t hundredths_mm) { return (hundredths_mm * 6 + 253) / 254; }

// For every paper with the 300/340 margins, the stored extent command, offsets
// and printable area equal what the user-defined size computes from the
// stored paper size.
TEST(DrvData, StoredPapersAgreeWithUserDefinedFormulas) {
  const Image& image = builtin_image();
  uint32_t paper_tree = 0;
  ASSERT_EQ(find_root_item(image, 0x1003, &paper_tree), DB_OK);
  int checked = 0;
  for (const PaperRow& p : kPapers) {
    auto s = sels({{28, p.code}}, 95);
    Answer offsets = stored(0x1002, s);
    if (offsets.rc != DB_OK || offsets.ints() != Ints{300, 340}) continue;
    ++checked;
    uint32_t width = static_cast<uint32_t>(p.size[0]), length = static_cast<uint32_t>(p.size[1]);
    // The printable area of the user-defined size: 340, width - 680 (at most 28956), 300, length -
    // 1000.
    Ints area = {340, std::min<int32_t>(static_cast<int32_t>(width) - 680, 28956), 300,
                 static_cast<int32_t>(length) - 1000};
    EXPECT_EQ(area[2], offsets.ints()[0]) << p.code;
    EXPECT_EQ(area[0], offsets.ints()[1]) << p.code;
    EXPECT_EQ((Ints{area[1], area[3]}), stored(0x1001, s).ints()) << p.code;
    // The extent command of the user-defined size.
    uint32_t l = sixtieths(length - 1000) & 0xFFFF;
    uint32_t w = std::min<uint32_t>(sixtieths(width - 680) & 0xFFFF, 684);
    std::vector<uint8_t> expected = {0x1B,       0x28,
                                     0x70,       0x08,
                                     0x00,       uint8_t(l >> 8),
                                     uint8_t(l), 0x00,
                                     0x00,       uint8_t(w >> 8),
                                     uint8_t(w), 0x00,
                                     0x00};
    ORV_QUERY_CONTEXT ctx = context(s);
    Leaf leaf{};
    const Item& root = image.items[paper_tree];
    ASSERT_EQ(resolve(image, 0x5008, &ctx, root.word0, root.word1, &leaf), DB_OK) << p.code;
    std::vector<uint8_t> got(13);
    uint32_t n = 0;
    ASSERT_EQ(fetch(image, &ctx, 13, got.data(), &n, leaf), DB_OK) << p.code;
    EXPECT_EQ(n, 13u);
    EXPECT_EQ(got, expected) << p.code;
  }
  EXPECT_EQ(checked, 6);  // A5, A4, A3, B5, B4, tabloid
}

// ---- settings tree -------------------------------------------------------

TEST(DrvData, SettingsTreeOverTheGrid) {
  for_grid([](uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s81, uint32_t s8,
              const std::string& what) {
    const Combination* c = allowed(s4, s9, s5);
    bool ok = c && s81 == 0 && has(c->s8, s8);
    auto s = sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}}, 82);
    if (!ok) {
      EXPECT_EQ(drv(0x1015, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(drv(0x1038, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(drv(0x1008, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    expect_ints(drv(0x1015, s), s4 == 3 ? Ints{0, 1, 0, 0} : Ints{int(s8), int(s8), 0, 0}, what);
    expect_ints(drv(0x1038, s), {33, 161}, what);
    for (uint32_t s6 : {0u, 1u, 2u, 3u, 4u}) {
      auto s_6 = sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}, {6, s6}}, 82);
      Answer a = drv(0x1008, s_6);
      if (!has(c->s6, s6)) {
        EXPECT_EQ(a.rc, DB_NOT_FOUND) << what << " 6=" << s6;
      } else {
        expect_ints(a, s8 == 5 ? Ints{180, 180} : Ints{360, 360}, what);
      }
    }
  });
  // Stored kinds of 0x1008, 0x1015 and 0x1038.
  auto s = sels({{4, 1}, {9, 0}, {5, 261}, {8, 5}, {6, 1}}, 82);
  EXPECT_EQ(stored(0x1008, s).kind, ITEM_UINT8);
  EXPECT_EQ(stored(0x1015, s).kind, ITEM_INT8);
  EXPECT_EQ(stored(0x1038, s).kind, ITEM_UINT8);
  s[8] = 1;
  EXPECT_EQ(stored(0x1008, s).kind, ITEM_INT16);
  // The walk reads selector 81: 50 selectors are not enough.
  EXPECT_EQ(drv(0x1008, sels({{4, 1}, {9, 0}, {5, 1}}, 50)).rc, DB_NO_SELECTOR);
}

// ---- stored lists --------------------------------------------------------

TEST(DrvData, StoredListsFollowTheSettingsLevels) {
  expect_ints(stored(0x100C, {}), {1, 2, 3}, "0x100C");
  EXPECT_EQ(stored(0x100C, {}).kind, ITEM_INT8);
  for_grid([](uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s81, uint32_t s8,
              const std::string& what) {
    auto s = sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}}, 82);
    if (!pair_allowed(s4, s9)) {
      EXPECT_EQ(stored(0x100E, s).rc, DB_NOT_FOUND) << what;
    } else if (s4 == 3) {
      expect_ints(stored(0x100E, s), {1, 271, 277, 263, 383}, what);
    } else {
      expect_ints(stored(0x100E, s), {1, 271, 277, 261, 259, 273, 258, 2, 263, 383}, what);
    }
    const Combination* c = allowed(s4, s9, s5);
    if (!c) {
      EXPECT_EQ(stored(0x104D, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(stored(0x1016, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    expect_ints(stored(0x104D, s), {0}, what);
    if (s81 != 0) {
      EXPECT_EQ(stored(0x1016, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    Ints sel8(c->s8.begin(), c->s8.end());
    expect_ints(stored(0x1016, s), sel8, what);
    if (!has(c->s8, s8)) {
      EXPECT_EQ(stored(0x1014, s).rc, DB_NOT_FOUND) << what;
    } else {
      expect_ints(stored(0x1014, s), s4 == 3 ? Ints{3, 1} : Ints{3, 2, 1}, what);
    }
  });
  auto s = sels({{4, 1}, {9, 0}, {5, 1}, {8, 1}}, 82);
  EXPECT_EQ(stored(0x100E, s).kind, ITEM_INT16);
  for (uint16_t id : {0x104D, 0x1016, 0x1014}) EXPECT_EQ(stored(id, s).kind, ITEM_INT8) << id;
}

TEST(DrvData, Selector7ListBySelector5) {
  for (uint32_t s5 : {1u, 271u, 277u, 273u, 258u, 2u, 263u, 261u, 259u, 383u}) {
    Answer a = stored(0x1012, sels({{5, s5}}, 6));
    expect_ints(a, {4, 7}, "5=" + std::to_string(s5));
    EXPECT_EQ(a.kind, ITEM_INT8);
  }
  for (uint32_t s5 : {0u, 3u, 279u, 384u})
    EXPECT_EQ(stored(0x1012, sels({{5, s5}}, 6)).rc, DB_NOT_FOUND);
}

// ---- smaller selector trees ------------------------------------------------

struct Case {
  uint16_t id;
  std::vector<std::pair<int, uint32_t>> set;  // selectors set
  int32_t rc;                                 // expected result
  Ints values;                                // expected values when DB_OK
};

void run_cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::vector<uint32_t> s(95, 0);
    std::string what = "id " + std::to_string(c.id);
    for (const auto& [i, v] : c.set) {
      s[i] = v;
      what += " " + std::to_string(i) + "=" + std::to_string(v);
    }
    Answer a = drv(c.id, s);
    if (c.rc != DB_OK) {
      EXPECT_EQ(a.rc, c.rc) << what;
    } else {
      expect_ints(a, c.values, what);
    }
  }
}

TEST(DrvData, Selector4Pair) {
  run_cases({
      {0x103A, {{4, 1}, {9, 2}}, DB_OK, {1}},
      {0x103A, {{4, 2}}, DB_OK, {2}},
      {0x103A, {{4, 3}}, DB_OK, {3}},
      {0x103A, {{4, 4}}, DB_NOT_FOUND, {}},
      {0x1007, {{4, 1}, {9, 0}}, DB_OK, {24}},
      {0x1007, {{4, 1}, {9, 1}}, DB_OK, {8}},
      {0x1007, {{4, 1}, {9, 2}}, DB_NOT_FOUND, {}},
      {0x1007, {{4, 2}, {9, 0}}, DB_OK, {8}},
      {0x1007, {{4, 2}, {9, 7}}, DB_OK, {8}},
      {0x1007, {{4, 3}, {9, 0}}, DB_OK, {24}},
      {0x1007, {{4, 3}, {9, 1}}, DB_OK, {8}},
      {0x1007, {{4, 3}, {9, 2}}, DB_NOT_FOUND, {}},
      {0x1007, {{4, 0}}, DB_NOT_FOUND, {}},
  });
}

TEST(DrvData, Selector9Pair) {
  run_cases({
      {0x1009, {{9, 0}, {19, 1}}, DB_OK, {1, 1, 1, 1, 1, 1, 0, 0, 0}},
      {0x1041, {{9, 0}, {19, 1}}, DB_OK, {16, 3, 17, 1, 18, 1}},
      {0x1009, {{9, 0}, {19, 0}}, DB_OK, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {0x1041, {{9, 0}, {19, 0}}, DB_NOT_FOUND, {}},
      {0x1009, {{9, 2}}, DB_OK, {0, 0, 0, 0, 1, 0, 0, 0, 0}},
      {0x1009, {{9, 1}, {19, 1}}, DB_OK, {0, 0, 0, 0, 1, 0, 0, 0, 0}},
      {0x1041, {{9, 1}, {19, 1}}, DB_NOT_FOUND, {}},
  });
}

TEST(DrvData, PairedSettings) {
  run_cases({
      {0x1021, {{0, 1}, {5, 263}}, DB_NOT_FOUND, {}},
      {0x1022, {{0, 1}, {5, 263}}, DB_OK, {260, 261}},
      {0x1021, {{0, 1}, {5, 279}}, DB_OK, {1, 275}},
      {0x1022, {{0, 1}, {5, 279}}, DB_OK, {275}},
      {0x1022, {{0, 1}, {5, 1}}, DB_NOT_FOUND, {}},
      {0x1021, {{0, 0}, {28, 260}}, DB_NOT_FOUND, {}},
      {0x1022, {{0, 0}, {28, 260}}, DB_OK, {263}},
      {0x1022, {{0, 0}, {28, 261}}, DB_OK, {263}},
      {0x1021, {{0, 0}, {28, 275}}, DB_OK, {1, 279}},
      {0x1022, {{0, 0}, {28, 275}}, DB_OK, {279}},
      {0x1022, {{0, 0}, {28, 9}}, DB_NOT_FOUND, {}},
      {0x1022, {{0, 2}, {5, 263}}, DB_NOT_FOUND, {}},
  });
}

TEST(DrvData, Selector5And7Pair) {
  struct Row {
    std::vector<uint32_t> s5;
    int32_t v1026, v1027_4, v1027_7;
  };
  const Row rows[] = {{{1, 271, 277, 273, 258, 2}, 21012, 21021, 21022},
                      {{261}, 21012, 21021, 21021},
                      {{259}, 21013, 21021, 21022},
                      {{263, 383}, 21013, 21021, 21021}};
  std::vector<Case> cases;
  for (const Row& r : rows) {
    for (uint32_t s5 : r.s5) {
      cases.push_back({0x1026, {{5, s5}, {7, 4}}, DB_OK, {r.v1026}});
      cases.push_back({0x1026, {{5, s5}, {7, 7}}, DB_OK, {r.v1026}});
      cases.push_back({0x1027, {{5, s5}, {7, 4}}, DB_OK, {r.v1027_4}});
      cases.push_back({0x1027, {{5, s5}, {7, 7}}, DB_OK, {r.v1027_7}});
      cases.push_back({0x1027, {{5, s5}, {7, 5}}, DB_NOT_FOUND, {}});
    }
  }
  cases.push_back({0x1026, {{5, 279}, {7, 4}}, DB_NOT_FOUND, {}});
  run_cases(cases);
}

TEST(DrvData, SingleSwitches) {
  run_cases({
      {0x1028, {{5, 258}}, DB_OK, {1}},
      {0x1028, {{5, 273}}, DB_OK, {1}},
      {0x1028, {{5, 1}}, DB_OK, {0}},
      {0x1028, {{5, 999}}, DB_OK, {0}},
      {0x102A, {{52, 5}}, DB_OK, {1}},
      {0x102A, {{52, 0}}, DB_OK, {0}},
      {0x102D, {{52, 5}}, DB_OK, {21003}},
      {0x102D, {{52, 4}}, DB_OK, {21001, 21002}},
      {0x102E, {{52, 5}, {7, 4}}, DB_OK, {21067}},
      {0x102E, {{52, 0}, {7, 4}}, DB_OK, {21045, 21046}},
      {0x102E, {{52, 0}, {7, 7}}, DB_OK, {21041, 21042}},
      {0x102F, {{20, 2}}, DB_OK, {21053, 21054}},
      {0x102F, {{20, 1}}, DB_OK, {21051, 21052}},
      {0x102F, {{20, 0}}, DB_NOT_FOUND, {}},
  });
  // A default case does not spare the selector.
  EXPECT_EQ(drv(0x1028, sels({}, 5)).rc, DB_NO_SELECTOR);
  EXPECT_EQ(drv(0x102A, sels({}, 52)).rc, DB_NO_SELECTOR);
}

}  // namespace
}  // namespace orv::drvtest
