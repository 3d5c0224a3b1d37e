// Counts every heap block the process takes, whoever asks: malloc and its
// relatives are replaced in the benchmark programs by versions that count
// and then call the C library's own allocator.
#ifndef ORVDB_BENCH_HEAP_COUNTER_H_
#define ORVDB_BENCH_HEAP_COUNTER_H_

#include <stdint.h>

namespace orvbench {

// Blocks allocated (malloc, calloc, realloc, the aligned forms) since start.
uint64_t heap_allocations();

}  // namespace orvbench

#endif  // ORVDB_BENCH_HEAP_COUNTER_H_
