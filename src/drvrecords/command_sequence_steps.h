// The command-sequence path of the Drv handler (command_sequence.h) as a
// template over a Drv observer (drv_observer.h): command_sequence.cc runs it
// unwatched for the library; a tool runs it watched.
#ifndef ORVDB_DRVRECORDS_COMMAND_SEQUENCE_STEPS_H_
#define ORVDB_DRVRECORDS_COMMAND_SEQUENCE_STEPS_H_

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_observer.h"
#include "drvrecords/drv_tables.h"
#include "engine/answer_size.h"
#include "engine/fetcher.h"
#include "platform/platform.h"

namespace orv {
namespace sequence_internal {

// Resolves every fragment into its slot (kind 0 when the fragment does not
// apply), sizes them, and copies them when the buffer holds them all.
template <typename O>
int32_t assemble(const Image& image, const DrvTables& tables, uint32_t first, uint32_t m,
                 Leaf* slots, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, uint8_t* out,
                 uint32_t* pcbNeeded, O* observer) {
  for (uint32_t k = 0; k < m; ++k) {
    uint64_t p = static_cast<uint64_t>(first) + k;
    if (p >= tables.seq_fragment_count || tables.seq_fragments == nullptr) return DB_ERROR;
    if constexpr (O::kWatches) {
      observer->table_row(DrvTable::kFragmentPosition, static_cast<uint32_t>(p));
    }
    uint32_t t = tables.seq_fragments[p];
    if (t >= image.item_count || image.items == nullptr) return DB_ERROR;
    slots[k] = Leaf{0, 0};
    int32_t result =
        drv_resolve(image, kFragmentId, ctx, t, &slots[k], DrvWalk::kFragment, observer);
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
    if constexpr (O::kWatches) observer->fetched(result, size);
    // With no buffer the fetcher answers DB_MORE_DATA and the size, or fails.
    if (result != DB_MORE_DATA) return result;
    total += size;
  }
  if (total > UINT32_MAX) return DB_ERROR;
  if constexpr (O::kWatches) observer->needed(static_cast<uint32_t>(total));
  if (buffer_short(static_cast<uint32_t>(total), cbBuf, out, pcbNeeded)) return DB_MORE_DATA;

  uint32_t used = 0;
  for (uint32_t k = 0; k < m; ++k) {
    if (item_kind(slots[k].word0) == 0) continue;
    uint32_t size = 0;
    int32_t result = fetch(image, ctx, cbBuf - used, out + used, &size, slots[k]);
    if constexpr (O::kWatches) observer->fetched(result, size);
    // The buffer holds the total just measured, and a fragment's size does
    // not change between the two fetches: only a failure can stop the copy.
    if (result != DB_OK) return result;
    used += size;
  }
  *pcbNeeded = used;
  return DB_OK;
}

}  // namespace sequence_internal

// command_sequence_query (command_sequence.h), told to `observer`.
template <typename O>
int32_t command_sequence_steps(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                               uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, O* observer) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_sequence(*tables, id, &slot);
  if constexpr (O::kWatches) {
    if (result == DB_OK) {
      observer->table_row(DrvTable::kSequenceSlot, slot);
    } else {
      observer->table_missing(DrvTable::kSequenceSlot, id, result);
    }
  }
  if (result != DB_OK) return result;

  uint32_t m = tables->seq_fragment_counts[slot];
  Leaf* slots = nullptr;
  if (m > 0) {
    slots = static_cast<Leaf*>(platform_alloc(static_cast<uint32_t>(sizeof(Leaf) * m)));
    if (slots == nullptr) return DB_ERROR;
  }
  result = sequence_internal::assemble(image, *tables, tables->seq_first[slot], m, slots, ctx,
                                       cbBuf, static_cast<uint8_t*>(pBuf), pcbNeeded, observer);
  platform_free(slots);
  return result;
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_COMMAND_SEQUENCE_STEPS_H_
