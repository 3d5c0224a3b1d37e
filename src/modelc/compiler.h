// The model compiler: turns a Model (description.h) into the image's tables,
// lays out the items so that every container's children are consecutive,
// shares identical subtrees and pool values, resolves labels, lays out the
// Drv tables and runs the verifier. Build-time code.
#ifndef ORVDB_MODELC_COMPILER_H_
#define ORVDB_MODELC_COMPILER_H_

#include <stdint.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "modelc/description.h"

namespace orv::model {

// Where an item of the image came from, for fault messages.
struct Provenance {
  Loc where;         // the description call that built the item's node
  std::string tree;  // name of the tree that first used it ("0x1003" or a fragment label)
};

// The Drv special records' tables as laid out, each entry with the
// description call that wrote it (for fault messages).
struct CompiledDrvTables {
  std::vector<uint16_t> sel_indices;                         // selector index of each slot
  std::vector<uint16_t> sel_value_counts;                    // values of each slot
  std::vector<uint32_t> sel_first;                           // position of each slot's first value
  std::vector<uint16_t> sel_values;                          // every value, slot after slot
  std::vector<uint32_t> sel_value_ids;                       // identifier of each value
  std::vector<Loc> sel_where;                                // call of each slot
  std::vector<uint16_t> seq_ids;                             // Drv id of each sequence
  std::vector<uint16_t> seq_fragment_counts;                 // fragments of each sequence
  std::vector<uint32_t> seq_first;                           // position of its first fragment
  std::vector<uint32_t> seq_fragments;                       // item index of every fragment tree
  std::vector<Loc> seq_where;                                // call of each sequence
  std::vector<ModeRow> mode_rows;                            // the mode table
  std::vector<Loc> mode_where;                               // call of each row
  std::array<std::vector<uint8_t>, kModePartCount> parts;    // records of part A to D, raw
  std::array<std::vector<Loc>, kModePartCount> parts_where;  // call of each record

  // A DrvTables over the vectors above; valid while this object lives unchanged.
  DrvTables view() const;
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

  bool has_drv_tables = false;   // the description wrote Drv table entries
  CompiledDrvTables drv;         // those tables
  mutable DrvTables drv_view{};  // what view() points drv_tables at
  std::string model_name;        // the model's name, as the description gives it

  // An Image over the tables above (drv_tables null when there are none,
  // model_name null when the description names no model); valid while this
  // object lives unchanged.
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

// The root ids of a compiled model that no Model::about describes, ascending.
std::vector<uint16_t> ids_without_meaning(const Model& model, const CompiledImage& image);

// "file:line" of a description call, relative to the source tree when possible.
std::string place_text(const Loc& where);
// A complete fault message about `subject` ("tree 0x1003", "mode table").
std::string entry_fault_text(const Loc& where, const std::string& subject,
                             const std::string& message);
// A complete fault message about tree `tree`.
std::string fault_text(const Loc& where, const std::string& tree, const std::string& message);
// "0x%04X".
std::string id_text(uint32_t id);

}  // namespace orv::model

#endif  // ORVDB_MODELC_COMPILER_H_
