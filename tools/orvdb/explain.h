// `explain`: the walks the library makes for one query, printed from the
// engine's own walk as it goes (every item entered, every case taken or
// passed over, every leaf refused, each result as it travels up), on any
// image.
#ifndef ORVDB_TOOLS_ORVDB_EXPLAIN_H_
#define ORVDB_TOOLS_ORVDB_EXPLAIN_H_

#include <stdint.h>

#include <ostream>
#include <vector>

#include "answer.h"
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

// What explain showed of one query.
struct Explained {
  std::vector<ExplainedWalk> walks;  // the walks printed
  Answer answer;                     // the library's answer
};

// Prints the walks `info`'s id of `domain` makes with the caller's context
// `ctx` (a printer it names is open for them, as for the library's call),
// then the result and the answer the access path gives on `image`.
Explained explain_query(const orv::Image& image, Domain domain, const IdInfo& info,
                        const ORV_QUERY_CONTEXT* ctx, std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_EXPLAIN_H_
