#include "meanings.h"

#include "modelc/description.h"

namespace orvtool {
namespace {

// What a Drv special id answers, from its row of the special-id table.
std::string path_meaning(const IdInfo& info) {
  const orv::DrvSpecialId* row = info.special;
  if (row == nullptr) return "";
  std::string key = row->key_selector == orv::kNoSelector
                        ? ""
                        : " of selector " + std::to_string(row->key_selector);
  switch (row->path) {
    case DrvPath::kFullList:
      return "every value" + key + ", as value records";
    case DrvPath::kStoredList:
    case DrvPath::kSelector8List:
      return "the stored list" + key + ", as value records";
    case DrvPath::kCommandSequence:
      return "a command sequence: its fragments concatenated";
    case DrvPath::kModeRecord:
      return "the mode record for the settings";
    case DrvPath::kGeneric:
      break;
  }
  return "";
}

}  // namespace

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

Meaning id_meaning(const Meanings& meanings, const IdInfo& info) {
  const Meaning* m = meaning_of(meanings, info.id);
  return m != nullptr ? *m : Meaning{path_meaning(info), ""};
}

std::string meaning_text(const Meanings& meanings, const IdInfo& info) {
  Meaning m = id_meaning(meanings, info);
  if (m.text.empty()) return "-";
  return m.unit.empty() ? m.text : m.text + " (" + m.unit + ")";
}

}  // namespace orvtool
