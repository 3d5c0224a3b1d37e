// The Drv tables' layout: positions and counts from the order of the
// entries, fragment item indices from the labels. What only the image shows
// (positions, uniqueness, part indices, fragment trees) the verifier checks.
#include "modelc/drv_layout.h"

#include "modelc/fault_text.h"

namespace orv::model {
namespace {

class DrvLayout {
 public:
  DrvLayout(const DrvTableEntries& in, CompiledImage* image, std::vector<std::string>* faults)
      : in_(in), img_(*image), faults_(faults) {}

  void run();

 private:
  // Whether `value` lies in [lo, hi]; a fault about `subject` otherwise.
  bool fits(const Loc& where, const std::string& subject, const char* what, int64_t value,
            int64_t lo, int64_t hi);

  const DrvTableEntries& in_;         // the entries
  CompiledImage& img_;                // the image whose Drv tables are laid out
  std::vector<std::string>* faults_;  // where faults go
};

bool DrvLayout::fits(const Loc& where, const std::string& subject, const char* what, int64_t value,
                     int64_t lo, int64_t hi) {
  if (value >= lo && value <= hi) return true;
  faults_->push_back(entry_fault_text(where, subject,
                                      std::string(what) + " " + std::to_string(value) +
                                          " does not fit in " + (lo < 0 ? "signed " : "unsigned ") +
                                          std::to_string(hi >= 0xFFFFFFFFll ? 32 : 16) + " bits"));
  return false;
}

void DrvLayout::run() {
  const DrvTableEntries& in = in_;
  CompiledImage& img = img_;
  CompiledDrvTables& t = img.drv;
  img.has_drv_tables = !in.empty();
  constexpr int64_t kU16 = 0xFFFF, kU32 = 0xFFFFFFFFll;
  for (const SelectorValuesEntry& e : in.selector_values) {
    const std::string subject = "selector-value table";
    fits(e.where, subject, "selector", e.selector, 0, kU16);
    fits(e.where, subject, "value count", static_cast<int64_t>(e.values.size()), 0, kU16);
    t.sel_indices.push_back(static_cast<uint16_t>(e.selector));
    t.sel_value_counts.push_back(static_cast<uint16_t>(e.values.size()));
    t.sel_first.push_back(static_cast<uint32_t>(t.sel_values.size()));
    t.sel_where.push_back(e.where);
    for (const SelectorValue& v : e.values) {
      fits(e.where, subject, "value", v.value, 0, kU16);
      fits(e.where, subject, "value identifier", v.value_id, 0, kU32);
      t.sel_values.push_back(static_cast<uint16_t>(v.value));
      t.sel_value_ids.push_back(static_cast<uint32_t>(v.value_id));
    }
  }
  for (const CommandSequenceEntry& e : in.command_sequences) {
    const std::string subject = "command sequence " + hex_id(static_cast<uint32_t>(e.id));
    fits(e.where, subject, "id", e.id, 0, kU16);
    fits(e.where, subject, "fragment count", static_cast<int64_t>(e.fragments.size()), 0, kU16);
    t.seq_ids.push_back(static_cast<uint16_t>(e.id));
    t.seq_fragment_counts.push_back(static_cast<uint16_t>(e.fragments.size()));
    t.seq_first.push_back(static_cast<uint32_t>(t.seq_fragments.size()));
    t.seq_where.push_back(e.where);
    for (const std::string& label : e.fragments) {
      auto found = img.labels.find(label);
      if (found == img.labels.end()) {
        faults_->push_back(
            entry_fault_text(e.where, subject, "unknown fragment label '" + label + "'"));
        t.seq_fragments.push_back(0);
        continue;
      }
      t.seq_fragments.push_back(found->second);
    }
  }
  for (const ModeRowEntry& e : in.mode_rows) {
    const std::string subject = "mode table row " + std::to_string(t.mode_rows.size());
    ModeRow row{};
    for (uint32_t k = 0; k < kModeKeyCount; ++k) {
      fits(e.where, subject, "key", e.keys[k], -32768, 32767);
      row.keys[k] = static_cast<int16_t>(e.keys[k]);
    }
    uint16_t parts[kModePartCount] = {};
    for (uint32_t p = 0; p < kModePartCount; ++p) {
      fits(e.where, subject, "part record index", e.parts[p], 0, kU16);
      parts[p] = static_cast<uint16_t>(e.parts[p]);
    }
    row.part_a = parts[0], row.part_b = parts[1], row.part_c = parts[2], row.part_d = parts[3];
    t.mode_rows.push_back(row);
    t.mode_where.push_back(e.where);
  }
  for (const ModePartRecordEntry& e : in.mode_part_records) {
    if (e.part >= kModePartCount) {
      faults_->push_back(entry_fault_text(e.where, "mode part table",
                                          "part " + std::to_string(e.part) + " does not exist"));
      continue;
    }
    const std::string subject = std::string("mode part ") + kModePartNames[e.part] + " record " +
                                std::to_string(t.parts_where[e.part].size());
    if (e.record.size() != kModePartSizes[e.part]) {
      faults_->push_back(entry_fault_text(e.where, subject,
                                          "record of " + std::to_string(e.record.size()) +
                                              " bytes, where the part's records are " +
                                              std::to_string(kModePartSizes[e.part]) + " bytes"));
      continue;
    }
    t.mode_parts[e.part].insert(t.mode_parts[e.part].end(), e.record.begin(), e.record.end());
    t.parts_where[e.part].push_back(e.where);
  }
}

}  // namespace

void lay_out_drv_tables(const DrvTableEntries& entries, CompiledImage* image,
                        std::vector<std::string>* faults) {
  DrvLayout(entries, image, faults).run();
}

}  // namespace orv::model
