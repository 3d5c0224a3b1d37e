// Shared pieces of the fuzz targets: a reader that turns the fuzz input into
// numbers (zeros once the input is used up, so every input decodes), query
// contexts decoded from it, output buffers with a guard region behind them,
// and the checks every call must pass.
#ifndef ORVDB_FUZZ_FUZZ_SUPPORT_H_
#define ORVDB_FUZZ_FUZZ_SUPPORT_H_

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "orvdb/host_platform.h"
#include "orvdb/orvdb.h"

namespace orv::fuzz {

// Reads little-endian numbers and byte runs from the fuzz input.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
  uint32_t u32() { return static_cast<uint32_t>(u16()) | (static_cast<uint32_t>(u16()) << 16); }
  // Copies up to n bytes into out (fewer when the input ends).
  void bytes(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = u8();
  }
  bool empty() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;  // the whole input
  size_t size_;          // its length
  size_t pos_ = 0;       // bytes consumed
};

// Stops the run with a message: the fuzzer records the input as a crash, the
// replay test fails.
[[noreturn]] inline void fail(const char* what, long a = 0, long b = 0) {
  fprintf(stderr, "reliability check failed: %s (%ld, %ld)\n", what, a, b);
  abort();
}

// The printer every target knows, with the silent-mode window stored, and
// the settings of a valid combination (paper code 9, the mode-table row 0
// keys) that decoded contexts start from.
constexpr char kPrinterName[] = "Office";
constexpr char kSilentValueName[] = "ZelUI_SilentModeTime";
struct DefaultSelector {
  uint32_t index;  // selector number
  uint32_t value;  // its value in the valid combination
};
constexpr DefaultSelector kDefaultSelectors[] = {{4, 1}, {9, 0}, {5, 1}, {81, 0},
                                                 {8, 1}, {6, 2}, {7, 4}, {28, 9}};

// The printer store, clock and locale every run sees; runs once per process.
void prepare_host();

// A query context decoded from the input, owning every array it points at.
// Each array is allocated at exactly its declared count, so any read past a
// count is caught by the address sanitizer.
struct DecodedContext {
  ORV_QUERY_CONTEXT ctx{};                       // what the library is given
  std::unique_ptr<uint32_t[]> selectors;         // cSelectors entries, or null
  std::vector<std::unique_ptr<char[]>> strings;  // each exactly its length + NUL
  std::unique_ptr<const char*[]> string_table;   // cStrings entries, or null
  std::unique_ptr<ORV_WCHAR[]> printer_name;     // terminated 16-bit name, or null
  void* opened = nullptr;                        // a handle this context holds open

  DecodedContext() = default;
  DecodedContext(const DecodedContext&) = delete;
  DecodedContext& operator=(const DecodedContext&) = delete;
  ~DecodedContext();
};

// Decodes selectors (the valid combination, then overrides), match strings
// (null entries and odd lengths included), the printer (none, an open
// handle, a closed handle, a known or unknown name) and dwReserved.
void decode_context(Reader& in, DecodedContext* out);

// An output buffer of `size` bytes followed by a guard region, all filled
// with a pattern so that stray writes show.
class GuardedBuffer {
 public:
  static constexpr size_t kGuard = 64;
  static constexpr uint8_t kPattern = 0xE7;
  explicit GuardedBuffer(uint32_t size) : size_(size), bytes_(size + kGuard, kPattern) {}
  uint8_t* data() { return bytes_.data(); }
  uint32_t size() const { return size_; }
  // True when no byte at or after `from` differs from the pattern.
  bool untouched_from(size_t from) const {
    for (size_t i = from; i < bytes_.size(); ++i) {
      if (bytes_[i] != kPattern) return false;
    }
    return true;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint32_t size_;               // the size the library is told
  std::vector<uint8_t> bytes_;  // size_ bytes and the guard
};

// Every call answers one of the eight result codes.
inline bool is_result_code(int32_t r) { return r >= DB_NO_CONTEXT && r <= DB_NO_ENTRY; }

// Nothing allocated by the library is left, and no printer it opened is open.
inline void check_released(uint32_t own_open_printers) {
  if (orv_host_live_allocations() != 0) fail("blocks left allocated", orv_host_live_allocations());
  if (orv_host_open_printers() != own_open_printers) {
    fail("printer handles left open", orv_host_open_printers(), own_open_printers);
  }
}

}  // namespace orv::fuzz

#endif  // ORVDB_FUZZ_FUZZ_SUPPORT_H_
