// The function numbers of the computed items: the count field of an
// ITEM_COMPUTED leaf names one of these. The model description writes its
// computed leaves with these names and the dispatcher answers them; any other
// number has no item.
#ifndef ORVDB_COMPUTED_FUNCTION_NUMBERS_H_
#define ORVDB_COMPUTED_FUNCTION_NUMBERS_H_

#include <stdint.h>

namespace orv {

// Function numbers of the computed items.
enum ComputedFunction : uint16_t {
  kCustomExtentCommand = 1,  // 13-byte extent command of the user-defined paper size
  kCustomPrintableArea = 2,  // printable area of the user-defined paper size
  kPaperPrintableArea = 3,   // printable area of the paper in selectors 25 and 26
  kCustomLengthValue = 4,    // printable length of the user-defined size, 1/60 inch
  kSetTimeBlock = 5,         // control-language block setting the printer's clock
  kOptionBitsCommand = 6,    // 12-byte option-bits command
  kSilentModeBlock = 7,      // control-language block switching silent mode on or off
};

}  // namespace orv

#endif  // ORVDB_COMPUTED_FUNCTION_NUMBERS_H_
