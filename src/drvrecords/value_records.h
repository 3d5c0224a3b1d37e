// The 20-byte value records of the Drv list ids, and the post-processor that
// turns a packed list of setting values into filled records.
#ifndef ORVDB_DRVRECORDS_VALUE_RECORDS_H_
#define ORVDB_DRVRECORDS_VALUE_RECORDS_H_

#include <stdint.h>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"

namespace orv {

// Layout of a value record: five little-endian 32-bit words, no gaps.
constexpr uint32_t kValueRecordSize = 20;
constexpr uint32_t kRecordValue = 0;   // byte offset of `value`
constexpr uint32_t kRecordAttr1 = 4;   // byte offset of `attr1`
constexpr uint32_t kRecordAttr2 = 8;   // byte offset of `attr2`
constexpr uint32_t kRecordAttr3 = 12;  // byte offset of `attr3`
constexpr uint32_t kRecordMark = 16;   // byte offset of `mark`

// Number of selectors a context (never null here: the Drv handler checks it)
// really holds: a null array holds none, whatever its count says.
inline uint32_t usable_selectors(const ORV_QUERY_CONTEXT* ctx) {
  return ctx->pSelectors != nullptr ? ctx->cSelectors : 0;
}

// Reads and writes one word of record i of a buffer that need not be aligned.
uint32_t record_word(const uint8_t* records, uint32_t i, uint32_t field);
void set_record_word(uint8_t* records, uint32_t i, uint32_t field, uint32_t value);

// Spreads n packed 32-bit values at the start of `records` into the `value`
// words of n records, last first so that nothing is overwritten before it
// moves; vacated packed slots are cleared.
void widen_value_records(uint8_t* records, uint32_t n);

// An internal id looked up once per record of a list. Its root slot is found
// on first use and kept for the rest of the call: the root index does not
// change, so every record would find the same slot.
struct AttributeSource {
  uint16_t id;          // the internal id
  bool looked_up;       // root_status and root are known
  int32_t root_status;  // the root lookup's result
  uint32_t root;        // item index of the id's tree, when root_status is DB_OK
};

inline AttributeSource attribute_source(uint16_t id) { return AttributeSource{id, false, 0, 0}; }

// Walks the source's tree with `ctx` and writes its one-number value into
// the 4 bytes at `dest`. A value longer than 4 bytes means the data base is
// inconsistent (DB_ERROR); lookup results other than DB_OK pass through.
int32_t fetch_attribute(const Image& image, AttributeSource* source, const ORV_QUERY_CONTEXT* ctx,
                        uint8_t* dest);

// Reads the two-number marker value of `id` for `ctx`: DB_OK with key and
// mark set; the root lookup's result when it fails; DB_ERROR when the value
// is not exactly two numbers.
int32_t fetch_marker_pair(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t* key, uint32_t* mark);

// Finds the selector-value table slot of selector `key`: DB_OK and *slot,
// DB_NOT_FOUND when the table lacks the selector, DB_ERROR when the table is
// inconsistent (a null array under a non-zero count).
int32_t find_selector_slot(const DrvTables& tables, uint16_t key, uint32_t* slot);

// Turns the n packed values at the start of pBuf (which holds at least
// 20 × n bytes) into n value records of list id `id` and fills them with
// value identifiers, per-value attributes and marks. Never writes *pcbNeeded.
int32_t postprocess_value_records(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                                  uint32_t cbBuf, void* pBuf, uint32_t n);

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_VALUE_RECORDS_H_
