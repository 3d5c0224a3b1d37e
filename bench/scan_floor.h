// The scan floor of a generic query: the linear scans the data base's rule
// makes every query pay (the root index scanned to the id's slot, each case
// or branch list scanned to the one that matches, the leaf copied and
// widened) done by the simplest loop that knows the path is there. It does
// no check the walk makes (bounds, kinds, depth, budget, missing context)
// and never goes back: at each item it takes the first child, branch or
// case that can lead on. So the library's time over this floor is what the
// walk's generality costs, and this floor over the hash floor is the rule's
// own cost.
#ifndef ORVDB_BENCH_SCAN_FLOOR_H_
#define ORVDB_BENCH_SCAN_FLOOR_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orvbench {

// Answers `id` of `image` for `ctx` by the scans alone, under the size
// protocol. Only for a query whose path the first choices follow (the
// benchmark checks each case's answer against the library's first).
int32_t scan_floor_query(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                         uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded);

}  // namespace orvbench

#endif  // ORVDB_BENCH_SCAN_FLOOR_H_
