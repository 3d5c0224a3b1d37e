// Every subcommand's JSON held to its shape in output_schema.json, the one
// place the shapes are documented: one object per --json run, one object a
// line per --json-lines run, over answers of every form, special and
// ordinary ids, a faulty image and images that differ in answers and in
// every Drv table.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "changed_model.h"
#include "engine/image.h"
#include "image_file_test_util.h"
#include "modelc/image_file.h"
#include "support/files.h"
#include "support/test_folder.h"
#include "tool_test_util.h"

namespace orvtool {
namespace {

using nlohmann::json;

// Checks JSON against a schema, for the keywords output_schema.json uses
// (JSON Schema's $ref within the file, type, enum, minimum, maximum,
// properties, required, additionalProperties, items, anyOf; description
// and title are notes). A keyword outside these is a fault, so that the
// schema cannot say more than is checked.
class SchemaCheck {
 public:
  explicit SchemaCheck(const json& root) : root_(root) {}

  // The faults of `value` at `path` against `schema`, each "path: what".
  std::vector<std::string> faults(const json& schema, const json& value,
                                  const std::string& path) const {
    std::vector<std::string> out;
    check(schema, value, path, &out);
    return out;
  }

 private:
  static bool has_type(const json& value, const std::string& type) {
    if (type == "object") return value.is_object();
    if (type == "array") return value.is_array();
    if (type == "string") return value.is_string();
    if (type == "integer") return value.is_number_integer();
    if (type == "number") return value.is_number();
    if (type == "boolean") return value.is_boolean();
    if (type == "null") return value.is_null();
    return false;
  }

  void check(const json& schema, const json& value, const std::string& path,
             std::vector<std::string>* out) const {
    for (const auto& [keyword, rule] : schema.items()) {
      if (keyword == "$ref") {
        const std::string prefix = "#/$defs/";
        const std::string ref = rule.get<std::string>();
        if (ref.rfind(prefix, 0) != 0 || !root_["$defs"].contains(ref.substr(prefix.size()))) {
          out->push_back(path + ": unknown $ref " + ref);
        } else {
          check(root_["$defs"][ref.substr(prefix.size())], value, path, out);
        }
      } else if (keyword == "type") {
        bool any = false;
        for (const json& t : rule.is_array() ? rule : json::array({rule})) {
          any = any || has_type(value, t.get<std::string>());
        }
        if (!any) out->push_back(path + ": " + value.dump() + " is not of type " + rule.dump());
      } else if (keyword == "enum") {
        if (std::find(rule.begin(), rule.end(), value) == rule.end())
          out->push_back(path + ": " + value.dump() + " is not one of " + rule.dump());
      } else if (keyword == "minimum" || keyword == "maximum") {
        if (value.is_number() && (keyword == "minimum" ? value < rule : value > rule))
          out->push_back(path + ": " + value.dump() + " is beyond its " + keyword);
      } else if (keyword == "required") {
        for (const json& key : rule) {
          if (value.is_object() && !value.contains(key.get<std::string>()))
            out->push_back(path + ": lacks " + key.get<std::string>());
        }
      } else if (keyword == "properties") {
        for (const auto& [key, sub] : rule.items()) {
          if (value.is_object() && value.contains(key))
            check(sub, value[key], path + "." + key, out);
        }
      } else if (keyword == "additionalProperties") {
        if (!value.is_object()) continue;
        for (const auto& [key, member] : value.items()) {
          if (schema.contains("properties") && schema["properties"].contains(key)) continue;
          if (rule.is_boolean() && !rule.get<bool>()) {
            out->push_back(path + ": has " + key + ", which the schema does not list");
          } else if (rule.is_object()) {
            check(rule, member, path + "." + key, out);
          }
        }
      } else if (keyword == "items") {
        for (size_t k = 0; value.is_array() && k < value.size(); ++k) {
          check(rule, value[k], path + "[" + std::to_string(k) + "]", out);
        }
      } else if (keyword == "anyOf") {
        bool any = false;
        for (const json& alternative : rule) any = any || faults(alternative, value, path).empty();
        if (!any) out->push_back(path + ": " + value.dump().substr(0, 200) + " matches no anyOf");
      } else if (keyword != "description" && keyword != "title") {
        out->push_back(path + ": the schema keyword " + keyword + " is not checked here");
      }
    }
  }

  const json& root_;  // the whole schema, for $ref
};

const json& schema() {
  static const json s = [] {
    std::ifstream in(ORVDB_TOOL_SCHEMA);
    return json::parse(in);
  }();
  return s;
}

// Expects `value` to have the shape of definition `def`.
void expect_shape(const json& value, const std::string& def, const std::string& what) {
  ASSERT_TRUE(schema()["$defs"].contains(def)) << def;
  std::vector<std::string> faults =
      SchemaCheck(schema()).faults(schema()["$defs"][def], value, def);
  std::string all;
  for (const std::string& f : faults) all += f + "\n";
  EXPECT_TRUE(faults.empty()) << what << "\n" << all;
}

// Runs the tool and expects its output to be one object of shape `def`, or
// with `lines`, one object a line, each of shape `def`.
void expect_output_shape(const std::vector<std::string>& args, const std::string& def,
                         bool lines = false) {
  std::string what;
  for (const std::string& a : args) what += a + " ";
  ToolRun r = tool(args);
  EXPECT_NE(r.status, 2) << what << r.err;
  if (!lines) {
    expect_shape(json::parse(r.out), def, what);
    return;
  }
  std::istringstream in(r.out);
  size_t n = 0;
  for (std::string line; std::getline(in, line); ++n) expect_shape(json::parse(line), def, what);
  EXPECT_GT(n, 1u) << what;
}

TEST(ToolJson, EverySubcommandsOutputHasItsDocumentedShape) {
  const struct {
    const char* args;  // command line
    const char* def;   // its definition in the schema
  } runs[] = {
      {"query drv 0x1003 -s 28=9", "query"},                             // numbers
      {"query root 0x12 -m 0=SSR", "query"},                             // text
      {"query mnt 0x300B -s 0=100", "query"},                            // bytes
      {"query drv 0x1018 -s 79=0x800000", "query"},                      // commands
      {"query drv 0x100D", "query"},                                     // records
      {"query drv 0x101E -s 4=1 -s 9=0 -s 5=1 -s 8=1 -s 6=2", "query"},  // mode record
      {"query mnt 0x300B -s 0=1000", "query"},                           // no answer
      {"query root 2 --printer p --printer-data ZelUI_InkDry=1 --clock 20240101000000", "query"},
      {"explain drv 0x1008 -s 4=1 -s 9=0 -s 5=261 -s 81=0 -s 8=5 -s 6=1", "explain"},
      {"explain drv 0x100C", "explain"},
      {"explain drv 0x1FFF", "explain"},
      {"ids", "ids"},
      {"dump", "dump"},
      {"dump 0x2009", "dump"},
      {"dump 0x1018", "dump"},
      {"dump 0x1013", "dump"},
      {"dump 0x101E", "dump"},
      {"check", "check"},
      {"sweep pa 0x4005", "sweep"},
      {"sweep lm 0x2013", "sweep"},
      {"sweep drv 0x101E", "sweep"},
      {"sweep drv 0x1018", "sweep"},
  };
  for (const auto& run : runs) {
    std::vector<std::string> args;
    std::istringstream words(run.args);
    for (std::string w; words >> w;) args.push_back(w);
    args.push_back("--json");
    expect_output_shape(args, run.def);
    if (std::string(run.def) == "sweep") {
      args.back() = "--json-lines";
      expect_output_shape(args, "sweep_line", true);
    }
  }
}

TEST(ToolJson, FaultsAndDifferencesHaveTheirDocumentedShape) {
  // An image the verifier faults: a root slot beyond the item table.
  orv::testing::TestFolder folder;
  const std::string faulty =
      orv::testing::write_file(folder.path("faulty.orvimg"), faulty_image_file());
  ToolRun check = tool({"--image", faulty, "check", "--json"});
  EXPECT_EQ(check.status, 3);
  json j = json::parse(check.out);
  EXPECT_FALSE(j["faults"].empty());
  expect_shape(j, "check", "check of a faulty image");

  // Images that differ in an answer and in a row of every Drv table.
  auto unchanged = testing::build([](orv::model::Model&) {});
  auto changed = testing::build([](orv::model::Model& m) {
    orv::model::Node* leaf = testing::find_node(m, [](const orv::model::Node& n) {
      return n.tag == 0x1003 && n.numbers == std::vector<int64_t>{21000, 29700};
    });
    if (leaf) leaf->numbers[0] = 21001;
    for (auto& row : m.drv_tables().mode_rows) {
      if (row.keys == std::array<int64_t, 6>{2, 2, 261, 5, 1, 0}) row.parts[2] = 8;
    }
    for (auto& slot : m.drv_tables().selector_values) {
      for (auto& v : slot.values) {
        if (slot.selector == 5 && v.value == 271) v.value_id = 15999;
      }
    }
    m.drv_tables().command_sequences.pop_back();
  });
  const std::string old_file = orv::testing::write_file(
      folder.path("old.orvimg"), orv::model::write_image_file(unchanged->image, {}));
  const std::string new_file = orv::testing::write_file(
      folder.path("new.orvimg"), orv::model::write_image_file(changed->image, {}));
  ToolRun diff = tool({"diff", old_file, new_file, "--json"});
  EXPECT_EQ(diff.status, 1);
  j = json::parse(diff.out);
  std::set<std::string> tables;
  for (const json& d : j["differences"]) tables.insert(d.value("table", "answer"));
  EXPECT_EQ(tables,
            (std::set<std::string>{"answer", "mode-table", "selector-values", "command-sequence"}));
  expect_shape(j, "diff", "diff --json");
  expect_output_shape({"diff", old_file, new_file, "--json-lines"}, "diff_line", true);
  expect_output_shape({"diff", old_file, new_file, "--json", "--stat"}, "diff");
  expect_output_shape({"diff", old_file, new_file, "--json-lines", "--stat"}, "diff_line", true);
}

}  // namespace
}  // namespace orvtool
