// What explain prints is the engine's walk: for every id of the built-in
// image, over every combination its tree tells apart and with contexts too
// short for what the tree reads, the walk explain shows ends with the result
// and leaf of find_root, and the route it records (what explain --dot marks)
// leads along the image's links to that leaf. (explain_corpus_test.cc does the same on every
// image of the fuzz corpus.) These hold for any model: every model's tool
// test runs them.
#include "explain.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "sweep.h"

namespace orvtool {
namespace {

// The root walk of `id`, as explain shows it for a generic id.
std::vector<ExplainedWalk> explain_root(const orv::Image& image, uint16_t id,
                                        const ORV_QUERY_CONTEXT* ctx, std::string* text) {
  IdInfo info;
  info.id = id;
  std::ostringstream out;
  std::vector<ExplainedWalk> walks = explain_walks(image, info, ctx, out);
  if (text != nullptr) *text = out.str();
  return walks;
}

// The route a walk recorded (what explain --dot marks) is a path through
// its tree: each step leaves the root or an item an earlier step reached,
// along a link of the image; a walk that answered ends at its leaf.
void expect_route(const orv::Image& image, const ExplainedWalk& w, const std::string& where) {
  if (w.item == orv::kUnknownItem) return;
  std::set<uint32_t> reached = {w.item};
  for (const auto& [from, to] : w.route) {
    ASSERT_TRUE(reached.count(from)) << where << ": step " << from << " -> " << to;
    orv::ItemLinks links{};
    ASSERT_TRUE(orv::item_links(image, image.items[from], &links)) << where;
    bool linked = to >= links.first && to < links.first + links.inside;
    EXPECT_TRUE(linked) << where << ": " << to << " is no child, case or target of " << from;
    reached.insert(to);
  }
  if (w.result != DB_OK) return;
  ASSERT_LT(w.leaf_item, image.item_count) << where;
  EXPECT_EQ(image.items[w.leaf_item].word0, w.leaf.word0) << where;
  EXPECT_EQ(image.items[w.leaf_item].word1, w.leaf.word1) << where;
  EXPECT_EQ(w.route.empty() ? w.item : w.route.back().second, w.leaf_item) << where;
}

void expect_same(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                 const std::string& where) {
  orv::Leaf engine_leaf{};
  int32_t engine = orv::find_root(image, id, ctx, &engine_leaf);
  std::string text;
  std::vector<ExplainedWalk> walks = explain_root(image, id, ctx, &text);
  ASSERT_EQ(walks.size(), 1u) << where;
  ASSERT_EQ(walks[0].result, engine) << where << "\n" << text;
  if (engine == DB_OK) {
    EXPECT_EQ(walks[0].leaf.word0, engine_leaf.word0) << where;
    EXPECT_EQ(walks[0].leaf.word1, engine_leaf.word1) << where;
  }
  expect_route(image, walks[0], where);
}

TEST(Explain, AgreesWithTheEngineOnEveryIdAndCombination) {
  const orv::Image& image = orv::builtin_image();
  size_t compared = 0;
  for (uint32_t slot = 0; slot < image.root_count; ++slot) {
    uint16_t id = image.root_ids[slot];
    uint32_t root = image.root_items[slot];
    std::vector<uint32_t> selectors(96, 0);
    std::vector<std::string> strings(8);
    std::vector<const char*> ptrs(8);
    ORV_QUERY_CONTEXT ctx{};
    auto context = [&](const Combination& c) {
      std::fill(selectors.begin(), selectors.end(), 0);
      for (auto& [s, v] : c.selectors) selectors[s] = v;
      for (size_t i = 0; i < strings.size(); ++i) {
        strings[i] = c.strings.count(i) ? c.strings.at(i) : "";
        ptrs[i] = strings[i].c_str();
      }
      ctx = ORV_QUERY_CONTEXT{};
      ctx.cSelectors = 96;
      ctx.pSelectors = selectors.data();
      ctx.cStrings = 8;
      ctx.ppStrings = ptrs.data();
      return &ctx;
    };
    // Trees of independent fragments multiply their combinations; a few
    // thousand per id cover every path many times over.
    size_t budget = 3000;
    auto each = [&](const Combination&) {
      std::string where = hex_id(id) + " combination " + std::to_string(compared);
      expect_same(image, id, &ctx, where);
      // The same settings with too few selectors and no match strings.
      for (uint32_t short_count : {0u, 5u, 29u, 50u}) {
        ORV_QUERY_CONTEXT short_ctx = ctx;
        short_ctx.cSelectors = short_count;
        short_ctx.cStrings = 0;
        expect_same(image, id, &short_ctx, where + " with " + std::to_string(short_count));
      }
      ++compared;
      return --budget > 0;
    };
    IdInfo info;
    info.id = id;
    info.in_root = true;
    info.root_item = root;
    for_each_combination({AnswerWalks{&image, info}}, collect_values({{&image, {root}}}), context,
                         each);
  }
  EXPECT_GT(compared, image.root_count);
}

TEST(Explain, NullContextAndAbsentIdMatchTheEngine) {
  const orv::Image& image = orv::builtin_image();
  for (uint16_t id : {0x0002, 0x0008, 0x0012, 0x1008, 0x2001, 0x300B, 0x4007, 0x0001, 0x7000}) {
    expect_same(image, id, nullptr, hex_id(id) + " without context");
  }
}

}  // namespace
}  // namespace orvtool
