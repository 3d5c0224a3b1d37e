// `ids`, `dump` and `check`: the image inspected, as text and as JSON (the
// JSON shapes are in output_schema.json).
#ifndef ORVDB_TOOLS_ORVDB_INSPECT_H_
#define ORVDB_TOOLS_ORVDB_INSPECT_H_

#include <stdint.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/image.h"
#include "id_info.h"
#include "meanings.h"
#include "modelc/verifier.h"

namespace orvtool {

// Every id of `domains`, one line each: how it is answered, its leaves, what
// it reads, the context it needs and what it means.
void print_ids(const orv::Image& image, const Meanings& meanings,
               const std::vector<Domain>& domains, std::ostream& out);
nlohmann::json ids_json(const orv::Image& image, const Meanings& meanings,
                        const std::vector<Domain>& domains);

// Whether `dump ID` has anything to show: a Drv special id, or an id in the
// root index.
bool dump_has_id(const orv::Image& image, uint16_t id);
// The image as text, tree by tree, then the Drv tables (the golden dump's
// format); with an id (dump_has_id), only its tree, or for a Drv special id
// its row, every tree its path reads and the table rows it reads.
void print_dump(const orv::Image& image, const std::optional<uint16_t>& id, std::ostream& out);
// The same as JSON: the root slots, the items (with an id, those its trees
// reach), the pools and the Drv tables (with an id, the rows it reads).
nlohmann::json dump_json(const orv::Image& image, const std::optional<uint16_t>& id);

// A fault as `check` prints it: where, in which tree, what.
std::string fault_line(const orv::Image& image, const orv::model::ImageFault& fault);
// The verifier's report: the model, the table sizes, the unreached items
// and every fault.
void print_check(const orv::Image& image, const orv::model::ImageReport& report, std::ostream& out);
nlohmann::json check_json(const orv::Image& image, const orv::model::ImageReport& report);

}  // namespace orvtool

#endif  // ORVDB_TOOLS_ORVDB_INSPECT_H_
