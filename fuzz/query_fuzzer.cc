// Fuzz target: any query of the built-in data base through the six exported
// functions. The input chooses the domain, the id, the query context, the
// buffer and an allocation to fail. Every call must answer a result code,
// release what it took, keep to the size protocol (a buffer of exactly the
// size a size query reported is enough the second time) and write nothing
// past the answer.
#include <stddef.h>
#include <stdint.h>

#include "drvrecords/drv_query.h"
#include "fuzz_support.h"
#include "orvdb/host_platform.h"
#include "orvdb/orvdb.h"

namespace orv::fuzz {
namespace {

using AccessFn = int32_t (*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*, uint32_t*);

// The exports with their id ranges, in the order the first input byte picks them.
struct Export {
  AccessFn fn;     // the exported function
  uint16_t first;  // lowest id it accepts
  bool drv;        // whether the Drv handler answers
};
constexpr Export kExports[] = {
    {ORV_AccessRootDataBase, 0x0001, false}, {ORV_AccessDrvDataBase, 0x1001, true},
    {ORV_AccessLMDataBase, 0x2001, false},   {ORV_AccessMntDataBase, 0x3001, false},
    {ORV_AccessPADataBase, 0x4001, false},   {ORV_AccessSMDataBase, 0x6001, false},
};

// The needed-size word before a call; no answer is this long.
constexpr uint32_t kUnwritten = 0xDEADBEEFu;
// Answers beyond this size are not asked for again (none of the model's is).
constexpr uint32_t kLargestAnswer = 1u << 20;

void check_code(int32_t r, const char* call) {
  if (!is_result_code(r)) fail(call, r);
}

int run(const uint8_t* data, size_t size) {
  prepare_host();
  Reader in(data, size);
  const Export& ex = kExports[in.u8() % 6];
  const uint8_t id_mode = in.u8();
  const uint16_t raw_id = in.u16();
  // Mostly ids near the start of the range, where the model's ids live.
  const uint16_t id = (id_mode & 1) ? static_cast<uint16_t>(ex.first + raw_id % 0x80) : raw_id;
  const uint8_t fail_at = in.u8() % 24;  // 0: no allocation fails
  const uint8_t buffer_mode = in.u8();
  const uint32_t cb = in.u16();
  DecodedContext c;
  decode_context(in, &c);
  const uint32_t own = c.opened != nullptr ? 1 : 0;
  check_released(own);

  const DrvPath path = ex.drv ? drv_path(id) : DrvPath::kGeneric;
  const bool list_path = answers_value_records(path);

  // 1. The size query.
  uint32_t needed0 = kUnwritten;
  const int32_t r0 = ex.fn(id, &c.ctx, 0, nullptr, &needed0);
  check_code(r0, "size query");
  check_released(own);
  if (r0 == DB_OK) fail("size query answered DB_OK", id);
  if (r0 != DB_MORE_DATA && needed0 != kUnwritten) fail("needed size written on failure", r0);

  // 2. The input's buffer, with an allocation made to fail.
  GuardedBuffer b(cb);
  void* p = (buffer_mode & 1) ? nullptr : b.data();
  uint32_t needed1 = kUnwritten;
  orv_host_fail_allocation(fail_at);
  const int32_t r1 = ex.fn(id, &c.ctx, cb, p, &needed1);
  orv_host_fail_allocation(0);
  check_code(r1, "query");
  check_released(own);
  if (!b.untouched_from(cb)) fail("write past the buffer", id, cb);
  const bool injected_error = fail_at != 0 && r1 == DB_ERROR;
  if (r1 == DB_MORE_DATA) {
    if (!b.untouched_from(0)) fail("short buffer written", id);
    if (needed1 == kUnwritten) fail("DB_MORE_DATA without a size", id);
    if (needed1 != needed0) fail("sizes differ", needed0, needed1);
  } else if (r1 != DB_OK && needed1 != kUnwritten) {
    fail("needed size written on failure", r1);
  }
  if (!injected_error && r0 != DB_MORE_DATA && r1 != r0) fail("answers differ", r0, r1);
  if (r1 == DB_OK && r0 == DB_MORE_DATA && !b.untouched_from(needed0)) {
    fail("write past the needed size", id, needed0);
  }
  if (r0 != DB_MORE_DATA || needed0 > kLargestAnswer) return 0;

  // 3. Exactly the size reported: enough, and the same answer.
  GuardedBuffer e(needed0);
  uint32_t needed2 = kUnwritten;
  const int32_t r2 = ex.fn(id, &c.ctx, needed0, e.data(), &needed2);
  check_code(r2, "exact-size query");
  check_released(own);
  if (r2 == DB_MORE_DATA) fail("exact size not enough", id, needed0);
  if (path == DrvPath::kGeneric && r2 != DB_OK) fail("generic id lost its answer", id, r2);
  if (!injected_error && r1 != DB_MORE_DATA && r1 != r2) fail("answers differ", r1, r2);
  if (!e.untouched_from(needed0)) fail("write past the needed size", id, needed0);
  if (r2 == DB_OK) {
    const uint32_t want = list_path ? kUnwritten : needed0;
    if (needed2 != want) fail("needed size on success", needed2, want);
    if (r1 == DB_OK && p != nullptr && memcmp(b.bytes().data(), e.bytes().data(), needed0) != 0) {
      fail("answers differ by buffer size", id);
    }
  } else if (needed2 != kUnwritten) {
    fail("needed size written on failure", r2);
  }
  return 0;
}

}  // namespace
}  // namespace orv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orv::fuzz::run(data, size);
}
