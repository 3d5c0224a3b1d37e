#include "heap_counter.h"

#include <errno.h>
#include <stddef.h>

#include <atomic>

// The C library's allocator under its internal names, which stay reachable
// when the public names are replaced.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace orvbench {
namespace {

// Relaxed: the count is read only between measured loops on one thread.
std::atomic<uint64_t> g_blocks{0};

inline void count_block() { g_blocks.fetch_add(1, std::memory_order_relaxed); }

}  // namespace

uint64_t heap_allocations() { return g_blocks.load(std::memory_order_relaxed); }

}  // namespace orvbench

// Exported from the executable so that the library, the C++ runtime and the
// C library itself resolve to these.
#define ORVBENCH_INTERPOSE extern "C" __attribute__((visibility("default")))

ORVBENCH_INTERPOSE void* malloc(size_t size) {
  orvbench::count_block();
  return __libc_malloc(size);
}

ORVBENCH_INTERPOSE void* calloc(size_t count, size_t size) {
  orvbench::count_block();
  return __libc_calloc(count, size);
}

ORVBENCH_INTERPOSE void* realloc(void* block, size_t size) {
  orvbench::count_block();
  return __libc_realloc(block, size);
}

ORVBENCH_INTERPOSE void free(void* block) { __libc_free(block); }

ORVBENCH_INTERPOSE void* memalign(size_t alignment, size_t size) {
  orvbench::count_block();
  return __libc_memalign(alignment, size);
}

ORVBENCH_INTERPOSE void* aligned_alloc(size_t alignment, size_t size) {
  orvbench::count_block();
  return __libc_memalign(alignment, size);
}

ORVBENCH_INTERPOSE int posix_memalign(void** out, size_t alignment, size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  orvbench::count_block();
  void* block = __libc_memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}
