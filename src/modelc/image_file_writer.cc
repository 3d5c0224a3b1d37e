// Writes an image as an image file: header, table directory, then each
// present table on an 8-byte boundary, every number little-endian and
// every mode row field by field.
#include <string.h>

#include "modelc/image_file.h"

namespace orv::model {
namespace {

// Appends `value` as `bytes` little-endian bytes.
void put(std::string* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Overwrites the 32-bit field at `at` with `value`, little-endian.
void put_at(std::string* out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One table's encoded elements, or nothing when the image lacks it.
struct Encoded {
  bool present = false;  // the image has the table (a non-null pointer)
  uint32_t count = 0;    // its elements
  std::string bytes;     // its elements as the file holds them
};

template <typename T>
Encoded numbers(const T* values, uint32_t count) {
  Encoded e;
  e.present = values != nullptr;
  if (!e.present) return e;
  e.count = count;
  for (uint32_t i = 0; i < count; ++i) put(&e.bytes, static_cast<uint64_t>(values[i]), sizeof(T));
  return e;
}

Encoded records(const uint8_t* data, uint32_t count, uint32_t size) {
  Encoded e;
  e.present = data != nullptr;
  if (!e.present) return e;
  e.count = count;
  e.bytes.assign(reinterpret_cast<const char*>(data), size_t{count} * size);
  return e;
}

Encoded encode(const Image& image, const std::vector<ImageMeaning>& meanings, ImageTable table) {
  static const DrvTables kNoDrvTables{};
  const DrvTables& t = image.drv_tables ? *image.drv_tables : kNoDrvTables;
  Encoded e;
  switch (table) {
    case ImageTable::kItems:
      e.present = image.items != nullptr;
      e.count = e.present ? image.item_count : 0;
      for (uint32_t i = 0; i < e.count; ++i) {
        put(&e.bytes, image.items[i].word0, 4);
        put(&e.bytes, image.items[i].word1, 4);
      }
      return e;
    case ImageTable::kRootIds:
      return numbers(image.root_ids, image.root_count);
    case ImageTable::kRootItems:
      return numbers(image.root_items, image.root_count);
    case ImageTable::kI32Pool:
      return numbers(image.i32_pool, image.i32_count);
    case ImageTable::kI16Pool:
      return numbers(image.i16_pool, image.i16_count);
    case ImageTable::kBytePool:
      return numbers(image.byte_pool, image.byte_count);
    case ImageTable::kMatchPool:
      return numbers(image.match_pool, image.match_count);
    case ImageTable::kModelName:
      e.present = image.model_name != nullptr;
      if (e.present) e.bytes = image.model_name;
      e.count = static_cast<uint32_t>(e.bytes.size());
      return e;
    case ImageTable::kSelIndices:
      return numbers(t.sel_indices, t.sel_count);
    case ImageTable::kSelValueCounts:
      return numbers(t.sel_value_counts, t.sel_count);
    case ImageTable::kSelFirst:
      return numbers(t.sel_first, t.sel_count);
    case ImageTable::kSelValues:
      return numbers(t.sel_values, t.sel_value_count);
    case ImageTable::kSelValueIds:
      return numbers(t.sel_value_ids, t.sel_value_count);
    case ImageTable::kSeqIds:
      return numbers(t.seq_ids, t.seq_count);
    case ImageTable::kSeqFragmentCounts:
      return numbers(t.seq_fragment_counts, t.seq_count);
    case ImageTable::kSeqFirst:
      return numbers(t.seq_first, t.seq_count);
    case ImageTable::kSeqFragments:
      return numbers(t.seq_fragments, t.seq_fragment_count);
    case ImageTable::kModeRows:
      e.present = t.mode_rows != nullptr;
      e.count = e.present ? t.mode_count : 0;
      for (uint32_t r = 0; r < e.count; ++r) {
        const ModeRow& row = t.mode_rows[r];
        for (int16_t key : row.keys) put(&e.bytes, static_cast<uint16_t>(key), 2);
        for (uint32_t part = 0; part < kModePartCount; ++part)
          put(&e.bytes, mode_row_part(row, part), 2);
      }
      return e;
    case ImageTable::kModePartA:
    case ImageTable::kModePartB:
    case ImageTable::kModePartC:
    case ImageTable::kModePartD: {
      uint32_t part = static_cast<uint32_t>(table) - static_cast<uint32_t>(ImageTable::kModePartA);
      ModePartTable p = mode_part_table(t, part);
      return records(p.records, p.count, kModePartSizes[part]);
    }
    case ImageTable::kMeanings:
    case ImageTable::kMeaningTexts: {
      std::string texts;
      e.present = !meanings.empty();
      for (const ImageMeaning& m : meanings) {
        put(&e.bytes, m.id, 2);
        put(&e.bytes, 0, 2);
        put(&e.bytes, texts.size(), 4);
        put(&e.bytes, m.meaning.size(), 2);
        put(&e.bytes, m.unit.size(), 2);
        put(&e.bytes, texts.size() + m.meaning.size(), 4);
        texts += m.meaning + m.unit;
      }
      e.count = static_cast<uint32_t>(meanings.size());
      if (table == ImageTable::kMeaningTexts) {
        e.bytes = texts;
        e.count = static_cast<uint32_t>(texts.size());
      }
      return e;
    }
  }
  return e;
}

}  // namespace

std::string write_image_file(const Image& image, const std::vector<ImageMeaning>& meanings) {
  std::vector<std::pair<const ImageTableFormat*, Encoded>> tables;
  for (const ImageTableFormat& f : kImageTables) {
    Encoded e = encode(image, meanings, f.id);
    if (e.present) tables.push_back({&f, std::move(e)});
  }
  std::string out(kImageFileMagic, sizeof kImageFileMagic);
  put(&out, kImageFileVersion, 4);
  put(&out, 0, 4);  // checksum, set last
  put(&out, 0, 4);  // file size, set last
  put(&out, tables.size(), 4);
  size_t directory = out.size();
  out.append(tables.size() * kImageFileEntrySize, '\0');
  for (size_t k = 0; k < tables.size(); ++k) {
    while (out.size() % kImageFileAlignment != 0) out.push_back('\0');
    const auto& [format, encoded] = tables[k];
    size_t entry = directory + k * kImageFileEntrySize;
    put_at(&out, entry, static_cast<uint32_t>(format->id));
    put_at(&out, entry + 4, format->element_size);
    put_at(&out, entry + 8, static_cast<uint32_t>(out.size()));
    put_at(&out, entry + 12, encoded.count);
    out += encoded.bytes;
  }
  put_at(&out, kImageFileSizeAt, static_cast<uint32_t>(out.size()));
  put_at(&out, kImageFileChecksumAt,
         image_file_crc32(reinterpret_cast<const uint8_t*>(out.data()) + kImageFileSizeAt,
                          out.size() - kImageFileSizeAt));
  return out;
}

}  // namespace orv::model
