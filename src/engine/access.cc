#include "engine/access.h"

#include "drvrecords/drv_query.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "platform/platform.h"

#if defined(_WIN32)
#define ORV_EXPORT
#else
#define ORV_EXPORT __attribute__((visibility("default")))
#endif

namespace orv {

int32_t query_generic(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                      void* pBuf, uint32_t* pcbNeeded) {
  Leaf leaf{};
  int32_t result = find_root(image, id, ctx, &leaf);
  if (result != DB_OK) return result;
  return fetch(image, ctx, cbBuf, pBuf, pcbNeeded, leaf);
}

namespace {

// The query itself, once the context holds whatever printer handle it will have.
inline int32_t dispatch(const Image& image, Domain domain, uint16_t id,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded) {
  return domain == Domain::kDrv ? drv_query(image, id, ctx, cbBuf, pBuf, pcbNeeded)
                                : query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

// A context that names a printer without a handle: the printer is opened for
// this call only, on a context of the query's own, and closed again. Kept out
// of line so that the common path does not pay for the local context.
__attribute__((noinline)) int32_t query_named_printer(const Image& image, Domain domain,
                                                      uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                      uint32_t cbBuf, void* pBuf,
                                                      uint32_t* pcbNeeded) {
  ORV_QUERY_CONTEXT local = *ctx;
  ORV_HANDLE handle = nullptr;
  bool opened_here = platform_open_printer(local.pPrinterName, &handle);
  if (opened_here) local.hPrinter = handle;
  int32_t result = dispatch(image, domain, id, &local, cbBuf, pBuf, pcbNeeded);
  if (opened_here) platform_close_printer(handle);
  return result;
}

// The checks and the dispatch, inlined into each exported function so that
// its domain's range and path are constants there.
__attribute__((always_inline)) inline int32_t access_checked(const Image& image, Domain domain,
                                                             uint16_t id,
                                                             const ORV_QUERY_CONTEXT* ctx,
                                                             uint32_t cbBuf, void* pBuf,
                                                             uint32_t* pcbNeeded) {
  if (ctx == nullptr) return DB_NO_CONTEXT;
  IdRange range = domain_id_range(domain);
  if (id < range.first || id > range.last) return DB_NOT_FOUND;
  // Every answer reports its size; without a place for it there is no answer.
  if (pcbNeeded == nullptr) return DB_ERROR;
  // The caller's context serves as it is unless a printer is opened for the call.
  if (ctx->hPrinter == nullptr && ctx->pPrinterName != nullptr) {
    return query_named_printer(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded);
  }
  return dispatch(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace

int32_t access_database(const Image& image, Domain domain, uint16_t id,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded) {
  return access_checked(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv

extern "C" {

ORV_EXPORT int32_t ORV_API ORV_AccessRootDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                  uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kRoot, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessDrvDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                 uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kDrv, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessLMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kLM, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessMntDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                 uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kMnt, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessPADataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kPA, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessSMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_checked(orv::builtin_image(), orv::Domain::kSM, id, ctx, cbBuf, pBuf,
                             pcbNeeded);
}

}  // extern "C"
