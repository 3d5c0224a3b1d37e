// A readable, stable text form of a whole image: its sizes, the root index,
// and every tree with item indices and decoded values. Used for the golden
// dump of the built-in image and by tools that show an image. The text
// depends only on the image's tables, so it changes exactly when they do.
#ifndef ORVDB_MODELDATA_IMAGE_DUMP_H_
#define ORVDB_MODELDATA_IMAGE_DUMP_H_

#include <string>

#include "engine/image.h"

namespace orv {

// The dump of `image`. Never reads outside the tables: a faulty index is
// shown as such instead of being followed.
std::string dump_image(const Image& image);

// The name of an item kind as the dump prints it ("SWITCH_SELECTOR"), or
// "INVALID" for a value that is no kind.
const char* item_kind_name(uint8_t kind);

}  // namespace orv

#endif  // ORVDB_MODELDATA_IMAGE_DUMP_H_
