#include "drvrecords/drv_lists.h"

#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "engine/scratch_context.h"

namespace orv {

namespace {

constexpr uint16_t kAttributeList = 0x1016;  // the selector-8 list that carries attributes
constexpr uint16_t kRequiredMarker = 0x5005;
constexpr uint16_t kSelector8Attr1 = 0x5006;
constexpr uint16_t kSelector8Attr2 = 0x5007;
constexpr uint32_t kSelector8 = 8;

// Root lookup, size check and fetch of a stored list: DB_OK with the n
// numbers packed at the start of pBuf, DB_MORE_DATA with the records' size
// written, or the failing step's result.
int32_t fetch_packed_list(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded, uint32_t* n) {
  Leaf leaf{};
  int32_t result = find_root(image, id, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t count = item_count(leaf.word1);
  uint32_t need = kValueRecordSize * count;
  if (pBuf == nullptr || cbBuf < need) {
    *pcbNeeded = need;
    return DB_MORE_DATA;
  }
  uint32_t size = 0;
  result = fetch(image, ctx, need, pBuf, &size, leaf);
  // The buffer holds 20 bytes per element, so a numeric list always fits: a
  // longer answer, or one of another size, is not a list of numbers.
  if (result == DB_MORE_DATA) return DB_ERROR;
  if (result != DB_OK) return result;
  if (size != 4 * count) return DB_ERROR;
  *n = count;
  return DB_OK;
}

}  // namespace

int32_t stored_list_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  uint32_t n = 0;
  int32_t result = fetch_packed_list(image, id, ctx, cbBuf, pBuf, pcbNeeded, &n);
  if (result != DB_OK) return result;
  return postprocess_value_records(image, id, ctx, cbBuf, pBuf, n);
}

int32_t full_list_query(const Image& image, uint16_t id, uint16_t selector,
                        const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                        uint32_t* pcbNeeded) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, selector, &slot);
  if (result != DB_OK) return result;
  uint32_t n = tables->sel_value_counts[slot];
  uint32_t need = kValueRecordSize * n;
  if (pBuf == nullptr || cbBuf < need) {
    *pcbNeeded = need;
    return DB_MORE_DATA;
  }
  uint8_t* out = static_cast<uint8_t*>(pBuf);
  uint64_t first = tables->sel_first[slot];
  for (uint32_t i = 0; i < n; ++i) {
    uint64_t j = first + i;
    if (j >= tables->sel_value_count || tables->sel_values == nullptr) return DB_ERROR;
    uint32_t value = tables->sel_values[j];
    // Packed at the start, as a stored list arrives from the fetcher.
    set_record_word(out + 4 * i, 0, 0, value);
  }
  return postprocess_value_records(image, id, ctx, cbBuf, pBuf, n);
}

int32_t selector8_list_query(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                             uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  uint32_t n = 0;
  int32_t result = fetch_packed_list(image, id, ctx, cbBuf, pBuf, pcbNeeded, &n);
  if (result != DB_OK) return result;
  uint8_t* records = static_cast<uint8_t*>(pBuf);
  widen_value_records(records, n);

  if (id == kAttributeList) {
    if (usable_selectors(ctx) <= kSelector8) return DB_NO_SELECTOR;
    ScratchContext* scratch = create_scratch_context(1, ctx);
    if (scratch == nullptr) return DB_ERROR;
    AttributeSource attr1 = attribute_source(kSelector8Attr1);
    AttributeSource attr2 = attribute_source(kSelector8Attr2);
    for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
      scratch->selectors[kSelector8] = record_word(records, i, kRecordValue);
      result = fetch_attribute(image, &attr1, &scratch->context,
                               records + i * kValueRecordSize + kRecordAttr1);
      if (result == DB_OK) {
        result = fetch_attribute(image, &attr2, &scratch->context,
                                 records + i * kValueRecordSize + kRecordAttr2);
      }
    }
    release_scratch_context(scratch);
    if (result != DB_OK) return result;
  }

  // These lists must be marked: a missing marker pair fails the query.
  uint32_t key = 0;
  uint32_t mark = 0;
  result = fetch_marker_pair(image, kRequiredMarker, ctx, &key, &mark);
  if (result != DB_OK) return result;
  for (uint32_t i = 0; i < n; ++i) {
    set_record_word(records, i, kRecordMark,
                    record_word(records, i, kRecordValue) == key ? mark : 0);
  }
  return DB_OK;
}

}  // namespace orv
