// The image file: its bytes as the format description lays them out, a
// round trip of every table, and every kind of damage refused with one line
// before a table is read.
#include "modelc/image_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "support/drv_table_builder.h"
#include "support/files.h"
#include "support/test_folder.h"

namespace orv::model {
namespace {

uint32_t get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}
void set32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i));
}
// Rewrites the size and checksum after a deliberate change.
void reseal(std::string* s) {
  set32(s, 16, static_cast<uint32_t>(s->size()));
  set32(s, 12, image_file_crc32(reinterpret_cast<const uint8_t*>(s->data()) + 16, s->size() - 16));
}

// A small image with every table of the format as it stood when written.
struct SmallImage {
  Item items[3] = {{make_word0(ITEM_SEQUENCE, 1), make_word1(0, 2)},
                   {make_word0(ITEM_INT16, 0), make_word1(0x1003, 2)},
                   {make_word0(ITEM_STRING, 0), make_word1(0x0002, 3)}};
  uint16_t root_ids[2] = {0x0002, 0x1003};
  uint32_t root_items[2] = {0, 0};
  int32_t i32[2] = {-1, 65535};
  uint16_t i16[2] = {21000, 0xFFFF};
  uint8_t bytes[3] = {'2', '.', 0};
  uint8_t match[3] = {'Q', 'X', 'R'};
  testing::DrvTableBuilder drv_store = [] {
    testing::DrvTableBuilder d;
    d.selector(5, {{1, 15101}, {271, 15117}});
    d.sequence(0x101B, {0});
    d.mode_rows = {{{1, 0, 1, 1, 2, 0}, 0, 0, 0, 0}, {{-2, 9, 383, 5, 1, -32768}, 1, 0, 9, 0}};
    d.mode_parts = {
        std::vector<uint8_t>(2 * kModePartASize, 0), std::vector<uint8_t>(kModePartBSize, 0),
        std::vector<uint8_t>(kModePartCSize, 0), std::vector<uint8_t>(kModePartDSize, 0)};
    d.mode_parts[0][0] = 0x1A, d.mode_parts[0][4] = 3;
    d.mode_parts[2][0] = 13, d.mode_parts[2][2] = 7;
    return d;
  }();
  DrvTables drv = drv_store.tables();
  Image image{items, 3,     root_ids, root_items, 2, i32,  2,         i16,
              2,     bytes, 3,        match,      3, &drv, "QXR-0001"};
  std::vector<ImageMeaning> meanings{{0x0002, "the version text", ""},
                                     {0x1003, "the paper size", "1/100 mm"}};
  std::string file() const { return write_image_file(image, meanings); }
};

// Offset of table `id`'s entry in the directory, or npos.
size_t entry_of(const std::string& file, ImageTable id) {
  for (uint32_t k = 0; k < get32(file, 20); ++k) {
    if (get32(file, 24 + 16 * k) == static_cast<uint32_t>(id)) return 24 + 16 * k;
  }
  return std::string::npos;
}

TEST(ImageFile, HeaderAndTablesAreLaidOutAsDescribed) {
  SmallImage small;
  std::string f = small.file();
  EXPECT_EQ(f.substr(0, 8), "ORVDBIMG");
  EXPECT_EQ(get32(f, 8), 1u);
  EXPECT_EQ(get32(f, 16), f.size());
  EXPECT_EQ(get32(f, 12),
            image_file_crc32(reinterpret_cast<const uint8_t*>(f.data()) + 16, f.size() - 16));
  EXPECT_EQ(get32(f, 20), 24u);  // every table the small image fills
  for (uint32_t k = 0; k < get32(f, 20); ++k) EXPECT_EQ(get32(f, 24 + 16 * k + 8) % 8, 0u);

  // Mode rows field by field: keys as signed 16-bit, then the part indices.
  size_t rows = entry_of(f, ImageTable::mode_rows);
  ASSERT_NE(rows, std::string::npos);
  EXPECT_EQ(get32(f, rows + 4), 20u);
  EXPECT_EQ(get32(f, rows + 12), 2u);
  const std::string second = f.substr(get32(f, rows + 8) + 20, 20);
  EXPECT_EQ(second, std::string("\xFE\xFF\x09\x00\x7F\x01\x05\x00\x01\x00\x00\x80"
                                "\x01\x00\x00\x00\x09\x00\x00\x00",
                                20));
  // Items as word 0 then word 1, little-endian.
  size_t items = entry_of(f, ImageTable::items);
  EXPECT_EQ(get32(f, get32(f, items + 8) + 8), make_word0(ITEM_INT16, 0));
  EXPECT_EQ(get32(f, get32(f, items + 8) + 12), make_word1(0x1003, 2));
}

TEST(ImageFile, EveryTableComesBackAsWritten) {
  SmallImage small;
  std::string f = small.file();
  LoadedImage loaded;
  std::string fault;
  ASSERT_TRUE(
      read_image_file(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &loaded, &fault))
      << fault;
  Image back = loaded.tables.view();
  const Image& in = small.image;
  ASSERT_EQ(back.item_count, 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back.items[i].word0, in.items[i].word0);
    EXPECT_EQ(back.items[i].word1, in.items[i].word1);
  }
  EXPECT_EQ(std::vector<uint16_t>(back.root_ids, back.root_ids + back.root_count),
            std::vector<uint16_t>({0x0002, 0x1003}));
  EXPECT_EQ(std::vector<int32_t>(back.i32_pool, back.i32_pool + back.i32_count),
            std::vector<int32_t>({-1, 65535}));
  EXPECT_EQ(std::vector<uint16_t>(back.i16_pool, back.i16_pool + back.i16_count),
            std::vector<uint16_t>({21000, 0xFFFF}));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.match_pool), back.match_count), "QXR");
  EXPECT_STREQ(back.model_name, "QXR-0001");
  ASSERT_NE(back.drv_tables, nullptr);
  const DrvTables& d = *back.drv_tables;
  EXPECT_EQ(d.sel_count, 1u);
  EXPECT_EQ(d.sel_value_ids[1], 15117u);
  EXPECT_EQ(d.seq_ids[0], 0x101B);
  ASSERT_EQ(d.mode_count, 2u);
  EXPECT_EQ(d.mode_rows[1].keys[0], -2);
  EXPECT_EQ(d.mode_rows[1].keys[5], -32768);
  EXPECT_EQ(d.mode_rows[1].part_c, 9);
  EXPECT_EQ(d.mode_parts[0].count, 2u);
  EXPECT_EQ(d.mode_parts[0].records[4], 3);
  EXPECT_EQ(d.mode_parts[2].records[2], 7);
  ASSERT_EQ(loaded.meanings.size(), 2u);
  EXPECT_EQ(loaded.meanings[1].meaning, "the paper size");
  EXPECT_EQ(loaded.meanings[1].unit, "1/100 mm");
  // The loader ran the verifier: the mode row's part C index 9 is beyond part C.
  EXPECT_FALSE(loaded.report.faults.empty());
}

TEST(ImageFile, TablesTheImageLacksStayNull) {
  Item item{make_word0(ITEM_INT8, 0), make_word1(0x0004, 1)};
  uint16_t id = 0x0004;
  uint32_t root = 0;
  uint8_t byte = 2;
  Image image{&item, 1,     &id, &root,   1, nullptr, 0,      nullptr,
              0,     &byte, 1,   nullptr, 0, nullptr, nullptr};
  std::string f = write_image_file(image, {});
  EXPECT_EQ(get32(f, 20), 4u);  // items, root ids, root items, byte pool
  LoadedImage loaded;
  std::string fault;
  ASSERT_TRUE(
      read_image_file(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &loaded, &fault));
  Image back = loaded.tables.view();
  EXPECT_EQ(back.i32_pool, nullptr);
  EXPECT_EQ(back.drv_tables, nullptr);
  EXPECT_EQ(back.model_name, nullptr);
  EXPECT_TRUE(loaded.meanings.empty());
}

// Refuses `f`, and says why in one line containing `expected`.
void expect_refused(const std::string& f, const std::string& expected) {
  LoadedImage loaded;
  std::string fault;
  EXPECT_FALSE(
      read_image_file(reinterpret_cast<const uint8_t*>(f.data()), f.size(), &loaded, &fault));
  EXPECT_NE(fault.find(expected), std::string::npos) << fault;
  EXPECT_EQ(fault.find('\n'), std::string::npos) << fault;
}

TEST(ImageFile, EveryPrefixAndEveryFlippedByteIsRefused) {
  std::string f = SmallImage().file();
  for (size_t n = 0; n < f.size(); ++n) {
    SCOPED_TRACE(n);
    // A copy on the heap of exactly n bytes, so that a read past it is caught.
    std::vector<uint8_t> prefix(f.begin(), f.begin() + static_cast<ptrdiff_t>(n));
    LoadedImage loaded;
    std::string fault;
    EXPECT_FALSE(read_image_file(prefix.data(), prefix.size(), &loaded, &fault));
    EXPECT_FALSE(fault.empty());
  }
  for (size_t at = 0; at < f.size(); ++at) {
    std::string flipped = f;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
    LoadedImage loaded;
    std::string fault;
    EXPECT_FALSE(read_image_file(reinterpret_cast<const uint8_t*>(flipped.data()), flipped.size(),
                                 &loaded, &fault))
        << "byte " << at;
  }
}

TEST(ImageFile, DamageIsNamed) {
  const std::string good = SmallImage().file();
  const size_t items = entry_of(good, ImageTable::items);
  const size_t roots = entry_of(good, ImageTable::root_items);
  const size_t meanings = entry_of(good, ImageTable::meanings);
  struct Case {
    const char* what;                       // the damage
    std::function<void(std::string*)> do_;  // applied to a copy, which is then resealed
    const char* expected;                   // in the fault line
    bool reseal;                            // size and checksum made to fit again
  };
  const Case cases[] = {
      {"text", [](std::string* s) { *s = "model QXR-7310\nitems 1971\n"; }, "magic", false},
      {"short header", [](std::string* s) { s->resize(12); }, "less than the 24-byte header",
       false},
      {"version", [](std::string* s) { set32(s, 8, 2); }, "format version 2", false},
      {"above the largest", [](std::string* s) { set32(s, 16, kImageFileMaxSize + 1); },
       "more than the largest image file (67108864 bytes)", false},
      {"cut in half", [](std::string* s) { s->resize(s->size() / 2); }, "truncated", false},
      {"bytes after the end", [](std::string* s) { s->append(8, '\0'); }, "after the end", false},
      {"checksum", [](std::string* s) { (*s)[s->size() - 1] ^= 1; }, "checksum", false},
      {"stored checksum", [](std::string* s) { set32(s, kImageFileChecksumAt, 0x1234abcd); },
       "is not the header's 0x1234abcd", false},
      {"directory past the end", [](std::string* s) { set32(s, 20, 0x10000000); }, "directory",
       true},
      {"unknown id", [&](std::string* s) { set32(s, items, 99); }, "unknown table id 99", true},
      {"element size", [&](std::string* s) { set32(s, items + 4, 4); }, "elements of 4 bytes",
       true},
      {"misaligned", [&](std::string* s) { set32(s, items + 8, get32(*s, items + 8) + 4); },
       "8-byte boundary", true},
      {"inside the directory", [&](std::string* s) { set32(s, items + 8, 24); },
       "inside the header or directory", true},
      {"past the end", [&](std::string* s) { set32(s, items + 12, 0x40000000); },
       "run past the end", true},
      {"overlap", [&](std::string* s) { set32(s, items + 12, 4); }, "overlaps", true},
      {"twice", [&](std::string* s) { set32(s, roots, 1), set32(s, roots + 4, 8); },
       "appears twice", true},
      {"parallel counts", [&](std::string* s) { set32(s, roots + 12, 1); }, "holds 1 elements",
       true},
      {"NUL in the name",
       [](std::string* s) { (*s)[get32(*s, entry_of(*s, ImageTable::model_name) + 8) + 3] = 0; },
       "holds a NUL byte", true},
      {"meaning outside", [&](std::string* s) { set32(s, get32(*s, meanings + 8) + 4, 1000); },
       "outside the meaning texts", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string f = good;
    c.do_(&f);
    if (c.reseal) reseal(&f);
    expect_refused(f, c.expected);
  }
}

// A file holding fewer or more bytes than its size said changed while it
// was read, though its header is sound; a file that cannot be read at all
// is refused, as a read fault where the C library flags the failed read.
TEST(ImageFile, StreamOfAnotherSizeOrUnreadable) {
  const std::string good = SmallImage().file();
  const testing::TestFolder folder;
  const std::string path = folder.path("image.orvimg");
  for (const std::string& held : {good.substr(0, good.size() - 8), good + std::string(8, '\0')}) {
    testing::write_file(path, held);
    FILE* file = fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    LoadedImage loaded;
    std::string fault;
    EXPECT_FALSE(read_image_stream(file, good.size(), &loaded, &fault)) << held.size();
    EXPECT_EQ(fault, "the file changed its size while it was read") << held.size();
    fclose(file);
  }
  FILE* write_only = fopen(path.c_str(), "wb");
  ASSERT_NE(write_only, nullptr);
  LoadedImage loaded;
  std::string fault;
  EXPECT_FALSE(read_image_stream(write_only, good.size(), &loaded, &fault));
#ifndef _WIN32
  // The Windows C runtime reads nothing from it without flagging an error,
  // so there the header check refuses it instead.
  EXPECT_EQ(fault.rfind("cannot read: ", 0), 0u) << fault;
#endif
  fclose(write_only);
}

TEST(ImageFile, FormatDescriptionListsEveryTable) {
#ifdef ORVDB_IMAGE_FILE_FORMAT_DOC
  ASSERT_TRUE(std::filesystem::exists(ORVDB_IMAGE_FILE_FORMAT_DOC));
  const std::string doc = testing::read_file(ORVDB_IMAGE_FILE_FORMAT_DOC);
  const std::regex row(R"(\n\| (\d+) \| ([a-zA-Z0-9 -]+) \| (\d+) \|)");
  size_t rows = 0;
  for (auto m = std::sregex_iterator(doc.begin(), doc.end(), row); m != std::sregex_iterator();
       ++m, ++rows) {
    const ImageTableFormat* f = image_table_format(static_cast<uint32_t>(std::stoul((*m)[1])));
    ASSERT_NE(f, nullptr) << (*m)[0];
    EXPECT_EQ((*m)[2], f->name);
    EXPECT_EQ(std::stoul((*m)[3]), f->element_size) << f->name;
  }
  EXPECT_EQ(rows, image_tables().size());
#else
  GTEST_SKIP() << "the description is read on the build machine only";
#endif
}

}  // namespace
}  // namespace orv::model
