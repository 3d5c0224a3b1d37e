#include "exports/exports.h"

#include <gtest/gtest.h>

#include <vector>

#include "orvdb/host_platform.h"
#include "support/fetch.h"
#include "support/image_builder.h"
#include "support/leak_checked_test.h"
#include "support/query_context.h"

namespace orv {
namespace {

using testing::ImageBuilder;

// Root id 8 names the value "Mode" for tag 3; Root id 2 is a printer-data
// switch on tag 3: value 1 answers 11, no value answers the default 99.
// Each domain has one plain id at the start of its range answering 7.
ImageBuilder DomainImage() {
  ImageBuilder b;
  uint32_t names = b.add(ITEM_SWITCH_SELECTOR, 1, 0, 1);
  b.add_raw(ITEM_CASE, 2, 3);
  b.string_leaf(8, "Mode");
  b.root(8, names);
  uint32_t sw = b.add(ITEM_SWITCH_PRINTER_DATA, 4, 3, 2);
  uint32_t leaves_at = sw + 3;
  b.add_raw(ITEM_CASE, leaves_at, 1);
  b.add_raw(ITEM_DEFAULT, leaves_at + 1, 0);
  b.int8_leaf(2, {11});
  b.int8_leaf(2, {99});
  b.root(2, sw);
  for (uint16_t id : {0x0001, 0x1001, 0x2001, 0x3001, 0x4001, 0x6001, 0x5001}) {
    b.root(id, b.int8_leaf(id, {7}));
  }
  return b;
}

class AccessTest : public testing::LeakCheckedTest {
 protected:
  // Root id `id` of the domain image as a number, asked with `ctx`.
  static int32_t RootNumber(uint16_t id, const ORV_QUERY_CONTEXT& ctx, int32_t* value) {
    const ImageBuilder b = DomainImage();
    uint32_t needed = 0;
    return access_database(b.image(), Domain::kRoot, id, &ctx, sizeof *value, value, &needed);
  }
};

TEST_F(AccessTest, IdRangesPerDomain) {
  ImageBuilder b = DomainImage();
  Image image = b.image();
  struct Row {
    Domain domain;
    uint16_t first, last;
  } rows[] = {{Domain::kRoot, 0x0001, 0x0FFF}, {Domain::kDrv, 0x1001, 0x1FFF},
              {Domain::kLM, 0x2001, 0x2FFF},   {Domain::kMnt, 0x3001, 0x3FFF},
              {Domain::kPA, 0x4001, 0x4FFF},   {Domain::kSM, 0x6001, 0x6FFF}};
  ORV_QUERY_CONTEXT ctx{};
  for (const Row& row : rows) {
    int32_t value = 0;
    uint32_t needed = 0;
    EXPECT_EQ(access_database(image, row.domain, row.first, &ctx, 4, &value, &needed), DB_OK);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(access_database(image, row.domain, row.first - 1, &ctx, 4, &value, &needed),
              DB_NOT_FOUND);
    EXPECT_EQ(access_database(image, row.domain, row.last + 1, &ctx, 4, &value, &needed),
              DB_NOT_FOUND);
    EXPECT_EQ(access_database(image, row.domain, row.last, &ctx, 4, &value, &needed), DB_NO_ENTRY);
  }
  // The internal block is served by no domain, though it stands in the root index.
  int32_t value = 0;
  uint32_t needed = 0;
  EXPECT_EQ(access_database(image, Domain::kSM, 0x5001, &ctx, 4, &value, &needed), DB_NOT_FOUND);
}

TEST_F(AccessTest, ContextAndNeededSizeChecks) {
  ImageBuilder b = DomainImage();
  Image image = b.image();
  uint32_t needed = 5;
  int32_t value = 0;
  EXPECT_EQ(access_database(image, Domain::kRoot, 0, nullptr, 4, &value, &needed), DB_NO_CONTEXT);
  EXPECT_EQ(access_database(image, Domain::kRoot, 1, nullptr, 4, &value, &needed), DB_NO_CONTEXT);
  ORV_QUERY_CONTEXT ctx{};
  EXPECT_EQ(access_database(image, Domain::kRoot, 1, &ctx, 4, &value, nullptr), DB_ERROR);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(needed, 5u);
}

TEST_F(AccessTest, SizeQueryThenExactBuffer) {
  ImageBuilder b = DomainImage();
  Image image = b.image();
  const testing::QueryContext none;
  EXPECT_EQ(testing::ask_sized(access_database, image, Domain::kRoot, 8, &none.ctx).result,
            DB_NO_SELECTOR);
  const testing::QueryContext tag_3 = testing::QueryContext::of({3});
  testing::Answer a = testing::ask_sized(access_database, image, Domain::kRoot, 8, &tag_3.ctx);
  ASSERT_EQ(a.result, DB_OK);
  EXPECT_EQ(a.needed, 10u);
  EXPECT_EQ(a.as<uint16_t>(), (std::vector<uint16_t>{'M', 'o', 'd', 'e', 0}));
}

TEST_F(AccessTest, PrinterNamedInContextIsOpenedAndClosedWithinTheCall) {
  ASSERT_EQ(orv_host_add_printer("QXR Office"), 0);
  uint32_t one = 1;
  ASSERT_EQ(orv_host_set_printer_data("QXR Office", "Mode", &one, 4), 0);
  testing::QueryContext c;
  c.name_printer("qxr office");
  int32_t value = 0;
  ASSERT_EQ(RootNumber(2, c.ctx, &value), DB_OK);
  EXPECT_EQ(value, 11);  // the printer's value was read through the handle opened here
  EXPECT_EQ(orv_host_open_printers(), 0u);
  EXPECT_EQ(c.ctx.hPrinter, nullptr);  // the caller's context is never written
}

TEST_F(AccessTest, CallersHandleIsNeverClosed) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  void* handle = orv_host_open_printer("P");
  ASSERT_NE(handle, nullptr);
  testing::QueryContext c;
  c.name_printer("does not exist");  // ignored: a handle is given
  c.ctx.hPrinter = handle;
  int32_t value = 0;
  ASSERT_EQ(RootNumber(2, c.ctx, &value), DB_OK);
  EXPECT_EQ(value, 99);  // no such value: the default decides
  EXPECT_EQ(orv_host_open_printers(), 1u);
  orv_host_close_printer(handle);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(AccessTest, UnknownPrinterNameIsNotItselfAnError) {
  testing::QueryContext c;
  c.name_printer("nowhere");
  int32_t value = 0;
  EXPECT_EQ(RootNumber(1, c.ctx, &value), DB_OK);
  // Only a branch that needs the printer reports it.
  EXPECT_EQ(RootNumber(2, c.ctx, &value), DB_NO_CONTEXT);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST(ExportsTest, ChecksBeforeTheDataBase) {
  using Export = int32_t (*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*, uint32_t*);
  struct Row {
    Export fn;
    uint16_t below, above;  // ids just outside the range, or outside it anyhow
  } rows[] = {{ORV_AccessRootDataBase, 0x0000, 0x1000}, {ORV_AccessDrvDataBase, 0x1000, 0x2000},
              {ORV_AccessLMDataBase, 0x2000, 0x3000},   {ORV_AccessMntDataBase, 0x3000, 0x4000},
              {ORV_AccessPADataBase, 0x4000, 0x5000},   {ORV_AccessSMDataBase, 0x6000, 0x7000},
              {ORV_AccessSMDataBase, 0x5008, 0x5008}};
  ORV_QUERY_CONTEXT ctx{};
  for (const Row& row : rows) {
    uint32_t needed = 0;
    EXPECT_EQ(row.fn(row.below, nullptr, 0, nullptr, &needed), DB_NO_CONTEXT);
    EXPECT_EQ(row.fn(row.below, &ctx, 0, nullptr, &needed), DB_NOT_FOUND);
    EXPECT_EQ(row.fn(row.above, &ctx, 0, nullptr, &needed), DB_NOT_FOUND);
    if (row.below % 0x1000 == 0) {
      EXPECT_EQ(row.fn(row.below + 1, &ctx, 0, nullptr, nullptr), DB_ERROR);
    }
  }
}

}  // namespace
}  // namespace orv
