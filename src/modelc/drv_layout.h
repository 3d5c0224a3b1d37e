// The Drv tables' layout, the model compiler's third phase: the
// description's table entries (description.h) become the selector-value,
// command-sequence and mode tables of the compiled image, fragment labels
// becoming item indices. Build-time code.
#ifndef ORVDB_MODELC_DRV_LAYOUT_H_
#define ORVDB_MODELC_DRV_LAYOUT_H_

#include <string>
#include <vector>

#include "modelc/compiled_image.h"
#include "modelc/description.h"

namespace orv::model {

// Lays out `entries` in image->drv (image->labels already resolved); a
// number beyond its field, an unknown fragment label or a part record of
// the wrong size is appended to *faults.
void lay_out_drv_tables(const DrvTableEntries& entries, CompiledImage* image,
                        std::vector<std::string>* faults);

}  // namespace orv::model

#endif  // ORVDB_MODELC_DRV_LAYOUT_H_
