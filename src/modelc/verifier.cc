// The image verifier: visits every tree the way the engine will walk it,
// but every alternative, and reports each fault with the item, tree or slot
// where it was found. The compiler turns those into description places.
#include "modelc/verifier.h"

#include <assert.h>

#include <algorithm>
#include <map>
#include <set>
#include <type_traits>
#include <utility>

#include "computed/compute.h"
#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "engine/resolver.h"
#include "modelc/table_schema.h"

namespace orv::model {
namespace {

// How an item was reached; decides which kinds may stand there.
enum Role {
  ROLE_NODE,         // a tree root, a child of a sequence or branch, a case target
  ROLE_UNDER_SELECT  // a child of a select
};

std::string kind_text(uint8_t kind) {
  return std::to_string(kind) + " (" + kind_info(kind).name + ")";
}

class ImageVerifier {
 public:
  explicit ImageVerifier(const Image& image)
      : img_(image), reached_(image.items != nullptr ? image.item_count : 0, false) {}
  ImageReport run();

 private:
  void fault(uint32_t item, std::string message, uint32_t slot = kNoItem) {
    report_.faults.push_back(
        ImageFault{tree_, item, slot, DrvTableKind::kNone, kNoItem, std::move(message)});
  }
  void table_fault(DrvTableKind table, uint32_t entry, std::string message) {
    report_.faults.push_back(
        ImageFault{kNoItem, kNoItem, kNoItem, table, entry, std::move(message)});
  }
  void reach(uint32_t item) {
    if (item < reached_.size()) reached_[item] = true;
  }
  bool all_inside(uint32_t from, const ItemLinks& links, const char* what);
  void sizes();
  void tables();
  void find_trees();
  void drv_tables();
  void selector_value_table(const DrvTables& t);
  void command_sequence_table(const DrvTables& t);
  void mode_tables(const DrvTables& t);
  bool holds_leaf_of(uint32_t item, uint16_t id) const;
  void check_leaf_ids();
  void visit(uint32_t item, Role role);
  void leaf(uint32_t item, const Item& it);
  void cases(uint32_t sw, const ItemLinks& links, bool strings);
  int height(uint32_t item);

  const Image& img_;
  ImageReport report_;
  std::vector<bool> reached_;                          // items some tree reaches
  std::vector<uint32_t> roots_;                        // root item of every tree, in order
  std::map<uint32_t, std::set<uint16_t>> groups_;      // tree -> ids its leaves may answer
  std::map<uint32_t, std::set<uint32_t>> reaches_;     // tree -> other trees its walk enters
  std::vector<std::pair<uint32_t, uint32_t>> leaves_;  // (tree, leaf) pairs met
  uint32_t tree_ = kNoItem;                            // tree being checked
  std::set<std::pair<uint32_t, int>> seen_;            // (item, role) visited in this tree
  std::map<uint32_t, int> heights_;                    // levels below each item, once known
  std::set<uint32_t> on_path_;                         // items whose height is being found
};

bool ImageVerifier::all_inside(uint32_t from, const ItemLinks& links, const char* what) {
  if (links.inside == links.count) return true;
  fault(from, std::string(what) + " at item " + std::to_string(links.first) + " (+" +
                  std::to_string(links.count) + ") beyond the item table");
  return false;
}

void ImageVerifier::leaf(uint32_t item, const Item& it) {
  uint8_t kind = item_kind(it.word0);
  uint16_t id = item_tag(it.word1);
  uint16_t count = item_count(it.word1);
  leaves_.push_back({tree_, item});
  if (kind == ITEM_COMPUTED) {
    if (count < kCustomExtentCommand || count > kSilentModeBlock)
      fault(item, "computed leaf of id " + hex_id(id) + " names function " + std::to_string(count) +
                      ", which does not exist");
    return;
  }
  uint64_t end = uint64_t{item_offset(it.word0)} + count;
  uint64_t pool = 0;
  switch (kind) {
    case ITEM_INT32:
      pool = img_.i32_pool ? img_.i32_count : 0;
      break;
    case ITEM_INT16:
    case ITEM_UINT16:
      pool = img_.i16_pool ? img_.i16_count : 0;
      break;
    default:
      pool = img_.byte_pool ? img_.byte_count : 0;
  }
  if (end > pool) {
    fault(item, "leaf of id " + hex_id(id) + " reaches beyond its pool");
    return;
  }
  if (kind == ITEM_STRING && (count == 0 || img_.byte_pool[end - 1] != 0))
    fault(item, "string of id " + hex_id(id) + " is not terminated");
}

void ImageVerifier::cases(uint32_t sw, const ItemLinks& links, bool strings) {
  if (!all_inside(sw, links, "cases")) return;
  for (uint32_t i = 0; i < links.count; ++i) {
    uint32_t c = links.first + i;
    const Item& it = img_.items[c];
    reach(c);
    uint8_t kind = item_kind(it.word0);
    CaseTest test = kind_info(kind).test;
    bool allowed =
        test == CaseTest::kAlways ||
        (strings ? test == CaseTest::kText : test == CaseTest::kValue || test == CaseTest::kRange);
    if (!allowed) {
      fault(c, "item of kind " + kind_text(kind) + " stands where a " +
                   (strings ? "string case" : "case") + " must stand");
      continue;
    }
    if (test == CaseTest::kAlways && i + 1 < links.count)
      fault(c, "cases after a default case are never tried");
    int32_t lo = 0, hi = 0;
    if (test == CaseTest::kRange && !range_bounds(img_, it, &lo, &hi))
      fault(c, "range case bounds beyond the i32 pool");
    uint32_t offset = 0, length = 0;
    if (test == CaseTest::kText) {
      switch (case_text(img_, it, &offset, &length)) {
        case CaseText::kBeyondTable:
          fault(c, "case text at item " + std::to_string(it.word1) + " beyond the item table");
          break;
        case CaseText::kNotBytes:
          fault(c, "case text is not a bytes item");
          break;
        case CaseText::kBeyondPool:
          fault(c, "case text beyond the match-string pool");
          [[fallthrough]];
        case CaseText::kFound:
          reach(it.word1);
      }
    }
    ItemLinks target{};
    if (item_links(img_, it, &target) && all_inside(c, target, "case target"))
      visit(target.first, ROLE_NODE);
  }
}

void ImageVerifier::visit(uint32_t item, Role role) {
  if (item != tree_ && groups_.count(item)) {
    reaches_[tree_].insert(item);  // another tree, checked on its own
    return;
  }
  if (!seen_.emplace(item, role).second) return;
  reach(item);
  const Item& it = img_.items[item];
  uint8_t kind = item_kind(it.word0);
  if (role == ROLE_UNDER_SELECT && kind != ITEM_BRANCH)
    fault(item, "a select holds an item of kind " + kind_text(kind) + " that is not a branch");
  ItemLinks links{};
  switch (kind_info(kind).shape) {
    case ItemShape::kLeaf:
      leaf(item, it);
      return;
    case ItemShape::kContainer:
    case ItemShape::kSelect:
      if (kind == ITEM_BRANCH && role != ROLE_UNDER_SELECT)
        fault(item, "a branch outside a select");
      item_links(img_, it, &links);
      if (!all_inside(item, links, kind == ITEM_SELECT ? "branches" : "children")) return;
      for (uint32_t i = 0; i < links.count; ++i)
        visit(links.first + i, kind == ITEM_SELECT ? ROLE_UNDER_SELECT : ROLE_NODE);
      return;
    case ItemShape::kSwitch:
    case ItemShape::kStringSwitch:
      if (kind == ITEM_SWITCH_LOCALE && item_tag(it.word1) != kLocaleTag)
        fault(item, "a locale switch with a tag other than 0x500F");
      if (!item_links(img_, it, &links)) {
        fault(item, "a masked switch whose first child is not a mask");
        return;
      }
      if (links.masked) reach(item_offset(it.word0));
      cases(item, links, kind == ITEM_SWITCH_STRING);
      return;
    case ItemShape::kCase:
      fault(item, "a case outside a switch");
      return;
    case ItemShape::kMask:
      fault(item, "a mask outside a masked switch");
      return;
    case ItemShape::kInvalid:
      fault(item, "invalid item kind " + std::to_string(kind));
      return;
  }
}

// Levels the walk goes below `item` at most (a case is no level of its own),
// and a fault for every cycle. Cost: each item once.
int ImageVerifier::height(uint32_t item) {
  auto known = heights_.find(item);
  if (known != heights_.end()) return known->second;
  if (!on_path_.insert(item).second) {
    fault(item, "the tree leads back to this item (a cycle)");
    return 0;
  }
  int h = 0;
  ItemLinks links{};
  if (item_links(img_, img_.items[item], &links)) {
    for (uint32_t i = 0; i < links.inside; ++i) {
      uint32_t next = links.first + i;
      if (links.cases) {
        const Item& c = img_.items[next];
        if (kind_info(item_kind(c.word0)).shape != ItemShape::kCase) continue;
        next = item_offset(c.word0);
      }
      if (next < img_.item_count) h = std::max(h, 1 + height(next));
    }
  }
  on_path_.erase(item);
  heights_[item] = h;
  return h;
}

// One line per count of the list of tables (a count marked so joins the
// line before), with the image's own bytes after the image's counts.
void ImageVerifier::sizes() {
  std::vector<std::string>& s = report_.sizes;
  const DrvTables* t = img_.drv_tables;
  uint64_t bytes = 0;  // what the trees and pools take in the library's read-only data
  bool drv_begun = false;
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    constexpr bool kOfImage = std::is_same_v<typename D::Struct, Image>;
    if constexpr (!kOfImage) {
      if (!drv_begun) {
        drv_begun = true;
        s.push_back("image bytes " + std::to_string(bytes));
        if (t == nullptr) s.push_back("drv tables absent");
      }
      if (t == nullptr) return;
    }
    const typename D::Struct& owner = [&]() -> const typename D::Struct& {
      if constexpr (kOfImage) {
        return img_;
      } else {
        return *t;
      }
    }();
    const std::string count = std::to_string(d.count(owner));
    if constexpr (!D::kIsTable) {
      if (d.info.same_line) {
        s.back() += std::string(", ") + d.info.text + " " + count;
      } else {
        s.push_back(std::string(d.info.text) + " " + count);
      }
    } else {
      if constexpr (kOfImage)
        bytes += uint64_t{d.count(owner)} * d.info.record_size * sizeof(typename D::Element);
      if (d.info.parts != 0) {
        if (d.info.part == 0) s.back() += std::string(", ") + d.info.count_text;
        s.back() += std::string(" ") + d.info.letter + " " + count;
      }
    }
  });
}

// Every table of the list present whenever its count is not 0; then the
// root index, which no image is without.
void ImageVerifier::tables() {
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (D::kIsTable) {
      const typename D::Struct* owner = nullptr;
      if constexpr (std::is_same_v<typename D::Struct, Image>) {
        owner = &img_;
      } else {
        owner = img_.drv_tables;
      }
      if (owner != nullptr && d.data(*owner) == nullptr && d.count(*owner) > 0)
        fault(kNoItem, table_name(d.info) + " missing");
    }
  });
  if (img_.root_ids == nullptr || img_.root_items == nullptr || img_.root_count == 0) {
    fault(kNoItem, "root index missing or empty");
    return;
  }
  std::set<uint16_t> ids;
  for (uint32_t k = 0; k < img_.root_count; ++k) {
    if (!ids.insert(img_.root_ids[k]).second) fault(kNoItem, "root id registered twice", k);
    if (img_.root_items[k] >= reached_.size()) fault(kNoItem, "root item beyond the item table", k);
  }
}

// Every tree with the ids of the slots that name it, in root-slot order,
// and the fragment trees of the command-sequence table with the fragment id.
void ImageVerifier::find_trees() {
  auto add = [&](uint32_t root, uint16_t id) {
    if (root >= reached_.size()) return;
    auto [group, added] = groups_.emplace(root, std::set<uint16_t>());
    if (added) roots_.push_back(root);
    group->second.insert(id);
  };
  for (uint32_t k = 0; img_.root_ids && img_.root_items && k < img_.root_count; ++k)
    add(img_.root_items[k], img_.root_ids[k]);
  const DrvTables* t = img_.drv_tables;
  for (uint32_t p = 0; t && t->seq_fragments && p < t->seq_fragment_count; ++p)
    add(t->seq_fragments[p], kFragmentId);
}

// A leaf may answer any id whose walk reaches it: its tree's own ids and
// those of every tree whose walk enters its tree (the top-level sequence's
// id for the trees it holds).
void ImageVerifier::check_leaf_ids() {
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [from, entered] : reaches_) {
      for (uint32_t to : entered) {
        size_t before = groups_[to].size();
        groups_[to].insert(groups_[from].begin(), groups_[from].end());
        grew = grew || groups_[to].size() != before;
      }
    }
  }
  for (const auto& [tree, item] : leaves_) {
    tree_ = tree;
    uint16_t id = item_tag(img_.items[item].word1);
    if (!groups_[tree].count(id))
      fault(item, "leaf answers id " + hex_id(id) + ", which is not an id of this tree");
  }
}

void ImageVerifier::selector_value_table(const DrvTables& t) {
  if (t.sel_count > 0 && (!t.sel_indices || !t.sel_value_counts || !t.sel_first))
    return;  // a missing table is a fault of tables()
  std::map<uint16_t, uint32_t> slot_of;
  for (uint32_t s = 0; s < t.sel_count; ++s) {
    if (uint64_t{t.sel_first[s]} + t.sel_value_counts[s] > t.sel_value_count)
      table_fault(DrvTableKind::kSelectorValues, s,
                  "selector-value slot " + std::to_string(s) + " reaches beyond the values");
    auto [first, added] = slot_of.emplace(t.sel_indices[s], s);
    if (!added)
      table_fault(DrvTableKind::kSelectorValues, s,
                  "selector-value slot " + std::to_string(s) + ": selector " +
                      std::to_string(t.sel_indices[s]) + " already has slot " +
                      std::to_string(first->second));
  }
}

// Whether a walk from `item` can reach a leaf of id `id`. Cost: each item once.
bool ImageVerifier::holds_leaf_of(uint32_t item, uint16_t id) const {
  std::vector<uint32_t> todo = {item};
  std::set<uint32_t> seen;
  while (!todo.empty()) {
    uint32_t at = todo.back();
    todo.pop_back();
    // The caller names an item of the table, and item_links counts only
    // the children inside it.
    assert(at < img_.item_count);
    if (!seen.insert(at).second) continue;
    const Item& it = img_.items[at];
    if (is_leaf_kind(item_kind(it.word0))) {
      if (item_tag(it.word1) == id) return true;
      continue;
    }
    ItemLinks links{};
    if (!item_links(img_, it, &links)) continue;
    for (uint32_t i = 0; i < links.inside; ++i) todo.push_back(links.first + i);
  }
  return false;
}

void ImageVerifier::command_sequence_table(const DrvTables& t) {
  if ((t.seq_count > 0 && (!t.seq_ids || !t.seq_fragment_counts || !t.seq_first)) ||
      (t.seq_fragment_count > 0 && !t.seq_fragments))
    return;  // a missing table is a fault of tables()
  std::map<uint16_t, uint32_t> sequence_of;
  for (uint32_t s = 0; s < t.seq_count; ++s) {
    const std::string name = "command sequence " + hex_id(t.seq_ids[s]);
    auto [first, added] = sequence_of.emplace(t.seq_ids[s], s);
    if (!added)
      table_fault(DrvTableKind::kCommandSequences, s,
                  name + " stands twice, as sequences " + std::to_string(first->second) + " and " +
                      std::to_string(s));
    for (uint32_t k = 0; k < t.seq_fragment_counts[s]; ++k) {
      uint64_t p = uint64_t{t.seq_first[s]} + k;
      if (p >= t.seq_fragment_count) {
        table_fault(DrvTableKind::kCommandSequences, s, name + " reaches beyond the fragments");
        break;
      }
      uint32_t item = t.seq_fragments[p];
      if (item >= reached_.size()) {
        table_fault(DrvTableKind::kCommandSequences, s,
                    name + " fragment " + std::to_string(p) + " beyond the item table");
      } else if (!holds_leaf_of(item, kFragmentId)) {
        table_fault(DrvTableKind::kCommandSequences, s,
                    name + " fragment " + std::to_string(p) + " (item " + std::to_string(item) +
                        ") holds no leaf of the fragment id " + hex_id(kFragmentId));
      }
    }
  }
}

void ImageVerifier::mode_tables(const DrvTables& t) {
  if (t.mode_count > 0 && t.mode_rows == nullptr) return;  // a fault of tables()
  std::map<std::vector<int16_t>, uint32_t> row_of;
  for (uint32_t row = 0; row < t.mode_count; ++row) {
    const ModeRow& m = t.mode_rows[row];
    for (uint32_t part = 0; part < kModePartCount; ++part) {
      uint16_t index = mode_row_part(m, part);
      uint32_t count = t.mode_parts[part].count;
      if (index >= count)
        table_fault(DrvTableKind::kModeRows, row,
                    "mode row " + std::to_string(row) +
                        " names a part record beyond its table: part " + kModePartNames[part] +
                        " record " + std::to_string(index) + " of " + std::to_string(count));
    }
    auto [first, added] = row_of.emplace(std::vector<int16_t>(m.keys, m.keys + kModeKeyCount), row);
    if (!added)
      table_fault(DrvTableKind::kModeRows, row,
                  "mode row " + std::to_string(row) + " has the keys of row " +
                      std::to_string(first->second) + "; the scan never reaches it");
  }
}

void ImageVerifier::drv_tables() {
  const DrvTables* t = img_.drv_tables;
  if (t == nullptr) return;
  selector_value_table(*t);
  command_sequence_table(*t);
  mode_tables(*t);
}

ImageReport ImageVerifier::run() {
  sizes();
  tables();
  find_trees();
  for (uint32_t root : roots_) {
    tree_ = root;
    seen_.clear();
    visit(root, ROLE_NODE);
  }
  check_leaf_ids();
  // Depth and cycles, through other trees' roots as the walk goes.
  for (uint32_t root : roots_) {
    tree_ = root;
    int levels = height(root);
    if (levels > kMaxWalkDepth)
      fault(root, "the tree is " + std::to_string(levels) +
                      " levels deep, beyond the walk's limit of " + std::to_string(kMaxWalkDepth));
  }
  tree_ = kNoItem;
  drv_tables();
  report_.unreached = static_cast<uint32_t>(std::count(reached_.begin(), reached_.end(), false));
  return std::move(report_);
}

}  // namespace

ImageReport verify_image(const Image& image) { return ImageVerifier(image).run(); }

namespace {

// A fault of a Drv table entry, at the description call that wrote it.
std::string drv_table_fault(const CompiledDrvTables& t, const ImageFault& f) {
  const std::vector<Loc>* where = nullptr;
  std::string subject;
  switch (f.table) {
    case DrvTableKind::kSelectorValues:
      where = &t.sel_where;
      subject = "selector-value table";
      break;
    case DrvTableKind::kCommandSequences:
      where = &t.seq_where;
      subject = "command-sequence table";
      break;
    default:
      where = &t.mode_where;
      subject = "mode table";
      break;
  }
  if (f.entry >= where->size()) return "error: " + subject + ": " + f.message;
  return entry_fault_text((*where)[f.entry], subject, f.message);
}

}  // namespace

std::vector<std::string> verify(const CompiledImage& img) {
  std::vector<std::string> out;
  const Loc nowhere{};
  for (const ImageFault& f : verify_image(img.view()).faults) {
    if (f.table != DrvTableKind::kNone) {
      out.push_back(drv_table_fault(img.drv, f));
      continue;
    }
    // The slot's registering call, else the description of the item (or of
    // its tree), with the tree that first used it.
    if (f.slot != kNoItem) {
      out.push_back(fault_text(f.slot < img.root_where.size() ? img.root_where[f.slot] : nowhere,
                               hex_id(img.root_ids[f.slot]), f.message));
      continue;
    }
    uint32_t item = f.item != kNoItem ? f.item : f.tree;
    if (item < img.item_from.size()) {
      out.push_back(fault_text(img.item_from[item].where, img.item_from[item].tree, f.message));
    } else {
      out.push_back("error: " + f.message);
    }
  }
  // The top-level sequence holds every tree, and nothing else.
  if (img.has_top) {
    auto slot = std::find(img.root_ids.begin(), img.root_ids.end(), img.top_id);
    size_t k = static_cast<size_t>(slot - img.root_ids.begin());
    bool ok = slot != img.root_ids.end() && k < img.root_items.size() &&
              img.root_items[k] < img.items.size();
    if (ok) {
      const Item& top = img.items[img.root_items[k]];
      std::vector<uint32_t> children;
      for (uint32_t i = 0; i < item_count(top.word1); ++i)
        children.push_back(item_offset(top.word0) + i);
      std::vector<uint32_t> trees = img.tree_items;
      std::sort(trees.begin(), trees.end());
      ok = item_kind(top.word0) == ITEM_SEQUENCE && children == trees;
    }
    if (!ok)
      out.push_back(fault_text(img.top_where, hex_id(img.top_id),
                               "the root is not the sequence of every root and fragment tree"));
  }
  return out;
}

}  // namespace orv::model
