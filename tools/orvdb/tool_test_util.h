// Running the orvdb command line inside a test: its exit status and what it
// wrote to each stream.
#ifndef ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_
#define ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_

#include <sstream>
#include <string>
#include <vector>

#include "tool.h"

namespace orvtool {

struct ToolRun {
  int status;       // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool with `args` (the words after "orvdb").
inline ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = run_tool(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_
