// Placement: blocks to item indices, breadth-first, an item already placed
// alone being shared instead of placed again.
#include "modelc/placement.h"

#include <algorithm>
#include <map>

#include "engine/image.h"
#include "modelc/fault_text.h"

namespace orv::model {
namespace {

class Placer {
 public:
  Placer(const Model& model, const LoweredModel& lowered, CompiledImage* image,
         std::vector<std::string>* faults)
      : model_(model), in_(lowered), img_(*image), faults_(faults), blocks_(lowered.blocks) {}

  void run();

 private:
  void place(int block);
  uint32_t resolve(int block) const { return block_base_[block]; }
  void place_blocks();
  void fill_words();
  void index_roots();
  void resolve_labels();

  const Model& model_;
  const LoweredModel& in_;
  CompiledImage& img_;
  std::vector<std::string>* faults_;  // where faults go
  std::vector<Block> blocks_;         // the lowered blocks, then the top-level block
  std::vector<int> block_base_;       // item index of each placed block, -1 if not
  std::map<AItem, uint32_t> placed_;  // first item index of each distinct item
  std::vector<int> queue_;            // blocks placed, in placement order
  uint32_t top_base_ = 0;             // item index of the first tree root
};

void Placer::place(int block) {
  if (block < 0 || block_base_[block] >= 0) return;
  const Block& b = blocks_[block];
  auto& items = img_.items;
  if (b.items.size() == 1) {
    auto found = placed_.find(b.items[0]);
    if (found != placed_.end()) {
      block_base_[block] = static_cast<int>(found->second);
      return;
    }
  }
  block_base_[block] = static_cast<int>(items.size());
  for (size_t i = 0; i < b.items.size(); ++i) {
    placed_.emplace(b.items[i], static_cast<uint32_t>(items.size()));
    items.push_back(Item{0, 0});
    img_.item_from.push_back(b.from[i]);
  }
  queue_.push_back(block);
}

// The top-level sequence first, then the tree roots, then breadth-first.
void Placer::place_blocks() {
  block_base_.assign(blocks_.size() + 1, -1);
  if (img_.has_top) {
    img_.items.push_back(Item{0, 0});
    img_.item_from.push_back({model_.top_where(), hex_id(model_.top_id())});
  }
  top_base_ = static_cast<uint32_t>(img_.items.size());
  blocks_.push_back(Block{in_.top, in_.top_from});
  place(static_cast<int>(blocks_.size()) - 1);
  for (size_t q = 0; q < queue_.size(); ++q) {
    const Block& b = blocks_[queue_[q]];
    for (const AItem& it : b.items) {
      place(it.w1_block);
      place(it.off_block);
    }
  }
}

void Placer::fill_words() {
  for (int b : queue_) {
    const Block& block = blocks_[b];
    for (size_t i = 0; i < block.items.size(); ++i) {
      const AItem& it = block.items[i];
      uint32_t offset = it.off_block >= 0 ? resolve(it.off_block) : it.offset;
      uint32_t word1 = it.w1_block >= 0 ? resolve(it.w1_block) : it.word1;
      if (offset > kMaxOffset) {
        const Provenance& p = block.from[i];
        faults_->push_back(fault_text(p.where, p.tree, "offset does not fit in 24 bits"));
      }
      img_.items[resolve(b) + i] = Item{make_word0(it.kind, offset), word1};
    }
  }
}

// The top-level sequence's item, then the root index ascending by id
// (stable, so a duplicate keeps its call order), then each tree's ids.
void Placer::index_roots() {
  const size_t trees = in_.top.size();
  std::vector<RootSlot> slots = in_.slots;
  if (img_.has_top) {
    if (trees > kMaxCount)
      faults_->push_back(fault_text(model_.top_where(), hex_id(model_.top_id()),
                                    "too many trees for the top-level sequence"));
    img_.items[0] =
        Item{make_word0(ITEM_SEQUENCE, top_base_), make_word1(0, static_cast<uint16_t>(trees))};
    slots.push_back({model_.top_id(), trees, model_.top_where()});
  }
  std::stable_sort(slots.begin(), slots.end(),
                   [](const RootSlot& a, const RootSlot& b) { return a.id < b.id; });
  for (const RootSlot& s : slots) {
    img_.root_ids.push_back(s.id);
    img_.root_items.push_back(s.tree == trees ? 0 : top_base_ + static_cast<uint32_t>(s.tree));
    img_.root_where.push_back(s.where);
  }
  for (size_t t = 0; t < trees; ++t) {
    img_.tree_items.push_back(top_base_ + static_cast<uint32_t>(t));
    img_.tree_groups.emplace_back(in_.groups[t].begin(), in_.groups[t].end());
  }
}

// Labels: fragments, named trees and label() nodes.
void Placer::resolve_labels() {
  auto add_label = [&](const std::string& name, uint32_t index, const Loc& where) {
    if (!img_.labels.emplace(name, index).second && img_.labels[name] != index)
      faults_->push_back(fault_text(where, name, "label names two different items"));
  };
  for (const auto& [name, t] : in_.fragment_labels)
    add_label(name, top_base_ + static_cast<uint32_t>(t), model_.top_where());
  for (const NamedTree& t : model_.trees()) {
    auto found = placed_.find(in_.named_items.at(t.name));
    if (found != placed_.end()) add_label(t.name, found->second, t.where);
  }
  for (const auto& [name, item] : in_.labels) {
    auto found = placed_.find(item);
    if (found != placed_.end()) add_label(name, found->second, model_.top_where());
  }
}

void Placer::run() {
  img_.model_name = model_.name();
  img_.has_top = model_.has_top();
  img_.top_id = model_.top_id();
  img_.top_where = model_.top_where();
  place_blocks();
  fill_words();
  index_roots();
  resolve_labels();
}

}  // namespace

void place_model(const Model& model, const LoweredModel& lowered, CompiledImage* image,
                 std::vector<std::string>* faults) {
  Placer(model, lowered, image, faults).run();
}

}  // namespace orv::model
