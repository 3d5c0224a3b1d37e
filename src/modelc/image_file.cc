// The image file format's shared helpers: the table lookup and the checksum.
#include "modelc/image_file.h"

namespace orv::model {

const ImageTableFormat* image_table_format(uint32_t id) {
  for (const ImageTableFormat& f : kImageTables) {
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
