#include "drvrecords/drv_lists.h"

#include <string.h>

#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"

namespace orv {

int32_t stored_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  Leaf leaf{};
  int32_t result = find_root(image, row.id, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t n = item_count(leaf.word1);
  uint32_t need = kValueRecordSize * n;
  if (pBuf == nullptr || cbBuf < need) {
    *pcbNeeded = need;
    return DB_MORE_DATA;
  }
  uint32_t size = 0;
  result = fetch(image, ctx, need, pBuf, &size, leaf);
  // The buffer holds a whole record per element, so a numeric list always
  // fits: a longer answer, or one of another size, is not a list of numbers.
  if (result == DB_MORE_DATA) return DB_ERROR;
  if (result != DB_OK) return result;
  if (size != 4 * n) return DB_ERROR;
  return fill_value_records(image, row, ctx, cbBuf, pBuf, n);
}

int32_t full_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, row.key_selector, &slot);
  if (result != DB_OK) return result;
  uint32_t n = tables->sel_value_counts[slot];
  uint32_t need = kValueRecordSize * n;
  if (pBuf == nullptr || cbBuf < need) {
    *pcbNeeded = need;
    return DB_MORE_DATA;
  }
  uint8_t* out = static_cast<uint8_t*>(pBuf);
  uint64_t first = tables->sel_first[slot];
  for (uint32_t i = 0; i < n; ++i) {
    uint64_t j = first + i;
    if (j >= tables->sel_value_count || tables->sel_values == nullptr) return DB_ERROR;
    uint32_t value = tables->sel_values[j];
    // Packed at the start, as a stored list arrives from the fetcher.
    memcpy(out + 4 * i, &value, 4);
  }
  return fill_value_records(image, row, ctx, cbBuf, pBuf, n);
}

}  // namespace orv
