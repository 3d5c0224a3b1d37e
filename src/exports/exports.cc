#include "exports/exports.h"

#include "drvrecords/drv_query.h"
#include "engine/access.h"

#if defined(_WIN32)
#define ORV_EXPORT
#else
#define ORV_EXPORT __attribute__((visibility("default")))
#endif

namespace orv {

namespace {

// A domain's lookup: Drv ids go to the Drv handler, every other domain's to
// the ordinary path.
inline int32_t lookup_domain(const Image& image, Domain domain, uint16_t id,
                             const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                             uint32_t* pcbNeeded) {
  return domain == Domain::kDrv ? drv_query(image, id, ctx, cbBuf, pBuf, pcbNeeded)
                                : query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

// The exported function of a domain over the built-in image.
__attribute__((always_inline)) inline int32_t access_builtin(Domain domain, uint16_t id,
                                                             const ORV_QUERY_CONTEXT* ctx,
                                                             uint32_t cbBuf, void* pBuf,
                                                             uint32_t* pcbNeeded) {
  return access_checked<lookup_domain>(builtin_image(), domain, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace

int32_t access_database(const Image& image, Domain domain, uint16_t id,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded) {
  return access_checked<lookup_domain>(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv

extern "C" {

ORV_EXPORT int32_t ORV_API ORV_AccessRootDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                  uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kRoot, id, ctx, cbBuf, pBuf, pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessDrvDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                 uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kDrv, id, ctx, cbBuf, pBuf, pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessLMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kLM, id, ctx, cbBuf, pBuf, pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessMntDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                 uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kMnt, id, ctx, cbBuf, pBuf, pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessPADataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kPA, id, ctx, cbBuf, pBuf, pcbNeeded);
}

ORV_EXPORT int32_t ORV_API ORV_AccessSMDataBase(uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                                uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return orv::access_builtin(orv::Domain::kSM, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // extern "C"
