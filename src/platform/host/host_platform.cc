// The stand-in platform of builds without Windows. It keeps the results the
// library relies on from the spooler, the heap, the clock and the locale, and
// lets tests and tools steer them through the orv_host_* controls:
//  - a printer store of fixed capacity, names compared case-insensitively as
//    the spooler compares them, values of any size up to kMaxValueBytes;
//  - a counting heap whose new blocks are filled with a non-zero pattern, so
//    that code relying on cleared memory fails its tests, and whose n-th
//    allocation can be made to fail;
//  - a clock that is the system's local time or a fixed time;
//  - a country code taken from the process locale or set by hand.
// The store, the clock and the country are guarded by one mutex; the heap
// counters are atomics, so allocation takes no lock.
#include "orvdb/host_platform.h"

#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <atomic>

#include "platform/host/host_counters.h"
#include "platform/platform.h"

#define ORV_HOST_EXPORT extern "C" __attribute__((visibility("default")))

namespace orv {
namespace {

// Results of the printer-data read, as the spooler reports them.
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorMoreData = 234;
// Value types reported for a stored value.
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

constexpr int kMaxPrinters = 32;
constexpr int kMaxValues = 32;            // per printer
constexpr int kMaxNameChars = 128;        // terminator excluded
constexpr uint32_t kMaxValueBytes = 256;  // larger values are refused
constexpr uint32_t kHandleSlots = 1024;   // handles open at once
constexpr int kMaxCountryChars = 15;      // terminator excluded

// One configuration value of a printer.
struct StoredValue {
  char name[kMaxNameChars + 1];        // ASCII, NUL-terminated
  uint32_t size;                       // bytes of data
  unsigned char data[kMaxValueBytes];  // the value's bytes
};

// One printer of the store.
struct StoredPrinter {
  char name[kMaxNameChars + 1];    // ASCII, NUL-terminated
  int value_count;                 // entries used in values
  StoredValue values[kMaxValues];  // the configuration values
};

// One open handle. The token is what the caller holds; it encodes the slot and
// a serial number that is never reused, so a stale token never matches.
struct HandleSlot {
  uintptr_t token;  // 0 while the slot is free
  int printer;      // index into Store::printers; read only while the slot is taken
};

// Everything the controls can change, guarded by g_mutex.
struct Store {
  int printer_count;                     // entries used in printers
  StoredPrinter printers[kMaxPrinters];  // printers never move until a reset
  HandleSlot handles[kHandleSlots];      // open handles
  uint32_t open_handles;                 // slots in use
  uintptr_t last_serial;                 // serial of the last handle opened
  bool clock_fixed;                      // false: the system's local time
  LocalTime clock;                       // the fixed time when clock_fixed
  int country_mode;                      // kCountryDefault, kCountrySet or kCountryFail
  char country[kMaxCountryChars + 1];    // the text when kCountrySet
};

constexpr int kCountryDefault = 0;
constexpr int kCountrySet = 1;
constexpr int kCountryFail = 2;

pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
Store g_store = {};

// Holds g_mutex for one scope.
class Lock {
 public:
  Lock() { pthread_mutex_lock(&g_mutex); }
  ~Lock() { pthread_mutex_unlock(&g_mutex); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

// Heap bookkeeping. A block carries a header that records the reset epoch it
// was taken in: a reset sets the live count to 0, and a block from an earlier
// epoch freed afterwards must not drive the count below zero.
constexpr uint32_t kBlockMagic = 0x0DB10C4Bu;
constexpr uint32_t kFreedMagic = 0xDEADB10Cu;
constexpr unsigned char kFillByte = 0xA5;
// Bytes after each block that its user must leave as they are: a write one
// past a block is caught when it is released, in every build, not only
// under the address sanitizer.
constexpr uint32_t kGuardBytes = 8;
constexpr unsigned char kGuardByte = 0x5A;

struct alignas(16) BlockHeader {
  uint32_t magic;  // kBlockMagic while the block is live
  uint32_t epoch;  // g_epoch when the block was taken
  uint64_t bytes;  // size the caller asked for
};

std::atomic<uint32_t> g_live_blocks{0};
std::atomic<uint32_t> g_epoch{0};
std::atomic<int32_t> g_fail_countdown{0};
// Every block handed out, never reset: what measurements count per query.
std::atomic<uint64_t> g_total_blocks{0};

// Upper-cases an ASCII letter and leaves every other byte alone.
char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool names_equal(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (ascii_upper(*a) != ascii_upper(*b)) return false;
  }
  return *a == *b;
}

// A character a name may hold: printable ASCII, space to tilde.
bool name_char(uint32_t c) { return c >= 0x20 && c < 0x7F; }

// A name the store accepts: non-empty, of name characters, within kMaxNameChars.
bool valid_name(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  size_t n = 0;
  for (; name[n] != '\0'; ++n) {
    if (!name_char(static_cast<unsigned char>(name[n])) ||
        n >= static_cast<size_t>(kMaxNameChars)) {
      return false;
    }
  }
  return true;
}

// Narrows a 16-bit name into out. False when the name cannot name anything in
// the store (a character no stored name has, too long), so that it never
// matches: a character beyond 8 bits must not match by truncation.
bool narrow_name(const ORV_WCHAR* wide, char (&out)[kMaxNameChars + 1]) {
  if (wide == nullptr) return false;
  for (int i = 0;; ++i) {
    const ORV_WCHAR c = wide[i];
    if (c == 0) {
      out[i] = '\0';
      return true;
    }
    if (!name_char(c) || i >= kMaxNameChars) return false;
    out[i] = static_cast<char>(c);
  }
}

// Index of the printer of that name, or -1. Caller holds the lock.
int find_printer(const char* name) {
  for (int i = 0; i < g_store.printer_count; ++i) {
    if (names_equal(g_store.printers[i].name, name)) return i;
  }
  return -1;
}

StoredValue* find_value(StoredPrinter* printer, const char* name) {
  for (int i = 0; i < printer->value_count; ++i) {
    if (names_equal(printer->values[i].name, name)) return &printer->values[i];
  }
  return nullptr;
}

// Opens a handle on the printer of that name. Caller holds the lock.
ORV_HANDLE open_locked(const char* name) {
  const int printer = find_printer(name);
  if (printer < 0) return nullptr;
  for (uint32_t slot = 0; slot < kHandleSlots; ++slot) {
    HandleSlot& h = g_store.handles[slot];
    if (h.token != 0) continue;
    h.token = ++g_store.last_serial * kHandleSlots + slot;
    h.printer = printer;
    ++g_store.open_handles;
    return reinterpret_cast<ORV_HANDLE>(h.token);
  }
  return nullptr;  // every slot in use: the spooler would refuse too
}

// The slot of an open handle, or null for a handle that is unknown or closed.
HandleSlot* find_handle(ORV_HANDLE handle) {
  const uintptr_t token = reinterpret_cast<uintptr_t>(handle);
  if (token == 0) return nullptr;
  HandleSlot& h = g_store.handles[token % kHandleSlots];
  return h.token == token ? &h : nullptr;
}

void close_locked(ORV_HANDLE handle) {
  HandleSlot* h = find_handle(handle);
  if (h == nullptr) return;
  h->token = 0;
  --g_store.open_handles;
}

// Country codes (as the locale reports them) of the territories a process
// locale names most often.
struct Territory {
  char code[3];  // ISO 3166 two-letter code
  int country;   // the locale's country code
};
constexpr Territory kTerritories[] = {
    {"US", 1},   {"CA", 2},   {"RU", 7},   {"EG", 20},  {"ZA", 27},  {"GR", 30},  {"NL", 31},
    {"BE", 32},  {"FR", 33},  {"ES", 34},  {"HU", 36},  {"IT", 39},  {"RO", 40},  {"CH", 41},
    {"CZ", 42},  {"AT", 43},  {"GB", 44},  {"DK", 45},  {"SE", 46},  {"NO", 47},  {"PL", 48},
    {"DE", 49},  {"MX", 52},  {"AR", 54},  {"BR", 55},  {"CL", 56},  {"MY", 60},  {"AU", 61},
    {"ID", 62},  {"PH", 63},  {"NZ", 64},  {"SG", 65},  {"TH", 66},  {"JP", 81},  {"KR", 82},
    {"VN", 84},  {"CN", 86},  {"TR", 90},  {"IN", 91},  {"PT", 351}, {"IE", 353}, {"IS", 354},
    {"FI", 358}, {"UA", 380}, {"HK", 852}, {"TW", 886}, {"IL", 972},
};

// The country code of the process locale's territory ("de_DE.UTF-8" -> 49),
// or 1 when no variable names a known territory.
int default_country() {
  const char* locale = nullptr;
  static const char* const kVariables[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  for (const char* var : kVariables) {
    const char* v = getenv(var);
    if (v != nullptr && v[0] != '\0') {
      locale = v;
      break;
    }
  }
  if (locale == nullptr) return 1;
  const char* underscore = strchr(locale, '_');
  if (underscore == nullptr || underscore[1] == '\0' || underscore[2] == '\0') return 1;
  const char t0 = ascii_upper(underscore[1]);
  const char t1 = ascii_upper(underscore[2]);
  const char after = underscore[3];
  if (after != '\0' && after != '.' && after != '@') return 1;
  for (const Territory& t : kTerritories) {
    if (t.code[0] == t0 && t.code[1] == t1) return t.country;
  }
  return 1;
}

}  // namespace

bool platform_open_printer(const ORV_WCHAR* name, ORV_HANDLE* handle) {
  if (handle == nullptr) return false;
  *handle = nullptr;
  char narrow[kMaxNameChars + 1];
  if (!narrow_name(name, narrow)) return false;
  Lock lock;
  *handle = open_locked(narrow);
  return *handle != nullptr;
}

void platform_close_printer(ORV_HANDLE handle) {
  Lock lock;
  close_locked(handle);
}

uint32_t platform_get_printer_data(ORV_HANDLE handle, const ORV_WCHAR* value_name, uint32_t* type,
                                   void* data, uint32_t size, uint32_t* needed) {
  if (value_name == nullptr || needed == nullptr) return kErrorInvalidParameter;
  char narrow[kMaxNameChars + 1];
  const bool nameable = narrow_name(value_name, narrow);
  Lock lock;
  HandleSlot* h = find_handle(handle);
  if (h == nullptr) return kErrorInvalidHandle;
  if (!nameable) return kErrorFileNotFound;
  const StoredValue* v = find_value(&g_store.printers[h->printer], narrow);
  if (v == nullptr) return kErrorFileNotFound;
  *needed = v->size;
  if (type != nullptr) *type = v->size == 4 ? kRegDword : kRegBinary;
  if (v->size > size) return kErrorMoreData;
  if (v->size > 0) {
    if (data == nullptr) return kErrorInvalidParameter;
    memcpy(data, v->data, v->size);
  }
  return kErrorSuccess;
}

void* platform_alloc(uint32_t bytes) {
  int32_t countdown = g_fail_countdown.load(std::memory_order_relaxed);
  while (countdown > 0 && !g_fail_countdown.compare_exchange_weak(countdown, countdown - 1,
                                                                  std::memory_order_relaxed)) {
  }
  if (countdown == 1) return nullptr;  // this is the allocation chosen to fail
  void* raw = malloc(sizeof(BlockHeader) + uint64_t{bytes} + kGuardBytes);
  if (raw == nullptr) return nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(raw);
  header->magic = kBlockMagic;
  header->epoch = g_epoch.load(std::memory_order_relaxed);
  header->bytes = bytes;
  unsigned char* block = reinterpret_cast<unsigned char*>(header + 1);
  memset(block, kFillByte, bytes);
  memset(block + bytes, kGuardByte, kGuardBytes);
  g_live_blocks.fetch_add(1, std::memory_order_relaxed);
  g_total_blocks.fetch_add(1, std::memory_order_relaxed);
  return block;
}

uint64_t host_total_allocations() { return g_total_blocks.load(std::memory_order_relaxed); }

uint32_t host_block_bytes(const void* block) {
  return static_cast<uint32_t>((static_cast<const BlockHeader*>(block) - 1)->bytes);
}

void platform_free(void* block) {
  if (block == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
  // A block this heap did not hand out, or one already released: stop here
  // rather than corrupt memory, so the fault shows in the test that caused it.
  if (header->magic != kBlockMagic) abort();
  // So is a block written past its end.
  const unsigned char* guard = static_cast<const unsigned char*>(block) + header->bytes;
  for (uint32_t i = 0; i < kGuardBytes; ++i) {
    if (guard[i] != kGuardByte) abort();
  }
  header->magic = kFreedMagic;
  if (header->epoch == g_epoch.load(std::memory_order_relaxed)) {
    g_live_blocks.fetch_sub(1, std::memory_order_relaxed);
  }
  free(header);
}

void platform_local_time(LocalTime* time) {
  if (time == nullptr) return;
  {
    Lock lock;
    if (g_store.clock_fixed) {
      *time = g_store.clock;
      return;
    }
  }
  const time_t now = ::time(nullptr);
  struct tm local = {};
  localtime_r(&now, &local);
  *time = LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

uint32_t platform_country_code_text(char* buffer, uint32_t size) {
  char text[kMaxCountryChars + 1];
  {
    Lock lock;
    if (g_store.country_mode == kCountryFail) return 0;
    if (g_store.country_mode == kCountrySet) {
      memcpy(text, g_store.country, sizeof text);
    } else {
      // Formatting a small integer cannot fail or overflow this buffer.
      int n = default_country();
      char digits[12];
      int len = 0;
      do {
        digits[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
      } while (n > 0);
      for (int i = 0; i < len; ++i) text[i] = digits[len - 1 - i];
      text[len] = '\0';
    }
  }
  const uint32_t length = static_cast<uint32_t>(strlen(text)) + 1;
  if (size == 0) return length;
  if (buffer == nullptr || size < length) return 0;
  memcpy(buffer, text, length);
  return length;
}

}  // namespace orv

using orv::g_store;
using orv::Lock;

ORV_HOST_EXPORT void orv_host_reset(void) {
  {
    Lock lock;
    g_store.printer_count = 0;
    for (orv::HandleSlot& h : g_store.handles) {
      h.token = 0;
    }
    g_store.open_handles = 0;
    g_store.clock_fixed = false;
    g_store.country_mode = orv::kCountryDefault;
  }
  orv::g_fail_countdown.store(0);
  orv::g_epoch.fetch_add(1);
  orv::g_live_blocks.store(0);
}

ORV_HOST_EXPORT int orv_host_add_printer(const char* name) {
  if (!orv::valid_name(name)) return -1;
  Lock lock;
  if (orv::find_printer(name) >= 0) return 0;  // already there: keep its values
  if (g_store.printer_count >= orv::kMaxPrinters) return -1;
  orv::StoredPrinter& p = g_store.printers[g_store.printer_count];
  strcpy(p.name, name);
  p.value_count = 0;
  ++g_store.printer_count;
  return 0;
}

ORV_HOST_EXPORT int orv_host_set_printer_data(const char* printer, const char* value_name,
                                              const void* data, uint32_t size) {
  if (!orv::valid_name(printer) || !orv::valid_name(value_name)) return -1;
  if (size > orv::kMaxValueBytes || (size > 0 && data == nullptr)) return -1;
  Lock lock;
  const int index = orv::find_printer(printer);
  if (index < 0) return -1;
  orv::StoredPrinter& p = g_store.printers[index];
  orv::StoredValue* v = orv::find_value(&p, value_name);
  if (v == nullptr) {
    if (p.value_count >= orv::kMaxValues) return -1;
    v = &p.values[p.value_count++];
    strcpy(v->name, value_name);
  }
  v->size = size;
  if (size > 0) memcpy(v->data, data, size);
  return 0;
}

ORV_HOST_EXPORT void* orv_host_open_printer(const char* name) {
  if (name == nullptr) return nullptr;
  Lock lock;
  return orv::open_locked(name);
}

ORV_HOST_EXPORT void orv_host_close_printer(void* handle) {
  Lock lock;
  orv::close_locked(handle);
}

ORV_HOST_EXPORT void orv_host_set_clock(int year, int month, int day, int hour, int minute,
                                        int second) {
  Lock lock;
  g_store.clock = orv::LocalTime{year, month, day, hour, minute, second};
  g_store.clock_fixed = true;
}

ORV_HOST_EXPORT void orv_host_use_system_clock(void) {
  Lock lock;
  g_store.clock_fixed = false;
}

ORV_HOST_EXPORT void orv_host_set_country(const char* text) {
  Lock lock;
  if (text == nullptr) {
    g_store.country_mode = orv::kCountryFail;
    return;
  }
  // Longer texts are cut: no locale answers with more than a few digits.
  strncpy(g_store.country, text, orv::kMaxCountryChars);
  g_store.country[orv::kMaxCountryChars] = '\0';
  g_store.country_mode = orv::kCountrySet;
}

ORV_HOST_EXPORT void orv_host_fail_allocation(int32_t n) {
  orv::g_fail_countdown.store(n > 0 ? n : 0);
}

ORV_HOST_EXPORT uint32_t orv_host_live_allocations(void) { return orv::g_live_blocks.load(); }

ORV_HOST_EXPORT uint32_t orv_host_open_printers(void) {
  Lock lock;
  return g_store.open_handles;
}
