// Answers produced by code where the image holds an ITEM_COMPUTED leaf.
#ifndef ORVDB_COMPUTED_COMPUTE_H_
#define ORVDB_COMPUTED_COMPUTE_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Function numbers of the computed items.
enum ComputedFunction : uint16_t {
  kCustomExtentCommand = 1,  // 13-byte extent command of the user-defined paper size
  kCustomPrintableArea = 2,  // printable area of the user-defined paper size
  kPaperPrintableArea = 3,   // printable area of the paper in selectors 25 and 26
  kCustomLengthValue = 4,    // printable length of the user-defined size, 1/60 inch
  kSetTimeBlock = 5,         // control-language block setting the printer's clock
  kOptionBitsCommand = 6,    // 12-byte option-bits command
  kSilentModeBlock = 7,      // control-language block switching silent mode on or off
};

// Runs computed function `function`. Every item validates its inputs, writes
// its size to *pcbNeeded, answers DB_MORE_DATA for a null or short buffer and
// otherwise writes exactly that many bytes. Unknown numbers: DB_NOT_FOUND and
// nothing written. `image` serves the nested Root query of the silent-mode
// block. ctx and pcbNeeded are never null here.
int32_t compute(const Image& image, uint16_t function, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_COMPUTED_COMPUTE_H_
