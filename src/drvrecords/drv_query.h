// The Drv domain's handler: ordinary ids take the generic path, special ids
// are assembled into value records, command sequences and the mode record.
#ifndef ORVDB_DRVRECORDS_DRV_QUERY_H_
#define ORVDB_DRVRECORDS_DRV_QUERY_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// How the handler answers an id; chosen by the id alone.
enum class DrvPath : uint8_t {
  kGeneric,          // root lookup, walk, fetch
  kStoredList,       // the data base's list for the settings, as value records
  kFullList,         // every value the selector-value table knows for a selector
  kSelector8List,    // lists 0x1016 and 0x1017, with a required marker pair
  kCommandSequence,  // fragments concatenated into one byte string
  kModeRecord,       // the 192-byte mode record
};

// The path of a Drv id.
DrvPath drv_path(uint16_t id);

// The selector whose values a full-list id returns (0x100D: 4, 0x100F: 5, 0x1013: 7).
uint16_t full_list_selector(uint16_t id);

// Answers Drv id `id` with the entry point's local context (never null).
// *pcbNeeded is written on DB_MORE_DATA by every path, and on DB_OK only by
// the generic, command-sequence and mode-record paths: a list's caller takes
// the record count from its size query.
int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_QUERY_H_
