// The steps that fill the value records of a Drv list, as templates over a
// Drv observer (drv_observer.h). value_records.cc runs them unwatched for
// the library; a tool runs them watched to show each step.
#ifndef ORVDB_DRVRECORDS_VALUE_RECORDS_STEPS_H_
#define ORVDB_DRVRECORDS_VALUE_RECORDS_STEPS_H_

#include <string.h>

#include "drvrecords/drv_observer.h"
#include "drvrecords/value_records.h"
#include "engine/fetcher.h"
#include "engine/resolver.h"
#include "engine/scan.h"
#include "engine/scratch_context.h"
#include "platform/platform.h"

namespace orv {
namespace value_records_internal {

// The record field each attribute lookup fills, in the order of a row's attr_ids.
constexpr uint32_t kAttributeField[kAttributeFields] = {kRecordAttr1, kRecordAttr2, kRecordAttr3};

// Writes a record word and tells the observer.
template <typename O>
inline void write_word(uint8_t* records, uint32_t i, uint32_t field, uint32_t value, O* observer) {
  set_record_word(records, i, field, value);
  if constexpr (O::kWatches) observer->record_word(i, field, value);
}

// Spreads n packed 32-bit values at the start of `records` into the `value`
// words of n records, last first so that nothing is overwritten before it
// moves; vacated packed slots are cleared.
inline void widen_value_records(uint8_t* records, uint32_t n) {
  static const uint32_t kZero = 0;
  for (uint32_t i = n; i-- > 1;) {
    uint32_t value;
    memcpy(&value, records + 4 * i, 4);
    memcpy(records + 4 * i, &kZero, 4);
    set_record_word(records, i, kRecordValue, value);
  }
}

// An internal id looked up for every record of a list.
struct AttributeSource {
  uint16_t id;          // the internal id
  uint32_t field;       // byte offset of the record field it fills
  int32_t root_status;  // the root lookup's result
  uint32_t root;        // item index of the id's tree, when root_status is DB_OK
  uint32_t walks;       // the forked walk its lookups are in (kUnknownItem: none)
  uint32_t slot;        // its place among the ids of that walk
};

// The attribute ids of a list whose trees are one tree walk it together.
struct AttributeWalk {
  uint32_t root;                   // the tree
  uint32_t id_count;               // ids walked in it
  uint16_t ids[kAttributeFields];  // those ids, in the row's order
  uint32_t values[kForkWidth];     // each walk's value of the attribute selector
  uint16_t walk_ids[kForkWidth];   // each walk's id
  ForkedWalks fork;  // the walks: record r's lookup of ids[j] is walk r * id_count + j
};

// The lookups of a chunk of records in one tree: one forked walk at the
// attribute selector of `ctx`, told to `observer`.
template <typename O>
void walk_attributes(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint16_t selector,
                     const uint32_t* values, uint32_t records, AttributeWalk* walk, O* observer) {
  ForkedWalks& fork = walk->fork;
  fork.selector = selector;
  fork.count = records * walk->id_count;
  fork.values = walk->values;
  fork.ids = walk->walk_ids;
  for (uint32_t r = 0, k = 0; r < records; ++r) {
    for (uint32_t j = 0; j < walk->id_count; ++j, ++k) {
      walk->values[k] = values[r];
      walk->walk_ids[k] = walk->ids[j];
    }
  }
  if constexpr (O::kWatches) {
    typename O::WalkObserver* watch =
        observer->forked_walk_starts(DrvWalk::kAttribute, walk->root, ctx, fork);
    observe_forked_walk(image, ctx, walk->root, &fork, watch);
    observer->forked_walk_ends(fork);
  } else {
    resolve_forked(image, ctx, walk->root, &fork);
  }
}

// Writes the one-number value of `leaf` (found for `ctx`) into the 4 bytes
// at `dest`. A value longer than 4 bytes means the data base is
// inconsistent (DB_ERROR); other results pass through.
template <typename O>
int32_t fetch_attribute(const Image& image, const Leaf& leaf, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* dest, O* observer) {
  uint32_t size = 0;
  int32_t result = fetch(image, ctx, 4, dest, &size, leaf);
  if constexpr (O::kWatches) observer->fetched(result, size);
  // The field holds 4 bytes: a longer value is an inconsistent data base, and
  // passing DB_MORE_DATA up without a size would leave the caller asking again.
  // On DB_OK the fetcher wrote no more than those 4 bytes.
  return result == DB_MORE_DATA ? DB_ERROR : result;
}

// Reads the two-number marker value of `id` for `ctx`: DB_OK with key and
// mark set; the root lookup's result when it fails; DB_ERROR when the value
// is not exactly two numbers.
template <typename O>
int32_t fetch_marker_pair(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t* key, uint32_t* mark, O* observer) {
  Leaf leaf{};
  int32_t result = drv_find_root(image, id, ctx, &leaf, DrvWalk::kMarker, observer);
  if (result != DB_OK) return result;
  uint32_t pair[2] = {0, 0};
  uint32_t size = 0;
  result = fetch(image, ctx, sizeof pair, pair, &size, leaf);
  if constexpr (O::kWatches) observer->fetched(result, size);
  if (result == DB_MORE_DATA) return DB_ERROR;  // longer than two numbers
  if (result != DB_OK) return result;
  if (size != sizeof pair) return DB_ERROR;
  *key = pair[0];
  *mark = pair[1];
  return DB_OK;
}

// attr1 of every record = the value identifier its value has among the
// values of selector `key`.
template <typename O>
int32_t fill_value_identifiers(const Image& image, uint16_t key, uint8_t* records, uint32_t n,
                               O* observer) {
  const DrvTables* tables = image.drv_tables;
  if (tables == nullptr) return DB_ERROR;
  uint32_t slot = 0;
  int32_t result = find_selector_slot(*tables, key, &slot);
  if constexpr (O::kWatches) {
    if (result == DB_OK) {
      observer->table_row(DrvTable::kSelectorSlot, slot);
    } else {
      observer->table_missing(DrvTable::kSelectorSlot, key, result);
    }
  }
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
    if (k == inside) {
      result = inside < m ? DB_ERROR : DB_NOT_FOUND;
      if constexpr (O::kWatches) observer->table_missing(DrvTable::kSelectorValue, value, result);
      return result;
    }
    if constexpr (O::kWatches) {
      observer->table_row(DrvTable::kSelectorValue, static_cast<uint32_t>(first + k));
    }
    write_word(records, i, kRecordAttr1, ids[k], observer);
  }
  return DB_OK;
}

// The attribute lookups of a row: per record, the row's attribute selector
// of a scratch copy of the caller's context = the value, then each attribute
// id into its field. The scratch context is of the kind every row's
// attribute selector fits (drv_special_ids.h checks it). The ids whose
// trees are one tree are looked up together, by one walk per chunk of
// records forked at the attribute selector; the records are then filled in
// order, record by record and id by id, so that the first failing lookup
// ends the call with what the lookups before it wrote, as if each record
// were looked up alone.
template <typename O>
int32_t fill_attributes(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* records, uint32_t n, O* observer) {
  if (usable_selectors(ctx) < row.min_selectors) return DB_NO_SELECTOR;
  const uint16_t selector = row.attr_selector;
  AttributeSource sources[kAttributeFields];
  AttributeWalk walks[kAttributeFields];
  uint32_t lookups = 0;
  uint32_t walk_count = 0;
  uint32_t most_ids = 1;  // ids of the tree walked for the most ids
  for (uint32_t f = 0; f < kAttributeFields; ++f) {
    if (row.attr_ids[f] == kNoId) continue;
    AttributeSource& source = sources[lookups++];
    source = AttributeSource{row.attr_ids[f], kAttributeField[f], DB_OK, 0, kUnknownItem, 0};
    source.root_status = find_root_item(image, source.id, &source.root);
    if (source.root_status != DB_OK) continue;
    uint32_t w = 0;
    while (w < walk_count && walks[w].root != source.root) ++w;
    if (w == walk_count) {
      walks[walk_count].root = source.root;
      walks[walk_count++].id_count = 0;
    }
    source.walks = w;
    source.slot = walks[w].id_count;
    walks[w].ids[walks[w].id_count++] = source.id;
    if (walks[w].id_count > most_ids) most_ids = walks[w].id_count;
  }
  ScratchContext* scratch = create_scratch_context(kAttributeScratch, ctx);
  if (scratch == nullptr) return DB_ERROR;
  int32_t result = DB_OK;
  uint32_t values[kForkWidth];
  const uint32_t chunk_size = kForkWidth / most_ids;
  for (uint32_t from = 0; from < n && result == DB_OK; from += chunk_size) {
    const uint32_t chunk = n - from < chunk_size ? n - from : chunk_size;
    for (uint32_t k = 0; k < chunk; ++k) values[k] = record_word(records, from + k, kRecordValue);
    for (uint32_t w = 0; w < walk_count; ++w) {
      walk_attributes(image, &scratch->context, selector, values, chunk, &walks[w], observer);
    }
    for (uint32_t k = 0; k < chunk && result == DB_OK; ++k) {
      const uint32_t i = from + k;
      // A computed value reads the context: it sees the record's value.
      scratch->selectors()[selector] = values[k];
      if constexpr (O::kWatches) observer->record_starts(i, selector, values[k]);
      uint8_t* record = records + i * kValueRecordSize;
      for (uint32_t l = 0; l < lookups && result == DB_OK; ++l) {
        const AttributeSource& source = sources[l];
        if (source.root_status != DB_OK) {
          result = source.root_status;
          break;
        }
        const AttributeWalk& walk = walks[source.walks];
        const uint32_t at = k * walk.id_count + source.slot;
        result = walk.fork.results[at];
        if (result != DB_OK) break;
        result = fetch_attribute(image, walk.fork.leaves[at], &scratch->context,
                                 record + source.field, observer);
        if constexpr (O::kWatches) {
          if (result == DB_OK) {
            observer->record_word(i, source.field, record_word(record + source.field, 0, 0));
          }
        }
      }
    }
  }
  release_scratch_context(scratch);
  return result;
}

// attr3 = 0 for a record that equals the next unmatched entry of the stored
// list of `list_id`, else 1.
template <typename O>
int32_t compare_with_list(const Image& image, uint16_t list_id, const ORV_QUERY_CONTEXT* ctx,
                          uint8_t* records, uint32_t n, O* observer) {
  Leaf leaf{};
  int32_t result = drv_find_root(image, list_id, ctx, &leaf, DrvWalk::kComparedList, observer);
  if (result != DB_OK) return result;
  uint32_t c = item_count(leaf.word1);
  uint32_t bytes = 4 * c;
  // One word at least, so that an empty list is still a real buffer.
  uint32_t* list = static_cast<uint32_t*>(platform_alloc(bytes > 0 ? bytes : 4));
  if (list == nullptr) return DB_ERROR;
  uint32_t size = 0;
  result = fetch(image, ctx, bytes, list, &size, leaf);
  if constexpr (O::kWatches) observer->fetched(result, size);
  // The buffer was sized for the list: asking for more means an inconsistent data base.
  if (result == DB_MORE_DATA || (result == DB_OK && size != bytes)) result = DB_ERROR;
  uint32_t j = 0;
  for (uint32_t i = 0; i < n && result == DB_OK; ++i) {
    if (j == c) {
      result = DB_ERROR;
      break;
    }
    if (record_word(records, i, kRecordValue) == list[j]) {
      write_word(records, i, kRecordAttr3, 0, observer);
      ++j;
    } else {
      write_word(records, i, kRecordAttr3, 1, observer);
    }
  }
  platform_free(list);
  return result;
}

// Every record's mark is the marker pair's mark value when its value is the
// pair's key, else 0. Without a marker pair for these settings an optional
// marker marks nothing (every mark 0, cleared before the lookup) and a
// required one fails the query, leaving the marks as they were.
template <typename O>
int32_t apply_marker(const Image& image, uint16_t marker, bool required,
                     const ORV_QUERY_CONTEXT* ctx, uint8_t* records, uint32_t n, O* observer) {
  if (!required) {
    for (uint32_t i = 0; i < n; ++i) set_record_word(records, i, kRecordMark, 0);
  }
  uint32_t key = 0;
  uint32_t mark = 0;
  int32_t result = fetch_marker_pair(image, marker, ctx, &key, &mark, observer);
  if (!required && (result == DB_NOT_FOUND || result == DB_NO_ENTRY)) return DB_OK;
  if (result != DB_OK) return result;
  for (uint32_t i = 0; i < n; ++i) {
    write_word(records, i, kRecordMark, record_word(records, i, kRecordValue) == key ? mark : 0,
               observer);
  }
  return DB_OK;
}

// fill_value_records (value_records.h), told to `observer`.
template <typename O>
[[gnu::always_inline]] inline int32_t fill_value_records(const Image& image,
                                                         const DrvSpecialId& row,
                                                         const ORV_QUERY_CONTEXT* ctx,
                                                         uint32_t cbBuf, void* pBuf, uint32_t n,
                                                         O* observer) {
  // The caller sized the buffer; a buffer that cannot hold the records is a bad argument.
  if (n > 0 && (pBuf == nullptr || cbBuf / kValueRecordSize < n)) return DB_ERROR;
  uint8_t* records = static_cast<uint8_t*>(pBuf);

  widen_value_records(records, n);

  int32_t result = DB_OK;
  if (row.key_selector != kNoSelector) {
    result = fill_value_identifiers(image, row.key_selector, records, n, observer);
    if (result != DB_OK) return result;
  }
  if (row.attr_selector != kNoSelector) {
    result = fill_attributes(image, row, ctx, records, n, observer);
    if (result != DB_OK) return result;
  }
  if (row.compared_list != kNoId) {
    result = compare_with_list(image, row.compared_list, ctx, records, n, observer);
    if (result != DB_OK) return result;
  }
  if (row.marker == kNoId) return DB_OK;
  return apply_marker(image, row.marker, row.marker_required, ctx, records, n, observer);
}

}  // namespace value_records_internal

// fill_value_records for any observer: the library's own unwatched function,
// or the watched steps.
template <typename O>
inline int32_t fill_value_records_observed(const Image& image, const DrvSpecialId& row,
                                           const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                                           uint32_t n, O* observer) {
  if constexpr (O::kWatches) {
    return value_records_internal::fill_value_records(image, row, ctx, cbBuf, pBuf, n, observer);
  } else {
    return fill_value_records(image, row, ctx, cbBuf, pBuf, n);
  }
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_VALUE_RECORDS_STEPS_H_
