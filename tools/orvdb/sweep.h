// An id's whole answer space: every combination of the inputs its answer
// reads (selectors, match strings, printer configuration values, the
// country code) that its trees tell apart, each with the answer the library
// gives for it. Combinations are found by running the library's own walks
// (for a Drv special id, its whole path through the Drv observer) and
// forking wherever a walk is about to read an input the combination does not
// set yet, over the values the trees' cases name plus one value no case
// names ("other"); a printer value also takes "absent" and "no printer".
#ifndef ORVDB_TOOLS_ORVDB_SWEEP_H_
#define ORVDB_TOOLS_ORVDB_SWEEP_H_

#include <stdint.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "answer.h"
#include "engine/image.h"
#include "engine/walk.h"
#include "orvdb/orvdb.h"
#include "query_setup.h"

namespace orvtool {

// A printer configuration value as a combination sets it.
struct PrinterValue {
  enum class State : uint8_t {
    kSet,        // the printer holds `value`
    kAbsent,     // the printer does not hold this value
    kNoPrinter,  // the context names no printer at all
  };
  State state = State::kSet;  // which of the three
  uint32_t value = 0;         // the 32-bit value when kSet
  bool operator==(const PrinterValue& o) const { return state == o.state && value == o.value; }
};

// A combination of input values; inputs absent from it are not read on its
// path.
struct Combination {
  std::map<uint16_t, uint32_t> selectors;         // selector index -> value
  std::map<uint16_t, std::string> strings;        // match-string index -> text
  std::map<uint16_t, PrinterValue> printer_data;  // printer-data tag -> value
  std::optional<int32_t> country;                 // the country code, when read
  // Whether the context names no printer (a printer value chose "no printer").
  bool no_printer() const;
};

// "s28=9 m0=\"QXR\" p1=2 country=30": the values a combination sets, in
// that order ("p1=absent", "no printer"); empty when it sets none.
std::string combination_text(const Combination& c);
// The same as JSON: selectors, strings, printer values and the country code
// (null when not read).
nlohmann::json combination_json(const Combination& c);

// One combination and its answer.
struct SweepRow {
  Combination settings;  // the inputs set
  Answer answer;         // the library's answer
};

// A sweep: its rows (unless streamed) and what they read.
struct Sweep {
  std::string held_fixed;                  // what the sweep held fixed (held_fixed_text)
  size_t row_count = 0;                    // rows found, streamed ones too
  bool answered = false;                   // some row answered DB_OK
  std::vector<uint16_t> selector_columns;  // every selector some row reads, ascending
  std::vector<uint16_t> string_columns;    // every match string some row reads, ascending
  std::vector<uint16_t> printer_columns;   // every printer-data tag some row reads, ascending
  bool country_column = false;             // some row reads the country code
  std::vector<SweepRow> rows;              // in walk order; empty when streamed
};

// Distinguishing values of each input in a set of trees: every case value,
// both bounds of every range, and last one value no case takes.
struct ValueSets {
  std::map<uint16_t, std::vector<uint32_t>> selectors;     // index -> values
  std::map<uint16_t, std::vector<std::string>> strings;    // index -> texts
  std::map<uint16_t, std::vector<uint32_t>> printer_data;  // tag -> values
  std::vector<uint32_t> countries;                         // country codes, as 32-bit words
};
// The values any of several images' trees (image, its tree roots) name, in
// the order met, and for each input a value none of them names.
ValueSets collect_values(
    const std::vector<std::pair<const orv::Image*, std::vector<uint32_t>>>& sides);

// The trees whose cases tell an id's answers apart on `image`: its root
// tree, and for a Drv special id the trees its path looks up (attributes,
// compared list, marker) or its fragment trees.
std::vector<uint32_t> value_trees(const orv::Image& image, const IdInfo& info);

// One input a walk was about to read.
struct Read {
  orv::WalkRead what;  // its kind
  uint16_t index;      // selector or match-string index, printer-data or locale tag
};

// The walks of one id's answer on one image.
struct AnswerWalks {
  const orv::Image* image;  // the image
  IdInfo info;              // the id, as analyse_id gives it
};

// Runs the walks of `walks` for context `ctx` (a printer it names is opened
// first, as the entry points open it): the root walk of an ordinary id, the
// whole Drv path of a special id, each told to stop before a read `c` does
// not set. The first such read, or nothing when every walk ran to its end.
std::optional<Read> first_unset_read(const AnswerWalks& walks, const Combination& c,
                                     const ORV_QUERY_CONTEXT* ctx);

// Every combination the answers of `sides` (one id on one or more images)
// tell apart, in walk order. `context` makes the context (and sets up the
// platform) for a combination; the enumeration forks at the first read any
// side's walks are about to make that the combination does not set, over
// the values `sets` has for it (0 or "" when none). `each` gets every
// combination whose walks all end and returns false to end the enumeration.
void for_each_combination(
    const std::vector<AnswerWalks>& sides, const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each);

// The stand-in platform of sweeps and comparisons: the fixed clock and
// printer of set_up_fixed_platform, with the country code and the printer's
// values of each combination.
class SweepPlatform {
 public:
  // The names of printer values are looked up on each of `images` (the
  // value-name id's answer for the tag), so that every image reads its own.
  explicit SweepPlatform(std::vector<const orv::Image*> images);
  // Sets up the platform for `c`; returns the printer the context names
  // (empty for none).
  std::string set_up(const Combination& c);

 private:
  const std::vector<std::string>& value_names(uint16_t tag);

  std::vector<const orv::Image*> images_;               // the images asked
  std::map<uint16_t, std::vector<std::string>> names_;  // tag -> value names, once looked up
  bool values_set_ = false;                             // the printer holds values now
};

// What a sweep or comparison of the ids `infos` holds fixed, as one line
// ("clock 2026-12-06 18:44:29; selectors 29 30 at 0 ..."): the clock, the selectors only computed
// items read (at 0), the selectors computed items read beyond the values the trees tell apart, and
// the printer values only computed items read (absent).
std::string held_fixed_text(const std::vector<IdInfo>& infos);

// Sweeps the query's id with the fixed platform (its selectors and strings
// as built are the base). Throws UsageError when the space is too large to
// list. With `until_answer`, the sweep ends after the first combination
// answered DB_OK. With `stream`, each row goes to it as it is found instead
// of into the result.
Sweep sweep_id(const orv::Image& image, Query* query, bool until_answer = false,
               const std::function<void(const SweepRow&)>& stream = nullptr);

// The sweep as a table, its first line what it held fixed and its last the
// number of combinations.
void print_sweep_text(const Sweep& sweep, std::ostream& out);
// The sweep as CSV (RFC 4180: CRLF line ends, fields quoted as needed),
// header first; what it held fixed is not in it. A text answer's cell holds
// its text as the plain answer shows it.
void print_sweep_csv(const Sweep& sweep, std::ostream& out);
// The sweep as JSON (see output_schema.json): its head (domain, id, what it
// held fixed, the platform), a row (combination and answer), its end
// (columns and count), and all three in one object.
nlohmann::json sweep_head_json(const Query& query);
nlohmann::json sweep_row_json(const SweepRow& row);
nlohmann::json sweep_end_json(const Sweep& sweep);
nlohmann::json sweep_json(const Query& query, const Sweep& sweep);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_SWEEP_H_
