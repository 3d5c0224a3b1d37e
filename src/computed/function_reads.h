// What each computed item reads from the query context: the selectors it
// reads, and so the selector count it demands (one more than the highest),
// and the printer configuration value it reads. The items check their
// contexts against this table and read these selectors and that value; a
// front end learns from it what a computed answer depends on.
#ifndef ORVDB_COMPUTED_FUNCTION_READS_H_
#define ORVDB_COMPUTED_FUNCTION_READS_H_

#include <stdint.h>

#include "computed/function_numbers.h"

namespace orv {

// The selectors computed items read, by what they carry.
constexpr uint16_t kPaperWidthSelector = 25;    // a paper width, hundredths of a millimetre
constexpr uint16_t kPaperLengthSelector = 26;   // a paper length, hundredths of a millimetre
constexpr uint16_t kCustomWidthSelector = 29;   // width of the user-defined paper size
constexpr uint16_t kCustomLengthSelector = 30;  // length of the user-defined paper size
constexpr uint16_t kPrintModeSelector = 52;     // a mode value; one prints without vertical margins
constexpr uint16_t kOptionBitsSelector = 79;    // a word of option bits
constexpr uint16_t kQuantitySelector = 80;      // a 16-bit quantity carried into a command

// Most selectors one item reads.
constexpr uint32_t kMaxFunctionSelectors = 3;

// The tag (the value-name id's selector 0) of the printer configuration
// value that holds the silent-mode window.
constexpr uint16_t kSilentWindowTag = 154;
// A row's printer_value_tag when the item reads no printer value.
constexpr uint16_t kNoPrinterValue = 0;

// What one computed item reads.
struct FunctionReads {
  ComputedFunction function;                  // the item
  uint16_t selectors[kMaxFunctionSelectors];  // selector indices it reads
  uint32_t selector_count;                    // entries of `selectors` in use
  uint16_t printer_value_tag;  // tag of the printer value it reads, or kNoPrinterValue
};

// One row per computed item, in function-number order.
inline constexpr FunctionReads kFunctionReads[] = {
    {kCustomExtentCommand, {kCustomWidthSelector, kCustomLengthSelector}, 2, kNoPrinterValue},
    {kCustomPrintableArea, {kCustomWidthSelector, kCustomLengthSelector}, 2, kNoPrinterValue},
    {kPaperPrintableArea,
     {kPaperWidthSelector, kPaperLengthSelector, kPrintModeSelector},
     3,
     kNoPrinterValue},
    {kCustomLengthValue, {kCustomLengthSelector}, 1, kNoPrinterValue},
    {kSetTimeBlock, {}, 0, kNoPrinterValue},
    {kOptionBitsCommand, {kOptionBitsSelector, kQuantitySelector}, 2, kNoPrinterValue},
    {kSilentModeBlock, {}, 0, kSilentWindowTag},
};

// The row of `function`, or null for a number without an item. Cost: a scan
// of seven rows.
constexpr const FunctionReads* find_function_reads(uint16_t function) {
  for (const FunctionReads& row : kFunctionReads) {
    if (row.function == function) return &row;
  }
  return nullptr;
}

// Each row lists its selectors in ascending order.
constexpr bool function_reads_ascending() {
  for (const FunctionReads& row : kFunctionReads) {
    for (uint32_t k = 1; k < row.selector_count; ++k) {
      if (row.selectors[k] <= row.selectors[k - 1]) return false;
    }
  }
  return true;
}
static_assert(function_reads_ascending(), "a row's selectors ascend");

// Selectors a context must hold for item `function`: one more than the
// highest it reads (the last of its row); 0 when it reads none. Every item
// has its row: a function without one does not compile as a constant.
constexpr uint32_t function_min_selectors(ComputedFunction function) {
  const FunctionReads& row = *find_function_reads(function);
  return row.selector_count == 0 ? 0 : row.selectors[row.selector_count - 1] + 1u;
}

}  // namespace orv

#endif  // ORVDB_COMPUTED_FUNCTION_READS_H_
