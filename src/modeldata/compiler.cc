// The model compiler. Nodes are first lowered bottom-up into abstract items
// grouped in blocks (the consecutive children of one container, the cases of
// one switch, one case target), where identical blocks are merged; then the
// blocks are placed in the item table breadth-first from the top-level block
// and the item words are filled in.
#include "modeldata/compiler.h"

#include <stdio.h>

#include <algorithm>
#include <limits>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "modeldata/verifier.h"

namespace orv::model {

std::string id_text(uint32_t id) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id));
  return buf;
}

std::string place_text(const Loc& where) {
  std::string file = where.file_name();
#ifdef ORVDB_SOURCE_DIR
  const std::string root = std::string(ORVDB_SOURCE_DIR) + "/";
  if (file.compare(0, root.size(), root) == 0) file.erase(0, root.size());
#endif
  return file + ":" + std::to_string(where.line());
}

std::string fault_text(const Loc& where, const std::string& tree, const std::string& message) {
  return place_text(where) + ": error: tree " + tree + ": " + message;
}

Image CompiledImage::view() const {
  Image image{};
  image.items = items.empty() ? nullptr : items.data();
  image.item_count = static_cast<uint32_t>(items.size());
  image.root_ids = root_ids.empty() ? nullptr : root_ids.data();
  image.root_items = root_items.empty() ? nullptr : root_items.data();
  image.root_count = static_cast<uint32_t>(root_ids.size());
  image.i32_pool = i32_pool.empty() ? nullptr : i32_pool.data();
  image.i32_count = static_cast<uint32_t>(i32_pool.size());
  image.i16_pool = i16_pool.empty() ? nullptr : i16_pool.data();
  image.i16_count = static_cast<uint32_t>(i16_pool.size());
  image.byte_pool = byte_pool.empty() ? nullptr : byte_pool.data();
  image.byte_count = static_cast<uint32_t>(byte_pool.size());
  image.match_pool = match_pool.empty() ? nullptr : match_pool.data();
  image.match_count = static_cast<uint32_t>(match_pool.size());
  image.drv_tables = nullptr;
  return image;
}

namespace {

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

class Compiler {
 public:
  explicit Compiler(const Model& model) : model_(model) {}

  CompileResult run();

 private:
  // A description fault; stops lowering of the node that raised it.
  struct Fault {
    std::string text;  // complete message
  };

  void fail(const Loc& where, const std::string& message) {
    throw Fault{fault_text(where, tree_, message)};
  }
  AItem lower(const Node& n);
  AItem lower_leaf(const Node& n);
  AItem lower_case(const Node& n);
  int block_of(std::vector<AItem> items, std::vector<Provenance> from);
  int single(const AItem& item, const Loc& where) { return block_of({item}, {{where, tree_}}); }
  std::vector<AItem> lower_list(const std::vector<Node>& nodes, std::vector<Provenance>& from);
  uint32_t word1_of(uint32_t tag, size_t count, const Loc& where);
  void place_all();
  void place(int block);
  uint32_t resolve(int block) const { return block_base_[block]; }

  const Model& model_;
  CompileResult result_;
  std::string tree_;  // name of the tree being lowered, for messages
  std::vector<Block> blocks_;
  std::map<std::vector<std::tuple<uint8_t, uint32_t, int, int, uint32_t>>, int> block_ids_;
  std::map<std::string, const NamedTree*> named_;
  std::map<std::string, AItem> named_items_;           // lowered named trees
  std::set<std::string> lowering_;                     // named trees being lowered (cycle check)
  std::vector<std::pair<std::string, AItem>> labels_;  // label names and their items
  std::vector<int> block_base_;                        // item index of each placed block, -1 if not
  std::map<AItem, uint32_t> placed_;                   // first item index of each distinct item
  std::vector<int> queue_;                             // blocks placed but not yet expanded
};

int Compiler::block_of(std::vector<AItem> items, std::vector<Provenance> from) {
  std::vector<std::tuple<uint8_t, uint32_t, int, int, uint32_t>> key;
  key.reserve(items.size());
  for (const AItem& it : items) key.push_back(it.key());
  auto found = block_ids_.find(key);
  if (found != block_ids_.end()) return found->second;
  int id = static_cast<int>(blocks_.size());
  blocks_.push_back(Block{std::move(items), std::move(from)});
  block_ids_.emplace(std::move(key), id);
  return id;
}

uint32_t Compiler::word1_of(uint32_t tag, size_t count, const Loc& where) {
  if (tag > 0xFFFFu) fail(where, "tag or id " + std::to_string(tag) + " does not fit in 16 bits");
  if (count > kMaxCount) fail(where, "count " + std::to_string(count) + " does not fit in 16 bits");
  return make_word1(static_cast<uint16_t>(tag), static_cast<uint16_t>(count));
}

std::vector<AItem> Compiler::lower_list(const std::vector<Node>& nodes,
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

AItem Compiler::lower_leaf(const Node& n) {
  AItem it;
  auto check_range = [&](int64_t lo, int64_t hi, const char* what) {
    for (int64_t v : n.numbers) {
      if (v < lo || v > hi)
        fail(n.where, "value " + std::to_string(v) + " of id " + id_text(n.tag) +
                          " does not fit in " + what);
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
      it.offset = intern(result_.image.byte_pool, v);
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
      it.offset = intern(result_.image.i16_pool, v);
      count = v.size();
      break;
    }
    case NODE_INT32: {
      check_range(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                  "int32");
      std::vector<int32_t> v;
      for (int64_t x : n.numbers) v.push_back(static_cast<int32_t>(x));
      it.kind = ITEM_INT32;
      it.offset = intern(result_.image.i32_pool, v);
      count = v.size();
      break;
    }
    case NODE_STRING: {
      std::vector<uint8_t> v(n.text.begin(), n.text.end());
      v.push_back(0);
      it.kind = ITEM_STRING;
      it.offset = intern(result_.image.byte_pool, v);
      count = v.size();
      break;
    }
    case NODE_BYTES:
      it.kind = ITEM_BYTES;
      it.offset = intern(result_.image.byte_pool, n.data);
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

AItem Compiler::lower_case(const Node& n) {
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
      it.word1 = intern(result_.image.i32_pool, std::vector<int32_t>{n.lo, n.hi});
      break;
    }
    case NODE_CASE_STRING: {
      std::vector<uint8_t> text(n.text.begin(), n.text.end());
      AItem text_item;
      text_item.kind = ITEM_BYTES;
      text_item.offset = intern(result_.image.match_pool, text);
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

AItem Compiler::lower(const Node& n) {
  AItem it;
  switch (n.kind) {
    case NODE_NONE:
      fail(n.where, "empty node");
      break;
    case NODE_SEQUENCE:
    case NODE_SELECT:
    case NODE_BRANCH:
    case NODE_SWITCH_SELECTOR:
    case NODE_SWITCH_STRING:
    case NODE_SWITCH_PRINTER_DATA:
    case NODE_SWITCH_LOCALE: {
      static const std::map<NodeKind, uint8_t> kinds = {
          {NODE_SEQUENCE, ITEM_SEQUENCE},
          {NODE_SELECT, ITEM_SELECT},
          {NODE_BRANCH, ITEM_BRANCH},
          {NODE_SWITCH_SELECTOR, ITEM_SWITCH_SELECTOR},
          {NODE_SWITCH_STRING, ITEM_SWITCH_STRING},
          {NODE_SWITCH_PRINTER_DATA, ITEM_SWITCH_PRINTER_DATA},
          {NODE_SWITCH_LOCALE, ITEM_SWITCH_LOCALE}};
      std::vector<Provenance> from;
      std::vector<AItem> children = lower_list(n.children, from);
      it.kind = kinds.at(n.kind);
      it.word1 = word1_of(n.kind == NODE_SEQUENCE ? 0 : n.tag, children.size(), n.where);
      if (!children.empty()) it.off_block = block_of(std::move(children), std::move(from));
      break;
    }
    case NODE_SWITCH_MASKED: {
      std::vector<Provenance> from;
      std::vector<AItem> cases = lower_list(n.children, from);
      AItem mask;
      mask.kind = ITEM_MASK;
      mask.word1 = n.value;
      if (!cases.empty()) mask.off_block = block_of(std::move(cases), std::move(from));
      it.kind = ITEM_SWITCH_MASKED;
      it.word1 = word1_of(n.tag, n.children.size(), n.where);
      it.off_block = single(mask, n.where);
      break;
    }
    case NODE_CASE:
    case NODE_CASE_STRING:
    case NODE_CASE_RANGE:
    case NODE_DEFAULT:
      it = lower_case(n);
      break;
    case NODE_INT8:
    case NODE_UINT8:
    case NODE_INT16:
    case NODE_UINT16:
    case NODE_INT32:
    case NODE_STRING:
    case NODE_BYTES:
    case NODE_COMPUTED:
      it = lower_leaf(n);
      break;
    case NODE_REF: {
      auto done = named_items_.find(n.text);
      if (done != named_items_.end()) return done->second;
      auto def = named_.find(n.text);
      if (def == named_.end()) fail(n.where, "unknown tree name '" + n.text + "'");
      if (lowering_.count(n.text)) fail(n.where, "tree '" + n.text + "' refers to itself");
      lowering_.insert(n.text);
      it = lower(def->second->tree);
      lowering_.erase(n.text);
      named_items_.emplace(n.text, it);
      return it;
    }
    case NODE_LABEL:
      if (n.children.size() != 1) fail(n.where, "a label needs exactly one node");
      it = lower(n.children[0]);
      labels_.emplace_back(n.text, it);
      return it;
  }
  return it;
}

void Compiler::place(int block) {
  if (block < 0 || block_base_[block] >= 0) return;
  const Block& b = blocks_[block];
  auto& items = result_.image.items;
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
    result_.image.item_from.push_back(b.from[i]);
  }
  queue_.push_back(block);
}

CompileResult Compiler::run() {
  CompiledImage& img = result_.image;
  for (const NamedTree& t : model_.trees()) {
    if (!named_.emplace(t.name, &t).second)
      result_.faults.push_back(fault_text(t.where, t.name, "tree name defined twice"));
  }

  // Lower every registered tree; distinct root items form the top-level block.
  std::vector<AItem> top;
  std::vector<Provenance> top_from;
  std::vector<std::set<uint16_t>> groups;
  struct Slot {
    uint16_t id;
    size_t tree;
    Loc where;
  };
  std::vector<Slot> slots;
  std::vector<std::pair<std::string, size_t>> fragment_labels;
  for (const RootEntry& r : model_.roots()) {
    tree_ = r.ids.empty() ? r.fragment : id_text(r.ids.front());
    AItem root;
    try {
      if (r.ids.empty() && r.fragment.empty())
        fail(r.where, "a tree registered with neither ids nor a fragment label");
      root = lower(r.tree);
    } catch (const Fault& f) {
      result_.faults.push_back(f.text);
      continue;
    }
    size_t t = 0;
    while (t < top.size() && top[t].key() != root.key()) ++t;
    if (t == top.size()) {
      top.push_back(root);
      top_from.push_back({r.tree.where, tree_});
      groups.emplace_back();
      img.tree_names.push_back(tree_);
    }
    for (uint16_t id : r.ids) {
      groups[t].insert(id);
      slots.push_back({id, t, r.where});
    }
    if (r.ids.empty()) {
      if (model_.has_top()) groups[t].insert(model_.top_id());
      fragment_labels.emplace_back(r.fragment, t);
    }
  }
  for (const NamedTree& t : model_.trees()) {
    if (!named_items_.count(t.name))
      result_.faults.push_back(
          fault_text(t.where, t.name, "named tree is used by no root, fragment or ref"));
  }
  if (!result_.faults.empty()) return std::move(result_);

  // Place: the top-level sequence first, then the tree roots, then breadth-first.
  block_base_.assign(blocks_.size() + 1, -1);
  img.has_top = model_.has_top();
  img.top_id = model_.top_id();
  img.top_where = model_.top_where();
  if (img.has_top) {
    img.items.push_back(Item{0, 0});
    img.item_from.push_back({model_.top_where(), id_text(model_.top_id())});
  }
  const uint32_t top_base = static_cast<uint32_t>(img.items.size());
  blocks_.push_back(Block{top, top_from});
  const int top_block = static_cast<int>(blocks_.size()) - 1;
  place(top_block);
  for (size_t q = 0; q < queue_.size(); ++q) {
    const Block& b = blocks_[queue_[q]];
    for (const AItem& it : b.items) {
      place(it.w1_block);
      place(it.off_block);
    }
  }
  // Fill in the words.
  for (int b : queue_) {
    const Block& block = blocks_[b];
    for (size_t i = 0; i < block.items.size(); ++i) {
      const AItem& it = block.items[i];
      uint32_t offset = it.off_block >= 0 ? resolve(it.off_block) : it.offset;
      uint32_t word1 = it.w1_block >= 0 ? resolve(it.w1_block) : it.word1;
      if (offset > kMaxOffset) {
        const Provenance& p = block.from[i];
        result_.faults.push_back(fault_text(p.where, p.tree, "offset does not fit in 24 bits"));
      }
      img.items[resolve(b) + i] = Item{make_word0(it.kind, offset), word1};
    }
  }
  if (img.has_top) {
    if (top.size() > kMaxCount)
      result_.faults.push_back(fault_text(model_.top_where(), id_text(model_.top_id()),
                                          "too many trees for the top-level sequence"));
    img.items[0] =
        Item{make_word0(ITEM_SEQUENCE, top_base), make_word1(0, static_cast<uint16_t>(top.size()))};
    slots.push_back({model_.top_id(), top.size(), model_.top_where()});
  }

  // Root index, ascending by id (stable, so a duplicate keeps its call order).
  std::stable_sort(slots.begin(), slots.end(),
                   [](const Slot& a, const Slot& b) { return a.id < b.id; });
  for (const Slot& s : slots) {
    img.root_ids.push_back(s.id);
    img.root_items.push_back(s.tree == top.size() ? 0 : top_base + static_cast<uint32_t>(s.tree));
    img.root_where.push_back(s.where);
  }
  for (size_t t = 0; t < top.size(); ++t) {
    img.tree_items.push_back(top_base + static_cast<uint32_t>(t));
    img.tree_groups.emplace_back(groups[t].begin(), groups[t].end());
  }

  // Labels: named trees, fragments and label() nodes.
  auto add_label = [&](const std::string& name, uint32_t index, const Loc& where) {
    if (!img.labels.emplace(name, index).second && img.labels[name] != index)
      result_.faults.push_back(fault_text(where, name, "label names two different items"));
  };
  for (const auto& [name, t] : fragment_labels)
    add_label(name, top_base + static_cast<uint32_t>(t), model_.top_where());
  for (const NamedTree& t : model_.trees()) {
    auto found = placed_.find(named_items_.at(t.name));
    if (found != placed_.end()) add_label(t.name, found->second, t.where);
  }
  for (const auto& [name, item] : labels_) {
    auto found = placed_.find(item);
    if (found != placed_.end()) add_label(name, found->second, model_.top_where());
  }

  std::vector<std::string> faults = verify(img);
  result_.faults.insert(result_.faults.end(), faults.begin(), faults.end());
  return std::move(result_);
}

// Collects what the extra table writers produce.
class AuxCollector : public AuxWriter {
 public:
  explicit AuxCollector(CompiledImage& image) : image_(image) {}
  uint32_t item_of(const std::string& name) const override {
    auto found = image_.labels.find(name);
    if (found == image_.labels.end()) throw std::runtime_error("unknown label '" + name + "'");
    return found->second;
  }
  void include(const std::string& header) override {
    if (std::find(image_.aux_includes.begin(), image_.aux_includes.end(), header) ==
        image_.aux_includes.end())
      image_.aux_includes.push_back(header);
  }
  void array(const std::string& name, const std::string& c_type,
             const std::vector<int64_t>& values) override {
    static const std::map<std::string, std::pair<int64_t, int64_t>> ranges = {
        {"uint8_t", {0, 255}},
        {"int8_t", {-128, 127}},
        {"uint16_t", {0, 65535}},
        {"int16_t", {-32768, 32767}},
        {"uint32_t", {0, 0xFFFFFFFFll}},
        {"int32_t", {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}}};
    auto range = ranges.find(c_type);
    if (range == ranges.end())
      throw std::runtime_error("table " + name + ": unknown type " + c_type);
    std::string code = "static const " + c_type + " " + name + "[" +
                       std::to_string(std::max<size_t>(values.size(), 1)) + "] = {";
    for (size_t i = 0; i < values.size(); ++i) {
      int64_t v = values[i];
      if (v < range->second.first || v > range->second.second)
        throw std::runtime_error("table " + name + ": value " + std::to_string(v) +
                                 " does not fit in " + c_type);
      code += (i % 16 == 0 ? "\n    " : " ") + std::to_string(v) +
              (c_type == "uint32_t" ? "u" : "") + ",";
    }
    if (values.empty()) code += "0";
    code += "\n};\n";
    image_.aux_code += code;
  }
  void text(const std::string& code) override { image_.aux_code += code + "\n"; }
  void set_drv_tables(const std::string& object_name) override {
    image_.drv_tables_object = object_name;
  }

 private:
  CompiledImage& image_;
};

}  // namespace

CompileResult compile(const Model& model) {
  CompileResult result = Compiler(model).run();
  if (!result.ok()) return result;
  AuxCollector aux(result.image);
  for (const auto& writer : model.aux_writers()) {
    try {
      writer(aux);
    } catch (const std::exception& e) {
      result.faults.push_back(std::string("error: extra tables: ") + e.what());
    }
  }
  return result;
}

}  // namespace orv::model
