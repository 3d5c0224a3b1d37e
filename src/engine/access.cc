#include "engine/access.h"

#include "engine/root_path.h"
#include "platform/platform.h"

namespace orv {

void open_printer_for_call(const ORV_QUERY_CONTEXT& given, PrinterForCall* call) {
  call->ctx = given;
  call->opened = false;
  if (!names_unopened_printer(&given)) return;
  ORV_HANDLE handle = nullptr;
  call->opened = platform_open_printer(given.pPrinterName, &handle);
  if (call->opened) call->ctx.hPrinter = handle;
}

void close_printer_for_call(const PrinterForCall& call) {
  if (call.opened) platform_close_printer(call.ctx.hPrinter);
}

__attribute__((noinline)) int32_t lookup_with_named_printer(
    const Image& image, Domain domain, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
    void* pBuf, uint32_t* pcbNeeded, DomainLookup lookup) {
  PrinterForCall call;
  open_printer_for_call(*ctx, &call);
  int32_t result = lookup(image, domain, id, &call.ctx, cbBuf, pBuf, pcbNeeded);
  close_printer_for_call(call);
  return result;
}

int32_t access_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                    void* pBuf, uint32_t* pcbNeeded) {
  return access_checked<lookup_generic>(image, Domain::kRoot, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv
