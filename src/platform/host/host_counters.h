// Counters of the stand-in heap that only in-process measuring code reads
// (benchmarks, tools built with the static library). Not exported from the
// shared library, whose symbols are fixed.
#ifndef ORVDB_PLATFORM_HOST_HOST_COUNTERS_H_
#define ORVDB_PLATFORM_HOST_HOST_COUNTERS_H_

#include <stdint.h>

namespace orv {

// Blocks platform_alloc has handed out since the process started; a reset
// does not clear it, so a measurement takes the difference of two readings.
uint64_t host_total_allocations();

// Bytes asked for when `block`, a live block of platform_alloc, was allocated.
uint32_t host_block_bytes(const void* block);

}  // namespace orv

#endif  // ORVDB_PLATFORM_HOST_HOST_COUNTERS_H_
