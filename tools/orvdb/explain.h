// `explain`: the walks the library makes for one query, printed from the
// engine's own walk as it goes (every item entered, every case taken or
// passed over, every leaf refused, each result as it travels up), on any
// image.
#ifndef ORVDB_TOOLS_ORVDB_EXPLAIN_H_
#define ORVDB_TOOLS_ORVDB_EXPLAIN_H_

#include <stdint.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "answer.h"
#include "engine/image.h"
#include "engine/resolver.h"
#include "engine/walk.h"
#include "id_info.h"
#include "orvdb/orvdb.h"

namespace orvtool {

// One walk explain printed: its tree, the id its leaves answer, and the
// result and leaf the walk gave.
struct ExplainedWalk {
  uint32_t item;                             // the tree's root item, or kUnknownItem when the
                                             // root lookup found none
  uint16_t id;                               // the id walked for
  int32_t result;                            // the walk's result (or the root lookup's)
  orv::Leaf leaf;                            // the leaf found (result DB_OK)
  uint16_t set_selector = orv::kNoSelector;  // a selector the Drv code set in its scratch
                                             // copy of the caller's context for this walk
  uint32_t set_value = 0;                    // the value it set
  std::string role = "root";                 // what the walk is for: "root", or the Drv
                                             // path's "list", "attribute", "fragment", ...
  uint32_t leaf_item = orv::kUnknownItem;    // the item of the leaf found (result DB_OK)
  // Each step the walk took, in order, as (from, to): a container or select
  // to the child or branch it walked, a switch to the case it took, a case
  // to its target.
  std::vector<std::pair<uint32_t, uint32_t>> route = {};
};

// Prints the root lookup and walk the library makes for the id of `info`
// under `ctx` (the context as the library sees it, printer handle included).
// Returns the walk printed. Cost: the walk itself, printed.
std::vector<ExplainedWalk> explain_walks(const orv::Image& image, const IdInfo& info,
                                         const ORV_QUERY_CONTEXT* ctx, std::ostream& out);

// What explain showed of one query.
struct Explained {
  std::vector<ExplainedWalk> walks;  // the walks printed
  Answer answer;                     // the library's answer
};

// Prints what the Drv handler does for the special id of `info` with the
// caller's context `ctx`, as its Drv observer sees it: the special-id row,
// each walk (as explain_walks prints one), the table rows read, the sizes,
// fetches and record words. A caller's size query is shown when its result
// is the answer, else the query with a buffer of the size it gave. Returns
// the walks printed and the answer of the watched calls.
Explained explain_drv_path(const orv::Image& image, const IdInfo& info,
                           const ORV_QUERY_CONTEXT* ctx, std::ostream& out);

// Prints the walks `info`'s id of `domain` makes with the caller's context
// `ctx` (a printer it names is open for them, as for the library's call), or
// for a Drv special id its path (explain_drv_path), then the result and the
// answer the access path gives on `image`.
Explained explain_query(const orv::Image& image, Domain domain, const IdInfo& info,
                        const ORV_QUERY_CONTEXT* ctx, std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_EXPLAIN_H_
