#include "engine/fetcher.h"

#include <string.h>

#include "computed/compute.h"

namespace orv {

namespace {

// Bytes a stored leaf of `kind` with `count` elements answers with.
bool stored_size(uint8_t kind, uint16_t count, uint32_t* bytes) {
  switch (kind) {
    case ITEM_BYTES:
      *bytes = count;
      return true;
    case ITEM_STRING:
      *bytes = count * 2u;
      return true;
    case ITEM_INT32:
    case ITEM_INT8:
    case ITEM_INT16:
    case ITEM_UINT8:
    case ITEM_UINT16:
      *bytes = count * 4u;
      return true;
    default:
      return false;
  }
}

inline bool within(uint32_t offset, uint16_t count, uint32_t pool_count) {
  return static_cast<uint64_t>(offset) + count <= pool_count;
}

int32_t copy_stored(const Image& image, uint8_t kind, uint32_t offset, uint16_t count, void* out) {
  switch (kind) {
    case ITEM_BYTES:
      if (image.byte_pool == nullptr || !within(offset, count, image.byte_count)) return DB_ERROR;
      if (count > 0) memcpy(out, image.byte_pool + offset, count);
      return DB_OK;
    case ITEM_STRING: {
      if (image.byte_pool == nullptr || !within(offset, count, image.byte_count)) return DB_ERROR;
      uint8_t* dst = static_cast<uint8_t*>(out);
      for (uint32_t i = 0; i < count; ++i) {
        uint16_t ch = image.byte_pool[offset + i];
        memcpy(dst + 2 * i, &ch, 2);
      }
      return DB_OK;
    }
    case ITEM_INT32:
      if (image.i32_pool == nullptr || !within(offset, count, image.i32_count)) return DB_ERROR;
      if (count > 0) memcpy(out, image.i32_pool + offset, count * 4u);
      return DB_OK;
    default:
      break;
  }
  // The numeric kinds widened to 32 bits.
  bool byte_source = kind == ITEM_INT8 || kind == ITEM_UINT8;
  if (byte_source) {
    if (image.byte_pool == nullptr || !within(offset, count, image.byte_count)) return DB_ERROR;
  } else {
    if (image.i16_pool == nullptr || !within(offset, count, image.i16_count)) return DB_ERROR;
  }
  uint8_t* dst = static_cast<uint8_t*>(out);
  for (uint32_t i = 0; i < count; ++i) {
    int32_t v;
    switch (kind) {
      case ITEM_INT8:
        v = static_cast<int8_t>(image.byte_pool[offset + i]);
        break;
      case ITEM_UINT8:
        v = image.byte_pool[offset + i];
        break;
      case ITEM_INT16:
        v = static_cast<int16_t>(image.i16_pool[offset + i]);
        break;
      default:  // ITEM_UINT16
        v = image.i16_pool[offset + i];
        break;
    }
    memcpy(dst + 4 * i, &v, 4);
  }
  return DB_OK;
}

}  // namespace

int32_t fetch(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
              uint32_t* pcbNeeded, const Leaf& leaf) {
  if (pcbNeeded == nullptr) return DB_ERROR;
  uint8_t kind = item_kind(leaf.word0);
  uint16_t count = item_count(leaf.word1);
  uint32_t needed = 0;

  if (kind == ITEM_COMPUTED) {
    int32_t sized = compute(image, count, ctx, 0, nullptr, &needed);
    if (sized == DB_NOT_FOUND) {
      needed = 0;
    } else if (sized != DB_OK && sized != DB_MORE_DATA) {
      return sized;
    }
    if (pBuf == nullptr || cbBuf < needed) {
      *pcbNeeded = needed;
      return DB_MORE_DATA;
    }
    int32_t result = compute(image, count, ctx, cbBuf, pBuf, &needed);
    if (result != DB_OK) return result;
    *pcbNeeded = needed;
    return DB_OK;
  }

  if (!stored_size(kind, count, &needed)) return DB_ERROR;
  if (pBuf == nullptr || cbBuf < needed) {
    *pcbNeeded = needed;
    return DB_MORE_DATA;
  }
  int32_t result = copy_stored(image, kind, item_offset(leaf.word0), count, pBuf);
  if (result != DB_OK) return result;
  *pcbNeeded = needed;
  return DB_OK;
}

}  // namespace orv
