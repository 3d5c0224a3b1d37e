// What the Drv handler's paths tell an observer, step by step, as the walk
// tells its own (engine/walk.h). The paths are templates over an observer;
// the library's entry points run them with NoDrvObserver, whose hooks are
// empty and compile to nothing, and a tool derives from it, sets kWatches and
// hides the hooks it needs. Every walk of a watched path is itself watched,
// through the walk observer the Drv observer hands it.
#ifndef ORVDB_DRVRECORDS_DRV_OBSERVER_H_
#define ORVDB_DRVRECORDS_DRV_OBSERVER_H_

#include <stdint.h>

#include "drvrecords/drv_special_ids.h"
#include "engine/image.h"
#include "engine/resolver.h"
#include "engine/walk.h"
#include "orvdb/orvdb.h"

namespace orv {

// Why a Drv path walks a tree.
enum class DrvWalk : uint8_t {
  kList,          // the id's own stored list
  kAttribute,     // an attribute of one record (record_starts names it)
  kComparedList,  // the list the records are compared with
  kMarker,        // the marker pair
  kFragment,      // one fragment of a command sequence
};

// The Drv tables a path reads rows of.
enum class DrvTable : uint8_t {
  kSelectorSlot,      // a slot of the selector-value table (row: the slot)
  kSelectorValue,     // a value of that table (row: its position)
  kSequenceSlot,      // a slot of the command-sequence table (row: the slot)
  kFragmentPosition,  // a fragment of that table (row: its position)
  kModeRow,           // a row of the mode table
  kModePartA,         // a record of mode part A (row: its index); B, C and D follow in order
  kModePartB,
  kModePartC,
  kModePartD,
};

// The observer of the library's own Drv paths: told nothing.
struct NoDrvObserver {
  static constexpr bool kWatches = false;  // whether the hooks below are called at all
  using WalkObserver = NoObserver;         // the observer each walk of a path is given

  // The special-id row the handler answers the id by.
  void special_row(const DrvSpecialId& /*row*/) {}
  // A walk begins: why, the id it is for, its tree's root item (kUnknownItem
  // when the root lookup found none) and the context it reads. Returns the
  // observer of that walk; walk_ends follows with the walk's result (or the
  // root lookup's) and the leaf (written only on DB_OK).
  WalkObserver* walk_starts(DrvWalk /*why*/, uint16_t /*id*/, uint32_t /*item*/,
                            const ORV_QUERY_CONTEXT* /*ctx*/) {
    return nullptr;
  }
  void walk_ends(int32_t /*result*/, const Leaf& /*leaf*/) {}
  // A forked walk of the tree at `item` begins: the walks of `fork`, made at
  // once (see resolve_forked). Returns the observer of the walk;
  // forked_walk_ends follows with each walk's result and leaf in `fork`.
  WalkObserver* forked_walk_starts(DrvWalk /*why*/, uint32_t /*item*/,
                                   const ORV_QUERY_CONTEXT* /*ctx*/, const ForkedWalks& /*fork*/) {
    return nullptr;
  }
  void forked_walk_ends(const ForkedWalks& /*fork*/) {}
  // A leaf's value was fetched: the fetcher's result and the size it gave.
  void fetched(int32_t /*result*/, uint32_t /*size*/) {}
  // The size the path works out for its answer, before it looks at the buffer.
  void needed(uint32_t /*bytes*/) {}
  // A row of a Drv table was read, or `key` was looked for in `table` and
  // not found (the path answers `result`).
  void table_row(DrvTable /*table*/, uint32_t /*row*/) {}
  void table_missing(DrvTable /*table*/, uint32_t /*key*/, int32_t /*result*/) {}
  // The attribute lookups of record `record` begin, with `selector` of a
  // scratch copy of the caller's context set to `value`.
  void record_starts(uint32_t /*record*/, uint16_t /*selector*/, uint32_t /*value*/) {}
  // A word of a value record was written: its record, its byte offset in the
  // record, the value.
  void record_word(uint32_t /*record*/, uint32_t /*field*/, uint32_t /*value*/) {}
};

// The root lookup and walk of `id` (find_root), told to `observer`.
template <typename O>
inline int32_t drv_find_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                             Leaf* leaf, DrvWalk why, O* observer) {
  if constexpr (!O::kWatches) {
    return find_root(image, id, ctx, leaf);
  } else {
    uint32_t index = kUnknownItem;
    int32_t result = find_root_item(image, id, &index);
    typename O::WalkObserver* walk =
        observer->walk_starts(why, id, result == DB_OK ? index : kUnknownItem, ctx);
    if (result == DB_OK) result = observe_walk(image, id, ctx, index, leaf, walk);
    observer->walk_ends(result, *leaf);
    return result;
  }
}

// The walk of item `index` (inside the item table) for `id` (resolve), told
// to `observer`.
template <typename O>
inline int32_t drv_resolve(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                           uint32_t index, Leaf* leaf, DrvWalk why, O* observer) {
  if constexpr (!O::kWatches) {
    const Item& item = image.items[index];
    return resolve(image, id, ctx, item.word0, item.word1, leaf);
  } else {
    int32_t result =
        observe_walk(image, id, ctx, index, leaf, observer->walk_starts(why, id, index, ctx));
    observer->walk_ends(result, *leaf);
    return result;
  }
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_OBSERVER_H_
