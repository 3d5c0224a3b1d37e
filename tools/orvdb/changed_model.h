// Images compiled from the linked model's description with one thing
// changed, and `orvdb diff` run over them: what the tests of diff build on.
#ifndef ORVDB_TOOLS_ORVDB_CHANGED_MODEL_H_
#define ORVDB_TOOLS_ORVDB_CHANGED_MODEL_H_

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "diff.h"
#include "modelc/compiler.h"
#include "modelc/description.h"
#include "modelc/image_file.h"
#include "support/test_folder.h"
#include "tool.h"

namespace orvtool::testing {

// An image compiled from the description after `change`; the image points
// into the compiled tables, so both live together.
struct Built {
  orv::model::CompileResult result;  // the compiled tables
  orv::Image image{};                // a view of them
};

inline std::unique_ptr<Built> build(const std::function<void(orv::model::Model&)>& change) {
  orv::model::Model m;
  orv::model::describe_model(m);
  change(m);
  auto built = std::make_unique<Built>();
  built->result = orv::model::compile(m);
  EXPECT_TRUE(built->result.ok()) << (built->result.faults.empty() ? ""
                                                                   : built->result.faults.front());
  built->image = built->result.image.view();
  return built;
}

// The one node of the description's trees for which `match` holds.
inline orv::model::Node* find_node(orv::model::Model& m,
                                   const std::function<bool(const orv::model::Node&)>& match) {
  std::vector<orv::model::Node*> found;
  std::function<void(orv::model::Node&)> visit = [&](orv::model::Node& n) {
    if (match(n)) found.push_back(&n);
    for (orv::model::Node& c : n.children) visit(c);
  };
  for (auto& entry : m.roots()) visit(entry.tree);
  for (auto& named : m.trees()) visit(named.tree);
  EXPECT_EQ(found.size(), 1u);
  return found.empty() ? nullptr : found.front();
}

// What a diff printed: its exit status, its first line, the lines between
// and its last (the summary).
struct DiffRun {
  int status;                      // exit status
  std::string first;               // the first line
  std::vector<std::string> lines;  // every line between the first and the last
  std::string summary;             // the last line
};

inline DiffRun split_diff(int status, const std::string& text) {
  DiffRun r{status, "", {}, ""};
  std::istringstream in(text);
  std::getline(in, r.first);
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  if (!r.lines.empty()) {
    r.summary = r.lines.back();
    r.lines.pop_back();
  }
  return r;
}

// `orvdb diff [--stat] OLD NEW` over the image files of `a` and `b`,
// written in a folder of the test's own.
inline DiffRun diff_files(const orv::Image& a, const orv::Image& b, bool stat = false) {
  orv::testing::TestFolder folder;
  const std::string old_file = folder.path("old.orvimg");
  const std::string new_file = folder.path("new.orvimg");
  std::ofstream(old_file, std::ios::binary) << orv::model::write_image_file(a, {});
  std::ofstream(new_file, std::ios::binary) << orv::model::write_image_file(b, {});
  std::vector<std::string> args = {"diff", old_file, new_file};
  if (stat) args.push_back("--stat");
  std::ostringstream out, err;
  int status = run_tool(ORVDB_TOOL_NAME, args, out, err);
  EXPECT_EQ(err.str(), "");
  DiffRun r = split_diff(status, out.str());
  const std::string model = a.model_name != nullptr ? a.model_name : "unnamed";
  EXPECT_EQ(r.first.rfind("diff " + old_file + " (" + model + ") -> " + new_file + " (" + model +
                              "); held fixed: clock ",
                          0),
            0u)
      << r.first;
  return r;
}

// Every line of a run, for a failure's message.
inline std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

}  // namespace orvtool::testing

#endif  // ORVDB_TOOLS_ORVDB_CHANGED_MODEL_H_
