// The constant tables that only the Drv special records read: every value of
// four selectors with its value identifier, the fragment trees of each
// command sequence, and the mode table with the four part tables from which
// the mode record is assembled. No item of the image refers to them;
// the command-sequence table refers to items by index. Every table is a
// pointer and a count, like the tables of the image itself.
#ifndef ORVDB_DRVRECORDS_DRV_TABLES_H_
#define ORVDB_DRVRECORDS_DRV_TABLES_H_

#include <stdint.h>

#include "orvdb/orvdb.h"

namespace orv {

// Record sizes of the mode part tables, in bytes: each record fills its part
// of the mode record.
constexpr uint32_t kModePartASize = sizeof(ORV_MODE_RECORD::partA);
constexpr uint32_t kModePartBSize = sizeof(ORV_MODE_RECORD::partB);
constexpr uint32_t kModePartCSize = sizeof(ORV_MODE_RECORD::partC);
constexpr uint32_t kModePartDSize = sizeof(ORV_MODE_RECORD::partD);

// The mode part tables, in the order of the mode record and of a mode-table
// row's record indices, with their record sizes and names.
constexpr uint32_t kModePartCount = 4;
constexpr uint32_t kModePartSizes[kModePartCount] = {kModePartASize, kModePartBSize, kModePartCSize,
                                                     kModePartDSize};
constexpr char kModePartNames[kModePartCount] = {'A', 'B', 'C', 'D'};

// Internal id under which every fragment tree of a command sequence holds its
// bytes.
constexpr uint16_t kFragmentId = 0x5008;

// Number of keys of a mode-table row and the selectors they are compared
// with, in key order.
constexpr uint32_t kModeKeyCount = 6;
constexpr uint16_t kModeKeySelectors[kModeKeyCount] = {4, 9, 5, 8, 6, 81};

// One 20-byte row of the mode table: six keys compared with the caller's
// selectors, then the record index into each part table.
struct ModeRow {
  int16_t keys[kModeKeyCount];  // selectors 4, 9, 5, 8, 6, 81, each sign-extended when compared
  uint16_t part_a;              // record index into mode part A
  uint16_t part_b;              // record index into mode part B
  uint16_t part_c;              // record index into mode part C
  uint16_t part_d;              // record index into mode part D
};
static_assert(sizeof(ModeRow) == 20, "a mode-table row is 20 bytes");

struct DrvTables {
  // Selector-value table: slot s of the first three arrays describes the
  // selector sel_indices[s], whose values are sel_values[p .. p + c - 1]
  // with p = sel_first[s] and c = sel_value_counts[s].
  const uint16_t* sel_indices;       // selector index of each slot
  const uint16_t* sel_value_counts;  // number of values of each slot's selector
  const uint32_t* sel_first;         // position of each slot's first value in sel_values
  uint32_t sel_count;                // slots in the three arrays above
  const uint16_t* sel_values;        // the selector values, slot after slot, in list order
  const uint32_t* sel_value_ids;     // value identifier paired with sel_values[k]
  uint32_t sel_value_count;          // entries in sel_values and sel_value_ids

  // Command-sequence table: sequence s concatenates the kFragmentId fragments of
  // the trees seq_fragments[p .. p + c - 1], p = seq_first[s], c = seq_fragment_counts[s].
  const uint16_t* seq_ids;              // Drv id of each command sequence
  const uint16_t* seq_fragment_counts;  // fragments of each sequence
  const uint32_t* seq_first;            // position of each sequence's first fragment
  uint32_t seq_count;                   // sequences in the three arrays above
  const uint32_t* seq_fragments;        // item index of each fragment tree, in concatenation order
  uint32_t seq_fragment_count;          // entries in seq_fragments

  // Mode table and its part tables. Part records are raw little-endian bytes
  // of the record sizes above, record after record.
  const ModeRow* mode_rows;  // mode table, scanned for the first row matching all keys
  uint32_t mode_count;       // rows in the mode table
  const uint8_t* part_a;     // mode part A records (kModePartASize bytes each)
  uint32_t part_a_count;     // records in mode part A
  const uint8_t* part_b;     // mode part B records (kModePartBSize bytes each)
  uint32_t part_b_count;     // records in mode part B
  const uint8_t* part_c;     // mode part C records (kModePartCSize bytes each)
  uint32_t part_c_count;     // records in mode part C
  const uint8_t* part_d;     // mode part D records (kModePartDSize bytes each)
  uint32_t part_d_count;     // records in mode part D
};

// One mode part table: its records and how many there are.
struct ModePartTable {
  const uint8_t* records;  // raw records of kModePartSizes[part] bytes each
  uint32_t count;          // records in the table
};

// Part table `part` (0 to kModePartCount - 1, A to D) of `t`.
inline ModePartTable mode_part_table(const DrvTables& t, uint32_t part) {
  switch (part) {
    case 0:
      return {t.part_a, t.part_a_count};
    case 1:
      return {t.part_b, t.part_b_count};
    case 2:
      return {t.part_c, t.part_c_count};
    default:
      return {t.part_d, t.part_d_count};
  }
}

// The record index a mode-table row gives into part table `part`.
inline uint16_t mode_row_part(const ModeRow& row, uint32_t part) {
  const uint16_t parts[kModePartCount] = {row.part_a, row.part_b, row.part_c, row.part_d};
  return part < kModePartCount ? parts[part] : parts[kModePartCount - 1];
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_TABLES_H_
