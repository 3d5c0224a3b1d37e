// From command-line words to a ready query: the domain and id, a query
// context sized for what the id reads, and the stand-in platform (printer,
// its configuration values, the clock) set up as asked. Every malformed or
// meaningless input is refused with a UsageError naming what is wrong.
#ifndef ORVDB_TOOLS_ORVDB_QUERY_SETUP_H_
#define ORVDB_TOOLS_ORVDB_QUERY_SETUP_H_

#include <stdint.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/access.h"
#include "id_info.h"
#include "orvdb/orvdb.h"

namespace orvtool {

// A command line the tool refuses; its message is one line naming the fault.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The query options as the command line gives them, unparsed.
struct QueryArgs {
  std::string domain;                     // DOMAIN word
  std::string id;                         // ID word
  std::vector<std::string> selectors;     // -s INDEX=VALUE
  std::vector<std::string> strings;       // -m INDEX=TEXT
  std::optional<std::string> count;       // --selectors N
  std::optional<std::string> printer;     // --printer NAME
  std::vector<std::string> printer_data;  // --printer-data NAME=VALUE
  std::optional<std::string> clock;       // --clock YYYYMMDDhhmmss
  std::optional<std::string> country;     // --country N
};

// A printer configuration value a query's printer holds.
struct PrinterDataArg {
  std::string name;  // the value's name
  uint32_t value;    // its 32-bit value
};

// A parsed query with its context. Not copyable: the context points into it.
class Query {
 public:
  Query() = default;
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Domain domain = Domain::kRoot;             // the domain asked
  uint16_t id = 0;                           // the id asked
  IdInfo info;                               // what the id reads and holds
  std::vector<uint32_t> selectors;           // the context's selectors
  std::vector<std::string> strings;          // the context's match strings
  std::vector<bool> string_given;            // which match strings the caller gave
  std::string printer;                       // printer name, empty for none
  std::vector<PrinterDataArg> printer_data;  // the printer's values, as given
  bool clock_given = false;                  // the clock is fixed (--clock)

  // The query context over the fields above; valid while this object lives
  // and its vectors are not resized.
  const ORV_QUERY_CONTEXT* context();

 private:
  ORV_QUERY_CONTEXT ctx_{};
  std::vector<const char*> string_ptrs_;
  std::vector<ORV_WCHAR> wide_printer_;
};

// A caller's context as the library's walks see it: a printer the context
// names without a handle is opened, as the entry points open it, while this
// object lives.
class SeenContext {
 public:
  explicit SeenContext(const ORV_QUERY_CONTEXT* ctx);
  ~SeenContext();
  SeenContext(const SeenContext&) = delete;
  SeenContext& operator=(const SeenContext&) = delete;
  const ORV_QUERY_CONTEXT* get() const { return given_ ? &call_.ctx : nullptr; }

 private:
  bool given_;                     // the caller gave a context
  orv::PrinterForCall call_ = {};  // the caller's context with the printer's handle
};

// Parses a number: decimal (optionally negative) or 0x hexadecimal, within
// [min, max]. `what` names it in the error message.
int64_t parse_number(const std::string& text, int64_t min, int64_t max, const std::string& what);

// "unknown domain 'xx' (expected one of: root, drv, ...)".
std::string unknown_domain_text(const std::string& word);

// Parses DOMAIN and ID: a known domain and an id inside its range.
void parse_domain_and_id(const std::string& domain, const std::string& id, Domain* d, uint16_t* n);

// Builds the query and sets up the stand-in platform (which it resets first).
void build_query(const orv::Image& image, const QueryArgs& args, Query* query);

// The fixed stand-in platform with which sweeps, the reference's examples and
// image comparisons are asked, so that their answers depend on the image and
// the combination alone: sweeps set the country code and the printer's
// values a combination reads.
constexpr const char* kFixedClock = "20261206184429";   // YYYYMMDDhhmmss, as --clock takes it
constexpr const char* kFixedPrinter = "fixed printer";  // a printer without configuration values
constexpr int32_t kFixedCountry = 1;                    // the country code where none is read
// "2026-12-06 18:44:29": kFixedClock as text.
std::string fixed_clock_text();
// Resets the stand-in platform, fixes its clock and country code and adds
// the printer, without configuration values.
void set_up_fixed_platform();

// The fixed platform as JSON: clock, printer and country code.
nlohmann::json fixed_platform_json();

// The context a query was asked with, whole, as JSON: every selector and
// match string of the context, the printer and its values, the country code
// and the clock the stand-in platform reports (see output_schema.json).
nlohmann::json context_json(const Query& query);

// "DB_NOT_FOUND", or "result 7" for a code without a name.
std::string result_name(int32_t result);

// The tool's exit statuses.
enum ExitStatus : int {
  kExitOk = 0,
  kExitNoAnswer = 1,
  kExitUsage = 2,
  kExitOtherResult = 3,
  kExitOutput = 4,
  kExitInternal = 5,
};
// What each exit status means, as the help and docs/tool.md list them.
struct ExitStatusMeaning {
  ExitStatus status;    // the status
  const char* meaning;  // when the tool ends with it
};
inline constexpr ExitStatusMeaning kExitStatuses[] = {
    {kExitOk, "DB_OK; diff: the images agree"},
    {kExitNoAnswer,
     "no answer: DB_NOT_FOUND or DB_NO_ENTRY, an id that does not exist (from every "
     "subcommand), a sweep in which no combination answers; diff: the images differ"},
    {kExitUsage, "a usage error, or an image file that cannot be read"},
    {kExitOtherResult, "any other result code, or an image the verifier faults"},
    {kExitOutput, "the output could not be written (a full disk, an I/O error)"},
    {kExitInternal, "an unexpected internal error"},
};
// Exit status for a result: kExitOk for DB_OK, kExitNoAnswer for not found
// or no entry, kExitOtherResult otherwise.
int exit_status(int32_t result);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_QUERY_SETUP_H_
