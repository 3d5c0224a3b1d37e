// The Root domain's answers through the exported access function: which ids
// it has and how its switches choose. The stored values are the golden
// dump's (model_test.cc).
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer root(uint16_t id, const std::vector<uint32_t>& sel = {},
            const std::vector<const char*>& str = {}) {
  return ask(ORV_AccessRootDataBase, id, sel, str);
}

TEST(RootData, UnlistedIdsHaveNoEntry) {
  for (uint16_t id : {0x0001, 0x000A, 0x000B, 0x0015, 0x0016, 0x0017, 0x001A, 0x001B, 0x001C,
                      0x001E, 0x001F, 0x0020, 0x0025, 0x0028, 0x0100, 0x0FFF}) {
    EXPECT_EQ(root(id).rc, DB_NO_ENTRY) << id;
  }
  EXPECT_EQ(root(0x1000).rc, DB_NOT_FOUND);
}

TEST(RootData, ShortBufferGetsTheSize) {
  ORV_QUERY_CONTEXT ctx{};
  uint8_t buf[10];
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessRootDataBase(0x0002, &ctx, 9, buf, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 10u);
  EXPECT_EQ(ORV_AccessRootDataBase(0x0002, &ctx, 10, buf, &needed), DB_OK);
  const uint8_t expected[10] = {'1', 0, '.', 0, '5', 0, '0', 0, 0, 0};
  EXPECT_EQ(memcmp(buf, expected, 10), 0);
}

TEST(RootData, ValueNameTagsAreExactlyTheListed) {
  // 78 tags in all; 155, 312, 401 and 0 are gaps.
  int found = 0;
  for (uint32_t tag = 0; tag <= 600; ++tag) found += root(0x0008, {tag}).rc == DB_OK;
  EXPECT_EQ(found, 78);
  for (uint32_t tag : {0u, 155u, 312u, 401u, 0x10000u + 1})
    EXPECT_EQ(root(0x0008, {tag}).rc, DB_NOT_FOUND);
  EXPECT_EQ(root(0x0008).rc, DB_NO_SELECTOR);
}

// Tags 201 to 223 are the field codes of id 0x0012, in their order: both ids
// answer "ZelSLM_" and the three-letter code.
TEST(RootData, FieldCodesAnswerAsTheirTags) {
  for (uint32_t tag = 201; tag <= 223; ++tag) {
    SCOPED_TRACE(tag);
    const std::string name = root(0x0008, {tag}).text();
    ASSERT_EQ(name.size(), 11u);
    ASSERT_EQ(name.substr(0, 7), "ZelSLM_");
    const std::string code = name.substr(7, 3);
    Answer a = root(0x0012, {}, {code.c_str()});
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, 22u);
    EXPECT_EQ(a.text(), name);
  }
  for (const char* code : {"cir", "CIRX", "CI", "", "SC"})
    EXPECT_EQ(root(0x0012, {}, {code}).rc, DB_NOT_FOUND) << code;
  EXPECT_EQ(root(0x0012, {}, {nullptr}).rc, DB_NOT_FOUND);
  EXPECT_EQ(root(0x0012).rc, DB_NO_MATCH_STRING);
}

}  // namespace
}  // namespace orv::model::testing
