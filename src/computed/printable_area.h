// Printable areas worked out from paper dimensions the caller supplies, for
// sizes the paper table cannot list.
#ifndef ORVDB_COMPUTED_PRINTABLE_AREA_H_
#define ORVDB_COMPUTED_PRINTABLE_AREA_H_

#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// kCustomPrintableArea: offsets and extent of the printable area of the user-defined
// size (selectors 29, 30), as four 32-bit numbers: horizontal offset, width,
// vertical offset, length, in hundredths of a millimetre. The width never
// exceeds the 11.4-inch limit of the print head. Needs 31 selectors.
int32_t custom_printable_area(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                              uint32_t* pcbNeeded);

// kPaperPrintableArea: the same four numbers for the paper of selectors 25 (width) and
// 26 (length); mode 5 in selector 52 prints without vertical margins. Needs
// 53 selectors.
int32_t paper_printable_area(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                             uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_COMPUTED_PRINTABLE_AREA_H_
