// The complete model: every domain in the order of its ids, then the
// top-level sequence. The order fixes the layout of the image.
#include "drvrecords/drv_tables.h"
#include "modeldata/description.h"

namespace orv::model {

void describe_model(Model& m) {
  describe_root(m);
#if ORVDB_MODEL_HAS_DRV
  describe_drv(m);
#endif
  describe_lm(m);
  describe_mnt(m);
  describe_pa_sm(m);
#if ORVDB_MODEL_HAS_INTERNAL
  describe_internal(m);
#endif
  m.top_sequence(kFragmentId);
#if ORVDB_MODEL_HAS_DRV_TABLES
  describe_drv_tables(m);
#endif
}

}  // namespace orv::model
