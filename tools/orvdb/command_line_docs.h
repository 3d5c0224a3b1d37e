// The manual page's lists and the bash completion, written from the
// command line the parser reads (describe_command_line), so that neither
// can name an option, subcommand, domain or exit status the tool lacks.
#ifndef ORVDB_TOOLS_ORVDB_COMMAND_LINE_DOCS_H_
#define ORVDB_TOOLS_ORVDB_COMMAND_LINE_DOCS_H_

#include <ostream>
#include <string>

#include "tool.h"

namespace orvtool {

// POD paragraphs for the manual page of `program`: one synopsis line per
// subcommand; the options of every subcommand; each subcommand with its
// summary, positionals and options; every exit status with its meaning.
void write_synopsis_pod(const std::string& program, const CommandLineDoc& doc, std::ostream& out);
void write_options_pod(const CommandLineDoc& doc, std::ostream& out);
void write_subcommands_pod(const CommandLineDoc& doc, std::ostream& out);
void write_exit_status_pod(std::ostream& out);

// A bash completion script for `program`: subcommands, each one's options,
// domains where a DOMAIN stands, and file names for image files.
void write_bash_completion(const std::string& program, const CommandLineDoc& doc,
                           std::ostream& out);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_COMMAND_LINE_DOCS_H_
