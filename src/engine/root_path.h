// The Root access path, the one way code inside the library asks a Root id:
// the same steps as the exported Root function, over any image.
#ifndef ORVDB_ENGINE_ROOT_PATH_H_
#define ORVDB_ENGINE_ROOT_PATH_H_

#include <stdint.h>

#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Answers Root id `id` of `image` as ORV_AccessRootDataBase answers it for
// the built-in image. Cost: one walk and one copy.
int32_t access_root(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                    void* pBuf, uint32_t* pcbNeeded);

}  // namespace orv

#endif  // ORVDB_ENGINE_ROOT_PATH_H_
