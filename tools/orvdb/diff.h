// Two images compared by the answers callers get from them: every id of
// either image over every combination of selectors and match strings that
// either image's trees tell apart, asked on both with the same context and
// the same fixed stand-in platform, and every row of the Drv tables by its
// key and content (never by index or position, which shift with any change).
#ifndef ORVDB_TOOLS_ORVDB_DIFF_H_
#define ORVDB_TOOLS_ORVDB_DIFF_H_

#include <stddef.h>

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "engine/image.h"

namespace orvtool {

// One image of a comparison.
struct DiffSide {
  const orv::Image* image;  // the image; lives while the comparison runs
  std::string name;         // how the first line names it: a file name, or "built-in"
};

struct DiffOptions {
  size_t max_combinations =
      100000;  // combinations compared per id before it is reported incomplete
};

// What a comparison found.
struct DiffReport {
  std::string header;              // the first line: both sides and the fixed platform
  std::vector<std::string> lines;  // one per difference or incomplete id, in output order
  nlohmann::json json;             // the same as one object (see run_diff)
  size_t differences = 0;          // answers and table rows that differ
  size_t incomplete = 0;           // ids whose combinations were not all compared
  size_t combinations = 0;         // combinations asked on both sides, over every id
};

// Compares `old_side` with `new_side`: ids in domain order (the internal
// ids of no export's range last), ascending, each over its combinations in
// walk order; then the mode table, the selector values and the command
// sequences. Resets the stand-in platform and sets it up as
// set_up_fixed_platform does. Cost: every combination asked twice.
DiffReport compare_images(const DiffSide& old_side, const DiffSide& new_side,
                          const DiffOptions& options = {});

// Compares, prints the report to `out` (the first line and one line per
// difference; or with `json` one object: old and new with name and model,
// platform, differences, incomplete) and returns the exit status: 0 when
// everything agrees, 1 when something differs or an id could not be
// compared in full.
int run_diff(const DiffSide& old_side, const DiffSide& new_side, bool json, std::ostream& out,
             const DiffOptions& options = {});

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_DIFF_H_
