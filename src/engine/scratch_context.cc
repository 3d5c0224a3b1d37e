#include "engine/scratch_context.h"

#include <string.h>

#include "platform/platform.h"

namespace orv {

namespace {

// Every kind has selectors, so a scratch context's selector array is never null.
constexpr bool every_kind_has_selectors() {
  for (const ScratchCapacity& c : kScratchCapacities) {
    if (c.selectors == 0) return false;
  }
  return true;
}
static_assert(every_kind_has_selectors(), "a kind without selectors needs a null pSelectors");

// The block holds the context and the two arrays, nothing else.
static_assert(sizeof(ScratchContext) == sizeof(ORV_QUERY_CONTEXT), "no field beside the context");

}  // namespace

bool scratch_capacity(int kind, ScratchCapacity* capacity) {
  if (kind < 0 ||
      kind >= static_cast<int>(sizeof kScratchCapacities / sizeof kScratchCapacities[0])) {
    return false;
  }
  *capacity = kScratchCapacities[kind];
  return true;
}

ScratchContext* create_scratch_context(int kind, const ORV_QUERY_CONTEXT* source) {
  ScratchCapacity cap;
  if (!scratch_capacity(kind, &cap)) return nullptr;
  // The pointer array comes first so that it stays aligned after the context.
  uint32_t bytes = static_cast<uint32_t>(sizeof(ScratchContext) + sizeof(char*) * cap.strings +
                                         sizeof(uint32_t) * cap.selectors);
  uint8_t* block = static_cast<uint8_t*>(platform_alloc(bytes));
  if (block == nullptr) return nullptr;

  ScratchContext* scratch = reinterpret_cast<ScratchContext*>(block);
  const char** strings = reinterpret_cast<const char**>(block + sizeof(ScratchContext));
  uint32_t* selectors =
      reinterpret_cast<uint32_t*>(block + sizeof(ScratchContext) + sizeof(char*) * cap.strings);

  ORV_QUERY_CONTEXT& ctx = scratch->context;
  ctx.hPrinter = source != nullptr ? source->hPrinter : nullptr;
  ctx.dwReserved = source != nullptr ? source->dwReserved : 0;
  ctx.cStrings = cap.strings;
  ctx.ppStrings = cap.strings > 0 ? strings : nullptr;
  ctx.cSelectors = cap.selectors;
  ctx.pSelectors = selectors;
  ctx.pPrinterName = nullptr;
  // Each array is written once: the source's entries, then zeros for the rest.
  uint32_t copied_strings = 0;
  if (source != nullptr && source->ppStrings != nullptr) {
    copied_strings = source->cStrings < cap.strings ? source->cStrings : cap.strings;
    memcpy(strings, source->ppStrings, sizeof(char*) * copied_strings);
  }
  for (uint32_t i = copied_strings; i < cap.strings; ++i) strings[i] = nullptr;
  uint32_t copied_selectors = 0;
  if (source != nullptr && source->pSelectors != nullptr) {
    copied_selectors = source->cSelectors < cap.selectors ? source->cSelectors : cap.selectors;
    memcpy(selectors, source->pSelectors, sizeof(uint32_t) * copied_selectors);
  }
  memset(selectors + copied_selectors, 0, sizeof(uint32_t) * (cap.selectors - copied_selectors));
  return scratch;
}

void release_scratch_context(ScratchContext* scratch) {
  if (scratch != nullptr) platform_free(scratch);
}

}  // namespace orv
