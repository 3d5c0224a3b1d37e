// Running the orvdb command line inside a test: its exit status and what it
// wrote to each stream; and reading its CSV back as RFC 4180 says.
#ifndef ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_
#define ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tool.h"

namespace orvtool {

// The words of a command line.
inline std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

struct ToolRun {
  int status;       // exit status
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the tool with `args` (the words after the tool's name).
inline ToolRun tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = run_tool(ORVDB_TOOL_NAME, args, out, err);
  return {status, out.str(), err.str()};
}

// The records of CSV text as RFC 4180 defines it: records end with CRLF,
// fields are separated by commas, a field in double quotes may hold commas,
// CRLF and doubled quotes. Nothing when the text breaks a rule (a record
// not ending in CRLF, a bare quote or CR, text after a closing quote).
inline std::optional<std::vector<std::vector<std::string>>> read_csv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  size_t at = 0;
  while (at < text.size()) {
    std::string field;
    if (text[at] == '"') {
      for (++at;; ++at) {
        if (at >= text.size()) return std::nullopt;  // no closing quote
        if (text[at] != '"') {
          field += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
          field += '"', ++at;
        } else {
          ++at;
          break;
        }
      }
    } else {
      for (; at < text.size() && text[at] != ',' && text[at] != '\r'; ++at) {
        if (text[at] == '"' || text[at] == '\n') return std::nullopt;
        field += text[at];
      }
    }
    record.push_back(field);
    if (at < text.size() && text[at] == ',') {
      ++at;
    } else if (text.compare(at, 2, "\r\n") == 0) {
      at += 2;
      records.push_back(record);
      record.clear();
    } else {
      return std::nullopt;
    }
  }
  if (!record.empty()) return std::nullopt;  // the last record lacks its CRLF
  return records;
}

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_TOOL_TEST_UTIL_H_
