// The Drv handler over small hand-built images: the dispatch, the size
// protocol, the record filling and every refusal of inconsistent data.
#include "drvrecords/drv_query.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/mode_record.h"
#include "drvrecords/value_records.h"
#ifdef ORVDB_HOST_PLATFORM
#include "orvdb/host_platform.h"
#endif
#include "support/drv_table_builder.h"
#include "support/fetch.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"
#include "support/value_records.h"

namespace orv {
namespace {

using testing::expect_records;
using testing::ImageBuilder;
using testing::QueryContext;

// Two small mode rows (and one whose part C index is out of range), with
// part records filled by a recognisable pattern.
const ModeRow kModeRows[] = {
    {{1, 0, 1, 1, 2, 0}, 0, 0, 0, 0},
    {{2, 2, 261, 5, 1, 0}, 1, 0, 1, 0},
    {{1, 0, -1, 1, 1, 0}, 1, 0, 0, 0},
    {{3, 0, 1, 1, 1, 0}, 0, 0, 2, 0},
};

struct Parts {
  uint8_t a[2 * kModePartASize];
  uint8_t b[kModePartBSize];
  uint8_t c[2 * kModePartCSize];
  uint8_t d[kModePartDSize];
  Parts() {
    for (uint32_t i = 0; i < sizeof a; ++i) a[i] = static_cast<uint8_t>(0x10 + i / kModePartASize);
    std::memset(b, 0x20, sizeof b);
    for (uint32_t i = 0; i < sizeof c; ++i) c[i] = static_cast<uint8_t>(0x30 + i / kModePartCSize);
    std::memset(d, 0x40, sizeof d);
  }
};
const Parts kParts;

// A small model: the lists, attributes and markers the handler reads, a
// command-sequence table over three fragment trees, and the mode tables.
struct MiniModel {
  ImageBuilder b;
  testing::DrvTableBuilder drv;
  DrvTables tables{};

  explicit MiniModel(std::vector<int16_t> list1010 = {11, 9, 256},
                     std::vector<int16_t> list1011 = {11, 66, 9, 256}) {
    b.root(0x100C, b.int8_leaf(0x100C, {1, 2, 3}));
    b.root(0x500C, b.selector_switch(4, {{1, b.int16_leaf(0x500C, {20001})},
                                         {2, b.int16_leaf(0x500C, {20002})},
                                         {3, b.int16_leaf(0x500C, {20003})}}));
    b.root(0x500B, b.selector_switch(4, {{1, b.int8_leaf(0x500B, {1})},
                                         {2, b.int8_leaf(0x500B, {0})},
                                         {3, b.int8_leaf(0x500B, {1})}}));
    b.root(0x5003, b.int8_leaf(0x5003, {1, 1}));
    b.root(0x1010, b.int16_leaf(0x1010, list1010));
    b.root(0x1011, b.int16_leaf(0x1011, list1011));
    b.root(0x500E, b.selector_switch(28, {{11, b.int16_leaf(0x500E, {15712})},
                                          {9, b.int16_leaf(0x500E, {15710})},
                                          {66, b.int16_leaf(0x500E, {15707})},
                                          {256, b.int16_leaf(0x500E, {15744})}}));
    b.root(0x1054, b.int16_leaf(0x1054, {11, 9}));
    b.root(0x1012, b.int8_leaf(0x1012, {4, 7}));
    b.root(0x5002, b.selector_switch(
                       5, {{1, b.int8_leaf(0x5002, {7, 2})}, {261, b.int8_leaf(0x5002, {4, 2})}}));
    b.root(0x1014, b.int8_leaf(0x1014, {3, 2, 1}));
    b.root(0x500D, b.int8_leaf(0x500D, {3, 1}));
    b.root(0x1016, b.int8_leaf(0x1016, {1, 2, 5}));
    b.root(0x1017, b.int8_leaf(0x1017, {1, 2, 3, 4, 5}));
    b.root(0x5006, b.selector_switch(8, {{1, b.int8_leaf(0x5006, {1})},
                                         {2, b.int8_leaf(0x5006, {2})},
                                         {5, b.int8_leaf(0x5006, {0})}}));
    b.root(0x5007, b.selector_switch(8, {{1, b.int8_leaf(0x5007, {-4})},
                                         {2, b.int8_leaf(0x5007, {-3})},
                                         {5, b.int8_leaf(0x5007, {-3})}}));
    b.root(0x5005, b.selector_switch(5, {{1, b.int8_leaf(0x5005, {4, 1})}}));
    b.root(0x1015, b.int8_leaf(0x1015, {9}));

    uint32_t fixed = b.bytes_leaf(0x5008, {0x1B, 0x40});
    uint32_t by_sel7 =
        b.selector_switch(7, {{4, b.bytes_leaf(0x5008, {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x11})},
                              {7, b.bytes_leaf(0x5008, {0x1B, 0x28, 0x6C, 0x02, 0x00, 0x14})}});
    uint32_t other_id = b.int8_leaf(0x1234, {1});
    drv.sequence(0x1019, {fixed, by_sel7, other_id});
    drv.sequence(0x101B, {fixed});
    drv.sequence(0x101C, {other_id});

    // The selector-value table of the model.
    drv.selector(28, {{11, 15762},
                      {9, 15760},
                      {8, 15758},
                      {13, 15767},
                      {12, 15765},
                      {1, 15751},
                      {5, 15755},
                      {3, 15769},
                      {260, 15780},
                      {261, 15781},
                      {66, 15757},
                      {257, 15764},
                      {24, 15793},
                      {262, 15782},
                      {272, 15789},
                      {273, 15790},
                      {274, 15791},
                      {256, 15744}});
    drv.selector(7, {{4, 15301}, {7, 15302}});
    drv.selector(5, {{1, 15101},
                     {271, 15117},
                     {277, 15123},
                     {261, 15107},
                     {259, 15105},
                     {273, 15119},
                     {258, 15104},
                     {2, 15102},
                     {263, 15109},
                     {383, 15128}});
    drv.selector(4, {{1, 15002}, {2, 15001}, {3, 15003}});
    drv.mode_rows.assign(std::begin(kModeRows), std::end(kModeRows));
    drv.mode_parts[0].assign(std::begin(kParts.a), std::end(kParts.a));
    drv.mode_parts[1].assign(std::begin(kParts.b), std::end(kParts.b));
    drv.mode_parts[2].assign(std::begin(kParts.c), std::end(kParts.c));
    drv.mode_parts[3].assign(std::begin(kParts.d), std::end(kParts.d));
    tables = drv.tables();
  }

  // The image over the tables as they now are.
  Image image() {
    tables = drv.tables();
    b.drv_tables = &tables;
    return b.image();
  }
};

class DrvQueryTest : public orv::testing::LeakCheckedTest {
 protected:
  // A list asked as a caller asks; list ids leave the needed-size word alone.
  int32_t List(const Image& image, uint16_t id, const QueryContext& c,
               std::vector<ORV_VALUE_RECORD>* out) {
    testing::Answer a = testing::ask_sized(drv_query, image, id, &c.ctx);
    EXPECT_EQ(a.written, testing::kUnwrittenSize);
    *out = a.as<ORV_VALUE_RECORD>();
    return a.result;
  }
};

TEST_F(DrvQueryTest, PathsByIdAlone) {
  EXPECT_EQ(drv_path(0x1015), DrvPath::kGeneric);
  EXPECT_EQ(drv_path(0x1004), DrvPath::kGeneric);
  EXPECT_EQ(drv_path(0x101F), DrvPath::kGeneric);
  EXPECT_EQ(drv_path(0x1055), DrvPath::kGeneric);
  EXPECT_EQ(drv_path(0x104F), DrvPath::kGeneric);
  for (uint16_t id :
       {0x100C, 0x100E, 0x1010, 0x1011, 0x1012, 0x1014, 0x104D, 0x104E, 0x1051, 0x1054}) {
    EXPECT_EQ(drv_path(id), DrvPath::kStoredList) << id;
  }
  EXPECT_EQ(drv_path(0x100D), DrvPath::kFullList);
  EXPECT_EQ(drv_path(0x1013), DrvPath::kFullList);
  EXPECT_EQ(drv_path(0x1017), DrvPath::kSelector8List);
  EXPECT_EQ(drv_path(0x101A), DrvPath::kCommandSequence);
  EXPECT_EQ(drv_path(0x101E), DrvPath::kModeRecord);
}

TEST_F(DrvQueryTest, List1011ComparedWith1010) {
  MiniModel m;
  Image image = m.image();
  QueryContext c(29);
  std::vector<ORV_VALUE_RECORD> records;
  ASSERT_EQ(List(image, 0x1011, c, &records), DB_OK);
  expect_records(
      records,
      {{11, 66, 9, 256}, {15762, 15757, 15760, 15744}, {15712, 15707, 15710, 15744}, {0, 1, 0, 0}});
  QueryContext short_ctx(28);
  EXPECT_EQ(List(image, 0x1010, short_ctx, &records), DB_NO_SELECTOR);

  // The 0x1010 list used up while 0x1011 records remain.
  MiniModel used_up({11}, {11, 9});
  Image image2 = used_up.image();
  EXPECT_EQ(List(image2, 0x1011, c, &records), DB_ERROR);
  // Unmatched 0x1010 entries are no fault.
  MiniModel spare({11, 9, 256}, {9});
  Image image3 = spare.image();
  ASSERT_EQ(List(image3, 0x1011, c, &records), DB_OK);
  expect_records(records, {.attr3 = {1}});
}

TEST_F(DrvQueryTest, MarkersOfStoredLists) {
  MiniModel m;
  Image image = m.image();
  std::vector<ORV_VALUE_RECORD> records;
  ASSERT_EQ(List(image, 0x1012, QueryContext(6, {{5, 1}}), &records), DB_OK);
  expect_records(records, {.value = {4, 7}, .attr1 = {15301, 15302}, .mark = {0, 2}});
  // No marker pair for these settings: nothing is marked.
  ASSERT_EQ(List(image, 0x1012, QueryContext(6, {{5, 999}}), &records), DB_OK);
  expect_records(records, {.mark = {0, 0}});
  // 0x1014 needs no selector-value table.
  m.b.drv_tables = nullptr;
  Image no_tables = m.b.image();
  ASSERT_EQ(List(no_tables, 0x1014, QueryContext(1), &records), DB_OK);
  expect_records(records, {.value = {3, 2, 1}, .mark = {1, 0, 0}});
  // A marked list whose marker id has no root at all: nothing is marked.
  ASSERT_EQ(List(image, 0x1054, QueryContext(29), &records), DB_OK);
  expect_records(
      records,
      {.value = {11, 9}, .attr1 = {15762, 15760}, .attr2 = {15712, 15710}, .mark = {0, 0}});
}

TEST_F(DrvQueryTest, ValuesOutsideTheSelectorTable) {
  ImageBuilder b;
  MiniModel m;
  b.root(0x1012, b.int8_leaf(0x1012, {4, 5}));
  b.root(0x100E, b.int16_leaf(0x100E, {4, 7, 4}));
  b.drv_tables = &m.tables;
  Image image = b.image();
  std::vector<ORV_VALUE_RECORD> records;
  EXPECT_EQ(List(image, 0x1012, QueryContext(6), &records), DB_NOT_FOUND);
  // Three records for a selector with two values.
  m.drv.sel_value_counts[2] = 2;
  EXPECT_EQ(List(image, 0x100E, QueryContext(6), &records), DB_ERROR);
  // A first position past the values.
  m.drv.sel_first[1] = 32;
  EXPECT_EQ(List(image, 0x1012, QueryContext(6), &records), DB_ERROR);
  EXPECT_EQ(List(image, 0x1013, QueryContext(6), &records), DB_ERROR);
  // A table without the selector: selector 4 is its last slot.
  m.tables.sel_count = 3;
  EXPECT_EQ(List(image, 0x100D, QueryContext(6), &records), DB_NOT_FOUND);
}

TEST_F(DrvQueryTest, NullSelectorArrayHoldsNoSelectors) {
  MiniModel m;
  Image image = m.image();
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = 100;  // but no array
  std::vector<uint8_t> buf(400, 0);
  uint32_t needed = 0;
  for (uint16_t id : {0x100C, 0x100D, 0x1010, 0x1011, 0x1016, 0x101E}) {
    EXPECT_EQ(drv_query(image, id, &ctx, 400, buf.data(), &needed), DB_NO_SELECTOR) << id;
  }
  // A selector-free list still answers.
  EXPECT_EQ(drv_query(image, 0x1014, &ctx, 400, buf.data(), &needed), DB_OK);
}

TEST_F(DrvQueryTest, InconsistentValuesAreErrors) {
  MiniModel m;
  Image good = m.image();
  std::vector<ORV_VALUE_RECORD> records;
  struct Case {
    const char* what;
    uint16_t list_id;
    uint16_t bad_id;
    int kind;  // 0 bytes, 1 string, 2 int16 of the given count
    uint16_t count;
  } cases[] = {
      {"list of bytes", 0x100C, 0x100C, 0, 3},
      {"list of text", 0x1012, 0x1012, 1, 2},
      {"selector-8 list of bytes", 0x1016, 0x1016, 0, 3},
      {"attribute of two numbers", 0x100C, 0x500C, 2, 2},
      {"attribute too long for its field", 0x1016, 0x5006, 0, 6},
      {"marker of three numbers", 0x100C, 0x5003, 2, 3},
      {"marker of one number", 0x1014, 0x500D, 2, 1},
      {"required marker of three numbers", 0x1017, 0x5005, 2, 3},
      {"0x1010 list of bytes", 0x1011, 0x1010, 0, 3},
  };
  for (const Case& c : cases) {
    MiniModel bad;
    uint32_t leaf = c.kind == 0   ? bad.b.bytes_leaf(c.bad_id, std::vector<uint8_t>(c.count, 1))
                    : c.kind == 1 ? bad.b.string_leaf(c.bad_id, "ab")
                                  : bad.b.int16_leaf(c.bad_id, std::vector<int16_t>(c.count, 1));
    // The first root slot of an id wins: put the bad one in front.
    bad.b.root_ids.insert(bad.b.root_ids.begin(), c.bad_id);
    bad.b.root_items.insert(bad.b.root_items.begin(), leaf);
    Image image = bad.image();
    EXPECT_EQ(List(image, c.list_id, QueryContext(95, {{5, 1}, {8, 1}}), &records), DB_ERROR)
        << c.what;
    EXPECT_EQ(List(good, c.list_id, QueryContext(95, {{5, 1}, {8, 1}}), &records), DB_OK) << c.what;
  }
}

TEST_F(DrvQueryTest, MissingTablesAreErrors) {
  MiniModel m;
  m.image();
  m.b.drv_tables = nullptr;
  Image image = m.b.image();
  QueryContext c(95);
  std::vector<uint8_t> buf(400);
  uint32_t needed = 0;
  for (uint16_t id : {0x100C, 0x100D, 0x1011, 0x1019, 0x101E}) {
    EXPECT_EQ(drv_query(image, id, &c.ctx, 400, buf.data(), &needed), DB_ERROR) << id;
  }
  // Generic ids do not need them.
  EXPECT_EQ(drv_query(image, 0x1015, &c.ctx, 400, buf.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 4u);
}

TEST_F(DrvQueryTest, CommandSequences) {
  MiniModel m;
  Image image = m.image();
  QueryContext sel7(8, {{7, 4}});
  uint32_t needed = 0;
  ASSERT_EQ(drv_query(image, 0x1019, &sel7.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 8u);
  std::vector<uint8_t> buf(10, 0xAB);
  EXPECT_EQ(drv_query(image, 0x1019, &sel7.ctx, 7, buf.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 8u);
  ASSERT_EQ(drv_query(image, 0x1019, &sel7.ctx, 10, buf.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 8u);
  EXPECT_EQ(buf,
            (std::vector<uint8_t>{0x1B, 0x40, 0x1B, 0x28, 0x6C, 0x02, 0x00, 0x11, 0xAB, 0xAB}));
  // A fragment that does not apply adds nothing.
  QueryContext other(8, {{7, 5}});
  ASSERT_EQ(drv_query(image, 0x1019, &other.ctx, 10, buf.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 2u);
  // Every fragment absent: an empty sequence.
  ASSERT_EQ(drv_query(image, 0x101C, &other.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 0u);
  ASSERT_EQ(drv_query(image, 0x101C, &other.ctx, 10, buf.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 0u);
  // The selector the fragment needs is missing.
  QueryContext few(7);
  EXPECT_EQ(drv_query(image, 0x1019, &few.ctx, 10, buf.data(), &needed), DB_NO_SELECTOR);
  EXPECT_EQ(drv_query(image, 0x101A, &sel7.ctx, 10, buf.data(), &needed), DB_NOT_FOUND);

  // Positions and item indices outside their tables.
  m.drv.seq_first[1] = 5;
  m.drv.seq_fragments[2] = 100000;
  Image broken = m.image();
  EXPECT_EQ(drv_query(broken, 0x101B, &sel7.ctx, 10, buf.data(), &needed), DB_ERROR);
  EXPECT_EQ(drv_query(broken, 0x1019, &sel7.ctx, 10, buf.data(), &needed), DB_ERROR);

  // A fragment index equal to the item count, where an item that would
  // answer lies just past the table the image admits to.
  m.drv.seq_fragments[2] = m.b.bytes_leaf(kFragmentId, {0x41});
  Image short_table = m.image();
  short_table.item_count = m.drv.seq_fragments[2];
  EXPECT_EQ(drv_query(short_table, 0x1019, &sel7.ctx, 10, buf.data(), &needed), DB_ERROR);
}

TEST_F(DrvQueryTest, ModeRecord) {
  MiniModel m;
  Image image = m.image();
  QueryContext c(82, {{4, 2}, {9, 2}, {5, 261}, {8, 5}, {6, 1}});
  uint32_t needed = 0;
  std::vector<uint8_t> buf(192, 0xAB);
  ASSERT_EQ(drv_query(image, 0x101E, &c.ctx, 192, buf.data(), &needed), DB_OK);
  EXPECT_EQ(needed, 192u);
  for (uint32_t i = 0; i < 192; ++i) {
    uint8_t want = i < 48 ? 0x11 : i < 88 ? 0x20 : i < 124 ? 0x31 : i < 172 ? 0x40 : 0xAB;
    ASSERT_EQ(buf[i], want) << i;
  }
  // A key of -1 matches the selector value 0xFFFFFFFF.
  QueryContext minus(82, {{4, 1}, {5, 0xFFFFFFFF}, {8, 1}, {6, 1}});
  ASSERT_EQ(drv_query(image, 0x101E, &minus.ctx, 192, buf.data(), &needed), DB_OK);
  EXPECT_EQ(buf[0], 0x11);
  // A part index beyond its table: an error, and nothing written.
  QueryContext bad(82, {{4, 3}, {5, 1}, {8, 1}, {6, 1}});
  std::vector<uint8_t> untouched(192, 0x77);
  EXPECT_EQ(drv_query(image, 0x101E, &bad.ctx, 192, untouched.data(), &needed), DB_ERROR);
  EXPECT_EQ(untouched, std::vector<uint8_t>(192, 0x77));
  QueryContext none(82, {{4, 9}});
  needed = 5;
  EXPECT_EQ(drv_query(image, 0x101E, &none.ctx, 192, buf.data(), &needed), DB_NOT_FOUND);
  EXPECT_EQ(needed, 5u);
  EXPECT_EQ(drv_query(image, 0x101E, &none.ctx, 191, buf.data(), &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 192u);
}

// The root slot of `id` in a builder.
size_t SlotOf(const ImageBuilder& b, uint16_t id) {
  return static_cast<size_t>(std::find(b.root_ids.begin(), b.root_ids.end(), id) -
                             b.root_ids.begin());
}

// Lookups that only other images can fail: their results pass up unchanged.
TEST_F(DrvQueryTest, LookupsOnlyOtherImagesFail) {
  struct Case {
    const char* what;
    uint16_t list;
    void (*spoil)(MiniModel&);
    int32_t result;
  };
  const Case cases[] = {
      {"attribute without a case for the value", 0x100C,
       [](MiniModel& m) {
         Item& sw = m.b.items[m.b.root_items[SlotOf(m.b, 0x500C)]];
         sw.word1 = make_word1(4, 2);  // values 1 and 2 only; the list holds 3
       },
       DB_NOT_FOUND},
      {"attribute id without a root", 0x100C,
       [](MiniModel& m) { m.b.root_ids[SlotOf(m.b, 0x500C)] = 0x50FF; }, DB_NO_ENTRY},
      {"0x1010 without a root", 0x1011,
       [](MiniModel& m) { m.b.root_ids[SlotOf(m.b, 0x1010)] = 0x10FF; }, DB_NO_ENTRY},
      {"0x1010 without a leaf", 0x1011,
       [](MiniModel& m) {
         m.b.root_items[SlotOf(m.b, 0x1010)] = m.b.root_items[SlotOf(m.b, 0x1011)];
       },
       DB_NOT_FOUND},
      {"0x1010 empty", 0x1011,
       [](MiniModel& m) { m.b.root_items[SlotOf(m.b, 0x1010)] = m.b.int16_leaf(0x1010, {}); },
       DB_ERROR},
      {"list value beyond 16 bits", 0x100C,
       [](MiniModel& m) {
         m.b.root_items[SlotOf(m.b, 0x100C)] = m.b.int32_leaf(0x100C, {1, 70000});
       },
       DB_NOT_FOUND},
      {"first value beyond the selector-value table", 0x100C,
       [](MiniModel& m) { m.drv.sel_first[3] = 40; }, DB_ERROR},
  };
  for (const Case& c : cases) {
    MiniModel m;
    c.spoil(m);
    Image image = m.image();
    std::vector<ORV_VALUE_RECORD> records;
    EXPECT_EQ(List(image, c.list, QueryContext(29, {{4, 1}}), &records), c.result) << c.what;
  }
}

// A leaf whose pool bounds are only read when it is copied: sized as asked,
// refused when copied; and a list that cannot be fetched at all.
TEST_F(DrvQueryTest, ValuesThatFailOnlyWhenCopied) {
  struct Case {
    const char* what;
    uint16_t id;
    uint32_t (*leaf)(ImageBuilder&);  // put in front of the id's own root
    uint32_t size;                    // the size query's answer
    int32_t result;                   // the answer with a buffer of that size
  };
  const Case cases[] = {
      {"empty list beyond its pool", 0x1014,
       [](ImageBuilder& b) { return b.add(ITEM_INT8, 0xFFFFFF, 0x1014, 0); }, 0, DB_ERROR},
      {"list of a computed item without its selectors", 0x1014,
       [](ImageBuilder& b) { return b.computed_leaf(0x1014, 1); }, 20, DB_NO_SELECTOR},
  };
  for (const Case& c : cases) {
    MiniModel m;
    uint32_t leaf = c.leaf(m.b);
    m.b.root_ids.insert(m.b.root_ids.begin(), c.id);
    m.b.root_items.insert(m.b.root_items.begin(), leaf);
    Image image = m.image();
    QueryContext ctx(10);
    uint32_t needed = 0;
    ASSERT_EQ(drv_query(image, c.id, &ctx.ctx, 0, nullptr, &needed), DB_MORE_DATA) << c.what;
    EXPECT_EQ(needed, c.size) << c.what;
    std::vector<uint8_t> buf(c.size + 1);
    EXPECT_EQ(drv_query(image, c.id, &ctx.ctx, c.size, buf.data(), &needed), c.result) << c.what;
  }
  // A command sequence's fragment beyond its pool: the size counts it, the copy fails.
  MiniModel m;
  m.drv.seq_fragments[3] = m.b.add(ITEM_BYTES, 0xFFFFFF, 0x5008, 2);
  Image image = m.image();
  QueryContext ctx(8);
  uint32_t needed = 0;
  ASSERT_EQ(drv_query(image, 0x101B, &ctx.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 2u);
  uint8_t buf[4];
  EXPECT_EQ(drv_query(image, 0x101B, &ctx.ctx, 4, buf, &needed), DB_ERROR);
}

// Each array of the command-sequence table missing alone.
TEST_F(DrvQueryTest, CommandSequenceTableArraysMissingAlone) {
  for (int missing = 0; missing < 4; ++missing) {
    MiniModel m;
    m.image();
    const void** arrays[] = {reinterpret_cast<const void**>(&m.tables.seq_ids),
                             reinterpret_cast<const void**>(&m.tables.seq_fragment_counts),
                             reinterpret_cast<const void**>(&m.tables.seq_first),
                             reinterpret_cast<const void**>(&m.tables.seq_fragments)};
    *arrays[missing] = nullptr;
    Image image = m.b.image();
    QueryContext ctx(8, {{7, 4}});
    uint8_t buf[16];
    uint32_t needed = 0;
    EXPECT_EQ(drv_query(image, 0x1019, &ctx.ctx, sizeof buf, buf, &needed), DB_ERROR) << missing;
  }
}

// The handler's own arguments, as only a caller inside the library could
// pass them.
TEST_F(DrvQueryTest, ArgumentsNoEntryPointPasses) {
  MiniModel m;
  Image image = m.image();
  QueryContext c(95);
  std::vector<uint8_t> buf(400);
  uint32_t needed = 0;
  EXPECT_EQ(drv_query(image, 0x100C, nullptr, 400, buf.data(), &needed), DB_ERROR);
  EXPECT_EQ(
      mode_record_query(image, *find_drv_special_id(0x101E), nullptr, 192, buf.data(), &needed),
      DB_ERROR);
  // Records of an id that is no list, or a buffer that cannot hold them.
  EXPECT_EQ(postprocess_value_records(image, 0x1015, &c.ctx, 400, buf.data(), 1), DB_ERROR);
  EXPECT_EQ(postprocess_value_records(image, 0x1018, &c.ctx, 400, buf.data(), 1), DB_ERROR);
  EXPECT_EQ(postprocess_value_records(image, 0x100C, &c.ctx, 400, nullptr, 1), DB_ERROR);
  EXPECT_EQ(postprocess_value_records(image, 0x100C, &c.ctx, 39, buf.data(), 2), DB_ERROR);
}

// A command sequence whose fragments together need the largest size a
// size word holds, 4 GiB - 1 (16,384 fragments of 65,535 numbers and one of
// 65,535 bytes; sizes are known without reading the pools), and one byte more.
TEST_F(DrvQueryTest, CommandSequenceAtFourGibibytes) {
  for (bool one_more_byte : {false, true}) {
    ImageBuilder b;
    std::vector<uint32_t> fragments(16384, b.add(ITEM_INT32, 0, 0x5008, 0xFFFF));
    fragments.push_back(b.add(ITEM_BYTES, 0, 0x5008, 0xFFFF));
    if (one_more_byte) fragments.push_back(b.add(ITEM_BYTES, 0, 0x5008, 1));
    testing::DrvTableBuilder drv;
    drv.sequence(0x1019, fragments);
    DrvTables tables = drv.tables();
    b.drv_tables = &tables;
    QueryContext c(8);
    uint32_t needed = 0;
    const int32_t result = drv_query(b.image(), 0x1019, &c.ctx, 0, nullptr, &needed);
    if (one_more_byte) {
      EXPECT_EQ(result, DB_ERROR);
    } else {
      EXPECT_EQ(result, DB_MORE_DATA);
      EXPECT_EQ(needed, 0xFFFFFFFFu);
    }
  }
}

// The sequence table: absent (no arrays, count 0) is no sequence rather
// than a damaged table, and the row just past the count is never read.
TEST(FindSequenceTest, AbsentTableAndTheRowJustPastTheCount) {
  uint32_t slot = 99;
  const DrvTables absent{};
  EXPECT_EQ(find_sequence(absent, 0x1020, &slot), DB_NOT_FOUND);
  testing::DrvTableBuilder b;
  b.sequence(0x1020, {1});
  b.sequence(0x1021, {2});
  DrvTables cut = b.tables();
  cut.seq_count = 1;
  EXPECT_EQ(find_sequence(cut, 0x1021, &slot), DB_NOT_FOUND);
  ASSERT_EQ(find_sequence(cut, 0x1020, &slot), DB_OK);
  EXPECT_EQ(slot, 0u);
  ASSERT_EQ(find_sequence(b.tables(), 0x1021, &slot), DB_OK);
  EXPECT_EQ(slot, 1u);
}

// The selector-value table likewise: absent is no slot, not a damaged
// table, and the slot just past the count is never read.
TEST(FindSelectorSlotTest, AbsentTableAndTheSlotJustPastTheCount) {
  uint32_t slot = 99;
  EXPECT_EQ(find_selector_slot(DrvTables{}, 4, &slot), DB_NOT_FOUND);
  testing::DrvTableBuilder b;
  b.selector(4, {{1, 15001}});
  b.selector(5, {{1, 15101}});
  DrvTables cut = b.tables();
  cut.sel_count = 1;
  EXPECT_EQ(find_selector_slot(cut, 5, &slot), DB_NOT_FOUND);
  ASSERT_EQ(find_selector_slot(b.tables(), 5, &slot), DB_OK);
  EXPECT_EQ(slot, 1u);
}

}  // namespace
}  // namespace orv
