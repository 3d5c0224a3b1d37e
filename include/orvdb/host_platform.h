/* Controls of the stand-in platform of builds without Windows: an in-memory
 * printer store, a settable clock and locale, and a counting allocator with
 * failure injection. Tests and tools use it; all functions are thread-safe. */
#ifndef ORVDB_HOST_PLATFORM_H_
#define ORVDB_HOST_PLATFORM_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets every printer; system clock, default locale, no injected failure, counters 0. */
void orv_host_reset(void);
/* Adds a printer (names compare case-insensitively). 0 ok, -1 otherwise. */
int orv_host_add_printer(const char* name);
/* Stores a configuration value of a printer. 0 ok, -1 otherwise. */
int orv_host_set_printer_data(const char* printer, const char* value_name, const void* data,
                              uint32_t size);
/* Opens a printer as the spooler would: a handle, or NULL. */
void* orv_host_open_printer(const char* name);
/* Closes a handle from orv_host_open_printer. */
void orv_host_close_printer(void* handle);
/* Fixes the local clock at the given time. */
void orv_host_set_clock(int year, int month, int day, int hour, int minute, int second);
/* Returns to the system's local clock. */
void orv_host_use_system_clock(void);
/* What the locale reports as country code; NULL makes the locale call fail. */
void orv_host_set_country(const char* text);
/* The n-th allocation from now fails (1 = the next); 0 or less: none. */
void orv_host_fail_allocation(int32_t n);
/* Blocks allocated and not yet released. */
uint32_t orv_host_live_allocations(void);
/* Printer handles opened and not yet closed. */
uint32_t orv_host_open_printers(void);

#ifdef __cplusplus
}
#endif

#endif /* ORVDB_HOST_PLATFORM_H_ */
