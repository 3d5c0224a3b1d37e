// The access path shared by the six exported functions, over any image, so
// that the library's own code and the tests can run queries against it.
#ifndef ORVDB_ENGINE_ACCESS_H_
#define ORVDB_ENGINE_ACCESS_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// The domains of data ids, one per exported function.
enum class Domain { kRoot, kDrv, kLM, kMnt, kPA, kSM };

// First and last id a domain's function accepts.
struct IdRange {
  uint16_t first;  // lowest accepted id
  uint16_t last;   // highest accepted id
};
constexpr IdRange domain_id_range(Domain domain) {
  switch (domain) {
    case Domain::kRoot:
      return {0x0001, 0x0FFF};
    case Domain::kDrv:
      return {0x1001, 0x1FFF};
    case Domain::kLM:
      return {0x2001, 0x2FFF};
    case Domain::kMnt:
      return {0x3001, 0x3FFF};
    case Domain::kPA:
      return {0x4001, 0x4FFF};
    case Domain::kSM:
      return {0x6001, 0x6FFF};
  }
  return {1, 0};  // unreachable: an empty range
}

// The exported functions' steps: context and range checks, a printer opened
// by name for the call when no handle is given (on a copy of the context,
// closed before returning), then the domain's lookup. Cost: one walk and one
// copy for generic ids.
int32_t access_database(const Image& image, Domain domain, uint16_t id,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded);

// The Root path, as computed items call it from inside the library.
inline int32_t access_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                           uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  return access_database(image, Domain::kRoot, id, ctx, cbBuf, pBuf, pcbNeeded);
}

// Root lookup, walk and fetch with a context the caller has already prepared:
// what every generic id runs.
int32_t query_generic(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                      void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_ENGINE_ACCESS_H_
