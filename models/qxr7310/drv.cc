// The Drv domain of the model, with the internal leaves that stand inside
// its trees and the fragment trees of its command sequences.
#include "domains.h"
#include "drv_parts.h"

namespace orv::model {

void describe_drv(Model& m) {
  drv::describe_drv_paper(m);
  drv::describe_drv_settings(m);
  drv::describe_drv_switches(m);
  drv::describe_drv_constants(m);
  drv::describe_drv_fragments(m);
}

}  // namespace orv::model
