#include "tool.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "answer.h"
#include "diff.h"
#include "engine/image.h"
#include "explain.h"
#include "id_info.h"
#include "meanings.h"
#include "modelc/image_dump.h"
#include "modelc/image_file.h"
#include "modelc/verifier.h"
#include "query_setup.h"
#include "reference.h"
#include "sweep.h"

namespace orvtool {
namespace {

constexpr int kUsage = 2;
constexpr int kUnreadableImage = 2;
constexpr int kFaultyImage = 3;

// The image a run reads: the built-in one, or one loaded from an image file.
class ToolImage {
 public:
  ToolImage() : image_(orv::builtin_image()), meanings_(&builtin_meanings()) {}
  ToolImage(const ToolImage&) = delete;
  ToolImage& operator=(const ToolImage&) = delete;

  // Loads the image file at `path`: 0, or the exit status, with its one line
  // written to `err`: kUnreadableImage for a file that is no image file,
  // kFaultyImage for an image the verifier faults (unless `faults_allowed`).
  int load(const std::string& path, bool faults_allowed, std::ostream& err);

  const orv::Image& image() const { return image_; }
  const Meanings& meanings() const { return *meanings_; }
  // The verifier's report on the image.
  const orv::model::ImageReport& report() {
    if (!verified_) report_ = orv::model::verify_image(image_), verified_ = true;
    return report_;
  }

 private:
  orv::Image image_;                // the image's tables
  const Meanings* meanings_;        // its model's meanings
  orv::model::LoadedImage loaded_;  // the tables of a loaded file
  Meanings loaded_meanings_;        // the meanings of a loaded file
  orv::model::ImageReport report_;  // the verifier's report, once made
  bool verified_ = false;           // report_ is made
};

// Adds DOMAIN, ID and the context options shared by query and explain.
void add_query_options(CLI::App* app, QueryArgs* a) {
  app->add_option("DOMAIN", a->domain, "root, drv, lm, mnt, pa or sm")->required();
  app->add_option("ID", a->id, "data id, decimal or 0x hex")->required();
  app->add_option("-s,--selector", a->selectors, "selector INDEX=VALUE (others are 0)")
      ->type_name("INDEX=VALUE");
  app->add_option("-m,--match", a->strings, "match string INDEX=TEXT (others are empty)")
      ->type_name("INDEX=TEXT");
  app->add_option("--selectors", a->count,
                  "selectors in the context (default: as many as the id can read)")
      ->type_name("N");
  app->add_option("--printer", a->printer, "query a stand-in printer of this name")
      ->type_name("NAME");
  app->add_option("--printer-data", a->printer_data, "a 32-bit configuration value of the printer")
      ->type_name("NAME=VALUE");
  app->add_option("--clock", a->clock, "fix the local clock")->type_name("YYYYMMDDhhmmss");
  app->add_option("--country", a->country, "the country code the user's locale reports")
      ->type_name("N");
}

std::string context_text(Query& q) {
  std::string s = std::to_string(q.selectors.size()) + " selectors";
  std::string set;
  for (size_t i = 0; i < q.selectors.size(); ++i) {
    if (q.selectors[i] != 0)
      set += (set.empty() ? "" : " ") + std::to_string(i) + "=" + std::to_string(q.selectors[i]);
  }
  if (!set.empty()) s += " (" + set + ")";
  s += ", " + std::to_string(q.strings.size()) + " match strings";
  std::string given;
  for (size_t i = 0; i < q.strings.size(); ++i) {
    if (q.string_given[i])
      given += (given.empty() ? "" : " ") + std::to_string(i) + "=\"" + q.strings[i] + "\"";
  }
  if (!given.empty()) s += " (" + given + ")";
  return s;
}

int run_query(const orv::Image& image, const QueryArgs& a, bool json, std::ostream& out) {
  Query q;
  build_query(image, a, &q);
  Answer answer = ask(image, &q);
  if (json) {
    nlohmann::json j = answer_json(answer);
    j["domain"] = domain_name(q.domain);
    j["id"] = hex_id(q.id);
    j["selectors"] = q.selectors.size();
    j["strings"] = q.strings;
    out << j.dump(2) << "\n";
  } else {
    print_answer(answer, out);
  }
  return exit_status(answer.result);
}

int run_explain(const orv::Image& image, const QueryArgs& a, std::ostream& out) {
  Query q;
  build_query(image, a, &q);
  out << domain_title(q.domain) << " " << hex_id(q.id) << " with " << context_text(q) << "\n";
  out << "answered: " << answered_text(q.info) << "\n";
  return exit_status(explain_query(image, q.domain, q.info, q.context(), out).answer.result);
}

int run_ids(const orv::Image& image, const Meanings& meanings, const std::string& domain_word,
            std::ostream& out) {
  std::vector<Domain> domains = all_domains();
  if (!domain_word.empty()) {
    std::optional<Domain> d = parse_domain(domain_word);
    if (!d) {
      throw UsageError("unknown domain '" + domain_word +
                       "' (expected root, drv, lm, mnt, pa or sm)");
    }
    domains = {*d};
  }
  for (Domain d : domains) {
    for (uint16_t id : domain_ids(image, d)) {
      IdInfo info = analyse_id(image, d, id);
      out << domain_name(d) << " " << hex_id(id) << "  " << answered_text(info)
          << "  leaves: " << leaves_text(info) << "  reads: " << reads_text(info)
          << "  context: " << info.selector_count << " selectors, " << info.string_count
          << " strings  means: " << meaning_text(meanings, info) << "\n";
    }
  }
  return 0;
}

// The rows of the Drv tables a special id's path reads, as the dump shows
// them: its key selector's slot, its command sequence, or the mode table
// and its part tables whole.
std::string special_table_rows(const orv::Image& image, const orv::DrvSpecialId& row) {
  std::istringstream lines(orv::dump_drv_tables(image));
  std::string kept, section, rows;
  bool whole = false;  // the section is shown whole
  auto close = [&] {
    if (!section.empty() && (whole || !rows.empty())) kept += section + rows;
    section.clear();
    rows.clear();
  };
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line == "drv tables") continue;
    if (line.rfind("  ", 0) != 0) {
      close();
      section = line + "\n";
      whole = row.path == DrvPath::kModeRecord && line.rfind("mode ", 0) == 0;
      continue;
    }
    bool wanted =
        whole ||
        (row.key_selector != orv::kNoSelector && section.rfind("selector values", 0) == 0 &&
         line.find(" selector " + std::to_string(row.key_selector) + " values@") !=
             std::string::npos) ||
        (row.path == DrvPath::kCommandSequence && section.rfind("command sequences", 0) == 0 &&
         line.find(" id=" + hex_id(row.id) + " ") != std::string::npos);
    if (wanted) rows += line + "\n";
  }
  close();
  return kept;
}

// `dump ID` of a Drv special id: its row, the trees its path reads (with
// why) and the table rows it reads.
void dump_special(const orv::Image& image, const IdInfo& info, std::ostream& out) {
  out << special_row_text(*info.special) << "\n";
  std::vector<AnswerTree> trees = answer_trees(image, info);
  for (size_t k = 0; k < trees.size(); ++k) {
    const AnswerTree& t = trees[k];
    out << t.role;
    if (t.role == "fragment") out << " " << k << " of " << trees.size() << ", for";
    out << " " << hex_id(t.id) << ": tree [" << t.item << "]\n" << orv::dump_tree(image, t.item, 1);
  }
  if (trees.empty()) out << "no tree: the path reads tables alone\n";
  out << special_table_rows(image, *info.special);
}

int run_dump(const orv::Image& image, const std::optional<std::string>& id_word,
             std::ostream& out) {
  if (!id_word) {
    out << orv::dump_image(image);
    return 0;
  }
  uint16_t id = static_cast<uint16_t>(parse_number(*id_word, 0, 0xFFFF, "id"));
  if (std::optional<Domain> d = domain_of(id); d && special_row(*d, id) != nullptr) {
    dump_special(image, analyse_id(image, *d, id), out);
    return 0;
  }
  uint32_t root = 0;
  if (orv::find_root_item(image, id, &root) != DB_OK) {
    throw UsageError("id " + hex_id(id) + " is not in the root index");
  }
  // A view of the image whose root index holds only this tree's slots.
  std::vector<uint16_t> ids;
  std::vector<uint32_t> items;
  for (uint32_t k = 0; k < image.root_count; ++k) {
    if (image.root_items[k] == root) {
      ids.push_back(image.root_ids[k]);
      items.push_back(root);
    }
  }
  orv::Image view = image;
  view.root_ids = ids.data();
  view.root_items = items.data();
  view.root_count = static_cast<uint32_t>(ids.size());
  std::string text = orv::dump_image(view);
  std::string key = "root " + hex_id(id) + " ";
  size_t begin = text.find(key);
  size_t end = text.find("\n", begin);
  // Keep the id's own entry: up to the next root line, the unreached list or
  // the Drv tables.
  size_t next = text.find("\nroot ", end);
  size_t rest = text.find("\nnot in any tree", end);
  size_t tables = text.find("\ndrv tables", end);
  size_t stop = std::min({next, rest, tables});
  out << (begin == std::string::npos
              ? text
              : text.substr(begin,
                            stop == std::string::npos ? std::string::npos : stop + 1 - begin));
  return 0;
}

// A fault as `check` prints it: where, in which tree, what.
std::string fault_line(const orv::Image& image, const orv::model::ImageFault& f) {
  std::string where;
  if (f.item != orv::model::kNoItem) where += "[" + std::to_string(f.item) + "] ";
  if (f.slot != orv::model::kNoItem) where += "root slot " + std::to_string(f.slot) + " ";
  if (f.tree != orv::model::kNoItem) {
    std::string ids;
    for (uint32_t k = 0; k < image.root_count; ++k) {
      if (image.root_items[k] == f.tree) ids += " " + hex_id(image.root_ids[k]);
    }
    where += ids.empty() ? "fragment tree " + std::to_string(f.tree) + ": " : "tree" + ids + ": ";
  }
  return where + f.message;
}

int run_check(ToolImage& tool_image, std::ostream& out) {
  const orv::Image& image = tool_image.image();
  const orv::model::ImageReport& r = tool_image.report();
  out << "model " << model_name_of(image) << "\n";
  for (const std::string& s : r.sizes) out << s << "\n";
  out << "items no tree reaches " << r.unreached << "\n";
  for (const orv::model::ImageFault& f : r.faults) out << "fault: " << fault_line(image, f) << "\n";
  out << (r.faults.empty() ? "image sound\n" : std::to_string(r.faults.size()) + " faults\n");
  return r.faults.empty() ? 0 : kFaultyImage;
}

int ToolImage::load(const std::string& path, bool faults_allowed, std::ostream& err) {
  std::string fault;
  if (!orv::model::load_image_file(path, &loaded_, &fault)) {
    err << "orvdb: error: " << path << ": " << fault << "\n";
    return kUnreadableImage;
  }
  image_ = loaded_.tables.view();
  loaded_meanings_ = file_meanings(loaded_.meanings);
  meanings_ = &loaded_meanings_;
  report_ = loaded_.report;
  verified_ = true;
  if (!faults_allowed && !report_.faults.empty()) {
    err << "orvdb: error: " << path << ": the image fails the verifier (" << report_.faults.size()
        << " faults; `orvdb --image " << path
        << " check` lists them): " << fault_line(image_, report_.faults[0]) << "\n";
    return kFaultyImage;
  }
  return 0;
}

int run_sweep(const orv::Image& image, const QueryArgs& a, bool csv, bool json, std::ostream& out,
              std::ostream& err) {
  Query q;
  build_query(image, a, &q);
  Sweep s = sweep_id(image, &q);
  if (json) {
    nlohmann::json j = sweep_json(s);
    j["domain"] = domain_name(q.domain);
    j["id"] = hex_id(q.id);
    out << j.dump(2) << "\n";
  } else if (csv) {
    // CSV holds the table alone: what the sweep held fixed goes to stderr.
    err << "held fixed: " << s.held_fixed << "\n";
    print_sweep_csv(s, out);
  } else {
    print_sweep_text(s, out);
  }
  return 0;
}

// `diff A [B]`: A against B, or against the image the tool reads (--image
// or the built-in one) when B is not given.
int run_diff_files(const std::vector<std::string>& files,
                   const std::optional<std::string>& image_path, const DiffOptions& options,
                   std::ostream& out, std::ostream& err) {
  ToolImage old_image, new_image;
  int status = old_image.load(files[0], false, err);
  if (status != 0) return status;
  std::string new_name = "built-in";
  if (files.size() > 1 || image_path) {
    new_name = files.size() > 1 ? files[1] : *image_path;
    status = new_image.load(new_name, false, err);
    if (status != 0) return status;
  }
  return run_diff(DiffSide{&old_image.image(), files[0]}, DiffSide{&new_image.image(), new_name},
                  out, options);
}

}  // namespace

int run_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"orvdb: ask, explain and inspect the " + model_name_of(orv::builtin_image()) +
                   " model data base",
               "orvdb"};
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "show help for every subcommand");

  QueryArgs qa;
  bool json = false, csv = false;
  std::string ids_domain;
  std::optional<std::string> dump_id;
  std::optional<std::string> image_path;

  app.add_option("--image", image_path,
                 "read this image file (as the model compiler writes it) instead of the "
                 "built-in image")
      ->type_name("FILE");

  CLI::App* query = app.add_subcommand("query", "ask one id and print its answer");
  add_query_options(query, &qa);
  query->add_flag("--json", json, "print the answer as JSON");

  CLI::App* explain = app.add_subcommand(
      "explain", "ask one id and print the walk (or a Drv special id's path) step by step");
  add_query_options(explain, &qa);

  CLI::App* ids = app.add_subcommand("ids", "list every id: leaves, reads, how it is answered");
  ids->add_option("DOMAIN", ids_domain, "only this domain");

  CLI::App* dump = app.add_subcommand("dump", "the image as text, tree by tree");
  dump->add_option("ID", dump_id,
                   "only the tree of this id (of a Drv special id: the trees and table rows "
                   "its path reads)");

  CLI::App* check = app.add_subcommand("check", "verify the image's structure, print its sizes");

  CLI::App* reference =
      app.add_subcommand("reference", "every id with its meaning and an example, as Markdown");

  std::vector<std::string> diff_files;
  CLI::App* diff = app.add_subcommand(
      "diff", "the answers and Drv table rows in which image file A differs from B");
  diff->add_option("A", diff_files, "the old image file, then the new one (default: built-in)")
      ->required()
      ->expected(1, 2)
      ->type_name("A [B]");
  DiffOptions diff_options;
  diff->add_flag("--json", diff_options.json, "print JSON");
  diff->add_flag("--stat", diff_options.stat,
                 "per id the number of combinations that differ, per table the number of rows");

  CLI::App* sweep = app.add_subcommand(
      "sweep", "every combination of the inputs the id's answer reads that its trees tell apart");
  sweep->add_option("DOMAIN", qa.domain, "root, drv, lm, mnt, pa or sm")->required();
  sweep->add_option("ID", qa.id, "data id, decimal or 0x hex")->required();
  CLI::Option* csv_flag = sweep->add_flag("--csv", csv, "print CSV");
  CLI::Option* json_flag = sweep->add_flag("--json", json, "print JSON");
  csv_flag->excludes(json_flag);

  static const char* const kSubcommands[] = {"query", "explain", "ids",       "dump",
                                             "check", "sweep",   "reference", "diff"};
  // The first word after the global options names the subcommand.
  size_t first = 0;
  while (first < args.size() && (args[first] == "--image" || args[first].rfind("--image=", 0) == 0))
    first += args[first] == "--image" ? 2 : 1;
  if (first < args.size() && !args[first].empty() && args[first][0] != '-' &&
      std::find(std::begin(kSubcommands), std::end(kSubcommands), args[first]) ==
          std::end(kSubcommands)) {
    err << "orvdb: error: unknown subcommand '" << args[first]
        << "' (expected query, explain, ids, dump, check, sweep, reference or diff)\n";
    return kUsage;
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::ParseError& e) {
    err << "orvdb: error: " << e.what() << "\n";
    return kUsage;
  }
  if (diff->parsed()) return run_diff_files(diff_files, image_path, diff_options, out, err);
  ToolImage tool_image;
  if (image_path) {
    int status = tool_image.load(*image_path, check->parsed(), err);
    if (status != 0) return status;
  }
  const orv::Image& image = tool_image.image();
  try {
    if (query->parsed()) return run_query(image, qa, json, out);
    if (explain->parsed()) return run_explain(image, qa, out);
    if (ids->parsed()) return run_ids(image, tool_image.meanings(), ids_domain, out);
    if (dump->parsed()) return run_dump(image, dump_id, out);
    if (check->parsed()) return run_check(tool_image, out);
    if (sweep->parsed()) return run_sweep(image, qa, csv, json, out, err);
    if (reference->parsed()) {
      print_reference(image, tool_image.meanings(), out);
      return 0;
    }
  } catch (const UsageError& e) {
    err << "orvdb: error: " << e.what() << "\n";
    return kUsage;
  }
  return kUsage;
}

}  // namespace orvtool
