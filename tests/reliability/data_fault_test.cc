// Images with faults the fuzzing of images turned up: each must give an
// answer, not a crash or a hang.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "engine/image.h"
#include "exports/exports.h"
#include "orvdb/host_platform.h"
#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;

class DataFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv_host_reset();
    ASSERT_EQ(orv_host_add_printer("Office"), 0);
    const uint32_t window = (720u << 16) | 480u;  // 08:00 to 12:00
    ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", &window, 4), 0);
    orv_host_set_clock(2026, 3, 14, 9, 30, 0);
    handle_ = orv_host_open_printer("Office");
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    orv_host_close_printer(handle_);
    EXPECT_EQ(orv_host_live_allocations(), 0u);
    orv_host_reset();
  }
  void* handle_ = nullptr;
};

TEST_F(DataFaultTest, ValueNameThatIsNotTextGivesTheSilentOffBlock) {
  // Id 8 answers with the silent-mode block itself instead of a name.
  ImageBuilder b;
  b.root(2, b.computed_leaf(2, 7));
  b.root(8, b.computed_leaf(8, 7));
  const Image image = b.image();
  ORV_QUERY_CONTEXT ctx{};
  ctx.hPrinter = handle_;
  std::vector<uint8_t> out(56, 0);
  uint32_t needed = 0;
  ASSERT_EQ(access_database(image, Domain::kRoot, 2, &ctx, 56, out.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 56u);
  EXPECT_EQ(std::memcmp(out.data() + 35, "SetSilent=OFF\n", 14), 0);

  // With a stored name the same printer's window turns silent mode on.
  ImageBuilder named;
  named.root(2, named.computed_leaf(2, 7));
  named.root(8, named.string_leaf(8, "ZelUI_SilentModeTime"));
  const Image good = named.image();
  ASSERT_EQ(access_database(good, Domain::kRoot, 2, &ctx, 56, out.data(), &needed), DB_OK);
  EXPECT_EQ(std::memcmp(out.data() + 35, "SetSilent=ON\n\n", 14), 0);
}

TEST_F(DataFaultTest, SubtreesSharedOverAndOverEndTheWalkQuickly) {
  // Item k is a sequence over items k + 1 and k + 2: a chain of 60 items
  // holds about 10^12 paths, none with a leaf for the id.
  ImageBuilder b;
  const uint32_t n = 60;
  const uint32_t first = b.reserve(n);
  for (uint32_t k = 0; k < n; ++k) b.set(first + k, ITEM_SEQUENCE, first + k + 1, 0, 2);
  b.string_leaf(9, "x");
  b.string_leaf(9, "y");
  b.root(2, first);
  const Image image = b.image();
  ORV_QUERY_CONTEXT ctx{};
  uint32_t needed = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(access_database(image, Domain::kRoot, 2, &ctx, 0, nullptr, &needed), DB_ERROR);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // A short chain is an ordinary image: its paths are walked to the end.
  ImageBuilder shallow;
  const uint32_t s = shallow.reserve(3);
  for (uint32_t k = 0; k < 3; ++k) shallow.set(s + k, ITEM_SEQUENCE, s + k + 1, 0, 2);
  shallow.string_leaf(9, "x");
  shallow.string_leaf(2, "y");
  shallow.root(2, s);
  const Image ok = shallow.image();
  EXPECT_EQ(access_database(ok, Domain::kRoot, 2, &ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 4u);  // "y" and its NUL as 16-bit characters
}

}  // namespace
}  // namespace orv
