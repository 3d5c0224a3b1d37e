#include "engine/resolver.h"

#include "engine/scan.h"
#include "engine/switches.h"

namespace orv {

namespace {

// What stays fixed during one walk, gathered once so that each level of the
// recursion passes one pointer instead of six arguments.
struct Walk {
  const Image* image;            // the image walked
  const Item* items;             // its item table, never null during a walk
  uint32_t item_count;           // items in the table
  uint16_t id;                   // the queried data id
  const ORV_QUERY_CONTEXT* ctx;  // the caller's context; may be null
  Leaf* leaf;                    // where the chosen leaf goes; never null during a walk
  uint32_t* visits_left;         // containers the walk may still enter (see walk_budget)
};

// Containers one walk may enter. A tree visits each item at most once; an
// image whose subtrees are shared many times over (or corrupt) could make a
// depth-limited walk take exponential time, so past this it is inconsistent.
inline uint32_t walk_budget(uint32_t item_count) {
  return item_count > (0xFFFFFFFFu - 64) / 4 ? 0xFFFFFFFFu : 4 * item_count + 64;
}

// Items that can be read starting at `first`, capped at `count`: the children
// of an item whose first child is `first`. A loop that needs more than this
// meets an index beyond the table.
inline uint32_t readable(const Walk& w, uint32_t first, uint32_t count) {
  if (first >= w.item_count) return 0;
  uint32_t left = w.item_count - first;
  return count < left ? count : left;
}

int32_t walk(const Walk& w, Item item, int depth);

// Walks a child: a leaf is answered in place, anything else by a nested walk.
inline int32_t walk_child(const Walk& w, Item child, int depth) {
  if (depth + 1 > kMaxWalkDepth) return DB_ERROR;
  if (is_leaf_kind(item_kind(child.word0))) {
    if (item_tag(child.word1) != w.id) return DB_NOT_FOUND;
    w.leaf->word0 = child.word0;
    w.leaf->word1 = child.word1;
    return DB_OK;
  }
  return walk(w, child, depth + 1);
}

// Children first .. first + count - 1 in order; the first answer wins.
int32_t walk_children(const Walk& w, uint32_t first, uint16_t count, int depth) {
  uint32_t n = readable(w, first, count);
  const Item* children = w.items + first;
  for (uint32_t i = 0; i < n; ++i) {
    int32_t result = walk_child(w, children[i], depth);
    if (result != DB_NOT_FOUND) return result;
  }
  return n < count ? DB_ERROR : DB_NOT_FOUND;
}

int32_t walk_select(const Walk& w, Item select, int depth) {
  uint16_t selector = item_tag(select.word1);
  uint32_t first = item_offset(select.word0);
  uint16_t count = item_count(select.word1);
  uint32_t n = readable(w, first, count);
  const Item* children = w.items + first;
  const ORV_QUERY_CONTEXT* ctx = w.ctx;
  // Without the selector, the first branch met answers DB_NO_SELECTOR.
  bool have = ctx != nullptr && ctx->pSelectors != nullptr && ctx->cSelectors > selector;
  uint32_t value = have ? ctx->pSelectors[selector] : 0;
  // A branch's tag is 16 bits: a larger selector value matches no branch.
  bool taggable = value <= 0xFFFFu;
  uint32_t tag_mask = taggable ? 0xFFFF0000u : 0;
  uint32_t tag_bits = taggable ? value << 16 : 1;
  uint32_t i = 0;
  while (true) {
    // Branches for other values are passed over without being walked.
    if (have) i = first_stop(children, i, n, ITEM_BRANCH, tag_mask, tag_bits);
    if (i >= n) break;
    Item child = children[i];
    if (item_kind(child.word0) == ITEM_BRANCH) {
      if (!have) return DB_NO_SELECTOR;
      if (value != item_tag(child.word1)) {
        ++i;
        continue;
      }
    }
    int32_t result = walk_child(w, child, depth);
    if (result != DB_NOT_FOUND) return result;
    ++i;
  }
  return n < count ? DB_ERROR : DB_NOT_FOUND;
}

// Cases first + start .. first + count - 1 against switch value v: DB_OK
// with *target the item the first matching case leads to (the switch is
// then decided, whatever that target answers), DB_NOT_FOUND when none
// matches, or DB_ERROR.
inline int32_t choose_case(const Walk& w, uint32_t first, uint32_t start, uint16_t count,
                           uint32_t v, uint32_t* target) {
  uint32_t n = readable(w, first, count);
  const Item* cases = w.items + first;
  const Image& image = *w.image;
  for (uint32_t i = start; i < n; ++i) {
    i = first_stop(cases, i, n, ITEM_CASE, 0xFFFFFFFFu, v);
    if (i >= n) break;
    Item c = cases[i];
    bool match = false;
    switch (item_kind(c.word0)) {
      case ITEM_CASE:  // only a matching one stops the scan
      case ITEM_DEFAULT:
        match = true;
        break;
      case ITEM_CASE_RANGE: {
        // Both bounds must lie inside the pool.
        if (image.i32_pool == nullptr || image.i32_count < 2 || c.word1 > image.i32_count - 2) {
          return DB_ERROR;
        }
        int32_t value = static_cast<int32_t>(v);
        match = image.i32_pool[c.word1] <= value && value <= image.i32_pool[c.word1 + 1];
        break;
      }
      default:
        return DB_ERROR;
    }
    if (match) {
      *target = item_offset(c.word0);
      return *target < w.item_count ? DB_OK : DB_ERROR;
    }
  }
  return (start < count && n < count) ? DB_ERROR : DB_NOT_FOUND;
}

// Selector [s] of the context for a selector or masked switch.
inline int32_t switch_selector_value(const ORV_QUERY_CONTEXT* ctx, uint16_t selector, uint32_t* v) {
  if (ctx == nullptr) return DB_ERROR;
  if (ctx->pSelectors == nullptr || ctx->cSelectors <= selector) return DB_NO_SELECTOR;
  *v = ctx->pSelectors[selector];
  return DB_OK;
}

// Longest case text: a text's length is a 16-bit count.
constexpr uint32_t kLongestText = 0xFFFF;

// Length of s up to its NUL, looking at no more than limit + 1 bytes.
uint32_t bounded_length(const char* s, uint32_t limit) {
  uint32_t n = 0;
  while (n <= limit && s[n] != '\0') ++n;
  return n;
}

// Whether bytes 1 .. length - 1 of a and b are equal. Case texts are a few
// bytes long: a loop in place costs less than a call.
inline bool same_tail(const char* a, const uint8_t* b, uint32_t length) {
  for (uint32_t j = 1; j < length; ++j) {
    if (static_cast<uint8_t>(a[j]) != b[j]) return false;
  }
  return true;
}

// The string switch's cases against match string [tag]: DB_OK with *target
// the item the first matching case leads to, DB_NOT_FOUND, or an error.
int32_t choose_string_case(const Walk& w, Item sw, uint32_t* target) {
  uint16_t index = item_tag(sw.word1);
  uint32_t first = item_offset(sw.word0);
  uint16_t count = item_count(sw.word1);
  uint32_t n = readable(w, first, count);
  const Item* cases = w.items + first;
  const uint8_t* pool = w.image->match_pool;
  // Offsets are 24 bits and lengths 16, so offset + length cannot wrap.
  uint32_t pool_count = w.image->match_count;

  // Up to the first case text a default decides alone and any other kind is
  // an error; the caller's string is read only once a case text needs it.
  uint32_t i = 0;
  for (; i < n; ++i) {
    uint8_t kind = item_kind(cases[i].word0);
    if (kind == ITEM_CASE_STRING) break;
    if (kind != ITEM_DEFAULT) return DB_ERROR;
    *target = item_offset(cases[i].word0);
    return *target < w.item_count ? DB_OK : DB_ERROR;
  }
  if (i == n) return n < count ? DB_ERROR : DB_NOT_FOUND;
  // The first case text must be one before the match string is asked for.
  if (cases[i].word1 >= w.item_count || item_kind(w.items[cases[i].word1].word0) != ITEM_BYTES) {
    return DB_ERROR;
  }
  const ORV_QUERY_CONTEXT* ctx = w.ctx;
  if (ctx == nullptr || ctx->ppStrings == nullptr || ctx->cStrings <= index) {
    return DB_NO_MATCH_STRING;
  }
  const char* s = ctx->ppStrings[index];
  if (s == nullptr) s = "";
  // Longer than any text can be: counted only that far.
  const uint32_t s_length = bounded_length(s, kLongestText);
  const uint8_t s_first = static_cast<uint8_t>(s[0]);
  if (pool == nullptr) return DB_ERROR;

  for (; i < n; ++i) {
    Item c = cases[i];
    uint8_t kind = item_kind(c.word0);
    if (kind == ITEM_CASE_STRING) {
      // Every case text is checked whatever it holds: its index, its kind and
      // its place in the pool, as one test (the index is clamped so that the
      // read stays inside the table).
      bool inside = c.word1 < w.item_count;
      Item text = w.items[inside ? c.word1 : 0];
      uint32_t offset = item_offset(text.word0);
      uint32_t length = item_count(text.word1);
      if (!inside | (item_kind(text.word0) != ITEM_BYTES) | (offset + length > pool_count)) {
        return DB_ERROR;
      }
      // Most texts differ in length or first byte: both compared before the rest.
      if (length != s_length) continue;
      if (length != 0 && (pool[offset] != s_first || !same_tail(s, pool + offset, length))) {
        continue;
      }
    } else if (kind != ITEM_DEFAULT) {
      return DB_ERROR;
    }
    *target = item_offset(c.word0);
    return *target < w.item_count ? DB_OK : DB_ERROR;
  }
  return n < count ? DB_ERROR : DB_NOT_FOUND;
}

int32_t walk(const Walk& w, Item item, int depth) {
  // A decided switch hands the walk to its case's target: followed here in a
  // loop rather than by a nested call, one level deeper each time.
  // The budget is kept in a register along the loop; nested walks read the
  // stored count when they start.
  uint32_t visits_left = *w.visits_left;
  for (;; ++depth) {
    if (depth > kMaxWalkDepth || visits_left == 0) return DB_ERROR;
    *w.visits_left = --visits_left;
    uint8_t kind = item_kind(item.word0);
    uint32_t target = 0;
    int32_t result = DB_OK;
    switch (kind) {
      case ITEM_BYTES:
      case ITEM_INT32:
      case ITEM_INT8:
      case ITEM_INT16:
      case ITEM_UINT8:
      case ITEM_UINT16:
      case ITEM_STRING:
      case ITEM_COMPUTED:
        if (item_tag(item.word1) != w.id) return DB_NOT_FOUND;
        w.leaf->word0 = item.word0;
        w.leaf->word1 = item.word1;
        return DB_OK;
      case ITEM_SEQUENCE:
      case ITEM_BRANCH:
      case ITEM_CASE:
      case ITEM_DEFAULT:
        return walk_children(w, item_offset(item.word0), item_count(item.word1), depth);
      case ITEM_SELECT:
        return walk_select(w, item, depth);
      case ITEM_SWITCH_SELECTOR:
      case ITEM_SWITCH_MASKED:
      case ITEM_SWITCH_PRINTER_DATA:
      case ITEM_SWITCH_LOCALE: {
        // Every numeric switch comes down to one case loop: where its cases
        // are, the first one to try, and the value they are compared with.
        uint32_t first = item_offset(item.word0);
        uint32_t start = 0;
        uint32_t v = 0;
        if (kind == ITEM_SWITCH_SELECTOR || kind == ITEM_SWITCH_MASKED) {
          uint32_t mask = 0xFFFFFFFFu;
          if (kind == ITEM_SWITCH_MASKED) {
            if (first >= w.item_count) return DB_ERROR;
            Item mask_item = w.items[first];
            if (item_kind(mask_item.word0) != ITEM_MASK) return DB_ERROR;
            first = item_offset(mask_item.word0);
            mask = mask_item.word1;
          }
          result = switch_selector_value(w.ctx, item_tag(item.word1), &v);
          if (result != DB_OK) return result;
          v &= mask;
        } else {
          SwitchStart switch_start;
          result = kind == ITEM_SWITCH_LOCALE
                       ? locale_switch_start(item.word1, &switch_start)
                       : printer_data_switch_start(*w.image, w.ctx, item, &switch_start, depth);
          if (result != DB_OK) return result;
          start = switch_start.first_case;
          v = switch_start.value;
        }
        result = choose_case(w, first, start, item_count(item.word1), v, &target);
        break;
      }
      case ITEM_SWITCH_STRING:
        result = choose_string_case(w, item, &target);
        break;
      default:
        return DB_ERROR;
    }
    if (result != DB_OK) return result;
    item = w.items[target];
  }
}

}  // namespace

int equal_counted(const void* a, const void* b, uint16_t length) {
  if (length == 0) return 1;
  if (a == nullptr || b == nullptr) return 0;
  const uint8_t* x = static_cast<const uint8_t*>(a);
  const uint8_t* y = static_cast<const uint8_t*>(b);
  for (uint32_t i = 0; i < length; ++i) {
    if (x[i] != y[i]) return 0;
  }
  return 1;
}

int32_t find_root_item(const Image& image, uint16_t id, uint32_t* item_index) {
  if (image.root_ids == nullptr || image.root_items == nullptr || image.root_count == 0) {
    return DB_ERROR;
  }
  uint32_t slot = first_index_of(image.root_ids, image.root_count, id);
  if (slot == image.root_count) return DB_NO_ENTRY;
  uint32_t index = image.root_items[slot];
  if (image.items == nullptr || index >= image.item_count) return DB_ERROR;
  *item_index = index;
  return DB_OK;
}

namespace {

// Starts a walk of (word0, word1) at `depth`; the budget is per walk.
inline int32_t start_walk(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t word0, uint32_t word1, Leaf* leaf, int depth) {
  if (image.items == nullptr || leaf == nullptr) return DB_ERROR;
  uint32_t visits_left = walk_budget(image.item_count);
  const Walk w{&image, image.items, image.item_count, id, ctx, leaf, &visits_left};
  return walk(w, Item{word0, word1}, depth);
}

}  // namespace

int32_t find_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Leaf* leaf) {
  uint32_t index = 0;
  int32_t result = find_root_item(image, id, &index);
  if (result != DB_OK) return result;
  const Item& root = image.items[index];
  return start_walk(image, id, ctx, root.word0, root.word1, leaf, 0);
}

int32_t resolve(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t word0,
                uint32_t word1, Leaf* leaf) {
  return start_walk(image, id, ctx, word0, word1, leaf, 0);
}

int32_t resolve_at_depth(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t word0, uint32_t word1, Leaf* leaf, int depth) {
  return start_walk(image, id, ctx, word0, word1, leaf, depth);
}

}  // namespace orv
