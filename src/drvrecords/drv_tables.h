// The constant tables that only the Drv special records read: every value of
// four selectors with its value identifier, the fragment trees of each
// command sequence, and the mode table with the four part tables from which
// the mode record is assembled. No item of the image refers to them;
// the command-sequence table refers to items by index. Every table is a
// pointer and a count, like the tables of the image itself.
#ifndef ORVDB_DRVRECORDS_DRV_TABLES_H_
#define ORVDB_DRVRECORDS_DRV_TABLES_H_

#include <assert.h>
#include <stdint.h>

#include "engine/image_tables.h"
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

// One mode part table: its records and how many there are.
struct ModePartTable {
  const uint8_t* records;  // raw records of kModePartSizes[part] bytes each
  uint32_t count;          // records in the table
};

// The Drv tables; their fields, each a pointer with a count, come from the
// list in engine/image_tables.h.
struct DrvTables {
  ORV_TABLE_FIELDS(drv)
};

// The record index a mode-table row gives into part table `part`; every
// caller counts the parts from 0 to kModePartCount.
inline uint16_t mode_row_part(const ModeRow& row, uint32_t part) {
  assert(part < kModePartCount);
  const uint16_t parts[kModePartCount] = {row.part_a, row.part_b, row.part_c, row.part_d};
  return parts[part];
}

}  // namespace orv

#endif  // ORVDB_DRVRECORDS_DRV_TABLES_H_
