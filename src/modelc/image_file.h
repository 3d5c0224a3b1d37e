// The image file: a model's whole image (items, root index, pools, Drv
// tables) with its name and the meanings of its root ids, as one portable
// little-endian file that the model compiler writes beside the generated
// source and the tools load. The layout is described in image_file_format.md;
// this header is the one home of its numbers. Build-time and tool code: the
// library never reads a file.
#ifndef ORVDB_MODELC_IMAGE_FILE_H_
#define ORVDB_MODELC_IMAGE_FILE_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "engine/image.h"
#include "modelc/compiler.h"
#include "modelc/table_schema.h"
#include "modelc/verifier.h"

namespace orv::model {

// The first eight bytes of every image file.
inline constexpr char kImageFileMagic[8] = {'O', 'R', 'V', 'D', 'B', 'I', 'M', 'G'};
// The format version this code writes and reads.
constexpr uint32_t kImageFileVersion = 1;
// Bytes of the header: magic, version, checksum, file size, table count.
constexpr uint32_t kImageFileHeaderSize = 24;
// The largest image file there is: the model compiler writes none larger,
// and the loader refuses a larger one before it reads past the header. Over
// a thousand times the largest model's image (51 KiB), and small enough to
// read whole into memory.
constexpr uint32_t kImageFileMaxSize = 64u << 20;
// Bytes of one table directory entry: table id, element size, offset, count.
constexpr uint32_t kImageFileEntrySize = 16;
// Every table starts on a multiple of this many bytes.
constexpr uint32_t kImageFileAlignment = 8;
// Where the header's fields lie.
constexpr uint32_t kImageFileVersionAt = 8;
constexpr uint32_t kImageFileChecksumAt = 12;  // CRC-32 of every byte from kImageFileSizeAt on
constexpr uint32_t kImageFileSizeAt = 16;
constexpr uint32_t kImageFileTableCountAt = 20;

// How an element of a table's type is written to the file and read back,
// little-endian, field by field: integers as themselves, an item as word 0
// then word 1, a mode row as its six keys then its four part indices.
template <typename E>
struct FileElement {
  static constexpr uint32_t kSize = sizeof(E);  // bytes in the file
  static void put(std::string* out, E value) {
    for (uint32_t i = 0; i < kSize; ++i)
      out->push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
  }
  static E get(const uint8_t* at) {
    uint64_t value = 0;
    for (uint32_t i = kSize; i-- > 0;) value = value << 8 | at[i];
    return static_cast<E>(value);
  }
};
template <>
struct FileElement<Item> {
  static constexpr uint32_t kSize = 8;
  static void put(std::string* out, const Item& item) {
    FileElement<uint32_t>::put(out, item.word0);
    FileElement<uint32_t>::put(out, item.word1);
  }
  static Item get(const uint8_t* at) {
    return Item{FileElement<uint32_t>::get(at), FileElement<uint32_t>::get(at + 4)};
  }
};
template <>
struct FileElement<ModeRow> {
  static constexpr uint32_t kSize = 2 * kModeKeyCount + 2 * kModePartCount;
  static void put(std::string* out, const ModeRow& row) {
    for (int16_t key : row.keys) FileElement<uint16_t>::put(out, static_cast<uint16_t>(key));
    for (uint32_t part = 0; part < kModePartCount; ++part)
      FileElement<uint16_t>::put(out, mode_row_part(row, part));
  }
  static ModeRow get(const uint8_t* at) {
    ModeRow row{};
    for (uint32_t k = 0; k < kModeKeyCount; ++k, at += 2)
      row.keys[k] = static_cast<int16_t>(FileElement<uint16_t>::get(at));
    uint16_t parts[kModePartCount];
    for (uint32_t part = 0; part < kModePartCount; ++part, at += 2)
      parts[part] = FileElement<uint16_t>::get(at);
    row.part_a = parts[0], row.part_b = parts[1], row.part_c = parts[2], row.part_d = parts[3];
    return row;
  }
};

// Bytes of one mode row: its keys, then its part indices, 16 bits each.
constexpr uint32_t kModeRowFileSize = FileElement<ModeRow>::kSize;

// Bytes of one meaning entry: id (16), reserved (16), text position (32),
// text length (16), unit length (16), unit position (32).
constexpr uint32_t kMeaningEntrySize = 16;

// The tables a file may hold, by the id its directory gives them: every
// table of the list of tables under its field's name (a part table array
// under the id of its first table; table p has that id + p), then the
// tables only the file holds.
#define ORV_FILE_ID_TABLE(owner, field, element, count, file_id, ...) field = file_id,
#define ORV_FILE_ID_NOTHING(...)
#define ORV_FILE_ID_PARTS(owner, field, table_type, stem, text, n, sizes, letters, first_id, ...) \
  field = first_id,
enum class ImageTable : uint32_t {
  ORV_IMAGE_TABLES(ORV_FILE_ID_TABLE, ORV_FILE_ID_NOTHING, ORV_FILE_ID_PARTS) model_name =
      8,               // the model's name, without a terminator
  meanings = 48,       // what each root id answers: id, text and unit positions
  meaning_texts = 49,  // the texts the meanings point into
};
#undef ORV_FILE_ID_TABLE
#undef ORV_FILE_ID_NOTHING
#undef ORV_FILE_ID_PARTS

// One table of the format: its id, its name in messages and the size of one
// element in the file.
struct ImageTableFormat {
  ImageTable id;          // directory id
  std::string name;       // as messages and the format description name it
  uint32_t element_size;  // bytes per element in the file
};

// Every table of the format, in id order.
const std::vector<ImageTableFormat>& image_tables();

// The format of table `id`, or null for an id the format does not know.
const ImageTableFormat* image_table_format(uint32_t id);

// What a root id answers, as the file carries it.
struct ImageMeaning {
  uint16_t id;          // the root id
  std::string meaning;  // one line
  std::string unit;     // unit of its numbers, or empty
};

// CRC-32 (the polynomial 0xEDB88320, reflected, as zip and PNG use) of
// `size` bytes. Cost: one table lookup per byte.
uint32_t image_file_crc32(const uint8_t* data, size_t size);

// The image file of `image` and `meanings`. A null table of the image is
// left out of the directory; the loader gives it back as null.
std::string write_image_file(const Image& image, const std::vector<ImageMeaning>& meanings);

// An image read from a file: its tables, the meanings it carries and what
// the verifier found in it.
struct LoadedImage {
  CompiledImage tables;                // the tables, viewed through tables.view()
  std::vector<ImageMeaning> meanings;  // in file order
  ImageReport report;                  // the verifier's report on tables.view()
};

// Reads an image file held in memory: the header (magic, version, size
// within kImageFileMaxSize, checksum) and the directory (every table known, of its element size, on
// an 8-byte boundary, inside the file, not overlapping another; parallel
// tables of one count) are checked before anything is allocated or read
// from a table. Then copies the tables into `out` and runs the verifier.
// False, with one line in *fault, when the bytes are no readable image file;
// a verifier fault is not a read fault (see out->report). Cost: linear in size.
bool read_image_file(const uint8_t* data, size_t size, LoadedImage* out, std::string* fault);

// read_image_file without the verifier: the tables only (out->report stays
// empty), for a caller that does not need their structure checked.
bool read_image_tables(const uint8_t* data, size_t size, LoadedImage* out, std::string* fault);

// read_image_file over the file at `path`, in bounded steps: what the path
// is comes first (anything but a regular file, such as a directory, a device,
// a named pipe or a socket, is refused without being opened), then its
// header alone (magic, version, and its size against the file's and
// kImageFileMaxSize), and only then the rest. A file that cannot be looked
// at, opened or read is a read fault, its line ending in the system's own
// error text. Cost: at most kImageFileMaxSize bytes read and held.
bool load_image_file(const std::string& path, LoadedImage* out, std::string* fault);

// The reading part of load_image_file, over an open file whose size was
// found to be `file_size` bytes: the header alone, then the rest. A file that
// holds another number of bytes changed while it was read.
bool read_image_stream(FILE* file, uintmax_t file_size, LoadedImage* out, std::string* fault);

}  // namespace orv::model

#endif  // ORVDB_MODELC_IMAGE_FILE_H_
