#include "engine/access.h"

#include "engine/root_path.h"
#include "platform/platform.h"

namespace orv {

__attribute__((noinline)) int32_t lookup_with_named_printer(
    const Image& image, Domain domain, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
    void* pBuf, uint32_t* pcbNeeded, DomainLookup lookup) {
  ORV_QUERY_CONTEXT local = *ctx;
  ORV_HANDLE handle = nullptr;
  bool opened_here = platform_open_printer(local.pPrinterName, &handle);
  if (opened_here) local.hPrinter = handle;
  int32_t result = lookup(image, domain, id, &local, cbBuf, pBuf, pcbNeeded);
  if (opened_here) platform_close_printer(handle);
  return result;
}

int32_t access_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                    void* pBuf, uint32_t* pcbNeeded) {
  return access_checked<lookup_generic>(image, Domain::kRoot, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv
