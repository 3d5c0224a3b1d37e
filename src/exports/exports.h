// The top of the library: the six exported functions, and the dispatch that
// sends each domain's ids to its lookup (the Drv handler for Drv ids, the
// ordinary root lookup, walk and fetch for every other domain). Nothing below
// this layer includes it.
#ifndef ORVDB_EXPORTS_EXPORTS_H_
#define ORVDB_EXPORTS_EXPORTS_H_

#include <stdint.h>

#include "engine/access.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// What the exported function of `domain` does, over any image: the access
// steps, then the domain's lookup. Cost: one walk and one copy for ordinary
// ids; the Drv special ids assemble their answers from several walks.
int32_t access_database(const Image& image, Domain domain, uint16_t id,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_EXPORTS_EXPORTS_H_
