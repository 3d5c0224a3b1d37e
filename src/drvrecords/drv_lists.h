// The three list paths of the Drv handler: a list the data base stores for
// the caller's settings, every value the selector-value table knows for a
// selector, and the selector-8 lists with their own attributes and required
// marker. Each answers an array of 20-byte value records; *pcbNeeded is
// written only with DB_MORE_DATA.
#ifndef ORVDB_DRVRECORDS_DRV_LISTS_H_
#define ORVDB_DRVRECORDS_DRV_LISTS_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// The data base's list for `id`, spread into records and filled.
int32_t stored_list_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

// All values of `selector` in the selector-value table, as records of `id`.
int32_t full_list_query(const Image& image, uint16_t id, uint16_t selector,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded);

// Lists 0x1016 and 0x1017: attributes per value of selector 8 (0x1016 only)
// and a marker pair that must exist.
int32_t selector8_list_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                             uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_LISTS_H_
