// The host stand-in must keep the results the library relies on from the
// spooler, the heap, the clock and the locale, and its controls must steer
// them as documented in orvdb/host_platform.h.
#include "orvdb/host_platform.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace orv {
namespace {

constexpr uint32_t kOk = 0;

std::u16string wide(const char* text) {
  std::u16string out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

const ORV_WCHAR* w(const std::u16string& s) {
  return reinterpret_cast<const ORV_WCHAR*>(s.c_str());
}

class HostPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { orv_host_reset(); }
  void TearDown() override { orv_host_reset(); }

  // Reads a value through a 4-byte buffer that starts at 0, as the library does.
  uint32_t read4(ORV_HANDLE h, const char* name, uint32_t* value, uint32_t* needed) {
    const std::u16string n = wide(name);
    uint32_t type = 0;
    *value = 0;
    return platform_get_printer_data(h, w(n), &type, value, 4, needed);
  }
};

TEST_F(HostPlatformTest, PrinterNamesCompareCaseInsensitively) {
  ASSERT_EQ(orv_host_add_printer("Printer-7 Office"), 0);
  const std::u16string lower = wide("printer-7 office");
  ORV_HANDLE h = nullptr;
  EXPECT_TRUE(platform_open_printer(w(lower), &h));
  EXPECT_NE(h, nullptr);
  void* h8 = orv_host_open_printer("PRINTER-7 OFFICE");
  EXPECT_NE(h8, nullptr);
  EXPECT_EQ(orv_host_open_printers(), 2u);
  platform_close_printer(h);
  orv_host_close_printer(h8);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(HostPlatformTest, UnknownOrUnnameablePrinterGivesNullHandle) {
  ASSERT_EQ(orv_host_add_printer("CafE"), 0);
  ORV_HANDLE h = reinterpret_cast<ORV_HANDLE>(1);
  const std::u16string other = wide("Other");
  EXPECT_FALSE(platform_open_printer(w(other), &h));
  EXPECT_EQ(h, nullptr);
  // U+0145 narrowed by truncation would be 'E': a non-ASCII character never matches.
  const std::u16string accented = u"Caf\u0145";
  h = reinterpret_cast<ORV_HANDLE>(1);
  EXPECT_FALSE(platform_open_printer(w(accented), &h));
  EXPECT_EQ(h, nullptr);
  EXPECT_FALSE(platform_open_printer(nullptr, &h));
  EXPECT_EQ(orv_host_open_printer("Cafe "), nullptr);
  EXPECT_EQ(orv_host_open_printer(nullptr), nullptr);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(HostPlatformTest, StoreRefusesBadNamesAndUnknownPrinters) {
  EXPECT_EQ(orv_host_add_printer(nullptr), -1);
  EXPECT_EQ(orv_host_add_printer(""), -1);
  EXPECT_EQ(orv_host_add_printer("Caf\xC3\xA9"), -1);
  const uint32_t v = 1;
  EXPECT_EQ(orv_host_set_printer_data("Nobody", "ZelUI_X", &v, 4), -1);
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  EXPECT_EQ(orv_host_add_printer("p"), 0);  // the same printer again
  EXPECT_EQ(orv_host_set_printer_data("P", nullptr, &v, 4), -1);
  EXPECT_EQ(orv_host_set_printer_data("P", "ZelUI_X", nullptr, 4), -1);
}

// A name is printable ASCII, space to tilde: the characters at the edges
// are kept, and the ones just outside are refused at every place of a name,
// by the store and through the wide calls alike.
TEST_F(HostPlatformTest, NamesAreSpaceToTildeAtEveryPlace) {
  for (const char* name : {" A~", "~ A", "A~ "}) {
    ASSERT_EQ(orv_host_add_printer(name), 0) << name;
    const std::u16string n = wide(name);
    ORV_HANDLE h = nullptr;
    EXPECT_TRUE(platform_open_printer(w(n), &h)) << name;
    platform_close_printer(h);
  }
  for (const char bad : {'\x1F', '\x7F'}) {
    for (size_t at = 0; at < 3; ++at) {
      std::string name = "ABC";
      ASSERT_EQ(orv_host_add_printer(name.c_str()), 0);
      name[at] = bad;
      EXPECT_EQ(orv_host_add_printer(name.c_str()), -1) << int{bad} << " at " << at;
      const std::u16string n = wide(name.c_str());
      ORV_HANDLE h = nullptr;
      EXPECT_FALSE(platform_open_printer(w(n), &h)) << int{bad} << " at " << at;
    }
  }
}

TEST_F(HostPlatformTest, ValuesUpToFourBytesRead) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  const unsigned char bytes[4] = {0x11, 0x22, 0x33, 0x44};
  void* h = orv_host_open_printer("P");
  ASSERT_NE(h, nullptr);
  for (uint32_t size = 1; size <= 4; ++size) {
    SCOPED_TRACE(size);
    ASSERT_EQ(orv_host_set_printer_data("P", "ZelUI_Value", bytes, size), 0);
    uint32_t value = 0;
    uint32_t needed = 99;
    ASSERT_EQ(read4(h, "zelui_value", &value, &needed), kOk);
    EXPECT_EQ(needed, size);
    unsigned char got[4];
    memcpy(got, &value, 4);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(got[i], i < size ? bytes[i] : 0) << i;
  }
  orv_host_close_printer(h);
}

TEST_F(HostPlatformTest, LongerOrMissingValuesAreNotAvailable) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  const unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(orv_host_set_printer_data("P", "Five", bytes, 5), 0);
  ASSERT_EQ(orv_host_set_printer_data("P", "Eight", bytes, 8), 0);
  void* h = orv_host_open_printer("P");
  uint32_t value = 0;
  uint32_t needed = 0;
  EXPECT_NE(read4(h, "Five", &value, &needed), kOk);
  EXPECT_EQ(value, 0u);
  EXPECT_NE(read4(h, "Eight", &value, &needed), kOk);
  EXPECT_EQ(value, 0u);
  EXPECT_NE(read4(h, "Missing", &value, &needed), kOk);
  // A name with a non-ASCII character names no value.
  const std::u16string accented = u"Fiv\u0145";
  uint32_t type = 0;
  EXPECT_NE(platform_get_printer_data(h, w(accented), &type, &value, 4, &needed), kOk);
  orv_host_close_printer(h);
}

// The stand-in's limits and bad arguments, each refused as documented.
TEST_F(HostPlatformTest, LimitsAndBadArgumentsAreRefused) {
  const std::string longest(128, 'N');
  const std::string too_long(129, 'N');
  EXPECT_EQ(orv_host_add_printer("Tab\there"), -1);
  EXPECT_EQ(orv_host_add_printer(too_long.c_str()), -1);
  ASSERT_EQ(orv_host_add_printer(longest.c_str()), 0);
  ORV_HANDLE h = nullptr;
  EXPECT_FALSE(platform_open_printer(w(wide(too_long.c_str())), &h));
  EXPECT_TRUE(platform_open_printer(w(wide(longest.c_str())), &h));
  EXPECT_FALSE(platform_open_printer(w(wide(longest.c_str())), nullptr));

  // Values: names, sizes (up to 256 bytes), an empty value, and room for 32
  // per printer.
  const uint8_t big[257] = {};
  EXPECT_EQ(orv_host_set_printer_data(longest.c_str(), "", big, 4), -1);
  EXPECT_EQ(orv_host_set_printer_data(too_long.c_str(), "V", big, 4), -1);
  EXPECT_EQ(orv_host_set_printer_data(longest.c_str(), "Big", big, 257), -1);
  ASSERT_EQ(orv_host_set_printer_data(longest.c_str(), "Empty", nullptr, 0), 0);
  ASSERT_EQ(orv_host_set_printer_data(longest.c_str(), "Largest", big, 256), 0);
  for (int i = 1; i < 31; ++i) {
    ASSERT_EQ(orv_host_set_printer_data(longest.c_str(), ("V" + std::to_string(i)).c_str(), big, 4),
              0);
  }
  EXPECT_EQ(orv_host_set_printer_data(longest.c_str(), "OneTooMany", big, 4), -1);

  const std::u16string empty = wide("Empty");
  const std::u16string four = wide("V1");
  uint32_t value = 7;
  uint32_t needed = 99;
  EXPECT_EQ(platform_get_printer_data(h, w(empty), nullptr, nullptr, 4, &needed), kOk);
  EXPECT_EQ(needed, 0u);
  uint8_t largest[256];
  EXPECT_EQ(platform_get_printer_data(h, w(wide("Largest")), nullptr, largest, 256, &needed), kOk);
  EXPECT_EQ(needed, 256u);
  EXPECT_NE(platform_get_printer_data(h, w(wide("Largest")), nullptr, largest, 255, &needed), kOk);
  EXPECT_NE(platform_get_printer_data(h, w(four), nullptr, nullptr, 4, &needed), kOk);
  EXPECT_NE(platform_get_printer_data(h, nullptr, nullptr, &value, 4, &needed), kOk);
  EXPECT_NE(platform_get_printer_data(h, w(four), nullptr, &value, 4, nullptr), kOk);
  int not_a_handle = 0;
  EXPECT_NE(platform_get_printer_data(&not_a_handle, w(four), nullptr, &value, 4, &needed), kOk);
  platform_close_printer(h);

  // Room for 32 printers; adding the first one again takes none.
  ASSERT_EQ(orv_host_add_printer(longest.c_str()), 0);
  for (int i = 1; i < 32; ++i)
    ASSERT_EQ(orv_host_add_printer(("P" + std::to_string(i)).c_str()), 0);
  EXPECT_EQ(orv_host_add_printer("OneTooMany"), -1);

  // The clock call ignores a null record; the country text needs a buffer.
  platform_local_time(nullptr);
  orv_host_set_country("49");
  EXPECT_EQ(platform_country_code_text(nullptr, 8), 0u);
}

TEST_F(HostPlatformTest, HandleSeesLaterChangesOfItsPrinter) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  void* h = orv_host_open_printer("P");
  uint32_t value = 0;
  uint32_t needed = 0;
  EXPECT_NE(read4(h, "ZelUI_SilentModeTime", &value, &needed), kOk);
  const uint32_t window = 0x03FC01E0;
  ASSERT_EQ(orv_host_set_printer_data("P", "ZelUI_SilentModeTime", &window, 4), 0);
  ASSERT_EQ(read4(h, "ZelUI_SilentModeTime", &value, &needed), kOk);
  EXPECT_EQ(value, window);
  const uint32_t replaced = 7;
  ASSERT_EQ(orv_host_set_printer_data("P", "zelui_silentmodetime", &replaced, 4), 0);
  ASSERT_EQ(read4(h, "ZelUI_SilentModeTime", &value, &needed), kOk);
  EXPECT_EQ(value, replaced);
  orv_host_close_printer(h);
}

TEST_F(HostPlatformTest, HandlesAreDistinctAndCloseSafely) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  const uint32_t v = 5;
  ASSERT_EQ(orv_host_set_printer_data("P", "V", &v, 4), 0);
  void* a = orv_host_open_printer("P");
  void* b = orv_host_open_printer("P");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(orv_host_open_printers(), 2u);
  orv_host_close_printer(a);
  orv_host_close_printer(a);  // twice: ignored
  orv_host_close_printer(nullptr);
  orv_host_close_printer(reinterpret_cast<void*>(0x12345));
  EXPECT_EQ(orv_host_open_printers(), 1u);
  uint32_t value = 0;
  uint32_t needed = 0;
  EXPECT_NE(read4(a, "V", &value, &needed), kOk);  // closed
  EXPECT_EQ(read4(b, "V", &value, &needed), kOk);
  EXPECT_NE(read4(nullptr, "V", &value, &needed), kOk);
  // A new open never hands back the closed handle's value.
  void* c = orv_host_open_printer("P");
  EXPECT_NE(c, a);
  EXPECT_NE(read4(a, "V", &value, &needed), kOk);
  orv_host_close_printer(b);
  orv_host_close_printer(c);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(HostPlatformTest, HandlesRunOutAtTheSlotCountAndComeBackWhenClosed) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  constexpr uint32_t kSlots = 1024;
  std::vector<void*> handles;
  for (uint32_t i = 0; i < kSlots; ++i) {
    handles.push_back(orv_host_open_printer("P"));
    ASSERT_NE(handles.back(), nullptr) << "open " << i;
  }
  EXPECT_EQ(orv_host_open_printer("P"), nullptr);
  EXPECT_EQ(orv_host_open_printers(), kSlots);
  orv_host_close_printer(handles.back());
  handles.back() = orv_host_open_printer("P");
  EXPECT_NE(handles.back(), nullptr);
  for (void* h : handles) orv_host_close_printer(h);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(HostPlatformTest, ResetForgetsPrintersAndHandles) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  const uint32_t v = 5;
  ASSERT_EQ(orv_host_set_printer_data("P", "V", &v, 4), 0);
  void* h = orv_host_open_printer("P");
  orv_host_reset();
  EXPECT_EQ(orv_host_open_printers(), 0u);
  EXPECT_EQ(orv_host_open_printer("P"), nullptr);
  uint32_t value = 0;
  uint32_t needed = 0;
  EXPECT_NE(read4(h, "V", &value, &needed), kOk);
  orv_host_close_printer(h);  // stale: ignored
  EXPECT_EQ(orv_host_open_printers(), 0u);
  // A printer added again under the name has none of the old values.
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  void* again = orv_host_open_printer("P");
  EXPECT_NE(read4(again, "V", &value, &needed), kOk);
  orv_host_close_printer(again);
}

TEST_F(HostPlatformTest, AllocationsAreCountedAndNotCleared) {
  EXPECT_EQ(orv_host_live_allocations(), 0u);
  unsigned char* a = static_cast<unsigned char*>(platform_alloc(64));
  void* b = platform_alloc(0);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(orv_host_live_allocations(), 2u);
  for (int i = 0; i < 64; ++i) ASSERT_NE(a[i], 0) << i;
  memset(a, 0, 64);  // the whole block is usable
  platform_free(a);
  platform_free(nullptr);
  EXPECT_EQ(orv_host_live_allocations(), 1u);
  platform_free(b);
  EXPECT_EQ(orv_host_live_allocations(), 0u);
}

// A write past the end of a block stops the program when the
// block is released, so that the test that wrote it fails there.
TEST_F(HostPlatformTest, WritesOutsideABlockAreCaughtWhenItIsReleased) {
  for (int offset : {64, 71}) {
    EXPECT_DEATH(
        {
          unsigned char* a = static_cast<unsigned char*>(platform_alloc(64));
          a[offset] = 0;
          platform_free(a);
        },
        "")
        << offset;
  }
  orv_host_reset();
}

TEST_F(HostPlatformTest, ChosenAllocationFailsThenAllocationWorksAgain) {
  struct Case {
    int32_t n;    // argument to orv_host_fail_allocation
    int failing;  // 1-based allocation that fails among the next five; 0: none
  };
  const Case cases[] = {{1, 1}, {3, 3}, {5, 5}, {0, 0}, {-2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    orv_host_fail_allocation(c.n);
    void* blocks[5];
    for (int i = 0; i < 5; ++i) {
      blocks[i] = platform_alloc(8);
      EXPECT_EQ(blocks[i] == nullptr, i + 1 == c.failing) << i;
    }
    EXPECT_EQ(orv_host_live_allocations(), c.failing == 0 ? 5u : 4u);
    for (void* block : blocks) platform_free(block);
    EXPECT_EQ(orv_host_live_allocations(), 0u);
  }
}

TEST_F(HostPlatformTest, ResetCancelsInjectedFailureAndOldBlocksDoNotUnderflow) {
  void* old_block = platform_alloc(4);
  orv_host_fail_allocation(1);
  orv_host_reset();
  EXPECT_EQ(orv_host_live_allocations(), 0u);
  void* fresh = platform_alloc(4);
  EXPECT_NE(fresh, nullptr);
  platform_free(old_block);
  EXPECT_EQ(orv_host_live_allocations(), 1u);
  platform_free(fresh);
  EXPECT_EQ(orv_host_live_allocations(), 0u);
}

TEST_F(HostPlatformTest, ClockIsFixedOrSystem) {
  orv_host_set_clock(2026, 12, 6, 18, 44, 29);
  LocalTime t = {};
  platform_local_time(&t);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 6);
  EXPECT_EQ(t.hour, 18);
  EXPECT_EQ(t.minute, 44);
  EXPECT_EQ(t.second, 29);

  orv_host_use_system_clock();
  const time_t before = time(nullptr);
  platform_local_time(&t);
  const time_t after = time(nullptr);
  struct tm fields = {};
  fields.tm_year = t.year - 1900;
  fields.tm_mon = t.month - 1;
  fields.tm_mday = t.day;
  fields.tm_hour = t.hour;
  fields.tm_min = t.minute;
  fields.tm_sec = t.second;
  fields.tm_isdst = -1;
  const time_t seen = mktime(&fields);
  EXPECT_GE(seen, before);
  EXPECT_LE(seen, after);
}

TEST_F(HostPlatformTest, CountryCodeBehavesLikeTheLocaleCall) {
  orv_host_set_country("49");
  EXPECT_EQ(platform_country_code_text(nullptr, 0), 3u);
  char buffer[8];
  memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(platform_country_code_text(buffer, 2), 0u);
  EXPECT_EQ(platform_country_code_text(buffer, 3), 3u);
  EXPECT_STREQ(buffer, "49");
  orv_host_set_country("358");
  EXPECT_EQ(platform_country_code_text(buffer, sizeof buffer), 4u);
  EXPECT_STREQ(buffer, "358");
  orv_host_set_country(nullptr);
  EXPECT_EQ(platform_country_code_text(nullptr, 0), 0u);
  EXPECT_EQ(platform_country_code_text(buffer, sizeof buffer), 0u);
}

// Restores one environment variable when the scope ends.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    const char* v = getenv(name);
    had_ = v != nullptr;
    if (had_) old_ = v;
  }
  ~EnvGuard() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST_F(HostPlatformTest, DefaultCountryComesFromTheProcessLocale) {
  EnvGuard all("LC_ALL");
  EnvGuard ctype("LC_CTYPE");
  EnvGuard lang("LANG");
  struct Case {
    const char* lc_all;  // nullptr: unset
    const char* lang;    // nullptr: unset
    const char* country;
  };
  const Case cases[] = {
      {"en_US.UTF-8", nullptr, "1"},
      {"de_DE.UTF-8", nullptr, "49"},
      {"fr_FR", nullptr, "33"},
      {"en_GB.UTF-8", "de_DE", "44"},
      {nullptr, "ja_JP.eucJP", "81"},
      {"", "fr_FR@euro", "33"},
      {"C", "de_DE", "1"},
      {nullptr, nullptr, "1"},
      {"xx_ZZ", nullptr, "1"},
      {"de_", nullptr, "1"},
      {"de_D", nullptr, "1"},
      {"de_DEX", nullptr, "1"},
  };
  unsetenv("LC_CTYPE");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.lc_all ? c.lc_all : "-") + " / " + (c.lang ? c.lang : "-"));
    if (c.lc_all)
      setenv("LC_ALL", c.lc_all, 1);
    else
      unsetenv("LC_ALL");
    if (c.lang)
      setenv("LANG", c.lang, 1);
    else
      unsetenv("LANG");
    orv_host_reset();
    char buffer[8] = {};
    ASSERT_EQ(platform_country_code_text(buffer, sizeof buffer), strlen(c.country) + 1);
    EXPECT_STREQ(buffer, c.country);
  }
}

TEST_F(HostPlatformTest, ConcurrentUseKeepsCountsExact) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  const uint32_t v = 42;
  ASSERT_EQ(orv_host_set_printer_data("P", "V", &v, 4), 0);
  std::atomic<int> bad_reads{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      const std::u16string name = wide("p");
      const std::u16string value_name = wide("v");
      for (int i = 0; i < 2000; ++i) {
        void* block = platform_alloc(16);
        ORV_HANDLE h = nullptr;
        if (!platform_open_printer(w(name), &h)) ++bad_reads;
        uint32_t value = 0;
        uint32_t needed = 0;
        uint32_t type = 0;
        if (platform_get_printer_data(h, w(value_name), &type, &value, 4, &needed) != 0 ||
            value != 42) {
          ++bad_reads;
        }
        platform_close_printer(h);
        platform_free(block);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(bad_reads.load(), 0);
  EXPECT_EQ(orv_host_live_allocations(), 0u);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

}  // namespace
}  // namespace orv
