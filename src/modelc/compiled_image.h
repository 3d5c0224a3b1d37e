// The compiled image: the image's tables and the Drv tables as growable
// vectors (their fields come from the list of tables, modelc/table_schema.h),
// with what the verifier and the emitter need to know about how each entry
// was described, and the Image over them. Build-time code.
#ifndef ORVDB_MODELC_COMPILED_IMAGE_H_
#define ORVDB_MODELC_COMPILED_IMAGE_H_

#include <stdint.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "modelc/description.h"
#include "modelc/table_schema.h"

namespace orv::model {

// Where an item of the image came from, for fault messages.
struct Provenance {
  Loc where;         // the description call that built the item's node
  std::string tree;  // name of the tree that first used it ("0x1003" or a fragment label)
};

// The Drv special records' tables as laid out (DrvTableStore), each entry
// with the description call that wrote it (for fault messages).
struct CompiledDrvTables : DrvTableStore {
  std::vector<Loc> sel_where;                                // call of each selector slot
  std::vector<Loc> seq_where;                                // call of each sequence
  std::vector<Loc> mode_where;                               // call of each mode row
  std::array<std::vector<Loc>, kModePartCount> parts_where;  // call of each part record

  // A DrvTables over the vectors; valid while this object lives unchanged.
  DrvTables view() const { return view_of<DrvTables>(*this); }
};

// The compiled image as growable tables (ImageTableStore), plus what the
// verifier and the emitter need to know about how it was described.
struct CompiledImage : ImageTableStore {
  std::vector<Provenance> item_from;       // provenance of each item (parallel to items)
  std::vector<Loc> root_where;             // registering call of each root slot
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
  Image view() const {
    Image image = view_of<Image>(*this);
    image.drv_tables = nullptr;
    if (has_drv_tables) {
      drv_view = drv.view();
      image.drv_tables = &drv_view;
    }
    image.model_name = model_name.empty() ? nullptr : model_name.c_str();
    return image;
  }
};

}  // namespace orv::model

#endif  // ORVDB_MODELC_COMPILED_IMAGE_H_
