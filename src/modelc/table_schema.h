// The list of the image's tables (engine/image_tables.h) as C++ that loops
// over it: a descriptor per table and per count, visited in list order, the
// tables held as growable vectors, and the Image or DrvTables over such
// vectors. The model compiler, the image file, the verifier, the dump, the
// fuzz decoder and the tests' image builder read the tables through it, so
// a table added to the list reaches each of them without an edit.
// Build-time, tool and test code (header only): full C++.
#ifndef ORVDB_MODELC_TABLE_SCHEMA_H_
#define ORVDB_MODELC_TABLE_SCHEMA_H_

#include <stdint.h>

#include <array>
#include <string>
#include <type_traits>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "engine/image_tables.h"

namespace orv::model {

// Which struct holds a table's fields.
enum class TableOwner : uint8_t {
  kImage,  // Image itself
  kDrv,    // the Drv tables (DrvTables)
};

// What a loop over the list knows of one table.
struct TableInfo {
  TableOwner owner;         // the struct that holds it
  uint32_t file_id;         // its id in the image file
  const char* name;         // its name in messages ("selector indices"); a part table's stem
  char letter;              // a part table's letter ('A'); 0 for every other table
  const char* field;        // its field ("sel_indices"; a part table's array, "mode_parts")
  const char* count_field;  // the field of its count ("sel_count"); null for a part table
  const char* count_text;   // a part table: what the check's sizes list its count after
  uint32_t per_line;        // elements a line of the generated source holds
  uint32_t record_size;     // elements per counted record: 1, or a part table's record bytes
  uint32_t part;            // a part table's index in its array
  uint32_t parts;           // tables in a part table's array; 0 for every other table
};

// "selector indices", "mode part A".
inline std::string table_name(const TableInfo& info) {
  std::string name = info.name;
  if (info.letter != 0) name += std::string(" ") + info.letter;
  return name;
}

// What a loop over the list knows of one count field.
struct CountInfo {
  TableOwner owner;   // the struct that holds it
  const char* field;  // its field ("sel_count")
  const char* brief;  // its name in the dump's summary ("i32")
  const char* text;   // its name in the check's sizes ("i32 pool")
  bool same_line;     // the check's sizes list it on the line of the count before
};

// The tables as vectors, each named as its field; a part table array as an
// array of byte vectors.
#define ORV_STORE_TABLE(wanted, owner, field, element, ...) \
  ORV_IF_OWNER(wanted, owner, std::vector<element> field;)
#define ORV_STORE_PARTS(wanted, owner, field, table_type, stem, text, n, ...) \
  ORV_IF_OWNER(wanted, owner, std::array<std::vector<uint8_t>, n> field;)
#define ORV_STORE_NOTHING(...)
#define ORV_STORE_TABLE_image(...) ORV_STORE_TABLE(image, __VA_ARGS__)
#define ORV_STORE_PARTS_image(...) ORV_STORE_PARTS(image, __VA_ARGS__)
#define ORV_STORE_TABLE_drv(...) ORV_STORE_TABLE(drv, __VA_ARGS__)
#define ORV_STORE_PARTS_drv(...) ORV_STORE_PARTS(drv, __VA_ARGS__)

// The image's own tables as vectors (fields as Image names them).
struct ImageTableStore {
  ORV_IMAGE_TABLES(ORV_STORE_TABLE_image, ORV_STORE_NOTHING, ORV_STORE_PARTS_image)
};

// The Drv tables as vectors (fields as DrvTables names them).
struct DrvTableStore {
  ORV_IMAGE_TABLES(ORV_STORE_TABLE_drv, ORV_STORE_NOTHING, ORV_STORE_PARTS_drv)
};

#undef ORV_STORE_TABLE
#undef ORV_STORE_PARTS
#undef ORV_STORE_NOTHING
#undef ORV_STORE_TABLE_image
#undef ORV_STORE_PARTS_image
#undef ORV_STORE_TABLE_drv
#undef ORV_STORE_PARTS_drv

// A table with its own pointer field and a count field it may share.
template <typename S, typename Store, typename E>
struct PlainTable {
  using Struct = S;       // Image or DrvTables
  using Storage = Store;  // ImageTableStore or DrvTableStore
  using Element = E;      // its element type
  static constexpr bool kIsTable = true;
  TableInfo info;                 // what it is
  const E* S::*pointer;           // its field
  uint32_t S::*counter;           // its count's field
  std::vector<E> Store::*vector;  // its vector

  const E* data(const S& s) const { return s.*pointer; }
  uint32_t count(const S& s) const { return s.*counter; }
  const std::vector<E>& stored(const Store& st) const { return st.*vector; }
  std::vector<E>& stored(Store& st) const { return st.*vector; }
  // Before set: a shared count starts at its largest value.
  void open(S& s) const { s.*counter = 0xFFFFFFFFu; }
  // Points the table at `n` elements from `p`; a shared count keeps the
  // smallest of its tables' counts, so that none is read past its end.
  void set(S& s, const E* p, uint32_t n) const {
    s.*pointer = p;
    if (n < s.*counter) s.*counter = n;
  }
};

// A table of raw records, one of an array of such tables with their counts.
template <typename S, typename Store, typename T, size_t N>
struct PartTable {
  using Struct = S;         // Image or DrvTables
  using Storage = Store;    // ImageTableStore or DrvTableStore
  using Element = uint8_t;  // records are raw bytes
  static constexpr bool kIsTable = true;
  TableInfo info;                                       // what it is
  T (S::*tables)[N];                                    // the array of tables
  std::array<std::vector<uint8_t>, N> Store::*vectors;  // their vectors

  const uint8_t* data(const S& s) const { return (s.*tables)[info.part].records; }
  uint32_t count(const S& s) const { return (s.*tables)[info.part].count; }
  const std::vector<uint8_t>& stored(const Store& st) const { return (st.*vectors)[info.part]; }
  std::vector<uint8_t>& stored(Store& st) const { return (st.*vectors)[info.part]; }
  void open(S&) const {}
  void set(S& s, const uint8_t* p, uint32_t n) const {
    (s.*tables)[info.part].records = p;
    (s.*tables)[info.part].count = n;
  }
};

// A count field shared by the tables listed before it.
template <typename S>
struct CountField {
  using Struct = S;  // Image or DrvTables
  static constexpr bool kIsTable = false;
  CountInfo info;        // what it is
  uint32_t S::*counter;  // its field

  uint32_t count(const S& s) const { return s.*counter; }
};

// clang-format off
#define ORV_SCHEMA_STRUCT_image Image
#define ORV_SCHEMA_STRUCT_drv DrvTables
#define ORV_SCHEMA_STORE_image ImageTableStore
#define ORV_SCHEMA_STORE_drv DrvTableStore
#define ORV_SCHEMA_OWNER_image TableOwner::kImage
#define ORV_SCHEMA_OWNER_drv TableOwner::kDrv
#define ORV_VISIT_TABLE(owner, field, element, count, file_id, name, per_line)                   \
  visit(PlainTable<ORV_SCHEMA_STRUCT_##owner, ORV_SCHEMA_STORE_##owner, element>{                \
      {ORV_SCHEMA_OWNER_##owner, file_id, name, 0, #field, #count, nullptr, per_line, 1, 0, 0},  \
      &ORV_SCHEMA_STRUCT_##owner::field, &ORV_SCHEMA_STRUCT_##owner::count,                      \
      &ORV_SCHEMA_STORE_##owner::field});
#define ORV_VISIT_COUNT(owner, field, brief, text, same_line)                                     \
  visit(CountField<ORV_SCHEMA_STRUCT_##owner>{                                                    \
      {ORV_SCHEMA_OWNER_##owner, #field, brief, text, same_line != 0},                            \
      &ORV_SCHEMA_STRUCT_##owner::field});
#define ORV_VISIT_PARTS(owner, field, table_type, stem, text, n, sizes, letters, first_id,        \
                        per_line)                                                                 \
  for (uint32_t part = 0; part < (n); ++part)                                                     \
    visit(PartTable<ORV_SCHEMA_STRUCT_##owner, ORV_SCHEMA_STORE_##owner, table_type, (n)>{        \
        {ORV_SCHEMA_OWNER_##owner, (first_id) + part, stem, (letters)[part], #field, nullptr,     \
         text, per_line, (sizes)[part], part, (n)},                                               \
        &ORV_SCHEMA_STRUCT_##owner::field, &ORV_SCHEMA_STORE_##owner::field});
// clang-format on

// Calls `visit` with the descriptor of every table and count, in the
// list's order: a PlainTable, PartTable or CountField. Visitors tell them
// apart by kIsTable and by the descriptor's type.
template <typename V>
void visit_schema(V&& visit) {
  ORV_IMAGE_TABLES(ORV_VISIT_TABLE, ORV_VISIT_COUNT, ORV_VISIT_PARTS)
}

#undef ORV_VISIT_TABLE
#undef ORV_VISIT_COUNT
#undef ORV_VISIT_PARTS

// Calls `visit` with the descriptor of every table (no counts) of struct S.
template <typename S, typename V>
void visit_tables_of(V&& visit) {
  visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (D::kIsTable && std::is_same_v<typename D::Struct, S>) visit(d);
  });
}

// The S (Image or DrvTables) over the vectors of `store`: each table's
// pointer (null when its vector is empty, or when bit k of `missing` is set
// for the k-th table of S in list order) and its count in records. Only the
// tables are set; valid while `store` lives unchanged.
template <typename S, typename Store>
S view_of(const Store& store, uint64_t missing = 0) {
  S s{};
  visit_tables_of<S>([&](const auto& d) { d.open(s); });
  uint32_t k = 0;
  visit_tables_of<S>([&](const auto& d) {
    const auto& v = d.stored(store);
    const bool dropped = k < 64 && ((missing >> k) & 1) != 0;
    ++k;
    const bool absent = v.empty() || dropped;
    d.set(s, absent ? nullptr : v.data(), static_cast<uint32_t>(v.size() / d.info.record_size));
  });
  return s;
}

}  // namespace orv::model

#endif  // ORVDB_MODELC_TABLE_SCHEMA_H_
