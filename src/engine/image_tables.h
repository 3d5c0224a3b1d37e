// The one list of the image's tables. Every table is named here once, with
// its element type, its owner (the image itself or the Drv tables), the
// count field that counts its elements and its id in the image file; the
// structs Image and DrvTables declare their fields from this list, and the
// model compiler, the image file, the verifier, the dump, the fuzz decoder
// and the tests' image builder loop over it. What a table means (its
// consistency checks, the code that reads it, the dump of its rows) is
// written by hand beside the code that gives it that meaning.
//
// ORV_IMAGE_TABLES(TABLE, COUNT, PARTS) calls, in the order of the structs'
// fields (the image file orders its tables by id):
//   TABLE(owner, field, element, count, file_id, name, per_line)
//     a table `const element* field`, whose elements `count` counts;
//     `name` is its name in messages and in the format description,
//     `per_line` the elements a line of the generated source holds.
//   COUNT(owner, field, brief, text, same_line)
//     the field `uint32_t field` that counts the tables listed before it;
//     `brief` names it in the dump's summary, `text` in the check's sizes,
//     where it continues the line before when `same_line` is 1.
//   PARTS(owner, field, table_type, stem, text, n, record_sizes, letters, first_id, per_line)
//     `table_type field[n]`, n tables of raw records (pointer `records` and
//     count `count` each); table p has records of record_sizes[p] bytes, is
//     named `stem` and letters[p] ("mode part A"), and has file id
//     first_id + p; the check's sizes list their counts after `text` on
//     the line before.
// `owner` is `image` (a field of Image) or `drv` (a field of DrvTables).
// Parallel tables (read together by one index) share one count. A new
// table goes after its owner's last table, whatever its id, so that the
// k-th table of an owner stays the k-th (the fuzz inputs name tables so).
#ifndef ORVDB_ENGINE_IMAGE_TABLES_H_
#define ORVDB_ENGINE_IMAGE_TABLES_H_

// clang-format off
#define ORV_IMAGE_TABLES(TABLE, COUNT, PARTS)                                                      \
  /* the trees' items */                                                                           \
  TABLE(image, items, Item, item_count, 1, "items", 3)                                             \
  COUNT(image, item_count, "items", "items", 0)                                                    \
  /* the root index: data id and tree of each slot */                                              \
  TABLE(image, root_ids, uint16_t, root_count, 2, "root ids", 12)                                  \
  TABLE(image, root_items, uint32_t, root_count, 3, "root items", 12)                              \
  COUNT(image, root_count, "roots", "roots", 0)                                                    \
  /* 32-bit leaf values and range bounds */                                                        \
  TABLE(image, i32_pool, int32_t, i32_count, 4, "i32 pool", 8)                                     \
  COUNT(image, i32_count, "i32", "i32 pool", 0)                                                    \
  /* 16-bit leaf values, read signed or unsigned by kind */                                        \
  TABLE(image, i16_pool, uint16_t, i16_count, 5, "i16 pool", 12)                                   \
  COUNT(image, i16_count, "i16", "i16 pool", 0)                                                    \
  /* 8-bit numbers, strings and command bytes */                                                   \
  TABLE(image, byte_pool, uint8_t, byte_count, 6, "byte pool", 16)                                 \
  COUNT(image, byte_count, "bytes", "byte pool", 0)                                                \
  /* case texts of string switches, unterminated */                                                \
  TABLE(image, match_pool, uint8_t, match_count, 7, "match-string pool", 16)                       \
  COUNT(image, match_count, "match", "match-string pool", 0)                                       \
  /* selector-value table: slot s describes selector sel_indices[s], whose */                      \
  /* values are sel_values[sel_first[s] ..] (sel_value_counts[s] of them) */                       \
  TABLE(drv, sel_indices, uint16_t, sel_count, 16, "selector indices", 12)                         \
  TABLE(drv, sel_value_counts, uint16_t, sel_count, 17, "selector value counts", 12)               \
  TABLE(drv, sel_first, uint32_t, sel_count, 18, "selector first values", 12)                      \
  COUNT(drv, sel_count, "slots", "selector-value slots", 0)                                        \
  TABLE(drv, sel_values, uint16_t, sel_value_count, 19, "selector values", 12)                     \
  TABLE(drv, sel_value_ids, uint32_t, sel_value_count, 20, "selector value ids", 8)                \
  COUNT(drv, sel_value_count, "values", "values", 1)                                               \
  /* command-sequence table: sequence s concatenates the fragment-id leaves */                     \
  /* of the trees seq_fragments[seq_first[s] ..] (seq_fragment_counts[s]) */                       \
  TABLE(drv, seq_ids, uint16_t, seq_count, 24, "sequence ids", 12)                                 \
  TABLE(drv, seq_fragment_counts, uint16_t, seq_count, 25, "sequence fragment counts", 12)         \
  TABLE(drv, seq_first, uint32_t, seq_count, 26, "sequence first fragments", 12)                   \
  COUNT(drv, seq_count, "sequences", "command sequences", 0)                                       \
  TABLE(drv, seq_fragments, uint32_t, seq_fragment_count, 27, "sequence fragments", 12)            \
  COUNT(drv, seq_fragment_count, "fragments", "fragments", 1)                                      \
  /* mode table, scanned for the first row matching all keys */                                    \
  TABLE(drv, mode_rows, ModeRow, mode_count, 32, "mode rows", 2)                                   \
  COUNT(drv, mode_count, "rows", "mode rows", 0)                                                   \
  /* the mode part tables A to D, raw little-endian records */                                     \
  PARTS(drv, mode_parts, ModePartTable, "mode part", "parts", kModePartCount, kModePartSizes,      \
        kModePartNames, 33, 16)
// clang-format on

// The fields of the tables that `wanted` (image or drv) owns, for its
// struct: ORV_TABLE_FIELDS(image) inside struct Image.
#define ORV_TABLE_FIELDS(wanted)                                                   \
  ORV_IMAGE_TABLES(ORV_TABLE_FIELD_TABLE_##wanted, ORV_TABLE_FIELD_COUNT_##wanted, \
                   ORV_TABLE_FIELD_PARTS_##wanted)

// Its arguments when `owner` is `wanted`, else nothing.
#define ORV_IF_OWNER_image_image(...) __VA_ARGS__
#define ORV_IF_OWNER_image_drv(...)
#define ORV_IF_OWNER_drv_image(...)
#define ORV_IF_OWNER_drv_drv(...) __VA_ARGS__
#define ORV_IF_OWNER(wanted, owner, ...) ORV_IF_OWNER_##wanted##_##owner(__VA_ARGS__)

#define ORV_TABLE_FIELD_TABLE(wanted, owner, field, element, ...) \
  ORV_IF_OWNER(wanted, owner, const element* field;)
#define ORV_TABLE_FIELD_COUNT(wanted, owner, field, ...) \
  ORV_IF_OWNER(wanted, owner, uint32_t field;)
#define ORV_TABLE_FIELD_PARTS(wanted, owner, field, table_type, stem, text, n, ...) \
  ORV_IF_OWNER(wanted, owner, table_type field[n];)
#define ORV_TABLE_FIELD_TABLE_image(...) ORV_TABLE_FIELD_TABLE(image, __VA_ARGS__)
#define ORV_TABLE_FIELD_COUNT_image(...) ORV_TABLE_FIELD_COUNT(image, __VA_ARGS__)
#define ORV_TABLE_FIELD_PARTS_image(...) ORV_TABLE_FIELD_PARTS(image, __VA_ARGS__)
#define ORV_TABLE_FIELD_TABLE_drv(...) ORV_TABLE_FIELD_TABLE(drv, __VA_ARGS__)
#define ORV_TABLE_FIELD_COUNT_drv(...) ORV_TABLE_FIELD_COUNT(drv, __VA_ARGS__)
#define ORV_TABLE_FIELD_PARTS_drv(...) ORV_TABLE_FIELD_PARTS(drv, __VA_ARGS__)

#endif  // ORVDB_ENGINE_IMAGE_TABLES_H_
