// `dump --dot` and `explain --dot`: trees of the image as pictures in
// Graphviz's language, and the route a walk took through them.
#ifndef ORVDB_TOOLS_ORVDB_TREE_DOT_H_
#define ORVDB_TOOLS_ORVDB_TREE_DOT_H_

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/walk.h"
#include "explain.h"

namespace orvtool {

// One tree of a picture.
struct DotTree {
  std::string title;                    // its caption
  uint32_t root = orv::kUnknownItem;    // its root item; kUnknownItem: the caption alone
  uint16_t id = 0;                      // the id whose leaves it shows
  const ExplainedWalk* walk = nullptr;  // the walk whose route is marked, if any
};

// The trees `dump ID` shows for an id that dump_has_id: its root tree, or
// for a Drv special id every tree its path reads (none: a caption alone).
std::vector<DotTree> dump_trees(const orv::Image& image, uint16_t id);

// Writes `trees` as one Graphviz digraph captioned `caption`: switches and
// selects as boxes with their cases and branches as labelled edges, the
// children of sequences and branches from a junction (numbered when more
// than one is drawn), the leaves of each tree's id with their values. Unless
// `all_leaves`, the leaves of other ids, and subtrees that hold no leaf of
// the tree's id, are folded into one node per container or case with their
// count. A walk's route is drawn in red and the leaf it found filled green.
// Several trees are drawn as clusters. Cost: each item of each tree once.
void print_dot(const orv::Image& image, const std::string& caption,
               const std::vector<DotTree>& trees, bool all_leaves, std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TREE_DOT_H_
