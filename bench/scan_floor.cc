#include "scan_floor.h"

#include <string.h>

#include "computed/compute.h"

namespace orvbench {

using orv::Image;
using orv::Item;

namespace {

// The first of `count` items from `at` that is a container or a leaf of
// `id`: the child a sequence or branch leads on to.
uint32_t next_child(const Item* items, uint32_t at, uint16_t id) {
  while (orv::is_leaf_kind(orv::item_kind(items[at].word0)) &&
         orv::item_tag(items[at].word1) != id) {
    ++at;
  }
  return at;
}

// The target of the first value case equal to `v` (or default) from `at`.
uint32_t value_case(const Item* items, uint32_t at, uint32_t v) {
  while (orv::item_kind(items[at].word0) == orv::ITEM_CASE && items[at].word1 != v) ++at;
  return orv::item_offset(items[at].word0);
}

// The target of the first string case whose text is `s` (or default) from `at`.
uint32_t string_case(const Image& image, const Item* items, uint32_t at, const char* s) {
  size_t length = strlen(s);
  while (orv::item_kind(items[at].word0) == orv::ITEM_CASE_STRING) {
    const Item& text = items[items[at].word1];
    if (orv::item_count(text.word1) == length &&
        memcmp(image.match_pool + orv::item_offset(text.word0), s, length) == 0) {
      break;
    }
    ++at;
  }
  return orv::item_offset(items[at].word0);
}

}  // namespace

int32_t scan_floor_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  const Item* items = image.items;
  uint32_t slot = 0;
  while (image.root_ids[slot] != id) ++slot;
  Item item = items[image.root_items[slot]];
  for (;;) {
    uint32_t first = orv::item_offset(item.word0);
    uint16_t tag = orv::item_tag(item.word1);
    switch (orv::item_kind(item.word0)) {
      case orv::ITEM_SEQUENCE:
      case orv::ITEM_BRANCH:
        item = items[next_child(items, first, id)];
        continue;
      case orv::ITEM_SELECT: {
        uint32_t v = ctx->pSelectors[tag];
        uint32_t at = first;
        while (orv::item_tag(items[at].word1) != v) ++at;
        item = items[at];
        continue;
      }
      case orv::ITEM_SWITCH_SELECTOR:
        item = items[value_case(items, first, ctx->pSelectors[tag])];
        continue;
      case orv::ITEM_SWITCH_MASKED: {
        const Item& mask = items[first];
        uint32_t v = ctx->pSelectors[tag] & mask.word1;
        item = items[value_case(items, orv::item_offset(mask.word0), v)];
        continue;
      }
      case orv::ITEM_SWITCH_STRING:
        item = items[string_case(image, items, first, ctx->ppStrings[tag])];
        continue;
      default:
        break;
    }
    break;
  }
  // The leaf, copied and widened; a computed one is the function's own work.
  uint8_t kind = orv::item_kind(item.word0);
  if (kind == orv::ITEM_COMPUTED) {
    return orv::compute(image, orv::item_count(item.word1), ctx, cbBuf, pBuf, pcbNeeded);
  }
  uint32_t offset = orv::item_offset(item.word0);
  uint32_t count = orv::item_count(item.word1);
  uint32_t size = kind == orv::ITEM_BYTES    ? count
                  : kind == orv::ITEM_STRING ? 2 * count
                                             : 4 * count;
  if (pBuf == nullptr || cbBuf < size) {
    *pcbNeeded = size;
    return DB_MORE_DATA;
  }
  uint8_t* out = static_cast<uint8_t*>(pBuf);
  for (uint32_t i = 0; i < count; ++i) {
    int32_t v = 0;
    switch (kind) {
      case orv::ITEM_BYTES:
        out[i] = image.byte_pool[offset + i];
        continue;
      case orv::ITEM_STRING:
        out[2 * i] = image.byte_pool[offset + i];
        out[2 * i + 1] = 0;
        continue;
      case orv::ITEM_INT32:
        v = image.i32_pool[offset + i];
        break;
      case orv::ITEM_INT8:
        v = static_cast<int8_t>(image.byte_pool[offset + i]);
        break;
      case orv::ITEM_UINT8:
        v = image.byte_pool[offset + i];
        break;
      case orv::ITEM_INT16:
        v = static_cast<int16_t>(image.i16_pool[offset + i]);
        break;
      default:  // ITEM_UINT16
        v = image.i16_pool[offset + i];
        break;
    }
    memcpy(out + 4 * i, &v, 4);
  }
  *pcbNeeded = size;
  return DB_OK;
}

}  // namespace orvbench
