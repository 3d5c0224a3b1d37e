#include "drvrecords/drv_query.h"

#include "drvrecords/drv_query_steps.h"

namespace orv {

int32_t drv_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                  void* pBuf, uint32_t* pcbNeeded) {
  NoDrvObserver none;
  return drv_query_steps(image, id, ctx, cbBuf, pBuf, pcbNeeded, &none);
}

}  // namespace orv
