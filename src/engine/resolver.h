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

// 1 when a and b are non-null and their first `length` bytes are equal, or
// when length is 0; else 0.
int equal_counted(const void* a, const void* b, uint16_t length);

// The walk with an explicit depth, for nested walks inside the engine.
int32_t resolve_at_depth(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t word0, uint32_t word1, Leaf* leaf, int depth);

}  // namespace orv

#endif  // ORVDB_ENGINE_RESOLVER_H_
