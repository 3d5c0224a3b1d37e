// Asking one query and showing its answer by what it is: numbers in
// decimal, text as text, bytes in hex, printer commands one per line, value
// records as a table and the mode record by parts and fields.
#ifndef ORVDB_TOOLS_ORVDB_ANSWER_H_
#define ORVDB_TOOLS_ORVDB_ANSWER_H_

#include <stdint.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "engine/image.h"
#include "query_setup.h"

namespace orvtool {

// What an answer's bytes are.
enum class Form { kNone, kNumbers, kText, kBytes, kCommands, kRecords, kModeRecord };
const char* form_name(Form form);

// One answer: the result code, the bytes the library wrote and their form.
struct Answer {
  int32_t result = DB_OK;      // final result code
  std::vector<uint8_t> bytes;  // the value (empty unless DB_OK)
  Form form = Form::kNone;     // how to read the bytes
};

// One call of an access path: the buffer and the needed-size word.
using Lookup = std::function<int32_t(uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded)>;

// Asks through `lookup` as a caller does, a size query then the copy into a
// buffer of exactly that size, and reads the answer as `info`'s id (asked
// with `ctx`) answers on `image`.
Answer ask_through(const orv::Image& image, const IdInfo& info, const ORV_QUERY_CONTEXT* ctx,
                   const Lookup& lookup);

// Asks `info`'s id of `domain` with `ctx` through the access path the
// exported functions run, on `image`: a size query, then the copy into a
// buffer of exactly that size.
Answer ask(const orv::Image& image, Domain domain, const IdInfo& info,
           const ORV_QUERY_CONTEXT* ctx);
// Asks internal id `info.id`, of no export's range, as the library's Drv
// code asks it: root lookup, walk and fetch, a printer named in `ctx` opened
// for the call; then the same two steps as above.
Answer ask_internal(const orv::Image& image, const IdInfo& info, const ORV_QUERY_CONTEXT* ctx);
// The same for a query built from the command line.
inline Answer ask(const orv::Image& image, Query* query) {
  return ask(image, query->domain, query->info, query->context());
}

// `n` bytes in hexadecimal, separated by spaces ("1B 28 61").
std::string hex_bytes(const uint8_t* p, size_t n);
// Bytes as JSON: {"hex": ...}, with "text" when they read as text
// (printable ASCII and line feeds).
nlohmann::json bytes_json(const uint8_t* p, size_t n);

// One piece of printer command bytes: a command, or a run of other bytes
// (up to and including a line feed).
struct CommandRun {
  size_t at;     // its first byte
  size_t size;   // its bytes
  bool command;  // an escape command, not bytes between commands
};
// Printer command bytes split into commands and the runs between them.
std::vector<CommandRun> command_runs(const std::vector<uint8_t>& bytes);
// The same as text: commands in hex, runs between them quoted when they read
// as text.
std::vector<std::string> split_commands(const std::vector<uint8_t>& bytes);

// The answer as text lines for `query`.
void print_answer(const Answer& answer, std::ostream& out);
// The answer on one line, for tables.
std::string answer_line(const Answer& answer);
// The answer in one CSV cell: a text answer's text as the plain output shows
// it, any other answer as answer_line.
std::string answer_cell(const Answer& answer);
// The answer as JSON: result, code, size, form and value (see
// output_schema.json).
nlohmann::json answer_json(const Answer& answer);

// JSON on one line, as JSON Lines and the diff's streamed arrays write it.
// Bytes that are not UTF-8 (an image file's texts may hold any) become
// U+FFFD rather than an exception.
std::string json_line(const nlohmann::json& j);
// JSON indented by two, for a subcommand's one object.
std::string json_text(const nlohmann::json& j);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_ANSWER_H_
