// The QXR-2200's library end to end, through its exports only: this program
// links that library and nothing else of the project. Expected values are the
// description's stated rules worked out by hand. The printer-data switch, the
// locale switch and the time-stamped blocks run against the platform the
// library is built for: the stand-in platform with a set clock and country
// code, or under Windows the spooler, the user's locale and the real clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvdb/orvdb.h"
#include "support/fetch.h"
#include "support/test_printer.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#else
#include "orvdb/host_platform.h"
#endif

namespace {

using AccessFn = int32_t(ORV_API*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*, uint32_t*);
using Numbers = std::vector<int32_t>;

// The answer of one query: the result, the needed size and what was written.
struct Answer {
  int32_t rc = 0;            // result of the call that answered
  uint32_t needed = 0;       // the needed size the sizing call reported
  std::vector<uint8_t> raw;  // the value (empty unless rc is DB_OK)

  Numbers numbers() const {
    Numbers out(raw.size() / 4);
    if (!out.empty()) std::memcpy(out.data(), raw.data(), out.size() * 4);
    return out;
  }
  // 16-bit text narrowed, without its NUL.
  std::string text() const {
    std::string out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) out += static_cast<char>(raw[i]);
    if (!out.empty() && out.back() == '\0') out.pop_back();
    return out;
  }
  std::string bytes() const { return std::string(raw.begin(), raw.end()); }
};

// A query context: `count` selectors, those in `set` given, match strings,
// and a printer by handle or name.
struct Context {
  std::vector<uint32_t> selectors;          // the selectors
  std::vector<const char*> strings;         // the match strings
  ORV_HANDLE printer = nullptr;             // hPrinter
  const ORV_WCHAR* printer_name = nullptr;  // pPrinterName

  Context(size_t count, std::vector<std::pair<size_t, uint32_t>> set,
          std::vector<const char*> match = {})
      : selectors(count, 0), strings(std::move(match)) {
    for (const auto& [index, value] : set) selectors[index] = value;
  }
  ORV_QUERY_CONTEXT get() const {
    ORV_QUERY_CONTEXT ctx{};
    ctx.hPrinter = printer;
    ctx.cSelectors = static_cast<uint32_t>(selectors.size());
    ctx.pSelectors = selectors.empty() ? nullptr : selectors.data();
    ctx.cStrings = static_cast<uint32_t>(strings.size());
    ctx.ppStrings = strings.empty() ? nullptr : strings.data();
    ctx.pPrinterName = printer_name;
    return ctx;
  }
};

// Asks as a caller does: the size first, then the value in a buffer of that size.
Answer Ask(AccessFn fn, uint16_t id, const Context& context) {
  const ORV_QUERY_CONTEXT ctx = context.get();
  // The list ids leave the needed-size word alone on DB_OK: the answer is
  // the size the first call reported.
  orv::testing::Answer asked = orv::testing::ask_sized(fn, id, &ctx);
  Answer a;
  a.rc = asked.result;
  a.needed = asked.needed;
  if (a.rc == DB_OK) a.raw = std::move(asked.bytes);
  return a;
}

// The control-language blocks as the description's rules give them.
const std::string kBlockOpening = std::string("\x1b[K\x02\x00\x00\x1f", 7) + "QXLSTART\n";
std::string SetTimeBlock(const std::string& stamp) {
  return kBlockOpening + "ControlMode=Common\nSetTime=" + stamp + "\nQXLEND\n";
}
std::string SilentBlock(bool on) {
  return kBlockOpening + "ControlMode=Common\n" + (on ? "SetSilent=ON\n\n" : "SetSilent=OFF\n") +
         "QXLEND\n";
}

// The value names this model's id 8 gives (the first model's name is another).
const char kTrayName[] = "ZelUI_TrayMode";
const char kQuietName[] = "ZelUI_QuietTime";
const char kOtherModelsSilentName[] = "ZelUI_SilentModeTime";

// The paper code LM 0x2002 answers for a country code.
int32_t PaperForCountry(int country) {
  if (country == 1) return 1;
  if (country >= 30 && country <= 49) return 9;
  return 0;
}

orv::testing::TestPrinter g_printer;

// Whether Root 0x0002 answers this model's version text: a program that
// reached another model's library would fail every test.
bool IsThisModelsLibrary() {
  Answer a = Ask(ORV_AccessRootDataBase, 0x0002, Context(0, {}));
  return a.rc == DB_OK && a.text() == "2.10";
}

class Qxr2200 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(IsThisModelsLibrary());
    ASSERT_TRUE(g_printer.Create());
  }
  static void TearDownTestSuite() { g_printer.Delete(); }
};

// First of all: this is the second model's library, not the first's.
TEST_F(Qxr2200, AVersionTextOfItsOwn) {
  Answer a = Ask(ORV_AccessRootDataBase, 0x0002, Context(0, {}));
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.needed, 10u);
  EXPECT_EQ(a.text(), "2.10");
}

TEST_F(Qxr2200, StoredAnswers) {
  struct Row {
    const char* what;
    AccessFn fn;
    uint16_t id;
    Context context;
    int32_t rc;
    Numbers numbers;    // numeric answers
    std::string value;  // text and byte answers
  };
  const Row rows[] = {
      {"small number", ORV_AccessRootDataBase, 0x0004, Context(0, {}), DB_OK, {2}, ""},
      {"value name, tag 1",
       ORV_AccessRootDataBase,
       0x0008,
       Context(1, {{0, 1}}),
       DB_OK,
       {},
       kTrayName},
      {"value name, tag 154",
       ORV_AccessRootDataBase,
       0x0008,
       Context(1, {{0, 154}}),
       DB_OK,
       {},
       kQuietName},
      {"value name, no tag 2",
       ORV_AccessRootDataBase,
       0x0008,
       Context(1, {{0, 2}}),
       DB_NOT_FOUND,
       {},
       ""},
      {"not in the root index",
       ORV_AccessRootDataBase,
       0x0001,
       Context(0, {}),
       DB_NO_ENTRY,
       {},
       ""},
      {"A4", ORV_AccessDrvDataBase, 0x1003, Context(29, {{28, 9}}), DB_OK, {21000, 29700}, ""},
      {"A3, unsigned",
       ORV_AccessDrvDataBase,
       0x1003,
       Context(29, {{28, 8}}),
       DB_OK,
       {29700, 42000},
       ""},
      {"paper code without a branch",
       ORV_AccessDrvDataBase,
       0x1003,
       Context(29, {{28, 11}}),
       DB_NOT_FOUND,
       {},
       ""},
      // Width less 680 at 340 from the side, length less 1000 at 300 from the top.
      {"user-defined size's printable area",
       ORV_AccessDrvDataBase,
       0x1004,
       Context(31, {{28, 256}, {29, 21000}, {30, 29700}}),
       DB_OK,
       {340, 20320, 300, 28700},
       ""},
      {"printable area of A4 is not computed",
       ORV_AccessDrvDataBase,
       0x1004,
       Context(31, {{28, 9}}),
       DB_NOT_FOUND,
       {},
       ""},
      {"model name", ORV_AccessLMDataBase, 0x2001, Context(0, {}, {"QXR-2200"}), DB_OK, {1}, ""},
      {"another model's name",
       ORV_AccessLMDataBase,
       0x2001,
       Context(0, {}, {"QXR-9999"}),
       DB_OK,
       {0},
       ""},
      {"no model name", ORV_AccessLMDataBase, 0x2001, Context(0, {}, {nullptr}), DB_OK, {0}, ""},
      {"32-bit numbers", ORV_AccessLMDataBase, 0x2003, Context(0, {}), DB_OK, {100000, -7}, ""},
      {"unsigned byte", ORV_AccessLMDataBase, 0x2004, Context(0, {}), DB_OK, {200}, ""},
      {"command fragment", ORV_AccessMntDataBase, 0x3003, Context(0, {}), DB_OK, {}, "@Cleaning=1"},
      {"mask: 0x11", ORV_AccessPADataBase, 0x4001, Context(1, {{0, 0x11}}), DB_OK, {1}, ""},
      {"mask: 0x311, high bits masked",
       ORV_AccessPADataBase,
       0x4001,
       Context(1, {{0, 0x311}}),
       DB_OK,
       {1},
       ""},
      {"mask: range low end",
       ORV_AccessPADataBase,
       0x4001,
       Context(1, {{0, 0x20}}),
       DB_OK,
       {2},
       ""},
      {"mask: range high end",
       ORV_AccessPADataBase,
       0x4001,
       Context(1, {{0, 0x1F2F}}),
       DB_OK,
       {2},
       ""},
      {"mask: above the range",
       ORV_AccessPADataBase,
       0x4001,
       Context(1, {{0, 0x30}}),
       DB_OK,
       {0},
       ""},
      {"mask: no selector", ORV_AccessPADataBase, 0x4001, Context(0, {}), DB_NO_SELECTOR, {}, ""},
      {"sequence: first child",
       ORV_AccessSMDataBase,
       0x6001,
       Context(1, {{0, 1}}),
       DB_OK,
       {10},
       ""},
      {"sequence: second child",
       ORV_AccessSMDataBase,
       0x6001,
       Context(1, {{0, 2}}),
       DB_OK,
       {20},
       ""},
      {"sequence: no selector",
       ORV_AccessSMDataBase,
       0x6001,
       Context(0, {}),
       DB_NO_SELECTOR,
       {},
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Answer a = Ask(row.fn, row.id, row.context);
    ASSERT_EQ(a.rc, row.rc);
    if (row.rc != DB_OK) continue;
    if (!row.numbers.empty()) {
      EXPECT_EQ(a.numbers(), row.numbers);
    } else if (row.fn == ORV_AccessMntDataBase) {
      EXPECT_EQ(a.bytes(), row.value);
    } else {
      EXPECT_EQ(a.text(), row.value);
    }
  }
}

// The Drv code on the model's own small tables.
TEST_F(Qxr2200, DrvListSequenceAndModeRecordFromItsTables) {
  // Every value of selector 7 with its identifier; marker pair (7, 2) marks 7.
  Answer list = Ask(ORV_AccessDrvDataBase, 0x1013, Context(0, {}));
  ASSERT_EQ(list.rc, DB_OK);
  ASSERT_EQ(list.raw.size(), 2 * sizeof(ORV_VALUE_RECORD));
  ORV_VALUE_RECORD records[2];
  std::memcpy(records, list.raw.data(), sizeof records);
  const uint32_t expected[2][3] = {{4, 22001, 0}, {7, 22002, 2}};  // value, attr1, mark
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(static_cast<uint32_t>(records[k].value), expected[k][0]) << k;
    EXPECT_EQ(records[k].attr1, expected[k][1]) << k;
    EXPECT_EQ(records[k].mark, expected[k][2]) << k;
  }

  // The reset, then the ink command only for selector 7 = 4.
  const std::pair<uint32_t, std::string> sequences[] = {
      {4, std::string("\x1b\x40\x1b\x28\x6c\x01\x00\x11", 8)},
      {7, std::string("\x1b\x40", 2)},
  };
  for (const auto& [selector7, bytes] : sequences) {
    Answer a = Ask(ORV_AccessDrvDataBase, 0x1019, Context(8, {{7, selector7}}));
    ASSERT_EQ(a.rc, DB_OK) << selector7;
    EXPECT_EQ(a.bytes(), bytes) << selector7;
  }

  // The one mode row: each part's record starts with its letter; the last 20
  // bytes keep the caller's.
  Context row(82, {{4, 1}, {9, 0}, {5, 1}, {8, 1}, {6, 1}, {81, 0}});
  const ORV_QUERY_CONTEXT ctx = row.get();
  ORV_MODE_RECORD record;
  std::memset(&record, 0xEE, sizeof record);
  uint32_t needed = 0;
  ASSERT_EQ(ORV_AccessDrvDataBase(0x101E, &ctx, sizeof record, &record, &needed), DB_OK);
  EXPECT_EQ(record.partA[0], 'A');
  EXPECT_EQ(record.partB[0], 'B');
  EXPECT_EQ(record.partC[0], 'C');
  EXPECT_EQ(record.partD[0], 'D');
  EXPECT_EQ(record.partA[1], 0);
  EXPECT_EQ(record.unwritten[0], 0xEE);
  EXPECT_EQ(record.unwritten[19], 0xEE);
  Context other(82, {{4, 1}, {9, 0}, {5, 1}, {8, 2}, {6, 1}, {81, 0}});
  EXPECT_EQ(Ask(ORV_AccessDrvDataBase, 0x101E, other).rc, DB_NOT_FOUND);
}

// PA 0x4002 reads the printer's value named by id 8 for tag 1.
TEST_F(Qxr2200, PrinterDataSwitchReadsThePrintersValue) {
  Context by_name(0, {});
  by_name.printer_name = g_printer.name();
  Context by_handle(0, {});
  by_handle.printer = g_printer.handle();

  EXPECT_EQ(Ask(ORV_AccessPADataBase, 0x4002, Context(0, {})).rc, DB_NO_CONTEXT);
  // Not stored yet: the default case decides.
  Answer absent = Ask(ORV_AccessPADataBase, 0x4002, by_name);
  ASSERT_EQ(absent.rc, DB_OK);
  EXPECT_EQ(absent.numbers(), Numbers{0});

  const std::pair<uint32_t, int32_t> rows[] = {{1, 250}, {2, 500}, {4, 500}, {5, 0}, {0, 0}};
  for (const auto& [stored, answer] : rows) {
    SCOPED_TRACE(stored);
    ASSERT_TRUE(g_printer.SetDword(kTrayName, stored));
    for (const Context* c : {&by_name, &by_handle}) {
      Answer a = Ask(ORV_AccessPADataBase, 0x4002, *c);
      ASSERT_EQ(a.rc, DB_OK);
      EXPECT_EQ(a.numbers(), Numbers{answer});
    }
  }
}

#ifndef _WIN32

TEST_F(Qxr2200, LocaleSwitchFollowsTheCountryCode) {
  const char* const countries[] = {"1", "30", "44", "49", "29", "50", "81", "0"};
  for (const char* country : countries) {
    SCOPED_TRACE(country);
    orv_host_set_country(country);
    Answer a = Ask(ORV_AccessLMDataBase, 0x2002, Context(0, {}));
    ASSERT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.numbers(), Numbers{PaperForCountry(std::atoi(country))});
  }
  orv_host_set_country(nullptr);  // the locale call fails
  EXPECT_EQ(Ask(ORV_AccessLMDataBase, 0x2002, Context(0, {})).rc, DB_ERROR);
}

TEST_F(Qxr2200, SetTimeBlockCarriesTheClock) {
  orv_host_set_clock(2026, 12, 6, 18, 44, 29);
  Answer a = Ask(ORV_AccessMntDataBase, 0x3001, Context(0, {}));
  orv_host_use_system_clock();
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.needed, 65u);
  EXPECT_EQ(a.bytes(), SetTimeBlock("20261206184429"));
}

TEST_F(Qxr2200, SilentModeFollowsTheWindowInThisModelsValue) {
  Context ctx(0, {});
  ctx.printer_name = g_printer.name();
  auto block_at = [&](int hour, int minute) {
    orv_host_set_clock(2026, 12, 6, hour, minute, 0);
    Answer a = Ask(ORV_AccessMntDataBase, 0x3002, ctx);
    EXPECT_EQ(a.rc, DB_OK);
    EXPECT_EQ(a.needed, 56u);
    return a.bytes();
  };
  // The first model's value name is not this model's: the window is not read.
  ASSERT_TRUE(g_printer.SetDword(kOtherModelsSilentName, 0x03FC01E0));
  EXPECT_EQ(block_at(12, 0), SilentBlock(false));

  struct Row {
    uint32_t window;  // end minute << 16 | start minute
    int hour, minute;
    bool on;
  };
  const Row rows[] = {
      {0x03FC01E0, 8, 0, true},   {0x03FC01E0, 17, 0, true}, {0x03FC01E0, 7, 59, false},
      {0x03FC01E0, 17, 1, false}, {0x01680564, 23, 0, true}, {0x01680564, 0, 0, true},
      {0x01680564, 6, 0, true},   {0x01680564, 6, 1, false}, {0x01680564, 22, 59, false},
      {0x01E001E0, 8, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << row.window << std::dec << " at " << row.hour << ":" << row.minute);
    ASSERT_TRUE(g_printer.SetDword(kQuietName, row.window));
    EXPECT_EQ(block_at(row.hour, row.minute), SilentBlock(row.on));
  }
  orv_host_use_system_clock();
}

#else  // Windows: the user's locale, the real clock

TEST_F(Qxr2200, LocaleSwitchFollowsTheUsersCountryCode) {
  char text[16] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, sizeof text), 0);
  Answer a = Ask(ORV_AccessLMDataBase, 0x2002, Context(0, {}));
  ASSERT_EQ(a.rc, DB_OK);
  EXPECT_EQ(a.numbers(), Numbers{PaperForCountry(std::atoi(text))});
}

std::string Stamp(const SYSTEMTIME& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

TEST_F(Qxr2200, SetTimeBlockCarriesTheLocalTime) {
  SYSTEMTIME before = {}, after = {};
  GetLocalTime(&before);
  Answer a = Ask(ORV_AccessMntDataBase, 0x3001, Context(0, {}));
  GetLocalTime(&after);
  ASSERT_EQ(a.rc, DB_OK);
  ASSERT_EQ(a.needed, 65u);
  // Fourteen digits between the times before and after the call (digit
  // strings of equal width order as the times do).
  const std::string stamp = a.bytes().substr(43, 14);
  EXPECT_EQ(a.bytes(), SetTimeBlock(stamp));
  EXPECT_GE(stamp, Stamp(before));
  EXPECT_LE(stamp, Stamp(after));
}

int MinuteOfDay(const SYSTEMTIME& t) { return t.wHour * 60 + t.wMinute; }

// The silent-mode block with this model's window set to [now + start_offset,
// now + end_offset] in minutes; asked again when the minute turns meanwhile.
std::string SilentBlockFor(int start_offset, int end_offset) {
  Context ctx(0, {});
  ctx.printer_name = g_printer.name();
  for (int attempt = 0; attempt < 3; ++attempt) {
    SYSTEMTIME before = {}, after = {};
    GetLocalTime(&before);
    const int now = MinuteOfDay(before);
    const uint32_t start = static_cast<uint32_t>((now + start_offset + 1440) % 1440);
    const uint32_t end = static_cast<uint32_t>((now + end_offset + 1440) % 1440);
    EXPECT_TRUE(g_printer.SetDword(kQuietName, start | (end << 16)));
    Answer a = Ask(ORV_AccessMntDataBase, 0x3002, ctx);
    GetLocalTime(&after);
    if (MinuteOfDay(after) != now) continue;
    EXPECT_EQ(a.rc, DB_OK);
    return a.bytes();
  }
  ADD_FAILURE() << "the minute kept turning";
  return {};
}

TEST_F(Qxr2200, SilentModeFollowsTheWindowAroundTheLocalTime) {
  // Before this model's value exists, the first model's value name is not read.
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  const uint32_t around = static_cast<uint32_t>((MinuteOfDay(now) + 1439) % 1440) |
                          (static_cast<uint32_t>((MinuteOfDay(now) + 2) % 1440) << 16);
  ASSERT_TRUE(g_printer.SetDword(kOtherModelsSilentName, around));
  Context ctx(0, {});
  ctx.printer_name = g_printer.name();
  EXPECT_EQ(Ask(ORV_AccessMntDataBase, 0x3002, ctx).bytes(), SilentBlock(false));

  EXPECT_EQ(SilentBlockFor(-1, 1), SilentBlock(true));     // now inside
  EXPECT_EQ(SilentBlockFor(0, 0), SilentBlock(false));     // empty window
  EXPECT_EQ(SilentBlockFor(0, 5), SilentBlock(true));      // starts now
  EXPECT_EQ(SilentBlockFor(-5, 0), SilentBlock(true));     // ends now
  EXPECT_EQ(SilentBlockFor(1, 30), SilentBlock(false));    // starts later
  EXPECT_EQ(SilentBlockFor(-30, -1), SilentBlock(false));  // ended before
  EXPECT_EQ(SilentBlockFor(1, -1), SilentBlock(false));    // through midnight, all but now
  EXPECT_EQ(SilentBlockFor(2, 1), SilentBlock(true));      // through midnight, now included
}

#endif

}  // namespace
