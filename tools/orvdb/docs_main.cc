// orvdb_docs OUTPUT_FOLDER: writes what the build makes the manual page and
// the bash completion of the installed tool from, all taken from its
// command line: synopsis.pod, options.pod, subcommands.pod, exit-status.pod
// and the completion script orvdb.bash.
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "command_line_docs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orvdb_docs OUTPUT_FOLDER\n";
    return 2;
  }
  const std::string program = ORVDB_TOOL_NAME;
  const orvtool::CommandLineDoc doc = orvtool::describe_command_line(program);
  const std::string folder = argv[1];
  const std::pair<const char*, std::function<void(std::ostream&)>> files[] = {
      {"synopsis.pod", [&](std::ostream& o) { orvtool::write_synopsis_pod(program, doc, o); }},
      {"options.pod", [&](std::ostream& o) { orvtool::write_options_pod(doc, o); }},
      {"subcommands.pod", [&](std::ostream& o) { orvtool::write_subcommands_pod(doc, o); }},
      {"exit-status.pod", [&](std::ostream& o) { orvtool::write_exit_status_pod(o); }},
      {"orvdb.bash", [&](std::ostream& o) { orvtool::write_bash_completion(program, doc, o); }},
  };
  for (const auto& [name, write] : files) {
    const std::string path = folder + "/" + name;
    std::ofstream out(path, std::ios::binary);
    write(out);
    if (!out.flush()) {
      std::cerr << "orvdb_docs: cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
