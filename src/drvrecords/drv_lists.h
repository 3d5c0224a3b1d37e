// The list paths of the Drv handler: a list the data base stores for the
// caller's settings, and every value the selector-value table knows for a
// selector. Each answers an array of value records, filled as the id's row
// of the special-id table says; *pcbNeeded is written only with DB_MORE_DATA.
#ifndef ORVDB_DRVRECORDS_DRV_LISTS_H_
#define ORVDB_DRVRECORDS_DRV_LISTS_H_

#include <stdint.h>

#include "drvrecords/drv_special_ids.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// The data base's list for the row's id, spread into records and filled (the
// stored lists and the selector-8 lists).
int32_t stored_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

// All values of the row's key selector in the selector-value table, as
// records of the row's id.
int32_t full_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_LISTS_H_
