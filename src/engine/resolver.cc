#include "engine/resolver.h"

#include "engine/scan.h"
#include "engine/walk.h"

namespace orv {

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

int32_t find_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, Leaf* leaf) {
  uint32_t index = 0;
  int32_t result = find_root_item(image, id, &index);
  if (result != DB_OK) return result;
  NoObserver none;
  return walk_internal::start_walk(image, id, ctx, index, image.items[index], leaf, 0, &none);
}

int32_t resolve(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t word0,
                uint32_t word1, Leaf* leaf) {
  NoObserver none;
  return walk_internal::start_walk(image, id, ctx, kUnknownItem, Item{word0, word1}, leaf, 0,
                                   &none);
}

int32_t resolve_forked(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t index,
                       ForkedWalks* fork) {
  Item item{};
  if (!item_at(image, index, &item)) return DB_ERROR;
  NoObserver none;
  return walk_internal::start_forked_walk(image, ctx, index, item, fork, &none);
}

int32_t resolve_at_depth(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t word0, uint32_t word1, Leaf* leaf, int depth) {
  NoObserver none;
  return walk_internal::start_walk(image, id, ctx, kUnknownItem, Item{word0, word1}, leaf, depth,
                                   &none);
}

}  // namespace orv
