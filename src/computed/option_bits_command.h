// The printer command that carries the caller's option bits.
#ifndef ORVDB_COMPUTED_OPTION_BITS_COMMAND_H_
#define ORVDB_COMPUTED_OPTION_BITS_COMMAND_H_

#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// kOptionBitsCommand: the 12-byte command ESC ( $ built from the option bits of
// selector 79 (bits 20 to 23) and the 16-bit quantity of selector 80. Needs
// 81 selectors.
int32_t option_bits_command(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                            uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_COMPUTED_OPTION_BITS_COMMAND_H_
