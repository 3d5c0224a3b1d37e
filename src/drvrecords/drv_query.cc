#include "drvrecords/drv_query.h"

#include "engine/access.h"

namespace orv {

int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded) {
  return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

}  // namespace orv
