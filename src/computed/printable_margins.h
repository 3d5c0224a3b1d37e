// The margins the print head cannot reach and its widest printable width:
// the printable area of a paper starts this far from its edges. Paper
// dimensions are in hundredths of a millimetre, printer command values in
// sixtieths of an inch. The computed printable areas and extent commands and
// the paper table's stored offsets all read these.
#ifndef ORVDB_COMPUTED_PRINTABLE_MARGINS_H_
#define ORVDB_COMPUTED_PRINTABLE_MARGINS_H_

#include <stdint.h>

namespace orv {

// Margin at each side edge (the printable area's horizontal offset).
constexpr int32_t kSideMargin = 340;
// Margin at the top edge (the printable area's vertical offset).
constexpr int32_t kTopMargin = 300;
// Margin at the bottom edge.
constexpr int32_t kBottomMargin = 700;

// What the margins take from a paper's width and from its length.
constexpr uint32_t kSideMargins = 2 * kSideMargin;
constexpr uint32_t kTopBottomMargins = kTopMargin + kBottomMargin;

// A tenth of an inch in either unit: lengths in hundredths of a millimetre
// become printer command values by × 6 / 254.
constexpr uint32_t kSixtiethsPerTenthInch = 6;
constexpr uint32_t kHundredthsMmPerTenthInch = 254;

// Widest printable width: 11.4 inches, in the two units it is applied in.
constexpr uint32_t kWidestWidthTenthsInch = 114;
constexpr uint16_t kWidestWidthSixtieths = kWidestWidthTenthsInch * kSixtiethsPerTenthInch;
constexpr int32_t kWidestWidthHundredthsMm = kWidestWidthTenthsInch * kHundredthsMmPerTenthInch;

}  // namespace orv

#endif  // ORVDB_COMPUTED_PRINTABLE_MARGINS_H_
