// The data base image: a forest of decision trees over fixed 8-byte items,
// a root index from data ids to tree roots, and four pools of leaf values.
// Every table is a pointer and a count; a null table or an index beyond the
// count is a data base error, never an empty answer.
#ifndef ORVDB_ENGINE_IMAGE_H_
#define ORVDB_ENGINE_IMAGE_H_

#include <stdint.h>

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

struct DrvTables;  // the Drv special records' own tables (drvrecords/drv_tables.h)

// The whole image. Read-only; shared by every call.
struct Image {
  const Item* items;            // item table
  uint32_t item_count;          // items in it
  const uint16_t* root_ids;     // root index: data id of each slot
  const uint32_t* root_items;   // root index: item index of each slot's tree
  uint32_t root_count;          // slots in both root arrays
  const int32_t* i32_pool;      // 32-bit leaf values and range bounds
  uint32_t i32_count;           // elements in the i32 pool
  const uint16_t* i16_pool;     // 16-bit leaf values, read signed or unsigned by kind
  uint32_t i16_count;           // elements in the i16 pool
  const uint8_t* byte_pool;     // 8-bit numbers, strings and command bytes
  uint32_t byte_count;          // bytes in the byte pool
  const uint8_t* match_pool;    // case texts of string switches, unterminated
  uint32_t match_count;         // bytes in the match-string pool
  const DrvTables* drv_tables;  // tables of the Drv special records; may be null
};

// The model's image, compiled into the library's read-only data.
const Image& builtin_image();

}  // namespace orv

#endif  // ORVDB_ENGINE_IMAGE_H_
