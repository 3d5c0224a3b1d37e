#include "drvrecords/command_sequence.h"

#include "drvrecords/command_sequence_steps.h"
#include "drvrecords/drv_tables.h"

namespace orv {

int32_t find_sequence(const DrvTables& tables, uint16_t id, uint32_t* slot) {
  if (tables.seq_count == 0) return DB_NOT_FOUND;
  if (tables.seq_ids == nullptr || tables.seq_fragment_counts == nullptr ||
      tables.seq_first == nullptr) {
    return DB_ERROR;
  }
  for (uint32_t s = 0; s < tables.seq_count; ++s) {
    if (tables.seq_ids[s] == id) {
      *slot = s;
      return DB_OK;
    }
  }
  return DB_NOT_FOUND;
}

int32_t command_sequence_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                               uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  NoDrvObserver none;
  return command_sequence_steps(image, id, ctx, cbBuf, pBuf, pcbNeeded, &none);
}

}  // namespace orv
