// `explain`: the walks the library makes for one query, printed from the
// engine's own walk as it goes (every item entered, every case taken or
// passed over, every leaf refused, each result as it travels up), on any
// image.
#ifndef ORVDB_TOOLS_ORVDB_EXPLAIN_H_
#define ORVDB_TOOLS_ORVDB_EXPLAIN_H_

#include <stdint.h>

#include <ostream>
#include <vector>

#include "engine/image.h"
#include "engine/resolver.h"
#include "id_info.h"
#include "orvdb/orvdb.h"

namespace orvtool {

// One walk explain printed: its tree, the id its leaves answer, and the
// result and leaf the walk gave.
struct ExplainedWalk {
  uint32_t item;   // the tree's root item
  uint16_t id;     // the id walked for
  int32_t result;  // the walk's result
  orv::Leaf leaf;  // the leaf found (result DB_OK)
};

// Prints the walks the library makes for the id of `info` under `ctx` (the
// context as the library sees it, printer handle included): the root walk,
// or each fragment of a command sequence, or the mode table's row.
// Returns the walks printed. Cost: the walks themselves, printed.
std::vector<ExplainedWalk> explain_walks(const orv::Image& image, const IdInfo& info,
                                         const ORV_QUERY_CONTEXT* ctx, std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_EXPLAIN_H_
