// The two switches whose value comes from outside the query context: a
// 32-bit printer configuration value, and the user's country code.
#ifndef ORVDB_ENGINE_SWITCHES_H_
#define ORVDB_ENGINE_SWITCHES_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Where a switch's case loop starts and what it compares.
struct SwitchStart {
  uint32_t value;       // the switch value
  uint32_t first_case;  // position of the first case tried (0, or the trailing default)
};

// Value and first case of an ITEM_SWITCH_PRINTER_DATA. The value name is the
// answer of the value-name id for selector 0 = the switch's tag. A value the
// printer does not have lets a trailing ITEM_DEFAULT decide, else
// DB_NOT_FOUND. Cost: a walk of the value-name id, one allocated scratch
// context and one widened name.
int32_t printer_data_switch_start(const Image& image, const ORV_QUERY_CONTEXT* ctx, Item item,
                                  SwitchStart* start, int depth);

// Value and first case of an ITEM_SWITCH_LOCALE (word 1 of the item). Any
// tag but the locale tag, or a failing locale: DB_ERROR.
int32_t locale_switch_start(uint32_t word1, SwitchStart* start);

// Reads the 32-bit printer value named by the ITEM_STRING (word0, word1):
// 0 read, 1 not available (no handle, absent, longer than 4 bytes), -1 error.
int read_printer_dword(const Image& image, ORV_HANDLE printer, uint32_t word0, uint32_t word1,
                       uint32_t* value);

// The user's country code as a number: 0 read, -1 error (tag not the locale
// tag, no value out-parameter, locale failure, no memory).
int read_country_code(uint16_t tag, int32_t* value);

}  // namespace orv

#endif  // ORVDB_ENGINE_SWITCHES_H_
