// The model compiler: layout, sharing, labels, extra tables and
// determinism, checked by walking the compiled image with the engine.
#include "modelc/compiler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "engine/resolver.h"
#include "modelc/emitter.h"
#include "support/query_context.h"

namespace orv::model {
namespace {

// Walks `image` for `id` with the given selectors and returns the leaf (or
// the result code as word1 = 0xFFFFFFFF and word0 = code when not DB_OK).
Leaf walk(const Image& image, uint16_t id, std::vector<uint32_t> sel = {}) {
  const testing::QueryContext c = testing::QueryContext::of(std::move(sel));
  Leaf leaf{};
  int32_t rc = find_root(image, id, &c.ctx, &leaf);
  if (rc != DB_OK) return Leaf{static_cast<uint32_t>(rc), 0xFFFFFFFFu};
  return leaf;
}

TEST(Compiler, SharesCaseTargetsAndPoolValues) {
  Model m;
  m.root({1}, str(1, "ab"));
  m.root({2},
         switch_sel(0, {case_(1, int8(2, {5})), case_(2, int8(2, {5})), case_(3, int8(2, {98}))}));
  m.top_sequence(9);
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  // Top sequence, two roots, three cases, two distinct targets.
  EXPECT_EQ(r.image.items.size(), 8u);
  // "ab\0" holds 'b' (98); 5 is added once.
  EXPECT_EQ(r.image.byte_pool, (std::vector<uint8_t>{'a', 'b', 0, 5}));
  Image img = r.image.view();
  Leaf one = walk(img, 2, {1}), two = walk(img, 2, {2}), three = walk(img, 2, {3});
  EXPECT_EQ(one.word0, two.word0);
  EXPECT_EQ(item_kind(three.word0), ITEM_INT8);
  EXPECT_EQ(item_offset(three.word0), 1u);
  EXPECT_EQ(walk(img, 2, {4}).word0, static_cast<uint32_t>(DB_NOT_FOUND));
}

// A leaf written without an id answers the one id its tree is registered
// for; in the tree of a group it has none to take and is refused at its line.
TEST(Compiler, ALeafWithoutAnIdTakesItsRootsId) {
  Model m;
  m.answer({4, "a number"}, switch_sel(0, {case_(1, int8({5})), default_(str("x"))}));
  m.top_sequence(9);
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  Image img = r.image.view();
  EXPECT_EQ(item_tag(walk(img, 4, {1}).word1), 4u);
  EXPECT_EQ(item_tag(walk(img, 4, {2}).word1), 4u);

  Model group;
  group.answer({{4, "a number"}, {5, "another"}}, int8({5}));
  group.top_sequence(9);
  r = compile(group);
  ASSERT_EQ(r.faults.size(), 1u);
  EXPECT_NE(r.faults[0].find("a leaf without an id outside a tree of one id"), std::string::npos)
      << r.faults[0];
  EXPECT_NE(r.faults[0].find("compiler_test.cc:"), std::string::npos) << r.faults[0];
}

TEST(Compiler, RootIndexIsAscendingAndSharedTreesShareARoot) {
  Model m;
  m.tree("pair", seq({int8(7, {1}), int16(5, {-2})}));
  m.root({7, 5}, ref("pair"));
  m.root({3}, int8(3, {0}));
  m.top_sequence(9);
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  EXPECT_EQ(r.image.root_ids, (std::vector<uint16_t>{3, 5, 7, 9}));
  EXPECT_EQ(r.image.root_items[1], r.image.root_items[2]);
  EXPECT_EQ(r.image.root_items[3], 0u);
  EXPECT_EQ(r.image.labels.at("pair"), r.image.root_items[1]);
  Image img = r.image.view();
  EXPECT_EQ(static_cast<int16_t>(img.i16_pool[item_offset(walk(img, 5).word0)]), -2);
  EXPECT_EQ(walk(img, 9).word0, static_cast<uint32_t>(DB_NOT_FOUND))
      << "no leaf answers the top id";
}

TEST(Compiler, TopSequenceHoldsEveryTreeOnce) {
  Model m;
  m.tree("t", int8(1, {1}));
  m.root({1}, ref("t"));
  m.fragment("f1", bytes(9, {0x1B, 0x40}));
  m.fragment("f2", ref("t"));
  m.top_sequence(9);
  CompileResult r = compile(m);
  // The leaf of tree "t" answers id 1 only, and "t" is also a fragment: fine.
  ASSERT_TRUE(r.ok()) << r.faults.front();
  const Item& top = r.image.items[0];
  EXPECT_EQ(item_kind(top.word0), ITEM_SEQUENCE);
  EXPECT_EQ(item_count(top.word1), 2u);
  EXPECT_EQ(r.image.labels.at("f2"), r.image.labels.at("t"));
  Image img = r.image.view();
  EXPECT_EQ(item_count(walk(img, 9).word1), 2u);  // the first fragment's two bytes
}

TEST(Compiler, MaskedSwitchAndStringCasesWalk) {
  Model m;
  m.root({4}, switch_masked(2, 0xF000, {case_(0xD000, int8(4, {1})), default_(int8(4, {0}))}));
  m.root({6}, switch_str(0, {case_str("AB", int8(6, {1})), case_str("ABC", int8(6, {2}))}));
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  // "AB" lies inside "ABC": the match pool holds only "AB" then "C".
  EXPECT_EQ(r.image.match_pool, (std::vector<uint8_t>{'A', 'B', 'C'}));
  Image img = r.image.view();
  EXPECT_EQ(img.byte_pool[item_offset(walk(img, 4, {0, 0, 0xFFFFDFFFu}).word0)], 1);
  EXPECT_EQ(img.byte_pool[item_offset(walk(img, 4, {0, 0, 0xC000}).word0)], 0);
  const testing::QueryContext abc = testing::QueryContext::of({}, {"ABC"});
  Leaf leaf{};
  ASSERT_EQ(find_root(img, 6, &abc.ctx, &leaf), DB_OK);
  EXPECT_EQ(img.byte_pool[item_offset(leaf.word0)], 2);
}

TEST(Compiler, DrvTablesSeeLabels) {
  Model m;
  m.root({1}, seq({int8(1, {1}), label("inner", bytes(kFragmentId, {0x0C}))}));
  m.fragment("frag", bytes(kFragmentId, {0x1B}));
  m.top_sequence(kFragmentId);
  m.command_sequence(0x1018, {"frag", "inner"});
  m.selector_values(7, {{4, 15301}, {7, 15302}});
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  std::string src = emit_source(r.image);
  uint32_t frag = r.image.labels.at("frag"), inner = r.image.labels.at("inner");
  EXPECT_EQ(item_kind(r.image.items[frag].word0), ITEM_BYTES);
  EXPECT_EQ(r.image.byte_pool[item_offset(r.image.items[inner].word0)], 0x0C);
  EXPECT_EQ(r.image.drv.seq_fragments, (std::vector<uint32_t>{frag, inner}));
  EXPECT_NE(src.find("#include \"drvrecords/drv_tables.h\""), std::string::npos);
  EXPECT_NE(src.find(std::to_string(frag) + "u, " + std::to_string(inner) + "u,"),
            std::string::npos);
  EXPECT_NE(src.find("&kDrvTables"), std::string::npos);
  // The view carries the tables, positions and counts laid out by the compiler.
  Image img = r.image.view();
  ASSERT_NE(img.drv_tables, nullptr);
  EXPECT_EQ(img.drv_tables->seq_count, 1u);
  EXPECT_EQ(img.drv_tables->seq_fragment_counts[0], 2u);
  EXPECT_EQ(img.drv_tables->sel_value_count, 2u);
  EXPECT_EQ(img.drv_tables->sel_value_ids[1], 15302u);

  Model bad;
  bad.root({1}, int8(1, {1}));
  bad.command_sequence(0x1018, {"missing"});
  CompileResult rb = compile(bad);
  ASSERT_EQ(rb.faults.size(), 1u);
  EXPECT_NE(rb.faults[0].find("unknown fragment label 'missing'"), std::string::npos);

  Model none;
  none.root({1}, int8(1, {1}));
  CompileResult rn = compile(none);
  ASSERT_TRUE(rn.ok());
  EXPECT_EQ(rn.image.view().drv_tables, nullptr);
  EXPECT_NE(emit_source(rn.image).find("    nullptr,\n};"), std::string::npos);
}

TEST(Compiler, EachMeaningNamesARootIdOnceInOneLine) {
  struct Row {
    const char* what;
    std::function<void(Model&)> describe;  // the meanings given
    const char* fault;                     // the fault expected, or null
  };
  const Row rows[] = {
      {"sound", [](Model& m) { m.about(1, "the version text"); }, nullptr},
      {"with a unit", [](Model& m) { m.about(1, "a width", "1/100 mm"); }, nullptr},
      {"no tree", [](Model& m) { m.about(4, "nothing"); }, "a meaning for an id with no tree"},
      {"twice",
       [](Model& m) {
         m.about(1, "one");
         m.about(1, "two");
       },
       "the id's meaning is given twice"},
      {"empty", [](Model& m) { m.about(1, ""); }, "a meaning is one line of text"},
      {"two lines", [](Model& m) { m.about(1, "one\ntwo"); }, "a meaning is one line of text"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Model m;
    m.root({1}, str(1, "ab"));
    m.root({2}, int8(2, {5}));
    row.describe(m);
    CompileResult r = compile(m);
    if (row.fault == nullptr) {
      ASSERT_TRUE(r.ok()) << r.faults.front();
      // Id 2 is not described.
      EXPECT_EQ(ids_without_meaning(m, r.image), std::vector<uint16_t>{2});
      continue;
    }
    ASSERT_EQ(r.faults.size(), 1u);
    EXPECT_NE(r.faults[0].find(row.fault), std::string::npos) << r.faults[0];
    EXPECT_NE(r.faults[0].find("compiler_test.cc:"), std::string::npos) << r.faults[0];
  }
}

}  // namespace
}  // namespace orv::model
