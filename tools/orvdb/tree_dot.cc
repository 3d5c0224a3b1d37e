#include "tree_dot.h"

#include <stdio.h>

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "id_info.h"
#include "modelc/image_dump.h"

namespace orvtool {
namespace {

// Text inside a DOT string: quotes and backslashes escaped, line breaks as \\n.
std::string escaped(const std::string& s) {
  std::string e;
  for (char c : s) {
    if (c == '\n') {
      e += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') e += '\\';
    e += c;
  }
  return e;
}

std::string hex32(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

// Deeper than any sound tree: a guard against cycles in what is drawn.
constexpr int kMaxDepth = 64;

// Leaves of other ids and the subtrees without a leaf of the tree's id,
// folded under one container or case.
struct Fold {
  std::set<uint32_t> tops;    // the folded children or case targets
  std::set<uint32_t> leaves;  // every leaf under them
  std::set<uint16_t> ids;     // the ids those leaves answer
};

// Writes one tree of a picture.
class TreeWriter {
 public:
  TreeWriter(const orv::Image& image, const DotTree& tree, const std::string& prefix,
             bool all_leaves, std::ostream& out)
      : img_(image), tree_(tree), prefix_(prefix), all_leaves_(all_leaves), out_(out) {
    if (tree.walk != nullptr) {
      route_.insert(tree.walk->route.begin(), tree.walk->route.end());
      for (const auto& step : tree.walk->route) on_route_.insert(step.second);
      if (tree.walk->item != orv::kUnknownItem) on_route_.insert(tree.walk->item);
    }
  }

  void write() {
    if (tree_.root == orv::kUnknownItem || tree_.root >= img_.item_count) {
      out_ << "  " << prefix_ << "none [shape=note, label=\"" << escaped(tree_.title) << "\"];\n";
      return;
    }
    draw(tree_.root, 0);
  }

 private:
  std::string node(uint32_t index) const { return prefix_ + "i" + std::to_string(index); }

  // Whether the subtree of `index` holds a leaf of the tree's id.
  bool holds_id(uint32_t index, int depth) {
    auto known = holds_.find(index);
    if (known != holds_.end()) return known->second;
    orv::Item it{};
    bool holds = false;
    if (depth <= kMaxDepth && orv::item_at(img_, index, &it)) {
      uint8_t kind = orv::item_kind(it.word0);
      if (orv::is_leaf_kind(kind)) {
        holds = orv::item_tag(it.word1) == tree_.id;
      } else {
        for (uint32_t next : leads_to(it)) holds = holds || holds_id(next, depth + 1);
      }
    }
    holds_[index] = holds;
    return holds;
  }

  // The items a walk can go on to from `it`: children, or a case's target
  // for each case.
  std::vector<uint32_t> leads_to(orv::Item it) const {
    std::vector<uint32_t> next;
    orv::ItemLinks links{};
    if (!orv::item_links(img_, it, &links)) return next;
    for (uint32_t k = 0; k < links.inside; ++k) {
      uint32_t child = links.first + k;
      if (links.cases) {
        orv::Item c = img_.items[child];
        if (orv::item_offset(c.word0) < img_.item_count) next.push_back(orv::item_offset(c.word0));
      } else {
        next.push_back(child);
      }
    }
    return next;
  }

  // Every leaf under `index`, into `fold`.
  void collect(uint32_t index, Fold* fold, int depth) {
    orv::Item it{};
    if (depth > kMaxDepth || !orv::item_at(img_, index, &it)) return;
    if (orv::is_leaf_kind(orv::item_kind(it.word0))) {
      if (fold->leaves.insert(index).second) fold->ids.insert(orv::item_tag(it.word1));
      return;
    }
    for (uint32_t next : leads_to(it)) collect(next, fold, depth + 1);
  }
  bool folded(uint32_t index) { return !all_leaves_ && !holds_id(index, 0); }

  // A case's edge label: its value, range, text or "default".
  std::string case_label(orv::Item c, bool masked) const {
    switch (orv::kind_info(orv::item_kind(c.word0)).test) {
      case orv::CaseTest::kValue:
        return masked ? hex32(c.word1) : std::to_string(c.word1);
      case orv::CaseTest::kRange: {
        int32_t lo = 0, hi = 0;
        if (!orv::range_bounds(img_, c, &lo, &hi)) return "range?";
        return std::to_string(lo) + ".." + std::to_string(hi);
      }
      case orv::CaseTest::kText: {
        uint32_t offset = 0, length = 0;
        if (orv::case_text(img_, c, &offset, &length) != orv::CaseText::kFound) return "text?";
        return "\"" + std::string(reinterpret_cast<const char*>(img_.match_pool) + offset, length) +
               "\"";
      }
      case orv::CaseTest::kAlways:
        return "default";
      case orv::CaseTest::kNone:
        break;
    }
    return "?";
  }

  // What a switch or select compares.
  std::string compared(orv::Item it) const {
    uint16_t tag = orv::item_tag(it.word1);
    switch (orv::kind_info(orv::item_kind(it.word0)).tag) {
      case orv::TagMeaning::kSelector: {
        std::string s = "selector " + std::to_string(tag);
        orv::ItemLinks links{};
        if (orv::item_links(img_, it, &links) && links.masked) s += " & " + hex32(links.mask);
        return s;
      }
      case orv::TagMeaning::kMatchString:
        return "match string " + std::to_string(tag);
      case orv::TagMeaning::kPrinterData:
        return "printer value " + std::to_string(tag);
      case orv::TagMeaning::kLocale:
        return "country code";
      default:
        return "";
    }
  }

  // Attributes of a node or edge on the walk's route.
  std::string marked(bool on) const { return on ? ", color=red, penwidth=2" : ""; }

  void edge(const std::string& from, const std::string& to, const std::string& label, bool on,
            const std::string& style = "") {
    std::string attrs = label.empty() ? "" : "label=\"" + escaped(label) + "\"";
    for (const std::string& more : {style, std::string(on ? "color=red, penwidth=2" : "")}) {
      if (!more.empty()) attrs += (attrs.empty() ? "" : ", ") + more;
    }
    out_ << "  " << from << " -> " << to << (attrs.empty() ? "" : " [" + attrs + "]") << ";\n";
  }

  // The fold node `name` for what `fold` holds, and its edge from `from`.
  void fold_node(const std::string& from, const std::string& name, const Fold& fold,
                 const std::string& label, bool on) {
    std::string ids;
    for (uint16_t id : fold.ids) ids += (ids.empty() ? "" : " ") + hex_id(id);
    size_t n = fold.leaves.size();
    std::string text = n == 1 ? "1 leaf of another id" : std::to_string(n) + " leaves of other ids";
    if (!ids.empty()) text += "\n" + ids;
    out_ << "  " << name << " [shape=note, style=dashed, label=\"" << escaped(text) << "\""
         << marked(on) << "];\n";
    edge(from, name, label, on, "style=dashed");
  }

  void draw(uint32_t index, int depth) {
    if (!drawn_.insert(index).second) return;
    orv::Item it = img_.items[index];
    uint8_t kind = orv::item_kind(it.word0);
    const orv::KindInfo& info = orv::kind_info(kind);
    bool on = on_route_.count(index) != 0;
    if (depth > kMaxDepth) {
      out_ << "  " << node(index) << " [label=\"[" << index << "] too deep\"];\n";
      return;
    }
    switch (info.shape) {
      case orv::ItemShape::kLeaf:
        return draw_leaf(index, it, on);
      case orv::ItemShape::kSwitch:
      case orv::ItemShape::kStringSwitch:
        return draw_switch(index, it, on, depth);
      case orv::ItemShape::kSelect:
        out_ << "  " << node(index) << " [label=\"[" << index << "] SELECT\\n"
             << escaped(compared(it)) << "\"" << marked(on) << "];\n";
        return draw_children(index, it, true, depth);
      case orv::ItemShape::kContainer:
      case orv::ItemShape::kCase:
        // A junction: its children are tried in order; the first answer wins.
        out_ << "  " << node(index) << " [shape=circle, label=\"\", width=0.15, tooltip=\"["
             << index << "] " << info.name << "\"" << (on ? ", style=filled, fillcolor=red" : "")
             << "];\n";
        return draw_children(index, it, false, depth);
      default:
        out_ << "  " << node(index) << " [label=\"[" << index << "] " << info.name << "\""
             << marked(on) << "];\n";
    }
  }

  void draw_leaf(uint32_t index, orv::Item it, bool on) {
    std::string head = orv::item_text(img_, index, false);
    std::string full = orv::item_text(img_, index, true);
    size_t colon = full.find(": ", head.size());
    std::string label = head + (colon == std::string::npos ? "" : "\n" + full.substr(colon + 2));
    bool own = orv::item_tag(it.word1) == tree_.id;
    bool found = tree_.walk != nullptr && tree_.walk->leaf_item == index;
    std::string fill = found ? "palegreen" : own ? "lightyellow" : "white";
    out_ << "  " << node(index) << " [shape=box, style=\"rounded,filled\", fillcolor=" << fill
         << ", label=\"" << escaped(label) << "\"" << marked(on) << "];\n";
  }

  void draw_switch(uint32_t index, orv::Item it, bool on, int depth) {
    out_ << "  " << node(index) << " [label=\"[" << index << "] "
         << orv::kind_info(orv::item_kind(it.word0)).name << "\\n"
         << escaped(compared(it)) << "\"" << marked(on) << "];\n";
    orv::ItemLinks links{};
    if (!orv::item_links(img_, it, &links)) return;
    for (uint32_t k = 0; k < links.inside; ++k) {
      uint32_t case_index = links.first + k;
      orv::Item c = img_.items[case_index];
      std::string label = case_label(c, links.masked);
      bool taken = route_.count({index, case_index}) != 0;
      uint32_t target = orv::item_offset(c.word0);
      if (target >= img_.item_count) continue;
      if (folded(target)) {
        Fold fold;
        collect(target, &fold, depth + 1);
        fold_node(node(index), prefix_ + "x" + std::to_string(case_index), fold, label, taken);
        continue;
      }
      edge(node(index), node(target), label, taken);
      draw(target, depth + 1);
    }
  }

  // The children of a select (branches labelled with their values) or of
  // a container (numbered when more than one is drawn).
  void draw_children(uint32_t index, orv::Item it, bool select, int depth) {
    orv::ItemLinks links{};
    if (!orv::item_links(img_, it, &links)) return;
    Fold fold;
    std::vector<uint32_t> shown;
    for (uint32_t k = 0; k < links.inside; ++k) {
      uint32_t child = links.first + k;
      if (folded(child)) {
        fold.tops.insert(child);
        collect(child, &fold, depth + 1);
      } else {
        shown.push_back(child);
      }
    }
    for (size_t k = 0; k < shown.size(); ++k) {
      uint32_t child = shown[k];
      orv::Item c = img_.items[child];
      std::string label;
      if (select) {
        label = orv::item_kind(c.word0) == orv::ITEM_BRANCH ? std::to_string(orv::item_tag(c.word1))
                                                            : "any";
      } else if (shown.size() > 1) {
        label = std::to_string(k + 1);
      }
      edge(node(index), node(child), label, route_.count({index, child}) != 0);
      draw(child, depth + 1);
    }
    if (fold.tops.empty()) return;
    bool on = false;
    for (uint32_t top : fold.tops) on = on || route_.count({index, top}) != 0;
    fold_node(node(index), prefix_ + "x" + std::to_string(index), fold, "", on);
  }

  const orv::Image& img_;
  const DotTree& tree_;
  std::string prefix_;  // node names' prefix within the graph
  bool all_leaves_;     // nothing is folded
  std::ostream& out_;
  std::set<std::pair<uint32_t, uint32_t>> route_;  // the walk's steps
  std::set<uint32_t> on_route_;                    // the items it reached
  std::map<uint32_t, bool> holds_;                 // holds_id, once worked out
  std::set<uint32_t> drawn_;                       // the items drawn
};

}  // namespace

std::vector<DotTree> dump_trees(const orv::Image& image, uint16_t id) {
  std::optional<Domain> domain = domain_of(id);
  IdInfo info = analyse_id(image, domain ? *domain : Domain::kDrv, id);
  std::vector<DotTree> trees;
  if (info.special == nullptr) {
    std::string group;
    for (uint16_t other : info.group) group += " " + hex_id(other);
    trees.push_back(
        {"tree [" + std::to_string(info.root_item) + "] of" + group, info.root_item, id});
    return trees;
  }
  for (const AnswerTree& t : answer_trees(image, info)) {
    trees.push_back(
        {t.role + " " + hex_id(t.id) + ": tree [" + std::to_string(t.item) + "]", t.item, t.id});
  }
  if (trees.empty())
    trees.push_back({special_row_text(*info.special) + ": no tree, the path reads tables alone"});
  return trees;
}

void print_dot(const orv::Image& image, const std::string& caption,
               const std::vector<DotTree>& trees, bool all_leaves, std::ostream& out) {
  // One tree is captioned with the picture; several, each in a cluster of its own.
  bool clusters = trees.size() > 1;
  std::string label = caption + (trees.size() == 1 ? "\n" + trees[0].title : "");
  out << "digraph orvdb {\n"
      << "  graph [rankdir=LR, labelloc=t, fontname=\"Helvetica,Arial,sans-serif\", label=\""
      << escaped(label) << "\"];\n"
      << "  node [shape=box, fontname=\"Helvetica,Arial,sans-serif\", fontsize=10];\n"
      << "  edge [fontname=\"Helvetica,Arial,sans-serif\", fontsize=9];\n";
  for (size_t k = 0; k < trees.size(); ++k) {
    std::string prefix = clusters ? "t" + std::to_string(k) + "_" : "";
    if (clusters) {
      out << "  subgraph cluster_" << k << " {\n  label=\"" << escaped(trees[k].title) << "\";\n";
    }
    TreeWriter(image, trees[k], prefix, all_leaves, out).write();
    if (clusters) out << "  }\n";
  }
  out << "}\n";
}

}  // namespace orvtool
