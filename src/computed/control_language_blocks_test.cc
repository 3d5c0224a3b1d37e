#include "computed/control_language_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "computed/compute.h"
#include "orvdb/host_platform.h"
#include "support/fetch.h"
#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;

std::vector<uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

const std::string kHead =
    std::string("\x1B\x5B\x4B\x02\x00\x00\x1F", 7) + "QXLSTART\nControlMode=Common\n";
const std::vector<uint8_t> kSilentOff = bytes_of(kHead + "SetSilent=OFF\nQXLEND\n");
const std::vector<uint8_t> kSilentOn = bytes_of(kHead + "SetSilent=ON\n\nQXLEND\n");

class SetTimeBlockTest : public ::testing::Test {
 protected:
  void SetUp() override { orv_host_reset(); }
  void TearDown() override { orv_host_reset(); }
  // The block at the clock set, into a buffer of `size` bytes (none when 0).
  static testing::Call BlockInto(uint32_t size) {
    return testing::call_into(size, set_time_block, nullptr);
  }
};

TEST_F(SetTimeBlockTest, StampsTheLocalTime) {
  orv_host_set_clock(2026, 12, 6, 18, 44, 29);
  const testing::Call block = BlockInto(80);
  ASSERT_EQ(block.result, DB_OK);
  EXPECT_EQ(block.needed, 65u);
  std::vector<uint8_t> expected = bytes_of(kHead + "SetTime=20261206184429\nQXLEND\n");
  ASSERT_EQ(expected.size(), 65u);
  expected.resize(80, testing::kUnwrittenByte);
  EXPECT_EQ(block.bytes, expected);
}

// Each field padded with zeros to its width, from all zeros to the widest
// values that still fit.
TEST_F(SetTimeBlockTest, PadsSmallFieldsWithZeros) {
  const struct {
    int clock[6];
    const char* stamp;
  } cases[] = {
      {{987, 1, 2, 3, 4, 5}, "09870102030405"},
      {{0, 0, 0, 0, 0, 0}, "00000000000000"},
      {{9999, 99, 99, 99, 99, 99}, "99999999999999"},
  };
  for (const auto& c : cases) {
    orv_host_set_clock(c.clock[0], c.clock[1], c.clock[2], c.clock[3], c.clock[4], c.clock[5]);
    const testing::Call block = BlockInto(65);
    ASSERT_EQ(block.result, DB_OK) << c.stamp;
    EXPECT_EQ(std::string(block.bytes.begin() + 43, block.bytes.begin() + 57), c.stamp);
    EXPECT_EQ(block.bytes[64], '\n');
  }
}

TEST_F(SetTimeBlockTest, AnswersTheSizeForAMissingOrShortBuffer) {
  orv_host_set_clock(2026, 12, 6, 18, 44, 29);
  const testing::Call short_buffer = BlockInto(64);
  EXPECT_EQ(short_buffer.result, DB_MORE_DATA);
  EXPECT_EQ(short_buffer.needed, 65u);
  EXPECT_EQ(short_buffer.bytes, std::vector<uint8_t>(64, testing::kUnwrittenByte));
  uint32_t needed = 0;  // no buffer, whatever size is given: a size query
  EXPECT_EQ(set_time_block(nullptr, 1000, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 65u);
}

TEST_F(SetTimeBlockTest, ClockFieldsThatDoNotFitAreAnErrorAndWriteNothing) {
  const int clocks[][6] = {
      {10000, 12, 6, 18, 44, 29},  // five-digit year
      {2026, 100, 6, 18, 44, 29},  // three-digit month
      {2026, 12, 6, 18, 44, 123},  // three-digit second
      {-1, 12, 6, 18, 44, 29},     // negative year still four characters wide
      {2026, -1, 6, 18, 44, 29},   // negative month, still two characters
      {2026, 12, -6, 18, 44, 29},  // negative day
      {2026, 12, 6, -1, 44, 29},   // negative hour
      {2026, 12, 6, 18, -1, 29},   // negative minute
      {2026, 12, 6, 18, 44, -1},   // negative second
      {2026, 12, 6, 100, 44, 29},  // three-digit hour
      {2026, 12, 6, 18, 100, 29},  // three-digit minute
  };
  for (const auto& c : clocks) {
    orv_host_set_clock(c[0], c[1], c[2], c[3], c[4], c[5]);
    const testing::Call block = BlockInto(65);
    EXPECT_EQ(block.result, DB_ERROR) << c[0];
    EXPECT_EQ(block.bytes, std::vector<uint8_t>(65, testing::kUnwrittenByte));
  }
}

// The window's name in the image: stored, missing, or a text whose bytes lie
// beyond the byte pool.
enum class Name { kStored, kMissing, kBeyondPool };

// An image whose Root id 8 names the silent-mode window for tag 154, as the
// model's name table does.
struct NameTableImage {
  explicit NameTableImage(Name name) {
    if (name == Name::kMissing) {
      builder.root(7, builder.string_leaf(7, "Other"));
      return;
    }
    const uint32_t sw = builder.reserve(2);
    const uint32_t leaf = builder.string_leaf(8, "ZelUI_SilentModeTime");
    if (name == Name::kBeyondPool) {
      builder.items[leaf].word0 =
          make_word0(ITEM_STRING, static_cast<uint32_t>(builder.byte_pool.size()));
    }
    builder.set(sw, ITEM_SWITCH_SELECTOR, sw + 1, 0, 1);
    builder.set_raw(sw + 1, ITEM_CASE, leaf, 154);
    builder.root(8, sw);
  }
  ImageBuilder builder;
};

class SilentModeBlockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv_host_reset();
    ASSERT_EQ(orv_host_add_printer("Office"), 0);
  }
  void TearDown() override {
    if (handle_ != nullptr) orv_host_close_printer(handle_);
    EXPECT_EQ(orv_host_live_allocations(), 0u);
    orv_host_reset();
  }

  void set_window(uint32_t window) {
    ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", &window, sizeof window),
              0);
  }
  ORV_QUERY_CONTEXT printer_context() {
    if (handle_ == nullptr) handle_ = orv_host_open_printer("Office");
    ORV_QUERY_CONTEXT ctx = {};
    ctx.hPrinter = handle_;
    return ctx;
  }
  // The block at hh:mm, through the dispatcher as the fetcher calls it.
  std::vector<uint8_t> block_at(int hour, int minute, const ORV_QUERY_CONTEXT& ctx,
                                Name name = Name::kStored) {
    orv_host_set_clock(2026, 12, 6, hour, minute, 29);
    NameTableImage names(name);
    const Image image = names.builder.image();
    std::vector<uint8_t> out(60, 0xEE);
    uint32_t needed = 0;
    EXPECT_EQ(compute(image, kSilentModeBlock, &ctx, 60, out.data(), &needed), DB_OK);
    EXPECT_EQ(needed, 56u);
    for (size_t i = 56; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
    out.resize(56);
    return out;
  }

  void* handle_ = nullptr;
};

struct WindowCase {
  uint32_t window;
  int hour;
  int minute;
  bool on;
};

TEST_F(SilentModeBlockTest, FollowsTheWindowIncludingBothEnds) {
  const WindowCase cases[] = {
      {0x03FC01E0, 8, 0, true},    {0x03FC01E0, 17, 0, true},  {0x03FC01E0, 12, 30, true},
      {0x03FC01E0, 7, 59, false},  {0x03FC01E0, 17, 1, false}, {0x01680564, 23, 0, true},
      {0x01680564, 0, 0, true},    {0x01680564, 6, 0, true},   {0x01680564, 6, 1, false},
      {0x01680564, 22, 59, false}, {0x01E001E0, 8, 0, false},  {0x01E001E0, 0, 0, false},
      {0x00000000, 0, 0, false},
  };
  for (const WindowCase& c : cases) {
    set_window(c.window);
    EXPECT_EQ(block_at(c.hour, c.minute, printer_context()), c.on ? kSilentOn : kSilentOff)
        << std::hex << c.window << std::dec << " at " << c.hour << ":" << c.minute;
  }
}

TEST_F(SilentModeBlockTest, AnyTroubleGivesSilentOff) {
  // No value stored for the printer.
  EXPECT_EQ(block_at(12, 0, printer_context()), kSilentOff);

  set_window(0x03FC01E0);  // on at 12:00 when everything works
  ASSERT_EQ(block_at(12, 0, printer_context()), kSilentOn);

  ORV_QUERY_CONTEXT no_handle = {};
  EXPECT_EQ(block_at(12, 0, no_handle), kSilentOff);
  EXPECT_EQ(block_at(12, 0, printer_context(), Name::kMissing), kSilentOff);
  EXPECT_EQ(block_at(12, 0, printer_context(), Name::kBeyondPool), kSilentOff);

  orv_host_fail_allocation(1);
  EXPECT_EQ(block_at(12, 0, printer_context()), kSilentOff);
  EXPECT_EQ(orv_host_live_allocations(), 0u);

  const uint8_t too_long[8] = {0xE0, 0x01, 0xFC, 0x03, 0, 0, 0, 0};
  ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", too_long, 8), 0);
  EXPECT_EQ(block_at(12, 0, printer_context()), kSilentOff);
}

TEST_F(SilentModeBlockTest, AShortValueReadsItsMissingBytesAsZero) {
  // Start 480 and, with the upper bytes 0, end 0: a window through midnight.
  const uint8_t start_only[2] = {0xE0, 0x01};
  ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", start_only, 2), 0);
  EXPECT_EQ(block_at(8, 0, printer_context()), kSilentOn);
  EXPECT_EQ(block_at(7, 59, printer_context()), kSilentOff);
  // An empty value is the window 0: equal ends, never silent.
  ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", nullptr, 0), 0);
  EXPECT_EQ(block_at(0, 0, printer_context()), kSilentOff);
  EXPECT_EQ(block_at(12, 0, printer_context()), kSilentOff);
}

TEST_F(SilentModeBlockTest, SizeQueryNeedsNoSelectorsAndWritesNothing) {
  NameTableImage names(Name::kStored);
  const Image image = names.builder.image();
  ORV_QUERY_CONTEXT ctx = printer_context();
  std::vector<uint8_t> out(56, 0xEE);
  uint32_t needed = 0;
  EXPECT_EQ(compute(image, kSilentModeBlock, &ctx, 55, out.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 56u);
  EXPECT_EQ(out, std::vector<uint8_t>(56, 0xEE));
  needed = 0;
  EXPECT_EQ(compute(image, kSilentModeBlock, &ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 56u);
}

}  // namespace
}  // namespace orv
