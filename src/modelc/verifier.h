// Checks an image as the engine will walk it: tables present, root index
// sound, every index in range, kinds only where they may stand, leaf ids
// within their tree's root group, pool ranges, computed function numbers,
// no cycle and no tree deeper than the walk's limit; in the Drv tables,
// positions and counts within their arrays, one slot per selector, one
// row per mode key, part indices within their tables, and fragment items
// that are trees holding fragment-id leaves. The build runs it on the compiled image (naming
// the description's file:line of each fault), `orvdb check` on the
// built-in one. Build-time and tool code: it uses only the engine's headers.
#ifndef ORVDB_MODELC_VERIFIER_H_
#define ORVDB_MODELC_VERIFIER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "engine/image.h"
#include "modelc/compiler.h"

namespace orv::model {

// An item, tree or root slot a fault does not name.
constexpr uint32_t kNoItem = 0xFFFFFFFFu;

// The Drv table whose entry a fault names.
enum class DrvTableKind : uint8_t {
  kNone,              // the fault names no Drv table entry
  kSelectorValues,    // a slot of the selector-value table
  kCommandSequences,  // a command sequence
  kModeRows,          // a row of the mode table
};

// One fault of an image.
struct ImageFault {
  uint32_t tree;        // root item of the tree being checked, or kNoItem
  uint32_t item;        // the item at fault, or kNoItem
  uint32_t slot;        // the root slot at fault, or kNoItem
  DrvTableKind table;   // the Drv table of the entry at fault, or kNone
  uint32_t entry;       // that entry (slot, sequence or row), or kNoItem
  std::string message;  // what is wrong
};

// What the check of an image found.
struct ImageReport {
  std::vector<std::string> sizes;  // "items 1971", ... one line per table
  std::vector<ImageFault> faults;  // empty when the image is sound
  uint32_t unreached = 0;          // items no tree reaches (case texts and masks are reached)
};

// Checks `image`. Trees are the distinct root items of the root index, each
// with the ids of the slots that name it, and the fragment trees the Drv
// command-sequence table names, with the fragment id; a tree's check stops
// where it reaches another tree's root. Cost: linear in the items.
ImageReport verify_image(const Image& image);

// Every fault of a compiled image, as complete compiler messages
// ("file:line: error: tree T: message"); empty when the image is sound.
std::vector<std::string> verify(const CompiledImage& image);

}  // namespace orv::model

#endif  // ORVDB_MODELC_VERIFIER_H_
