#include "drvrecords/drv_query.h"

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_lists.h"
#include "drvrecords/mode_record.h"
#include "engine/access.h"

namespace orv {

DrvPath drv_path(uint16_t id) {
  switch (id) {
    case 0x100C:
    case 0x100E:
    case 0x1010:
    case 0x1011:
    case 0x1012:
    case 0x1014:
    case 0x104D:
    case 0x104E:
    case 0x1051:
    case 0x1054:
      return DrvPath::kStoredList;
    case 0x100D:
    case 0x100F:
    case 0x1013:
      return DrvPath::kFullList;
    case 0x1016:
    case 0x1017:
      return DrvPath::kSelector8List;
    case 0x1018:
    case 0x1019:
    case 0x101A:
    case 0x101B:
    case 0x101C:
    case 0x101D:
      return DrvPath::kCommandSequence;
    case 0x101E:
      return DrvPath::kModeRecord;
    default:
      return DrvPath::kGeneric;
  }
}

uint16_t full_list_selector(uint16_t id) {
  switch (id) {
    case 0x100D:
      return 4;
    case 0x100F:
      return 5;
    default:  // 0x1013
      return 7;
  }
}

int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded) {
  if (pcbNeeded == nullptr) return DB_ERROR;
  DrvPath path = drv_path(id);
  if (path == DrvPath::kGeneric) return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
  // The entry point always passes its local context; without one no special path can run.
  if (ctx == nullptr) return DB_ERROR;
  switch (path) {
    case DrvPath::kStoredList:
      return stored_list_query(image, id, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kFullList:
      return full_list_query(image, id, full_list_selector(id), ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kSelector8List:
      return selector8_list_query(image, id, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kCommandSequence:
      return command_sequence_query(image, id, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kModeRecord:
      return mode_record_query(image, ctx, cbBuf, pBuf, pcbNeeded);
    case DrvPath::kGeneric:
      break;
  }
  return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv
