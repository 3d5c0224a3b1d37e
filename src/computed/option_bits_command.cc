#include "computed/option_bits_command.h"

#include <string.h>

#include "computed/function_reads.h"
#include "computed/item_contract.h"

namespace orv {
namespace {

constexpr uint32_t kMinSelectors = function_min_selectors(kOptionBitsCommand);
constexpr uint32_t kCommandSize = 12;

constexpr uint32_t kBit20 = 0x00100000;
constexpr uint32_t kBit21 = 0x00200000;
constexpr uint32_t kBit22 = 0x00400000;
constexpr uint32_t kBit23 = 0x00800000;

// The command's last byte: 0x01 when bits 20 and 22 agree, 0x10 for bit 22,
// 0x40 for bit 21.
uint8_t flag_byte(uint32_t bits) {
  uint8_t flags = 0;
  if (((bits & kBit20) != 0) == ((bits & kBit22) != 0)) flags |= 0x01;
  if ((bits & kBit22) != 0) flags |= 0x10;
  if ((bits & kBit21) != 0) flags |= 0x40;
  return flags;
}

}  // namespace

int32_t option_bits_command(const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                            uint32_t* pcbNeeded) {
  if (!has_selectors(ctx, kMinSelectors)) return DB_NO_SELECTOR;
  if (!report_size(kCommandSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  const uint32_t bits = ctx->pSelectors[kOptionBitsSelector];
  uint8_t command[kCommandSize] = {0x1B, 0x28, 0x24, 0x07, 0x00, 0x01, 0x00};
  command[7] = (bits & kBit23) != 0 ? 1 : 0;
  put_be16(command + 8, ctx->pSelectors[kQuantitySelector]);
  command[10] = 0x00;
  command[11] = flag_byte(bits);
  memcpy(pBuf, command, sizeof command);
  return DB_OK;
}

}  // namespace orv
