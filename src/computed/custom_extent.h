// The user-defined paper size turned into printer units: the extent command
// and the printable length.
#ifndef ORVDB_COMPUTED_CUSTOM_EXTENT_H_
#define ORVDB_COMPUTED_CUSTOM_EXTENT_H_

#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// kCustomExtentCommand: the 13-byte extent command (ESC ( p) for the printable
// area of the size in selectors 29 (width) and 30 (length).
// kCustomLengthValue: the printable length alone, as one 32-bit number in
// sixtieths of an inch. Both need 31 selectors. Any other function number is
// a bad argument (DB_ERROR).
int32_t custom_extent(uint16_t function, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                      uint32_t* pcbNeeded);

// A length in hundredths of a millimetre, less `margin`, in sixtieths of an
// inch rounded up; unsigned 32-bit arithmetic, low 16 bits kept. Values below
// the margin wrap around, as the printer command has always carried them.
uint16_t printable_sixtieths(uint32_t length, uint32_t margin);

}  // namespace orv

#endif  // ORVDB_COMPUTED_CUSTOM_EXTENT_H_
