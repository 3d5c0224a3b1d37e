// Image files that the tool's tests hand it: one the verifier faults, and
// the bare header of one, for paths that must be refused before they are read.
#ifndef ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_
#define ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "engine/image.h"
#include "modelc/image_file.h"

namespace orvtool {

// The built-in image's file with root slot 0 naming an item beyond the item
// table.
inline std::string faulty_image_file() {
  orv::Image image = orv::builtin_image();
  std::vector<uint32_t> roots(image.root_items, image.root_items + image.root_count);
  roots[0] = image.item_count + 5;
  image.root_items = roots.data();
  return orv::model::write_image_file(image, {});
}

// The header of an image file of format version 1 that gives `size` as its
// size: what the loader reads before it allocates anything.
inline std::string header_giving(uint32_t size) {
  std::string h(orv::model::kImageFileMagic, sizeof orv::model::kImageFileMagic);
  for (uint32_t word : {orv::model::kImageFileVersion, 0u, size, 0u}) {
    for (int i = 0; i < 4; ++i) h += static_cast<char>(word >> (8 * i));
  }
  return h;
}

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_
