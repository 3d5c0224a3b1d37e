// The model compiler: its phases in order. A phase that found a fault stops
// the compile where the next phase would only report it again.
#include "modelc/compiler.h"

#include <algorithm>
#include <set>

#include "modelc/drv_layout.h"
#include "modelc/lowering.h"
#include "modelc/placement.h"
#include "modelc/verifier.h"

namespace orv::model {
namespace {

// Faults of the ids' meanings: each names a root id, once, in one line.
void check_abouts(const Model& model, CompileResult* result) {
  const std::vector<uint16_t>& ids = result->image.root_ids;
  std::set<uint16_t> seen;
  for (const IdAbout& a : model.abouts()) {
    std::string tree = hex_id(a.id);
    if (std::find(ids.begin(), ids.end(), a.id) == ids.end())
      result->faults.push_back(fault_text(a.where, tree, "a meaning for an id with no tree"));
    if (!seen.insert(a.id).second)
      result->faults.push_back(fault_text(a.where, tree, "the id's meaning is given twice"));
    if (a.meaning.empty() || (a.meaning + a.unit).find('\n') != std::string::npos)
      result->faults.push_back(fault_text(a.where, tree, "a meaning is one line of text"));
  }
}

}  // namespace

std::vector<uint16_t> ids_without_meaning(const Model& model, const CompiledImage& image) {
  std::set<uint16_t> described;
  for (const IdAbout& a : model.abouts()) described.insert(a.id);
  std::vector<uint16_t> out;
  for (uint16_t id : image.root_ids) {
    if (!described.count(id) && (out.empty() || out.back() != id)) out.push_back(id);
  }
  return out;
}

CompileResult compile(const Model& model) {
  CompileResult result;
  std::vector<std::string>& faults = result.faults;
  LoweredModel lowered = lower_model(model, &result.image, &faults);
  if (!faults.empty()) return result;
  place_model(model, lowered, &result.image, &faults);
  const size_t before_tables = faults.size();
  lay_out_drv_tables(model.drv_tables(), &result.image, &faults);
  if (faults.size() > before_tables) return result;
  std::vector<std::string> found = verify(result.image);
  faults.insert(faults.end(), found.begin(), found.end());
  if (!result.ok()) return result;
  check_abouts(model, &result);
  return result;
}

}  // namespace orv::model
