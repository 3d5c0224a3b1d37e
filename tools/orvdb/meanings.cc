#include "meanings.h"

#include <map>

#include "modelc/description.h"

namespace orvtool {

const Meaning* meaning_of(uint16_t id) {
  static const std::map<uint16_t, Meaning> meanings = [] {
    orv::model::Model model;
    orv::model::describe_model(model);
    std::map<uint16_t, Meaning> out;
    for (const orv::model::IdAbout& a : model.abouts()) out[a.id] = Meaning{a.meaning, a.unit};
    return out;
  }();
  auto found = meanings.find(id);
  return found == meanings.end() ? nullptr : &found->second;
}

std::string meaning_text(uint16_t id) {
  const Meaning* m = meaning_of(id);
  if (m == nullptr) return "-";
  return m->unit.empty() ? m->text : m->text + " (" + m->unit + ")";
}

}  // namespace orvtool
