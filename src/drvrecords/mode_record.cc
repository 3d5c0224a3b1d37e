#include "drvrecords/mode_record.h"

#include <stddef.h>
#include <string.h>

#include "drvrecords/drv_special_ids.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/mode_record_steps.h"

namespace orv {

namespace {

// The caller's values for the six keys, as a row holds them: false when one
// is not the sign extension of a 16-bit key, so that no row can match it.
bool wanted_keys(const uint32_t* selectors, int16_t keys[kModeKeyCount]) {
  for (uint32_t k = 0; k < kModeKeyCount; ++k) {
    int32_t value = static_cast<int32_t>(selectors[kModeKeySelectors[k]]);
    if (value < INT16_MIN || value > INT16_MAX) return false;
    keys[k] = static_cast<int16_t>(value);
  }
  return true;
}

// The first of rows[0, count) whose six keys equal `keys`, or null. Most
// rows differ in their first key, so first keys are compared alone, four rows
// per step without a branch inside the step (a 2-byte load never straddles a
// cache line, as wider loads at the 20-byte stride would); a row whose first
// key matches is then compared whole. The step costs a few instructions more
// than a one-row loop but far fewer mispredicted branches: the time figure in
// docs/performance.md decides here, not the instruction count.
const ModeRow* find_mode_row(const ModeRow* rows, uint32_t count,
                             const int16_t keys[kModeKeyCount]) {
  const int16_t first_key = keys[0];
  uint32_t r = 0;
  while (r < count) {
    for (; r + 4 <= count; r += 4) {
      bool any = (rows[r].keys[0] == first_key) | (rows[r + 1].keys[0] == first_key) |
                 (rows[r + 2].keys[0] == first_key) | (rows[r + 3].keys[0] == first_key);
      if (any) break;
    }
    uint32_t stop = r + 4 <= count ? r + 4 : count;
    for (; r < stop; ++r) {
      if (rows[r].keys[0] == first_key &&
          memcmp(rows[r].keys, keys, kModeKeyCount * sizeof keys[0]) == 0) {
        return &rows[r];
      }
    }
  }
  return nullptr;
}

}  // namespace

const ModeRow* matching_mode_row(const DrvTables& tables, const uint32_t* selectors) {
  int16_t keys[kModeKeyCount];
  if (tables.mode_rows == nullptr || !wanted_keys(selectors, keys)) return nullptr;
  return find_mode_row(tables.mode_rows, tables.mode_count, keys);
}

int32_t mode_record_query(const Image& image, const DrvSpecialId& row, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
  NoDrvObserver none;
  return mode_record_steps(image, row, ctx, cbBuf, pBuf, pcbNeeded, &none);
}

}  // namespace orv
