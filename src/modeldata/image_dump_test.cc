// The image dump: the built-in image against the committed golden dump, the
// exact form of a small image, and safety on a faulty one.
#include "modeldata/image_dump.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orv {
namespace {

TEST(ImageDump, BuiltInImageMatchesTheGoldenDump) {
  std::ifstream in(ORVDB_GOLDEN_DUMP, std::ios::binary);
  ASSERT_TRUE(in) << "cannot read " << ORVDB_GOLDEN_DUMP;
  std::stringstream golden;
  golden << in.rdbuf();
  // When the model changes on purpose: ninja update_golden_dump, then review the diff.
  EXPECT_TRUE(dump_image(builtin_image()) == golden.str())
      << "the built-in image differs from " << ORVDB_GOLDEN_DUMP;
}

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
  Image img{items, 6, ids, roots, 1, nullptr, 0, i16, 2, bytes, 3, match, 2, nullptr};
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
  Image img{items, 3, ids, roots, 2, nullptr, 0, nullptr, 0, bytes, 2, nullptr, 0, nullptr};
  std::string d = dump_image(img);
  EXPECT_NE(d.find("[1] INT8 id=0x0007 n=4 <beyond byte pool>"), std::string::npos) << d;
  EXPECT_NE(d.find("[3] <beyond the item table>"), std::string::npos) << d;
  EXPECT_NE(d.find("[99] <beyond the item table>"), std::string::npos) << d;
}

}  // namespace
}  // namespace orv
