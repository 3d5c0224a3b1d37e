// The 192-byte mode record: four part records chosen by the first mode-table
// row whose six keys equal the caller's selectors 4, 9, 5, 8, 6 and 81.
#ifndef ORVDB_DRVRECORDS_MODE_RECORD_H_
#define ORVDB_DRVRECORDS_MODE_RECORD_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

struct DrvTables;  // the mode table and its part tables (drvrecords/drv_tables.h)
struct ModeRow;    // one row of the mode table

// Size the caller's buffer must have; only the first 172 bytes are written.
constexpr uint32_t kModeRecordSize = 192;

// The first mode-table row whose six keys equal `selectors` 4, 9, 5, 8, 6
// and 81 (the array holds 82 at least), or null. Cost: a linear scan.
const ModeRow* matching_mode_row(const DrvTables& tables, const uint32_t* selectors);

// Needs 82 selectors (DB_NO_SELECTOR otherwise). A short or null buffer gets
// 192 and DB_MORE_DATA before any search; no matching row: DB_NOT_FOUND;
// otherwise bytes 0-171 are written, bytes 172-191 kept, *pcbNeeded = 192.
// Cost: a linear scan of the mode table.
int32_t mode_record_query(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                          void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_MODE_RECORD_H_
