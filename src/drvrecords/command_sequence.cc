#include "drvrecords/command_sequence.h"

#include "drvrecords/drv_tables.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "platform/platform.h"

namespace orv {

namespace {

// Resolves every fragment into its slot (kind 0 when the fragment does not
// apply), sizes them, and copies them when the buffer holds them all.
int32_t assemble(const Image& image, const DrvTables& tables, uint32_t first, uint32_t m,
                 Leaf* slots, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, uint8_t* out,
                 uint32_t* pcbNeeded) {
  for (uint32_t k = 0; k < m; ++k) {
    uint64_t p = static_cast<uint64_t>(first) + k;
    if (p >= tables.seq_fragment_count || tables.seq_fragments == nullptr) return DB_ERROR;
    uint32_t t = tables.seq_fragments[p];
    if (t >= image.item_count || image.items == nullptr) return DB_ERROR;
    slots[k] = Leaf{0, 0};
    int32_t result =
        resolve(image, kFragmentId, ctx, image.items[t].word0, image.items[t].word1, &slots[k]);
    if (result == DB_NOT_FOUND) {
      slots[k] = Leaf{0, 0};  // this fragment adds nothing for these settings
    } else if (result != DB_OK) {
      return result;
    }
  }

  uint64_t total = 0;
  for (uint32_t k = 0; k < m; ++k) {
    if (item_kind(slots[k].word0) == 0) continue;
    uint32_t size = 0;
    int32_t result = fetch(image, ctx, 0, nullptr, &size, slots[k]);
    // With no buffer the fetcher answers DB_MORE_DATA and the size, or fails.
    if (result != DB_MORE_DATA) return result;
    total += size;
  }
  if (total > UINT32_MAX) return DB_ERROR;
  if (out == nullptr || cbBuf < total) {
    *pcbNeeded = static_cast<uint32_t>(total);
    return DB_MORE_DATA;
  }

  uint32_t used = 0;
  for (uint32_t k = 0; k < m; ++k) {
    if (item_kind(slots[k].word0) == 0) continue;
    uint32_t size = 0;
    int32_t result = fetch(image, ctx, cbBuf - used, out + used, &size, slots[k]);
    // The buffer holds the total just measured; a fragment that now wants
    // more is inconsistent, and DB_MORE_DATA here would carry no usable size.
    if (result == DB_MORE_DATA) return DB_ERROR;
    if (result != DB_OK) return result;
    if (size > cbBuf - used) return DB_ERROR;
    used += size;
  }
  *pcbNeeded = used;
  return DB_OK;
}

}  // namespace

int32_t find_sequence(const DrvTables& tables, uint16_t id, uint32_t* slot) {
  if (tables.seq_count == 0) return DB_NOT_FOUND;
  if (tables.seq_ids == nullptr || tables.seq_fragment_counts == nullptr ||
      tables.seq_first == nullptr) {
    return DB_ERROR;
  }
  for (uint32_t s = 0; s < tables.seq_count; ++s) {
    if (tables.seq_ids[s] == id) {
      *slot = s;
      return DB_OK;
    }
  }
  return DB_NOT_FOUND;
}

int32_t command_sequence_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                               uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_sequence(*tables, id, &slot);
  if (result != DB_OK) return result;

  uint32_t m = tables->seq_fragment_counts[slot];
  Leaf* slots = nullptr;
  if (m > 0) {
    slots = static_cast<Leaf*>(platform_alloc(static_cast<uint32_t>(sizeof(Leaf) * m)));
    if (slots == nullptr) return DB_ERROR;
  }
  result = assemble(image, *tables, tables->seq_first[slot], m, slots, ctx, cbBuf,
                    static_cast<uint8_t*>(pBuf), pcbNeeded);
  platform_free(slots);
  return result;
}

}  // namespace orv
