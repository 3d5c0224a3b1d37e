// The LM domain's answers through the exported access function: how its
// switches choose. The stored constants are the golden dump's
// (model_test.cc).
#include <gtest/gtest.h>

#include "query_test_util.h"

namespace orv::model::testing {
namespace {

Answer lm(uint16_t id, const std::vector<uint32_t>& sel = {},
          const std::vector<const char*>& str = {}) {
  return ask(ORV_AccessLMDataBase, id, sel, str);
}

using Numbers = std::vector<int32_t>;

TEST(LmData, UnlistedIdsHaveNoEntry) {
  for (uint16_t id : {0x2000, 0x2005, 0x2006, 0x2008, 0x200C, 0x200D, 0x200E, 0x2015, 0x201F,
                      0x2020, 0x2023, 0x202A, 0x202F, 0x2035, 0x2037, 0x2FFF}) {
    EXPECT_EQ(lm(id).rc, id == 0x2000 ? DB_NOT_FOUND : DB_NO_ENTRY) << id;
  }
}

TEST(LmData, ModelNameCheck) {
  EXPECT_EQ(lm(0x2009, {}, {"QXR-7310"}).numbers(), Numbers{1});
  for (const char* name :
       {"qxr-7310", "QXR-7310X", "QXR-731", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(lm(0x2009, {}, {name}).numbers(), Numbers{0});
  EXPECT_EQ(lm(0x2009).rc, DB_NO_MATCH_STRING);
}

TEST(LmData, CodeTable) {
  const std::pair<const char*, int32_t> cases[] = {
      {"BK", 2},  {"CL", 1},  {"VC", 1},  {"LD", 3}, {"VL", 3},  {"NO", 23},  {"PB", 24},
      {"SC", 20}, {"UK", 22}, {"XX", 21}, {"", 21},  {"bk", 21}, {"BKX", 21}, {nullptr, 21},
  };
  for (const auto& [code, value] : cases) {
    SCOPED_TRACE(code ? code : "(null)");
    EXPECT_EQ(lm(0x200F, {}, {"", code}).numbers(), Numbers{value});
  }
  EXPECT_EQ(lm(0x200F, {}, {"BK"}).rc, DB_NO_MATCH_STRING);
}

TEST(LmData, OperationNames) {
  for (const char* op : {"ChangeHead", "ChangeTank", "Cleaning", "RollerCleaning", "TestPrint"})
    EXPECT_EQ(lm(0x202D, {}, {"", "", "", "", op}).numbers(), Numbers{1}) << op;
  for (const char* op : {"Clean", "cleaning", "TestPrintX", "PowerOff", ""})
    EXPECT_EQ(lm(0x202D, {}, {"", "", "", "", op}).numbers(), Numbers{0}) << op;
  EXPECT_EQ(lm(0x202D, {}, {"", "", "", "Cleaning"}).rc, DB_NO_MATCH_STRING);
}

TEST(LmData, Selector2BitTests) {
  const std::pair<uint32_t, int32_t> low_byte[] = {{0x11, 1}, {0xFFFFFF11u, 1}, {0x1211, 1},
                                                   {0x12, 0}, {0x110, 0},       {0, 0}};
  for (const auto& [sel, value] : low_byte)
    EXPECT_EQ(lm(0x2012, {0, 0, sel}).numbers(), Numbers{value}) << sel;
  const std::pair<uint32_t, int32_t> nibble[] = {
      {0xD000, 1}, {0xDFFF, 1}, {0xFFFFDFFFu, 1}, {0x1D123, 1}, {0xC000, 0}, {0xE000, 0}, {0, 0}};
  for (const auto& [sel, value] : nibble)
    EXPECT_EQ(lm(0x2013, {0, 0, sel}).numbers(), Numbers{value}) << sel;
  EXPECT_EQ(lm(0x2012, {0, 0}).rc, DB_NO_SELECTOR);
  EXPECT_EQ(lm(0x2013, {0, 0}).rc, DB_NO_SELECTOR);
}

TEST(LmData, Selector10) {
  EXPECT_EQ(lm(0x2036, selectors(11, {{10, 81}})).numbers(), Numbers{2});
  EXPECT_EQ(lm(0x2036, selectors(11, {{10, 80}})).numbers(), Numbers{1});
  EXPECT_EQ(lm(0x2036, selectors(10, {})).rc, DB_NO_SELECTOR);
}

// 0x2001: match string 1, then selectors 0 and 1.
TEST(LmData, CartridgeTable) {
  struct Case {
    const char* code;
    uint32_t sel0;
    uint32_t sel1;
    Numbers expected;
  };
  const Numbers zero = {0};
  const Case cases[] = {
      {"BK", 16, 0x10000, {1, 5010, 5312, 5313, 10101}},
      {"BK", 16, 0x20000, {1, 5009, 5314, 5344, 10101}},
      {"BK", 16, 0x90000, {1, 5009, 5314, 5344, 10101}},
      {"BK", 16, 0xA0000, {1, 5009, 5314, 5344, 10101}},
      {"BK", 17, 0x20000, {1, 5009, 5314, 5344, 10101}},
      {"BK", 17, 0x10000, zero},
      {"BK", 16, 0x30000, zero},
      {"CL", 99, 0x90000, {1, 5009, 5314, 5345, 10101}},
      {"VC", 0, 0xA0000, {1, 5009, 5314, 5345, 10101}},
      {"CL", 16, 0x10000, zero},
      {"LD", 17, 0x10000, {1, 5009, 5320, 5360, 10101}},
      {"VL", 16, 0x10000, {1, 5009, 5313, 5360, 10101}},
      {"LD", 0, 0x10000, {1, 5009, 5313, 5360, 10101}},
      {"LD", 17, 0x20000, zero},
      {"NO", 0, 0, {1, 5011, 0, 0, 10101}},
      {"SC", 17, 0x90000, {1, 5010, 5317, 5320, 10101}},
      {"PB", 17, 0x10000, {1, 5010, 5317, 5320, 10101}},
      {"UK", 16, 0x10000, {1, 5010, 5317, 5313, 10101}},
      {"", 0, 0x20000, {1, 5010, 5317, 5314, 10101}},
      {"XY", 16, 0xA0000, {1, 5010, 5317, 5314, 10101}},
      {"XY", 17, 0x30000, zero},
      {"XY", 16, 0x30000, zero},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + std::to_string(c.sel0) + " " + std::to_string(c.sel1));
    Answer a = lm(0x2001, {c.sel0, c.sel1}, {"", c.code});
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, 4 * c.expected.size());
    EXPECT_EQ(a.numbers(), c.expected);
  }
  EXPECT_EQ(lm(0x2001, {}, {"", "NO"}).numbers(), (Numbers{1, 5011, 0, 0, 10101}));
  EXPECT_EQ(lm(0x2001, {}, {"", "BK"}).rc, DB_NO_SELECTOR);
  EXPECT_EQ(lm(0x2001, {16, 0x10000}, {"BK"}).rc, DB_NO_MATCH_STRING);
}

}  // namespace
}  // namespace orv::model::testing
