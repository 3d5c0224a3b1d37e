// Holds a forked walk to the single walks it stands for: every value of the
// fork must end with the result and leaf that a walk with that value in the
// selector gives.
#ifndef ORVDB_TESTS_SUPPORT_FORKED_WALKS_H_
#define ORVDB_TESTS_SUPPORT_FORKED_WALKS_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/resolver.h"
#include "support/query_context.h"

namespace orv::testing {

// Forks `values` of `selector` over the tree of `ids[0]`, one walk per value
// and id of `ids`, in context `c` (its own value of the selector is never
// read), and holds each walk's result and leaf to a single walk of the tree
// for that id with that value. `what` names the case in failures.
inline void expect_fork_as_single_walks_in(QueryContext c, const Image& image,
                                           std::vector<uint16_t> ids, uint16_t selector,
                                           const std::vector<uint32_t>& values,
                                           const std::string& what) {
  uint32_t root = 0;
  ASSERT_EQ(find_root_item(image, ids[0], &root), DB_OK) << what;
  const bool has_selector = selector < c.ctx.cSelectors;
  std::vector<uint32_t> walk_values;
  std::vector<uint16_t> walk_ids;
  for (uint32_t v : values) {
    for (uint16_t id : ids) {
      walk_values.push_back(v);
      walk_ids.push_back(id);
    }
  }
  for (size_t from = 0; from < walk_values.size(); from += kForkWidth) {
    ForkedWalks fork{};
    fork.selector = selector;
    fork.count = static_cast<uint32_t>(std::min<size_t>(kForkWidth, walk_values.size() - from));
    fork.values = walk_values.data() + from;
    fork.ids = walk_ids.data() + from;
    if (has_selector) c.set(selector, 0xDEADBEEF);
    ASSERT_EQ(resolve_forked(image, &c.ctx, root, &fork), DB_OK) << what;
    for (uint32_t k = 0; k < fork.count; ++k) {
      if (has_selector) c.set(selector, fork.values[k]);
      Leaf leaf{};
      const Item& tree = image.items[root];
      int32_t single = resolve(image, fork.ids[k], &c.ctx, tree.word0, tree.word1, &leaf);
      SCOPED_TRACE(what + ": id " + std::to_string(fork.ids[k]) + ", value " +
                   std::to_string(fork.values[k]));
      ASSERT_EQ(fork.results[k], single);
      if (single == DB_OK) {
        EXPECT_EQ(fork.leaves[k].word0, leaf.word0);
        EXPECT_EQ(fork.leaves[k].word1, leaf.word1);
      }
    }
  }
}

// The same, in a context of exactly `selectors` and `strings`.
inline void expect_fork_as_single_walks(const Image& image, std::vector<uint16_t> ids,
                                        uint16_t selector, const std::vector<uint32_t>& selectors,
                                        const std::vector<uint32_t>& values,
                                        const std::string& what,
                                        std::vector<const char*> strings = {}) {
  expect_fork_as_single_walks_in(QueryContext::of(selectors, std::move(strings)), image,
                                 std::move(ids), selector, values, what);
}

// With no context at all: two values of `selector` forked over the tree at
// item `root` each end with the result a single walk for id 1 gives.
inline void expect_fork_without_context_as_single_walk(const Image& image, uint32_t root,
                                                       uint16_t selector, const std::string& what) {
  uint32_t values[] = {1, 2};
  uint16_t ids[] = {1, 1};
  ForkedWalks fork{};
  fork.selector = selector;
  fork.count = 2;
  fork.values = values;
  fork.ids = ids;
  ASSERT_EQ(resolve_forked(image, nullptr, root, &fork), DB_OK) << what;
  Leaf leaf{};
  const Item& tree = image.items[root];
  int32_t single = resolve(image, 1, nullptr, tree.word0, tree.word1, &leaf);
  EXPECT_EQ(fork.results[0], single) << what;
  EXPECT_EQ(fork.results[1], single) << what;
}

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_FORKED_WALKS_H_
