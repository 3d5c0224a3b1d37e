// A readable, stable text form of a whole image: its sizes, the root index,
// every tree with item indices and decoded values, and the Drv tables. Used for the golden
// dump of the built-in image and by tools that show an image. The text
// depends only on the image's tables, so it changes exactly when they do.
#ifndef ORVDB_MODELC_IMAGE_DUMP_H_
#define ORVDB_MODELC_IMAGE_DUMP_H_

#include <string>

#include "engine/image.h"

namespace orv {

// The dump of `image`. Never reads outside the tables: a faulty index is
// shown as such instead of being followed.
std::string dump_image(const Image& image);

// The tree from item `root` as the dump shows it, one line per item from
// `depth` levels in; each item once, a subtree met again named by its index.
std::string dump_tree(const Image& image, uint32_t root, int depth = 1);

// The Drv tables as the dump shows them: each table's line, then one line
// per slot, sequence, row or record.
std::string dump_drv_tables(const Image& image);

// One item as the dump shows it, without what it leads to:
// "[7] SWITCH_SELECTOR tag=0 n=78", "[342] STRING id=0x0008 n=24 byte@19: ...";
// a leaf's value only `with_value`.
std::string item_text(const Image& image, uint32_t index, bool with_value = true);

}  // namespace orv

#endif  // ORVDB_MODELC_IMAGE_DUMP_H_
