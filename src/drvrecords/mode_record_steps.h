// The mode-record path of the Drv handler (mode_record.h) as a template over
// a Drv observer (drv_observer.h): mode_record.cc runs it unwatched for the
// library; a tool runs it watched.
#ifndef ORVDB_DRVRECORDS_MODE_RECORD_STEPS_H_
#define ORVDB_DRVRECORDS_MODE_RECORD_STEPS_H_

#include <stddef.h>
#include <string.h>

#include "drvrecords/drv_observer.h"
#include "drvrecords/drv_special_ids.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/mode_record.h"
#include "drvrecords/value_records.h"
#include "engine/answer_size.h"

namespace orv {
namespace mode_record_internal {

// Where each part record lands in the mode record.
constexpr uint32_t kPartAOffset = offsetof(ORV_MODE_RECORD, partA);
constexpr uint32_t kPartBOffset = offsetof(ORV_MODE_RECORD, partB);
constexpr uint32_t kPartCOffset = offsetof(ORV_MODE_RECORD, partC);
constexpr uint32_t kPartDOffset = offsetof(ORV_MODE_RECORD, partD);

// Record `index` of a part table, or null when the table lacks it; the
// observer is told the record read.
template <typename O>
inline const uint8_t* part_record(const ModePartTable& table, uint32_t size, uint32_t index,
                                  DrvTable which, O* observer) {
  if (table.records == nullptr || index >= table.count) return nullptr;
  if constexpr (O::kWatches) observer->table_row(which, index);
  return table.records + static_cast<size_t>(index) * size;
}

}  // namespace mode_record_internal

// mode_record_query (mode_record.h), told to `observer`.
template <typename O>
int32_t mode_record_steps(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, O* observer) {
  if (ctx == nullptr) return DB_ERROR;
  if (usable_selectors(ctx) < row.min_selectors) return DB_NO_SELECTOR;
  if constexpr (O::kWatches) observer->needed(kModeRecordSize);
  if (buffer_short(kModeRecordSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr || tables->mode_rows == nullptr) return DB_ERROR;

  const ModeRow* match = matching_mode_row(*tables, ctx->pSelectors);
  if constexpr (O::kWatches) {
    if (match != nullptr) {
      observer->table_row(DrvTable::kModeRow, static_cast<uint32_t>(match - tables->mode_rows));
    } else {
      observer->table_missing(DrvTable::kModeRow, 0, DB_NOT_FOUND);
    }
  }
  if (match == nullptr) return DB_NOT_FOUND;

  using mode_record_internal::part_record;
  const ModePartTable* parts = tables->mode_parts;
  const uint8_t* a =
      part_record(parts[0], kModePartASize, match->part_a, DrvTable::kModePartA, observer);
  const uint8_t* b =
      part_record(parts[1], kModePartBSize, match->part_b, DrvTable::kModePartB, observer);
  const uint8_t* c =
      part_record(parts[2], kModePartCSize, match->part_c, DrvTable::kModePartC, observer);
  const uint8_t* d =
      part_record(parts[3], kModePartDSize, match->part_d, DrvTable::kModePartD, observer);
  if (a == nullptr || b == nullptr || c == nullptr || d == nullptr) return DB_ERROR;

  uint8_t* out = static_cast<uint8_t*>(pBuf);
  memcpy(out + mode_record_internal::kPartAOffset, a, kModePartASize);
  memcpy(out + mode_record_internal::kPartBOffset, b, kModePartBSize);
  memcpy(out + mode_record_internal::kPartCOffset, c, kModePartCSize);
  memcpy(out + mode_record_internal::kPartDOffset, d, kModePartDSize);
  *pcbNeeded = kModeRecordSize;
  return DB_OK;
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_MODE_RECORD_STEPS_H_
