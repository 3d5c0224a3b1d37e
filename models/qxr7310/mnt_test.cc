// The Mnt domain's answers through the exported access function: a long
// answer and how its fragments come back. The stored values are the golden
// dump's (model_test.cc).
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer mnt(uint16_t id, const std::vector<uint32_t>& sel = {}) {
  return ask(ORV_AccessMntDataBase, id, sel);
}

using Numbers = std::vector<int32_t>;

// A long answer: 129 numbers. Every group of triples opens with
// (1, group, 0).
TEST(MntData, SequenceTable) {
  Answer a = mnt(0x3003);
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.needed, 516u);
  Numbers n = a.numbers();
  ASSERT_EQ(n.size(), 129u);
  int groups = 0;
  for (size_t i = 0; i < n.size(); i += 3) groups += n[i] == 1;
  EXPECT_EQ(groups, 9);
}

// Fragments are bytes returned whole, NUL bytes and all, chosen by selector 0.
TEST(MntData, Fragments) {
  Answer opening = mnt(0x300B, {1});
  ASSERT_EQ(opening.rc, DB_OK);
  EXPECT_EQ(opening.needed, 16u);
  EXPECT_EQ(std::string(opening.raw.begin(), opening.raw.end()),
            std::string("\x1B\x5B\x4B\x02\x00\x00\x1F", 7) + "QXLSTART\x0A");
  for (uint32_t code : {1000u, 0u, 3u, 701u}) EXPECT_EQ(mnt(0x300B, {code}).rc, DB_NOT_FOUND);
  EXPECT_EQ(mnt(0x300B).rc, DB_NO_SELECTOR);
}

TEST(MntData, UnlistedIdsHaveNoEntry) {
  for (uint16_t id : {0x3009, 0x300A, 0x300C, 0x3FFF}) EXPECT_EQ(mnt(id).rc, DB_NO_ENTRY) << id;
}

}  // namespace
}  // namespace orv::model::testing
