// The forked walk against the single walk it stands for: every value of a
// fork ends with the result and leaf that a walk with that value in the
// selector gives, on hand-built trees that fork at selects, switches and
// masked switches, fail for some values only, or run out of budget or depth
// for some; and on every tree of the built-in image.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/resolver.h"
#include "support/forked_walks.h"
#include "support/image_builder.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::expect_fork_as_single_walks;
using testing::ImageBuilder;

// The visit budget of a walk over an image of `items` items.
uint32_t walk_budget_of(size_t items) { return 4 * static_cast<uint32_t>(items) + 64; }

// Values at and around every case of the trees below, and at the limits of
// each width.
const std::vector<uint32_t> kValues = {
    0,          1,          2,          5,          6,          7,          8,        9,
    100,        255,        256,        0xFFFF,     0x10000,    0x10007,    0x7FFFFF, 0x00800000,
    0xFF7FFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFA, 0xFFFFFFFB, 0xFFFFFFFF, 7,        8};

TEST(ForkedWalkTest, SelectHandsEachValueItsBranchesInOrder) {
  // select on selector 2: branch 7 -> sequence [leaf 2, switch on 3], a plain
  // child walked for every value, branch 8 -> leaf 1, branch 7 again -> leaf 1.
  ImageBuilder b;
  uint32_t select = b.reserve(1);
  uint32_t kids = b.reserve(4);
  uint32_t seven = b.reserve(2);
  uint32_t case4 = b.reserve(1);
  uint32_t l70 = b.int8_leaf(1, {70});
  uint32_t l80 = b.int8_leaf(1, {80});
  uint32_t l77 = b.int8_leaf(1, {77});
  b.set(seven, ITEM_INT8, b.bytes({2}), 2, 1);
  b.set(seven + 1, ITEM_SWITCH_SELECTOR, case4, 3, 1);
  b.set_raw(case4, ITEM_CASE, l70, 4);
  b.set(select, ITEM_SELECT, kids, 2, 4);
  b.set(kids, ITEM_BRANCH, seven, 7, 2);
  b.set(kids + 1, ITEM_SEQUENCE, 0, 0, 0);
  b.set(kids + 2, ITEM_BRANCH, l80, 8, 1);
  b.set(kids + 3, ITEM_BRANCH, l77, 7, 1);
  b.root(1, select);
  b.root(2, select);
  const Image image = b.image();
  for (uint32_t on : {0u, 4u}) {  // the nested switch on 3 answers, or not
    expect_fork_as_single_walks(image, {1}, 2, {0, 0, 0, on}, kValues, "select, id 1");
    expect_fork_as_single_walks(image, {2}, 2, {0, 0, 0, on}, kValues, "select, id 2");
    expect_fork_as_single_walks(image, {1, 2}, 2, {0, 0, 0, on}, kValues, "select, ids 1, 2");
    expect_fork_as_single_walks(image, {2, 1, 3}, 2, {0, 0, 0, on}, kValues, "select, 3 ids");
  }
  // Without the selector the first branch met answers DB_NO_SELECTOR for all.
  expect_fork_as_single_walks(image, {1}, 2, {0, 0}, kValues, "select, two selectors");
  // A fork on another selector walks the select once, with the context's value.
  expect_fork_as_single_walks(image, {1}, 3, {0, 0, 8, 0}, kValues, "select, other selector");
}

// A numeric switch on selector 1 (masked with `mask` when it is not 0) over
// the cases of the single walk's tests, plus a nested switch on the same
// selector under the default.
ImageBuilder numeric_switch(uint32_t mask) {
  ImageBuilder b;
  uint32_t sw = b.reserve(1);
  uint32_t mask_item = mask != 0 ? b.reserve(1) : 0;
  uint32_t cases = b.reserve(4);
  uint32_t l10 = b.int8_leaf(1, {10});
  uint32_t l11 = b.int8_leaf(1, {11});
  uint32_t other = b.int8_leaf(2, {12});  // answers another id only
  uint32_t inner = b.reserve(1);
  uint32_t inner_cases = b.reserve(2);
  b.set(inner, ITEM_SWITCH_SELECTOR, inner_cases, 1, 2);
  b.set_raw(inner_cases, ITEM_CASE, l11, 0xFFFFFFFF);
  b.set_raw(inner_cases + 1, ITEM_DEFAULT, b.int8_leaf(1, {13}), 0);
  uint32_t bounds = b.i32({-5, 5});
  b.set_raw(cases, ITEM_CASE, l10, 0x00800000);
  b.set_raw(cases + 1, ITEM_CASE_RANGE, l11, bounds);
  b.set_raw(cases + 2, ITEM_CASE, other, 100);
  b.set_raw(cases + 3, ITEM_DEFAULT, inner, 0);
  if (mask != 0) {
    b.set_raw(mask_item, ITEM_MASK, cases, mask);
    b.set(sw, ITEM_SWITCH_MASKED, mask_item, 1, 4);
  } else {
    b.set(sw, ITEM_SWITCH_SELECTOR, cases, 1, 4);
  }
  b.root(1, sw);
  return b;
}

TEST(ForkedWalkTest, SwitchHandsEachValueItsFirstMatchingCase) {
  for (uint32_t mask : {0u, 0x00800000u, 0xFFFFFFF0u}) {
    ImageBuilder b = numeric_switch(mask);
    const Image image = b.image();
    std::string what = "switch, mask " + std::to_string(mask);
    expect_fork_as_single_walks(image, {1}, 1, {0, 0}, kValues, what);
    expect_fork_as_single_walks(image, {1}, 1, {0}, kValues, what + ", one selector");
    expect_fork_as_single_walks(image, {1}, 0, {0, 6}, kValues, what + ", other selector");
    // A range case whose bounds left the pool fails the values that reach it.
    b.i32_pool.resize(1);
    expect_fork_as_single_walks(b.image(), {1}, 1, {0, 0}, kValues, what + ", no upper bound");
  }
}

TEST(ForkedWalkTest, FaultsEndOnlyTheValuesThatMeetThem) {
  // Cases 1 -> leaf, a sequence where a case belongs (an error for every
  // value that scans up to it), 3 -> leaf.
  ImageBuilder b;
  uint32_t sw = b.reserve(1);
  uint32_t cases = b.reserve(3);
  uint32_t leaf = b.int8_leaf(1, {1});
  b.set_raw(cases, ITEM_CASE, leaf, 1);
  b.set_raw(cases + 1, ITEM_SEQUENCE, leaf, 2);
  b.set_raw(cases + 2, ITEM_CASE, leaf, 3);
  b.set(sw, ITEM_SWITCH_SELECTOR, cases, 0, 3);
  b.root(1, sw);
  expect_fork_as_single_walks(b.image(), {1}, 0, {0}, {1, 2, 3, 1, 0}, "bad case");

  // A case whose target lies beyond the table, taken by one value only.
  ImageBuilder t;
  uint32_t sw2 = t.add(ITEM_SWITCH_SELECTOR, 1, 0, 2);
  t.add_raw(ITEM_CASE, 999, 4);
  t.add_raw(ITEM_DEFAULT, sw2 + 3, 0);
  t.int8_leaf(1, {1});
  t.root(1, sw2);
  expect_fork_as_single_walks(t.image(), {1}, 0, {0}, {4, 5, 4, 6}, "target beyond the table");
}

TEST(ForkedWalkTest, BudgetAndDepthAreEachValuesOwn) {
  // Value 1 finds a leaf at once; value 2 enters subtrees shared over and
  // over (item k a sequence over k + 1 and k + 2), past its visit budget;
  // value 3 enters a chain of sequences deeper than the depth limit; value
  // 4 meets the shared subtrees before a leaf it must not reach.
  ImageBuilder b;
  uint32_t sw = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 4);
  uint32_t cases = b.reserve(4);
  uint32_t leaf = b.int8_leaf(1, {1});
  uint32_t shared = static_cast<uint32_t>(b.items.size());
  for (uint32_t k = 0; k < 40; ++k) b.add(ITEM_SEQUENCE, shared + k + 1, 0, 2);
  b.int8_leaf(2, {0});
  b.int8_leaf(2, {0});
  uint32_t chain = static_cast<uint32_t>(b.items.size());
  for (int i = 0; i < kMaxWalkDepth + 2; ++i) b.add(ITEM_SEQUENCE, chain + i + 1, 0, 1);
  b.int8_leaf(1, {3});
  uint32_t then_leaf = b.add(ITEM_SEQUENCE, shared + 1, 0, 2);  // as `shared`
  b.int8_leaf(1, {4});
  uint32_t late = b.add(ITEM_SEQUENCE, then_leaf, 0, 2);
  b.set_raw(cases, ITEM_CASE, leaf, 1);
  b.set_raw(cases + 1, ITEM_CASE, shared, 2);
  b.set_raw(cases + 2, ITEM_CASE, chain, 3);
  b.set_raw(cases + 3, ITEM_CASE, late, 4);
  b.root(1, sw);
  expect_fork_as_single_walks(b.image(), {1}, 0, {0}, {1, 2, 3, 4, 1, 2, 3, 4, 5},
                              "budget and depth");
  expect_fork_as_single_walks(b.image(), {1}, 0, {0}, {4}, "budget, one value");
}

TEST(ForkedWalkTest, WalksWithinTheirOwnBudgetsButNotTogether) {
  // Values 1 and 2 each enter a subtree of shared sequences (each item a
  // sequence over the next one twice) that takes about 2000 visits; the
  // image is padded so that the budget lies between one and two of them.
  // The fork parts at a switch (each value's group walked in the order the
  // values come) or at a select (in the order of its branches).
  for (uint8_t kind : {uint8_t{ITEM_SWITCH_SELECTOR}, uint8_t{ITEM_SELECT}}) {
    const bool select = kind == ITEM_SELECT;
    ImageBuilder b;
    uint32_t top = b.add(kind, 1, 0, 2);
    uint32_t children = b.reserve(2);
    uint32_t trees[2];
    for (uint32_t& tree : trees) {
      tree = static_cast<uint32_t>(b.items.size());
      for (uint32_t k = 0; k < 14; ++k) b.add(ITEM_SEQUENCE, tree + k + 1, 0, 2);
      b.add(ITEM_SEQUENCE, 0, 0, 0);
      b.add(ITEM_SEQUENCE, 0, 0, 0);
      b.int8_leaf(1, {7});
    }
    for (uint16_t k = 0; k < 2; ++k) {
      if (select) {
        b.set(children + k, ITEM_BRANCH, trees[k], k + 1, 1);
      } else {
        b.set_raw(children + k, ITEM_CASE, trees[k], k + 1u);
      }
    }
    b.root(1, top);
    while (walk_budget_of(b.items.size() + 1) < 3000) b.add(ITEM_SEQUENCE, 0, 0, 0);
    const Image image = b.image();
    const std::string what = select ? "shared budget, select" : "shared budget, switch";
    expect_fork_as_single_walks(image, {1}, 0, {0}, {1, 2, 1, 3}, what);
    // The first walk cut short, and a full fork, each walked again alone.
    expect_fork_as_single_walks(image, {1}, 0, {0}, {2, 1}, what + ", 2 first");
    std::vector<uint32_t> full(kForkWidth, 1);
    full.front() = 2;
    full.back() = 2;
    expect_fork_as_single_walks(image, {1}, 0, {0}, full, what + ", a full fork");
  }
}

// Chains of switches on another selector, each case leading to the next,
// ending in the select on the forked selector: around the depth limit the
// fork fails exactly where the single walk does.
TEST(ForkedWalkTest, SwitchChainsAroundTheDepthLimit) {
  std::vector<int32_t> seen;
  for (int length = kMaxWalkDepth - 3; length <= kMaxWalkDepth + 1; ++length) {
    ImageBuilder b;
    uint32_t leaves = b.int8_leaf(1, {1});
    b.int8_leaf(1, {2});
    uint32_t select = b.add(ITEM_SELECT, leaves + 3, 0, 2);
    b.add(ITEM_BRANCH, leaves, 1, 1);
    b.add(ITEM_BRANCH, leaves + 1, 2, 1);
    uint32_t chain = static_cast<uint32_t>(b.items.size());
    for (int i = 0; i < length; ++i) {
      uint32_t at = static_cast<uint32_t>(b.items.size());
      b.add(ITEM_SWITCH_SELECTOR, at + 1, 1, 1);
      b.add_raw(ITEM_DEFAULT, i + 1 < length ? at + 2 : select, 0);
    }
    b.root(1, chain);
    const Image image = b.image();
    expect_fork_as_single_walks(image, {1}, 0, {0, 0}, {1, 2, 3},
                                "a chain of " + std::to_string(length));
    testing::QueryContext c = testing::QueryContext::of({1, 0});
    Leaf leaf{};
    seen.push_back(find_root(image, 1, &c.ctx, &leaf));
  }
  // The limit lies inside the lengths tried: the shortest answers, the longest fails.
  EXPECT_EQ(seen.front(), DB_OK);
  EXPECT_EQ(seen.back(), DB_ERROR);
}

// Trees cut short by the table's end, a selector value too wide for a tag,
// selectors the context lacks, a last case that does not match, and no
// context at all: each value fails or answers as its own walk does.
TEST(ForkedWalkTest, TreesCutShortOrLackingASelector) {
  std::vector<std::pair<std::string, ImageBuilder>> trees;
  {  // a sequence of 3 children, 1 inside the table (a leaf of another id)
    ImageBuilder b;
    b.root(1, b.add(ITEM_SEQUENCE, 1, 0, 3));
    b.int8_leaf(2, {1});
    trees.emplace_back("sequence cut short", std::move(b));
  }
  {  // a select on 1 of 3 children, 2 inside: a branch for 5, a leaf of another id
    ImageBuilder b;
    b.root(1, b.add(ITEM_SELECT, 1, 1, 3));
    b.add(ITEM_BRANCH, 2, 5, 1);
    b.int8_leaf(2, {1});
    trees.emplace_back("select cut short", std::move(b));
  }
  {  // a switch on 1 of 3 cases, 1 inside: 9 -> leaf
    ImageBuilder b;
    uint32_t leaf = b.int8_leaf(1, {9});
    b.root(1, b.add(ITEM_SWITCH_SELECTOR, leaf + 2, 1, 3));
    b.add_raw(ITEM_CASE, leaf, 9);
    trees.emplace_back("switch cut short", std::move(b));
  }
  {  // a masked switch on 1 whose mask item is a leaf
    ImageBuilder b;
    uint32_t leaf = b.int8_leaf(1, {3});
    b.root(1, b.add(ITEM_SWITCH_MASKED, leaf, 1, 1));
    trees.emplace_back("masked switch without its mask", std::move(b));
  }
  {  // a switch on 1 whose last case is the range -5..5
    ImageBuilder b;
    uint32_t leaf = b.int8_leaf(1, {5});
    uint32_t bounds = b.i32({-5, 5});
    b.root(1, b.add(ITEM_SWITCH_SELECTOR, leaf + 2, 1, 2));
    b.add_raw(ITEM_CASE, leaf, 100);
    b.add_raw(ITEM_CASE_RANGE, leaf, bounds);
    trees.emplace_back("range last", std::move(b));
  }
  for (auto& [name, b] : trees) {
    const Image image = b.image();
    expect_fork_as_single_walks(image, {1}, 1, {0, 0}, kValues, name + ", forked on 1");
    expect_fork_as_single_walks(image, {1}, 0, {0, 5}, kValues, name + ", 1 = 5");
    expect_fork_as_single_walks(image, {1}, 0, {0, 0x10000}, kValues, name + ", 1 too wide");
    expect_fork_as_single_walks(image, {1}, 0, {0}, kValues, name + ", no selector 1");
    expect_fork_as_single_walks(image, {1}, 1, {}, kValues, name + ", no selectors");

    // No context: the forked walk ends each value as the single walk does.
    uint32_t root = 0;
    ASSERT_EQ(find_root_item(image, 1, &root), DB_OK);
    testing::expect_fork_without_context_as_single_walk(image, root, 1, name);
  }
}

// String switches under a forked select: a text that matches, a default
// first, a value case or a case text that is no text where a string case
// belongs, each met by some values only, with and without match strings.
TEST(ForkedWalkTest, StringSwitchesUnderAFork) {
  ImageBuilder b;
  uint32_t select = b.reserve(1);
  uint32_t kids = b.reserve(4);
  uint32_t sw = b.reserve(4);
  uint32_t cases = b.reserve(5);
  uint32_t texts = b.reserve(2);
  uint32_t leaf = b.int8_leaf(1, {1});
  b.int8_leaf(1, {2});
  b.int8_leaf(1, {3});
  b.set(texts, ITEM_BYTES, b.match("CI"), 0, 2);
  b.set(texts + 1, ITEM_BYTES, 0, 0, 0);
  // Value 1: "CI", "" or nothing; value 2: a default first; value 3: a
  // value case; value 4: a case text that is a leaf.
  b.set_raw(cases, ITEM_CASE_STRING, leaf, texts);
  b.set_raw(cases + 1, ITEM_CASE_STRING, leaf + 1, texts + 1);
  b.set_raw(cases + 2, ITEM_DEFAULT, leaf + 2, 0);
  b.set_raw(cases + 3, ITEM_CASE, leaf, 7);
  b.set_raw(cases + 4, ITEM_CASE_STRING, leaf, leaf);
  b.set(sw, ITEM_SWITCH_STRING, cases, 0, 2);
  b.set(sw + 1, ITEM_SWITCH_STRING, cases + 2, 0, 1);
  b.set(sw + 2, ITEM_SWITCH_STRING, cases + 3, 0, 1);
  b.set(sw + 3, ITEM_SWITCH_STRING, cases + 4, 0, 1);
  for (uint16_t k = 0; k < 4; ++k) b.set(kids + k, ITEM_BRANCH, sw + k, k + 1, 1);
  b.set(select, ITEM_SELECT, kids, 0, 4);
  b.root(1, select);
  const Image image = b.image();
  const std::vector<uint32_t> values = {1, 2, 3, 4, 5, 0, 1};
  const std::vector<std::vector<const char*>> strings = {{"CI"}, {"C"}, {""}, {nullptr}, {}};
  for (const auto& s : strings) {
    std::string what = "string " + std::string(s.empty() ? "none" : s[0] ? s[0] : "null");
    expect_fork_as_single_walks(image, {1}, 0, {0}, values, what, s);
  }
}

// A string switch at the root of a forked walk, damaged or cut short in each
// way the single walk checks, met with texts that differ from a case in
// length, first byte or tail, with too few match strings, and with none.
TEST(ForkedWalkTest, StringSwitchesCutShortOrDamaged) {
  struct Tree {
    std::string name;
    ImageBuilder b;
    uint32_t root = 0;  // the switch
  };
  // Items: 0 the switch on match string `index`, then its cases from 1.
  auto string_switch = [](uint16_t index, uint16_t count) {
    ImageBuilder b;
    b.add(ITEM_SWITCH_STRING, 1, index, count);
    return b;
  };
  // A case leading to a new leaf answering `value`, on text item `text`.
  auto string_case = [](ImageBuilder& b, uint32_t at, uint32_t text, int8_t value) {
    b.set_raw(at, ITEM_CASE_STRING, static_cast<uint32_t>(b.items.size()), text);
    b.int8_leaf(1, {value});
  };
  auto text_item = [](ImageBuilder& b, const std::string& s) {
    uint32_t offset = b.match(s);
    return b.add(ITEM_BYTES, offset, 0, static_cast<uint16_t>(s.size()));
  };
  std::vector<Tree> trees;
  {
    // No cases, though a default lies just after the switch.
    Tree t{"no cases", string_switch(0, 0)};
    t.b.add(ITEM_DEFAULT, 2, 0, 0);
    t.b.int8_leaf(1, {1});
    ImageBuilder alone = t.b;
    alone.root(1, 0);
    testing::QueryContext c = testing::QueryContext::of({0}, {"CI"});
    Leaf leaf{};
    EXPECT_EQ(find_root(alone.image(), 1, &c.ctx, &leaf), DB_NOT_FOUND);
    trees.push_back(std::move(t));
  }
  {
    Tree t{"cut short before its first case", string_switch(0, 2)};
    trees.push_back(std::move(t));
  }
  {
    Tree t{"first case text beyond the table", string_switch(0, 1)};
    t.b.reserve(1);
    string_case(t.b, 1, 1000, 1);
    trees.push_back(std::move(t));
  }
  for (uint16_t index : {0, 1}) {
    // "CI", then the cases the text loop checks: each behind "CI" so that
    // a text that matches "CI" never reaches it.
    Tree t{"CI on match string " + std::to_string(index), string_switch(index, 2)};
    t.b.reserve(2);
    uint32_t ci = text_item(t.b, "CI");
    string_case(t.b, 1, ci, 1);
    t.b.set_raw(2, ITEM_DEFAULT, ci + 1, 0);  // the leaf of "CI"
    trees.push_back(std::move(t));
  }
  const std::vector<std::pair<std::string, uint32_t>> later = {
      {"a later case text beyond the table", 5000},
      {"a later case text that is a leaf", 0},
  };
  for (const auto& [name, text] : later) {
    Tree t{name, string_switch(0, 2)};
    t.b.reserve(2);
    uint32_t ci = text_item(t.b, "CI");
    string_case(t.b, 1, ci, 1);
    string_case(t.b, 2, text == 0 ? ci + 1 : text, 2);
    trees.push_back(std::move(t));
  }
  {
    Tree t{"a value case after a case text", string_switch(0, 2)};
    t.b.reserve(2);
    uint32_t ci = text_item(t.b, "CI");
    string_case(t.b, 1, ci, 1);
    t.b.set_raw(2, ITEM_CASE, ci + 1, 7);
    trees.push_back(std::move(t));
  }
  {
    // The text and its leaf first, then the switch of 3 cases, 1 inside.
    Tree t{"cut short after a case text", ImageBuilder()};
    uint32_t ci = text_item(t.b, "CI");
    t.b.int8_leaf(1, {1});
    t.root = t.b.add(ITEM_SWITCH_STRING, ci + 3, 0, 3);
    t.b.add_raw(ITEM_CASE_STRING, ci + 1, ci);
    trees.push_back(std::move(t));
  }
  {
    Tree t{"no match pool", string_switch(0, 1)};
    t.b.reserve(1);
    uint32_t text = t.b.add(ITEM_BYTES, 0, 0, 2);
    string_case(t.b, 1, text, 1);
    trees.push_back(std::move(t));
  }
  const std::vector<std::vector<const char*>> strings = {{"CI"}, {"CX"}, {"DI"},      {"C"},
                                                         {""},   {},     {"CI", "CI"}};
  for (Tree& t : trees) {
    t.b.root(1, t.root);
    const Image image = t.b.image();
    if (t.name == "no match pool") {
      ASSERT_EQ(image.match_pool, nullptr);
    }
    for (const auto& s : strings) {
      std::string what = t.name + ", " + std::to_string(s.size()) + " strings, first " +
                         (s.empty() ? "none" : s[0]);
      expect_fork_as_single_walks(image, {1}, 0, {0}, {1, 2}, what, s);
    }
    // No context: each value ends as the single walk does.
    testing::expect_fork_without_context_as_single_walk(image, t.root, 0, t.name);
  }
}

// A switch on another selector whose cases lead to a case item and a
// default item holding the select on the forked selector: the fork walks
// their children as a single walk does.
TEST(ForkedWalkTest, CaseAndDefaultItemsHoldingChildren) {
  ImageBuilder b;
  uint32_t leaves = b.int8_leaf(1, {1});
  b.int8_leaf(1, {2});
  uint32_t select = b.add(ITEM_SELECT, leaves + 3, 0, 2);
  b.add(ITEM_BRANCH, leaves, 1, 1);
  b.add(ITEM_BRANCH, leaves + 1, 2, 1);
  // A case item and a default item, each with the select as its one child.
  uint32_t holders = b.add(ITEM_CASE, select, 0, 1);
  b.add(ITEM_DEFAULT, select, 0, 1);
  uint32_t sw = b.add(ITEM_SWITCH_SELECTOR, holders + 3, 1, 2);
  b.add_raw(ITEM_CASE, holders, 7);
  b.add_raw(ITEM_DEFAULT, holders + 1, 0);
  b.root(1, sw);
  const Image image = b.image();
  for (uint32_t selector1 : {7u, 8u}) {
    expect_fork_as_single_walks(image, {1}, 0, {0, selector1}, {1, 2, 3, 2},
                                "selector 1 = " + std::to_string(selector1));
  }
  // Value 2 of the fork, walked alone, answers leaf 2 both ways.
  testing::QueryContext c = testing::QueryContext::of({2, 7});
  Leaf leaf{};
  ASSERT_EQ(find_root(image, 1, &c.ctx, &leaf), DB_OK);
  EXPECT_EQ(leaf.word0, image.items[leaves + 1].word0);
}

TEST(ForkedWalkTest, AFullForkAndNoMore) {
  ImageBuilder b = numeric_switch(0);
  const Image image = b.image();
  std::vector<uint32_t> many;
  for (uint32_t v = 0; v < kForkWidth; ++v) many.push_back(v * 0x20000u - 5u);
  expect_fork_as_single_walks(image, {1}, 1, {0, 0}, many, "64 values");

  ForkedWalks fork{};
  std::vector<uint16_t> ids(kForkWidth + 1, 1);
  fork.selector = 1;
  fork.values = many.data();
  fork.ids = ids.data();
  fork.count = kForkWidth + 1;
  const testing::QueryContext c(2);
  EXPECT_EQ(resolve_forked(image, &c.ctx, 0, &fork), DB_ERROR);
  fork.count = 0;
  EXPECT_EQ(resolve_forked(image, &c.ctx, 0, &fork), DB_OK);
  EXPECT_EQ(resolve_forked(image, &c.ctx, image.item_count, &fork), DB_ERROR);
  // Walks for more ids than a fork tells apart.
  for (uint16_t k = 0; k <= kForkIds; ++k) ids[k] = k + 1;
  fork.count = kForkIds;
  EXPECT_EQ(resolve_forked(image, &c.ctx, 0, &fork), DB_OK);
  fork.count = kForkIds + 1;
  EXPECT_EQ(resolve_forked(image, &c.ctx, 0, &fork), DB_ERROR);
}

TEST(ForkedWalkTest, EveryTreeOfTheBuiltInImage) {
  // Each root id forked on each selector its trees may read, over the values
  // 0 to 299 and the limits, under two settings of the other selectors.
  const Image& image = builtin_image();
  std::vector<uint32_t> values;
  for (uint32_t v = 0; v < 300; ++v) values.push_back(v);
  values.insert(values.end(), {383, 0x800000, 0xFFFF, 0x10000, 0xFFFFFFFF, 0x80000000});
  std::vector<uint32_t> plain(96, 0);
  std::vector<uint32_t> set = plain;
  for (auto [s, v] : {std::pair{4, 2}, {9, 2}, {5, 261}, {8, 5}, {6, 1}, {28, 9}, {7, 4}}) {
    set[s] = v;
  }
  for (uint32_t slot = 0; slot < image.root_count; ++slot) {
    uint16_t id = image.root_ids[slot];
    for (uint16_t selector : {4, 5, 7, 8, 28, 79, 81}) {
      std::string what = "id " + std::to_string(id) + ", selector " + std::to_string(selector);
      expect_fork_as_single_walks(image, {id}, selector, plain, values, what);
      expect_fork_as_single_walks(image, {id}, selector, set, values, what + ", set");
    }
  }
  // The ids that share a tree walked together: the settings tree's and the
  // paper table's.
  for (std::vector<uint16_t> ids : {std::vector<uint16_t>{0x5006, 0x5007, 0x1008, 0x1015},
                                    std::vector<uint16_t>{0x500E, 0x1003, 0x5008}}) {
    for (uint16_t selector : {8, 28}) {
      expect_fork_as_single_walks(image, ids, selector, set, values, "several ids");
    }
  }
}

}  // namespace
}  // namespace orv
