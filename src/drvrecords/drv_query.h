// The Drv domain's handler: ordinary ids take the generic path, special ids
// (the rows of drv_special_ids.h) are assembled into value records, command
// sequences and the mode record.
#ifndef ORVDB_DRVRECORDS_DRV_QUERY_H_
#define ORVDB_DRVRECORDS_DRV_QUERY_H_

#include <stdint.h>

#include "drvrecords/drv_special_ids.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Answers Drv id `id` with the entry point's local context (never null).
// *pcbNeeded is written on DB_MORE_DATA by every path, and on DB_OK only by
// the generic, command-sequence and mode-record paths: a list's caller takes
// the record count from its size query.
int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_QUERY_H_
