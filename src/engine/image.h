// The data base image: a forest of decision trees over fixed 8-byte items,
// a root index from data ids to tree roots, and four pools of leaf values.
// Every table is a pointer and a count; a null table or an index beyond the
// count is a data base error, never an empty answer.
#ifndef ORVDB_ENGINE_IMAGE_H_
#define ORVDB_ENGINE_IMAGE_H_

#include <stdint.h>

#include "engine/image_tables.h"

namespace orv {

// Values of an item's kind byte.
enum ItemKind : uint8_t {
  ITEM_BYTES = 1,                 // leaf: bytes of the byte pool, returned unchanged
  ITEM_INT32 = 2,                 // leaf: i32 pool
  ITEM_INT8 = 3,                  // leaf: byte pool, signed, returned as 32-bit
  ITEM_INT16 = 4,                 // leaf: i16 pool, signed, returned as 32-bit
  ITEM_UINT8 = 5,                 // leaf: byte pool, unsigned, returned as 32-bit
  ITEM_UINT16 = 6,                // leaf: i16 pool, unsigned, returned as 32-bit
  ITEM_STRING = 7,                // leaf: 8-bit text of the byte pool, returned as 16-bit
  ITEM_SEQUENCE = 8,              // children tried in order; first answer wins
  ITEM_SELECT = 9,                // ITEM_BRANCH children keyed by selector [tag]
  ITEM_BRANCH = 10,               // taken when the parent's selector equals its tag
  ITEM_SWITCH_SELECTOR = 11,      // switch on selector [tag]
  ITEM_SWITCH_STRING = 12,        // switch on match string [tag]
  ITEM_SWITCH_PRINTER_DATA = 13,  // switch on a printer configuration value
  ITEM_SWITCH_LOCALE = 14,        // switch on the user's country code
  ITEM_CASE = 15,                 // case: switch value == word 1
  ITEM_CASE_STRING = 16,          // case: match string == text of the ITEM_BYTES at word 1
  ITEM_DEFAULT = 17,              // case: always matches
  ITEM_COMPUTED = 18,             // leaf: produced by computed function [count]
  ITEM_SWITCH_MASKED = 19,        // switch on selector [tag] AND mask
  ITEM_MASK = 20,                 // first case (offset) and mask (word 1) of a masked switch
  ITEM_CASE_RANGE = 21,           // case: pool[word1] <= value <= pool[word1 + 1]
};

// The only tag an ITEM_SWITCH_LOCALE may carry.
constexpr uint16_t kLocaleTag = 0x500F;

// Root id whose answer for selector 0 = a tag is the name of a printer
// configuration value: the name an ITEM_SWITCH_PRINTER_DATA of that tag reads.
constexpr uint16_t kValueNameId = 0x0008;

// One node of a tree: two little-endian 32-bit words.
struct Item {
  uint32_t word0;  // kind (bits 24-31) and offset (bits 0-23)
  uint32_t word1;  // id or tag (bits 16-31) and count (bits 0-15); one value for cases and masks
};

inline uint8_t item_kind(uint32_t word0) { return static_cast<uint8_t>(word0 >> 24); }
inline uint32_t item_offset(uint32_t word0) { return word0 & 0x00FFFFFFu; }
inline uint16_t item_tag(uint32_t word1) { return static_cast<uint16_t>(word1 >> 16); }
inline uint16_t item_count(uint32_t word1) { return static_cast<uint16_t>(word1 & 0xFFFFu); }
inline constexpr uint32_t make_word0(uint8_t kind, uint32_t offset) {
  return (static_cast<uint32_t>(kind) << 24) | (offset & 0x00FFFFFFu);
}
inline constexpr uint32_t make_word1(uint16_t tag, uint16_t count) {
  return (static_cast<uint32_t>(tag) << 16) | count;
}
inline bool is_leaf_kind(uint8_t kind) {
  return (kind >= ITEM_BYTES && kind <= ITEM_STRING) || kind == ITEM_COMPUTED;
}

// What an item of a kind is in a tree.
enum class ItemShape : uint8_t {
  kInvalid,       // no kind: 0 and above ITEM_CASE_RANGE
  kLeaf,          // a value: kinds ITEM_BYTES to ITEM_STRING, and ITEM_COMPUTED
  kContainer,     // children tried in order: ITEM_SEQUENCE, ITEM_BRANCH
  kSelect,        // children keyed by a selector: ITEM_SELECT
  kSwitch,        // cases against a number: the selector, printer-data, locale, masked switches
  kStringSwitch,  // cases against a match string: ITEM_SWITCH_STRING
  kCase,  // one case of a switch: ITEM_CASE, ITEM_CASE_STRING, ITEM_DEFAULT, ITEM_CASE_RANGE
  kMask,  // the mask of a masked switch: ITEM_MASK
};

// What the high half of word 1 holds for a kind (cases and masks use word 1 whole).
enum class TagMeaning : uint8_t {
  kNone,         // nothing (sequences, cases, masks, invalid kinds)
  kDataId,       // the data id a leaf answers
  kSelector,     // a selector index (selects, selector and masked switches)
  kBranchValue,  // the selector value a branch requires
  kMatchString,  // a match-string index (string switches)
  kPrinterData,  // a printer-data tag, named by the value-name id
  kLocale,       // the locale tag
};

// What a case compares the switch value with.
enum class CaseTest : uint8_t {
  kNone,    // not a case
  kValue,   // equal to word 1 (ITEM_CASE)
  kRange,   // between two i32 pool entries (ITEM_CASE_RANGE)
  kText,    // equal to a text of the match-string pool (ITEM_CASE_STRING)
  kAlways,  // always matches (ITEM_DEFAULT)
};

// One kind: its printed name, its shape, its tag and its test as a case.
// The one table of kinds that readers of structure and printers share.
struct KindInfo {
  const char* name;  // as dumps and the tool print it ("SWITCH_SELECTOR")
  ItemShape shape;   // what it is in a tree
  TagMeaning tag;    // what its tag holds
  CaseTest test;     // what it compares as a case
};
inline constexpr KindInfo kKindInfo[] = {
    {"INVALID", ItemShape::kInvalid, TagMeaning::kNone, CaseTest::kNone},
    {"BYTES", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"INT32", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"INT8", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"INT16", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"UINT8", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"UINT16", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"STRING", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"SEQUENCE", ItemShape::kContainer, TagMeaning::kNone, CaseTest::kNone},
    {"SELECT", ItemShape::kSelect, TagMeaning::kSelector, CaseTest::kNone},
    {"BRANCH", ItemShape::kContainer, TagMeaning::kBranchValue, CaseTest::kNone},
    {"SWITCH_SELECTOR", ItemShape::kSwitch, TagMeaning::kSelector, CaseTest::kNone},
    {"SWITCH_STRING", ItemShape::kStringSwitch, TagMeaning::kMatchString, CaseTest::kNone},
    {"SWITCH_PRINTER_DATA", ItemShape::kSwitch, TagMeaning::kPrinterData, CaseTest::kNone},
    {"SWITCH_LOCALE", ItemShape::kSwitch, TagMeaning::kLocale, CaseTest::kNone},
    {"CASE", ItemShape::kCase, TagMeaning::kNone, CaseTest::kValue},
    {"CASE_STRING", ItemShape::kCase, TagMeaning::kNone, CaseTest::kText},
    {"DEFAULT", ItemShape::kCase, TagMeaning::kNone, CaseTest::kAlways},
    {"COMPUTED", ItemShape::kLeaf, TagMeaning::kDataId, CaseTest::kNone},
    {"SWITCH_MASKED", ItemShape::kSwitch, TagMeaning::kSelector, CaseTest::kNone},
    {"MASK", ItemShape::kMask, TagMeaning::kNone, CaseTest::kNone},
    {"CASE_RANGE", ItemShape::kCase, TagMeaning::kNone, CaseTest::kRange},
};
static_assert(sizeof kKindInfo / sizeof kKindInfo[0] == ITEM_CASE_RANGE + 1, "one row per kind");

// The row of `kind`; the INVALID row for a value that is no kind.
inline const KindInfo& kind_info(uint8_t kind) {
  return kind <= ITEM_CASE_RANGE ? kKindInfo[kind] : kKindInfo[0];
}

struct DrvTables;  // the Drv special records' own tables (drvrecords/drv_tables.h)

// The whole image. Read-only; shared by every call. Its tables' fields,
// each a pointer with a count, come from the list in image_tables.h.
struct Image {
  ORV_TABLE_FIELDS(image)
  const DrvTables* drv_tables;  // tables of the Drv special records; may be null
  const char* model_name;       // the printer model the image describes; may be null
};

// The model's image, compiled into the library's read-only data.
const Image& builtin_image();

// How many of the `count` items from `first` on lie inside a table of
// `item_count` items.
inline uint32_t items_inside(uint32_t item_count, uint32_t first, uint32_t count) {
  if (first >= item_count) return 0;
  uint32_t left = item_count - first;
  return count < left ? count : left;
}

// How many of the `count` items from `first` on lie inside the item table.
inline uint32_t items_inside(const Image& image, uint32_t first, uint32_t count) {
  return image.items == nullptr ? 0 : items_inside(image.item_count, first, count);
}

// The item at `index`, when the table holds it.
inline bool item_at(const Image& image, uint64_t index, Item* item) {
  if (image.items == nullptr || index >= image.item_count) return false;
  *item = image.items[index];
  return true;
}

// Where a masked switch's cases start and its mask: the first child must be
// an ITEM_MASK inside the table, whose offset is the first case and whose
// word 1 is the mask. False otherwise.
inline bool masked_cases(const Item* items, uint32_t item_count, Item sw, uint32_t* first_case,
                         uint32_t* mask) {
  uint32_t at = item_offset(sw.word0);
  if (at >= item_count) return false;
  Item mask_item = items[at];
  if (item_kind(mask_item.word0) != ITEM_MASK) return false;
  *first_case = item_offset(mask_item.word0);
  *mask = mask_item.word1;
  return true;
}

// The items an item leads to, as a walk reads them: a container's or a
// select's children, a switch's cases (a masked switch's past its mask), a
// case's one target. Leaves, masks and invalid kinds lead nowhere.
struct ItemLinks {
  uint32_t first;   // index of the first child, case or target
  uint32_t count;   // how many the item names
  uint32_t inside;  // how many of those lie inside the item table
  bool cases;       // they are cases, each leading on to its own target
  bool masked;      // a masked switch: the cases compare the selector AND mask
  uint32_t mask;    // that mask (all ones otherwise)
};

// The links of `item`. False for a masked switch without a readable mask.
// Cost: constant; nothing is followed.
inline bool item_links(const Image& image, Item item, ItemLinks* links) {
  ItemShape shape = kind_info(item_kind(item.word0)).shape;
  uint32_t first = item_offset(item.word0);
  uint32_t count = item_count(item.word1);
  bool masked = item_kind(item.word0) == ITEM_SWITCH_MASKED;
  uint32_t mask = 0xFFFFFFFFu;
  if (shape == ItemShape::kCase) {
    count = 1;
  } else if (masked) {
    if (image.items == nullptr || !masked_cases(image.items, image.item_count, item, &first, &mask))
      return false;
  } else if (shape != ItemShape::kContainer && shape != ItemShape::kSelect &&
             shape != ItemShape::kSwitch && shape != ItemShape::kStringSwitch) {
    count = 0;
  }
  bool cases = shape == ItemShape::kSwitch || shape == ItemShape::kStringSwitch;
  *links = ItemLinks{first, count, items_inside(image, first, count), cases, masked, mask};
  return true;
}

// Where the text of a string case (the ITEM_BYTES item its word 1 names)
// stands in the match-string pool.
enum class CaseText : uint8_t {
  kFound,        // *offset and *length give the text
  kBeyondTable,  // the text item lies beyond the item table
  kNotBytes,     // the text item is not an ITEM_BYTES
  kBeyondPool,   // the text lies outside the match-string pool, or there is none
};
inline CaseText case_text(const Image& image, Item string_case, uint32_t* offset,
                          uint32_t* length) {
  Item text{};
  if (!item_at(image, string_case.word1, &text)) return CaseText::kBeyondTable;
  if (item_kind(text.word0) != ITEM_BYTES) return CaseText::kNotBytes;
  *offset = item_offset(text.word0);
  *length = item_count(text.word1);
  if (image.match_pool == nullptr || uint64_t{*offset} + *length > image.match_count)
    return CaseText::kBeyondPool;
  return CaseText::kFound;
}

// The bounds of a range case, pool entries word 1 and word 1 + 1. False when
// either lies outside the i32 pool.
inline bool range_bounds(const Image& image, Item range_case, int32_t* lo, int32_t* hi) {
  if (image.i32_pool == nullptr || image.i32_count < 2 || range_case.word1 > image.i32_count - 2)
    return false;
  *lo = image.i32_pool[range_case.word1];
  *hi = image.i32_pool[range_case.word1 + 1];
  return true;
}

}  // namespace orv

#endif  // ORVDB_ENGINE_IMAGE_H_
