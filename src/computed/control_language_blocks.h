// Blocks of the printer's text control language, framed by "QXLSTART" and
// "QXLEND" behind a 7-byte ESC [ K command: one that sets the printer's clock
// and one that switches its silent mode.
#ifndef ORVDB_COMPUTED_CONTROL_LANGUAGE_BLOCKS_H_
#define ORVDB_COMPUTED_CONTROL_LANGUAGE_BLOCKS_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Function 5: the 65-byte block "SetTime=yyyymmddhhmmss" stamped with the
// local time. The context is not read. A clock field that does not fit its
// digits (or is negative) is DB_ERROR with nothing written to pBuf.
int32_t set_time_block(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                       uint32_t* pcbNeeded);

// Function 7: the 56-byte block "SetSilent=ON" when the local time lies in
// the printer's silent-mode window, else "SetSilent=OFF". The window's value
// name comes from Root id 8 of `image` for tag 154; the value is read with the
// printer handle of `ctx` (never null: compute checks it). Any trouble on the
// way means silent mode off and DB_OK; only a missing or short buffer answers
// otherwise (DB_MORE_DATA).
int32_t silent_mode_block(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                          void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_COMPUTED_CONTROL_LANGUAGE_BLOCKS_H_
