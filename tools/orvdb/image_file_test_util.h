// Image files that the tool's tests hand it: one the verifier faults, the
// bare header of one, and paths that must be refused before they are read.
#ifndef ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_
#define ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_

#include <gtest/gtest.h>
#include <stdint.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/image.h"
#include "modelc/image_file.h"
#include "support/files.h"
#include "support/test_folder.h"

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

// A path that is no image file, and what the tool's one line says of it.
struct NoImageFile {
  std::string path;
  const char* fault;
};

// Paths in `folder` that are refused by what they are or by their header
// alone: the folder, a character device, a named pipe that no writer ever
// opens, 100 MiB of zeros (sparse), and headers giving a size beyond the
// largest image file and beyond the file's end.
inline std::vector<NoImageFile> no_image_files(const orv::testing::TestFolder& folder) {
  const std::string fifo = folder.path("pipe");
  EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string zeros = orv::testing::write_file(folder.path("zeros.orvimg"), "");
  std::filesystem::resize_file(zeros, 100u << 20);
  return {
      {folder.path(), "a directory, not a regular file"},
      {"/dev/zero", "a character device, not a regular file"},
      {fifo, "a named pipe (FIFO), not a regular file"},
      {zeros, "not an image file: it does not begin with the magic"},
      {orv::testing::write_file(folder.path("huge.orvimg"), header_giving(0xFFFFFFFFu)),
       "the header gives a size of 4294967295 bytes, more than the largest image file"},
      {orv::testing::write_file(folder.path("short.orvimg"), header_giving(4096)),
       "truncated: 24 of the 4096 bytes the header gives"},
  };
}

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_IMAGE_FILE_TEST_UTIL_H_
