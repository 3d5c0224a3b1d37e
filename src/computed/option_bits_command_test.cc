#include "computed/option_bits_command.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/query_context.h"

namespace orv {
namespace {

using testing::QueryContext;

struct OptionCase {
  uint32_t bits;
  uint32_t quantity;
  std::vector<uint8_t> command;
};

TEST(OptionBitsCommandTest, CarriesTheOptionBitsAndQuantity) {
  const OptionCase cases[] = {
      {0x00800000, 0, {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01}},
      {0x00F00000,
       0x1234,
       {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x12, 0x34, 0x00, 0x51}},
      {0x00C00000, 5, {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x01, 0x00, 0x05, 0x00, 0x10}},
      // Without bit 23, bit 20 alone (disagreeing with bit 22), and the high
      // half of the quantity dropped.
      {0x00100000,
       0xABCD1234,
       {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34, 0x00, 0x00}},
      // Bits outside 20-23 change nothing.
      {0xFF0FFFFF, 0, {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}},
  };
  for (const OptionCase& c : cases) {
    QueryContext sc(81, {{79, c.bits}, {80, c.quantity}});
    std::vector<uint8_t> out(16, 0xEE);
    uint32_t needed = 0;
    ASSERT_EQ(option_bits_command(&sc.ctx, 16, out.data(), &needed), DB_OK);
    EXPECT_EQ(needed, 12u);
    std::vector<uint8_t> expected = c.command;
    expected.resize(16, 0xEE);  // nothing beyond the 12 bytes
    EXPECT_EQ(out, expected) << std::hex << "bits " << c.bits;
  }
}

TEST(OptionBitsCommandTest, NeedsEightyOneSelectors) {
  uint32_t needed = 77;
  QueryContext eighty(80, {{79, 0x00800000}});
  EXPECT_EQ(option_bits_command(&eighty.ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 77u);
  QueryContext eighty_one(81);
  EXPECT_EQ(option_bits_command(&eighty_one.ctx, 11, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 12u);
}

}  // namespace
}  // namespace orv
