// The library against the real Windows services: a printer of the local
// spooler that each run creates for itself, the local clock and the user's
// locale. Nothing is faked; the spooler's open and close calls are only
// counted, by redirecting the import slots of this program and of orvdb.dll.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "computed/compute.h"
#include "engine/switches.h"
#include "exports/exports.h"
#include "support/image_builder.h"
#include "support/local_time_win32.h"
#include "support/test_printer.h"

namespace orv {
namespace {

using testing::ImageBuilder;
using testing::MinuteOfDay;
using testing::Stamp;

constexpr uint16_t kSilentTag = 154;
const wchar_t kSilentValue[] = L"ZelUI_SilentModeTime";
const wchar_t kSwitchValue[] = L"ZelUI_Window";
const char kSwitchName[] = "ZelUI_Window";
const char kSilentName[] = "ZelUI_SilentModeTime";

// --- Counting the spooler's open and close calls -------------------------

struct SpoolerCalls {
  std::set<HANDLE> opened;     // handles OpenPrinterW gave
  std::vector<HANDLE> closed;  // handles passed to ClosePrinter, in order
};
SpoolerCalls g_calls;
decltype(&OpenPrinterW) g_open_printer = nullptr;
decltype(&ClosePrinter) g_close_printer = nullptr;

BOOL WINAPI CountingOpenPrinter(LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW defaults) {
  BOOL ok = g_open_printer(name, handle, defaults);
  if (ok && handle != nullptr) g_calls.opened.insert(*handle);
  return ok;
}

BOOL WINAPI CountingClosePrinter(HANDLE handle) {
  g_calls.closed.push_back(handle);
  return g_close_printer(handle);
}

// Points `module`'s import slot of dll!function at `replacement`; the
// previous target goes to *original. False when the module does not import it.
bool RedirectImport(HMODULE module, const char* dll, const char* function, void* replacement,
                    void** original) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return false;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name != 0; ++imp) {
    if (_stricmp(reinterpret_cast<char*>(base + imp->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(by_name->Name), function) != 0) continue;
      DWORD protection = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                          &protection)) {
        return false;
      }
      *original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return true;
    }
  }
  return false;
}

// Counts the spooler calls made from `module` (this program or orvdb.dll).
bool CountSpoolerCalls(HMODULE module) {
  void* open = nullptr;
  void* close = nullptr;
  if (!RedirectImport(module, "winspool.drv", "OpenPrinterW",
                      reinterpret_cast<void*>(&CountingOpenPrinter), &open) ||
      !RedirectImport(module, "winspool.drv", "ClosePrinter",
                      reinterpret_cast<void*>(&CountingClosePrinter), &close)) {
    return false;
  }
  // Every module's slot held the spooler's own function; keep the first seen.
  if (g_open_printer == nullptr) g_open_printer = reinterpret_cast<decltype(g_open_printer)>(open);
  if (g_close_printer == nullptr) {
    g_close_printer = reinterpret_cast<decltype(g_close_printer)>(close);
  }
  return true;
}

// --- The test printer ------------------------------------------------------

testing::TestPrinter g_printer;

class Win32PlatformTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(CountSpoolerCalls(GetModuleHandleW(nullptr)));
    ASSERT_TRUE(g_printer.Create());
  }
  static void TearDownTestSuite() { g_printer.Delete(); }
  void SetUp() override {
    if (g_printer.handle() == nullptr) GTEST_SKIP() << "no test printer";
    g_calls = {};
  }
};

// Id 8 names kSwitchValue for tag 1, a value no test stores for tag 2, and
// the silent-mode window for tag 154: kSilentValue, or with `silent_unset`
// a value no test stores (the spooler of this Wine cannot delete values).
void AddValueNames(ImageBuilder& b, bool silent_unset = false) {
  uint32_t names = b.reserve(4);
  uint32_t window = b.string_leaf(8, "ZelUI_Window");
  uint32_t unset = b.string_leaf(8, "ZelUI_NeverStored");
  uint32_t silent = b.string_leaf(8, silent_unset ? "ZelUI_NeverStored" : "ZelUI_SilentModeTime");
  b.set(names, ITEM_SWITCH_SELECTOR, names + 1, 0, 3);
  b.set_raw(names + 1, ITEM_CASE, window, 1);
  b.set_raw(names + 2, ITEM_CASE, unset, 2);
  b.set_raw(names + 3, ITEM_CASE, silent, kSilentTag);
  b.root(8, names);
}

// Id 1: printer-data switch on `tag`: CASE 5 -> 50, then (optionally) DEFAULT -> 60.
ImageBuilder PrinterDataImage(bool with_default, uint16_t tag = 1) {
  ImageBuilder b;
  AddValueNames(b);
  uint32_t sw = b.reserve(3);
  uint32_t fifty = b.int8_leaf(1, {50});
  uint32_t sixty = b.int8_leaf(1, {60});
  b.set(sw, ITEM_SWITCH_PRINTER_DATA, sw + 1, tag, with_default ? 2 : 1);
  b.set_raw(sw + 1, ITEM_CASE, fifty, 5);
  b.set_raw(sw + 2, ITEM_DEFAULT, sixty, 0);
  b.root(1, sw);
  return b;
}

// Root id 1 of `b` for the context: the result, and the number in *value.
int32_t QueryNumber(const ImageBuilder& b, const ORV_QUERY_CONTEXT& ctx, int32_t* value) {
  uint32_t needed = 0;
  return access_database(b.image(), Domain::kRoot, 1, &ctx, sizeof *value, value, &needed);
}

TEST_F(Win32PlatformTest, SpoolerReportsLongValuesAsMoreData) {
  const uint8_t eight[8] = {5};
  ASSERT_TRUE(g_printer.SetBytes(kSwitchName, eight, sizeof eight));
  DWORD type = 0, value = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(g_printer.handle(), const_cast<LPWSTR>(kSwitchValue), &type,
                            reinterpret_cast<LPBYTE>(&value), 4, &needed),
            static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 8u);
}

TEST_F(Win32PlatformTest, PrinterNamedInTheContextIsOpenedAndClosedWithinTheCall) {
  ImageBuilder b = PrinterDataImage(true);
  ASSERT_TRUE(g_printer.SetDword(kSwitchName, 5));
  ORV_QUERY_CONTEXT ctx = {};
  ctx.pPrinterName = reinterpret_cast<const ORV_WCHAR*>(g_printer.name());
  int32_t value = 0;
  ASSERT_EQ(QueryNumber(b, ctx, &value), DB_OK);
  EXPECT_EQ(value, 50);  // the printer's value was read, so it was open
  ASSERT_EQ(g_calls.opened.size(), 1u);
  ASSERT_EQ(g_calls.closed.size(), 1u);
  EXPECT_EQ(g_calls.closed[0], *g_calls.opened.begin());

  // A name the spooler does not know: no handle, so the switch cannot read.
  g_calls = {};
  ctx.pPrinterName = reinterpret_cast<const ORV_WCHAR*>(L"orvdb no such printer");
  EXPECT_EQ(QueryNumber(b, ctx, &value), DB_NO_CONTEXT);
  EXPECT_TRUE(g_calls.opened.empty());
  EXPECT_TRUE(g_calls.closed.empty());
}

TEST_F(Win32PlatformTest, CallersHandleIsUsedAndNeverClosed) {
  ImageBuilder b = PrinterDataImage(true);
  ASSERT_TRUE(g_printer.SetDword(kSwitchName, 5));
  HANDLE mine = nullptr;
  ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(g_printer.name()), &mine, nullptr));
  g_calls = {};
  ORV_QUERY_CONTEXT ctx = {};
  ctx.hPrinter = mine;
  // A name beside a handle is not opened: the handle is the printer.
  ctx.pPrinterName = reinterpret_cast<const ORV_WCHAR*>(L"orvdb no such printer");
  int32_t value = 0;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(QueryNumber(b, ctx, &value), DB_OK);
    EXPECT_EQ(value, 50);
  }
  EXPECT_TRUE(g_calls.opened.empty());
  EXPECT_TRUE(g_calls.closed.empty());
  // Still open: the spooler answers through it.
  DWORD type = 0, data = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(mine, const_cast<LPWSTR>(kSwitchValue), &type,
                            reinterpret_cast<LPBYTE>(&data), 4, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(data, 5u);
  ClosePrinter(mine);
}

TEST_F(Win32PlatformTest, PrinterDataSwitchReadsTheRealValue) {
  struct Row {
    const char* what;
    bool with_default;
    int kind;  // 0 absent, 1 a 4-byte DWORD, 2 one byte, 3 eight bytes
    uint8_t first_byte;
    int32_t result;
    int32_t answer;
  } rows[] = {
      {"dword 5", true, 1, 5, DB_OK, 50},
      {"dword 6", true, 1, 6, DB_OK, 60},
      {"one byte 5", true, 2, 5, DB_OK, 50},
      {"absent, default", true, 0, 0, DB_OK, 60},
      {"absent, no default", false, 0, 0, DB_NOT_FOUND, 0},
      {"eight bytes, default", true, 3, 5, DB_OK, 60},
      {"eight bytes, no default", false, 3, 5, DB_NOT_FOUND, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ImageBuilder b = PrinterDataImage(row.with_default, row.kind == 0 ? 2 : 1);
    const uint8_t bytes[8] = {row.first_byte};
    if (row.kind == 1) {
      ASSERT_TRUE(g_printer.SetDword(kSwitchName, row.first_byte));
    } else if (row.kind == 2) {
      ASSERT_TRUE(g_printer.SetBytes(kSwitchName, bytes, 1));
    } else if (row.kind == 3) {
      ASSERT_TRUE(g_printer.SetBytes(kSwitchName, bytes, 8));
    }
    ORV_QUERY_CONTEXT ctx = {};
    ctx.hPrinter = g_printer.handle();
    int32_t value = 0;
    ASSERT_EQ(QueryNumber(b, ctx, &value), row.result);
    if (row.result == DB_OK) {
      EXPECT_EQ(value, row.answer);
    }
  }
}

// --- Clock -----------------------------------------------------------------

// The silent blocks, byte for byte.
std::vector<uint8_t> SilentBlock(bool on) {
  std::string text = std::string("\x1b[K\x02\x00\x00\x1f", 7) + "QXLSTART\nControlMode=Common\n" +
                     (on ? "SetSilent=ON\n\n" : "SetSilent=OFF\n") + "QXLEND\n";
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The silent-mode block for the test printer with window [start, end],
// asked while the minute of day is `*now`; retried when the minute turns.
std::vector<uint8_t> SilentBlockFor(int start_offset, int end_offset) {
  ImageBuilder b;
  AddValueNames(b);
  for (int attempt = 0; attempt < 3; ++attempt) {
    SYSTEMTIME before = {}, after = {};
    GetLocalTime(&before);
    const int now = MinuteOfDay(before);
    const DWORD start = static_cast<DWORD>((now + start_offset + 1440) % 1440);
    const DWORD end = static_cast<DWORD>((now + end_offset + 1440) % 1440);
    EXPECT_TRUE(g_printer.SetDword(kSilentName, start | (end << 16)));
    ORV_QUERY_CONTEXT ctx = {};
    ctx.hPrinter = g_printer.handle();
    std::vector<uint8_t> block(56, 0xEE);
    uint32_t needed = 0;
    const int32_t result = compute(b.image(), kSilentModeBlock, &ctx,
                                   static_cast<uint32_t>(block.size()), block.data(), &needed);
    GetLocalTime(&after);
    if (MinuteOfDay(after) != now) continue;
    EXPECT_EQ(result, DB_OK);
    EXPECT_EQ(needed, 56u);
    return block;
  }
  ADD_FAILURE() << "the minute kept turning";
  return {};
}

TEST_F(Win32PlatformTest, SilentModeFollowsTheWindowAroundTheLocalTime) {
  EXPECT_EQ(SilentBlockFor(-1, 1), SilentBlock(true));     // now inside
  EXPECT_EQ(SilentBlockFor(0, 0), SilentBlock(false));     // empty window
  EXPECT_EQ(SilentBlockFor(0, 5), SilentBlock(true));      // starts now
  EXPECT_EQ(SilentBlockFor(-5, 0), SilentBlock(true));     // ends now
  EXPECT_EQ(SilentBlockFor(1, 30), SilentBlock(false));    // starts later
  EXPECT_EQ(SilentBlockFor(-30, -1), SilentBlock(false));  // ended before
  // Windows that run through midnight, as seen from now.
  EXPECT_EQ(SilentBlockFor(1, -1), SilentBlock(false));  // everything but now
  EXPECT_EQ(SilentBlockFor(2, 1), SilentBlock(true));    // everything but the next minute
}

TEST_F(Win32PlatformTest, SilentModeIsOffWithoutTheValue) {
  ImageBuilder b;
  AddValueNames(b, true);
  ORV_QUERY_CONTEXT ctx = {};
  ctx.hPrinter = g_printer.handle();
  std::vector<uint8_t> block(56, 0xEE);
  uint32_t needed = 0;
  ASSERT_EQ(compute(b.image(), kSilentModeBlock, &ctx, 56, block.data(), &needed), DB_OK);
  EXPECT_EQ(block, SilentBlock(false));
}

TEST_F(Win32PlatformTest, SetTimeBlockCarriesTheLocalTime) {
  ImageBuilder b;
  ORV_QUERY_CONTEXT ctx = {};
  std::vector<uint8_t> block(65, 0xEE);
  uint32_t needed = 0;
  SYSTEMTIME before = {}, after = {};
  GetLocalTime(&before);
  ASSERT_EQ(compute(b.image(), kSetTimeBlock, &ctx, 65, block.data(), &needed), DB_OK);
  GetLocalTime(&after);
  EXPECT_EQ(needed, 65u);
  const std::string text(block.begin(), block.end());
  EXPECT_EQ(text.substr(0, 43),
            std::string("\x1b[K\x02\x00\x00\x1f", 7) + "QXLSTART\nControlMode=Common\nSetTime=");
  EXPECT_EQ(text.substr(57), "\nQXLEND\n");
  // Fourteen digits, no earlier than before the call and no later than after
  // it (equal-width digit strings order as the times do).
  const std::string stamp = text.substr(43, 14);
  EXPECT_GE(stamp, Stamp(before));
  EXPECT_LE(stamp, Stamp(after));
}

// --- Locale ----------------------------------------------------------------

TEST_F(Win32PlatformTest, LocaleSwitchUsesTheUsersCountryCode) {
  char text[16] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, sizeof text), 0);
  const int country = std::atoi(text);
  int32_t code = -12345;
  ASSERT_EQ(read_country_code(kLocaleTag, &code), 0);
  EXPECT_EQ(code, country);

  // Id 1: locale switch: CASE country + 1 -> 10, CASE country -> 20.
  ImageBuilder b;
  uint32_t sw = b.add(ITEM_SWITCH_LOCALE, 1, kLocaleTag, 2);
  b.add_raw(ITEM_CASE, 3, static_cast<uint32_t>(country + 1));
  b.add_raw(ITEM_CASE, 4, static_cast<uint32_t>(country));
  b.int8_leaf(1, {10});
  b.int8_leaf(1, {20});
  b.root(1, sw);
  ORV_QUERY_CONTEXT ctx = {};
  int32_t value = 0;
  ASSERT_EQ(QueryNumber(b, ctx, &value), DB_OK);
  EXPECT_EQ(value, 20);
}

// --- The DLL itself --------------------------------------------------------

using AccessFunction = int32_t(ORV_API*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*,
                                         uint32_t*);

TEST_F(Win32PlatformTest, DllExportsTheAccessFunctionsAndOpensNamedPrinters) {
  HMODULE dll = LoadLibraryA(ORVDB_DLL_PATH);
  ASSERT_NE(dll, nullptr) << ORVDB_DLL_PATH << ": " << GetLastError();
  ASSERT_TRUE(CountSpoolerCalls(dll));
  for (const char* name :
       {"ORV_AccessRootDataBase", "ORV_AccessDrvDataBase", "ORV_AccessLMDataBase",
        "ORV_AccessMntDataBase", "ORV_AccessPADataBase", "ORV_AccessSMDataBase"}) {
    EXPECT_NE(GetProcAddress(dll, name), nullptr) << name;
  }
  // Through void*: the loader's generic function type is not the real one.
  auto root = reinterpret_cast<AccessFunction>(
      reinterpret_cast<void*>(GetProcAddress(dll, "ORV_AccessRootDataBase")));
  ASSERT_NE(root, nullptr);

  // The version text, then the silent-mode value name asked with a printer
  // named but not open: opened and closed within the call.
  ORV_QUERY_CONTEXT ctx = {};
  wchar_t text[32] = {};
  uint32_t needed = 0;
  ASSERT_EQ(root(0x0002, &ctx, sizeof text, text, &needed), DB_OK);
  EXPECT_EQ(needed, 10u);
  EXPECT_STREQ(text, L"1.50");

  const uint32_t selectors[] = {kSilentTag};
  ctx.cSelectors = 1;
  ctx.pSelectors = selectors;
  ctx.pPrinterName = reinterpret_cast<const ORV_WCHAR*>(g_printer.name());
  g_calls = {};
  ASSERT_EQ(root(0x0008, &ctx, sizeof text, text, &needed), DB_OK);
  EXPECT_STREQ(text, kSilentValue);
  EXPECT_EQ(needed, sizeof kSilentValue);
  ASSERT_EQ(g_calls.opened.size(), 1u);
  ASSERT_EQ(g_calls.closed.size(), 1u);
  EXPECT_EQ(g_calls.closed[0], *g_calls.opened.begin());
  FreeLibrary(dll);
}

}  // namespace
}  // namespace orv
