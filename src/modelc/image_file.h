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

#include <string>
#include <vector>

#include "engine/image.h"
#include "modelc/compiler.h"
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

// The tables a file may hold, by the id its directory gives them.
enum class ImageTable : uint32_t {
  kItems = 1,               // item table: word 0, word 1
  kRootIds = 2,             // root index: data id of each slot
  kRootItems = 3,           // root index: item index of each slot
  kI32Pool = 4,             // i32 pool
  kI16Pool = 5,             // i16 pool
  kBytePool = 6,            // byte pool
  kMatchPool = 7,           // match-string pool
  kModelName = 8,           // the model's name, without a terminator
  kSelIndices = 16,         // selector-value table: selector of each slot
  kSelValueCounts = 17,     // values of each slot
  kSelFirst = 18,           // position of each slot's first value
  kSelValues = 19,          // the values, slot after slot
  kSelValueIds = 20,        // the value identifier of each value
  kSeqIds = 24,             // command-sequence table: Drv id of each sequence
  kSeqFragmentCounts = 25,  // fragments of each sequence
  kSeqFirst = 26,           // position of each sequence's first fragment
  kSeqFragments = 27,       // item index of every fragment tree
  kModeRows = 32,           // mode table: six signed keys, four part indices
  kModePartA = 33,          // mode part A records
  kModePartB = 34,          // mode part B records
  kModePartC = 35,          // mode part C records
  kModePartD = 36,          // mode part D records
  kMeanings = 48,           // what each root id answers: id, text and unit positions
  kMeaningTexts = 49,       // the texts the meanings point into
};

// One table of the format: its id, its name in messages and the size of one
// element in the file.
struct ImageTableFormat {
  ImageTable id;          // directory id
  const char* name;       // as messages and the format description name it
  uint32_t element_size;  // bytes per element in the file
};

// Bytes of one mode row: its keys, then its part indices, 16 bits each.
constexpr uint32_t kModeRowFileSize = 2 * kModeKeyCount + 2 * kModePartCount;

// Bytes of one meaning entry: id (16), reserved (16), text position (32),
// text length (16), unit length (16), unit position (32).
constexpr uint32_t kMeaningEntrySize = 16;

inline constexpr ImageTableFormat kImageTables[] = {
    {ImageTable::kItems, "items", 8},
    {ImageTable::kRootIds, "root ids", 2},
    {ImageTable::kRootItems, "root items", 4},
    {ImageTable::kI32Pool, "i32 pool", 4},
    {ImageTable::kI16Pool, "i16 pool", 2},
    {ImageTable::kBytePool, "byte pool", 1},
    {ImageTable::kMatchPool, "match-string pool", 1},
    {ImageTable::kModelName, "model name", 1},
    {ImageTable::kSelIndices, "selector indices", 2},
    {ImageTable::kSelValueCounts, "selector value counts", 2},
    {ImageTable::kSelFirst, "selector first values", 4},
    {ImageTable::kSelValues, "selector values", 2},
    {ImageTable::kSelValueIds, "selector value ids", 4},
    {ImageTable::kSeqIds, "sequence ids", 2},
    {ImageTable::kSeqFragmentCounts, "sequence fragment counts", 2},
    {ImageTable::kSeqFirst, "sequence first fragments", 4},
    {ImageTable::kSeqFragments, "sequence fragments", 4},
    {ImageTable::kModeRows, "mode rows", kModeRowFileSize},
    {ImageTable::kModePartA, "mode part A", kModePartASize},
    {ImageTable::kModePartB, "mode part B", kModePartBSize},
    {ImageTable::kModePartC, "mode part C", kModePartCSize},
    {ImageTable::kModePartD, "mode part D", kModePartDSize},
    {ImageTable::kMeanings, "meanings", kMeaningEntrySize},
    {ImageTable::kMeaningTexts, "meaning texts", 1},
};

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

}  // namespace orv::model

#endif  // ORVDB_MODELC_IMAGE_FILE_H_
