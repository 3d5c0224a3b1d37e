#include "engine/switches.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/resolver.h"
#include "orvdb/host_platform.h"
#include "support/forked_walks.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"

namespace orv {
namespace {

using testing::ImageBuilder;

constexpr uint16_t kTag = 154;

class SwitchesTest : public testing::LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    ASSERT_EQ(orv_host_add_printer("P"), 0);
  }
  void* Open() {
    void* h = orv_host_open_printer("P");
    EXPECT_NE(h, nullptr);
    return h;
  }
};

// Id 8 names "ZelUI_Window" for tag 154 (stored with or without its NUL).
// Id 1: printer-data switch on tag 154: CASE 5 -> 50, then (optionally) DEFAULT -> 60.
ImageBuilder PrinterDataImage(bool with_default, bool name_has_nul = true) {
  ImageBuilder b;
  uint32_t names = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 1);
  b.add_raw(ITEM_CASE, 2, kTag);
  uint32_t text = b.text("ZelUI_Window", name_has_nul);
  b.add(ITEM_STRING, text, 8, static_cast<uint16_t>(12 + (name_has_nul ? 1 : 0)));
  b.root(8, names);
  uint32_t sw = b.add(ITEM_SWITCH_PRINTER_DATA, 4, kTag, with_default ? 2 : 1);
  b.add_raw(ITEM_CASE, 6, 5);
  b.add_raw(ITEM_DEFAULT, 7, 0);
  b.int8_leaf(1, {50});
  b.int8_leaf(1, {60});
  b.root(1, sw);
  return b;
}

int32_t Query(const ImageBuilder& b, void* printer, int8_t* value) {
  ORV_QUERY_CONTEXT ctx{};
  ctx.hPrinter = printer;
  Leaf leaf{};
  int32_t result = find_root(b.image(), 1, &ctx, &leaf);
  if (result == DB_OK) *value = static_cast<int8_t>(b.byte_pool[item_offset(leaf.word0)]);
  return result;
}

void SetWindow(const void* data, uint32_t size) {
  ASSERT_EQ(orv_host_set_printer_data("P", "ZelUI_Window", data, size), 0);
}

TEST_F(SwitchesTest, PrinterValueSelectsTheCase) {
  ImageBuilder b = PrinterDataImage(true);
  void* h = Open();
  struct Row {
    std::vector<uint8_t> data;
    int8_t answer;
  } rows[] = {
      {{5, 0, 0, 0}, 50},
      {{5}, 50},  // shorter than 4 bytes: the rest reads as zero
      {{6, 0, 0, 0}, 60},
      {{5, 0, 0, 0, 0, 0, 0, 0}, 60},  // longer than 4 bytes: not available
  };
  for (const Row& row : rows) {
    SetWindow(row.data.data(), static_cast<uint32_t>(row.data.size()));
    int8_t value = 0;
    ASSERT_EQ(Query(b, h, &value), DB_OK) << row.data.size();
    EXPECT_EQ(value, row.answer) << row.data.size();
  }
  orv_host_close_printer(h);
}

TEST_F(SwitchesTest, MissingValueTakesOnlyATrailingDefault) {
  void* h = Open();
  int8_t value = 0;
  ImageBuilder with = PrinterDataImage(true);
  ASSERT_EQ(Query(with, h, &value), DB_OK);
  EXPECT_EQ(value, 60);
  ImageBuilder without = PrinterDataImage(false);
  EXPECT_EQ(Query(without, h, &value), DB_NOT_FOUND);
  orv_host_close_printer(h);
}

TEST_F(SwitchesTest, NoPrinterHandleIsNoContext) {
  ImageBuilder b = PrinterDataImage(true);
  int8_t value = 0;
  EXPECT_EQ(Query(b, nullptr, &value), DB_NO_CONTEXT);
  Leaf leaf{};
  EXPECT_EQ(find_root(b.image(), 1, nullptr, &leaf), DB_NO_CONTEXT);
}

TEST_F(SwitchesTest, NameWithoutStoredTerminatorStillReads) {
  ImageBuilder b = PrinterDataImage(false, /*name_has_nul=*/false);
  void* h = Open();
  uint32_t five = 5;
  SetWindow(&five, 4);
  int8_t value = 0;
  ASSERT_EQ(Query(b, h, &value), DB_OK);
  EXPECT_EQ(value, 50);
  orv_host_close_printer(h);
}

TEST_F(SwitchesTest, BadValueNameSources) {
  void* h = Open();
  int8_t value = 0;
  ImageBuilder no_id8 = PrinterDataImage(true);
  no_id8.root_ids[0] = 9;
  EXPECT_EQ(Query(no_id8, h, &value), DB_NO_ENTRY);

  ImageBuilder no_name = PrinterDataImage(true);
  no_name.items[1].word1 = kTag + 1;  // id 8 has no name for the tag
  EXPECT_EQ(Query(no_name, h, &value), DB_ERROR);

  ImageBuilder not_text = PrinterDataImage(true);
  not_text.items[2].word0 = make_word0(ITEM_BYTES, item_offset(not_text.items[2].word0));
  EXPECT_EQ(Query(not_text, h, &value), DB_ERROR);

  ImageBuilder past_pool = PrinterDataImage(true);
  past_pool.items[2].word1 = make_word1(8, 200);
  EXPECT_EQ(Query(past_pool, h, &value), DB_ERROR);
  orv_host_close_printer(h);
}

// Printer-data switches the model has none of: how the case loop starts
// when the value is read or absent, against each spoilt image.
TEST_F(SwitchesTest, PrinterDataSwitchesOnlyOtherImagesHold) {
  struct Case {
    const char* what;
    void (*spoil)(ImageBuilder&);
    bool stored;     // the printer holds the value 5
    int32_t result;  // the query's result
    int8_t answer;   // its value (DB_OK)
  };
  const Case cases[] = {
      {"default first, value absent",
       [](ImageBuilder& b) {
         b.set_raw(4, ITEM_DEFAULT, 7, 0);  // the default, then CASE 5 last
         b.set_raw(5, ITEM_CASE, 6, 5);
       },
       false, DB_NOT_FOUND, 0},
      {"default first, value 5",
       [](ImageBuilder& b) {
         b.set_raw(4, ITEM_DEFAULT, 7, 0);
         b.set_raw(5, ITEM_CASE, 6, 5);
       },
       true, DB_OK, 60},
      {"value read that no case names",
       [](ImageBuilder& b) {
         b.items[3].word1 = make_word1(kTag, 1);  // CASE 9 alone
         b.items[4].word1 = 9;
       },
       true, DB_NOT_FOUND, 0},
      {"no cases, value absent", [](ImageBuilder& b) { b.items[3].word1 = make_word1(kTag, 0); },
       false, DB_NOT_FOUND, 0},
      {"no cases, value 5", [](ImageBuilder& b) { b.items[3].word1 = make_word1(kTag, 0); }, true,
       DB_NOT_FOUND, 0},
      {"last case beyond the table, value absent",
       [](ImageBuilder& b) { b.items[3].word0 = make_word0(ITEM_SWITCH_PRINTER_DATA, 7); }, false,
       DB_ERROR, 0},
  };
  void* h = Open();
  for (const Case& c : cases) {
    ImageBuilder b = PrinterDataImage(true);
    c.spoil(b);
    const uint8_t five[8] = {5, 0, 0, 0, 0, 0, 0, 0};
    SetWindow(five, c.stored ? 4 : 8);  // longer than 4 bytes: not available
    int8_t value = 0;
    ASSERT_EQ(Query(b, h, &value), c.result) << c.what;
    if (c.result == DB_OK) {
      EXPECT_EQ(value, c.answer) << c.what;
    }
  }
  orv_host_close_printer(h);

  // Id 8 is looked up before the handle is asked for.
  ImageBuilder no_id8 = PrinterDataImage(true);
  no_id8.root_ids[0] = 9;
  int8_t value = 0;
  EXPECT_EQ(Query(no_id8, nullptr, &value), DB_NO_ENTRY);
}

TEST_F(SwitchesTest, AllocationFailuresAreErrorsAndLeakNothing) {
  ImageBuilder b = PrinterDataImage(true);
  void* h = Open();
  // First the scratch context, then the widened name.
  for (int n = 1; n <= 2; ++n) {
    orv_host_fail_allocation(n);
    int8_t value = 0;
    EXPECT_EQ(Query(b, h, &value), DB_ERROR) << n;
    orv_host_fail_allocation(0);
    EXPECT_EQ(orv_host_live_allocations(), 0u) << n;
  }
  orv_host_fail_allocation(3);
  int8_t value = 0;
  EXPECT_EQ(Query(b, h, &value), DB_OK);
  orv_host_fail_allocation(0);
  orv_host_close_printer(h);
}

TEST_F(SwitchesTest, ReadPrinterDwordArguments) {
  ImageBuilder b = PrinterDataImage(true);
  Image image = b.image();
  void* h = Open();
  uint32_t value = 0;
  const Item& name = b.items[2];
  EXPECT_EQ(read_printer_dword(image, nullptr, name.word0, name.word1, &value), 1);
  EXPECT_EQ(read_printer_dword(image, h, name.word0, name.word1, nullptr), -1);
  EXPECT_EQ(read_printer_dword(image, h, name.word0, name.word1, &value), 1);  // absent
  uint32_t stored = 0x03FC01E0;
  SetWindow(&stored, 4);
  EXPECT_EQ(read_printer_dword(image, h, name.word0, name.word1, &value), 0);
  EXPECT_EQ(value, 0x03FC01E0u);
  orv_host_fail_allocation(1);  // no memory for the widened name
  EXPECT_EQ(read_printer_dword(image, h, name.word0, name.word1, &value), -1);
  orv_host_fail_allocation(0);
  image.byte_pool = nullptr;  // the name's pool is gone
  EXPECT_EQ(read_printer_dword(image, h, name.word0, name.word1, &value), -1);
  orv_host_close_printer(h);
}

// Id 1: locale switch with the given tag: CASE first -> 10, CASE second -> 20.
ImageBuilder LocaleImage(uint16_t tag, uint32_t first = 1, uint32_t second = 49) {
  ImageBuilder b;
  uint32_t sw = b.add(ITEM_SWITCH_LOCALE, 1, tag, 2);
  b.add_raw(ITEM_CASE, 3, first);
  b.add_raw(ITEM_CASE, 4, second);
  b.int8_leaf(1, {10});
  b.int8_leaf(1, {20});
  b.root(1, sw);
  return b;
}

TEST_F(SwitchesTest, LocaleSwitchOnCountryCode) {
  ImageBuilder b = LocaleImage(kLocaleTag);
  struct Row {
    const char* country;
    int32_t result;
    int8_t answer;
  } rows[] = {{"1", DB_OK, 10}, {"49", DB_OK, 20}, {"33", DB_NOT_FOUND, 0}, {nullptr, DB_ERROR, 0}};
  for (const Row& row : rows) {
    orv_host_set_country(row.country);
    int8_t value = 0;
    ASSERT_EQ(Query(b, nullptr, &value), row.result) << (row.country ? row.country : "(fails)");
    if (row.result == DB_OK) {
      EXPECT_EQ(value, row.answer);
    }
  }
}

// A country code beyond 32 bits is read as the nearest 32-bit number.
TEST_F(SwitchesTest, CountryCodeBeyondThirtyTwoBits) {
  ImageBuilder b = LocaleImage(kLocaleTag, 0x7FFFFFFF, 0x80000000);
  const std::pair<const char*, int8_t> rows[] = {{"99999999999", 10}, {"-99999999999", 20}};
  for (const auto& [country, answer] : rows) {
    orv_host_set_country(country);
    int8_t value = 0;
    ASSERT_EQ(Query(b, nullptr, &value), DB_OK) << country;
    EXPECT_EQ(value, answer) << country;
  }
}

TEST_F(SwitchesTest, LocaleSwitchNeedsItsTagAndMemory) {
  orv_host_set_country("1");
  int8_t value = 0;
  ImageBuilder wrong = LocaleImage(0x500E);
  EXPECT_EQ(Query(wrong, nullptr, &value), DB_ERROR);
  ImageBuilder b = LocaleImage(kLocaleTag);
  orv_host_fail_allocation(1);
  EXPECT_EQ(Query(b, nullptr, &value), DB_ERROR);
  orv_host_fail_allocation(0);
  int32_t code = 0;
  EXPECT_EQ(read_country_code(kLocaleTag, nullptr), -1);
  EXPECT_EQ(read_country_code(kLocaleTag, &code), 0);
  EXPECT_EQ(code, 1);
  // An empty text, one byte with its terminator, reads as 0.
  orv_host_set_country("");
  code = 7;
  EXPECT_EQ(read_country_code(kLocaleTag, &code), 0);
  EXPECT_EQ(code, 0);
}

// A walk forked at selector 0 passes through a switch on another selector,
// a printer-data switch, a locale switch and a chain of switches deeper than
// the depth limit before the select on 0: every value ends as its own walk
// does, for each printer value, country and way down.
TEST_F(SwitchesTest, ForkedWalkReadsTheOtherSwitchesAsEachWalkDoes) {
  ImageBuilder b;
  // Id 8 names "ZelUI_Window" for tag 154, as above, and "ZelUI_Never",
  // which is never stored, for 155.
  uint32_t names = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 2);
  b.add_raw(ITEM_CASE, 3, kTag);
  b.add_raw(ITEM_CASE, 4, kTag + 1);
  b.add(ITEM_STRING, b.text("ZelUI_Window"), 8, 13);
  b.add(ITEM_STRING, b.text("ZelUI_Never"), 8, 12);
  b.root(8, names);
  // The select on 0: 1 -> leaf 1, 2 -> leaf 2.
  uint32_t leaves = b.int8_leaf(1, {1});
  b.int8_leaf(1, {2});
  uint32_t select = b.add(ITEM_SELECT, leaves + 3, 0, 2);
  b.add(ITEM_BRANCH, leaves, 1, 1);
  b.add(ITEM_BRANCH, leaves + 1, 2, 1);
  // Country 49 -> the select; no other case.
  uint32_t locale = b.add(ITEM_SWITCH_LOCALE, select + 4, kLocaleTag, 1);
  b.add_raw(ITEM_CASE, select, 49);
  // Printer value 5 -> the locale switch; anything else -> the select.
  uint32_t printer = b.add(ITEM_SWITCH_PRINTER_DATA, locale + 3, kTag, 2);
  b.add_raw(ITEM_CASE, locale, 5);
  b.add_raw(ITEM_DEFAULT, select, 0);
  // A value never stored and no default: no case decides.
  uint32_t never = b.add(ITEM_SWITCH_PRINTER_DATA, printer + 4, kTag + 1, 1);
  b.add_raw(ITEM_CASE, select, 5);
  // Switches on 1 whose default leads to the next, past the depth limit.
  uint32_t chain = static_cast<uint32_t>(b.items.size());
  for (int i = 0; i <= kMaxWalkDepth; ++i) {
    uint32_t at = static_cast<uint32_t>(b.items.size());
    b.add(ITEM_SWITCH_SELECTOR, at + 1, 1, 1);
    b.add_raw(ITEM_DEFAULT, i < kMaxWalkDepth ? at + 2 : select, 0);
  }
  // Selector 1: 3 -> the printer-data switch, 4 -> the chain, 5 -> the
  // switch on the value never stored, else the select.
  uint32_t root = static_cast<uint32_t>(b.items.size());
  b.add(ITEM_SWITCH_SELECTOR, root + 1, 1, 4);
  b.add_raw(ITEM_CASE, printer, 3);
  b.add_raw(ITEM_CASE, chain, 4);
  b.add_raw(ITEM_CASE, never, 5);
  b.add_raw(ITEM_DEFAULT, select, 0);
  b.root(1, root);
  const Image image = b.image();

  // The ways down, each walked alone: the select, the chain, the locale switch.
  void* handle = Open();
  const uint32_t five = 5;
  SetWindow(&five, 4);
  orv_host_set_country("1");
  struct Way {
    uint32_t selector1;
    int32_t result;
  } ways[] = {{9, DB_OK}, {4, DB_ERROR}, {3, DB_NOT_FOUND}, {5, DB_NOT_FOUND}};
  for (const Way& way : ways) {
    testing::QueryContext c = testing::QueryContext::of({1, way.selector1});
    c.ctx.hPrinter = handle;
    Leaf leaf{};
    EXPECT_EQ(find_root(image, 1, &c.ctx, &leaf), way.result) << way.selector1;
  }

  for (const char* country : {"49", "1", static_cast<const char*>(nullptr)}) {
    orv_host_set_country(country);
    for (int stored : {-1, 5, 6}) {
      if (stored >= 0) {
        const uint32_t value = static_cast<uint32_t>(stored);
        SetWindow(&value, 4);
      }
      for (uint32_t way : {3u, 4u, 5u, 9u}) {
        testing::QueryContext c = testing::QueryContext::of({0, way});
        c.ctx.hPrinter = stored >= 0 ? handle : nullptr;
        testing::expect_fork_as_single_walks_in(
            c, image, {1}, 0, {1, 2, 3, 1},
            std::string("country ") + (country ? country : "(fails)") + ", printer value " +
                std::to_string(stored) + ", selector 1 = " + std::to_string(way));
      }
    }
  }
  orv_host_close_printer(handle);
}

}  // namespace
}  // namespace orv
