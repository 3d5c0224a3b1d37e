// Command sequences: the fragments the command-sequence table names for a
// Drv id, each picked for the caller's settings, concatenated.
#ifndef ORVDB_DRVRECORDS_COMMAND_SEQUENCE_H_
#define ORVDB_DRVRECORDS_COMMAND_SEQUENCE_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

struct DrvTables;  // the command-sequence table (drvrecords/drv_tables.h)

// Internal id under which every fragment tree holds its bytes.
constexpr uint16_t kFragmentId = 0x5008;

// Finds the command-sequence table slot of `id`: DB_OK and *slot,
// DB_NOT_FOUND when the table has no such sequence, DB_ERROR for a table
// with a null array under a non-zero count.
int32_t find_sequence(const DrvTables& tables, uint16_t id, uint32_t* slot);

// Answers command sequence `id` under the size protocol: the bytes of the
// fragments that apply, in table order, nothing between them; *pcbNeeded is
// the total on DB_MORE_DATA and the bytes written on DB_OK. DB_NOT_FOUND
// when the table has no such sequence. Cost: one walk per fragment, two
// fetches per found fragment, one allocation of the fragment count's slots.
int32_t command_sequence_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                               uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_COMMAND_SEQUENCE_H_
