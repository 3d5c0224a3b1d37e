// Writes an image as an image file: header, table directory, then each
// present table on an 8-byte boundary, every element as FileElement writes
// it; the tables are those of the list of tables and the file's own.
#include <string.h>

#include <map>
#include <type_traits>

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

// The table `d` describes, of the struct `s` that holds it.
template <typename D>
Encoded encode(const D& d, const typename D::Struct& s) {
  using E = typename D::Element;
  Encoded e;
  const E* data = d.data(s);
  e.present = data != nullptr;
  if (!e.present) return e;
  e.count = d.count(s);
  const uint64_t elements = uint64_t{e.count} * d.info.record_size;
  for (uint64_t i = 0; i < elements; ++i) FileElement<E>::put(&e.bytes, data[i]);
  return e;
}

// The tables only the file holds: the model's name and the meanings.
Encoded encode_file_table(const Image& image, const std::vector<ImageMeaning>& meanings,
                          ImageTable table) {
  Encoded e;
  if (table == ImageTable::model_name) {
    e.present = image.model_name != nullptr;
    if (e.present) e.bytes = image.model_name;
    e.count = static_cast<uint32_t>(e.bytes.size());
    return e;
  }
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
  if (table == ImageTable::meaning_texts) {
    e.bytes = texts;
    e.count = static_cast<uint32_t>(texts.size());
  }
  return e;
}

// Every table of `image` by its id: the list's tables, then the file's own.
std::map<ImageTable, Encoded> encode_all(const Image& image,
                                         const std::vector<ImageMeaning>& meanings) {
  std::map<ImageTable, Encoded> tables;
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (!D::kIsTable) {
      return;
    } else if constexpr (std::is_same_v<typename D::Struct, Image>) {
      tables[static_cast<ImageTable>(d.info.file_id)] = encode(d, image);
    } else if (image.drv_tables != nullptr) {
      tables[static_cast<ImageTable>(d.info.file_id)] = encode(d, *image.drv_tables);
    }
  });
  for (ImageTable t : {ImageTable::model_name, ImageTable::meanings, ImageTable::meaning_texts})
    tables[t] = encode_file_table(image, meanings, t);
  return tables;
}

}  // namespace

std::string write_image_file(const Image& image, const std::vector<ImageMeaning>& meanings) {
  std::map<ImageTable, Encoded> encoded = encode_all(image, meanings);
  std::vector<std::pair<const ImageTableFormat*, Encoded>> tables;
  for (const ImageTableFormat& f : image_tables()) {
    Encoded& e = encoded[f.id];
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
