// The image dump: the built-in image against the committed golden dump, the
// exact form of a small image and of the Drv tables, a changed mode row seen
// in the dump, and safety on a faulty image.
#include "modelc/image_dump.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <fstream>
#include <sstream>

#include "drvrecords/drv_tables.h"
#include "modelc/compiler.h"
#include "support/drv_table_builder.h"

namespace orv {
namespace {

TEST(ImageDump, SmallImage) {
  const Item items[] = {
      {make_word0(ITEM_SWITCH_STRING, 1), make_word1(0, 2)},
      {make_word0(ITEM_CASE_STRING, 3), 4},
      {make_word0(ITEM_DEFAULT, 5), 0},
      {make_word0(ITEM_INT16, 0), make_word1(7, 2)},
      {make_word0(ITEM_BYTES, 0), make_word1(0, 2)},
      {make_word0(ITEM_STRING, 0), make_word1(7, 3)},
  };
  const uint16_t ids[] = {7};
  const uint32_t roots[] = {0};
  const uint16_t i16[] = {0xFFFE, 300};
  const uint8_t bytes[] = {'h', 'i', 0};
  const uint8_t match[] = {'B', 'K'};
  Image img{items, 6, ids, roots, 1, nullptr, 0, i16, 2, bytes, 3, match, 2, nullptr, nullptr};
  EXPECT_EQ(dump_image(img),
            "orvdb image dump 1\n"
            "items 6\n"
            "roots 1\n"
            "i32 0\n"
            "i16 2\n"
            "bytes 3\n"
            "match 2\n"
            "total bytes 63\n"
            "\n"
            "root 0x0007 item 0 (tree of 0x0007)\n"
            "  [0] SWITCH_STRING string=0 n=2\n"
            "    [1] CASE_STRING [4] match@0 \"BK\"\n"
            "      [3] INT16 id=0x0007 n=2 i16@0: -2, 300\n"
            "    [2] DEFAULT\n"
            "      [5] STRING id=0x0007 n=3 byte@0: \"hi\\x00\"\n");
}

TEST(ImageDump, FaultyIndicesAreShownNotFollowed) {
  const Item items[] = {
      {make_word0(ITEM_SEQUENCE, 1), make_word1(0, 3)},
      {make_word0(ITEM_INT8, 5), make_word1(7, 4)},
      {make_word0(ITEM_SWITCH_MASKED, 1), make_word1(0, 1)},
  };
  const uint16_t ids[] = {7, 8};
  const uint32_t roots[] = {0, 99};
  const uint8_t bytes[] = {1, 2};
  Image img{items, 3,     ids, roots,   2, nullptr, 0,      nullptr,
            0,     bytes, 2,   nullptr, 0, nullptr, nullptr};
  std::string d = dump_image(img);
  EXPECT_NE(d.find("[1] INT8 id=0x0007 n=4 <beyond byte pool>"), std::string::npos) << d;
  EXPECT_NE(d.find("[3] <beyond the item table>"), std::string::npos) << d;
  EXPECT_NE(d.find("[99] <beyond the item table>"), std::string::npos) << d;
}

TEST(ImageDump, DrvTablesOneLinePerRow) {
  const Item items[] = {{make_word0(ITEM_BYTES, 0), make_word1(kFragmentId, 2)}};
  const uint16_t ids[] = {kFragmentId};
  const uint32_t roots[] = {0};
  const uint8_t bytes[] = {0x1B, 0x40};
  std::vector<uint8_t> a(kModePartASize, 0), b(kModePartBSize, 0), c(kModePartCSize, 0),
      d(kModePartDSize, 0);
  a[0] = 0x1A;
  c[kModePartCSize - 1] = 0xFF;
  testing::DrvTableBuilder drv;
  drv.selector(7, {{4, 15301}, {7, 15302}});
  drv.selector(4, {{1, 15002}});
  drv.sel_value_counts[1] = 2;  // slot 1 overruns the values
  drv.sequence(0x101B, {0});
  drv.mode_rows = {{{3, 1, 383, 1, 1, 0}, 0, 0, 0, 0}};
  drv.mode_parts = {a, b, c, d};
  const DrvTables t = drv.tables();
  Image img{items, 1, ids, roots, 1, nullptr, 0, nullptr, 0, bytes, 2, nullptr, 0, &t, nullptr};
  std::string dump = dump_image(img);
  std::string tables = dump.substr(dump.find("\ndrv tables\n"));
  auto record = [](const std::vector<uint8_t>& r) {
    std::string s;
    for (uint8_t v : r) {
      char buf[4];
      snprintf(buf, sizeof buf, " %02X", v);
      s += buf;
    }
    return s;
  };
  EXPECT_EQ(tables,
            "\ndrv tables\n"
            "selector values: slots 2, values 3\n"
            "  slot 0 selector 7 values@0 n=2: 4=15301 7=15302\n"
            "  slot 1 selector 4 values@2 n=2: <beyond the values>\n"
            "command sequences: 1, fragments 1\n"
            "  sequence 0 id=0x101B fragments@0 n=1: [0]\n"
            "mode table: rows 1, keys selectors 4 9 5 8 6 81\n"
            "  row 0 keys 3 1 383 1 1 0 parts A=0 B=0 C=0 D=0\n"
            "mode part A: records 1 of 48 bytes\n"
            "  A0:" +
                record(a) +
                "\n"
                "mode part B: records 1 of 40 bytes\n"
                "  B0:" +
                record(b) +
                "\n"
                "mode part C: records 1 of 36 bytes\n"
                "  C0:" +
                record(c) +
                "\n"
                "mode part D: records 1 of 48 bytes\n"
                "  D0:" +
                record(d) + "\n");
}

}  // namespace
}  // namespace orv
