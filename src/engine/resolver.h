// The walk: from a data id and a query context to the one leaf that applies.
#ifndef ORVDB_ENGINE_RESOLVER_H_
#define ORVDB_ENGINE_RESOLVER_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// The two words of the leaf a walk chose.
struct Leaf {
  uint32_t word0;  // kind and pool offset
  uint32_t word1;  // data id and element count (function number for ITEM_COMPUTED)
};

// Deepest nesting a walk follows before it calls the image inconsistent, so
// that a cyclic or corrupt image cannot exhaust the stack. The model's trees
// are a few levels deep.
constexpr int kMaxWalkDepth = 64;

// Finds the slot of `id` in the root index: DB_OK and *item_index set,
// DB_NO_ENTRY when absent, DB_ERROR when the index or the item table is
// missing or names an item beyond the table. Cost: a linear scan of the ids.
int32_t find_root_item(const Image& image, uint16_t id, uint32_t* item_index);

// Root lookup and walk: the leaf of `id` that applies to `ctx`. DB_OK with
// *leaf written, DB_NOT_FOUND when no value applies, or an error code.
int32_t find_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Leaf* leaf);

// Walks the subtree of the item (word0, word1) for `id`. The context may be
// null; only branches that need it fail then. Cost: depth-first, linear in
// the items visited, no allocation except for a printer-data switch.
int32_t resolve(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t word0,
                uint32_t word1, Leaf* leaf);

// Walks one forked walk makes at most; longer lists are walked in chunks.
constexpr uint32_t kForkWidth = 64;
// Distinct data ids the walks of one forked walk may be for.
constexpr uint32_t kForkIds = 4;

// The walks a forked walk makes at once: walk k is the walk for `ids[k]`
// that a query with `values[k]` in `selector` makes, every other read coming
// from the same context. Each ends with its own result and leaf.
struct ForkedWalks {
  uint16_t selector;            // the selector the values are given for
  uint32_t count;               // walks, at most kForkWidth
  const uint32_t* values;       // walk k's value of the selector
  const uint16_t* ids;          // the data id walk k is for
  int32_t results[kForkWidth];  // out: result of walk k
  Leaf leaves[kForkWidth];      // out: leaf of walk k, where its result is DB_OK

  // The walk's own state.
  uint16_t distinct_ids[kForkIds];  // the ids of the walks, each once
  uint64_t id_walks[kForkIds];      // the walks (bit k: walk k) of each of those ids
  uint32_t id_count;                // ids in distinct_ids
  uint32_t targets[kForkWidth];     // the case target walk k chose at a fork point
  uint32_t visits_left;             // containers the walks together may still enter
  bool one_walk;                    // a single walk: visits_left is its own budget
  bool budget_ran_out;              // the walks together ran out; each is walked alone again
};

// Walks the subtree of item `index` once for every walk of `fork`:
// fork->results[k] and fork->leaves[k] are what the walk of find_root for
// fork->ids[k] gives with fork->values[k] in the fork's selector (whose
// value in `ctx` is never read); every other read comes from `ctx`. Steps
// that do not read the selector are made once for all the walks. DB_OK, or
// DB_ERROR when the image has no item table, the item lies beyond it, or
// the fork holds more than kForkWidth walks or kForkIds ids. Cost: the
// items the walks visit, each once per group of walks that visits it; no
// allocation beyond the walk's own. Stack: as a single walk, the per-walk
// state living in `fork`.
int32_t resolve_forked(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t index,
                       ForkedWalks* fork);

// 1 when a and b are non-null and their first `length` bytes are equal, or
// when length is 0; else 0.
int equal_counted(const void* a, const void* b, uint16_t length);

// The walk with an explicit depth, for nested walks inside the engine.
int32_t resolve_at_depth(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t word0, uint32_t word1, Leaf* leaf, int depth);

}  // namespace orv

#endif  // ORVDB_ENGINE_RESOLVER_H_
