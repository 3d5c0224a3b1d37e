#include "engine/scan.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "support/guarded_array.h"

namespace orv {
namespace {

// The scans' meaning, one element at a time.
uint32_t ReferenceIndexOf(const std::vector<uint16_t>& ids, uint16_t id) {
  for (uint32_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == id) return i;
  }
  return static_cast<uint32_t>(ids.size());
}

uint32_t ReferenceStop(const std::vector<Item>& items, uint32_t from, uint32_t to, uint8_t kind,
                       uint32_t mask, uint32_t value) {
  for (uint32_t i = from; i < to; ++i) {
    if (item_kind(items[i].word0) != kind || (items[i].word1 & mask) == value) return i;
  }
  return to;
}

// Every place a hit can take against the 16-id blocks: first, inside, last
// of a block, in the tail, twice (the first wins), and nowhere.
TEST(FirstIndexOfTest, EveryPlaceAgainstTheBlocks) {
  for (uint32_t count : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 145u}) {
    for (uint32_t at = 0; at <= count; ++at) {
      std::vector<uint16_t> ids(count);
      for (uint32_t i = 0; i < count; ++i) ids[i] = static_cast<uint16_t>(0x1000 + i);
      const uint16_t wanted = 0x0FFF;
      if (at < count) ids[at] = wanted;
      if (at + 3 < count) ids[at + 3] = wanted;  // a later copy must not win
      SCOPED_TRACE(::testing::Message() << "count " << count << " at " << at);
      EXPECT_EQ(first_index_of(ids.data(), count, wanted), ReferenceIndexOf(ids, wanted));
      EXPECT_EQ(first_index_of_portable(ids.data(), count, wanted), ReferenceIndexOf(ids, wanted));
    }
  }
}

// Id 0 searched for with five to seven ids left after the last full step
// (of sixteen or eight ids), zeros lying just past the array: only ids inside
// it are compared, in both forms.
TEST(FirstIndexOfTest, IdZeroWithAShortTail) {
  for (uint32_t steps : {0u, 8u, 16u, 24u}) {
    for (uint32_t tail = 5; tail <= 7; ++tail) {
      uint32_t count = steps + tail;
      std::vector<uint16_t> ids(count + 16, 0);  // zeros past `count`
      for (uint32_t i = 0; i < count; ++i) ids[i] = static_cast<uint16_t>(0x2000 + i);
      SCOPED_TRACE(::testing::Message() << "count " << count);
      EXPECT_EQ(first_index_of(ids.data(), count, 0), count);
      EXPECT_EQ(first_index_of_portable(ids.data(), count, 0), count);
      ids[count - 1] = 0;
      EXPECT_EQ(first_index_of(ids.data(), count, 0), count - 1);
      EXPECT_EQ(first_index_of_portable(ids.data(), count, 0), count - 1);
    }
  }
}

// Ids that share a byte with the wanted one are not hits: the compare is of
// whole 16-bit ids.
TEST(FirstIndexOfTest, HalfEqualIdsDoNotMatch) {
  std::vector<uint16_t> ids(40, 0x1234);
  ids[5] = 0x3412;
  ids[17] = 0x12FF;
  ids[33] = 0xFF34;
  ids[39] = 0x5678;
  EXPECT_EQ(first_index_of(ids.data(), 40, 0x5678), 39u);
  EXPECT_EQ(first_index_of(ids.data(), 40, 0x1200), 40u);
}

// Random runs of cases and branches, with other kinds and matching values
// scattered, compared with the one-by-one meaning for every start.
TEST(FirstStopTest, AgreesWithTheOneByOneScan) {
  std::mt19937 random(7310);
  for (int round = 0; round < 400; ++round) {
    uint32_t count = random() % 40;
    std::vector<Item> items(count);
    for (Item& item : items) {
      uint32_t roll = random() % 20;
      uint8_t kind = roll == 0 ? ITEM_DEFAULT : roll == 1 ? ITEM_CASE_RANGE : ITEM_CASE;
      item.word0 = make_word0(kind, random() & 0xFFFFFF);
      item.word1 = random() % 3 == 0 ? 0x00050000u | (random() & 0xFFFF) : random();
    }
    struct Probe {
      uint8_t kind;
      uint32_t mask;
      uint32_t value;
    };
    for (Probe p :
         {Probe{ITEM_CASE, 0xFFFFFFFFu, 0x00050007u}, Probe{ITEM_CASE, 0xFFFF0000u, 0x00050000u},
          Probe{ITEM_BRANCH, 0xFFFF0000u, 0x00050000u}, Probe{ITEM_CASE, 0, 1}}) {
      for (uint32_t from = 0; from <= count; ++from) {
        uint32_t expected = ReferenceStop(items, from, count, p.kind, p.mask, p.value);
        ASSERT_EQ(first_stop(items.data(), from, count, p.kind, p.mask, p.value), expected)
            << "round " << round << " from " << from;
        ASSERT_EQ(first_stop_portable(items.data(), from, count, p.kind, p.mask, p.value),
                  expected);
      }
    }
  }
}

// The kind byte is compared whole: a kind that differs only in its top bit
// stops the scan at each of the four places of a step (the two lanes of
// both registers the SSE2 form compares at once) and in the tail.
TEST(FirstStopTest, KindIsComparedWhole) {
  for (uint32_t place = 0; place < 6; ++place) {
    std::vector<Item> items;
    for (uint32_t i = 0; i < 6; ++i) {
      uint8_t kind = i == place ? static_cast<uint8_t>(ITEM_CASE ^ 0x80) : uint8_t{ITEM_CASE};
      items.push_back({make_word0(kind, i + 1), 10 + i});
    }
    EXPECT_EQ(first_stop(items.data(), 0, 6, ITEM_CASE, 0xFFFFFFFFu, 99), place);
    EXPECT_EQ(first_stop_portable(items.data(), 0, 6, ITEM_CASE, 0xFFFFFFFFu, 99), place);
    // A matching value before the odd kind stops first.
    if (place > 0) {
      EXPECT_EQ(first_stop(items.data(), 0, 6, ITEM_CASE, 0xFFFFFFFFu, 10), 0u);
    }
  }
}

// Every span of 64 values drawn from few numbers, so that most spans hold
// several equal ones, against the one-by-one meaning. The values end at the
// span's end, before an unreadable page: a step that reads past it stops the
// test; a value before the span is never a hit, whatever it holds.
TEST(EqualMaskTest, AgreesWithTheOneByOneCompareOverEverySpan) {
  std::mt19937 random(64);
  std::vector<uint32_t> values(64);
  for (int round = 0; round < 20; ++round) {
    for (uint32_t& v : values) v = random() % 3 == 0 ? 0x10000u | (random() % 4) : random() % 4;
    for (uint32_t to = 0; to <= 64; ++to) {
      testing::GuardedArray<uint32_t> guarded(values.data(), to);
      for (uint32_t from = 0; from <= to; ++from) {
        uint32_t wanted = random() % 4;
        uint64_t expected = 0;
        for (uint32_t k = from; k < to; ++k) {
          if (values[k] == wanted) expected |= uint64_t{1} << k;
        }
        ASSERT_EQ(equal_mask(guarded.data(), from, to, wanted), expected)
            << "round " << round << " span " << from << ".." << to;
        ASSERT_EQ(equal_mask_portable(guarded.data(), from, to, wanted), expected);
      }
    }
  }
}

}  // namespace
}  // namespace orv
