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

// Printer command bytes split into commands (and the text between them).
std::vector<std::string> split_commands(const std::vector<uint8_t>& bytes);

// The answer as text lines for `query`.
void print_answer(const Answer& answer, std::ostream& out);
// The answer on one line, for tables.
std::string answer_line(const Answer& answer);
// The answer as JSON: result, size, form and value.
nlohmann::json answer_json(const Answer& answer);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_ANSWER_H_
