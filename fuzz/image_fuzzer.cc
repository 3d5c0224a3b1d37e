// Fuzz target: any data base image. The input decodes to an item table, a
// root index, the four pools and the Drv tables, then a query run through
// the engine's access path with that image. The harness allocates every
// table at exactly the count the image declares, so the image may lie about
// anything inside the tables (kinds, offsets, indices, counts in items and
// table rows) but never about the memory behind a pointer and its count.
// Every image must give a result code: no read outside a table, no hang, no
// crash, nothing left allocated.
#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <vector>

#include "drvrecords/drv_query.h"
#include "engine/access.h"
#include "exports/exports.h"
#include "fuzz_support.h"
#include "image_input.h"
#include "orvdb/host_platform.h"

namespace orv::fuzz {
namespace {

int run(const uint8_t* data, size_t size) {
  prepare_host();
  std::unique_ptr<ImageInput> input(new ImageInput);
  decode_image_input(data, size, input.get());
  const uint16_t id = input->id;
  const uint8_t how = input->how;
  const uint32_t cb = input->cb;
  DecodedImage* d = &input->image;
  DecodedContext& c = input->context;
  const uint32_t own = c.opened != nullptr ? 1 : 0;

  orv_host_set_country(kCountries[input->country]);

  GuardedBuffer b(cb);
  void* p = (input->buffer_mode & 2) ? nullptr : b.data();
  uint32_t needed = 0xDEADBEEFu;
  orv_host_fail_allocation(input->fail_at);
  int32_t r;
  switch (how % 4) {
    case 0:  // through the domain's entry point, as a caller would
    case 1: {
      // The domain of the id's range; the ids of no domain go to the Root one.
      const Domain by_range[8] = {Domain::kRoot, Domain::kDrv,  Domain::kLM, Domain::kMnt,
                                  Domain::kPA,   Domain::kRoot, Domain::kSM, Domain::kRoot};
      const Domain domain = (id >> 12) < 8 ? by_range[id >> 12] : Domain::kRoot;
      r = access_database(d->image, domain, id, &c.ctx, cb, p, &needed);
      break;
    }
    case 2:  // the Drv handler with any id, internal ones included
      r = drv_query(d->image, id, &c.ctx, cb, p, &needed);
      break;
    default:  // the generic path with any id and no context checks
      r = query_generic(d->image, id, (how & 4) ? nullptr : &c.ctx, cb, p, &needed);
      break;
  }
  orv_host_fail_allocation(0);
  if (!is_result_code(r)) fail("not a result code", r);
  check_released(own);
  if (!b.untouched_from(cb)) fail("write past the buffer", id, cb);
  if (r == DB_MORE_DATA && needed == 0xDEADBEEFu) fail("DB_MORE_DATA without a size", id);
  if (r == DB_OK && needed != 0xDEADBEEFu && needed > cb) fail("answer larger than buffer", id);
  orv_host_set_country("49");
  return 0;
}

}  // namespace
}  // namespace orv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orv::fuzz::run(data, size);
}
