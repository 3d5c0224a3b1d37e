// Query contexts the library makes for its own lookups, each one allocated
// block holding the context and room for its selectors and match strings.
#ifndef ORVDB_ENGINE_SCRATCH_CONTEXT_H_
#define ORVDB_ENGINE_SCRATCH_CONTEXT_H_

#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// A scratch context: one platform block holding the context, then its
// match-string array (M pointers) and its selector array (S words). The block
// is sizeof(ORV_QUERY_CONTEXT) + 4 S + M pointers: 28 + 4 (S + M) bytes on
// 32-bit targets. Pass &context to lookups; fill the arrays through the two
// accessors, which hand out the context's own arrays writable.
struct ScratchContext {
  ORV_QUERY_CONTEXT context;  // what lookups read; its arrays lie in the same block, after it

  // The selector array (cSelectors entries).
  uint32_t* selectors() { return const_cast<uint32_t*>(context.pSelectors); }
  // The match-string array (cStrings entries; null for a kind without strings).
  const char** strings() { return const_cast<const char**>(context.ppStrings); }
};

// Selector and match-string capacities of a kind.
struct ScratchCapacity {
  uint32_t selectors;  // S
  uint32_t strings;    // M
};

// Capacities of kinds 0-5, indexed by kind.
inline constexpr ScratchCapacity kScratchCapacities[] = {
    {1, 1}, {95, 0}, {13, 5}, {1, 0}, {4, 0}, {16, 8},
};

// Capacities of kinds 0-5; false for any other kind.
bool scratch_capacity(int kind, ScratchCapacity* capacity);

// Makes a context of `kind` (0-5) in one platform block, zero-filled, copying
// hPrinter, dwReserved and as many selectors and match-string pointers as fit
// from `source` (which may be null; a null array holds nothing whatever its
// count says). Null for another kind or when memory is exhausted.
ScratchContext* create_scratch_context(int kind, const ORV_QUERY_CONTEXT* source);

// Releases a scratch context; null is ignored.
void release_scratch_context(ScratchContext* scratch);

}  // namespace orv

#endif  // ORVDB_ENGINE_SCRATCH_CONTEXT_H_
