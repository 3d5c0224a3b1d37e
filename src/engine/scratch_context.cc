#include "engine/scratch_context.h"

#include <string.h>

#include "platform/platform.h"

namespace orv {

namespace {

constexpr ScratchCapacity kCapacities[] = {
    {1, 1}, {95, 0}, {13, 5}, {1, 0}, {4, 0}, {16, 8},
};

}  // namespace

bool scratch_capacity(int kind, ScratchCapacity* capacity) {
  if (kind < 0 || kind >= static_cast<int>(sizeof kCapacities / sizeof kCapacities[0])) {
    return false;
  }
  *capacity = kCapacities[kind];
  return true;
}

ScratchContext* create_scratch_context(int kind, const ORV_QUERY_CONTEXT* source) {
  ScratchCapacity cap;
  if (!scratch_capacity(kind, &cap)) return nullptr;
  // The pointer array comes first so that it stays aligned after the header.
  uint32_t bytes = static_cast<uint32_t>(sizeof(ScratchContext) + sizeof(char*) * cap.strings +
                                         sizeof(uint32_t) * cap.selectors);
  uint8_t* block = static_cast<uint8_t*>(platform_alloc(bytes));
  if (block == nullptr) return nullptr;
  memset(block, 0, bytes);

  ScratchContext* scratch = reinterpret_cast<ScratchContext*>(block);
  const char** strings = reinterpret_cast<const char**>(block + sizeof(ScratchContext));
  uint32_t* selectors =
      reinterpret_cast<uint32_t*>(block + sizeof(ScratchContext) + sizeof(char*) * cap.strings);
  scratch->strings = cap.strings > 0 ? strings : nullptr;
  scratch->selectors = cap.selectors > 0 ? selectors : nullptr;

  ORV_QUERY_CONTEXT& ctx = scratch->context;
  ctx.cStrings = cap.strings;
  ctx.ppStrings = scratch->strings;
  ctx.cSelectors = cap.selectors;
  ctx.pSelectors = scratch->selectors;
  if (source != nullptr) {
    ctx.hPrinter = source->hPrinter;
    ctx.dwReserved = source->dwReserved;
    if (source->ppStrings != nullptr) {
      uint32_t n = source->cStrings < cap.strings ? source->cStrings : cap.strings;
      for (uint32_t i = 0; i < n; ++i) strings[i] = source->ppStrings[i];
    }
    if (source->pSelectors != nullptr) {
      uint32_t n = source->cSelectors < cap.selectors ? source->cSelectors : cap.selectors;
      for (uint32_t i = 0; i < n; ++i) selectors[i] = source->pSelectors[i];
    }
  }
  return scratch;
}

void release_scratch_context(ScratchContext* scratch) {
  if (scratch != nullptr) platform_free(scratch);
}

}  // namespace orv
