// A watched Drv path answers as the library's unwatched one and tells every
// step it takes, in order, each of its walks through the walk observer it
// hands out; a walk that observer stops ends the whole path. Over a small
// hand-built image holding the rows of stored list 0x100C (attributes by
// selector 4, marker 0x5003) and command sequence 0x1019.
#include "drvrecords/drv_observer.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "drvrecords/drv_query.h"
#include "drvrecords/drv_query_steps.h"
#include "support/drv_table_builder.h"
#include "support/fetch.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::ImageBuilder;

// 0x100C lists 2, 1; 0x500C and 0x500B give 100 and 200 plus selector 4;
// the marker pair marks 2 with 9. Sequence 0x1019: 1B 40, then 0D for
// selector 7 = 4 only.
struct WatchedImage {
  ImageBuilder b;
  testing::DrvTableBuilder drv;
  DrvTables tables{};
  WatchedImage() {
    b.root(0x100C, b.int8_leaf(0x100C, {2, 1}));
    b.root(0x5003, b.int8_leaf(0x5003, {2, 9}));
    for (uint16_t id : {uint16_t{0x500C}, uint16_t{0x500B}}) {
      const int16_t base = id == 0x500C ? 100 : 200;
      b.root(id, b.selector_switch(4, {{1, b.int16_leaf(id, {static_cast<int16_t>(base + 1)})},
                                       {2, b.int16_leaf(id, {static_cast<int16_t>(base + 2)})}}));
    }
    const uint32_t fixed = b.bytes_leaf(kFragmentId, {0x1B, 0x40});
    drv.selector(4, {{1, 15002}, {2, 15001}});
    drv.sequence(0x1019, {fixed, b.selector_switch(7, {{4, b.bytes_leaf(kFragmentId, {0x0D})}})});
    tables = drv.tables();
    b.drv_tables = &tables;
  }
};

// Stops a walk at its first read when told to; counts the reads asked.
struct WalkWatch : NoObserver {
  static constexpr bool kWatches = true;
  bool stop = false;  // refuse every read
  int reads = 0;      // reads asked for
  bool may_read(WalkRead, uint16_t) {
    ++reads;
    return !stop;
  }
};

// Writes down each step as one short line: ids in hex, record words by
// their field's byte offset.
struct StepLog : NoDrvObserver {
  static constexpr bool kWatches = true;
  using WalkObserver = WalkWatch;
  WalkWatch walk;           // the observer of the walk under way
  bool stop_walks = false;  // every walk refuses its first read
  std::string steps;        // the lines so far

  void add(const std::string& s) { steps += s + "\n"; }
  static std::string hex(uint32_t v) {
    char text[16];
    snprintf(text, sizeof text, "%X", v);
    return text;
  }
  void special_row(const DrvSpecialId& row) { add("row " + hex(row.id)); }
  WalkWatch* walk_starts(DrvWalk why, uint16_t id, uint32_t, const ORV_QUERY_CONTEXT*) {
    walk = WalkWatch{};
    walk.stop = stop_walks;
    add("walk " + std::to_string(static_cast<int>(why)) + " " + hex(id));
    return &walk;
  }
  void walk_ends(int32_t result, const Leaf&) { add("=> " + std::to_string(result)); }
  WalkWatch* forked_walk_starts(DrvWalk why, uint32_t, const ORV_QUERY_CONTEXT*,
                                const ForkedWalks& fork) {
    walk = WalkWatch{};
    walk.stop = stop_walks;
    std::string ids;
    for (uint32_t k = 0; k < fork.count; ++k) ids += " " + hex(fork.ids[k]);
    add("forked walk " + std::to_string(static_cast<int>(why)) + ids + " s" +
        std::to_string(fork.selector));
    return &walk;
  }
  void forked_walk_ends(const ForkedWalks& fork) {
    std::string results;
    for (uint32_t k = 0; k < fork.count; ++k) results += " " + std::to_string(fork.results[k]);
    add("=>" + results);
  }
  void fetched(int32_t result, uint32_t size) {
    add("fetched " + std::to_string(result) + " " + std::to_string(size));
  }
  void needed(uint32_t bytes) { add("needed " + std::to_string(bytes)); }
  void table_row(DrvTable table, uint32_t row) {
    add("table " + std::to_string(static_cast<int>(table)) + " " + std::to_string(row));
  }
  void record_starts(uint32_t record, uint16_t selector, uint32_t value) {
    add("record " + std::to_string(record) + " s" + std::to_string(selector) + "=" +
        std::to_string(value));
  }
  void record_word(uint32_t record, uint32_t field, uint32_t value) {
    add("word " + std::to_string(record) + "@" + std::to_string(field) + "=" +
        std::to_string(value));
  }
};

class DrvObserverTest : public testing::LeakCheckedTest {
 protected:
  // The query with a buffer of `size` bytes, watched and unwatched: both
  // answer alike; the watched steps are kept.
  int32_t Ask(uint16_t id, uint32_t size, StepLog* log) {
    const Image image = image_.b.image();
    const testing::Call watched =
        testing::call_into(size, [&](uint32_t cb, void* buffer, uint32_t* needed) {
          return drv_query_steps(image, id, &context_.ctx, cb, buffer, needed, log);
        });
    if (!log->stop_walks) {
      const testing::Call plain = testing::call_into(size, drv_query, image, id, &context_.ctx);
      EXPECT_EQ(plain.result, watched.result);
      EXPECT_EQ(plain.bytes, watched.bytes);
      EXPECT_EQ(plain.needed, watched.needed);
    }
    return watched.result;
  }
  WatchedImage image_;
  testing::QueryContext context_{8, {{7, 4}}};
};

// The stored-list path's steps: the list, its size and fetch, the value
// identifiers from the selector-value table, per record the attribute
// lookups with selector 4 set to its value, then the marker pair.
TEST_F(DrvObserverTest, StoredListTellsEveryStepInOrder) {
  StepLog log;
  ASSERT_EQ(Ask(0x100C, 40, &log), DB_OK);
  // Record words: attr1 at byte 4, attr2 at 8, attr3 at 12, mark at 16.
  // Walks: 0 the list, 1 an attribute (one forked walk per attribute id for
  // both records), 3 the marker pair.
  const std::string want =
      "row 100C\n"
      "walk 0 100C\n=> 0\nneeded 40\nfetched 0 8\n"
      "table 0 0\ntable 1 1\nword 0@4=15001\ntable 1 0\nword 1@4=15002\n"
      "forked walk 1 500C 500C s4\n=> 0 0\nforked walk 1 500B 500B s4\n=> 0 0\n"
      "record 0 s4=2\nfetched 0 4\nword 0@8=102\nfetched 0 4\nword 0@12=202\n"
      "record 1 s4=1\nfetched 0 4\nword 1@8=101\nfetched 0 4\nword 1@12=201\n"
      "walk 3 5003\n=> 0\nfetched 0 8\nword 0@16=9\nword 1@16=0\n";
  EXPECT_EQ(log.steps, want);
}

// Each fragment's walk, the empty one included, then the sizes and copies of
// those that apply; the selector the second fragment reads is asked for.
TEST_F(DrvObserverTest, CommandSequenceTellsEachFragment) {
  for (uint32_t s7 : {4u, 0u}) {
    context_.set(7, s7);
    StepLog log;
    ASSERT_EQ(Ask(0x1019, s7 == 4 ? 3 : 2, &log), DB_OK);
    // The second fragment answers for selector 7 = 4 only (else DB_NOT_FOUND,
    // 1); sizes asked with no buffer (DB_MORE_DATA, 2), then the copies.
    const std::string want = s7 == 4
                                 ? "row 1019\ntable 2 0\n"
                                   "table 3 0\nwalk 4 5008\n=> 0\ntable 3 1\nwalk 4 5008\n=> 0\n"
                                   "fetched 2 2\nfetched 2 1\nneeded 3\nfetched 0 2\nfetched 0 1\n"
                                 : "row 1019\ntable 2 0\n"
                                   "table 3 0\nwalk 4 5008\n=> 0\ntable 3 1\nwalk 4 5008\n=> 1\n"
                                   "fetched 2 2\nneeded 2\nfetched 0 2\n";
    EXPECT_EQ(log.steps, want) << s7;
    EXPECT_EQ(log.walk.reads, 1) << s7;
  }
}

// A walk its observer stops ends the path with kWalkStopped, whichever of
// the path's walks it is: the sweeps rely on it to fork there.
TEST_F(DrvObserverTest, AStoppedWalkEndsThePath) {
  StepLog log;
  log.stop_walks = true;
  EXPECT_EQ(Ask(0x100C, 40, &log), kWalkStopped);  // the first attribute lookup reads selector 4
  EXPECT_EQ(Ask(0x1019, 3, &log), kWalkStopped);   // the second fragment reads selector 7
}

}  // namespace
}  // namespace orv
