#include "engine/resolver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "engine/walk.h"
#include "support/image_builder.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::ImageBuilder;
using testing::QueryContext;

// Walks the root of `id` and returns the result; *leaf_id gets the found leaf's id.
int32_t Walk(const ImageBuilder& b, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
             Leaf* leaf = nullptr) {
  Image image = b.image();
  Leaf local{};
  return find_root(image, id, ctx, leaf != nullptr ? leaf : &local);
}

TEST(FindRootTest, MissingRootTablesAreErrors) {
  ImageBuilder b;
  b.int8_leaf(1, {7});
  Image image = b.image();  // no root slot at all
  Leaf leaf{};
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_ERROR);

  b.root(1, 0);
  image = b.image();
  image.root_items = nullptr;
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_ERROR);
  image = b.image();
  image.items = nullptr;
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_ERROR);
}

TEST(FindRootTest, AbsentIdIsNoEntryAndBadSlotIsError) {
  ImageBuilder b;
  uint32_t leaf_item = b.int8_leaf(1, {7});
  b.root(1, leaf_item);
  b.root(2, 99);  // names an item beyond the table
  EXPECT_EQ(Walk(b, 3, nullptr), DB_NO_ENTRY);
  EXPECT_EQ(Walk(b, 2, nullptr), DB_ERROR);
  Leaf leaf{};
  ASSERT_EQ(Walk(b, 1, nullptr, &leaf), DB_OK);
  EXPECT_EQ(leaf.word0, b.items[leaf_item].word0);
  EXPECT_EQ(leaf.word1, b.items[leaf_item].word1);
}

TEST(FindRootTest, SlotNamingTheIndexJustPastTheTableIsError) {
  // Item 1 is a sound leaf of id 2, but the table is cut to item 0 alone.
  ImageBuilder b;
  b.int8_leaf(1, {7});
  b.int8_leaf(2, {9});
  b.root(1, 0);
  b.root(2, 1);
  Image image = b.image();
  image.item_count = 1;
  Leaf leaf{};
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_OK);
  EXPECT_EQ(find_root(image, 2, nullptr, &leaf), DB_ERROR);
  uint32_t index = 0;
  EXPECT_EQ(find_root_item(image, 2, &index), DB_ERROR);
}

TEST(FindRootTest, FirstMatchingSlotWinsWhateverTheOrder) {
  ImageBuilder b;
  uint32_t a = b.int8_leaf(5, {1});
  uint32_t c = b.int8_leaf(5, {2});
  b.root(9, a);
  b.root(5, c);
  b.root(5, a);
  Leaf leaf{};
  ASSERT_EQ(Walk(b, 5, nullptr, &leaf), DB_OK);
  EXPECT_EQ(leaf.word0, b.items[c].word0);
}

TEST(ResolveTest, SharedTreeAnswersEachIdWithItsOwnLeaf) {
  ImageBuilder b;
  uint32_t seq = b.reserve(1);
  uint32_t first = b.int8_leaf(0x10, {1});
  b.int8_leaf(0x11, {2});
  b.int8_leaf(0x12, {3});
  b.set(seq, ITEM_SEQUENCE, first, 0, 3);
  for (uint16_t id : {0x10, 0x11, 0x12}) b.root(id, seq);
  b.root(0x13, seq);
  for (uint16_t id : {0x10, 0x11, 0x12}) {
    Leaf leaf{};
    ASSERT_EQ(Walk(b, id, nullptr, &leaf), DB_OK);
    EXPECT_EQ(item_tag(leaf.word1), id);
  }
  EXPECT_EQ(Walk(b, 0x13, nullptr), DB_NOT_FOUND);
}

TEST(ResolveTest, NullLeafOutIsError) {
  ImageBuilder b;
  uint32_t leaf = b.int8_leaf(1, {1});
  Image image = b.image();
  EXPECT_EQ(resolve(image, 1, nullptr, b.items[leaf].word0, b.items[leaf].word1, nullptr),
            DB_ERROR);
}

TEST(ResolveTest, LeafOutWrittenOnlyOnSuccess) {
  ImageBuilder b;
  uint32_t seq = b.add(ITEM_SEQUENCE, 1, 0, 1);
  b.int8_leaf(2, {1});
  b.root(1, seq);
  Leaf leaf{0xDEADBEEF, 0xFEEDFACE};
  EXPECT_EQ(Walk(b, 1, nullptr, &leaf), DB_NOT_FOUND);
  EXPECT_EQ(leaf.word0, 0xDEADBEEFu);
  EXPECT_EQ(leaf.word1, 0xFEEDFACEu);
}

TEST(ResolveTest, InvalidKindsAreErrorsAndCasesOutsideSwitchesAreSequences) {
  for (uint8_t kind : {0, 16, 20, 21, 22, 255}) {
    ImageBuilder b;
    uint32_t item = b.add(kind, 0, 1, 0);
    b.root(1, item);
    EXPECT_EQ(Walk(b, 1, nullptr), DB_ERROR) << "kind " << int(kind);
  }
  for (uint8_t kind : {ITEM_CASE, ITEM_DEFAULT, ITEM_BRANCH, ITEM_SEQUENCE}) {
    ImageBuilder b;
    uint32_t item = b.add(kind, 1, 0x55, 1);
    b.int8_leaf(1, {4});
    b.root(1, item);
    EXPECT_EQ(Walk(b, 1, nullptr), DB_OK) << "kind " << int(kind);
  }
}

TEST(ResolveTest, ChildBeyondTableIsError) {
  ImageBuilder b;
  uint32_t seq = b.add(ITEM_SEQUENCE, 1, 0, 2);
  b.int8_leaf(2, {1});  // child 0; child 1 lies beyond the table
  b.root(1, seq);
  b.root(2, seq);
  EXPECT_EQ(Walk(b, 1, nullptr), DB_ERROR);
  EXPECT_EQ(Walk(b, 2, nullptr), DB_OK);  // found before the bad child is read
}

TEST(ResolveTest, EmptyContainerIsNotFound) {
  ImageBuilder b;
  uint32_t seq = b.add(ITEM_SEQUENCE, 0, 0, 0);
  b.root(1, seq);
  EXPECT_EQ(Walk(b, 1, nullptr), DB_NOT_FOUND);
}

TEST(ResolveTest, CyclicImageStopsWithError) {
  ImageBuilder b;
  uint32_t seq = b.add(ITEM_SEQUENCE, 0, 0, 1);  // its own child
  b.root(1, seq);
  EXPECT_EQ(Walk(b, 1, nullptr), DB_ERROR);
}

// The hooks of a walk the tool watches, all doing nothing.
struct WatchingObserver : NoObserver {
  static constexpr bool kWatches = true;
};

TEST(ResolveTest, DepthLimitAllowsDeepButFiniteTrees) {
  // A chain of sequences ending in a leaf, just inside and just beyond the limit.
  for (int depth : {kMaxWalkDepth, kMaxWalkDepth + 1}) {
    ImageBuilder b;
    b.sequence_chain(1, depth);
    EXPECT_EQ(Walk(b, 1, nullptr), depth <= kMaxWalkDepth ? DB_OK : DB_ERROR) << depth;
    // resolve, started from the same item, has the same limit.
    Image image = b.image();
    Leaf leaf{};
    EXPECT_EQ(resolve(image, 1, nullptr, b.items[0].word0, b.items[0].word1, &leaf),
              depth <= kMaxWalkDepth ? DB_OK : DB_ERROR)
        << depth;
    // And so does the walk the tool watches.
    WatchingObserver watching;
    uint32_t root = 0;
    ASSERT_EQ(find_root_item(image, 1, &root), DB_OK);
    EXPECT_EQ(observe_walk(image, 1, nullptr, root, &leaf, &watching),
              depth <= kMaxWalkDepth ? DB_OK : DB_ERROR)
        << depth;
  }
}

// select on selector 2: branch 7 -> leaf 1 {70}, a plain child, branch 0xFFFF
// (the largest tag) -> leaf 1 {80}.
ImageBuilder SelectImage() {
  ImageBuilder b;
  uint32_t select = b.reserve(1);
  uint32_t kids = b.reserve(3);
  uint32_t l70 = b.int8_leaf(1, {70});
  uint32_t l80 = b.int8_leaf(1, {80});
  b.set(select, ITEM_SELECT, kids, 2, 3);
  b.set(kids, ITEM_BRANCH, l70, 7, 1);
  b.set(kids + 1, ITEM_SEQUENCE, l80 + 1, 0, 0);  // a non-branch child, walked always
  b.set(kids + 2, ITEM_BRANCH, l80, 0xFFFF, 1);
  b.root(1, select);
  return b;
}

int8_t LeafValue(const ImageBuilder& b, const Leaf& leaf) {
  return static_cast<int8_t>(b.byte_pool[item_offset(leaf.word0)]);
}

TEST(SelectTest, TakesOnlyTheBranchOfTheSelectorValue) {
  ImageBuilder b = SelectImage();
  struct Row {
    uint32_t selector;
    int32_t result;
    int8_t value;
  } rows[] = {{7, DB_OK, 70},
              {0xFFFF, DB_OK, 80},
              {8, DB_NOT_FOUND, 0},
              {0xFFFE, DB_NOT_FOUND, 0},
              {0x10000, DB_NOT_FOUND, 0},
              {0x1FFFF, DB_NOT_FOUND, 0},
              {0x10007, DB_NOT_FOUND, 0}};
  for (const Row& row : rows) {
    QueryContext c = QueryContext::of({0, 0, row.selector});
    Leaf leaf{};
    ASSERT_EQ(Walk(b, 1, &c.ctx, &leaf), row.result) << row.selector;
    if (row.result == DB_OK) {
      EXPECT_EQ(LeafValue(b, leaf), row.value);
    }
  }
}

TEST(SelectTest, BranchNeedsTheSelector) {
  ImageBuilder b = SelectImage();
  EXPECT_EQ(Walk(b, 1, nullptr), DB_NO_SELECTOR);
  QueryContext two = QueryContext::of({0, 0});
  EXPECT_EQ(Walk(b, 1, &two.ctx), DB_NO_SELECTOR);
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = 10;  // a count without an array holds nothing
  EXPECT_EQ(Walk(b, 1, &ctx), DB_NO_SELECTOR);
}

// A selector switch on selector 1 with the given cases; targets are leaves of id 1
// whose value is the case position, except where `empty` names a case leading
// to a subtree without a leaf for id 1.
struct SwitchImage {
  ImageBuilder b;
  uint32_t sw;
};

SwitchImage SelectorSwitch(uint8_t switch_kind, uint32_t mask_word) {
  SwitchImage s;
  ImageBuilder& b = s.b;
  s.sw = b.reserve(1);
  uint32_t mask = switch_kind == ITEM_SWITCH_MASKED ? b.reserve(1) : 0;
  uint32_t cases = b.reserve(4);
  uint32_t l0 = b.int8_leaf(1, {10});
  b.int8_leaf(1, {11});
  uint32_t other = b.int8_leaf(2, {12});  // answers another id only
  b.int8_leaf(1, {13});
  uint32_t bounds = b.i32({-5, 5});
  b.set_raw(cases, ITEM_CASE, l0, 0x00800000);
  b.set_raw(cases + 1, ITEM_CASE_RANGE, l0 + 1, bounds);
  b.set_raw(cases + 2, ITEM_CASE, other, 100);
  b.set_raw(cases + 3, ITEM_DEFAULT, other + 1, 0);
  if (switch_kind == ITEM_SWITCH_MASKED) {
    b.set_raw(mask, ITEM_MASK, cases, mask_word);
    b.set(s.sw, ITEM_SWITCH_MASKED, mask, 1, 4);
  } else {
    b.set(s.sw, ITEM_SWITCH_SELECTOR, cases, 1, 4);
  }
  b.root(1, s.sw);
  return s;
}

TEST(SwitchTest, SelectorSwitchCases) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_SELECTOR, 0);
  struct Row {
    uint32_t value;
    int32_t result;
    int8_t answer;
  } rows[] = {
      {0x00800000, DB_OK, 10},
      {static_cast<uint32_t>(-5), DB_OK, 11},  // range bounds are signed and inclusive
      {5, DB_OK, 11},
      {0, DB_OK, 11},
      {6, DB_OK, 13},                          // default
      {static_cast<uint32_t>(-6), DB_OK, 13},  // default
      {100, DB_NOT_FOUND, 0},  // matched case has no leaf: the later default is not tried
  };
  for (const Row& row : rows) {
    QueryContext c = QueryContext::of({0, row.value});
    Leaf leaf{};
    ASSERT_EQ(Walk(s.b, 1, &c.ctx, &leaf), row.result) << row.value;
    if (row.result == DB_OK) {
      EXPECT_EQ(LeafValue(s.b, leaf), row.answer) << row.value;
    }
  }
}

TEST(SwitchTest, SelectorSwitchContextChecks) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_SELECTOR, 0);
  EXPECT_EQ(Walk(s.b, 1, nullptr), DB_ERROR);
  QueryContext one = QueryContext::of({0});
  EXPECT_EQ(Walk(s.b, 1, &one.ctx), DB_NO_SELECTOR);
}

TEST(SwitchTest, MaskedSwitchAppliesTheMask) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_MASKED, 0x00800000);
  QueryContext on = QueryContext::of({0, 0xFFFFFFFF});
  Leaf leaf{};
  ASSERT_EQ(Walk(s.b, 1, &on.ctx, &leaf), DB_OK);
  EXPECT_EQ(LeafValue(s.b, leaf), 10);
  QueryContext off = QueryContext::of({0, 0xFF7FFFFF});  // masked to 0: the range case
  ASSERT_EQ(Walk(s.b, 1, &off.ctx, &leaf), DB_OK);
  EXPECT_EQ(LeafValue(s.b, leaf), 11);
}

TEST(SwitchTest, MaskedSwitchWithoutMaskIsError) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_MASKED, 0x00800000);
  s.b.set(s.sw + 1, ITEM_CASE, 0, 0, 0);  // the first child is no longer a mask
  QueryContext c = QueryContext::of({0, 0});
  EXPECT_EQ(Walk(s.b, 1, &c.ctx), DB_ERROR);
}

TEST(SwitchTest, RangeBoundsMustBothLieInThePool) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_SELECTOR, 0);
  QueryContext c = QueryContext::of({0, 3});
  s.b.i32_pool.resize(1);  // the upper bound is gone
  EXPECT_EQ(Walk(s.b, 1, &c.ctx), DB_ERROR);
  s.b.i32_pool.clear();
  EXPECT_EQ(Walk(s.b, 1, &c.ctx), DB_ERROR);
}

TEST(SwitchTest, BadCaseKindOrTargetIsError) {
  SwitchImage s = SelectorSwitch(ITEM_SWITCH_SELECTOR, 0);
  QueryContext c = QueryContext::of({0, 6});
  s.b.set_raw(s.sw + 1, ITEM_CASE, 999, 6);  // target beyond the table
  EXPECT_EQ(Walk(s.b, 1, &c.ctx), DB_ERROR);
  s.b.set_raw(s.sw + 1, ITEM_SEQUENCE, 0, 6);  // not a case kind
  EXPECT_EQ(Walk(s.b, 1, &c.ctx), DB_ERROR);
}

// String switch on match string 1 with cases "CIR", "CI", "" and a default.
ImageBuilder StringSwitch(bool with_default) {
  ImageBuilder b;
  uint32_t sw = b.reserve(1);
  uint32_t cases = b.reserve(4);
  uint32_t texts = b.reserve(3);
  uint32_t leaves = b.int8_leaf(1, {0});
  b.int8_leaf(1, {1});
  b.int8_leaf(1, {2});
  b.int8_leaf(1, {3});
  b.set(texts, ITEM_BYTES, b.match("CIR"), 0, 3);
  b.set(texts + 1, ITEM_BYTES, b.match("CI"), 0, 2);
  b.set(texts + 2, ITEM_BYTES, 0, 0, 0);
  for (uint32_t i = 0; i < 3; ++i) b.set_raw(cases + i, ITEM_CASE_STRING, leaves + i, texts + i);
  b.set_raw(cases + 3, ITEM_DEFAULT, leaves + 3, 0);
  b.set(sw, ITEM_SWITCH_STRING, cases, 1, with_default ? 4 : 2);
  b.root(1, sw);
  return b;
}

TEST(StringSwitchTest, MatchesWholeTextCaseSensitively) {
  ImageBuilder b = StringSwitch(true);
  struct Row {
    const char* text;
    int8_t answer;
  } rows[] = {{"CIR", 0}, {"CI", 1}, {"", 2}, {nullptr, 2}, {"cir", 3}, {"CIRX", 3}, {"C", 3}};
  for (const Row& row : rows) {
    QueryContext c = QueryContext::of({}, {"unused", row.text});
    Leaf leaf{};
    ASSERT_EQ(Walk(b, 1, &c.ctx, &leaf), DB_OK) << (row.text ? row.text : "(null)");
    EXPECT_EQ(LeafValue(b, leaf), row.answer) << (row.text ? row.text : "(null)");
  }
}

TEST(StringSwitchTest, MissingMatchStringAndNoMatch) {
  ImageBuilder b = StringSwitch(false);
  QueryContext one = QueryContext::of({}, {"CIR"});  // cStrings equal to the tag
  EXPECT_EQ(Walk(b, 1, &one.ctx), DB_NO_MATCH_STRING);
  EXPECT_EQ(Walk(b, 1, nullptr), DB_NO_MATCH_STRING);
  QueryContext two = QueryContext::of({}, {"CIR", "XYZ"});
  EXPECT_EQ(Walk(b, 1, &two.ctx), DB_NOT_FOUND);
}

TEST(StringSwitchTest, BadCaseTextIsError) {
  QueryContext c = QueryContext::of({}, {"", "CIR"});
  ImageBuilder b = StringSwitch(true);
  b.match_pool.resize(2);  // "CIR" runs past the pool
  EXPECT_EQ(Walk(b, 1, &c.ctx), DB_ERROR);
  b = StringSwitch(true);
  b.items[1 + 4].word0 = make_word0(ITEM_INT8, 0);  // case text is not ITEM_BYTES
  EXPECT_EQ(Walk(b, 1, &c.ctx), DB_ERROR);
  b = StringSwitch(true);
  b.items[1].word1 = 9999;  // case text index beyond the table
  EXPECT_EQ(Walk(b, 1, &c.ctx), DB_ERROR);
}

// A later case text is checked as the first one is, even though the string
// is compared with it only when the earlier ones do not match.
TEST(StringSwitchTest, BadLaterCaseTextIsError) {
  enum Fault { kIndex, kKind, kPlace };
  for (Fault fault : {kIndex, kKind, kPlace}) {
    ImageBuilder b = StringSwitch(true);
    Item& second_case = b.items[2];
    Item& second_text = b.items[6];
    if (fault == kIndex) second_case.word1 = 9999;
    if (fault == kKind) second_text.word0 = make_word0(ITEM_INT8, 0);
    if (fault == kPlace) second_text.word0 = make_word0(ITEM_BYTES, 1000);
    QueryContext matches_first = QueryContext::of({}, {"", "CIR"});
    EXPECT_EQ(Walk(b, 1, &matches_first.ctx), DB_OK) << "fault " << fault;
    QueryContext passes_first = QueryContext::of({}, {"", "XYZ"});
    EXPECT_EQ(Walk(b, 1, &passes_first.ctx), DB_ERROR) << "fault " << fault;
  }
}

// What is checked before the match string is asked for, and what after.
TEST(StringSwitchTest, FirstCaseTextIsCheckedBeforeTheMatchString) {
  ImageBuilder b = StringSwitch(true);
  b.items[5].word0 = make_word0(ITEM_INT8, 0);  // first case text is not ITEM_BYTES
  EXPECT_EQ(Walk(b, 1, nullptr), DB_ERROR);

  ImageBuilder ok = StringSwitch(true);
  Image image = ok.image();
  image.match_pool = nullptr;  // the pool is needed only once a string is compared
  Leaf leaf{};
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_NO_MATCH_STRING);
  QueryContext c = QueryContext::of({}, {"", "CIR"});
  EXPECT_EQ(find_root(image, 1, &c.ctx, &leaf), DB_ERROR);
}

// Faults only hand-built images hold, each against the result the walk
// must give: the first matching check decides, before any later one.
TEST(WalkFaultTest, WhatOnlyOtherImagesReach) {
  struct Case {
    const char* what;
    std::function<uint32_t(ImageBuilder&)> build;  // returns the root of id 1
    std::vector<uint32_t> selectors;               // the context's selectors
    bool null_context;
    int32_t result;
  };
  // A masked switch on selector 2 whose mask is item `mask_at`.
  auto masked = [](uint32_t mask_at) {
    return [mask_at](ImageBuilder& b) {
      uint32_t sw = b.add(ITEM_SWITCH_MASKED, mask_at, 2, 1);
      b.add_raw(ITEM_MASK, sw + 2, 0xFF);
      b.add_raw(ITEM_DEFAULT, sw + 3, 0);
      b.int8_leaf(1, {1});
      return sw;
    };
  };
  // A numeric switch on selector 0 whose one case is of `kind`.
  auto one_case = [](uint8_t kind) {
    return [kind](ImageBuilder& b) {
      uint32_t sw = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 1);
      b.add_raw(kind, 2, 0);
      b.int8_leaf(1, {1});
      return sw;
    };
  };
  // A string switch on match string 0 whose first case is of `first_kind`.
  auto strings = [](uint8_t first_kind) {
    return [first_kind](ImageBuilder& b) {
      uint32_t sw = b.add(ITEM_SWITCH_STRING, 1, 0, 1);
      b.add_raw(first_kind, 3, 2);
      b.add(ITEM_BYTES, b.match("A"), 0, 1);
      b.int8_leaf(1, {1});
      return sw;
    };
  };
  const Case cases[] = {
      {"masked switch, null context", masked(1), {}, true, DB_ERROR},
      {"masked switch, too few selectors", masked(1), {0, 0}, false, DB_NO_SELECTOR},
      {"masked switch, mask beyond the table", masked(50), {0, 0, 0}, false, DB_ERROR},
      {"select child beyond the table",
       [](ImageBuilder& b) {
         uint32_t select = b.add(ITEM_SELECT, 1, 0, 2);
         b.add(ITEM_BRANCH, 3, 5, 1);  // for another value: passed over
         return select;
       },
       {0},
       false,
       DB_ERROR},
      {"mask as a case of a numeric switch", one_case(ITEM_MASK), {0}, false, DB_ERROR},
      {"string case in a numeric switch", one_case(ITEM_CASE_STRING), {0}, false, DB_ERROR},
      {"string switch opening with a default, null context",
       strings(ITEM_DEFAULT),
       {},
       true,
       DB_OK},
      {"string switch opening with a value case", strings(ITEM_CASE), {}, true, DB_ERROR},
      {"string switch whose cases lie beyond the table",
       [](ImageBuilder& b) { return b.add(ITEM_SWITCH_STRING, 60, 0, 2); },
       {},
       true,
       DB_ERROR},
      {"string switch whose last case lies beyond the table",
       [](ImageBuilder& b) {
         uint32_t text = b.add(ITEM_BYTES, b.match("A"), 0, 1);
         uint32_t leaf = b.int8_leaf(1, {1});
         uint32_t sw = b.add(ITEM_SWITCH_STRING, text + 3, 0, 3);
         b.add_raw(ITEM_CASE_STRING, leaf, text);  // "A" against "B": passed over
         b.add_raw(ITEM_CASE_STRING, leaf, text);  // the same; the third lies beyond
         return sw;
       },
       {},
       false,
       DB_ERROR},
      {"root index of no slots",
       [](ImageBuilder& b) { return b.int8_leaf(1, {1}); },
       {},
       true,
       DB_ERROR},
  };
  for (const Case& c : cases) {
    ImageBuilder b;
    b.root(1, c.build(b));
    Image image = b.image();
    if (std::string(c.what) == "root index of no slots") image.root_count = 0;
    QueryContext ctx = QueryContext::of(c.selectors, {"B"});
    Leaf leaf{};
    EXPECT_EQ(find_root(image, 1, c.null_context ? nullptr : &ctx.ctx, &leaf), c.result) << c.what;
  }
}

// A range case whose bounds index is the pool's last entry: the upper bound
// lies beyond the pool.
TEST(WalkFaultTest, RangeBoundsAtThePoolsLastEntry) {
  ImageBuilder b;
  uint32_t sw = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 1);
  b.i32({-5, 5, 7});
  b.add_raw(ITEM_CASE_RANGE, 2, 2);
  b.int8_leaf(1, {1});
  b.root(1, sw);
  QueryContext c = QueryContext::of({3});
  EXPECT_EQ(Walk(b, 1, &c.ctx), DB_ERROR);
  b.items[1].word1 = 1;  // bounds 5 and 7
  EXPECT_EQ(Walk(b, 1, &c.ctx), DB_NOT_FOUND);
}

TEST(WalkFaultTest, ResolveWithoutAnItemTable) {
  ImageBuilder b;
  uint32_t leaf_item = b.int8_leaf(1, {1});
  Image image = b.image();
  image.items = nullptr;
  Leaf leaf{};
  EXPECT_EQ(resolve(image, 1, nullptr, b.items[leaf_item].word0, b.items[leaf_item].word1, &leaf),
            DB_ERROR);
}

// A match string longer than any case text can be is counted only that far.
TEST(WalkFaultTest, MatchStringLongerThanAnyText) {
  ImageBuilder b = StringSwitch(true);
  std::string huge(70000, 'C');
  QueryContext c = QueryContext::of({}, {"", huge.c_str()});
  Leaf leaf{};
  ASSERT_EQ(Walk(b, 1, &c.ctx, &leaf), DB_OK);
  EXPECT_EQ(LeafValue(b, leaf), 3);  // the default
}

// The visit budget of an image too large for four visits per item is the
// largest count; its walks go on as in any other image.
TEST(WalkFaultTest, BudgetOfAHugeImage) {
  ImageBuilder b;
  uint32_t leaf_item = b.int8_leaf(1, {1});
  b.root(1, leaf_item);
  Image image = b.image();
  image.item_count = 0x40000000u;  // only the first item is ever read
  Leaf leaf{};
  EXPECT_EQ(find_root(image, 1, nullptr, &leaf), DB_OK);
}

// The visit budget at its limits: 4 per item and 64 more, never wrapping.
TEST(WalkFaultTest, BudgetBounds) {
  const std::pair<uint32_t, uint32_t> rows[] = {
      {0, 64},
      {1, 68},
      {(0xFFFFFFFFu - 64) / 4, 4 * ((0xFFFFFFFFu - 64) / 4) + 64},
      {(0xFFFFFFFFu - 64) / 4 + 1, 0xFFFFFFFFu},
      {0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (auto [items, budget] : rows) EXPECT_EQ(walk_internal::walk_budget(items), budget) << items;
}

TEST(EqualCountedTest, ComparesCountedBytes) {
  EXPECT_EQ(equal_counted("abc", "abd", 2), 1);
  EXPECT_EQ(equal_counted("abc", "abd", 3), 0);
  EXPECT_EQ(equal_counted("xbc", "abc", 3), 0);  // the first byte counts too
  EXPECT_EQ(equal_counted(nullptr, "a", 0), 1);
  EXPECT_EQ(equal_counted(nullptr, "a", 1), 0);
  EXPECT_EQ(equal_counted("a", nullptr, 1), 0);
}

}  // namespace
}  // namespace orv
