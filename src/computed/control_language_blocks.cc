#include "computed/control_language_blocks.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "computed/function_reads.h"
#include "computed/item_contract.h"
#include "engine/resolver.h"
#include "engine/root_path.h"
#include "platform/platform.h"

namespace orv {
namespace {

// The blocks as the printer takes them. Each literal's terminating NUL is not
// part of the block; the split literals keep hex escapes from running on.
constexpr char kSetTimeTemplate[] =
    "\x1B[K\x02\x00\x00\x1F"
    "QXLSTART\n"
    "ControlMode=Common\n"
    "SetTime=yyyymmddhhmmss\n"
    "QXLEND\n";
constexpr char kSilentOffTemplate[] =
    "\x1B[K\x02\x00\x00\x1F"
    "QXLSTART\n"
    "ControlMode=Common\n"
    "SetSilent=OFF\n"
    "QXLEND\n";
constexpr char kSilentOnTemplate[] =
    "\x1B[K\x02\x00\x00\x1F"
    "QXLSTART\n"
    "ControlMode=Common\n"
    "SetSilent=ON\n\n"
    "QXLEND\n";

constexpr uint32_t kSetTimeSize = sizeof kSetTimeTemplate - 1;
constexpr uint32_t kSilentSize = sizeof kSilentOffTemplate - 1;
static_assert(kSetTimeSize == 65, "set-time block size");
static_assert(kSilentSize == 56 && sizeof kSilentOnTemplate - 1 == kSilentSize,
              "silent blocks size");

constexpr uint32_t kStampOffset = 43;  // where "yyyymmddhhmmss" stands
constexpr int kStampLength = 14;

constexpr uint32_t kMinutesPerHour = 60;

// Room for six fields of any int value, so that the length check sees the
// whole text.
constexpr size_t kStampRoom = 72;

// Formats the clock as 14 digits into `text`; false when a field does not
// fit its width.
bool format_stamp(const LocalTime& now, char (&text)[kStampRoom]) {
  // A negative field can still give 14 characters ("-001"); a field too
  // wide for its digits gives more, which the length check below refuses.
  if (now.year < 0 || now.month < 0 || now.day < 0 || now.hour < 0 || now.minute < 0 ||
      now.second < 0) {
    return false;
  }
  const int length = snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", now.year, now.month,
                              now.day, now.hour, now.minute, now.second);
  return length == kStampLength;
}

// True when minute of day `minute` lies in the window packed in `window`:
// start in the low 16 bits, end in the high 16 bits, both ends included; a
// start above the end runs through midnight; equal ends make an empty window.
bool in_silent_window(uint32_t window, uint32_t minute) {
  const uint16_t start = static_cast<uint16_t>(window);
  const uint16_t end = static_cast<uint16_t>(window >> 16);
  if (start == end) return false;
  if (start < end) return minute >= start && minute <= end;
  return minute >= start || minute <= end;
}

// Reads the window value through the name that the value-name id gives for
// its tag. False whenever the value cannot be had.
bool read_silent_window(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t* window) {
  if (ctx->hPrinter == nullptr) return false;

  const uint32_t selectors[1] = {kSilentWindowTag};
  ORV_QUERY_CONTEXT nested = {};
  nested.hPrinter = ctx->hPrinter;
  nested.dwReserved = ctx->dwReserved;
  nested.cStrings = 0;
  nested.ppStrings = nullptr;
  nested.cSelectors = 1;
  nested.pSelectors = selectors;
  nested.pPrinterName = nullptr;  // never opens a printer of its own

  // The name must be stored text. Any other answer is no name; a computed
  // one could even be this block again, asking for its own name forever.
  Leaf leaf{};
  if (find_root(image, kValueNameId, &nested, &leaf) != DB_OK ||
      item_kind(leaf.word0) != ITEM_STRING) {
    return false;
  }
  uint32_t name_size = 0;
  if (access_root(image, kValueNameId, &nested, 0, nullptr, &name_size) != DB_MORE_DATA ||
      name_size == 0) {
    return false;
  }
  // Two spare zero characters keep the name terminated even if the data's
  // string should lack its NUL or have an odd size. A stored text has at
  // most 65,535 characters (its count is 16 bits), so the sum cannot wrap.
  constexpr uint32_t kSpare = 2 * sizeof(ORV_WCHAR);
  const uint32_t block_size = name_size + kSpare;
  void* name = platform_alloc(block_size);
  if (name == nullptr) return false;
  memset(name, 0, block_size);

  bool read = false;
  uint32_t written = 0;
  if (access_root(image, kValueNameId, &nested, name_size, name, &written) == DB_OK) {
    uint32_t value = 0;  // a shorter value leaves the upper bytes 0
    uint32_t type = 0;
    uint32_t needed = 0;
    read = platform_get_printer_data(ctx->hPrinter, static_cast<const ORV_WCHAR*>(name), &type,
                                     &value, sizeof value, &needed) == 0;
    if (read) *window = value;
  }
  platform_free(name);
  return read;
}

}  // namespace

int32_t set_time_block(const ORV_QUERY_CONTEXT* /*ctx*/, uint32_t cbBuf, void* pBuf,
                       uint32_t* pcbNeeded) {
  if (!report_size(kSetTimeSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  LocalTime now = {};
  platform_local_time(&now);
  char stamp[kStampRoom];
  if (!format_stamp(now, stamp)) return DB_ERROR;
  uint8_t* out = static_cast<uint8_t*>(pBuf);
  memcpy(out, kSetTimeTemplate, kSetTimeSize);
  memcpy(out + kStampOffset, stamp, kStampLength);
  return DB_OK;
}

int32_t silent_mode_block(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf,
                          void* pBuf, uint32_t* pcbNeeded) {
  if (buffer_short(kSilentSize, cbBuf, pBuf, pcbNeeded)) return DB_MORE_DATA;
  LocalTime now = {};
  platform_local_time(&now);
  const uint32_t minute =
      static_cast<uint32_t>(now.hour) * kMinutesPerHour + static_cast<uint32_t>(now.minute);

  uint32_t window = 0;
  const bool on = read_silent_window(image, ctx, &window) && in_silent_window(window, minute);
  memcpy(pBuf, on ? kSilentOnTemplate : kSilentOffTemplate, kSilentSize);
  *pcbNeeded = kSilentSize;
  return DB_OK;
}

}  // namespace orv
