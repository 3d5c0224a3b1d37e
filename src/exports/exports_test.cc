#include "exports/exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "orvdb/host_platform.h"
#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;

std::vector<ORV_WCHAR> Wide(const char* s) {
  std::vector<ORV_WCHAR> out(s, s + std::strlen(s));
  out.push_back(0);
  return out;
}

class AccessTest : public ::testing::Test {
 protected:
  void SetUp() override { orv_host_reset(); }
  void TearDown() override {
    EXPECT_EQ(orv_host_live_allocations(), 0u);
    orv_host_reset();
  }
};

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
  ORV_QUERY_CONTEXT ctx{};
  uint32_t needed = 0;
  ASSERT_EQ(access_database(image, Domain::kRoot, 8, &ctx, 0, nullptr, &needed), DB_NO_SELECTOR);
  uint32_t tag = 3;
  ctx.cSelectors = 1;
  ctx.pSelectors = &tag;
  ASSERT_EQ(access_database(image, Domain::kRoot, 8, &ctx, 0, nullptr, &needed), DB_MORE_DATA);
  ASSERT_EQ(needed, 10u);
  std::vector<uint16_t> text(needed / 2);
  ASSERT_EQ(access_database(image, Domain::kRoot, 8, &ctx, needed, text.data(), &needed), DB_OK);
  EXPECT_EQ(text, (std::vector<uint16_t>{'M', 'o', 'd', 'e', 0}));
}

TEST_F(AccessTest, PrinterNamedInContextIsOpenedAndClosedWithinTheCall) {
  ASSERT_EQ(orv_host_add_printer("QXR Office"), 0);
  uint32_t one = 1;
  ASSERT_EQ(orv_host_set_printer_data("QXR Office", "Mode", &one, 4), 0);
  ImageBuilder b = DomainImage();
  Image image = b.image();
  std::vector<ORV_WCHAR> name = Wide("qxr office");
  ORV_QUERY_CONTEXT ctx{};
  ctx.pPrinterName = name.data();
  int32_t value = 0;
  uint32_t needed = 0;
  ASSERT_EQ(access_database(image, Domain::kRoot, 2, &ctx, 4, &value, &needed), DB_OK);
  EXPECT_EQ(value, 11);  // the printer's value was read through the handle opened here
  EXPECT_EQ(orv_host_open_printers(), 0u);
  EXPECT_EQ(ctx.hPrinter, nullptr);  // the caller's context is never written
}

TEST_F(AccessTest, CallersHandleIsNeverClosed) {
  ASSERT_EQ(orv_host_add_printer("P"), 0);
  void* handle = orv_host_open_printer("P");
  ASSERT_NE(handle, nullptr);
  ImageBuilder b = DomainImage();
  Image image = b.image();
  std::vector<ORV_WCHAR> other = Wide("does not exist");
  ORV_QUERY_CONTEXT ctx{};
  ctx.hPrinter = handle;
  ctx.pPrinterName = other.data();  // ignored: a handle is given
  int32_t value = 0;
  uint32_t needed = 0;
  ASSERT_EQ(access_database(image, Domain::kRoot, 2, &ctx, 4, &value, &needed), DB_OK);
  EXPECT_EQ(value, 99);  // no such value: the default decides
  EXPECT_EQ(orv_host_open_printers(), 1u);
  orv_host_close_printer(handle);
  EXPECT_EQ(orv_host_open_printers(), 0u);
}

TEST_F(AccessTest, UnknownPrinterNameIsNotItselfAnError) {
  ImageBuilder b = DomainImage();
  Image image = b.image();
  std::vector<ORV_WCHAR> name = Wide("nowhere");
  ORV_QUERY_CONTEXT ctx{};
  ctx.pPrinterName = name.data();
  int32_t value = 0;
  uint32_t needed = 0;
  EXPECT_EQ(access_database(image, Domain::kRoot, 1, &ctx, 4, &value, &needed), DB_OK);
  // Only a branch that needs the printer reports it.
  EXPECT_EQ(access_database(image, Domain::kRoot, 2, &ctx, 4, &value, &needed), DB_NO_CONTEXT);
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
