// Memory exhaustion on every path that allocates: the Drv lists (scratch
// contexts, the list compared with), the command sequences (leaf slots), the
// printer-data switch (scratch context, widened name), the locale switch,
// the silent-mode block (value name) and the scratch contexts themselves.
// Each path is run with its 1st, 2nd, ... allocation failing until it runs
// through; every failing run must give DB_ERROR or the path's own sound
// answer, release every block and close every printer it opened.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/scratch_context.h"
#include "exports/exports.h"
#include "orvdb/host_platform.h"
#include "orvdb/orvdb.h"
#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;
using Bytes = std::vector<uint8_t>;

const ORV_WCHAR kOffice[] = {'O', 'f', 'f', 'i', 'c', 'e', 0};

// One answer: result code, needed size and the buffer's bytes.
struct Answer {
  int32_t result;
  uint32_t needed;
  Bytes bytes;
  bool operator==(const Answer& o) const {
    return result == o.result && needed == o.needed && bytes == o.bytes;
  }
};

// A context over 95 selectors with a valid combination of the settings
// (selectors 4 = 1, 9 = 0, 5 = 1, 81 = 0, 8 = 1, 6 = 2, 7 = 4, paper 28 = 9),
// naming the printer so that each call opens and closes it.
struct Settings {
  std::vector<uint32_t> selectors = std::vector<uint32_t>(95, 0);
  ORV_QUERY_CONTEXT ctx{};
  Settings() {
    for (auto [index, value] :
         {std::pair{4, 1}, {9, 0}, {5, 1}, {81, 0}, {8, 1}, {6, 2}, {7, 4}, {28, 9}}) {
      selectors[index] = value;
    }
    ctx.cSelectors = 95;
    ctx.pSelectors = selectors.data();
    ctx.pPrinterName = kOffice;
  }
  Settings(const Settings& o) : selectors(o.selectors), ctx(o.ctx) {
    ctx.pSelectors = selectors.data();
  }
  Settings& set(uint32_t index, uint32_t value) {
    selectors[index] = value;
    return *this;
  }
};

// Images for the paths the built-in data base does not reach. Root id 2
// answers through a switch; id 8 names the printer value.
struct SmallImages {
  ImageBuilder printer_data, locale, silent;
  SmallImages() {
    {
      ImageBuilder& b = printer_data;
      uint32_t sw = b.reserve(3);
      uint32_t hit = b.int8_leaf(2, {70});
      uint32_t miss = b.int8_leaf(2, {1});
      uint32_t name = b.string_leaf(8, "ZelUI_Test");
      b.set(sw, ITEM_SWITCH_PRINTER_DATA, sw + 1, 3, 2);
      b.set_raw(sw + 1, ITEM_CASE, hit, 7);
      b.set_raw(sw + 2, ITEM_DEFAULT, miss, 0);
      b.root(2, sw);
      b.root(8, name);
    }
    {
      ImageBuilder& b = locale;
      uint32_t sw = b.reserve(3);
      uint32_t hit = b.int8_leaf(2, {49});
      uint32_t miss = b.int8_leaf(2, {1});
      b.set(sw, ITEM_SWITCH_LOCALE, sw + 1, kLocaleTag, 2);
      b.set_raw(sw + 1, ITEM_CASE, hit, 49);
      b.set_raw(sw + 2, ITEM_DEFAULT, miss, 0);
      b.root(2, sw);
    }
    {
      ImageBuilder& b = silent;
      b.root(2, b.computed_leaf(2, 7));
      b.root(8, b.string_leaf(8, "ZelUI_SilentModeTime"));
    }
  }
};

// One path: how to run it into a buffer of `size` bytes, and what a run
// that lost an allocation may answer besides DB_ERROR.
struct PathCase {
  std::string name;
  std::function<int32_t(uint32_t size, void* buf, uint32_t* needed)> run;
  uint32_t size;                                  // the answer's size
  std::function<bool(const Answer&)> also_sound;  // null: only DB_ERROR
};

class AllocationFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orv_host_reset();
    ASSERT_EQ(orv_host_add_printer("Office"), 0);
    const uint32_t value = 7;
    ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_Test", &value, 4), 0);
    const uint32_t window = (720u << 16) | 480u;  // 08:00 to 12:00
    ASSERT_EQ(orv_host_set_printer_data("Office", "ZelUI_SilentModeTime", &window, 4), 0);
    orv_host_set_clock(2026, 3, 14, 9, 30, 0);
    orv_host_set_country("49");
  }
  void TearDown() override { orv_host_reset(); }
};

Answer run_once(const PathCase& c) {
  Answer a{0, 0xDEADBEEFu, Bytes(c.size + 16, 0xEE)};
  a.result = c.run(c.size, a.bytes.data(), &a.needed);
  return a;
}

TEST_F(AllocationFailureTest, EveryAllocatingPathFailsCleanlyAtEveryAllocation) {
  const Settings valid;
  const Settings option = Settings(valid).set(79, 0x00800000);
  const Settings custom = Settings(valid).set(28, 256).set(29, 21000).set(30, 29700);
  const SmallImages small;
  const Image printer_data = small.printer_data.image();
  const Image locale = small.locale.image();
  const Image silent = small.silent.image();

  auto drv = [](uint16_t id, const Settings& s) {
    return [id, &s](uint32_t size, void* buf, uint32_t* needed) {
      return ORV_AccessDrvDataBase(id, &s.ctx, size, buf, needed);
    };
  };
  auto root2 = [&valid](const Image& image) {
    return [&image, &valid](uint32_t size, void* buf, uint32_t* needed) {
      return access_database(image, Domain::kRoot, 2, &valid.ctx, size, buf, needed);
    };
  };
  auto scratch = [&valid](int kind) {
    return [kind, &valid](uint32_t, void*, uint32_t*) {
      ScratchContext* s = create_scratch_context(kind, &valid.ctx);
      if (s == nullptr) return DB_ERROR;
      release_scratch_context(s);
      return DB_OK;
    };
  };
  // The silent-mode block answers silent-off whenever the window cannot be read.
  auto silent_off = [](const Answer& a) {
    return a.result == DB_OK && a.needed == 56 &&
           std::memcmp(a.bytes.data() + 35, "SetSilent=OFF\n", 14) == 0;
  };

  // Sizes: the full lists hold 3, 10 and 2 values of 20 bytes; command
  // sequence 0x1018 with bit 23 of selector 79 is 19 bytes; silent blocks 56.
  std::vector<PathCase> cases = {
      {"stored list 0x100C", drv(0x100C, valid), 400, nullptr},
      {"full list 0x100D", drv(0x100D, valid), 60, nullptr},
      {"stored list 0x100E", drv(0x100E, valid), 400, nullptr},
      {"full list 0x100F", drv(0x100F, valid), 200, nullptr},
      {"stored list 0x1010", drv(0x1010, valid), 1000, nullptr},
      {"stored list 0x1011", drv(0x1011, valid), 1000, nullptr},
      {"stored list 0x1012", drv(0x1012, valid), 400, nullptr},
      {"full list 0x1013", drv(0x1013, valid), 40, nullptr},
      {"stored list 0x1014", drv(0x1014, valid), 400, nullptr},
      {"stored list 0x104D", drv(0x104D, valid), 400, nullptr},
      {"selector-8 list 0x1016", drv(0x1016, valid), 400, nullptr},
      {"selector-8 list 0x1017", drv(0x1017, valid), 400, nullptr},
      {"command sequence 0x1018", drv(0x1018, option), 19, nullptr},
      {"command sequence 0x1019", drv(0x1019, custom), 200, nullptr},
      {"command sequence 0x101B", drv(0x101B, valid), 200, nullptr},
      {"command sequence 0x101C", drv(0x101C, valid), 200, nullptr},
      {"command sequence 0x101D", drv(0x101D, valid), 200, nullptr},
      {"mode record 0x101E", drv(0x101E, valid), 192, nullptr},
      {"printer-data switch", root2(printer_data), 4, nullptr},
      {"locale switch", root2(locale), 4, nullptr},
      {"silent-mode block", root2(silent), 56, silent_off},
  };
  for (int kind = 0; kind <= 5; ++kind) {
    cases.push_back({"scratch context kind " + std::to_string(kind), scratch(kind), 0, nullptr});
  }

  int points = 0;
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer want = run_once(c);
    ASSERT_EQ(want.result, DB_OK);
    ASSERT_EQ(orv_host_live_allocations(), 0u);
    for (int n = 1;; ++n) {
      ASSERT_LE(n, 64) << "no run-through after 64 allocations";
      orv_host_fail_allocation(n);
      const Answer got = run_once(c);
      orv_host_fail_allocation(0);
      EXPECT_EQ(orv_host_live_allocations(), 0u) << "failing allocation " << n;
      EXPECT_EQ(orv_host_open_printers(), 0u) << "failing allocation " << n;
      if (got == want) break;
      ++points;
      const bool sound = got.result == DB_ERROR || (c.also_sound && c.also_sound(got));
      EXPECT_TRUE(sound) << "failing allocation " << n << " answered " << got.result;
      if (got.result == DB_ERROR) {
        EXPECT_EQ(got.needed, 0xDEADBEEFu);
      }
    }
  }
  // Every scratch kind, both switches, the silent block and the lists with
  // per-value lookups allocate at least once.
  EXPECT_GE(points, 20);
  std::printf("allocation-failure points exercised: %d over %zu paths\n", points, cases.size());
}

TEST_F(AllocationFailureTest, SizesOfTheAnswersAreThoseOfTheModel) {
  // The fixed sizes the loop above relies on.
  const Settings valid;
  const Settings option = Settings(valid).set(79, 0x00800000);
  uint32_t needed = 0;
  EXPECT_EQ(ORV_AccessDrvDataBase(0x100D, &valid.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 60u);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x100F, &valid.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 200u);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x1013, &valid.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 40u);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x1018, &option.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 19u);
  EXPECT_EQ(ORV_AccessDrvDataBase(0x101E, &valid.ctx, 0, nullptr, &needed), DB_MORE_DATA);
  EXPECT_EQ(needed, 192u);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

}  // namespace
}  // namespace orv
