// What the tool knows about one data id before asking it: which domain it
// belongs to, how the library answers it, what its trees can read from the
// query context and which leaves they hold for it. Everything is derived
// from the image, the Drv handler's table of special ids and the table of
// what computed items read.
#ifndef ORVDB_TOOLS_ORVDB_ID_INFO_H_
#define ORVDB_TOOLS_ORVDB_ID_INFO_H_

#include <stdint.h>

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "drvrecords/drv_special_ids.h"
#include "engine/access.h"
#include "engine/image.h"
#include "modelc/text_forms.h"

namespace orvtool {

using orv::Domain;

// Lower-case name of a domain as the command line spells it ("drv").
const char* domain_name(Domain domain);
// Display name ("Drv").
const char* domain_title(Domain domain);
// "root, drv, lm, mnt, pa, sm": every domain's word, in table order.
std::string domain_words();
// "root 0x0001-0x0FFF, drv 0x1001-0x1FFF, ...": every domain's word and range.
std::string domain_ranges_text();
// The domain a command-line word names, if any.
std::optional<Domain> parse_domain(const std::string& word);
// The domain whose range holds `id`, if any.
std::optional<Domain> domain_of(uint16_t id);
// Every domain in range order.
const std::vector<Domain>& all_domains();

// How the library answers an id: the row of the Drv special-id table for a
// Drv id answered by code of its own, null for every other id (the generic
// path).
using orv::DrvPath;
const orv::DrvSpecialId* special_row(Domain domain, uint16_t id);
const char* drv_path_name(DrvPath path);

// What a row of the special-id table says of its id, on one line:
// "special-id row 0x1013: full list; attr1 the value identifiers of selector 7; ...".
std::string special_row_text(const orv::DrvSpecialId& row);

// Everything `ids`, the context builder and the decoder need about one id.
struct IdInfo {
  Domain domain = Domain::kRoot;                     // domain of the id
  uint16_t id = 0;                                   // the data id
  bool in_root = false;                              // the id has a slot in the root index
  uint32_t root_item = 0;                            // its tree's root item (when in_root)
  std::vector<uint16_t> group;                       // every id sharing that tree, in slot order
  const orv::DrvSpecialId* special = nullptr;        // its special-id row, null if generic
  DrvPath path = DrvPath::kGeneric;                  // how the Drv handler answers it
  std::vector<std::pair<uint8_t, uint16_t>> leaves;  // distinct (kind, count) of its leaves
  std::set<uint16_t> functions;                      // computed function numbers among its leaves
  std::set<uint16_t> selectors;                      // selector indices its answer can read
  std::set<uint16_t> strings;                        // match-string indices its answer can read
  std::set<uint16_t> printer_tags;                   // printer-data switch tags in its trees
  bool locale = false;                               // a locale switch occurs in its trees
  std::set<uint16_t> computed_only;          // selectors only its computed items read, no tree
  std::set<uint16_t> computed_also;          // selectors its computed items and its trees read
  std::set<uint16_t> computed_printer_tags;  // printer values its computed items read
  uint32_t selector_count = 0;               // selectors a context needs for every read
  uint32_t string_count = 0;                 // match strings a context needs for every read
  bool exists = false;  // the library can answer it at all (root or special table)
};

// Analyses one id of a domain.
IdInfo analyse_id(const orv::Image& image, Domain domain, uint16_t id);

// Every answerable id of a domain (root index and special tables), ascending.
std::vector<uint16_t> domain_ids(const orv::Image& image, Domain domain);

// "how it is answered": "generic", "computed function 2", "stored list", ...
std::string answered_text(const IdInfo& info);
// Leaf kinds and counts, "INT16 n=2, UINT8 n=2", or "-".
std::string leaves_text(const IdInfo& info);
// What it reads: "selectors 4 9 5; strings 1", or "nothing".
std::string reads_text(const IdInfo& info);

// A tree the answer of an id reads, and what for.
struct AnswerTree {
  std::string role;  // "root", "list", "attribute", "compared list", "marker pair", "fragment"
  uint16_t id;       // the id whose leaves it is walked for
  uint32_t item;     // its root item
};
// The trees the answer of `info`'s id reads on `image`, as far as the image
// holds them: its root tree; for a Drv special id also the trees its row of
// the special-id table names (attributes, compared list, marker), or for a
// command sequence its fragment trees instead.
std::vector<AnswerTree> answer_trees(const orv::Image& image, const IdInfo& info);

// The fragment trees of command sequence `id`, in table order, as far as
// the Drv tables hold them; none when the table lacks the id.
std::vector<uint32_t> fragment_trees(const orv::Image& image, uint16_t id);
// The name of the printer model the image describes, or "unnamed".
std::string model_name_of(const orv::Image& image);
using orv::hex_id;

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_ID_INFO_H_
