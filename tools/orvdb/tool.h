// The orvdb command line: query, explain, ids, dump, check, sweep, reference
// and diff over the built-in image or, with --image FILE, an image file. The
// exit statuses are kExitStatuses (query_setup.h); the JSON shapes are in
// output_schema.json.
#ifndef ORVDB_TOOLS_ORVDB_TOOL_H_
#define ORVDB_TOOLS_ORVDB_TOOL_H_

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvtool {

// Standard output could not be written: what a stream over it throws.
class OutputError : public std::runtime_error {
 public:
  // `error_number`: the system's error number, 0 when none is known.
  explicit OutputError(int error_number)
      : std::runtime_error("cannot write the output"), error_number_(error_number) {}
  int error_number() const { return error_number_; }

 private:
  int error_number_;  // errno of the failed write, or 0
};

// Runs the tool named `program` (its name in the help and every message)
// with `args` (the words after the program name), writing to out and err;
// returns the exit status. No exception leaves it: a stream that throws
// OutputError or fails ends the run with kExitOutput (quietly for EPIPE, a
// reader that closed the pipe), anything unexpected with kExitInternal, each
// with one line on `err`.
int run_tool(const std::string& program, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err);

// The command line as the parser reads it, for the manual page and the
// shell completion, which are written from it.
struct OptionDoc {
  std::vector<std::string> names;  // "-s", "--selector"; a positional's name alone ("DOMAIN")
  std::string value;               // the name of an option's value ("INDEX=VALUE"); empty for
                                   // a flag and a positional
  std::string help;                // its line in --help
  bool positional = false;         // a word by its place, not an option
  bool required = false;           // it must be given
  bool repeatable = false;         // it may be given more than once
};
struct SubcommandDoc {
  std::string name;                // as typed
  std::string summary;             // its line in --help
  std::vector<OptionDoc> options;  // its positionals in order, then its options
};
struct CommandLineDoc {
  std::string summary;                     // the tool's line in --help
  std::vector<OptionDoc> options;          // the options before or after any subcommand
  std::vector<SubcommandDoc> subcommands;  // in the order --help lists them
};
// The command line of the tool named `program`.
CommandLineDoc describe_command_line(const std::string& program);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TOOL_H_
