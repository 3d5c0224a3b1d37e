#include "engine/scratch_context.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/resolver.h"
#include "orvdb/host_platform.h"
#include "platform/host/host_counters.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"

namespace orv {
namespace {

class ScratchContextTest : public testing::LeakCheckedTest {};

TEST_F(ScratchContextTest, KindsAndCapacities) {
  struct Row {
    int kind;
    uint32_t selectors, strings;
  } rows[] = {{0, 1, 1}, {1, 95, 0}, {2, 13, 5}, {3, 1, 0}, {4, 4, 0}, {5, 16, 8}};
  for (const Row& row : rows) {
    ScratchContext* s = create_scratch_context(row.kind, nullptr);
    ASSERT_NE(s, nullptr) << row.kind;
    EXPECT_EQ(s->context.cSelectors, row.selectors);
    EXPECT_EQ(s->context.cStrings, row.strings);
    EXPECT_EQ(s->context.pSelectors == nullptr, row.selectors == 0);
    EXPECT_EQ(s->context.ppStrings == nullptr, row.strings == 0);
    EXPECT_EQ(s->context.hPrinter, nullptr);
    EXPECT_EQ(s->context.dwReserved, 0u);
    EXPECT_EQ(s->context.pPrinterName, nullptr);
    for (uint32_t i = 0; i < row.selectors; ++i) EXPECT_EQ(s->selectors()[i], 0u);
    for (uint32_t i = 0; i < row.strings; ++i) EXPECT_EQ(s->strings()[i], nullptr);
    EXPECT_EQ(orv_host_live_allocations(), 1u);
    // One block: the context, then the arrays; 28 + 4 (S + M) bytes where
    // pointers are 32 bits wide.
    uint32_t expected = sizeof(void*) == 4
                            ? 28 + 4 * (row.selectors + row.strings)
                            : static_cast<uint32_t>(sizeof(ORV_QUERY_CONTEXT) + 4 * row.selectors +
                                                    sizeof(void*) * row.strings);
    EXPECT_EQ(host_block_bytes(s), expected) << row.kind;
    release_scratch_context(s);
  }
  EXPECT_EQ(create_scratch_context(6, nullptr), nullptr);
  EXPECT_EQ(create_scratch_context(-1, nullptr), nullptr);
  release_scratch_context(nullptr);
}

TEST_F(ScratchContextTest, CopiesWhatFitsFromTheSource) {
  std::vector<uint32_t> selectors(30);
  for (uint32_t i = 0; i < 30; ++i) selectors[i] = 100 + i;
  const char* strings[] = {"a", nullptr, "c"};
  int printer = 0;
  ORV_QUERY_CONTEXT source{&printer, 0xABCD, 3, strings, 30, selectors.data(), nullptr};

  ScratchContext* big = create_scratch_context(1, &source);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->context.hPrinter, &printer);
  EXPECT_EQ(big->context.dwReserved, 0xABCDu);
  for (uint32_t i = 0; i < 30; ++i) EXPECT_EQ(big->selectors()[i], 100 + i);
  big->selectors()[94] = 7;  // the rest is the caller's to fill
  EXPECT_EQ(big->context.pSelectors[94], 7u);
  release_scratch_context(big);

  ScratchContext* small = create_scratch_context(2, &source);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->selectors()[12], 112u);
  EXPECT_EQ(small->strings()[0], strings[0]);
  EXPECT_EQ(small->strings()[1], nullptr);
  EXPECT_EQ(small->strings()[2], strings[2]);
  EXPECT_EQ(small->strings()[3], nullptr);
  release_scratch_context(small);
}

// A source with more match strings than the kind has room for: the first M
// are copied (kind 5: M = 8), the rest left behind.
TEST_F(ScratchContextTest, StringsTruncatedToTheKindsRoom) {
  const char* strings[10] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  ORV_QUERY_CONTEXT source{nullptr, 0, 10, strings, 0, nullptr, nullptr};
  ScratchContext* s = create_scratch_context(5, &source);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->context.cStrings, 8u);
  for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(s->context.ppStrings[i], strings[i]) << i;
  release_scratch_context(s);
}

TEST_F(ScratchContextTest, NullSourceArraysHoldNothing) {
  ORV_QUERY_CONTEXT source{nullptr, 0, 5, nullptr, 40, nullptr, nullptr};
  ScratchContext* s = create_scratch_context(5, &source);
  ASSERT_NE(s, nullptr);
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(s->selectors()[i], 0u);
  for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(s->strings()[i], nullptr);
  release_scratch_context(s);
}

TEST_F(ScratchContextTest, KindWithoutStringsFailsAStringSwitch) {
  testing::ImageBuilder b;
  uint32_t sw = b.add(ITEM_SWITCH_STRING, 1, 0, 1);
  b.add_raw(ITEM_DEFAULT, 2, 0);
  b.int8_leaf(1, {1});
  b.set_raw(1, ITEM_CASE_STRING, 2, 3);
  b.add(ITEM_BYTES, b.match("X"), 0, 1);
  b.root(1, sw);
  ScratchContext* s = create_scratch_context(3, nullptr);
  ASSERT_NE(s, nullptr);
  Leaf leaf{};
  EXPECT_EQ(find_root(b.image(), 1, &s->context, &leaf), DB_NO_MATCH_STRING);
  release_scratch_context(s);
}

TEST_F(ScratchContextTest, AllocationFailureGivesNull) {
  orv_host_fail_allocation(1);
  EXPECT_EQ(create_scratch_context(0, nullptr), nullptr);
  ScratchContext* s = create_scratch_context(0, nullptr);
  EXPECT_NE(s, nullptr);
  release_scratch_context(s);
}

}  // namespace
}  // namespace orv
