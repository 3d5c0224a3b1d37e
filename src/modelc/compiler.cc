// The model compiler. Nodes are first lowered bottom-up into abstract items
// grouped in blocks (the consecutive children of one container, the cases of
// one switch, one case target), where identical blocks are merged; then the
// blocks are placed in the item table breadth-first from the top-level block
// and the item words are filled in.
#include "modelc/compiler.h"

#include <stdio.h>

#include <algorithm>
#include <limits>
#include <set>
#include <tuple>
#include <utility>

#include "modelc/verifier.h"

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

std::string entry_fault_text(const Loc& where, const std::string& subject,
                             const std::string& message) {
  return place_text(where) + ": error: " + subject + ": " + message;
}

std::string fault_text(const Loc& where, const std::string& tree, const std::string& message) {
  return entry_fault_text(where, "tree " + tree, message);
}

namespace {

template <typename T>
const T* data_or_null(const std::vector<T>& v) {
  return v.empty() ? nullptr : v.data();
}

}  // namespace

DrvTables CompiledDrvTables::view() const {
  DrvTables t{};
  t.sel_indices = data_or_null(sel_indices);
  t.sel_value_counts = data_or_null(sel_value_counts);
  t.sel_first = data_or_null(sel_first);
  t.sel_count = static_cast<uint32_t>(sel_indices.size());
  t.sel_values = data_or_null(sel_values);
  t.sel_value_ids = data_or_null(sel_value_ids);
  t.sel_value_count = static_cast<uint32_t>(sel_values.size());
  t.seq_ids = data_or_null(seq_ids);
  t.seq_fragment_counts = data_or_null(seq_fragment_counts);
  t.seq_first = data_or_null(seq_first);
  t.seq_count = static_cast<uint32_t>(seq_ids.size());
  t.seq_fragments = data_or_null(seq_fragments);
  t.seq_fragment_count = static_cast<uint32_t>(seq_fragments.size());
  t.mode_rows = data_or_null(mode_rows);
  t.mode_count = static_cast<uint32_t>(mode_rows.size());
  t.part_a = data_or_null(parts[0]);
  t.part_a_count = static_cast<uint32_t>(parts[0].size() / kModePartSizes[0]);
  t.part_b = data_or_null(parts[1]);
  t.part_b_count = static_cast<uint32_t>(parts[1].size() / kModePartSizes[1]);
  t.part_c = data_or_null(parts[2]);
  t.part_c_count = static_cast<uint32_t>(parts[2].size() / kModePartSizes[2]);
  t.part_d = data_or_null(parts[3]);
  t.part_d_count = static_cast<uint32_t>(parts[3].size() / kModePartSizes[3]);
  return t;
}

Image CompiledImage::view() const {
  Image image{};
  image.items = data_or_null(items);
  image.item_count = static_cast<uint32_t>(items.size());
  image.root_ids = data_or_null(root_ids);
  image.root_items = data_or_null(root_items);
  image.root_count = static_cast<uint32_t>(root_ids.size());
  image.i32_pool = data_or_null(i32_pool);
  image.i32_count = static_cast<uint32_t>(i32_pool.size());
  image.i16_pool = data_or_null(i16_pool);
  image.i16_count = static_cast<uint32_t>(i16_pool.size());
  image.byte_pool = data_or_null(byte_pool);
  image.byte_count = static_cast<uint32_t>(byte_pool.size());
  image.match_pool = data_or_null(match_pool);
  image.match_count = static_cast<uint32_t>(match_pool.size());
  image.drv_tables = nullptr;
  if (has_drv_tables) {
    drv_view = drv.view();
    image.drv_tables = &drv_view;
  }
  image.model_name = model_name.empty() ? nullptr : model_name.c_str();
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
  void lay_out_drv_tables();
  bool fits(const Loc& where, const std::string& subject, const char* what, int64_t value,
            int64_t lo, int64_t hi);
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

bool Compiler::fits(const Loc& where, const std::string& subject, const char* what, int64_t value,
                    int64_t lo, int64_t hi) {
  if (value >= lo && value <= hi) return true;
  result_.faults.push_back(
      entry_fault_text(where, subject,
                       std::string(what) + " " + std::to_string(value) + " does not fit in " +
                           (lo < 0 ? "signed " : "unsigned ") +
                           std::to_string(hi >= 0xFFFFFFFFll ? 32 : 16) + " bits"));
  return false;
}

// The Drv tables from their entries: positions and counts from the order of
// the entries, fragment item indices from the labels. What only the image
// shows (positions, uniqueness, part indices, fragment trees) the verifier
// checks.
void Compiler::lay_out_drv_tables() {
  const DrvTableEntries& in = model_.drv_tables();
  CompiledImage& img = result_.image;
  CompiledDrvTables& t = img.drv;
  img.has_drv_tables = !in.empty();
  constexpr int64_t kU16 = 0xFFFF, kU32 = 0xFFFFFFFFll;
  for (const SelectorValuesEntry& e : in.selector_values) {
    const std::string subject = "selector-value table";
    fits(e.where, subject, "selector", e.selector, 0, kU16);
    fits(e.where, subject, "value count", static_cast<int64_t>(e.values.size()), 0, kU16);
    t.sel_indices.push_back(static_cast<uint16_t>(e.selector));
    t.sel_value_counts.push_back(static_cast<uint16_t>(e.values.size()));
    t.sel_first.push_back(static_cast<uint32_t>(t.sel_values.size()));
    t.sel_where.push_back(e.where);
    for (const SelectorValue& v : e.values) {
      fits(e.where, subject, "value", v.value, 0, kU16);
      fits(e.where, subject, "value identifier", v.value_id, 0, kU32);
      t.sel_values.push_back(static_cast<uint16_t>(v.value));
      t.sel_value_ids.push_back(static_cast<uint32_t>(v.value_id));
    }
  }
  for (const CommandSequenceEntry& e : in.command_sequences) {
    const std::string subject = "command sequence " + id_text(static_cast<uint32_t>(e.id));
    fits(e.where, subject, "id", e.id, 0, kU16);
    fits(e.where, subject, "fragment count", static_cast<int64_t>(e.fragments.size()), 0, kU16);
    t.seq_ids.push_back(static_cast<uint16_t>(e.id));
    t.seq_fragment_counts.push_back(static_cast<uint16_t>(e.fragments.size()));
    t.seq_first.push_back(static_cast<uint32_t>(t.seq_fragments.size()));
    t.seq_where.push_back(e.where);
    for (const std::string& label : e.fragments) {
      auto found = img.labels.find(label);
      if (found == img.labels.end()) {
        result_.faults.push_back(
            entry_fault_text(e.where, subject, "unknown fragment label '" + label + "'"));
        t.seq_fragments.push_back(0);
        continue;
      }
      t.seq_fragments.push_back(found->second);
    }
  }
  for (const ModeRowEntry& e : in.mode_rows) {
    const std::string subject = "mode table row " + std::to_string(t.mode_rows.size());
    ModeRow row{};
    for (uint32_t k = 0; k < kModeKeyCount; ++k) {
      fits(e.where, subject, "key", e.keys[k], -32768, 32767);
      row.keys[k] = static_cast<int16_t>(e.keys[k]);
    }
    uint16_t parts[kModePartCount] = {};
    for (uint32_t p = 0; p < kModePartCount; ++p) {
      fits(e.where, subject, "part record index", e.parts[p], 0, kU16);
      parts[p] = static_cast<uint16_t>(e.parts[p]);
    }
    row.part_a = parts[0], row.part_b = parts[1], row.part_c = parts[2], row.part_d = parts[3];
    t.mode_rows.push_back(row);
    t.mode_where.push_back(e.where);
  }
  for (const ModePartRecordEntry& e : in.mode_part_records) {
    if (e.part >= kModePartCount) {
      result_.faults.push_back(entry_fault_text(
          e.where, "mode part table", "part " + std::to_string(e.part) + " does not exist"));
      continue;
    }
    const std::string subject = std::string("mode part ") + kModePartNames[e.part] + " record " +
                                std::to_string(t.parts_where[e.part].size());
    if (e.record.size() != kModePartSizes[e.part]) {
      result_.faults.push_back(entry_fault_text(
          e.where, subject,
          "record of " + std::to_string(e.record.size()) + " bytes, where the part's records are " +
              std::to_string(kModePartSizes[e.part]) + " bytes"));
      continue;
    }
    t.parts[e.part].insert(t.parts[e.part].end(), e.record.begin(), e.record.end());
    t.parts_where[e.part].push_back(e.where);
  }
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
  img.model_name = model_.name();
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

  // A table entry at fault would only be reported again by the verifier.
  const size_t before_tables = result_.faults.size();
  lay_out_drv_tables();
  if (result_.faults.size() > before_tables) return std::move(result_);
  std::vector<std::string> faults = verify(img);
  result_.faults.insert(result_.faults.end(), faults.begin(), faults.end());
  return std::move(result_);
}

}  // namespace

namespace {

// Faults of the ids' meanings: each names a root id, once, in one line.
void check_abouts(const Model& model, CompileResult* result) {
  const std::vector<uint16_t>& ids = result->image.root_ids;
  std::set<uint16_t> seen;
  for (const IdAbout& a : model.abouts()) {
    std::string tree = id_text(a.id);
    if (std::find(ids.begin(), ids.end(), a.id) == ids.end())
      result->faults.push_back(fault_text(a.where, tree, "a meaning for an id with no tree"));
    if (!seen.insert(a.id).second)
      result->faults.push_back(fault_text(a.where, tree, "the id's meaning is given twice"));
    if (a.meaning.empty() || (a.meaning + a.unit).find('\n') != std::string::npos)
      result->faults.push_back(fault_text(a.where, tree, "a meaning is one line of text"));
  }
}

}  // namespace

std::vector<uint16_t> ids_without_meaning(const Model& model, const CompiledImage& image) {
  std::set<uint16_t> described;
  for (const IdAbout& a : model.abouts()) described.insert(a.id);
  std::vector<uint16_t> out;
  for (uint16_t id : image.root_ids) {
    if (!described.count(id) && (out.empty() || out.back() != id)) out.push_back(id);
  }
  return out;
}

CompileResult compile(const Model& model) {
  CompileResult result = Compiler(model).run();
  if (!result.ok()) return result;
  check_abouts(model, &result);
  return result;
}

}  // namespace orv::model
