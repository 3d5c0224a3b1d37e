// An id's whole answer space: every combination of selector and
// match-string values that its trees tell apart, each with the answer the
// library gives for it. Combinations are found by walking the trees and
// forking at every selector or match string they read, over the values
// their cases name plus one value no case names ("other").
#ifndef ORVDB_TOOLS_ORVDB_SWEEP_H_
#define ORVDB_TOOLS_ORVDB_SWEEP_H_

#include <stdint.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "answer.h"
#include "engine/image.h"
#include "orvdb/orvdb.h"
#include "query_setup.h"

namespace orvtool {

// One combination and its answer. Selectors and strings absent from the
// maps are not read on this combination's path.
struct SweepRow {
  std::map<uint16_t, uint32_t> selectors;   // selector index -> value
  std::map<uint16_t, std::string> strings;  // match-string index -> text
  Answer answer;                            // the library's answer
};

struct Sweep {
  std::vector<uint16_t> selector_columns;  // every selector some row reads, ascending
  std::vector<uint16_t> string_columns;    // every match string some row reads, ascending
  std::vector<SweepRow> rows;              // in walk order
};

// Distinguishing values of each selector and match string in a set of trees.
struct ValueSets {
  std::map<uint16_t, std::vector<uint32_t>> selectors;   // index -> values, "other" last
  std::map<uint16_t, std::vector<std::string>> strings;  // index -> texts, "other" last
};
ValueSets collect_values(const orv::Image& image, const std::vector<uint32_t>& roots);
// The same over several images' trees (image, its roots): the values any of
// them names, in the order met, and "other" a value none of them names.
ValueSets collect_values(
    const std::vector<std::pair<const orv::Image*, std::vector<uint32_t>>>& sides);

// The trees the answer of an id walks on `image`, with the id their leaves
// answer: its fragment trees for a command sequence, else its root tree.
std::vector<std::pair<uint16_t, uint32_t>> trees_of(const orv::Image& image, const IdInfo& info);

// A combination of selector and match-string values; those absent are not
// read on its path.
struct Combination {
  std::map<uint16_t, uint32_t> selectors;   // selector index -> value
  std::map<uint16_t, std::string> strings;  // match-string index -> text
};

// Every combination the walks of `trees` (id walked, root item) tell apart.
// The engine's walks run with the context `context` makes for the
// combination so far and stop before a read it does not set yet; the
// enumeration forks there over the values `sets` has for it (0 or "" when
// none). `each` gets every combination whose walks all end, in walk order,
// and returns false to end the enumeration.
void for_each_combination(
    const orv::Image& image, const std::vector<std::pair<uint16_t, uint32_t>>& trees,
    const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each);

// Trees of one image walked in a shared enumeration: (id walked, root item).
struct WalkedTrees {
  const orv::Image* image;                           // the image the trees belong to
  std::vector<std::pair<uint16_t, uint32_t>> trees;  // its trees
};
// The same over the trees of several images with one combination: the
// enumeration forks wherever any image's walk stops before a read.
void for_each_combination(
    const std::vector<WalkedTrees>& sides, const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each);

// Sweeps the query's id (its selectors and strings as built are the base).
// Throws UsageError when the space is too large to list.
// With `until_answer`, the sweep ends after the first combination answered DB_OK.
Sweep sweep_id(const orv::Image& image, Query* query, bool until_answer = false);

void print_sweep_text(const Sweep& sweep, std::ostream& out);
void print_sweep_csv(const Sweep& sweep, std::ostream& out);
nlohmann::json sweep_json(const Sweep& sweep);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_SWEEP_H_
