// The value records of the Drv list ids, and the post-processor that turns a
// packed list of setting values into filled records.
#ifndef ORVDB_DRVRECORDS_VALUE_RECORDS_H_
#define ORVDB_DRVRECORDS_VALUE_RECORDS_H_

#include <stddef.h>
#include <stdint.h>

#include "drvrecords/drv_special_ids.h"
#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Layout of a value record (ORV_VALUE_RECORD): its size and the byte offset
// of each field, for buffers that need not be aligned.
constexpr uint32_t kValueRecordSize = sizeof(ORV_VALUE_RECORD);
constexpr uint32_t kRecordValue = offsetof(ORV_VALUE_RECORD, value);
constexpr uint32_t kRecordAttr1 = offsetof(ORV_VALUE_RECORD, attr1);
constexpr uint32_t kRecordAttr2 = offsetof(ORV_VALUE_RECORD, attr2);
constexpr uint32_t kRecordAttr3 = offsetof(ORV_VALUE_RECORD, attr3);
constexpr uint32_t kRecordMark = offsetof(ORV_VALUE_RECORD, mark);

// Number of selectors a context (never null here: the Drv handler checks it)
// really holds: a null array holds none, whatever its count says.
inline uint32_t usable_selectors(const ORV_QUERY_CONTEXT* ctx) {
  return ctx->pSelectors != nullptr ? ctx->cSelectors : 0;
}

// Reads and writes one word of record i of a buffer that need not be aligned.
uint32_t record_word(const uint8_t* records, uint32_t i, uint32_t field);
void set_record_word(uint8_t* records, uint32_t i, uint32_t field, uint32_t value);

// Finds the selector-value table slot of selector `key`: DB_OK and *slot,
// DB_NOT_FOUND when the table lacks the selector, DB_ERROR when the table is
// inconsistent (a null array under a non-zero count).
int32_t find_selector_slot(const DrvTables& tables, uint16_t key, uint32_t* slot);

// Turns the n packed values at the start of pBuf (which holds at least
// n value records) into n value records of list id `row` and fills them, in
// this order: value identifiers of the key selector into attr1, the attribute
// lookups with the attribute selector set to each value, the comparison with
// another list into attr3, and the marks. The first failure ends the call
// with its result. Never writes *pcbNeeded. Cost: one walk per record and
// attribute id, plus the compared list and the marker pair.
int32_t fill_value_records(const Image& image, const DrvSpecialId& row,
                           const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf, uint32_t n);

// fill_value_records for the row of list id `id`; DB_ERROR for an id that
// is not a list.
int32_t postprocess_value_records(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                  uint32_t cbBuf, void* pBuf, uint32_t n);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_VALUE_RECORDS_H_
