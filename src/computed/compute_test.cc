#include "computed/compute.h"

#include <gtest/gtest.h>

#include <vector>

#include "computed/custom_extent.h"
#include "engine/fetcher.h"
#include "engine/root_path.h"
#include "orvdb/host_platform.h"
#include "support/fetch.h"
#include "support/image_builder.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::Answer;
using testing::ask_sized;
using testing::ImageBuilder;
using testing::QueryContext;

TEST(ComputeTest, SizeQueriesReportEachItemsSize) {
  orv_host_reset();
  const std::pair<uint16_t, uint32_t> sizes[] = {
      {kCustomExtentCommand, 13}, {kCustomPrintableArea, 16}, {kPaperPrintableArea, 16},
      {kCustomLengthValue, 4},    {kSetTimeBlock, 65},        {kOptionBitsCommand, 12},
      {kSilentModeBlock, 56}};
  ImageBuilder empty;
  const Image image = empty.image();
  QueryContext sc(81);
  for (const auto& [function, size] : sizes) {
    uint32_t needed = 0;
    EXPECT_EQ(compute(image, function, &sc.ctx, 0, nullptr, &needed), DB_MORE_DATA) << function;
    EXPECT_EQ(needed, size) << function;
  }
}

TEST(ComputeTest, UnknownFunctionsAnswerNotFoundAndTouchNothing) {
  ImageBuilder empty;
  const Image image = empty.image();
  QueryContext sc(81);
  for (uint16_t function : {0, 8, 9, 0x0100, 0xFFFF}) {
    uint8_t out[16] = {0xEE, 0xEE};
    uint32_t needed = 77;
    EXPECT_EQ(compute(image, function, &sc.ctx, sizeof out, out, &needed), DB_NOT_FOUND);
    EXPECT_EQ(needed, 77u);
    EXPECT_EQ(out[0], 0xEE);
  }
}

// What no fetch passes: a null context is a bad argument; an extent function asked for another
// number refuses it.
TEST(ComputeTest, ArgumentsNoFetchPasses) {
  ImageBuilder empty;
  const Image image = empty.image();
  QueryContext sc(81);
  uint32_t needed = 0;
  EXPECT_EQ(compute(image, kSetTimeBlock, nullptr, 0, nullptr, &needed), DB_ERROR);
  EXPECT_EQ(custom_extent(kCustomPrintableArea, &sc.ctx, 0, nullptr, &needed), DB_ERROR);
}

// The items as a query meets them: a Root id whose leaf is computed, fetched
// through the Root access path.
class ComputedLeafTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv_host_reset();
    builder_.root(0x0101, builder_.computed_leaf(0x0101, kCustomExtentCommand));
    builder_.root(0x0102, builder_.computed_leaf(0x0102, 8));
  }
  ImageBuilder builder_;
};

TEST_F(ComputedLeafTest, AQueryGetsTheComputedCommand) {
  const Image image = builder_.image();
  QueryContext sc(31, {{29, 21000}, {30, 29700}});
  Answer a = ask_sized(access_root, image, 0x0101, &sc.ctx);
  ASSERT_EQ(a.result, DB_OK);
  EXPECT_EQ(a.needed, 13u);
  EXPECT_EQ(a.written, 13u);
  EXPECT_EQ(a.bytes, (std::vector<uint8_t>{0x1B, 0x28, 0x70, 0x08, 0x00, 0x02, 0xA6, 0x00, 0x00,
                                           0x01, 0xE0, 0x00, 0x00}));

  QueryContext too_few(30, {{29, 21000}});
  uint32_t needed = 77;
  EXPECT_EQ(access_root(image, 0x0101, &too_few.ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 77u);
}

TEST_F(ComputedLeafTest, AnUnknownFunctionIsAnEmptySizeButNotFoundWithABuffer) {
  const Image image = builder_.image();
  QueryContext sc(1);
  uint32_t needed = 77;
  EXPECT_EQ(access_root(image, 0x0102, &sc.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 0u);
  uint8_t out[4] = {};
  needed = 77;
  EXPECT_EQ(access_root(image, 0x0102, &sc.ctx, sizeof out, out, &needed), DB_NOT_FOUND);
  EXPECT_EQ(needed, 77u);
}

TEST(ComputedFetchTest, TheFetcherSizesThenCopiesTheOptionBitsCommand) {
  ImageBuilder empty;
  const Image image = empty.image();
  const Leaf leaf = {make_word0(ITEM_COMPUTED, 0), make_word1(0x5008, kOptionBitsCommand)};
  QueryContext sc(81, {{79, 0x00F00000}, {80, 0x1234}});
  Answer a = ask_sized([&](uint32_t size, void* buffer, uint32_t* needed) {
    return fetch(image, &sc.ctx, size, buffer, needed, leaf);
  });
  ASSERT_EQ(a.result, DB_OK);
  EXPECT_EQ(a.needed, 12u);
  EXPECT_EQ(a.written, 12u);
  EXPECT_EQ(a.bytes, (std::vector<uint8_t>{0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x12,
                                           0x34, 0x00, 0x51}));
}

TEST(ComputedFetchTest, TheFetcherPassesTheImageOnToTheSilentModeBlock) {
  orv_host_reset();
  ASSERT_EQ(orv_host_add_printer("Office"), 0);
  const uint32_t window = 0x01680564;
  ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", &window, 4), 0);
  orv_host_set_clock(2026, 12, 6, 23, 30, 0);
  ImageBuilder names;
  const uint32_t sw = names.reserve(2);
  const uint32_t name = names.string_leaf(8, "ZelUI_SilentModeTime");
  names.set(sw, ITEM_SWITCH_SELECTOR, sw + 1, 0, 1);
  names.set_raw(sw + 1, ITEM_CASE, name, 154);
  names.root(8, sw);
  const Image image = names.image();

  ORV_QUERY_CONTEXT ctx = {};
  ctx.hPrinter = orv_host_open_printer("Office");
  const Leaf leaf = {make_word0(ITEM_COMPUTED, 0), make_word1(0x3001, kSilentModeBlock)};
  std::vector<uint8_t> out(56);
  uint32_t needed = 0;
  ASSERT_EQ(fetch(image, &ctx, 56, out.data(), &needed, leaf), DB_OK);
  EXPECT_EQ(needed, 56u);
  EXPECT_EQ(std::string(out.begin() + 35, out.end()), std::string("SetSilent=ON\n\nQXLEND\n"));
  orv_host_close_printer(ctx.hPrinter);
  EXPECT_EQ(orv_host_live_allocations(), 0u);
  orv_host_reset();
}

}  // namespace
}  // namespace orv
