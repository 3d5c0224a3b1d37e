// The image's structural invariants, checked as the engine will walk it:
// tables present, root index sound, every index in range, kinds only where
// they may stand, pool ranges of leaves, and the Drv tables' positions.
#ifndef ORVDB_TOOLS_ORVDB_CHECK_H_
#define ORVDB_TOOLS_ORVDB_CHECK_H_

#include <string>
#include <vector>

#include "engine/image.h"

namespace orvtool {

// What the check found.
struct CheckReport {
  std::vector<std::string> sizes;   // "items 2630", ... one per table
  std::vector<std::string> faults;  // one line per fault; empty when sound
  uint32_t unreached = 0;           // items no tree reaches (case texts excluded)
};

CheckReport check_image(const orv::Image& image);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_CHECK_H_
