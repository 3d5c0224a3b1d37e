// The model compiler: turns a Model (description.h) into the image's tables,
// lays out the items so that every container's children are consecutive,
// shares identical subtrees and pool values, resolves labels, runs the
// verifier and the extra table writers. Build-time code.
#ifndef ORVDB_MODELDATA_COMPILER_H_
#define ORVDB_MODELDATA_COMPILER_H_

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "engine/image.h"
#include "modeldata/description.h"

namespace orv::model {

// Where an item of the image came from, for fault messages.
struct Provenance {
  Loc where;         // the description call that built the item's node
  std::string tree;  // name of the tree that first used it ("0x1003" or a fragment label)
};

// The compiled image as growable tables, plus what the verifier and the
// emitter need to know about how it was described.
struct CompiledImage {
  std::vector<Item> items;                 // item table
  std::vector<Provenance> item_from;       // provenance of each item (parallel to items)
  std::vector<uint16_t> root_ids;          // root index ids, ascending
  std::vector<uint32_t> root_items;        // root index items (parallel to root_ids)
  std::vector<Loc> root_where;             // registering call of each slot
  std::vector<int32_t> i32_pool;           // i32 pool
  std::vector<uint16_t> i16_pool;          // i16 pool
  std::vector<uint8_t> byte_pool;          // byte pool
  std::vector<uint8_t> match_pool;         // match-string pool
  std::map<std::string, uint32_t> labels;  // label, named tree or fragment -> item index

  bool has_top = false;                            // the model has a top-level sequence
  uint16_t top_id = 0;                             // its root id
  Loc top_where;                                   // where it was asked for
  std::vector<uint32_t> tree_items;                // root item of every distinct registered tree
  std::vector<std::vector<uint16_t>> tree_groups;  // ids the leaves of each tree may answer
  std::vector<std::string> tree_names;             // name of each tree for messages

  std::vector<std::string> aux_includes;  // headers the extra tables need
  std::string aux_code;                   // extra table definitions (C++ text)
  std::string drv_tables_object;          // object Image::drv_tables points at, or empty

  // An Image over the tables above (drv_tables null); valid while this object lives.
  Image view() const;
};

// The image and every fault found; faults are complete compiler messages.
struct CompileResult {
  CompiledImage image;              // the image (meaningless when faults is not empty)
  std::vector<std::string> faults;  // "file:line: error: tree T: message"
  bool ok() const { return faults.empty(); }
};

// Compiles and verifies the model. Never throws for description faults.
CompileResult compile(const Model& model);

// "file:line" of a description call, relative to the source tree when possible.
std::string place_text(const Loc& where);
// A complete fault message.
std::string fault_text(const Loc& where, const std::string& tree, const std::string& message);
// "0x%04X".
std::string id_text(uint32_t id);

}  // namespace orv::model

#endif  // ORVDB_MODELDATA_COMPILER_H_
