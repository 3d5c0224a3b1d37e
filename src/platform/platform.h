// The operations the library needs from its host: the printer spooler, the
// heap, the local clock and the locale. One implementation is linked in:
// win32 (the Windows functions themselves) or host (an in-memory stand-in).
#ifndef ORVDB_PLATFORM_PLATFORM_H_
#define ORVDB_PLATFORM_PLATFORM_H_

#include <stddef.h>
#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// Opens the printer of that name. True and *handle set on success; on failure
// *handle is null.
bool platform_open_printer(const ORV_WCHAR* name, ORV_HANDLE* handle);

// Closes a handle that platform_open_printer gave.
void platform_close_printer(ORV_HANDLE handle);

// Reads a configuration value of a printer into a buffer of `size` bytes.
// 0 when the value's bytes are in the buffer; any other result means the
// value is not available (absent, larger than the buffer, no access).
uint32_t platform_get_printer_data(ORV_HANDLE handle, const ORV_WCHAR* value_name, uint32_t* type,
                                   void* data, uint32_t size, uint32_t* needed);

// Fixed memory, not cleared. Null when exhausted.
void* platform_alloc(uint32_t bytes);
// Releases a block from platform_alloc; null is ignored.
void platform_free(void* block);

// The local time, to the second.
struct LocalTime {
  int year;    // e.g. 2026
  int month;   // 1-12
  int day;     // 1-31
  int hour;    // 0-23
  int minute;  // 0-59
  int second;  // 0-59
};
void platform_local_time(LocalTime* time);

// The user's country code as decimal text, as GetLocaleInfoA answers it for
// LOCALE_ICOUNTRY: with size 0 the length needed (terminator included), else
// the characters copied; 0 on failure.
uint32_t platform_country_code_text(char* buffer, uint32_t size);

}  // namespace orv

#endif  // ORVDB_PLATFORM_PLATFORM_H_
