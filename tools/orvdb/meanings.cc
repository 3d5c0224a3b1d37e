#include "meanings.h"

#include "modelc/description.h"

namespace orvtool {

const Meanings& builtin_meanings() {
  static const Meanings meanings = [] {
    orv::model::Model model;
    orv::model::describe_model(model);
    Meanings out;
    for (const orv::model::IdAbout& a : model.abouts()) out[a.id] = Meaning{a.meaning, a.unit};
    return out;
  }();
  return meanings;
}

Meanings file_meanings(const std::vector<orv::model::ImageMeaning>& carried) {
  Meanings out;
  for (const orv::model::ImageMeaning& m : carried) out[m.id] = Meaning{m.meaning, m.unit};
  return out;
}

const Meaning* meaning_of(const Meanings& meanings, uint16_t id) {
  auto found = meanings.find(id);
  return found == meanings.end() ? nullptr : &found->second;
}

std::string meaning_text(const Meanings& meanings, uint16_t id) {
  const Meaning* m = meaning_of(meanings, id);
  if (m == nullptr) return "-";
  return m->unit.empty() ? m->text : m->text + " (" + m->unit + ")";
}

}  // namespace orvtool
