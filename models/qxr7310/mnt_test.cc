// The Mnt domain's answers through the exported access function.
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer mnt(uint16_t id, const std::vector<uint32_t>& sel = {}) {
  return ask(ORV_AccessMntDataBase, id, sel);
}

using Numbers = std::vector<int32_t>;

TEST(MntData, Constants) {
  const std::pair<uint16_t, Numbers> cases[] = {
      {0x3002, {10}}, {0x3004, {3}}, {0x3005, {21101}}, {0x3006, {0}}, {0x3007, {0, 1, 10, 30, 60}},
      {0x3008, {0}},
  };
  for (const auto& [id, values] : cases) {
    Answer a = mnt(id);
    ASSERT_EQ(a.rc, DB_OK) << id;
    EXPECT_EQ(a.numbers(), values) << id;
  }
}

TEST(MntData, CommandTableRows) {
  Answer a = mnt(0x3001);
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.needed, 240u);
  Numbers n = a.numbers();
  ASSERT_EQ(n.size(), 60u);
  EXPECT_EQ(Numbers(n.begin(), n.begin() + 10),
            (Numbers{0, 16801, 2201, 2202, 2201, 16821, 501, 1, 1, 100}));
  EXPECT_EQ(Numbers(n.begin() + 40, n.begin() + 50),
            (Numbers{6, 16809, 2225, 2226, 2227, 16829, 509, 1, 2, 900}));
  EXPECT_EQ(Numbers(n.begin() + 50, n.end()),
            (Numbers{7, 16810, 2228, 2229, 2230, 16830, 510, 1, 1, 1000}));
}

TEST(MntData, SequenceTable) {
  ORV_QUERY_CONTEXT ctx{};
  uint8_t buf[516];
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessMntDataBase(0x3003, &ctx, 512, buf, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 516u);
  Answer a = mnt(0x3003);
  ASSERT_EQ(a.rc, DB_OK);
  Numbers n = a.numbers();
  ASSERT_EQ(n.size(), 129u);
  // Group 4 with its two inner groups, then the closing triples.
  EXPECT_EQ(Numbers(n.begin() + 57, n.begin() + 60), (Numbers{1, 700, 0}));
  EXPECT_EQ(Numbers(n.begin() + 87, n.begin() + 93), (Numbers{13, 3, 6, 7, 16871, 16935}));
  EXPECT_EQ(Numbers(n.end() - 9, n.end()), (Numbers{1, 9999, 0, 999, 0, 0, 0, 0, 0}));
  int groups = 0;
  for (size_t i = 0; i < n.size(); i += 3) groups += n[i] == 1;
  EXPECT_EQ(groups, 9);
}

TEST(MntData, Fragments) {
  const std::pair<uint32_t, std::string> cases[] = {
      {1002, "AutoPowerOff="},
      {1001, "AutoPowerOn="},
      {700, "@ChangeHead=1"},
      {100, "@Cleaning=1"},
      {11, "ControlMode=Common"},
      {600, "@TestPrint=DemoPrint"},
      {2, "\x0AQXLEND\x0A"},
      {1, std::string("\x1B\x5B\x4B\x02\x00\x00\x1F", 7) + "QXLSTART\x0A"},
      {500, "@TestPrint=NozzleCheck"},
      {900, "@PowerOff"},
  };
  for (const auto& [code, text] : cases) {
    SCOPED_TRACE(code);
    Answer a = mnt(0x300B, {code});
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, text.size());
    EXPECT_EQ(std::string(a.raw.begin(), a.raw.end()), text);
  }
  EXPECT_EQ(mnt(0x300B, {1}).needed, 16u);
  for (uint32_t code : {1000u, 0u, 3u, 701u}) EXPECT_EQ(mnt(0x300B, {code}).rc, DB_NOT_FOUND);
  EXPECT_EQ(mnt(0x300B).rc, DB_NO_SELECTOR);
}

TEST(MntData, UnlistedIdsHaveNoEntry) {
  for (uint16_t id : {0x3009, 0x300A, 0x300C, 0x3FFF}) EXPECT_EQ(mnt(id).rc, DB_NO_ENTRY) << id;
}

}  // namespace
}  // namespace orv::model::testing
