#include "engine/fetcher.h"

#include <assert.h>
#include <string.h>

#include "computed/compute.h"
#include "engine/answer_size.h"

namespace orv {

namespace {

// Bytes per element a stored leaf of each kind answers with; 0 for the kinds
// that are not stored leaves.
constexpr uint8_t kElementBytes[] = {
    0,  // 0: no kind
    1,  // ITEM_BYTES
    4,  // ITEM_INT32
    4,  // ITEM_INT8, widened
    4,  // ITEM_INT16, widened
    4,  // ITEM_UINT8, widened
    4,  // ITEM_UINT16, widened
    2,  // ITEM_STRING, 16-bit characters
};
static_assert(sizeof kElementBytes == ITEM_STRING + 1, "one entry per stored kind");

inline bool within(uint32_t offset, uint16_t count, uint32_t pool_count) {
  return static_cast<uint64_t>(offset) + count <= pool_count;
}

// 8-bit text widened to 16-bit little-endian characters.
// Steps of eight characters (SSE2) and of four (a 64-bit word) saved at most
// 3 % of any path's instructions (bench/count_instructions.sh): one at a time.
void widen_text(const uint8_t* src, uint32_t count, uint8_t* dst) {
  for (uint32_t i = 0; i < count; ++i) {
    dst[2 * i] = src[i];
    dst[2 * i + 1] = 0;
  }
}

// Numbers of a pool widened to 32-bit values, each read by `read`.
template <typename Source, typename Read>
void widen_numbers(const Source* src, uint32_t count, uint8_t* dst, Read read) {
  for (uint32_t i = 0; i < count; ++i) {
    int32_t v = read(src[i]);
    memcpy(dst + 4 * i, &v, 4);
  }
}

int32_t copy_stored(const Image& image, uint8_t kind, uint32_t offset, uint16_t count, void* out) {
  uint8_t* dst = static_cast<uint8_t*>(out);
  switch (kind) {
    case ITEM_BYTES:
    case ITEM_STRING:
    case ITEM_INT8:
    case ITEM_UINT8: {
      if (image.byte_pool == nullptr || !within(offset, count, image.byte_count)) return DB_ERROR;
      const uint8_t* src = image.byte_pool + offset;
      if (kind == ITEM_BYTES) {
        if (count > 0) memcpy(dst, src, count);
      } else if (kind == ITEM_STRING) {
        widen_text(src, count, dst);
      } else if (kind == ITEM_INT8) {
        widen_numbers(src, count, dst, [](uint8_t b) { return int32_t{static_cast<int8_t>(b)}; });
      } else {
        widen_numbers(src, count, dst, [](uint8_t b) { return int32_t{b}; });
      }
      return DB_OK;
    }
    case ITEM_INT32:
      if (image.i32_pool == nullptr || !within(offset, count, image.i32_count)) return DB_ERROR;
      if (count > 0) memcpy(dst, image.i32_pool + offset, count * 4u);
      return DB_OK;
    default: {  // ITEM_INT16 and ITEM_UINT16, the stored kinds left
      if (image.i16_pool == nullptr || !within(offset, count, image.i16_count)) return DB_ERROR;
      const uint16_t* src = image.i16_pool + offset;
      if (kind == ITEM_INT16) {
        widen_numbers(src, count, dst, [](uint16_t h) { return int32_t{static_cast<int16_t>(h)}; });
      } else {
        widen_numbers(src, count, dst, [](uint16_t h) { return int32_t{h}; });
      }
      return DB_OK;
    }
  }
}

// A computed leaf: sized by a first call of its function, produced by a
// second one when the buffer holds it.
int32_t fetch_computed(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                       uint32_t* pcbNeeded, uint16_t function) {
  uint32_t needed = 0;
  int32_t sized = compute(image, function, ctx, 0, nullptr, &needed);
  if (sized == DB_NOT_FOUND) {
    needed = 0;
  } else if (sized != DB_OK && sized != DB_MORE_DATA) {
    return sized;
  }
  if (buffer_short(needed, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  int32_t result = compute(image, function, ctx, cbBuf, pBuf, &needed);
  if (result != DB_OK) return result;
  *pcbNeeded = needed;
  return DB_OK;
}

}  // namespace

int32_t fetch(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
              uint32_t* pcbNeeded, const Leaf& leaf) {
  assert(pcbNeeded != nullptr);  // every caller passes its own size word
  uint8_t kind = item_kind(leaf.word0);
  uint16_t count = item_count(leaf.word1);
  if (kind == ITEM_COMPUTED) return fetch_computed(image, ctx, cbBuf, pBuf, pcbNeeded, count);
  uint32_t unit = kind < sizeof kElementBytes ? kElementBytes[kind] : 0;
  if (unit == 0) return DB_ERROR;
  uint32_t needed = count * unit;
  if (buffer_short(needed, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  int32_t result = copy_stored(image, kind, item_offset(leaf.word0), count, pBuf);
  if (result != DB_OK) return result;
  *pcbNeeded = needed;
  return DB_OK;
}

}  // namespace orv
