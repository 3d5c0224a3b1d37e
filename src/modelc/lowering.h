// Lowering, the model compiler's first phase: every registered tree's nodes
// become abstract items, bottom-up, grouped in blocks (the consecutive
// children of one container, the cases of one switch, one case target);
// identical blocks are merged and leaf values interned in the pools.
// Offsets that name other items still name blocks; placement (placement.h)
// turns them into item indices. Build-time code.
#ifndef ORVDB_MODELC_LOWERING_H_
#define ORVDB_MODELC_LOWERING_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "modelc/compiled_image.h"
#include "modelc/description.h"

namespace orv::model {

// The largest offset and count an item's words hold.
constexpr uint32_t kMaxOffset = 0x00FFFFFFu;
constexpr uint32_t kMaxCount = 0xFFFFu;

// One item before placement. Offsets and case-text indices that name other
// items refer to blocks; leaf offsets are final pool offsets.
struct AItem {
  uint8_t kind = 0;     // item kind
  uint32_t word1 = 0;   // word 1, unless w1_block names a block
  int w1_block = -1;    // string case: block of the case-text item
  int off_block = -1;   // containers, switches, cases, mask: block of children/cases/target
  uint32_t offset = 0;  // leaves: pool offset
  auto key() const { return std::make_tuple(kind, word1, w1_block, off_block, offset); }
  bool operator<(const AItem& o) const { return key() < o.key(); }
};

// Consecutive items: children, cases or a single target.
struct Block {
  std::vector<AItem> items;      // the items
  std::vector<Provenance> from;  // provenance of each
};

// A root slot as registered: its id and the tree it names.
struct RootSlot {
  uint16_t id;  // the root id
  size_t tree;  // index into LoweredModel::top; top.size() for the top-level sequence
  Loc where;    // the registering call
};

// Every tree of a model, lowered.
struct LoweredModel {
  std::vector<Block> blocks;                                    // every distinct block
  std::vector<AItem> top;                                       // root item of each distinct tree
  std::vector<Provenance> top_from;                             // provenance of each
  std::vector<std::set<uint16_t>> groups;                       // ids each tree's leaves answer
  std::vector<RootSlot> slots;                                  // root slots, in call order
  std::vector<std::pair<std::string, size_t>> fragment_labels;  // fragment label, its tree
  std::map<std::string, AItem> named_items;                     // lowered named trees
  std::vector<std::pair<std::string, AItem>> labels;            // label() names and their items
};

// Lowers every registered and named tree of `model`, interning leaf values
// in image's pools and naming each distinct tree in image->tree_names.
// A description fault is appended to *faults; the node that raised it is
// left out.
LoweredModel lower_model(const Model& model, CompiledImage* image,
                         std::vector<std::string>* faults);

}  // namespace orv::model

#endif  // ORVDB_MODELC_LOWERING_H_
