// Lowering: nodes to abstract items in merged blocks. A description fault
// is thrown as a Fault from the node that found it and caught per tree, so
// that one faulty tree leaves the others to be checked.
#include "modelc/lowering.h"

#include <algorithm>
#include <limits>

#include "engine/image.h"
#include "modelc/fault_text.h"

namespace orv::model {
namespace {

// Appends `values` to `pool` unless they already stand in it (or its tail
// begins them); returns the offset of the first value.
template <typename T>
uint32_t intern(std::vector<T>& pool, const std::vector<T>& values) {
  if (values.empty()) return 0;
  auto found = std::search(pool.begin(), pool.end(), values.begin(), values.end());
  if (found != pool.end()) return static_cast<uint32_t>(found - pool.begin());
  size_t overlap = std::min(pool.size(), values.size() - 1);
  for (; overlap > 0; --overlap) {
    if (std::equal(values.begin(), values.begin() + overlap, pool.end() - overlap)) break;
  }
  uint32_t at = static_cast<uint32_t>(pool.size() - overlap);
  pool.insert(pool.end(), values.begin() + overlap, values.end());
  return at;
}

class Lowerer {
 public:
  Lowerer(const Model& model, CompiledImage* image, std::vector<std::string>* faults)
      : model_(model), image_(image), faults_(faults) {}

  LoweredModel run();

 private:
  // A description fault; stops lowering of the node that raised it.
  struct Fault {
    std::string text;  // complete message
  };

  void fail(const Loc& where, const std::string& message) {
    throw Fault{fault_text(where, tree_, message)};
  }
  AItem lower(const Node& n);
  AItem lower_container(const Node& n, uint8_t kind);
  AItem lower_masked(const Node& n);
  AItem lower_leaf(const Node& n);
  AItem lower_case(const Node& n);
  AItem lower_ref(const Node& n);
  int block_of(std::vector<AItem> items, std::vector<Provenance> from);
  int single(const AItem& item, const Loc& where) { return block_of({item}, {{where, tree_}}); }
  std::vector<AItem> lower_list(const std::vector<Node>& nodes, std::vector<Provenance>& from);
  uint32_t word1_of(uint32_t tag, size_t count, const Loc& where);
  void lower_root(const RootEntry& r);

  const Model& model_;
  CompiledImage* image_;              // pools and tree names
  std::vector<std::string>* faults_;  // where faults go
  LoweredModel out_;                  // what lowering produced so far
  std::string tree_;                  // name of the tree being lowered, for messages
  std::map<std::vector<std::tuple<uint8_t, uint32_t, int, int, uint32_t>>, int> block_ids_;
  std::map<std::string, const NamedTree*> named_;  // named trees by name
  std::set<std::string> lowering_;                 // named trees being lowered (cycle check)
};

int Lowerer::block_of(std::vector<AItem> items, std::vector<Provenance> from) {
  std::vector<std::tuple<uint8_t, uint32_t, int, int, uint32_t>> key;
  key.reserve(items.size());
  for (const AItem& it : items) key.push_back(it.key());
  auto found = block_ids_.find(key);
  if (found != block_ids_.end()) return found->second;
  int id = static_cast<int>(out_.blocks.size());
  out_.blocks.push_back(Block{std::move(items), std::move(from)});
  block_ids_.emplace(std::move(key), id);
  return id;
}

uint32_t Lowerer::word1_of(uint32_t tag, size_t count, const Loc& where) {
  if (tag == kIdOfItsRoot) {
    fail(where, "a leaf without an id outside a tree of one id: write the id it answers");
  }
  if (tag > 0xFFFFu) fail(where, "tag or id " + std::to_string(tag) + " does not fit in 16 bits");
  if (count > kMaxCount) fail(where, "count " + std::to_string(count) + " does not fit in 16 bits");
  return make_word1(static_cast<uint16_t>(tag), static_cast<uint16_t>(count));
}

std::vector<AItem> Lowerer::lower_list(const std::vector<Node>& nodes,
                                       std::vector<Provenance>& from) {
  std::vector<AItem> out;
  for (const Node& child : nodes) {
    out.push_back(lower(child));
    const Node* origin = &child;
    while (origin->kind == NODE_LABEL && !origin->children.empty()) origin = &origin->children[0];
    from.push_back({origin->where, tree_});
  }
  return out;
}

AItem Lowerer::lower_leaf(const Node& n) {
  AItem it;
  auto check_range = [&](int64_t lo, int64_t hi, const char* what) {
    for (int64_t v : n.numbers) {
      if (v < lo || v > hi)
        fail(n.where,
             "value " + std::to_string(v) + " of id " + hex_id(n.tag) + " does not fit in " + what);
    }
  };
  size_t count = 0;
  switch (n.kind) {
    case NODE_INT8:
    case NODE_UINT8: {
      bool sign = n.kind == NODE_INT8;
      check_range(sign ? -128 : 0, sign ? 127 : 255, sign ? "int8" : "uint8");
      std::vector<uint8_t> v;
      for (int64_t x : n.numbers) v.push_back(static_cast<uint8_t>(x));
      it.kind = sign ? ITEM_INT8 : ITEM_UINT8;
      it.offset = intern(image_->byte_pool, v);
      count = v.size();
      break;
    }
    case NODE_INT16:
    case NODE_UINT16: {
      bool sign = n.kind == NODE_INT16;
      check_range(sign ? -32768 : 0, sign ? 32767 : 65535, sign ? "int16" : "uint16");
      std::vector<uint16_t> v;
      for (int64_t x : n.numbers) v.push_back(static_cast<uint16_t>(x));
      it.kind = sign ? ITEM_INT16 : ITEM_UINT16;
      it.offset = intern(image_->i16_pool, v);
      count = v.size();
      break;
    }
    case NODE_INT32: {
      check_range(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                  "int32");
      std::vector<int32_t> v;
      for (int64_t x : n.numbers) v.push_back(static_cast<int32_t>(x));
      it.kind = ITEM_INT32;
      it.offset = intern(image_->i32_pool, v);
      count = v.size();
      break;
    }
    case NODE_STRING: {
      std::vector<uint8_t> v(n.text.begin(), n.text.end());
      v.push_back(0);
      it.kind = ITEM_STRING;
      it.offset = intern(image_->byte_pool, v);
      count = v.size();
      break;
    }
    case NODE_BYTES:
      it.kind = ITEM_BYTES;
      it.offset = intern(image_->byte_pool, n.data);
      count = n.data.size();
      break;
    case NODE_COMPUTED:
      it.kind = ITEM_COMPUTED;
      count = n.value;
      if (count > kMaxCount) fail(n.where, "computed function number does not fit in 16 bits");
      break;
    default:
      fail(n.where, "not a leaf");
  }
  if (it.offset > kMaxOffset) fail(n.where, "pool offset does not fit in 24 bits");
  it.word1 = word1_of(n.tag, count, n.where);
  return it;
}

AItem Lowerer::lower_case(const Node& n) {
  if (n.children.size() != 1) fail(n.where, "a case needs exactly one target");
  AItem target = lower(n.children[0]);
  AItem it;
  it.off_block = single(target, n.children[0].where);
  switch (n.kind) {
    case NODE_CASE:
      it.kind = ITEM_CASE;
      it.word1 = n.value;
      break;
    case NODE_DEFAULT:
      it.kind = ITEM_DEFAULT;
      break;
    case NODE_CASE_RANGE: {
      if (n.lo > n.hi) fail(n.where, "range case with lower bound above upper bound");
      it.kind = ITEM_CASE_RANGE;
      it.word1 = intern(image_->i32_pool, std::vector<int32_t>{n.lo, n.hi});
      break;
    }
    case NODE_CASE_STRING: {
      std::vector<uint8_t> text(n.text.begin(), n.text.end());
      AItem text_item;
      text_item.kind = ITEM_BYTES;
      text_item.offset = intern(image_->match_pool, text);
      if (text_item.offset > kMaxOffset) fail(n.where, "match-pool offset does not fit in 24 bits");
      text_item.word1 = word1_of(0, text.size(), n.where);
      it.kind = ITEM_CASE_STRING;
      it.w1_block = single(text_item, n.where);
      break;
    }
    default:
      fail(n.where, "not a case");
  }
  return it;
}

// A container, select or (unmasked) switch: its children in one block.
AItem Lowerer::lower_container(const Node& n, uint8_t kind) {
  std::vector<Provenance> from;
  std::vector<AItem> children = lower_list(n.children, from);
  AItem it;
  it.kind = kind;
  const bool tagged = kind_info(kind).tag != TagMeaning::kNone;
  it.word1 = word1_of(tagged ? n.tag : 0, children.size(), n.where);
  if (!children.empty()) it.off_block = block_of(std::move(children), std::move(from));
  return it;
}

// A masked switch: its mask item, whose block holds the cases.
AItem Lowerer::lower_masked(const Node& n) {
  std::vector<Provenance> from;
  std::vector<AItem> cases = lower_list(n.children, from);
  AItem mask;
  mask.kind = ITEM_MASK;
  mask.word1 = n.value;
  if (!cases.empty()) mask.off_block = block_of(std::move(cases), std::move(from));
  AItem it;
  it.kind = ITEM_SWITCH_MASKED;
  it.word1 = word1_of(n.tag, n.children.size(), n.where);
  it.off_block = single(mask, n.where);
  return it;
}

// The named tree a ref() names, lowered once.
AItem Lowerer::lower_ref(const Node& n) {
  auto done = out_.named_items.find(n.text);
  if (done != out_.named_items.end()) return done->second;
  auto def = named_.find(n.text);
  if (def == named_.end()) fail(n.where, "unknown tree name '" + n.text + "'");
  if (lowering_.count(n.text)) fail(n.where, "tree '" + n.text + "' refers to itself");
  lowering_.insert(n.text);
  AItem it = lower(def->second->tree);
  lowering_.erase(n.text);
  out_.named_items.emplace(n.text, it);
  return it;
}

// A node's item kind is its NodeKind (description.h); the kinds table says
// what the item is.
AItem Lowerer::lower(const Node& n) {
  if (n.kind == NODE_REF) return lower_ref(n);
  if (n.kind == NODE_LABEL) {
    if (n.children.size() != 1) fail(n.where, "a label needs exactly one node");
    AItem it = lower(n.children[0]);
    out_.labels.emplace_back(n.text, it);
    return it;
  }
  const uint8_t kind = node_item_kind(n.kind);
  switch (kind_info(kind).shape) {
    case ItemShape::kContainer:
    case ItemShape::kSelect:
    case ItemShape::kStringSwitch:
      return lower_container(n, kind);
    case ItemShape::kSwitch:
      return kind == ITEM_SWITCH_MASKED ? lower_masked(n) : lower_container(n, kind);
    case ItemShape::kCase:
      return lower_case(n);
    case ItemShape::kLeaf:
      return lower_leaf(n);
    case ItemShape::kMask:
    case ItemShape::kInvalid:
      break;
  }
  fail(n.where, "empty node");
  return AItem{};
}

// One registered tree; distinct root items form the top-level block.
void Lowerer::lower_root(const RootEntry& r) {
  tree_ = r.ids.empty() ? r.fragment : hex_id(r.ids.front());
  AItem root;
  try {
    if (r.ids.empty() && r.fragment.empty())
      fail(r.where, "a tree registered with neither ids nor a fragment label");
    root = lower(r.tree);
  } catch (const Fault& f) {
    faults_->push_back(f.text);
    return;
  }
  size_t t = 0;
  while (t < out_.top.size() && out_.top[t].key() != root.key()) ++t;
  if (t == out_.top.size()) {
    out_.top.push_back(root);
    out_.top_from.push_back({r.tree.where, tree_});
    out_.groups.emplace_back();
    image_->tree_names.push_back(tree_);
  }
  for (uint16_t id : r.ids) {
    out_.groups[t].insert(id);
    out_.slots.push_back({id, t, r.where});
  }
  if (r.ids.empty()) {
    if (model_.has_top()) out_.groups[t].insert(model_.top_id());
    out_.fragment_labels.emplace_back(r.fragment, t);
  }
}

LoweredModel Lowerer::run() {
  for (const NamedTree& t : model_.trees()) {
    if (!named_.emplace(t.name, &t).second)
      faults_->push_back(fault_text(t.where, t.name, "tree name defined twice"));
  }
  for (const RootEntry& r : model_.roots()) lower_root(r);
  for (const NamedTree& t : model_.trees()) {
    if (!out_.named_items.count(t.name))
      faults_->push_back(
          fault_text(t.where, t.name, "named tree is used by no root, fragment or ref"));
  }
  return std::move(out_);
}

}  // namespace

LoweredModel lower_model(const Model& model, CompiledImage* image,
                         std::vector<std::string>* faults) {
  return Lowerer(model, image, faults).run();
}

}  // namespace orv::model
