// Placement, the model compiler's second phase: the lowered blocks
// (lowering.h) are laid out in the item table breadth-first from the
// top-level block, so that every container's children are consecutive; the
// item words are filled in, the root index is sorted by id and every label
// is resolved to its item. Build-time code.
#ifndef ORVDB_MODELC_PLACEMENT_H_
#define ORVDB_MODELC_PLACEMENT_H_

#include <string>
#include <vector>

#include "modelc/compiled_image.h"
#include "modelc/description.h"
#include "modelc/lowering.h"

namespace orv::model {

// Places `lowered` into image's item table and root index and resolves the
// labels of named trees, fragments and label() nodes; a fault (an offset
// beyond 24 bits, a label naming two items) is appended to *faults.
void place_model(const Model& model, const LoweredModel& lowered, CompiledImage* image,
                 std::vector<std::string>* faults);

}  // namespace orv::model

#endif  // ORVDB_MODELC_PLACEMENT_H_
