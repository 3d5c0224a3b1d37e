#include "engine/resolver.h"

#include "engine/switches.h"

namespace orv {

namespace {

// Reads item `index` into *item; false when the table is missing or the
// index is beyond it.
inline bool load_item(const Image& image, uint32_t index, Item* item) {
  if (image.items == nullptr || index >= image.item_count) return false;
  *item = image.items[index];
  return true;
}

// Index of child i of an item whose first child is `first`, without wrapping.
inline uint64_t child_index(uint32_t first, uint32_t i) { return static_cast<uint64_t>(first) + i; }

inline bool load_child(const Image& image, uint32_t first, uint32_t i, Item* item) {
  uint64_t index = child_index(first, i);
  if (index > 0xFFFFFFFFu) return false;
  return load_item(image, static_cast<uint32_t>(index), item);
}

int32_t walk(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Item item, Leaf* leaf,
             int depth);

// Children first .. first + count - 1 in order; the first answer wins.
int32_t walk_children(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t first,
                      uint16_t count, Leaf* leaf, int depth) {
  for (uint32_t i = 0; i < count; ++i) {
    Item child;
    if (!load_child(image, first, i, &child)) return DB_ERROR;
    int32_t result = walk(image, id, ctx, child, leaf, depth + 1);
    if (result != DB_NOT_FOUND) return result;
  }
  return DB_NOT_FOUND;
}

int32_t walk_select(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Item select,
                    Leaf* leaf, int depth) {
  uint16_t selector = item_tag(select.word1);
  uint32_t first = item_offset(select.word0);
  uint16_t count = item_count(select.word1);
  for (uint32_t i = 0; i < count; ++i) {
    Item child;
    if (!load_child(image, first, i, &child)) return DB_ERROR;
    if (item_kind(child.word0) == ITEM_BRANCH) {
      if (ctx == nullptr || ctx->pSelectors == nullptr || ctx->cSelectors <= selector) {
        return DB_NO_SELECTOR;
      }
      if (ctx->pSelectors[selector] != item_tag(child.word1)) continue;
    }
    int32_t result = walk(image, id, ctx, child, leaf, depth + 1);
    if (result != DB_NOT_FOUND) return result;
  }
  return DB_NOT_FOUND;
}

// Cases first + start .. first + count - 1 against switch value v; the first
// match decides, whatever its target answers.
int32_t case_loop(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t first,
                  uint32_t start, uint16_t count, uint32_t v, Leaf* leaf, int depth) {
  for (uint32_t i = start; i < count; ++i) {
    Item c;
    if (!load_child(image, first, i, &c)) return DB_ERROR;
    bool match = false;
    switch (item_kind(c.word0)) {
      case ITEM_CASE:
        match = (v == c.word1);
        break;
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
      Item target;
      if (!load_item(image, item_offset(c.word0), &target)) return DB_ERROR;
      return walk(image, id, ctx, target, leaf, depth + 1);
    }
  }
  return DB_NOT_FOUND;
}

// Selector [s] of the context for a selector or masked switch.
int32_t switch_selector_value(const ORV_QUERY_CONTEXT* ctx, uint16_t selector, uint32_t* v) {
  if (ctx == nullptr) return DB_ERROR;
  if (ctx->pSelectors == nullptr || ctx->cSelectors <= selector) return DB_NO_SELECTOR;
  *v = ctx->pSelectors[selector];
  return DB_OK;
}

// Length of s up to its NUL, looking at no more than limit + 1 bytes.
uint32_t bounded_length(const char* s, uint32_t limit) {
  uint32_t n = 0;
  while (n <= limit && s[n] != '\0') ++n;
  return n;
}

int32_t walk_string_switch(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Item sw,
                           Leaf* leaf, int depth) {
  uint16_t index = item_tag(sw.word1);
  uint32_t first = item_offset(sw.word0);
  uint16_t count = item_count(sw.word1);
  for (uint32_t i = 0; i < count; ++i) {
    Item c;
    if (!load_child(image, first, i, &c)) return DB_ERROR;
    bool match = false;
    uint8_t kind = item_kind(c.word0);
    if (kind == ITEM_DEFAULT) {
      match = true;
    } else if (kind == ITEM_CASE_STRING) {
      Item text;
      if (!load_item(image, c.word1, &text) || item_kind(text.word0) != ITEM_BYTES) {
        return DB_ERROR;
      }
      if (ctx == nullptr || ctx->ppStrings == nullptr || ctx->cStrings <= index) {
        return DB_NO_MATCH_STRING;
      }
      const char* s = ctx->ppStrings[index];
      if (s == nullptr) s = "";
      uint32_t offset = item_offset(text.word0);
      uint16_t length = item_count(text.word1);
      if (image.match_pool == nullptr ||
          static_cast<uint64_t>(offset) + length > image.match_count) {
        return DB_ERROR;
      }
      match = bounded_length(s, length) == length &&
              equal_counted(s, image.match_pool + offset, length) == 1;
    } else {
      return DB_ERROR;
    }
    if (match) {
      Item target;
      if (!load_item(image, item_offset(c.word0), &target)) return DB_ERROR;
      return walk(image, id, ctx, target, leaf, depth + 1);
    }
  }
  return DB_NOT_FOUND;
}

int32_t walk(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Item item, Leaf* leaf,
             int depth) {
  if (leaf == nullptr) return DB_ERROR;
  if (depth > kMaxWalkDepth) return DB_ERROR;
  uint8_t kind = item_kind(item.word0);
  switch (kind) {
    case ITEM_BYTES:
    case ITEM_INT32:
    case ITEM_INT8:
    case ITEM_INT16:
    case ITEM_UINT8:
    case ITEM_UINT16:
    case ITEM_STRING:
    case ITEM_COMPUTED:
      if (item_tag(item.word1) != id) return DB_NOT_FOUND;
      leaf->word0 = item.word0;
      leaf->word1 = item.word1;
      return DB_OK;
    case ITEM_SEQUENCE:
    case ITEM_BRANCH:
    case ITEM_CASE:
    case ITEM_DEFAULT:
      return walk_children(image, id, ctx, item_offset(item.word0), item_count(item.word1), leaf,
                           depth);
    case ITEM_SELECT:
      return walk_select(image, id, ctx, item, leaf, depth);
    case ITEM_SWITCH_SELECTOR: {
      uint32_t v = 0;
      int32_t result = switch_selector_value(ctx, item_tag(item.word1), &v);
      if (result != DB_OK) return result;
      return case_loop(image, id, ctx, item_offset(item.word0), 0, item_count(item.word1), v, leaf,
                       depth);
    }
    case ITEM_SWITCH_MASKED: {
      Item mask;
      if (!load_item(image, item_offset(item.word0), &mask)) return DB_ERROR;
      if (item_kind(mask.word0) != ITEM_MASK) return DB_ERROR;
      uint32_t v = 0;
      int32_t result = switch_selector_value(ctx, item_tag(item.word1), &v);
      if (result != DB_OK) return result;
      return case_loop(image, id, ctx, item_offset(mask.word0), 0, item_count(item.word1),
                       v & mask.word1, leaf, depth);
    }
    case ITEM_SWITCH_PRINTER_DATA:
    case ITEM_SWITCH_LOCALE: {
      SwitchStart start;
      int32_t result = kind == ITEM_SWITCH_LOCALE
                           ? locale_switch_start(item.word1, &start)
                           : printer_data_switch_start(image, ctx, item, &start, depth);
      if (result != DB_OK) return result;
      return case_loop(image, id, ctx, item_offset(item.word0), start.first_case,
                       item_count(item.word1), start.value, leaf, depth);
    }
    case ITEM_SWITCH_STRING:
      return walk_string_switch(image, id, ctx, item, leaf, depth);
    default:
      return DB_ERROR;
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
  uint32_t slot = 0;
  while (slot < image.root_count && image.root_ids[slot] != id) ++slot;
  if (slot == image.root_count) return DB_NO_ENTRY;
  uint32_t index = image.root_items[slot];
  if (image.items == nullptr || index >= image.item_count) return DB_ERROR;
  *item_index = index;
  return DB_OK;
}

int32_t find_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Leaf* leaf) {
  uint32_t index = 0;
  int32_t result = find_root_item(image, id, &index);
  if (result != DB_OK) return result;
  const Item& root = image.items[index];
  return resolve(image, id, ctx, root.word0, root.word1, leaf);
}

int32_t resolve(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t word0,
                uint32_t word1, Leaf* leaf) {
  return resolve_at_depth(image, id, ctx, word0, word1, leaf, 0);
}

int32_t resolve_at_depth(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t word0, uint32_t word1, Leaf* leaf, int depth) {
  if (image.items == nullptr) return DB_ERROR;
  return walk(image, id, ctx, Item{word0, word1}, leaf, depth);
}

}  // namespace orv
