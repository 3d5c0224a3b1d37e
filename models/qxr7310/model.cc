// The complete model: every domain in the order of its ids, then the
// top-level sequence. The order fixes the layout of the image.
#include "domains.h"
#include "drvrecords/drv_tables.h"
#include "modelc/description.h"

namespace orv::model {

void describe_model(Model& m) {
  m.name("QXR-7310");
  describe_root(m);
  describe_drv(m);
  describe_lm(m);
  describe_mnt(m);
  describe_pa_sm(m);
  m.top_sequence({kFragmentId, "command fragments, each found in its own fragment tree"});
  describe_drv_tables(m);
}

}  // namespace orv::model
