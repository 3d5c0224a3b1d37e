// The Drv ids answered by code of their own, one row per id: how the handler
// answers it and, for the lists, what fills its value records. The handler,
// the list paths and the record post-processor read this table and nothing
// else about the ids; a special id of an existing path is one more row.
// Plain constant data, so that a front end can include it and describe the
// ids the same way.
#ifndef ORVDB_DRVRECORDS_DRV_SPECIAL_IDS_H_
#define ORVDB_DRVRECORDS_DRV_SPECIAL_IDS_H_

#include <stdint.h>

#include "drvrecords/drv_tables.h"
#include "engine/scratch_context.h"

namespace orv {

// How the handler answers a Drv id.
enum class DrvPath : uint8_t {
  kGeneric,          // root lookup, walk, fetch: every id without a row
  kStoredList,       // the data base's list for the settings, as value records
  kFullList,         // every value the selector-value table knows for a selector
  kSelector8List,    // a stored list whose marker pair must exist
  kCommandSequence,  // fragments concatenated into one byte string
  kModeRecord,       // the mode record
};

// Whether a path answers an array of value records (the list paths).
constexpr bool answers_value_records(DrvPath path) {
  return path == DrvPath::kStoredList || path == DrvPath::kFullList ||
         path == DrvPath::kSelector8List;
}

// A row's selector or id field that names nothing.
constexpr uint16_t kNoSelector = 0xFFFF;
constexpr uint16_t kNoId = 0;

// Value-record fields an attribute lookup can fill: attr1, attr2, attr3.
constexpr uint32_t kAttributeFields = 3;

// The scratch-context kind in which the attribute lookups set a row's
// attribute selector: every row's attribute selector lies within its
// selectors.
constexpr int kAttributeScratch = 1;

// One special id.
struct DrvSpecialId {
  uint16_t id;             // the Drv id
  DrvPath path;            // how the handler answers it
  uint16_t key_selector;   // selector whose value identifiers fill attr1; a full list lists its
                           // values (kNoSelector: none)
  uint16_t attr_selector;  // selector set to each record's value for the attribute lookups
                           // (kNoSelector: no lookups)
  uint16_t attr_ids[kAttributeFields];  // internal id looked up into attr1, attr2, attr3 (kNoId)
  uint16_t compared_list;               // list id whose stored list sets attr3 to 0 for the
                                        // values it holds in order, 1 for others (kNoId)
  uint16_t marker;                      // internal id of the marker pair (kNoId: not marked)
  bool marker_required;   // a missing marker pair fails the query instead of marking nothing
  uint8_t min_selectors;  // selectors the id's own steps demand (checked where they begin)
};

// The highest selector a mode-table key reads, plus one.
constexpr uint8_t mode_record_min_selectors() {
  uint16_t highest = 0;
  for (uint16_t s : kModeKeySelectors) highest = s > highest ? s : highest;
  return static_cast<uint8_t>(highest + 1);
}

// clang-format off
inline constexpr DrvSpecialId kDrvSpecialIds[] = {
//   id      path                       key          attr sel     attr1   attr2   attr3     compared marker required min
    {0x100C, DrvPath::kStoredList,      4,           4,           {kNoId, 0x500C, 0x500B}, kNoId, 0x5003, false, 5},
    {0x100D, DrvPath::kFullList,        4,           4,           {kNoId, 0x500C, 0x500B}, kNoId, 0x5003, false, 5},
    {0x100E, DrvPath::kStoredList,      5,           kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5004, false, 0},
    {0x100F, DrvPath::kFullList,        5,           kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5004, false, 0},
    {0x1010, DrvPath::kStoredList,      28,          28,          {kNoId, 0x500E, kNoId},  kNoId, kNoId,  false, 29},
    {0x1011, DrvPath::kStoredList,      28,          28,          {kNoId, 0x500E, kNoId},  0x1010, kNoId, false, 29},
    {0x1012, DrvPath::kStoredList,      7,           kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5002, false, 0},
    {0x1013, DrvPath::kFullList,        7,           kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5002, false, 0},
    {0x1014, DrvPath::kStoredList,      kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x500D, false, 0},
    {0x104D, DrvPath::kStoredList,      kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5010, false, 0},
    {0x104E, DrvPath::kStoredList,      kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5010, false, 0},
    {0x1051, DrvPath::kStoredList,      5,           kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x1054, DrvPath::kStoredList,      28,          28,          {kNoId, 0x500E, kNoId},  kNoId, 0x5011, false, 29},
    {0x1016, DrvPath::kSelector8List,   kNoSelector, 8,           {0x5006, 0x5007, kNoId}, kNoId, 0x5005, true,  9},
    {0x1017, DrvPath::kSelector8List,   kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, 0x5005, true,  0},
    {0x1018, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x1019, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x101A, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x101B, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x101C, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x101D, DrvPath::kCommandSequence, kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false, 0},
    {0x101E, DrvPath::kModeRecord,      kNoSelector, kNoSelector, {kNoId, kNoId, kNoId},   kNoId, kNoId,  false,
     mode_record_min_selectors()},
};
// clang-format on

constexpr uint32_t kDrvSpecialIdCount = sizeof kDrvSpecialIds / sizeof kDrvSpecialIds[0];

// What the `count` rows must agree on: one row per id; a list that looks
// attributes up demands the selector it sets, which its scratch context
// holds, and sets one exactly when it has ids to look up; no other row but
// the mode record's demands selectors; a full list names its selector;
// attr3 is either looked up or compared, not both; a required marker exists;
// only list paths fill records.
constexpr bool drv_special_ids_consistent(const DrvSpecialId* rows, uint32_t count) {
  for (uint32_t r = 0; r < count; ++r) {
    const DrvSpecialId& row = rows[r];
    for (uint32_t other = r + 1; other < count; ++other) {
      if (rows[other].id == row.id) return false;
    }
    if (row.attr_selector != kNoSelector && row.min_selectors <= row.attr_selector) return false;
    // Only the attribute lookups and the mode record demand selectors.
    if (row.attr_selector == kNoSelector && row.path != DrvPath::kModeRecord &&
        row.min_selectors != 0) {
      return false;
    }
    if (row.attr_selector != kNoSelector &&
        row.attr_selector >= kScratchCapacities[kAttributeScratch].selectors) {
      return false;
    }
    if (row.path == DrvPath::kFullList && row.key_selector == kNoSelector) return false;
    if (row.compared_list != kNoId && row.attr_ids[2] != kNoId) return false;
    if (row.marker_required && row.marker == kNoId) return false;
    bool lookups = false;
    for (uint16_t attr : row.attr_ids) lookups = lookups || attr != kNoId;
    if (lookups != (row.attr_selector != kNoSelector)) return false;
    const bool fills_records = row.key_selector != kNoSelector || lookups ||
                               row.compared_list != kNoId || row.marker != kNoId;
    if (fills_records && !answers_value_records(row.path)) return false;
  }
  return true;
}
static_assert(drv_special_ids_consistent(kDrvSpecialIds, kDrvSpecialIdCount),
              "the Drv special-id rows contradict each other");

// Lowest and highest special id.
constexpr uint16_t drv_special_id_bound(bool highest) {
  uint16_t bound = kDrvSpecialIds[0].id;
  for (const DrvSpecialId& row : kDrvSpecialIds) {
    if (highest ? row.id > bound : row.id < bound) bound = row.id;
  }
  return bound;
}
constexpr uint16_t kFirstDrvSpecialId = drv_special_id_bound(false);
constexpr uint16_t kLastDrvSpecialId = drv_special_id_bound(true);

// Row number of every id from the first special id to the last, so that the
// handler finds an id's row with one read.
constexpr uint8_t kNotSpecial = 0xFF;
static_assert(kDrvSpecialIdCount < kNotSpecial, "row numbers fit the index");
struct DrvSpecialIdIndex {
  uint8_t row[kLastDrvSpecialId - kFirstDrvSpecialId + 1];  // row of id first + k, or kNotSpecial
};
constexpr DrvSpecialIdIndex make_drv_special_id_index() {
  DrvSpecialIdIndex index{};
  for (uint8_t& r : index.row) r = kNotSpecial;
  for (uint32_t r = 0; r < kDrvSpecialIdCount; ++r) {
    index.row[kDrvSpecialIds[r].id - kFirstDrvSpecialId] = static_cast<uint8_t>(r);
  }
  return index;
}
inline constexpr DrvSpecialIdIndex kDrvSpecialIdIndex = make_drv_special_id_index();

// The row of Drv id `id`, or null for an ordinary id. Cost: one compare and
// one table read.
inline const DrvSpecialId* find_drv_special_id(uint16_t id) {
  // Ids below the first wrap around to large offsets.
  const uint32_t k = static_cast<uint32_t>(id) - kFirstDrvSpecialId;
  if (k > static_cast<uint32_t>(kLastDrvSpecialId - kFirstDrvSpecialId)) return nullptr;
  const uint8_t r = kDrvSpecialIdIndex.row[k];
  return r == kNotSpecial ? nullptr : &kDrvSpecialIds[r];
}

// How the handler answers Drv id `id`.
inline DrvPath drv_path(uint16_t id) {
  const DrvSpecialId* row = find_drv_special_id(id);
  return row != nullptr ? row->path : DrvPath::kGeneric;
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_SPECIAL_IDS_H_
