// The pictures of `dump --dot` and `explain --dot`, read back from their
// DOT text: the id's leaves all drawn, other ids' leaves folded unless
// --all-leaves, every walk a cluster whose red route leads from its root to
// the leaf it found; and rendered by Graphviz's dot where it is installed.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "engine/image.h"
#include "id_info.h"
#include "query_setup.h"
#include "support/files.h"
#include "support/test_folder.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

// A picture read back: its nodes and edges with their attributes, by cluster.
struct Picture {
  struct Edge {
    std::string from, to, attrs;
  };
  struct Cluster {
    std::vector<std::string> nodes;            // in the order declared
    std::map<std::string, std::string> attrs;  // each node's attributes
    std::vector<Edge> edges;
  };
  std::vector<Cluster> clusters;  // one, unless the picture holds several trees
};

Picture read_picture(const std::string& dot) {
  static const std::regex node(R"(^\s*(\w+) \[(.*)\];$)");
  static const std::regex edge(R"(^\s*(\w+) -> (\w+)(?: \[(.*)\])?;$)");
  Picture p;
  p.clusters.emplace_back();
  bool in_cluster = false;
  std::istringstream in(dot);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (line.find("subgraph cluster_") != std::string::npos) {
      if (in_cluster) p.clusters.emplace_back();
      in_cluster = true;
    } else if (std::regex_match(line, m, edge)) {
      p.clusters.back().edges.push_back({m[1], m[2], m[3]});
    } else if (std::regex_match(line, m, node) && m[1] != "graph" && m[1] != "node" &&
               m[1] != "edge") {
      p.clusters.back().nodes.push_back(m[1]);
      p.clusters.back().attrs[m[1]] = m[2];
    }
  }
  return p;
}

bool red(const std::string& attrs) { return attrs.find("color=red") != std::string::npos; }

// Every leaf the tree from `root` reaches (children and case targets).
std::set<uint32_t> leaves_under(const orv::Image& image, uint32_t root) {
  std::set<uint32_t> seen, leaves;
  std::vector<uint32_t> todo = {root};
  while (!todo.empty()) {
    uint32_t i = todo.back();
    todo.pop_back();
    if (i >= image.item_count || !seen.insert(i).second) continue;
    orv::Item it = image.items[i];
    if (orv::is_leaf_kind(orv::item_kind(it.word0))) leaves.insert(i);
    orv::ItemLinks links{};
    if (!orv::item_links(image, it, &links)) continue;
    for (uint32_t k = 0; k < links.inside; ++k) todo.push_back(links.first + k);
  }
  return leaves;
}

// Ids whose trees are drawn, each picture with and without --all-leaves.
const char* const kDumped[] = {"0x1003", "0x2009", "0x1007", "0x500C", "0x1013", "0x1018"};

TEST(TreeDot, DumpDrawsTheIdsLeavesAndFoldsOthersUnlessAllLeaves) {
  const orv::Image& image = orv::builtin_image();
  for (const char* id_text : kDumped) {
    const uint16_t id = static_cast<uint16_t>(std::stoul(id_text, nullptr, 16));
    std::optional<Domain> domain = domain_of(id);
    std::vector<AnswerTree> trees =
        answer_trees(image, analyse_id(image, domain ? *domain : Domain::kDrv, id));
    ASSERT_FALSE(trees.empty()) << id_text;
    for (bool all : {false, true}) {
      std::vector<std::string> args = {"dump", "--dot", id_text};
      if (all) args.push_back("--all-leaves");
      ToolRun r = tool(args);
      ASSERT_EQ(r.status, 0) << id_text << r.err;
      Picture p = read_picture(r.out);
      ASSERT_EQ(p.clusters.size(), trees.size()) << id_text;
      for (size_t k = 0; k < trees.size(); ++k) {
        const Picture::Cluster& c = p.clusters[k];
        std::set<std::string> declared(c.nodes.begin(), c.nodes.end());
        for (const Picture::Edge& e : c.edges) {
          EXPECT_TRUE(declared.count(e.from) && declared.count(e.to)) << id_text << " " << e.from;
        }
        // Each leaf drawn once, named by its item; folds name other ids.
        std::set<uint32_t> drawn;
        std::set<std::string> folded_ids;
        for (const auto& [name, attrs] : c.attrs) {
          std::smatch m;
          static const std::regex item(R"(i(\d+)$)");
          if (attrs.find("shape=note") != std::string::npos) {
            std::string label = attrs.substr(attrs.find("\\n") + 2);
            std::istringstream ids(label.substr(0, label.find('"')));
            for (std::string w; ids >> w;) folded_ids.insert(w);
          } else if (std::regex_search(name, m, item)) {
            uint32_t index = static_cast<uint32_t>(std::stoul(m[1]));
            if (orv::is_leaf_kind(orv::item_kind(image.items[index].word0))) drawn.insert(index);
          }
        }
        std::set<uint32_t> own, others;
        std::set<std::string> other_ids;
        for (uint32_t leaf : leaves_under(image, trees[k].item)) {
          uint16_t leaf_id = orv::item_tag(image.items[leaf].word1);
          (leaf_id == trees[k].id ? own : others).insert(leaf);
          if (leaf_id != trees[k].id) other_ids.insert(hex_id(leaf_id));
        }
        std::set<uint32_t> expected = own;
        if (all) expected.insert(others.begin(), others.end());
        EXPECT_EQ(drawn, expected) << id_text << " tree " << k << (all ? " --all-leaves" : "");
        EXPECT_EQ(folded_ids, all ? std::set<std::string>{} : other_ids) << id_text;
      }
    }
  }
}

// Queries explained as pictures: a string switch, a deep settings tree,
// one that finds nothing, a command sequence and a list with a walk per
// record and a marker.
const char* const kExplained[] = {
    "lm 0x2009 -m 0=QXR-7310",
    "drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=5 -s 6=1",
    "drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=3 -s 6=1",
    "drv 0x1018 -s 79=0x800000",
    "drv 0x1016 -s 4=1 -s 9=0 -s 5=1 -s 81=0",
};

TEST(TreeDot, ExplainMarksEachWalksRouteFromItsRootToItsLeaf) {
  for (const char* query : kExplained) {
    std::vector<std::string> args = words(std::string("explain ") + query);
    ToolRun text = tool(args);
    args.push_back("--json");
    nlohmann::json walks = nlohmann::json::parse(tool(args).out)["walks"];
    args.back() = "--dot";
    ToolRun r = tool(args);
    ASSERT_EQ(r.status, text.status) << query << r.err;
    Picture p = read_picture(r.out);
    ASSERT_EQ(p.clusters.size(), walks.size()) << query;
    for (size_t k = 0; k < walks.size(); ++k) {
      const Picture::Cluster& c = p.clusters[k];
      const std::string where = std::string(query) + ", walk " + std::to_string(k + 1);
      ASSERT_FALSE(c.nodes.empty()) << where;
      // The root is drawn first; the red edges lead from it to every red node.
      std::map<std::string, std::vector<std::string>> next;
      for (const Picture::Edge& e : c.edges) {
        if (!red(e.attrs)) continue;
        next[e.from].push_back(e.to);
        EXPECT_TRUE(red(c.attrs.at(e.from)) && red(c.attrs.at(e.to)))
            << where << ": a red edge " << e.from << " -> " << e.to
            << " between nodes off the route";
      }
      std::set<std::string> reached = {c.nodes[0]};
      std::vector<std::string> todo = {c.nodes[0]};
      while (!todo.empty()) {
        std::string n = todo.back();
        todo.pop_back();
        for (const std::string& to : next[n]) {
          if (reached.insert(to).second) todo.push_back(to);
        }
      }
      std::vector<std::string> green;
      for (const auto& [name, attrs] : c.attrs) {
        if (red(attrs)) {
          EXPECT_TRUE(reached.count(name)) << where << ": " << name;
        }
        if (attrs.find("palegreen") != std::string::npos) green.push_back(name);
      }
      bool answered = walks[k]["result"] == "DB_OK";
      ASSERT_EQ(green.size(), answered ? 1u : 0u) << where << "\n" << r.out;
      if (answered) {
        EXPECT_TRUE(reached.count(green[0])) << where;
        char id[16];
        snprintf(id, sizeof id, "id=0x%04X", walks[k]["id"].get<unsigned>());
        EXPECT_NE(c.attrs.at(green[0]).find(id), std::string::npos) << where;
      }
    }
  }
}

TEST(TreeDot, DotOptionsAreRefusedWhereTheyMeanNothing) {
  for (const char* args :
       {"dump --dot", "dump --all-leaves 0x1003", "explain lm 0x2009 --all-leaves",
        "explain lm 0x2009 --dot --json", "dump 0x1003 --dot --json"}) {
    ToolRun r = tool(words(args));
    EXPECT_EQ(r.status, kExitUsage) << args;
    EXPECT_EQ(r.out, "") << args;
  }
}

TEST(TreeDot, GraphvizRendersEveryPicture) {
  if (system("command -v dot >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "Graphviz's dot is not installed (Debian package graphviz): the pictures "
                    "are checked as text only";
  }
  orv::testing::TestFolder folder;
  std::vector<std::vector<std::string>> runs;
  for (const char* id : kDumped) runs.push_back({"dump", "--dot", id});
  for (const char* query : kExplained) {
    runs.push_back(words(std::string("explain --dot ") + query));
  }
  for (const std::vector<std::string>& args : runs) {
    std::string dot = folder.path("picture.dot"), svg = folder.path("picture.svg");
    orv::testing::write_file(dot, tool(args).out);
    std::string err = folder.path("dot.err");
    int status = system(("dot -Tsvg -o '" + svg + "' '" + dot + "' 2>'" + err + "'").c_str());
    EXPECT_EQ(status, 0) << args[2];
    EXPECT_EQ(orv::testing::read_file(err), "") << args[2];
    EXPECT_NE(orv::testing::read_file(svg).find("<svg"), std::string::npos) << args[2];
  }
}

}  // namespace
}  // namespace orvtool
