// The PA and SM domains' answers through the exported access functions.
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer pa(uint16_t id, const std::vector<uint32_t>& sel = {}) {
  return ask(ORV_AccessPADataBase, id, sel);
}

using Numbers = std::vector<int32_t>;
const Numbers kA = {1, 21071, 17044};
const Numbers kB = {2, 21072, 17045};
const Numbers kC = {3, 21073, 17046};
const Numbers kNotFound = {};

Numbers join(const Numbers& a, const Numbers& b) {
  Numbers r = a;
  r.insert(r.end(), b.begin(), b.end());
  return r;
}

// The answer of `id`, or an empty list when it is not found.
Numbers value(uint16_t id, const std::vector<uint32_t>& sel) {
  Answer a = pa(id, sel);
  EXPECT_TRUE(a.rc == DB_OK || a.rc == DB_NOT_FOUND) << a.rc;
  return a.numbers();
}

TEST(PaData, Constants) {
  EXPECT_EQ(pa(0x4001).numbers(),
            (Numbers{1, 17002, 2041, 2, 17003, 2042, 3, 17004, 2043, 4, 17005, 2044}));
  EXPECT_EQ(pa(0x4008).numbers(), Numbers{10102});
  EXPECT_EQ(ask(ORV_AccessSMDataBase, 0x600D).numbers(), Numbers{0});
  Answer sm = ask(ORV_AccessSMDataBase, 0x6011, {1, 2, 3}, {"x"});
  EXPECT_EQ(sm.numbers(), Numbers{7082});
  EXPECT_EQ(sm.needed, 4u);
  for (uint16_t id : {0x4009, 0x4FFF}) EXPECT_EQ(pa(id).rc, DB_NO_ENTRY);
  for (uint16_t id : {0x6001, 0x600E, 0x6012})
    EXPECT_EQ(ask(ORV_AccessSMDataBase, id).rc, DB_NO_ENTRY);
}

TEST(PaData, Level1) {
  const struct {
    uint32_t sel0;
    Numbers id4002, id4003;
  } cases[] = {
      {1,
       {277, 2065, 271, 2061},
       {1, 2051, 261, 2057, 2, 2052, 273, 2062, 258, 2054, 259, 2055, 383, 2068}},
      {2, {1, 2051, 271, 2061}, {277, 2065, 2, 2052}},
      {3, {1, 2051, 271, 2061}, {277, 2065, 2, 2052}},
      {4, {1, 2051}, {263, 2059}},
      {5, kNotFound, kNotFound},
      {0, kNotFound, kNotFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(value(0x4002, {c.sel0}), c.id4002) << c.sel0;
    EXPECT_EQ(value(0x4003, {c.sel0}), c.id4003) << c.sel0;
  }
  EXPECT_EQ(pa(0x4002, {4}).needed, 8u);
  EXPECT_EQ(pa(0x4004, {4}).rc, DB_NO_SELECTOR);
  EXPECT_EQ(pa(0x4002).rc, DB_NO_SELECTOR);
}

TEST(PaData, Level2) {
  const struct {
    uint32_t sel0, sel1;
    Numbers id4004, id4005;
  } cases[] = {
      {1, 277, kC, kA},
      {1, 271, kC, kA},
      {1, 1, kA, kC},
      {1, 261, kA, kNotFound},
      {1, 258, kA, kNotFound},
      {1, 383, kA, kNotFound},
      {1, 263, kNotFound, kNotFound},
      {2, 1, kA, join(kC, kB)},
      {2, 277, kA, join(kC, kB)},
      {2, 2, kA, kB},
      {2, 261, kNotFound, kNotFound},
      {3, 1, kA, kB},
      {3, 271, kA, join(kC, kB)},
      {3, 2, kA, kB},
      {4, 1, kB, kA},
      {4, 263, kB, kA},
      {4, 2, kNotFound, kNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.sel0) + "/" + std::to_string(c.sel1));
    EXPECT_EQ(value(0x4004, {c.sel0, c.sel1, 0}), c.id4004);
    EXPECT_EQ(value(0x4005, {c.sel0, c.sel1, 0}), c.id4005);
  }
  EXPECT_EQ(pa(0x4005, {2, 277}).needed, 24u);
  EXPECT_EQ(pa(0x4006, {2, 277}).rc, DB_NO_SELECTOR);
  // Without 0x4005 there, the walk goes on into the selector-2 switch.
  EXPECT_EQ(pa(0x4005, {1, 258}).rc, DB_NO_SELECTOR);
  EXPECT_EQ(pa(0x4004, {1, 258}).numbers(), kA);
}

TEST(PaData, Level3) {
  const Numbers x1 = {18, 1, 16, 3, 9, 0}, x2 = {18, 2, 16, 2, 9, 0}, x3 = {18, 0, 16, 2, 9, 0};
  const struct {
    uint32_t sel0, sel1, sel2;
    Numbers id4006, id4007;
  } cases[] = {
      {1, 277, 3, {1, 1}, x1},     {1, 271, 1, {2, 1}, x1},
      {1, 1, 1, {2, 1}, x1},       {1, 1, 3, {1, 1}, x1},
      {1, 259, 1, {2, 1}, x1},     {1, 259, 3, kNotFound, kNotFound},
      {2, 271, 1, {2, 2}, x2},     {2, 1, 3, {1, 1}, x2},
      {2, 277, 2, {2, 2}, {9, 2}}, {2, 2, 1, {2, 2}, x2},
      {2, 2, 2, {2, 2}, {9, 2}},   {2, 2, 3, kNotFound, kNotFound},
      {3, 1, 1, {4, 3}, x3},       {3, 1, 2, {4, 3}, {9, 2}},
      {3, 277, 1, {2, 3}, x3},     {3, 271, 3, {1, 3}, x3},
      {3, 271, 2, {2, 3}, {9, 2}}, {3, 2, 1, {2, 3}, x3},
      {3, 2, 2, {2, 3}, {9, 2}},   {4, 1, 2, {4, 2}, {9, 2}},
      {4, 263, 1, {4, 2}, {9, 1}}, {4, 263, 3, kNotFound, kNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.sel0) + "/" + std::to_string(c.sel1) + "/" +
                 std::to_string(c.sel2));
    EXPECT_EQ(value(0x4006, {c.sel0, c.sel1, c.sel2}), c.id4006);
    EXPECT_EQ(value(0x4007, {c.sel0, c.sel1, c.sel2}), c.id4007);
  }
}

}  // namespace
}  // namespace orv::model::testing
