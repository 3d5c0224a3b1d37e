// The fetcher: turns a resolved leaf into the caller's answer in the leaf
// kind's fixed element width, under the size protocol.
#ifndef ORVDB_ENGINE_FETCHER_H_
#define ORVDB_ENGINE_FETCHER_H_

#include <stdint.h>

#include "engine/image.h"
#include "engine/resolver.h"
#include "orvdb/orvdb.h"

namespace orv {

// Needed size first: a null or short buffer gets it with DB_MORE_DATA;
// otherwise the value is copied (numbers as 32-bit, text as 16-bit
// characters, bytes unchanged), *pcbNeeded = bytes written, DB_OK. Never
// writes past the needed size. Errors leave *pcbNeeded untouched. Cost: one
// pass over the leaf's elements; computed leaves run their function twice.
// pcbNeeded is never null (the entry points check it).
int32_t fetch(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
              uint32_t* pcbNeeded, const Leaf& leaf);

}  // namespace orv

#endif  // ORVDB_ENGINE_FETCHER_H_
