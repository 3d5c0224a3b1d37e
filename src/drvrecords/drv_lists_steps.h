// The list paths of the Drv handler (drv_lists.h) as templates over a Drv
// observer (drv_observer.h): drv_lists.cc runs them unwatched for the
// library; a tool runs them watched.
#ifndef ORVDB_DRVRECORDS_DRV_LISTS_STEPS_H_
#define ORVDB_DRVRECORDS_DRV_LISTS_STEPS_H_

#include <string.h>

#include "drvrecords/drv_observer.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "drvrecords/value_records_steps.h"
#include "engine/answer_size.h"
#include "engine/fetcher.h"

namespace orv {

// stored_list_query (drv_lists.h), told to `observer`.
template <typename O>
int32_t stored_list_steps(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, O* observer) {
  Leaf leaf{};
  int32_t result = drv_find_root(image, row.id, ctx, &leaf, DrvWalk::kList, observer);
  if (result != DB_OK) return result;
  uint32_t n = item_count(leaf.word1);
  uint32_t need = kValueRecordSize * n;
  if constexpr (O::kWatches) observer->needed(need);
  if (buffer_short(need, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  uint32_t size = 0;
  result = fetch(image, ctx, need, pBuf, &size, leaf);
  if constexpr (O::kWatches) observer->fetched(result, size);
  // The buffer holds a whole record per element, so any leaf of n elements
  // fits (a computed item answers at most 65 bytes for a count of 1 to 7):
  // an answer of another size than n numbers is not a list of numbers.
  if (result != DB_OK) return result;
  if (size != 4 * n) return DB_ERROR;
  return fill_value_records_observed(image, row, ctx, cbBuf, pBuf, n, observer);
}

// full_list_query (drv_lists.h), told to `observer`.
template <typename O>
int32_t full_list_steps(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, O* observer) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, row.key_selector, &slot);
  if constexpr (O::kWatches) {
    if (result == DB_OK) {
      observer->table_row(DrvTable::kSelectorSlot, slot);
    } else {
      observer->table_missing(DrvTable::kSelectorSlot, row.key_selector, result);
    }
  }
  if (result != DB_OK) return result;
  uint32_t n = tables->sel_value_counts[slot];
  uint32_t need = kValueRecordSize * n;
  if constexpr (O::kWatches) observer->needed(need);
  if (buffer_short(need, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  uint8_t* out = static_cast<uint8_t*>(pBuf);
  uint64_t first = tables->sel_first[slot];
  for (uint32_t i = 0; i < n; ++i) {
    uint64_t j = first + i;
    if (j >= tables->sel_value_count || tables->sel_values == nullptr) return DB_ERROR;
    if constexpr (O::kWatches)
      observer->table_row(DrvTable::kSelectorValue, static_cast<uint32_t>(j));
    uint32_t value = tables->sel_values[j];
    // Packed at the start, as a stored list arrives from the fetcher.
    memcpy(out + 4 * i, &value, 4);
  }
  return fill_value_records_observed(image, row, ctx, cbBuf, pBuf, n, observer);
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_LISTS_STEPS_H_
