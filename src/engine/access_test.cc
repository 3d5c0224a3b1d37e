// The steps around every lookup, in their order: the context, then the id's
// range, then the needed-size word; the Root range's first and last ids
// answer, the ids beside them do not.
#include "engine/access.h"

#include <gtest/gtest.h>

#include "engine/root_path.h"
#include "orvdb/host_platform.h"
#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;

TEST(AccessTest, ContextThenRangeThenSizeWord) {
  ImageBuilder b;
  for (uint16_t id : {0x0000, 0x0001, 0x0FFF, 0x1000}) b.root(id, b.int8_leaf(id, {1}));
  const Image image = b.image();
  ORV_QUERY_CONTEXT ctx{};
  uint32_t needed = 0;
  struct Case {
    uint16_t id;
    bool context;
    bool size_word;
    int32_t result;
  };
  const Case cases[] = {
      {0x0001, true, true, DB_MORE_DATA},   {0x0FFF, true, true, DB_MORE_DATA},
      {0x0000, true, true, DB_NOT_FOUND},   {0x1000, true, true, DB_NOT_FOUND},
      {0x0001, false, true, DB_NO_CONTEXT}, {0x0000, false, false, DB_NO_CONTEXT},
      {0x0001, true, false, DB_ERROR},      {0x1000, true, false, DB_NOT_FOUND},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(access_root(image, c.id, c.context ? &ctx : nullptr, 0, nullptr,
                          c.size_word ? &needed : nullptr),
              c.result)
        << "id " << c.id << ", context " << c.context << ", size word " << c.size_word;
  }
}

// A printer is opened for the call only when the context names it without a
// handle; a handle the caller gave is kept, and a name that opens nothing
// leaves the handle null.
TEST(AccessTest, APrinterIsOpenedOnlyWhenNamedWithoutAHandle) {
  orv_host_reset();
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  void* handle = orv_host_open_printer("P");
  ASSERT_NE(handle, nullptr);
  const ORV_WCHAR name[] = {'P', 0};
  const ORV_WCHAR unknown[] = {'Q', 0};
  struct Case {
    const char* what;
    ORV_HANDLE handle;
    const ORV_WCHAR* name;
    bool opened;
  };
  const Case cases[] = {
      {"named without a handle", nullptr, name, true},
      {"named with a handle", handle, name, false},
      {"a handle alone", handle, nullptr, false},
      {"neither", nullptr, nullptr, false},
      {"a name that opens nothing", nullptr, unknown, false},
  };
  for (const Case& c : cases) {
    ORV_QUERY_CONTEXT given{};
    given.hPrinter = c.handle;
    given.pPrinterName = c.name;
    PrinterForCall call;
    open_printer_for_call(given, &call);
    EXPECT_EQ(call.opened, c.opened) << c.what;
    if (c.opened) {
      EXPECT_NE(call.ctx.hPrinter, nullptr) << c.what;
    } else {
      EXPECT_EQ(call.ctx.hPrinter, c.handle) << c.what;
    }
    EXPECT_EQ(call.ctx.pPrinterName, c.name) << c.what;
    EXPECT_EQ(orv_host_open_printers(), c.opened ? 2u : 1u) << c.what;
    close_printer_for_call(call);
    EXPECT_EQ(orv_host_open_printers(), 1u) << c.what << ": closed again";
  }
  orv_host_close_printer(handle);
  orv_host_reset();
}

}  // namespace
}  // namespace orv
