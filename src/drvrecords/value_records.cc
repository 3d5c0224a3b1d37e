#include "drvrecords/value_records.h"

#include <string.h>

#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "engine/scan.h"
#include "engine/scratch_context.h"
#include "platform/platform.h"

namespace orv {

namespace {

// Which per-value lookups fill attr2 (and attr3) of a list id.
enum class AttrStep : uint8_t {
  kNone,               // no lookups
  kSelector4,          // selector 4 = value: 0x500C into attr2, 0x500B into attr3
  kSelector28,         // selector 28 = value: 0x500E into attr2
  kSelector28Compare,  // as kSelector28, then attr3 from the comparison with list 0x1010
};

// What the post-processor does for one list id.
struct ListParams {
  uint16_t id;      // the Drv list id
  bool has_key;     // whether attr1 takes value identifiers of selector `key`
  uint16_t key;     // selector whose value identifiers fill attr1
  AttrStep attr;    // per-value attribute lookups
  uint16_t marker;  // internal id of the marker pair; 0 when the id is not marked
};

constexpr ListParams kListParams[] = {
    {0x100C, true, 4, AttrStep::kSelector4, 0x5003},
    {0x100D, true, 4, AttrStep::kSelector4, 0x5003},
    {0x100E, true, 5, AttrStep::kNone, 0x5004},
    {0x100F, true, 5, AttrStep::kNone, 0x5004},
    {0x1010, true, 28, AttrStep::kSelector28, 0},
    {0x1011, true, 28, AttrStep::kSelector28Compare, 0},
    {0x1012, true, 7, AttrStep::kNone, 0x5002},
    {0x1013, true, 7, AttrStep::kNone, 0x5002},
    {0x1014, false, 0, AttrStep::kNone, 0x500D},
    {0x104D, false, 0, AttrStep::kNone, 0x5010},
    {0x104E, false, 0, AttrStep::kNone, 0x5010},
    {0x1051, true, 5, AttrStep::kNone, 0},
    {0x1054, true, 28, AttrStep::kSelector28, 0x5011},
};

constexpr uint16_t kList1010 = 0x1010;

const ListParams* find_params(uint16_t id) {
  for (const ListParams& p : kListParams) {
    if (p.id == id) return &p;
  }
  return nullptr;
}

// Step 2: attr1 of every record = the value identifier its value has among
// the values of selector `key`.
int32_t fill_value_identifiers(const Image& image, uint16_t key, uint8_t* records, uint32_t n) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, key, &slot);
  if (result != DB_OK) return result;
  uint32_t m = tables->sel_value_counts[slot];
  if (n > m) return DB_ERROR;
  if (n == 0) return DB_OK;
  if (tables->sel_values == nullptr || tables->sel_value_ids == nullptr) return DB_ERROR;
  // The slot's values that lie inside the table; a search that runs past
  // them into a position beyond the table finds the table inconsistent.
  uint64_t first = tables->sel_first[slot];
  uint32_t inside = first >= tables->sel_value_count
                        ? 0
                        : static_cast<uint32_t>(tables->sel_value_count - first < m
                                                    ? tables->sel_value_count - first
                                                    : m);
  const uint16_t* values = tables->sel_values + (inside > 0 ? first : 0);
  const uint32_t* ids = tables->sel_value_ids + (inside > 0 ? first : 0);
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t value = record_word(records, i, kRecordValue);
    // The table's values are 16 bits: a larger value is none of them.
    uint32_t k =
        value > 0xFFFFu ? inside : first_index_of(values, inside, static_cast<uint16_t>(value));
    if (k == inside) return inside < m ? DB_ERROR : DB_NOT_FOUND;
    set_record_word(records, i, kRecordAttr1, ids[k]);
  }
  return DB_OK;
}

// Most internal ids one attribute step looks up per record.
constexpr uint32_t kMaxAttributeLookups = 2;

// The scratch context of the attribute steps: kind 1, whose 95 selectors
// hold every selector a step overwrites (4 or 28).
constexpr int kAttributeScratch = 1;

// Step 3 lookups: per record, selector `selector` of a scratch copy of the
// caller's context = value, then each of `lookups` (at most
// kMaxAttributeLookups) internal ids into its field.
int32_t fill_attributes(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t selector,
                        const uint16_t* ids, const uint32_t* fields, uint32_t lookups,
                        uint8_t* records, uint32_t n) {
  if (usable_selectors(ctx) <= selector) return DB_NO_SELECTOR;
  ScratchContext* scratch = create_scratch_context(kAttributeScratch, ctx);
  if (scratch == nullptr) return DB_ERROR;
  AttributeSource sources[kMaxAttributeLookups];
  for (uint32_t l = 0; l < lookups; ++l) sources[l] = attribute_source(ids[l]);
  int32_t result = DB_OK;
  for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
    scratch->selectors[selector] = record_word(records, i, kRecordValue);
    for (uint32_t l = 0; l < lookups && result == DB_OK; ++l) {
      result = fetch_attribute(image, &sources[l], &scratch->context,
                               records + i * kValueRecordSize + fields[l]);
    }
  }
  release_scratch_context(scratch);
  return result;
}

// Step 3 for 0x1011: attr3 = 0 for a record that equals the next unmatched
// entry of list 0x1010, else 1.
int32_t compare_with_list_1010(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint8_t* records,
                               uint32_t n) {
  Leaf leaf{};
  int32_t result = find_root(image, kList1010, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t c = item_count(leaf.word1);
  uint32_t bytes = 4 * c;
  // One word at least, so that an empty list is still a real buffer.
  uint32_t* list = static_cast<uint32_t*>(platform_alloc(bytes > 0 ? bytes : 4));
  if (list == nullptr) return DB_ERROR;
  uint32_t size = 0;
  result = fetch(image, ctx, bytes, list, &size, leaf);
  // The buffer was sized for the list: asking for more means an inconsistent data base.
  if (result == DB_MORE_DATA || (result == DB_OK && size != bytes)) result = DB_ERROR;
  uint32_t j = 0;
  for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
    if (j == c) {
      result = DB_ERROR;
      break;
    }
    if (record_word(records, i, kRecordValue) == list[j]) {
      set_record_word(records, i, kRecordAttr3, 0);
      ++j;
    } else {
      set_record_word(records, i, kRecordAttr3, 1);
    }
  }
  platform_free(list);
  return result;
}

// Step 4: every record's mark is 0 unless its value is the marker pair's key.
int32_t apply_marker(const Image& image, uint16_t marker, const ORV_QUERY_CONTEXT* ctx,
                     uint8_t* records, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) set_record_word(records, i, kRecordMark, 0);
  uint32_t key = 0;
  uint32_t mark = 0;
  int32_t result = fetch_marker_pair(image, marker, ctx, &key, &mark);
  // A list with no marker for these settings simply has no marked value.
  if (result == DB_NOT_FOUND || result == DB_NO_ENTRY) return DB_OK;
  if (result != DB_OK) return result;
  for (uint32_t i = 0; i < n; ++i) {
    if (record_word(records, i, kRecordValue) == key)
      set_record_word(records, i, kRecordMark, mark);
  }
  return DB_OK;
}

}  // namespace

uint32_t record_word(const uint8_t* records, uint32_t i, uint32_t field) {
  uint32_t value;
  memcpy(&value, records + i * kValueRecordSize + field, 4);
  return value;
}

void set_record_word(uint8_t* records, uint32_t i, uint32_t field, uint32_t value) {
  memcpy(records + i * kValueRecordSize + field, &value, 4);
}

void widen_value_records(uint8_t* records, uint32_t n) {
  static const uint32_t kZero = 0;
  for (uint32_t i = n; i-- > 1;) {
    uint32_t value;
    memcpy(&value, records + 4 * i, 4);
    memcpy(records + 4 * i, &kZero, 4);
    set_record_word(records, i, kRecordValue, value);
  }
}

int32_t fetch_attribute(const Image& image, AttributeSource* source, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* dest) {
  if (!source->looked_up) {
    source->root_status = find_root_item(image, source->id, &source->root);
    source->looked_up = true;
  }
  if (source->root_status != DB_OK) return source->root_status;
  const Item& root = image.items[source->root];
  Leaf leaf{};
  int32_t result = resolve(image, source->id, ctx, root.word0, root.word1, &leaf);
  if (result != DB_OK) return result;
  uint32_t size = 0;
  result = fetch(image, ctx, 4, dest, &size, leaf);
  // The field holds 4 bytes: a longer value is an inconsistent data base, and
  // passing DB_MORE_DATA up without a size would leave the caller asking again.
  // On DB_OK the fetcher wrote no more than those 4 bytes.
  return result == DB_MORE_DATA ? DB_ERROR : result;
}

int32_t fetch_marker_pair(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t* key, uint32_t* mark) {
  Leaf leaf{};
  int32_t result = find_root(image, id, ctx, &leaf);
  if (result != DB_OK) return result;
  uint32_t pair[2] = {0, 0};
  uint32_t size = 0;
  result = fetch(image, ctx, sizeof pair, pair, &size, leaf);
  if (result == DB_MORE_DATA) return DB_ERROR;  // longer than two numbers
  if (result != DB_OK) return result;
  if (size != sizeof pair) return DB_ERROR;
  *key = pair[0];
  *mark = pair[1];
  return DB_OK;
}

int32_t find_selector_slot(const DrvTables& tables, uint16_t key, uint32_t* slot) {
  if (tables.sel_count == 0) return DB_NOT_FOUND;
  if (tables.sel_indices == nullptr || tables.sel_value_counts == nullptr ||
      tables.sel_first == nullptr) {
    return DB_ERROR;
  }
  for (uint32_t s = 0; s < tables.sel_count; ++s) {
    if (tables.sel_indices[s] == key) {
      *slot = s;
      return DB_OK;
    }
  }
  return DB_NOT_FOUND;
}

int32_t postprocess_value_records(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                  uint32_t cbBuf, void* pBuf, uint32_t n) {
  const ListParams* params = find_params(id);
  if (params == nullptr) return DB_ERROR;
  // The caller sized the buffer; a buffer that cannot hold the records is a bad argument.
  if (n > 0 && (pBuf == nullptr || cbBuf / kValueRecordSize < n)) return DB_ERROR;
  uint8_t* records = static_cast<uint8_t*>(pBuf);

  widen_value_records(records, n);

  int32_t result = DB_OK;
  if (params->has_key) {
    result = fill_value_identifiers(image, params->key, records, n);
    if (result != DB_OK) return result;
  }

  switch (params->attr) {
    case AttrStep::kNone:
      break;
    case AttrStep::kSelector4: {
      static const uint16_t kIds[] = {0x500C, 0x500B};
      static const uint32_t kFields[] = {kRecordAttr2, kRecordAttr3};
      result = fill_attributes(image, ctx, 4, kIds, kFields, 2, records, n);
      break;
    }
    case AttrStep::kSelector28:
    case AttrStep::kSelector28Compare: {
      static const uint16_t kIds[] = {0x500E};
      static const uint32_t kFields[] = {kRecordAttr2};
      result = fill_attributes(image, ctx, 28, kIds, kFields, 1, records, n);
      if (result == DB_OK && params->attr == AttrStep::kSelector28Compare) {
        result = compare_with_list_1010(image, ctx, records, n);
      }
      break;
    }
  }
  if (result != DB_OK) return result;

  if (params->marker == 0) return DB_OK;
  return apply_marker(image, params->marker, ctx, records, n);
}

}  // namespace orv
