// The model compiler: turns a Model (description.h) into the image's tables
// in phases, each in a file of its own: lowering (lowering.h) turns the
// description's nodes into blocks of items, sharing identical subtrees and
// pool values; placement (placement.h) lays the blocks out so that every
// container's children are consecutive and resolves labels; the Drv tables'
// layout (drv_layout.h) lays out their entries; the verifier (verifier.h)
// checks the result. Build-time code.
#ifndef ORVDB_MODELC_COMPILER_H_
#define ORVDB_MODELC_COMPILER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "modelc/compiled_image.h"
#include "modelc/description.h"
#include "modelc/fault_text.h"

namespace orv::model {

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

}  // namespace orv::model

#endif  // ORVDB_MODELC_COMPILER_H_
