// Two images compared by the answers callers get from them: every id of
// either image over every combination of inputs (selectors, match strings,
// printer values, the country code) that either image's trees tell apart,
// asked on both with the same context and the same stand-in platform, and
// every row of the Drv tables by its key and content (never by index or
// position, which shift with any change). The report streams: each line is
// written as it is found, so that memory does not grow with the differences.
#ifndef ORVDB_TOOLS_ORVDB_DIFF_H_
#define ORVDB_TOOLS_ORVDB_DIFF_H_

#include <stddef.h>

#include <ostream>
#include <string>

#include "engine/image.h"

namespace orvtool {

// One image of a comparison.
struct DiffSide {
  const orv::Image* image;  // the image; lives while the comparison runs
  std::string name;         // how the first line names it: a file name, or "built-in"
};

struct DiffOptions {
  size_t max_combinations =
      100000;               // combinations compared per id before it is reported incomplete
  bool json = false;        // one JSON object instead of lines
  bool json_lines = false;  // JSON Lines instead of lines: one object a line
  bool stat = false;        // per id and per table a count instead of each difference
};

// Compares `old_side` with `new_side` and writes the report to `out`: the
// first line (both sides and what is held fixed); then ids in domain order
// (the internal ids of no export's range last), ascending, each over its
// combinations in walk order, one line per combination whose answers differ
// (with `stat`, one line per id: how many of its combinations differ); then
// the mode table, the selector values and the command sequences, each by
// key (with `stat`, one line per table); an id not compared in full gets a
// line where it stands; the last line sums up. With `json`, one object:
// old, new, platform, held fixed, differences (or with `stat` the counts),
// incomplete, summary. Resets the stand-in platform and sets it up as
// sweeps do. Returns the exit status: 0 when everything agrees, 1 when
// something differs or an id could not be compared in full. Cost: every
// combination asked twice.
int run_diff(const DiffSide& old_side, const DiffSide& new_side, std::ostream& out,
             const DiffOptions& options = {});

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_DIFF_H_
