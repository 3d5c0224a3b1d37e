#include "computed/compute.h"

#include <assert.h>

#include "computed/control_language_blocks.h"
#include "computed/custom_extent.h"
#include "computed/option_bits_command.h"
#include "computed/printable_area.h"

namespace orv {

int32_t compute(const Image& image, uint16_t function, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                void* pBuf, uint32_t* pcbNeeded) {
  // The function numbers run from kCustomExtentCommand to kSilentModeBlock.
  if (function < kCustomExtentCommand || function > kSilentModeBlock) {
    return DB_NOT_FOUND;  // nothing of the caller's is touched
  }
  // The fetcher passes its own size word; a null context is a bad argument.
  assert(pcbNeeded != nullptr);
  if (ctx == nullptr) return DB_ERROR;

  switch (function) {
    case kCustomExtentCommand:
    case kCustomLengthValue:
      return custom_extent(function, ctx, cbBuf, pBuf, pcbNeeded);
    case kCustomPrintableArea:
      return custom_printable_area(ctx, cbBuf, pBuf, pcbNeeded);
    case kPaperPrintableArea:
      return paper_printable_area(ctx, cbBuf, pBuf, pcbNeeded);
    case kSetTimeBlock:
      return set_time_block(ctx, cbBuf, pBuf, pcbNeeded);
    case kOptionBitsCommand:
      return option_bits_command(ctx, cbBuf, pBuf, pcbNeeded);
    default:  // kSilentModeBlock
      return silent_mode_block(image, ctx, cbBuf, pBuf, pcbNeeded);
  }
}

}  // namespace orv
