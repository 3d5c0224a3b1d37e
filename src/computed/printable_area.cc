#include "computed/printable_area.h"

#include <string.h>

#include "computed/function_reads.h"
#include "computed/item_contract.h"
#include "computed/printable_margins.h"

namespace orv {
namespace {

constexpr uint32_t kAreaSize = 16;  // four 32-bit numbers

constexpr uint32_t kCustomMinSelectors = function_min_selectors(kCustomPrintableArea);
constexpr uint32_t kPaperMinSelectors = function_min_selectors(kPaperPrintableArea);

// The value of the print-mode selector that prints without vertical margins.
constexpr uint32_t kNoVerticalMarginsMode = 5;

// Subtraction in 32 bits that wraps instead of overflowing: selectors are
// caller data and may hold any value.
int32_t wrapped_difference(uint32_t value, uint32_t minus) {
  return static_cast<int32_t>(value - minus);
}

void write_area(void* pBuf, int32_t x, int32_t width, int32_t y, int32_t length) {
  const int32_t area[4] = {x, width, y, length};
  memcpy(pBuf, area, sizeof area);
}

}  // namespace

int32_t custom_printable_area(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                              uint32_t* pcbNeeded) {
  if (!has_selectors(ctx, kCustomMinSelectors)) return DB_NO_SELECTOR;
  if (!report_size(kAreaSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  int32_t width = wrapped_difference(ctx->pSelectors[kCustomWidthSelector], kSideMargins);
  if (width > kWidestWidthHundredthsMm) width = kWidestWidthHundredthsMm;
  const int32_t length =
      wrapped_difference(ctx->pSelectors[kCustomLengthSelector], kTopBottomMargins);
  write_area(pBuf, kSideMargin, width, kTopMargin, length);
  return DB_OK;
}

int32_t paper_printable_area(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                             uint32_t* pcbNeeded) {
  if (!has_selectors(ctx, kPaperMinSelectors)) return DB_NO_SELECTOR;
  if (!report_size(kAreaSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  const int32_t width = wrapped_difference(ctx->pSelectors[kPaperWidthSelector], kSideMargins);
  const uint32_t paper_length = ctx->pSelectors[kPaperLengthSelector];
  if (ctx->pSelectors[kPrintModeSelector] == kNoVerticalMarginsMode) {
    write_area(pBuf, kSideMargin, width, 0, static_cast<int32_t>(paper_length));
  } else {
    write_area(pBuf, kSideMargin, width, kTopMargin,
               wrapped_difference(paper_length, kTopBottomMargins));
  }
  return DB_OK;
}

}  // namespace orv
