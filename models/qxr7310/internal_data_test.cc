// The internal domain of the built-in image: marker pairs, per-value
// attributes and the command fragments, read the way the Drv special code
// reads them (root lookup or walk of a fragment tree, then fetch).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "drv_data_test_util.h"

namespace orv::drvtest {
namespace {

Answer internal(uint16_t id, const std::vector<uint32_t>& s) { return stored(id, s); }

// ---- marker pairs ------------------------------------------------------------

TEST(InternalData, MarkerPairOfTheSelector7List) {
  for (uint32_t s5 : kGridSel5) {
    Answer a = internal(0x5002, sels({{5, s5}}, 6));
    if (has({1, 2, 258, 263, 271, 273, 277}, s5)) {
      expect_ints(a, {7, 2}, ITEM_INT8, std::to_string(s5));
    } else if (has({259, 261, 383}, s5)) {
      expect_ints(a, {4, 2}, ITEM_INT8, std::to_string(s5));
    } else {
      EXPECT_EQ(a.rc, DB_NOT_FOUND) << s5;
    }
  }
  EXPECT_EQ(internal(0x5002, sels({{5, 1}}, 5)).rc, DB_NO_SELECTOR);
}

TEST(InternalData, MarkerPairOfTheSelector4ListNeedsNoSelectors) {
  expect_ints(internal(0x5003, {}), {1, 1}, ITEM_INT8, "0x5003");
}

TEST(InternalData, MarkerPairsOfTheSettingsLevels) {
  for_grid([](uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s81, uint32_t s8,
              const std::string& what) {
    auto s = sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}}, 82);
    if (pair_allowed(s4, s9)) {
      expect_ints(internal(0x5004, s), {1, 1}, ITEM_INT8, what);
    } else {
      EXPECT_EQ(internal(0x5004, s).rc, DB_NOT_FOUND) << what;
    }
    const Combination* c = allowed(s4, s9, s5);
    if (!c) {
      EXPECT_EQ(internal(0x5010, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(internal(0x5005, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    expect_ints(internal(0x5010, s), {0, 1}, ITEM_INT8, what);
    if (s81 != 0) {
      EXPECT_EQ(internal(0x5005, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(internal(0x500D, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    Ints pair = {1, 1};
    if (s4 != 3 && s5 == 1) pair = {4, 1};
    if (s4 != 3 && has({258, 259, 263, 271, 273, 277, 383}, s5)) pair = {2, 1};
    expect_ints(internal(0x5005, s), pair, ITEM_INT8, what);
    if (has(c->s8, s8)) {
      expect_ints(internal(0x500D, s), {3, 1}, ITEM_INT8, what);
    } else {
      EXPECT_EQ(internal(0x500D, s).rc, DB_NOT_FOUND) << what;
    }
  });
  // The selectors each one needs.
  EXPECT_EQ(internal(0x5004, sels({{4, 1}}, 9)).rc, DB_NO_SELECTOR);
  EXPECT_EQ(internal(0x5004, sels({{4, 1}}, 10)).rc, DB_OK);
  EXPECT_EQ(internal(0x5010, sels({{4, 1}, {5, 1}}, 10)).rc, DB_OK);
  EXPECT_EQ(internal(0x5005, sels({{4, 1}, {5, 1}}, 81)).rc, DB_NO_SELECTOR);
  EXPECT_EQ(internal(0x5005, sels({{4, 1}, {5, 1}}, 82)).rc, DB_OK);
}

// ---- per-value attributes ----------------------------------------------------

TEST(InternalData, AttributesOfTheSelector8List) {
  struct Row {
    bool sel4_3;
    std::vector<uint32_t> s5;
    Ints a5006, a5007;  // by selector 8 = 1..5; only the allowed values are read
  };
  const Row rows[] = {
      {false, {1, 263, 383}, {0, 1, 0, 2, 3}, {-4, -4, -4, -3, -2}},
      {false, {259, 271, 277}, {1, 2, 0, 0, 0}, {-4, -3, -3, -3, -3}},
      {false, {2, 258, 261, 273}, {1, 2, 99, 99, 0}, {-4, -3, 99, 99, -3}},
      {true, {1, 263, 271, 277, 383}, {1, 99, 99, 99, 99}, {-4, 99, 99, 99, 99}},
  };
  for_grid([&](uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s81, uint32_t s8,
               const std::string& what) {
    auto s = sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}}, 82);
    const Combination* c = allowed(s4, s9, s5);
    if (!c || s81 != 0 || !has(c->s8, s8)) {
      EXPECT_EQ(internal(0x5006, s).rc, DB_NOT_FOUND) << what;
      EXPECT_EQ(internal(0x5007, s).rc, DB_NOT_FOUND) << what;
      return;
    }
    for (const Row& r : rows) {
      if (r.sel4_3 != (s4 == 3) || !has(r.s5, s5)) continue;
      expect_ints(internal(0x5006, s), {r.a5006[s8 - 1]}, ITEM_INT8, what);
      expect_ints(internal(0x5007, s), {r.a5007[s8 - 1]}, ITEM_INT8, what);
    }
  });
  Answer a = internal(0x5007, sels({{4, 2}, {9, 2}, {5, 1}, {8, 5}}, 82));
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(InternalData, AttributesOfTheSelector4List) {
  const std::pair<uint32_t, Ints> rows[] = {{1, {20001, 1}}, {2, {20002, 0}}, {3, {20003, 1}}};
  for (const auto& [s4, v] : rows) {
    expect_ints(internal(0x500C, sels({{4, s4}}, 5)), {v[0]}, ITEM_INT16, "0x500C");
    expect_ints(internal(0x500B, sels({{4, s4}}, 5)), {v[1]}, ITEM_INT8, "0x500B");
  }
  for (uint32_t s4 : {0u, 4u}) {
    EXPECT_EQ(internal(0x500C, sels({{4, s4}}, 5)).rc, DB_NOT_FOUND);
    EXPECT_EQ(internal(0x500B, sels({{4, s4}}, 5)).rc, DB_NOT_FOUND);
  }
  EXPECT_EQ(internal(0x500C, sels({{4, 1}}, 4)).rc, DB_NO_SELECTOR);
}

TEST(InternalData, ValueNamesOfThePaperCodes) {
  const std::map<uint32_t, int32_t> names = {
      {1, 15701},   {3, 15719},   {5, 15705},   {8, 15708},   {9, 15710},   {11, 15712},
      {12, 15715},  {13, 15717},  {24, 15743},  {66, 15707},  {256, 15744}, {257, 15714},
      {260, 15730}, {261, 15731}, {262, 15732}, {272, 15739}, {273, 15740}, {274, 15741}};
  for (uint32_t code = 0; code < 300; ++code) {
    Answer a = internal(0x500E, sels({{28, code}}, 29));
    auto it = names.find(code);
    if (it == names.end()) {
      EXPECT_EQ(a.rc, DB_NOT_FOUND) << code;
    } else {
      expect_ints(a, {it->second}, ITEM_INT16, std::to_string(code));
    }
  }
  EXPECT_EQ(internal(0x500E, sels({{28, 9}}, 28)).rc, DB_NO_SELECTOR);
}

TEST(InternalData, OnlyTheTwelveInternalIdsHaveRoots) {
  const std::vector<uint16_t> present = {0x5002, 0x5003, 0x5004, 0x5005, 0x5006, 0x5007,
                                         0x5008, 0x500B, 0x500C, 0x500D, 0x500E, 0x5010};
  const Image& image = builtin_image();
  for (uint32_t id = 0x5000; id <= 0x5020; ++id) {
    uint32_t item = 0;
    int32_t rc = find_root_item(image, static_cast<uint16_t>(id), &item);
    bool expected = std::find(present.begin(), present.end(), id) != present.end();
    EXPECT_EQ(rc, expected ? DB_OK : DB_NO_ENTRY) << std::hex << id;
  }
  // 0x5008 names the top-level sequence.
  uint32_t top = 0;
  ASSERT_EQ(find_root_item(image, 0x5008, &top), DB_OK);
  EXPECT_EQ(item_kind(image.items[top].word0), ITEM_SEQUENCE);
}

// ---- fragments ---------------------------------------------------------------

TEST(InternalData, FixedFragments) {
  expect_bytes(fragment(0x1018, 0, {}), {0x1B, 0x5B, 0x4B, 0x02, 0x00, 0x00, 0x0F}, "0x1018/0");
  expect_bytes(fragment(0x1019, 0, {}),
               {0x1B, 0x28, 0x61, 0x01, 0x00, 0x01, 0x1B, 0x28, 0x62, 0x01, 0x00, 0x01},
               "0x1019/0");
  expect_bytes(fragment(0x101B, 0, {}), {0x1B, 0x40}, "0x101B");
  expect_bytes(fragment(0x101C, 0, {}),
               {0x1B, 0x28, 0x61, 0x01, 0x00, 0x00, 0x1B, 0x28, 0x62, 0x01, 0x00, 0x00}, "0x101C");
  expect_bytes(fragment(0x101D, 0, {}), {0x1B, 0x28, 0x65, 0x02, 0x00, 0x00, 0x01, 0x0C}, "0x101D");
}

TEST(InternalData, OptionBitsFragmentOnlyWithBit23) {
  EXPECT_EQ(fragment(0x1018, 1, sels({{79, 0x00700000}}, 81)).rc, DB_NOT_FOUND);
  expect_bytes(fragment(0x1018, 1, sels({{79, 0x00800000}, {80, 0}}, 81)),
               {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01},
               "option bits");
}

TEST(InternalData, SettingsFragmentOverTheGrid) {
  const std::map<uint32_t, uint8_t> high = {{1, 0x00},   {263, 0x00}, {383, 0x10}, {2, 0x20},
                                            {258, 0x30}, {273, 0x30}, {259, 0x40}, {277, 0x50},
                                            {261, 0x60}, {271, 0x70}};
  const uint8_t low[] = {0, 1, 1, 0, 0, 2};  // by selector 8
  for_grid([&](uint32_t s4, uint32_t s9, uint32_t s5, uint32_t s81, uint32_t s8,
               const std::string& cell) {
    const Combination* c = allowed(s4, s9, s5);
    for (uint32_t s6 : {0u, 1u, 2u, 3u}) {
      std::string what = cell + " 6=" + std::to_string(s6);
      Answer a =
          fragment(0x1019, 1, sels({{4, s4}, {9, s9}, {5, s5}, {81, s81}, {8, s8}, {6, s6}}));
      if (!c || s81 != 0 || !has(c->s8, s8) || !has(c->s6, s6)) {
        EXPECT_EQ(a.rc, DB_NOT_FOUND) << what;
        continue;
      }
      uint8_t mode = ((s4 == 1 && s9 == 0) || s4 == 3) ? 0x10 : 0x11;
      Bytes res = {0x01, 0x68, 0x01, 0x68};
      if (s4 != 3 && (s8 == 1 || s8 == 3)) res = {0x01, 0x68, 0x02, 0xD0};
      if (s4 != 3 && s8 == 5) res = {0x00, 0xB4, 0x00, 0xB4};
      Bytes tail = s4 == 3 ? Bytes{0x02, 0x80, 0x02} : Bytes{0x01, 0x00, 0x01};
      Bytes expected = {0x1B, 0x28, 0x63, 0x03, 0x00, mode, uint8_t(high.at(s5) | low[s8]),
                        0x00, 0x1B, 0x28, 0x64, 0x04, 0x00};
      expected.insert(expected.end(), res.begin(), res.end());
      expected.insert(expected.end(), {0x1B, 0x28, 0x74, 0x03, 0x00});
      expected.insert(expected.end(), tail.begin(), tail.end());
      expect_bytes(a, expected, what);
    }
  });
  // The two worked examples.
  expect_bytes(fragment(0x1019, 1, sels({{4, 1}, {9, 0}, {5, 1}, {8, 1}, {6, 1}})),
               {0x1B, 0x28, 0x63, 0x03, 0x00, 0x10, 0x01, 0x00, 0x1B, 0x28, 0x64, 0x04, 0x00,
                0x01, 0x68, 0x02, 0xD0, 0x1B, 0x28, 0x74, 0x03, 0x00, 0x01, 0x00, 0x01},
               "example 1");
  expect_bytes(fragment(0x1019, 1, sels({{4, 3}, {9, 0}, {5, 383}, {8, 1}, {6, 3}})),
               {0x1B, 0x28, 0x63, 0x03, 0x00, 0x10, 0x11, 0x00, 0x1B, 0x28, 0x64, 0x04, 0x00,
                0x01, 0x68, 0x01, 0x68, 0x1B, 0x28, 0x74, 0x03, 0x00, 0x02, 0x80, 0x02},
               "example 2");
}

// Fragment 2 of 0x1019 is the extent command (1B 28 70, eight parameters) of
// exactly the papers 0x1010 lists as printable; its stored parameters are
// the golden dump's.
TEST(InternalData, PaperFragmentByCode) {
  const Ints printable = stored(0x1010, {}).ints();
  ASSERT_FALSE(printable.empty());
  EXPECT_EQ(printable.back(), 256);  // the user-defined size, computed
  const Bytes command = {0x1B, 0x28, 0x70, 0x08, 0x00};
  for (uint32_t code = 0; code < 300; ++code) {
    if (code == 256) continue;
    Answer a = fragment(0x1019, 2, sels({{28, code}}, 31));
    if (std::find(printable.begin(), printable.end(), static_cast<int32_t>(code)) ==
        printable.end()) {
      EXPECT_EQ(a.rc, DB_NOT_FOUND) << code;
      continue;
    }
    ASSERT_EQ(a.rc, DB_OK) << code;
    ASSERT_EQ(a.data.size(), command.size() + 8) << code;
    EXPECT_TRUE(std::equal(command.begin(), command.end(), a.data.begin())) << code;
  }
  // The user-defined size computes the command paper code 11 (148 x 210 mm) stores.
  expect_bytes(fragment(0x1019, 2, sels({{28, 256}, {29, 14800}, {30, 21000}}, 31)),
               fragment(0x1019, 2, sels({{28, 11}}, 31)).data, "user-defined");
}

TEST(InternalData, Selector7And5Fragments) {
  expect_bytes(fragment(0x1019, 3, sels({{7, 4}}, 8)), {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x11}, "7=4");
  expect_bytes(fragment(0x1019, 3, sels({{7, 7}}, 8)), {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x14}, "7=7");
  EXPECT_EQ(fragment(0x1019, 3, sels({{7, 5}}, 8)).rc, DB_NOT_FOUND);
  const std::map<uint32_t, uint8_t> codes = {{1, 0x00},   {258, 0x10}, {271, 0x10}, {273, 0x10},
                                             {277, 0x10}, {2, 0x20},   {261, 0x20}, {259, 0x50},
                                             {263, 0x80}, {383, 0x80}};
  for (uint32_t s5 : kGridSel5) {
    Answer a = fragment(0x1019, 4, sels({{5, s5}, {7, 5}}, 8));
    auto it = codes.find(s5);
    if (it == codes.end()) {
      EXPECT_EQ(a.rc, DB_NOT_FOUND) << s5;
    } else {
      expect_bytes(a, {it->second}, "5=" + std::to_string(s5));
    }
  }
}

}  // namespace
}  // namespace orv::drvtest
