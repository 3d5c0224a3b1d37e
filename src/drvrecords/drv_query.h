// The Drv domain's handler: ordinary ids take the generic path, special ids
// are assembled into value records, command sequences and the mode record.
#ifndef ORVDB_DRVRECORDS_DRV_QUERY_H_
#define ORVDB_DRVRECORDS_DRV_QUERY_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Answers Drv id `id` with the entry point's local context (never null).
int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_QUERY_H_
