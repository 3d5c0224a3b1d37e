#include "engine/fetcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/image_builder.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::ImageBuilder;

Leaf LeafOf(const ImageBuilder& b, uint32_t item) {
  return Leaf{b.items[item].word0, b.items[item].word1};
}

std::vector<int32_t> Numbers(const std::vector<uint8_t>& bytes) {
  std::vector<int32_t> out(bytes.size() / 4);
  std::memcpy(out.data(), bytes.data(), out.size() * 4);
  return out;
}

TEST(FetchTest, NumericKindsWidenToThirtyTwoBits) {
  ImageBuilder b;
  struct Row {
    uint32_t item;
    std::vector<int32_t> expected;
  } rows[] = {
      {b.int8_leaf(1, {-1, 127, -128}), {-1, 127, -128}},
      {b.uint8_leaf(1, {0xFF, 0x80, 0}), {255, 128, 0}},
      {b.int16_leaf(1, {-1, 32767, -32768}), {-1, 32767, -32768}},
      {b.uint16_leaf(1, {0xFFFF, 59420, 1}), {65535, 59420, 1}},
      {b.int32_leaf(1, {-1, 16711680, 2147483647}), {-1, 16711680, 2147483647}},
      // One value each: the smallest count that is copied.
      {b.int8_leaf(1, {-7}), {-7}},
      {b.uint8_leaf(1, {200}), {200}},
      {b.int16_leaf(1, {-300}), {-300}},
      {b.uint16_leaf(1, {40000}), {40000}},
      {b.int32_leaf(1, {-2147483647 - 1}), {-2147483647 - 1}},
  };
  Image image = b.image();
  for (const Row& row : rows) {
    const uint32_t size = static_cast<uint32_t>(4 * row.expected.size());
    std::vector<uint8_t> buf(size, 0xCC);
    uint32_t needed = 0;
    ASSERT_EQ(fetch(image, nullptr, size, buf.data(), &needed, LeafOf(b, row.item)), DB_OK);
    EXPECT_EQ(needed, size);
    EXPECT_EQ(Numbers(buf), row.expected);
  }
}

TEST(FetchTest, StringWidensToSixteenBitCharacters) {
  ImageBuilder b;
  uint32_t item = b.string_leaf(1, "1.50");  // count 5 with the NUL
  Image image = b.image();
  uint32_t needed = 0;
  uint16_t buf[6];
  std::memset(buf, 0xCC, sizeof buf);
  EXPECT_EQ(fetch(image, nullptr, 9, buf, &needed, LeafOf(b, item)), DB_MORE_DATA);
  EXPECT_EQ(needed, 10u);
  EXPECT_EQ(buf[0], 0xCCCC);  // nothing written on a short buffer
  ASSERT_EQ(fetch(image, nullptr, 12, buf, &needed, LeafOf(b, item)), DB_OK);
  EXPECT_EQ(needed, 10u);
  const uint16_t expected[] = {'1', '.', '5', '0', 0, 0xCCCC};  // the rest left as it was
  EXPECT_EQ(std::memcmp(buf, expected, sizeof expected), 0);
}

// Texts are widened several characters per step: every length across the
// steps, bytes above 0x7F staying unsigned, and nothing written past the end.
TEST(FetchTest, TextOfEveryLengthWidensExactly) {
  for (size_t length = 0; length <= 21; ++length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += static_cast<char>(i % 2 ? 0xE9 - i : 'a' + i);
    ImageBuilder b;
    uint32_t item = b.string_leaf(1, text);  // the builder stores the NUL too
    Image image = b.image();
    const size_t chars = length + 1;
    std::vector<uint16_t> buf(chars + 4, 0xCCCC);
    uint32_t needed = 0;
    ASSERT_EQ(fetch(image, nullptr, static_cast<uint32_t>(2 * chars), buf.data(), &needed,
                    LeafOf(b, item)),
              DB_OK);
    EXPECT_EQ(needed, 2 * chars);
    for (size_t i = 0; i < length; ++i) {
      EXPECT_EQ(buf[i], static_cast<uint8_t>(text[i])) << "length " << length << " at " << i;
    }
    EXPECT_EQ(buf[length], 0u);
    for (size_t i = chars; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xCCCC) << "length " << length;
  }
}

TEST(FetchTest, BytesAreCopiedUnchanged) {
  ImageBuilder b;
  uint32_t item = b.bytes_leaf(1, {0x1B, 0x28, 0x00, 0xFF});
  Image image = b.image();
  uint8_t buf[4];
  uint32_t needed = 0;
  ASSERT_EQ(fetch(image, nullptr, 4, buf, &needed, LeafOf(b, item)), DB_OK);
  EXPECT_EQ(needed, 4u);
  const uint8_t expected[] = {0x1B, 0x28, 0x00, 0xFF};
  EXPECT_EQ(std::memcmp(buf, expected, 4), 0);
}

TEST(FetchTest, SizeQueryAndZeroCount) {
  ImageBuilder b;
  uint32_t item = b.int8_leaf(1, {1, 2});
  uint32_t empty = b.add(ITEM_UINT8, 0, 1, 0);
  Image image = b.image();
  uint32_t needed = 0;
  EXPECT_EQ(fetch(image, nullptr, 100, nullptr, &needed, LeafOf(b, item)), DB_MORE_DATA);
  EXPECT_EQ(needed, 8u);
  uint8_t buf[4];
  EXPECT_EQ(fetch(image, nullptr, 4, buf, &needed, LeafOf(b, empty)), DB_OK);
  EXPECT_EQ(needed, 0u);
  needed = 77;
  EXPECT_EQ(fetch(image, nullptr, 0, nullptr, &needed, LeafOf(b, empty)), DB_MORE_DATA);
  EXPECT_EQ(needed, 0u);
}

TEST(FetchTest, ValuesBeyondTheirPoolAreErrorsWhenFetched) {
  struct Row {
    uint8_t kind;
    uint16_t count;
  } rows[] = {{ITEM_BYTES, 5}, {ITEM_STRING, 5}, {ITEM_INT8, 5}, {ITEM_UINT8, 5},
              {ITEM_INT16, 3}, {ITEM_UINT16, 3}, {ITEM_INT32, 2}};
  ImageBuilder b;
  b.bytes({1, 2, 3, 4});
  b.i16({1, 2});
  b.i32({1});
  Image image = b.image();
  for (const Row& row : rows) {
    uint8_t buf[64];
    uint32_t needed = 12345;
    Leaf leaf{make_word0(row.kind, 0), make_word1(1, row.count)};
    EXPECT_EQ(fetch(image, nullptr, sizeof buf, buf, &needed, leaf), DB_ERROR) << int(row.kind);
    EXPECT_EQ(needed, 12345u);
    Leaf shifted{make_word0(row.kind, 1), make_word1(1, row.count - 1)};
    EXPECT_EQ(fetch(image, nullptr, sizeof buf, buf, &needed, shifted), DB_ERROR) << int(row.kind);
  }
  Image no_pools{};
  uint8_t buf[8];
  uint32_t needed = 0;
  EXPECT_EQ(
      fetch(no_pools, nullptr, 8, buf, &needed, Leaf{make_word0(ITEM_INT8, 0), make_word1(1, 1)}),
      DB_ERROR);
}

// Each pool missing on its own fails exactly the kinds stored in it.
TEST(FetchTest, EachPoolMissingOnItsOwn) {
  ImageBuilder b;
  uint32_t bytes = b.bytes_leaf(1, {1});
  uint32_t text = b.string_leaf(1, "a");
  uint32_t i8 = b.int8_leaf(1, {1});
  uint32_t u8 = b.uint8_leaf(1, {1});
  uint32_t i16 = b.int16_leaf(1, {1});
  uint32_t u16 = b.uint16_leaf(1, {1});
  uint32_t i32 = b.int32_leaf(1, {1});
  struct Pool {
    const char* name;
    void (*drop)(Image&);
    std::vector<uint32_t> kinds_in_it;
  } pools[] = {
      {"byte pool", [](Image& i) { i.byte_pool = nullptr; }, {bytes, text, i8, u8}},
      {"i16 pool", [](Image& i) { i.i16_pool = nullptr; }, {i16, u16}},
      {"i32 pool", [](Image& i) { i.i32_pool = nullptr; }, {i32}},
  };
  for (const Pool& pool : pools) {
    Image image = b.image();
    pool.drop(image);
    for (uint32_t item : {bytes, text, i8, u8, i16, u16, i32}) {
      bool in_it = std::count(pool.kinds_in_it.begin(), pool.kinds_in_it.end(), item) > 0;
      uint8_t buf[8];
      uint32_t needed = 0;
      EXPECT_EQ(fetch(image, nullptr, sizeof buf, buf, &needed, LeafOf(b, item)),
                in_it ? DB_ERROR : DB_OK)
          << pool.name << ", item " << item;
    }
  }
}

TEST(FetchTest, NonLeafKindsAreErrors) {
  // Every pool holds values, so that only the kind can refuse the leaf.
  ImageBuilder b;
  b.int32_leaf(1, {1, 2});
  b.int16_leaf(1, {1, 2});
  b.bytes_leaf(1, {1, 2});
  const Image image = b.image();
  for (uint8_t kind : {0, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 21, 22, 0x7F, 0xFF}) {
    uint32_t needed = 5;
    uint8_t buf[8];
    EXPECT_EQ(fetch(image, nullptr, 8, buf, &needed, Leaf{make_word0(kind, 0), make_word1(1, 1)}),
              DB_ERROR)
        << int(kind);
    EXPECT_EQ(needed, 5u);
  }
}

TEST(FetchTest, UnknownComputedFunctionGivesNothing) {
  Image image{};
  ORV_QUERY_CONTEXT ctx{};
  for (uint16_t fn : {0, 8, 0xFFFF}) {
    Leaf leaf{make_word0(ITEM_COMPUTED, 0), make_word1(1, fn)};
    uint32_t needed = 99;
    EXPECT_EQ(fetch(image, &ctx, 0, nullptr, &needed, leaf), DB_MORE_DATA) << fn;
    EXPECT_EQ(needed, 0u);
    uint8_t buf[4];
    needed = 99;
    EXPECT_EQ(fetch(image, &ctx, 4, buf, &needed, leaf), DB_NOT_FOUND) << fn;
    EXPECT_EQ(needed, 99u);
  }
}

TEST(FetchTest, ComputedLeafSizesThenProduces) {
  // The printable length of a user-defined paper 29700 long is 678 sixtieths of an inch.
  Image image{};
  testing::QueryContext c(31, {{30, 29700}});
  const ORV_QUERY_CONTEXT* ctx = &c.ctx;
  Leaf leaf{make_word0(ITEM_COMPUTED, 0), make_word1(1, 4)};
  uint32_t needed = 0;
  EXPECT_EQ(fetch(image, ctx, 0, nullptr, &needed, leaf), DB_MORE_DATA);
  EXPECT_EQ(needed, 4u);
  int32_t value = 0x5A5A5A5A;
  needed = 0;
  EXPECT_EQ(fetch(image, ctx, 3, &value, &needed, leaf), DB_MORE_DATA);  // short, not null
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(value, 0x5A5A5A5A);
  ASSERT_EQ(fetch(image, ctx, 4, &value, &needed, leaf), DB_OK);
  EXPECT_EQ(value, 678);

  c.ctx.cSelectors = 30;  // too few selectors: the item's error passes through, size untouched
  needed = 42;
  EXPECT_EQ(fetch(image, ctx, 0, nullptr, &needed, leaf), DB_NO_SELECTOR);
  EXPECT_EQ(needed, 42u);
}

}  // namespace
}  // namespace orv
