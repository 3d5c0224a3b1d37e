#include "computed/custom_extent.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "computed/compute.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::QueryContext;

struct ExtentCase {
  uint32_t width;
  uint32_t length;
  std::vector<uint8_t> command;
};

// Names each case by its size, so test names stay stable from run to run.
std::string CaseName(const ::testing::TestParamInfo<ExtentCase>& info) {
  return "w" + std::to_string(info.param.width) + "_l" + std::to_string(info.param.length);
}

class ExtentCommandTest : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(ExtentCommandTest, BuildsTheCommandForTheSize) {
  const ExtentCase& c = GetParam();
  QueryContext sc(31, {{29, c.width}, {30, c.length}});
  std::vector<uint8_t> out(13, 0xEE);
  uint32_t needed = 0;
  ASSERT_EQ(custom_extent(kCustomExtentCommand, &sc.ctx, 13, out.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 13u);
  EXPECT_EQ(out, c.command);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ExtentCommandTest,
    ::testing::Values(
        // A4: the fragment the paper table stores for it.
        ExtentCase{
            21000, 29700, {0x1B, 0x28, 0x70, 0x08, 0x00, 0x02, 0xA6, 0, 0, 0x01, 0xE0, 0, 0}},
        ExtentCase{
            14800, 21000, {0x1B, 0x28, 0x70, 0x08, 0x00, 0x01, 0xD9, 0, 0, 0x01, 0x4E, 0, 0}},
        // The widest printable width, and wider papers held to it.
        ExtentCase{
            29636, 29700, {0x1B, 0x28, 0x70, 0x08, 0x00, 0x02, 0xA6, 0, 0, 0x02, 0xAC, 0, 0}},
        ExtentCase{
            29637, 29700, {0x1B, 0x28, 0x70, 0x08, 0x00, 0x02, 0xA6, 0, 0, 0x02, 0xAC, 0, 0}},
        ExtentCase{
            29700, 42000, {0x1B, 0x28, 0x70, 0x08, 0x00, 0x03, 0xC9, 0, 0, 0x02, 0xAC, 0, 0}}),
    CaseName);

TEST(CustomLengthValueTest, AnswersThePrintableLengthInSixtieths) {
  const std::pair<uint32_t, uint32_t> cases[] = {{29700, 678}, {1000, 0}, {42000, 969}};
  for (const auto& [length, expected] : cases) {
    QueryContext sc(31, {{30, length}});
    uint32_t value = 0xDEADBEEF;
    uint32_t needed = 0;
    ASSERT_EQ(custom_extent(kCustomLengthValue, &sc.ctx, 4, &value, &needed), DB_OK);
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(value, expected) << "length " << length;
  }
}

TEST(CustomExtentTest, NeedsThirtyOneSelectorsEvenForASizeQuery) {
  for (uint16_t function : {kCustomExtentCommand, kCustomLengthValue}) {
    QueryContext short_ctx(30, {{29, 21000}});
    uint32_t needed = 77;
    EXPECT_EQ(custom_extent(function, &short_ctx.ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
    EXPECT_EQ(needed, 77u);

    QueryContext enough(31, {{29, 21000}, {30, 29700}});
    EXPECT_EQ(custom_extent(function, &enough.ctx, 0, nullptr, &needed), DB_MORE_DATA);
    EXPECT_EQ(needed, function == kCustomExtentCommand ? 13u : 4u);
  }
}

TEST(CustomExtentTest, AMissingSelectorArrayHoldsNoSelectorsWhateverTheCount) {
  ORV_QUERY_CONTEXT ctx = {};
  ctx.cSelectors = 100;
  uint8_t out[13];
  std::memset(out, 0xEE, sizeof out);
  uint32_t needed = 77;
  EXPECT_EQ(custom_extent(kCustomExtentCommand, &ctx, sizeof out, out, &needed), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 77u);
  for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
}

TEST(CustomExtentTest, AShortBufferIsLeftAloneAndALongOneFilledOnlyToThirteen) {
  QueryContext sc(31, {{29, 21000}, {30, 29700}});
  std::vector<uint8_t> out(20, 0xEE);
  uint32_t needed = 0;
  EXPECT_EQ(custom_extent(kCustomExtentCommand, &sc.ctx, 12, out.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 13u);
  EXPECT_EQ(out, std::vector<uint8_t>(20, 0xEE));

  ASSERT_EQ(custom_extent(kCustomExtentCommand, &sc.ctx, 20, out.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 13u);
  EXPECT_EQ(out[12], 0x00);
  for (size_t i = 13; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
}

TEST(CustomExtentTest, LengthsBelowTheMarginsWrapInsteadOfFailing) {
  // (999 - 1000) * 6 in 32 bits is 0xFFFFFFFA; / 254 = 16909320 r 10 -> 16909321
  // (0x01020409), whose low 16 bits are 0x0409.
  QueryContext sc(31, {{30, 999}});
  uint32_t value = 0;
  uint32_t needed = 0;
  ASSERT_EQ(custom_extent(kCustomLengthValue, &sc.ctx, 4, &value, &needed), DB_OK);
  EXPECT_EQ(value, 0x0409u);
}

}  // namespace
}  // namespace orv
