#include "drvrecords/value_records.h"

#include <string.h>

#include "drvrecords/value_records_steps.h"

namespace orv {

uint32_t record_word(const uint8_t* records, uint32_t i, uint32_t field) {
  uint32_t value;
  memcpy(&value, records + i * kValueRecordSize + field, 4);
  return value;
}

void set_record_word(uint8_t* records, uint32_t i, uint32_t field, uint32_t value) {
  memcpy(records + i * kValueRecordSize + field, &value, 4);
}

int32_t find_selector_slot(const DrvTables& tables, uint16_t key, uint32_t* slot) {
  if (tables.sel_count == 0) return DB_NOT_FOUND;
  if (tables.sel_indices == nullptr || tables.sel_value_counts == nullptr ||
      tables.sel_first == nullptr) {
    return DB_ERROR;
  }
  for (uint32_t s = 0; s < tables.sel_count; ++s) {
    if (tables.sel_indices[s] == key) {
      *slot = s;
      return DB_OK;
    }
  }
  return DB_NOT_FOUND;
}

int32_t fill_value_records(const Image& image, const DrvSpecialId& row,
                           const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf, uint32_t n) {
  NoDrvObserver none;
  return value_records_internal::fill_value_records(image, row, ctx, cbBuf, pBuf, n, &none);
}

int32_t postprocess_value_records(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                  uint32_t cbBuf, void* pBuf, uint32_t n) {
  const DrvSpecialId* row = find_drv_special_id(id);
  if (row == nullptr || !answers_value_records(row->path)) return DB_ERROR;
  return fill_value_records(image, *row, ctx, cbBuf, pBuf, n);
}

}  // namespace orv
