#include "drvrecords/drv_query.h"

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_lists.h"
#include "drvrecords/mode_record.h"
#include "engine/access.h"

namespace orv {

int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded) {
  if (pcbNeeded == nullptr) return DB_ERROR;
  const DrvSpecialId* row = find_drv_special_id(id);
  if (row == nullptr) return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
  // The entry point always passes its local context; without one no special path can run.
  if (ctx == nullptr) return DB_ERROR;
  switch (row->path) {
    case DrvPath::kStoredList:
    case DrvPath::kSelector8List:
      return stored_list_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kFullList:
      return full_list_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kCommandSequence:
      return command_sequence_query(image, id, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kModeRecord:
      return mode_record_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kGeneric:
      break;
  }
  return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv
