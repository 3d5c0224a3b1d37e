// The orvdb command line: query, explain, ids, dump, check, sweep and
// reference over the built-in image or, with --image FILE, an image file.
// Exit status: 0 DB_OK, 1 not found or no entry, 2 a usage error or an
// unreadable image file, 3 any other result code or an image the verifier
// faults.
#ifndef ORVDB_TOOLS_ORVDB_TOOL_H_
#define ORVDB_TOOLS_ORVDB_TOOL_H_

#include <ostream>
#include <string>
#include <vector>

namespace orvtool {

// Runs the tool with `args` (without the program name), writing to out and
// err; returns the exit status.
int run_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TOOL_H_
