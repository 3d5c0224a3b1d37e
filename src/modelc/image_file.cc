// The image file format's shared helpers: the list of its tables, drawn
// from the list of the image's tables, the table lookup and the checksum.
#include "modelc/image_file.h"

#include <algorithm>

namespace orv::model {

const std::vector<ImageTableFormat>& image_tables() {
  static const std::vector<ImageTableFormat> kTables = [] {
    std::vector<ImageTableFormat> tables;
    visit_schema([&](const auto& d) {
      using D = std::decay_t<decltype(d)>;
      if constexpr (D::kIsTable) {
        tables.push_back({static_cast<ImageTable>(d.info.file_id), table_name(d.info),
                          d.info.record_size * FileElement<typename D::Element>::kSize});
      }
    });
    tables.push_back({ImageTable::model_name, "model name", 1});
    tables.push_back({ImageTable::meanings, "meanings", kMeaningEntrySize});
    tables.push_back({ImageTable::meaning_texts, "meaning texts", 1});
    std::sort(tables.begin(), tables.end(),
              [](const ImageTableFormat& a, const ImageTableFormat& b) { return a.id < b.id; });
    return tables;
  }();
  return kTables;
}

const ImageTableFormat* image_table_format(uint32_t id) {
  for (const ImageTableFormat& f : image_tables()) {
    if (static_cast<uint32_t>(f.id) == id) return &f;
  }
  return nullptr;
}

uint32_t image_file_crc32(const uint8_t* data, size_t size) {
  static const auto kTable = [] {
    std::vector<uint32_t> table(256);
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    return table;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = kTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace orv::model
