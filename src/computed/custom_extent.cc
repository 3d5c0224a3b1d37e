#include "computed/custom_extent.h"

#include <string.h>

#include "computed/function_numbers.h"
#include "computed/function_reads.h"
#include "computed/item_contract.h"
#include "computed/printable_margins.h"

namespace orv {
namespace {

// One routine serves both items, so both demand what the command reads.
constexpr uint32_t kMinSelectors = function_min_selectors(kCustomExtentCommand);
static_assert(function_min_selectors(kCustomLengthValue) <= kMinSelectors,
              "the length alone reads no selector the command does not");
constexpr uint32_t kCommandSize = 13;
constexpr uint32_t kLengthValueSize = 4;

}  // namespace

uint16_t printable_sixtieths(uint32_t length, uint32_t margin) {
  uint32_t scaled = (length - margin) * kSixtiethsPerTenthInch;
  uint32_t quotient = scaled / kHundredthsMmPerTenthInch;
  if (scaled % kHundredthsMmPerTenthInch != 0) ++quotient;
  return static_cast<uint16_t>(quotient);
}

int32_t custom_extent(uint16_t function, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                      uint32_t* pcbNeeded) {
  if (function != kCustomExtentCommand && function != kCustomLengthValue) return DB_ERROR;
  if (!has_selectors(ctx, kMinSelectors)) return DB_NO_SELECTOR;
  const uint32_t size = function == kCustomLengthValue ? kLengthValueSize : kCommandSize;
  if (!report_size(size, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;

  const uint16_t length =
      printable_sixtieths(ctx->pSelectors[kCustomLengthSelector], kTopBottomMargins);
  if (function == kCustomLengthValue) {
    const uint32_t value = length;
    memcpy(pBuf, &value, sizeof value);
    return DB_OK;
  }

  uint16_t width = printable_sixtieths(ctx->pSelectors[kCustomWidthSelector], kSideMargins);
  if (width > kWidestWidthSixtieths) width = kWidestWidthSixtieths;
  uint8_t command[kCommandSize] = {0x1B, 0x28, 0x70, 0x08, 0x00};
  put_be16(command + 5, length);
  put_be16(command + 9, width);
  memcpy(pBuf, command, sizeof command);
  return DB_OK;
}

}  // namespace orv
