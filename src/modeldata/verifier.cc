// The image verifier: walks every registered tree the way the engine will,
// but visits every alternative, and reports each fault with the description
// place of the item where it was found.
#include "modeldata/verifier.h"

#include <algorithm>
#include <set>
#include <utility>

namespace orv::model {
namespace {

// How an item was reached; decides which kinds may stand there.
enum Role {
  ROLE_NODE,         // a tree root, a child of a sequence or branch, a case target
  ROLE_UNDER_SELECT  // a child of a select
};

class Verifier {
 public:
  explicit Verifier(const CompiledImage& image) : img_(image) {}
  std::vector<std::string> run();

 private:
  void fault(uint32_t item, const std::string& message) {
    const Provenance& p = item < img_.item_from.size() ? img_.item_from[item] : fallback_;
    faults_.push_back(fault_text(p.where, tree_, message));
  }
  bool in_range(uint32_t from, uint32_t index, uint32_t count, const char* what);
  void walk(uint32_t item, Role role);
  void leaf(uint32_t item, const Item& it);
  void cases(uint32_t sw, uint32_t first, uint32_t count, bool strings);

  const CompiledImage& img_;
  std::vector<std::string> faults_;
  std::string tree_;                         // tree being walked
  std::vector<uint16_t> group_;              // ids its leaves may answer
  std::set<std::pair<uint32_t, int>> seen_;  // (item, role) visited in this tree
  Provenance fallback_;                      // for items without provenance
};

bool Verifier::in_range(uint32_t from, uint32_t index, uint32_t count, const char* what) {
  uint64_t end = static_cast<uint64_t>(index) + count;
  if (end > img_.items.size()) {
    fault(from, std::string(what) + " at item " + std::to_string(index) + " (+" +
                    std::to_string(count) + ") beyond the item table");
    return false;
  }
  return true;
}

void Verifier::leaf(uint32_t item, const Item& it) {
  uint8_t kind = item_kind(it.word0);
  uint16_t id = item_tag(it.word1);
  if (!std::binary_search(group_.begin(), group_.end(), id))
    fault(item, "leaf answers id " + id_text(id) + ", which is not an id of this tree");
  if (kind == ITEM_COMPUTED) return;
  uint64_t end = static_cast<uint64_t>(item_offset(it.word0)) + item_count(it.word1);
  size_t pool = 0;
  switch (kind) {
    case ITEM_INT32:
      pool = img_.i32_pool.size();
      break;
    case ITEM_INT16:
    case ITEM_UINT16:
      pool = img_.i16_pool.size();
      break;
    default:
      pool = img_.byte_pool.size();
  }
  if (end > pool) {
    fault(item, "leaf of id " + id_text(id) + " reaches beyond its pool");
    return;
  }
  if (kind == ITEM_STRING && (item_count(it.word1) == 0 || img_.byte_pool[end - 1] != 0))
    fault(item, "string of id " + id_text(id) + " is not terminated");
}

void Verifier::cases(uint32_t sw, uint32_t first, uint32_t count, bool strings) {
  if (!in_range(sw, first, count, "cases")) return;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t c = first + i;
    const Item& it = img_.items[c];
    uint8_t kind = item_kind(it.word0);
    bool allowed =
        kind == ITEM_DEFAULT ||
        (strings ? kind == ITEM_CASE_STRING : (kind == ITEM_CASE || kind == ITEM_CASE_RANGE));
    if (!allowed) {
      fault(c, std::string("item of kind ") + std::to_string(kind) + " stands where a " +
                   (strings ? "string case" : "case") + " must stand");
      continue;
    }
    if (kind == ITEM_DEFAULT && i + 1 < count)
      fault(c, "cases after a default case are never tried");
    if (kind == ITEM_CASE_RANGE && static_cast<uint64_t>(it.word1) + 2 > img_.i32_pool.size())
      fault(c, "range case bounds beyond the i32 pool");
    if (kind == ITEM_CASE_STRING && in_range(c, it.word1, 1, "case text")) {
      const Item& text = img_.items[it.word1];
      if (item_kind(text.word0) != ITEM_BYTES)
        fault(c, "case text is not a bytes item");
      else if (static_cast<uint64_t>(item_offset(text.word0)) + item_count(text.word1) >
               img_.match_pool.size())
        fault(c, "case text beyond the match-string pool");
    }
    if (in_range(c, item_offset(it.word0), 1, "case target"))
      walk(item_offset(it.word0), ROLE_NODE);
  }
}

void Verifier::walk(uint32_t item, Role role) {
  if (!seen_.emplace(item, role).second) return;
  const Item& it = img_.items[item];
  uint8_t kind = item_kind(it.word0);
  uint32_t offset = item_offset(it.word0);
  uint16_t count = item_count(it.word1);
  if (role == ROLE_UNDER_SELECT && kind != ITEM_BRANCH) {
    fault(item, "a select holds an item of kind " + std::to_string(kind) + " that is not a branch");
  }
  switch (kind) {
    case ITEM_BYTES:
    case ITEM_INT32:
    case ITEM_INT8:
    case ITEM_INT16:
    case ITEM_UINT8:
    case ITEM_UINT16:
    case ITEM_STRING:
    case ITEM_COMPUTED:
      leaf(item, it);
      return;
    case ITEM_BRANCH:
      if (role != ROLE_UNDER_SELECT) fault(item, "a branch outside a select");
      [[fallthrough]];
    case ITEM_SEQUENCE:
      if (in_range(item, offset, count, "children"))
        for (uint32_t i = 0; i < count; ++i) walk(offset + i, ROLE_NODE);
      return;
    case ITEM_SELECT:
      if (in_range(item, offset, count, "branches"))
        for (uint32_t i = 0; i < count; ++i) walk(offset + i, ROLE_UNDER_SELECT);
      return;
    case ITEM_SWITCH_LOCALE:
      if (item_tag(it.word1) != kLocaleTag)
        fault(item, "a locale switch with a tag other than 0x500F");
      [[fallthrough]];
    case ITEM_SWITCH_SELECTOR:
    case ITEM_SWITCH_PRINTER_DATA:
      cases(item, offset, count, false);
      return;
    case ITEM_SWITCH_STRING:
      cases(item, offset, count, true);
      return;
    case ITEM_SWITCH_MASKED: {
      if (!in_range(item, offset, 1, "mask")) return;
      const Item& mask = img_.items[offset];
      if (item_kind(mask.word0) != ITEM_MASK) {
        fault(item, "a masked switch whose first child is not a mask");
        return;
      }
      cases(item, item_offset(mask.word0), count, false);
      return;
    }
    case ITEM_CASE:
    case ITEM_CASE_STRING:
    case ITEM_CASE_RANGE:
    case ITEM_DEFAULT:
      fault(item, "a case outside a switch");
      return;
    case ITEM_MASK:
      fault(item, "a mask outside a masked switch");
      return;
    default:
      fault(item, "invalid item kind " + std::to_string(kind));
  }
}

std::vector<std::string> Verifier::run() {
  // Root index: parallel, unique ids, items in range.
  for (size_t k = 0; k < img_.root_ids.size(); ++k) {
    const Loc& where = k < img_.root_where.size() ? img_.root_where[k] : fallback_.where;
    std::string name = id_text(img_.root_ids[k]);
    if (k > 0 && img_.root_ids[k] == img_.root_ids[k - 1])
      faults_.push_back(fault_text(where, name, "root id registered twice"));
    if (k >= img_.root_items.size() || img_.root_items[k] >= img_.items.size())
      faults_.push_back(fault_text(where, name, "root item beyond the item table"));
  }
  // The top-level sequence holds every tree, and nothing else.
  if (img_.has_top) {
    std::string name = id_text(img_.top_id);
    auto slot = std::find(img_.root_ids.begin(), img_.root_ids.end(), img_.top_id);
    size_t k = static_cast<size_t>(slot - img_.root_ids.begin());
    bool ok = slot != img_.root_ids.end() && k < img_.root_items.size() &&
              img_.root_items[k] < img_.items.size();
    if (ok) {
      const Item& top = img_.items[img_.root_items[k]];
      std::vector<uint32_t> children;
      for (uint32_t i = 0; i < item_count(top.word1); ++i)
        children.push_back(item_offset(top.word0) + i);
      std::vector<uint32_t> trees = img_.tree_items;
      std::sort(trees.begin(), trees.end());
      ok = item_kind(top.word0) == ITEM_SEQUENCE && children == trees;
    }
    if (!ok)
      faults_.push_back(fault_text(img_.top_where, name,
                                   "the root is not the sequence of every root and fragment tree"));
  }
  // Every tree, with the ids it may answer.
  for (size_t t = 0; t < img_.tree_items.size(); ++t) {
    tree_ = t < img_.tree_names.size() ? img_.tree_names[t] : "?";
    group_ = t < img_.tree_groups.size() ? img_.tree_groups[t] : std::vector<uint16_t>();
    std::sort(group_.begin(), group_.end());
    seen_.clear();
    if (img_.tree_items[t] < img_.items.size()) walk(img_.tree_items[t], ROLE_NODE);
  }
  return faults_;
}

}  // namespace

std::vector<std::string> verify(const CompiledImage& image) { return Verifier(image).run(); }

}  // namespace orv::model
