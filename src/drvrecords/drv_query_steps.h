// The Drv handler (drv_query.h) as a template over a Drv observer
// (drv_observer.h): drv_query.cc runs it unwatched for the library; a tool
// runs it watched, every special path and every walk of it told step by step.
#ifndef ORVDB_DRVRECORDS_DRV_QUERY_STEPS_H_
#define ORVDB_DRVRECORDS_DRV_QUERY_STEPS_H_

#include <assert.h>

#include "drvrecords/command_sequence.h"
#include "drvrecords/command_sequence_steps.h"
#include "drvrecords/drv_lists.h"
#include "drvrecords/drv_lists_steps.h"
#include "drvrecords/drv_observer.h"
#include "drvrecords/mode_record.h"
#include "drvrecords/mode_record_steps.h"
#include "engine/access.h"

namespace orv {

// drv_query (drv_query.h), told to `observer`. Unwatched, each special path
// is the library's own out-of-line function.
template <typename O>
int32_t drv_query_steps(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                        uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, O* observer) {
  assert(pcbNeeded != nullptr);  // the entry point checked it
  const DrvSpecialId* row = find_drv_special_id(id);
  if (row == nullptr) return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
  if constexpr (O::kWatches) observer->special_row(*row);
  // The entry point always passes its local context; without one no special path can run.
  if (ctx == nullptr) return DB_ERROR;
  switch (row->path) {
    case DrvPath::kStoredList:
    case DrvPath::kSelector8List:
      if constexpr (O::kWatches) {
        return stored_list_steps(image, *row, ctx, cbBuf, pBuf, pcbNeeded, observer);
      } else {
        return stored_list_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
      }
    case DrvPath::kFullList:
      if constexpr (O::kWatches) {
        return full_list_steps(image, *row, ctx, cbBuf, pBuf, pcbNeeded, observer);
      } else {
        return full_list_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
      }
    case DrvPath::kCommandSequence:
      if constexpr (O::kWatches) {
        return command_sequence_steps(image, id, ctx, cbBuf, pBuf, pcbNeeded, observer);
      } else {
        return command_sequence_query(image, id, ctx, cbBuf, pBuf, pcbNeeded);
      }
    case DrvPath::kModeRecord:
      if constexpr (O::kWatches) {
        return mode_record_steps(image, *row, ctx, cbBuf, pBuf, pcbNeeded, observer);
      } else {
        return mode_record_query(image, *row, ctx, cbBuf, pBuf, pcbNeeded);
      }
    case DrvPath::kGeneric:
      break;
  }
  return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_QUERY_STEPS_H_
