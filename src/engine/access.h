// The steps every access path runs before and after its domain's lookup
// (context and range checks, a printer opened by name for the call), and the
// ordinary lookup itself: root lookup, walk and fetch. The exported functions
// (exports/) put a domain's lookup behind these steps; the Root path runs
// here whole, since it needs nothing above the engine.
#ifndef ORVDB_ENGINE_ACCESS_H_
#define ORVDB_ENGINE_ACCESS_H_

#include <stdint.h>

#include "engine/fetcher.h"
#include "engine/image.h"
#include "engine/resolver.h"
#include "orvdb/orvdb.h"

namespace orv {

// The domains of data ids, one per exported function, in the order of kDomains.
enum class Domain { kRoot, kDrv, kLM, kMnt, kPA, kSM };

// First and last id a domain's function accepts.
struct IdRange {
  uint16_t first;  // lowest accepted id
  uint16_t last;   // highest accepted id
};

// One domain: its names and the ids its function accepts. The one table of
// domains: the library reads the ranges, the tools the names.
struct DomainInfo {
  Domain domain;      // the domain; row k holds the domain of value k
  const char* name;   // lower-case word, as the tools take it ("drv")
  const char* title;  // display name ("Drv")
  IdRange range;      // ids its exported function accepts
};
inline constexpr DomainInfo kDomains[] = {
    {Domain::kRoot, "root", "Root", {0x0001, 0x0FFF}},
    {Domain::kDrv, "drv", "Drv", {0x1001, 0x1FFF}},
    {Domain::kLM, "lm", "LM", {0x2001, 0x2FFF}},
    {Domain::kMnt, "mnt", "Mnt", {0x3001, 0x3FFF}},
    {Domain::kPA, "pa", "PA", {0x4001, 0x4FFF}},
    {Domain::kSM, "sm", "SM", {0x6001, 0x6FFF}},
};
// Whether kDomains holds one row per domain, in enum order.
constexpr bool domains_in_enum_order() {
  if (sizeof kDomains / sizeof kDomains[0] != static_cast<unsigned>(Domain::kSM) + 1) return false;
  for (unsigned k = 0; k < sizeof kDomains / sizeof kDomains[0]; ++k) {
    if (static_cast<unsigned>(kDomains[k].domain) != k) return false;
  }
  return true;
}
static_assert(domains_in_enum_order(), "one row per domain, row k the domain of value k");

// The ids a domain's function accepts, from its row.
constexpr IdRange domain_id_range(Domain domain) {
  return kDomains[static_cast<unsigned>(domain)].range;
}

// Root lookup, walk and fetch with a context the caller has already prepared:
// what every Root, LM, Mnt, PA and SM id runs, and every ordinary Drv id.
// Inline, so that each exported function holds it. Cost: one walk and one copy.
inline int32_t query_generic(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                             uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  Leaf leaf{};
  int32_t result = find_root(image, id, ctx, &leaf);
  if (result != DB_OK) return result;
  return fetch(image, ctx, cbBuf, pBuf, pcbNeeded, leaf);
}

// A domain's lookup once the checks have passed and the context holds
// whatever printer handle it will have.
using DomainLookup = int32_t (*)(const Image& image, Domain domain, uint16_t id,
                                 const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                                 uint32_t* pcbNeeded);

// query_generic as a domain's lookup.
inline int32_t lookup_generic(const Image& image, Domain /*domain*/, uint16_t id,
                              const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                              uint32_t* pcbNeeded) {
  return query_generic(image, id, ctx, cbBuf, pBuf, pcbNeeded);
}

// Whether `ctx` (not null) names a printer without a handle: such a printer
// is opened for the call.
inline bool names_unopened_printer(const ORV_QUERY_CONTEXT* ctx) {
  return ctx->hPrinter == nullptr && ctx->pPrinterName != nullptr;
}

// A caller's context as one call sees it: a copy with the handle of the
// printer it names, when that printer was opened for the call.
struct PrinterForCall {
  ORV_QUERY_CONTEXT ctx;  // the caller's context, with the handle when opened
  bool opened;            // a printer was opened here and must be closed
};

// Copies `given` into `call` and opens the printer it names without a handle.
// A name that cannot be opened leaves the handle null; that is no error.
void open_printer_for_call(const ORV_QUERY_CONTEXT& given, PrinterForCall* call);

// Closes what open_printer_for_call opened, if anything.
void close_printer_for_call(const PrinterForCall& call);

// `lookup` for a context that names a printer without a handle: the printer
// is opened for this call only, on a copy of the context, and closed again.
// Out of line, so that the common path does not pay for the local context.
int32_t lookup_with_named_printer(const Image& image, Domain domain, uint16_t id,
                                  const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                                  uint32_t* pcbNeeded, DomainLookup lookup);

// `lookup` with the caller's context (not null) as it is, or with the
// printer it names opened for the call.
__attribute__((always_inline)) inline int32_t lookup_opening_printer(
    const Image& image, Domain domain, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
    void* pBuf, uint32_t* pcbNeeded, DomainLookup lookup) {
  if (names_unopened_printer(ctx)) {
    return lookup_with_named_printer(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded, lookup);
  }
  return lookup(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded);
}

// The access steps around `lookup`: a null context is DB_NO_CONTEXT, an id
// outside the domain's range DB_NOT_FOUND, a missing size word DB_ERROR; a
// printer named without a handle is opened for the call. Inlined into each
// caller, so that the domain's range and lookup are constants there.
template <DomainLookup lookup>
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
  return lookup_opening_printer(image, domain, id, ctx, cbBuf, pBuf, pcbNeeded, lookup);
}

}  // namespace orv

#endif  // ORVDB_ENGINE_ACCESS_H_
