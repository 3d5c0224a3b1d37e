// The steps every computed item takes before producing its answer: check the
// selectors it reads, report its size, and stop when the buffer cannot hold it.
#ifndef ORVDB_COMPUTED_ITEM_CONTRACT_H_
#define ORVDB_COMPUTED_ITEM_CONTRACT_H_

#include <stdint.h>

#include "engine/answer_size.h"
#include "orvdb/orvdb.h"

namespace orv {

// True when selectors 0 to minimum - 1 of `ctx` (never null here: compute
// checks it) can be read. A context without a selector array has none,
// whatever its count says.
inline bool has_selectors(const ORV_QUERY_CONTEXT* ctx, uint32_t minimum) {
  return ctx->pSelectors != nullptr && ctx->cSelectors >= minimum;
}

// Stores the low 16 bits of a value high byte first, the order of printer
// command parameters.
inline void put_be16(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value >> 8);
  out[1] = static_cast<uint8_t>(value);
}

}  // namespace orv

#endif  // ORVDB_COMPUTED_ITEM_CONTRACT_H_
