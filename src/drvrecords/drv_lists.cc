#include "drvrecords/drv_lists.h"

#include "drvrecords/drv_lists_steps.h"

namespace orv {

int32_t stored_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  NoDrvObserver none;
  return stored_list_steps(image, row, ctx, cbBuf, pBuf, pcbNeeded, &none);
}

int32_t full_list_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  NoDrvObserver none;
  return full_list_steps(image, row, ctx, cbBuf, pBuf, pcbNeeded, &none);
}

}  // namespace orv
