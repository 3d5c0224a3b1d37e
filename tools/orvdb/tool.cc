#include "tool.h"

#include <errno.h>
#include <string.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "answer.h"
#include "diff.h"
#include "engine/image.h"
#include "explain.h"
#include "id_info.h"
#include "inspect.h"
#include "meanings.h"
#include "modelc/image_file.h"
#include "modelc/verifier.h"
#include "query_setup.h"
#include "reference.h"
#include "sweep.h"
#include "tree_dot.h"

namespace orvtool {
namespace {

// The image a run reads: the built-in one, or one loaded from an image file.
class ToolImage {
 public:
  ToolImage() : image_(orv::builtin_image()), meanings_(&builtin_meanings()) {}
  ToolImage(const ToolImage&) = delete;
  ToolImage& operator=(const ToolImage&) = delete;

  // Loads the image file at `path`: kExitOk, or the exit status with its one
  // line written to `err` (naming `program`): kExitUsage for a file that is
  // no image file, kExitOtherResult for an image the verifier faults
  // (unless `faults_allowed`).
  int load(const std::string& program, const std::string& path, bool faults_allowed,
           std::ostream& err);

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

int ToolImage::load(const std::string& program, const std::string& path, bool faults_allowed,
                    std::ostream& err) {
  std::string fault;
  if (!orv::model::load_image_file(path, &loaded_, &fault)) {
    err << program << ": error: " << path << ": " << fault << "\n";
    return kExitUsage;
  }
  image_ = loaded_.tables.view();
  loaded_meanings_ = file_meanings(loaded_.meanings);
  meanings_ = &loaded_meanings_;
  report_ = loaded_.report;
  verified_ = true;
  if (!faults_allowed && !report_.faults.empty()) {
    err << program << ": error: " << path << ": the image fails the verifier ("
        << report_.faults.size() << " faults; `" << program << " --image " << path
        << " check` lists them): " << fault_line(image_, report_.faults[0]) << "\n";
    return kExitOtherResult;
  }
  return kExitOk;
}

// What the command line gave, for every subcommand.
struct Options {
  std::optional<std::string> image_path;  // --image FILE
  QueryArgs query;                        // DOMAIN, ID and the context options
  bool json = false;                      // --json
  bool json_lines = false;                // --json-lines (sweep, diff)
  bool csv = false;                       // --csv (sweep)
  bool stat = false;                      // --stat (diff)
  bool dot = false;                       // --dot (dump, explain)
  bool all_leaves = false;                // --all-leaves (with --dot)
  std::optional<std::string> domain;      // ids [DOMAIN]
  std::optional<std::string> id;          // dump [ID]
  std::string old_file;                   // diff OLD
  std::optional<std::string> new_file;    // diff [NEW]
};

// One run of a subcommand: who runs it, what it reads and where it writes.
struct Run {
  const std::string& program;  // the tool's name, for messages
  ToolImage& image;            // the image read (the built-in one or --image)
  const Options& options;      // the command line
  std::ostream& out;           // standard output
  std::ostream& err;           // standard error
};

// How a subcommand reads the image --image names.
enum class ImageUse {
  kSound,      // loads it and refuses an image the verifier faults
  kAnyFaults,  // loads it whatever the verifier finds (check)
  kItself,     // loads what it needs itself (diff)
};

// A positional argument, shown in the help by its name alone.
CLI::Option* positional(CLI::App* app, const std::string& name, std::string* word,
                        const std::string& help) {
  return app->add_option(name, *word, help)->type_name("");
}
CLI::Option* positional(CLI::App* app, const std::string& name, std::optional<std::string>* word,
                        const std::string& help) {
  return app->add_option(name, *word, help)->type_name("");
}

void add_domain_and_id(CLI::App* app, Options* o) {
  positional(app, "DOMAIN", &o->query.domain, "one of: " + domain_ranges_text())->required();
  positional(app, "ID", &o->query.id, "data id, decimal or 0x hex, in the domain's range")
      ->required();
}

// The context options of query and explain; an option of one value may be
// given once.
void add_context(CLI::App* app, Options* o) {
  QueryArgs* a = &o->query;
  app->add_option("-s,--selector", a->selectors, "selector INDEX=VALUE (others are 0)")
      ->type_name("INDEX=VALUE");
  app->add_option("-m,--match", a->strings, "match string INDEX=TEXT (others are empty)")
      ->type_name("INDEX=TEXT");
  app->add_option("--selectors", a->count,
                  "selectors in the context (default: as many as the id can read)")
      ->type_name("N")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  app->add_option("--printer", a->printer, "query a stand-in printer of this name")
      ->type_name("NAME")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  app->add_option("--printer-data", a->printer_data, "a 32-bit configuration value of the printer")
      ->type_name("NAME=VALUE");
  app->add_option("--clock", a->clock, "fix the local clock")
      ->type_name("YYYYMMDDhhmmss")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  app->add_option("--country", a->country, "the country code the user's locale reports")
      ->type_name("N")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

void add_json(CLI::App* app, Options* o) {
  app->add_flag("--json", o->json, "print JSON (shapes: output_schema.json)");
}

// --json and --json-lines, of which one may be given.
void add_json_and_lines(CLI::App* app, Options* o) {
  CLI::Option* json = app->add_flag("--json", o->json, "print one JSON object");
  CLI::Option* lines =
      app->add_flag("--json-lines", o->json_lines, "print JSON Lines: one object a line, streamed");
  json->excludes(lines);
}

// --dot and --all-leaves, the picture instead of the text or JSON.
void add_dot(CLI::App* app, Options* o, const std::string& what) {
  CLI::Option* dot = app->add_flag("--dot", o->dot, what + " in Graphviz's language");
  app->add_flag("--all-leaves", o->all_leaves,
                "with --dot: every leaf, not only the id's (others are folded by case)")
      ->needs(dot);
  dot->excludes("--json");
}

void add_query(CLI::App* app, Options* o) {
  add_domain_and_id(app, o);
  add_context(app, o);
  add_json(app, o);
}

void add_explain(CLI::App* app, Options* o) {
  add_query(app, o);
  add_dot(app, o,
          "the tree (for a Drv special id, each tree walked) with the walk's route marked,");
}

void add_ids(CLI::App* app, Options* o) {
  positional(app, "DOMAIN", &o->domain, "only this domain: one of " + domain_words());
  add_json(app, o);
}

void add_dump(CLI::App* app, Options* o) {
  positional(app, "ID", &o->id,
             "only the tree of this id (of a Drv special id: the trees and table rows its path "
             "reads)");
  add_json(app, o);
  add_dot(app, o, "the tree that answers ID (of a Drv special id: the trees its path reads)");
}

void add_sweep(CLI::App* app, Options* o) {
  add_domain_and_id(app, o);
  CLI::Option* csv = app->add_flag("--csv", o->csv, "print CSV (RFC 4180)");
  add_json_and_lines(app, o);
  csv->excludes("--json")->excludes("--json-lines");
}

void add_diff(CLI::App* app, Options* o) {
  positional(app, "OLD", &o->old_file, "the old image file")->required();
  positional(app, "NEW", &o->new_file,
             "the new image file (default: the image the tool reads, --image or built-in)");
  add_json_and_lines(app, o);
  app->add_flag("--stat", o->stat,
                "per id the number of combinations that differ, per table the number of rows");
}

void add_nothing(CLI::App*, Options*) {}

void write_json(std::ostream& out, const nlohmann::json& j) { out << json_text(j) << "\n"; }

int run_query(Run& r) {
  const orv::Image& image = r.image.image();
  Query q;
  build_query(image, r.options.query, &q);
  Answer answer = ask(image, &q);
  if (r.options.json) {
    write_json(r.out, {{"domain", domain_name(q.domain)},
                       {"id", q.id},
                       {"context", context_json(q)},
                       {"answer", answer_json(answer)}});
  } else {
    print_answer(answer, r.out);
  }
  return exit_status(answer.result);
}

std::string context_text(const Query& q) {
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

// The lines explain prints before its result, with their indentation as depth.
nlohmann::json explain_steps(const std::string& text) {
  nlohmann::json steps = nlohmann::json::array();
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line) && line.rfind("result: ", 0) != 0;) {
    size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    steps.push_back({{"depth", indent / 2}, {"text", line.substr(indent)}});
  }
  return steps;
}

// The caption of a picture: the id and the model.
std::string picture_caption(const orv::Image& image, uint16_t id) {
  std::optional<Domain> d = domain_of(id);
  return std::string(d ? domain_title(*d) : "internal") + " " + hex_id(id) + " (" +
         model_name_of(image) + ")";
}

// `explain --dot`: each walk's tree with its route.
int explain_dot(Run& r, Query& q) {
  const orv::Image& image = r.image.image();
  std::ostringstream text;
  Explained e = explain_query(image, q.domain, q.info, q.context(), text);
  std::vector<DotTree> trees;
  for (size_t k = 0; k < e.walks.size(); ++k) {
    const ExplainedWalk& w = e.walks[k];
    std::string title = "walk " + std::to_string(k + 1) + ": " + w.role + " " + hex_id(w.id);
    if (w.set_selector != orv::kNoSelector) {
      title +=
          " with selector " + std::to_string(w.set_selector) + " = " + std::to_string(w.set_value);
    }
    title += w.item == orv::kUnknownItem ? ": root lookup => " + result_name(w.result)
                                         : " => " + result_name(w.result);
    trees.push_back({title, w.item, w.id, &w});
  }
  print_dot(image,
            domain_title(q.domain) + std::string(" ") + hex_id(q.id) + " with " + context_text(q) +
                " => " + result_name(e.answer.result),
            trees, r.options.all_leaves, r.out);
  return exit_status(e.answer.result);
}

int run_explain(Run& r) {
  const orv::Image& image = r.image.image();
  Query q;
  build_query(image, r.options.query, &q);
  if (r.options.dot) return explain_dot(r, q);
  if (!r.options.json) {
    r.out << domain_title(q.domain) << " " << hex_id(q.id) << " with " << context_text(q) << "\n";
    r.out << "answered: " << answered_text(q.info) << "\n";
    return exit_status(explain_query(image, q.domain, q.info, q.context(), r.out).answer.result);
  }
  std::ostringstream text;
  Explained e = explain_query(image, q.domain, q.info, q.context(), text);
  nlohmann::json walks = nlohmann::json::array();
  for (const ExplainedWalk& w : e.walks) {
    walks.push_back(
        {{"tree", w.item == orv::kUnknownItem ? nlohmann::json(nullptr) : nlohmann::json(w.item)},
         {"id", w.id},
         {"result", result_name(w.result)}});
  }
  write_json(r.out, {{"domain", domain_name(q.domain)},
                     {"id", q.id},
                     {"context", context_json(q)},
                     {"answered", answered_text(q.info)},
                     {"steps", explain_steps(text.str())},
                     {"walks", walks},
                     {"answer", answer_json(e.answer)}});
  return exit_status(e.answer.result);
}

int run_ids(Run& r) {
  std::vector<Domain> domains = all_domains();
  if (r.options.domain) {
    std::optional<Domain> d = parse_domain(*r.options.domain);
    if (!d) throw UsageError(unknown_domain_text(*r.options.domain));
    domains = {*d};
  }
  if (r.options.json) {
    write_json(r.out, ids_json(r.image.image(), r.image.meanings(), domains));
  } else {
    print_ids(r.image.image(), r.image.meanings(), domains, r.out);
  }
  return kExitOk;
}

int run_dump(Run& r) {
  const orv::Image& image = r.image.image();
  std::optional<uint16_t> id;
  if (r.options.id) {
    id = static_cast<uint16_t>(parse_number(*r.options.id, 0, 0xFFFF, "id"));
    if (!dump_has_id(image, *id)) {
      // An id that does not exist ends every subcommand alike.
      r.err << r.program << ": id " << hex_id(*id)
            << " does not exist: neither in the root index nor a Drv special id\n";
      return kExitNoAnswer;
    }
  }
  if (r.options.dot) {
    if (!id) throw UsageError("dump --dot needs an ID: the whole image is too large a picture");
    print_dot(image, picture_caption(image, *id), dump_trees(image, *id), r.options.all_leaves,
              r.out);
  } else if (r.options.json) {
    write_json(r.out, dump_json(image, id));
  } else {
    print_dump(image, id, r.out);
  }
  return kExitOk;
}

int run_check(Run& r) {
  const orv::model::ImageReport& report = r.image.report();
  if (r.options.json) {
    write_json(r.out, check_json(r.image.image(), report));
  } else {
    print_check(r.image.image(), report, r.out);
  }
  return report.faults.empty() ? kExitOk : kExitOtherResult;
}

int run_sweep(Run& r) {
  const orv::Image& image = r.image.image();
  Query q;
  build_query(image, r.options.query, &q);
  Sweep s;
  if (r.options.json_lines) {
    // One object a line, each under the name of its kind.
    r.out << json_line({{"sweep", sweep_head_json(q)}}) << "\n";
    s = sweep_id(image, &q, false, [&](const SweepRow& row) {
      r.out << json_line({{"row", sweep_row_json(row)}}) << "\n";
    });
    r.out << json_line({{"end", sweep_end_json(s)}}) << "\n";
  } else {
    s = sweep_id(image, &q);
    if (r.options.json) {
      write_json(r.out, sweep_json(q, s));
    } else if (r.options.csv) {
      // CSV holds the table alone: what the sweep held fixed goes to stderr.
      r.err << "held fixed: " << s.held_fixed << "\n";
      print_sweep_csv(s, r.out);
    } else {
      print_sweep_text(s, r.out);
    }
  }
  return s.answered ? kExitOk : kExitNoAnswer;
}

int run_reference(Run& r) {
  print_reference(r.image.image(), r.image.meanings(), r.out);
  return kExitOk;
}

// `diff OLD [NEW]`: OLD against NEW, or against the image the tool reads
// (--image or the built-in one) when NEW is not given.
int run_diff(Run& r) {
  const Options& o = r.options;
  ToolImage old_image, new_image;
  int status = old_image.load(r.program, o.old_file, false, r.err);
  if (status != kExitOk) return status;
  std::string new_name = "built-in";
  if (o.new_file || o.image_path) {
    new_name = o.new_file ? *o.new_file : *o.image_path;
    status = new_image.load(r.program, new_name, false, r.err);
    if (status != kExitOk) return status;
  }
  DiffOptions options;
  options.json = o.json;
  options.json_lines = o.json_lines;
  options.stat = o.stat;
  return run_diff(DiffSide{&old_image.image(), o.old_file}, DiffSide{&new_image.image(), new_name},
                  r.out, options);
}

// One subcommand: the one table the parser, the help and the messages read.
struct Subcommand {
  const char* name;                          // as typed
  const char* summary;                       // its line in the help
  void (*add_options)(CLI::App*, Options*);  // its positionals and options
  int (*run)(Run&);                          // runs it; the exit status
  ImageUse image;                            // how it reads --image
};
const Subcommand kSubcommands[] = {
    {"query", "ask one id and print its answer", add_query, run_query, ImageUse::kSound},
    {"explain", "ask one id and print the walk (or a Drv special id's path) step by step",
     add_explain, run_explain, ImageUse::kSound},
    {"ids", "list every id: leaves, reads, how it is answered", add_ids, run_ids, ImageUse::kSound},
    {"dump", "the image as text, tree by tree", add_dump, run_dump, ImageUse::kSound},
    {"check", "verify the image's structure, print its sizes", add_json, run_check,
     ImageUse::kAnyFaults},
    {"sweep", "every combination of the inputs the id's answer reads that its trees tell apart",
     add_sweep, run_sweep, ImageUse::kSound},
    {"reference", "every id with its meaning and an example, as Markdown", add_nothing,
     run_reference, ImageUse::kSound},
    {"diff", "the answers and Drv table rows in which image file OLD differs from NEW", add_diff,
     run_diff, ImageUse::kItself},
};

// "query, explain, ..., diff": every subcommand's name.
std::string subcommand_words() {
  std::string s;
  for (const Subcommand& c : kSubcommands) s += (s.empty() ? "" : ", ") + std::string(c.name);
  return s;
}

// The help's closing lines: every exit status and what it means.
std::string exit_status_text() {
  std::string s = "Exit status:";
  for (const ExitStatusMeaning& e : kExitStatuses) {
    s += "\n  " + std::to_string(e.status) + "  " + e.meaning;
  }
  return s;
}

// The parser of `program`'s command line, filling `options`: the global
// options, then one subcommand per row of kSubcommands, in order (`apps`).
std::unique_ptr<CLI::App> make_parser(const std::string& program, Options* options,
                                      std::vector<CLI::App*>* apps) {
  const std::string model = model_name_of(orv::builtin_image());
  auto app = std::make_unique<CLI::App>(
      program + ": ask, explain and inspect the " + model + " model data base", program);
  app->require_subcommand(0, 1);
  app->allow_extras();
  app->set_help_all_flag("--help-all", "show help for every subcommand");
  app->set_version_flag("--version", program + " " + ORVDB_VERSION + " (" + model + ")");
  app->footer(exit_status_text());
  app->add_option("--image", options->image_path,
                  "read this image file (as the model compiler writes it) instead of the "
                  "built-in image; before or after the subcommand")
      ->type_name("FILE")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  for (const Subcommand& c : kSubcommands) {
    CLI::App* sub = app->add_subcommand(c.name, c.summary);
    sub->fallthrough();  // global options after the subcommand, too
    sub->allow_extras();
    sub->footer(exit_status_text());
    c.add_options(sub, options);
    apps->push_back(sub);
  }
  return app;
}

// Parses the command line and runs the subcommand it names.
int parse_and_run(const std::string& program, const std::vector<std::string>& args,
                  std::ostream& out, std::ostream& err) {
  Options options;
  std::vector<CLI::App*> apps;
  std::unique_ptr<CLI::App> parser = make_parser(program, &options, &apps);
  CLI::App& app = *parser;

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::CallForAllHelp&) {
    out << app.help("", CLI::AppFormatMode::All);
    return kExitOk;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    throw UsageError(e.what());
  }
  const Subcommand* chosen = nullptr;
  for (size_t k = 0; k < apps.size(); ++k) {
    if (apps[k]->parsed()) chosen = &kSubcommands[k];
  }
  std::vector<std::string> extras = app.remaining(true);
  if (chosen == nullptr && !extras.empty() && extras[0].rfind("-", 0) != 0) {
    throw UsageError("unknown subcommand '" + extras[0] +
                     "' (expected one of: " + subcommand_words() + ")");
  }
  if (chosen == nullptr) {
    throw UsageError("a subcommand is required (one of: " + subcommand_words() + ")");
  }
  if (!extras.empty()) {
    std::string words;
    for (const std::string& w : extras) words += " " + w;
    throw UsageError(std::string(chosen->name) + ": not expected:" + words);
  }

  ToolImage image;
  if (options.image_path && chosen->image != ImageUse::kItself) {
    int status =
        image.load(program, *options.image_path, chosen->image == ImageUse::kAnyFaults, err);
    if (status != kExitOk) return status;
  }
  Run run{program, image, options, out, err};
  return chosen->run(run);
}

OptionDoc option_doc(const CLI::Option& o) {
  OptionDoc d;
  if (o.nonpositional()) {
    for (const std::string& n : o.get_snames()) d.names.push_back("-" + n);
    for (const std::string& n : o.get_lnames()) d.names.push_back("--" + n);
    if (o.get_type_size_max() > 0) d.value = o.get_type_name();
  } else {
    d.names.push_back(o.get_name());
    d.positional = true;
  }
  d.help = o.get_description();
  d.required = o.get_required();
  d.repeatable = o.get_items_expected_max() > 1;
  return d;
}

}  // namespace

CommandLineDoc describe_command_line(const std::string& program) {
  Options options;
  std::vector<CLI::App*> apps;
  std::unique_ptr<CLI::App> app = make_parser(program, &options, &apps);
  CommandLineDoc doc;
  doc.summary = app->get_description();
  for (const CLI::Option* o : app->get_options()) doc.options.push_back(option_doc(*o));
  for (size_t k = 0; k < apps.size(); ++k) {
    SubcommandDoc sub{kSubcommands[k].name, kSubcommands[k].summary, {}};
    // Positionals first, in their order, then the options.
    for (bool positional : {true, false}) {
      for (const CLI::Option* o : apps[k]->get_options()) {
        if (o->nonpositional() != positional) sub.options.push_back(option_doc(*o));
      }
    }
    doc.subcommands.push_back(sub);
  }
  return doc;
}

int run_tool(const std::string& program, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err) {
  try {
    int status = parse_and_run(program, args, out, err);
    out.flush();
    if (!out) throw OutputError(0);
    return status;
  } catch (const OutputError& e) {
    // A reader that closed the pipe wants no more: no message.
    if (e.error_number() != EPIPE) {
      err << program << ": error: cannot write the output: "
          << (e.error_number() != 0 ? strerror(e.error_number()) : "the stream failed") << "\n";
    }
    return kExitOutput;
  } catch (const UsageError& e) {
    err << program << ": error: " << e.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << program << ": internal error: " << e.what() << "\n";
    return kExitInternal;
  } catch (...) {
    err << program << ": internal error: an exception of unknown type\n";
    return kExitInternal;
  }
}

}  // namespace orvtool
