// The walk with a record of every step: the same rules as the engine's
// resolver (sequences, selects and branches, the five switch kinds, cases,
// ranges, leaves with ids), so that a maintainer can see why a query ends
// where it does. A test holds its result and leaf equal to the engine's.
#ifndef ORVDB_TOOLS_ORVDB_TRACE_WALK_H_
#define ORVDB_TOOLS_ORVDB_TRACE_WALK_H_

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/resolver.h"
#include "orvdb/orvdb.h"

namespace orvtool {

// Result of a walk stopped by the read hook.
constexpr int32_t kWalkStopped = 1000;

// One visited item or case, indented by depth.
struct TraceLine {
  int depth;         // nesting below the root
  std::string text;  // what was visited, compared and decided
};

// A recorded walk.
struct Trace {
  std::vector<TraceLine> lines;   // every step, in walk order
  int32_t result = DB_NOT_FOUND;  // the walk's result (kWalkStopped when stopped)
  orv::Leaf leaf{};               // the leaf found (result DB_OK)
  uint32_t leaf_index = 0;        // its item index
  char stop_kind = 0;             // 's' (selector) or 'm' (match string) read that stopped it
  uint16_t stop_index = 0;        // index of that selector or match string
};

// Asked before the walk reads selector ('s') or match string ('m') `index`;
// returning false stops the walk there. Used to enumerate an id's answers.
using ReadHook = std::function<bool(char kind, uint16_t index)>;

// Root lookup and recorded walk for `id`.
Trace trace_root(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                 const ReadHook& hook = {});
// Recorded walk of the subtree at `item_index` for `id`.
Trace trace_item(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                 uint32_t item_index, const ReadHook& hook = {});

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TRACE_WALK_H_
