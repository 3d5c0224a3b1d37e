// Answers produced by code where the image holds an ITEM_COMPUTED leaf: the
// one call the fetcher makes upward, out of the engine.
#ifndef ORVDB_COMPUTED_COMPUTE_H_
#define ORVDB_COMPUTED_COMPUTE_H_

#include <stdint.h>

#include "computed/function_numbers.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Runs computed function `function`. Every item validates its inputs, writes
// its size to *pcbNeeded, answers DB_MORE_DATA for a null or short buffer and
// otherwise writes exactly that many bytes. Unknown numbers: DB_NOT_FOUND and
// nothing written. `image` serves the nested Root query of the silent-mode
// block. ctx and pcbNeeded are never null here.
int32_t compute(const Image& image, uint16_t function, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_COMPUTED_COMPUTE_H_
