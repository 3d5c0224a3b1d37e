#include "inspect.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "answer.h"
#include "drvrecords/drv_tables.h"
#include "modelc/image_dump.h"

namespace orvtool {
namespace {

// The rows of the Drv tables a special id's path reads, as the dump shows
// them: its key selector's slot, its command sequence, or the mode table
// and its part tables whole.
std::string special_table_rows(const orv::Image& image, const orv::DrvSpecialId& row) {
  std::istringstream lines(orv::dump_drv_tables(image));
  std::string kept, section, rows;
  bool whole = false;  // the section is shown whole
  auto close = [&] {
    if (!section.empty() && (whole || !rows.empty())) kept += section + rows;
    section.clear();
    rows.clear();
  };
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line == "drv tables") continue;
    if (line.rfind("  ", 0) != 0) {
      close();
      section = line + "\n";
      whole = row.path == DrvPath::kModeRecord && line.rfind("mode ", 0) == 0;
      continue;
    }
    bool wanted =
        whole ||
        (row.key_selector != orv::kNoSelector && section.rfind("selector values", 0) == 0 &&
         line.find(" selector " + std::to_string(row.key_selector) + " values@") !=
             std::string::npos) ||
        (row.path == DrvPath::kCommandSequence && section.rfind("command sequences", 0) == 0 &&
         line.find(" id=" + hex_id(row.id) + " ") != std::string::npos);
    if (wanted) rows += line + "\n";
  }
  close();
  return kept;
}

// `dump ID` of a Drv special id: its row, the trees its path reads (with
// why) and the table rows it reads.
void print_special(const orv::Image& image, const IdInfo& info, std::ostream& out) {
  out << special_row_text(*info.special) << "\n";
  std::vector<AnswerTree> trees = answer_trees(image, info);
  for (size_t k = 0; k < trees.size(); ++k) {
    const AnswerTree& t = trees[k];
    out << t.role;
    if (t.role == "fragment") out << " " << k << " of " << trees.size() << ", for";
    out << " " << hex_id(t.id) << ": tree [" << t.item << "]\n" << orv::dump_tree(image, t.item, 1);
  }
  if (trees.empty()) out << "no tree: the path reads tables alone\n";
  out << special_table_rows(image, *info.special);
}

// `dump ID` of an id in the root index: its entry of the dump.
void print_root_entry(const orv::Image& image, uint16_t id, std::ostream& out) {
  uint32_t root = 0;
  orv::find_root_item(image, id, &root);
  // A view of the image whose root index holds only this tree's slots.
  std::vector<uint16_t> ids;
  std::vector<uint32_t> items;
  for (uint32_t k = 0; k < image.root_count; ++k) {
    if (image.root_items[k] == root) {
      ids.push_back(image.root_ids[k]);
      items.push_back(root);
    }
  }
  orv::Image view = image;
  view.root_ids = ids.data();
  view.root_items = items.data();
  view.root_count = static_cast<uint32_t>(ids.size());
  std::string text = orv::dump_image(view);
  std::string key = "root " + hex_id(id) + " ";
  size_t begin = text.find(key);
  size_t end = text.find("\n", begin);
  // Keep the id's own entry: up to the next root line, the unreached list or
  // the Drv tables.
  size_t next = text.find("\nroot ", end);
  size_t rest = text.find("\nnot in any tree", end);
  size_t tables = text.find("\ndrv tables", end);
  size_t stop = std::min({next, rest, tables});
  out << (begin == std::string::npos
              ? text
              : text.substr(begin,
                            stop == std::string::npos ? std::string::npos : stop + 1 - begin));
}

// The special-id row of `id`, when it is a Drv special id.
const orv::DrvSpecialId* special_of(uint16_t id) {
  std::optional<Domain> d = domain_of(id);
  return d ? special_row(*d, id) : nullptr;
}

// Every item the trees from `roots` reach: children, cases and targets,
// the masks of masked switches and the texts of string cases.
std::set<uint32_t> reached_items(const orv::Image& image, const std::vector<uint32_t>& roots) {
  std::set<uint32_t> seen;
  std::vector<uint32_t> todo(roots.begin(), roots.end());
  while (!todo.empty()) {
    uint32_t index = todo.back();
    todo.pop_back();
    orv::Item it{};
    if (!orv::item_at(image, index, &it) || !seen.insert(index).second) continue;
    orv::ItemLinks links{};
    if (orv::item_links(image, it, &links)) {
      for (uint32_t i = 0; i < links.inside; ++i) todo.push_back(links.first + i);
    }
    if (links.masked) todo.push_back(orv::item_offset(it.word0));
    if (orv::kind_info(orv::item_kind(it.word0)).test == orv::CaseTest::kText) {
      todo.push_back(it.word1);
    }
  }
  return seen;
}

nlohmann::json item_json(const orv::Image& image, uint32_t index) {
  const orv::Item& it = image.items[index];
  return {{"index", index},
          {"kind", orv::kind_info(orv::item_kind(it.word0)).name},
          {"offset", orv::item_offset(it.word0)},
          {"word1", it.word1},
          {"tag", orv::item_tag(it.word1)},
          {"count", orv::item_count(it.word1)}};
}

// What of the Drv tables a dump shows.
struct TableRows {
  bool selector_values = true;                // the selector-value table
  uint16_t only_selector = orv::kNoSelector;  // only this selector's slot, when set
  bool sequences = true;                      // the command-sequence table
  uint16_t only_sequence = 0;                 // only this sequence, when not 0
  bool mode = true;                           // the mode table and its parts
};

nlohmann::json drv_tables_json(const orv::Image& image, const TableRows& show) {
  const orv::DrvTables* t = image.drv_tables;
  if (t == nullptr) return nullptr;
  nlohmann::json j = {{"selector_values", nlohmann::json::array()},
                      {"command_sequences", nlohmann::json::array()},
                      {"mode_rows", nlohmann::json::array()},
                      {"mode_parts", nlohmann::json::object()}};
  for (uint32_t s = 0; show.selector_values && t->sel_indices != nullptr && s < t->sel_count; ++s) {
    if (show.only_selector != orv::kNoSelector && t->sel_indices[s] != show.only_selector) continue;
    nlohmann::json values = nlohmann::json::array();
    for (uint32_t k = 0; k < t->sel_value_counts[s]; ++k) {
      uint64_t p = uint64_t{t->sel_first[s]} + k;
      if (t->sel_values == nullptr || t->sel_value_ids == nullptr || p >= t->sel_value_count) {
        break;
      }
      values.push_back({{"value", t->sel_values[p]}, {"id", t->sel_value_ids[p]}});
    }
    j["selector_values"].push_back({{"selector", t->sel_indices[s]}, {"values", values}});
  }
  for (uint32_t s = 0; show.sequences && t->seq_ids != nullptr && s < t->seq_count; ++s) {
    if (show.only_sequence != 0 && t->seq_ids[s] != show.only_sequence) continue;
    j["command_sequences"].push_back(
        {{"id", t->seq_ids[s]}, {"fragments", fragment_trees(image, t->seq_ids[s])}});
  }
  for (uint32_t r = 0; show.mode && t->mode_rows != nullptr && r < t->mode_count; ++r) {
    nlohmann::json keys, parts;
    for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
      keys[std::to_string(orv::kModeKeySelectors[k])] = t->mode_rows[r].keys[k];
    }
    for (uint32_t part = 0; part < orv::kModePartCount; ++part) {
      parts[std::string(1, orv::kModePartNames[part])] = orv::mode_row_part(t->mode_rows[r], part);
    }
    j["mode_rows"].push_back({{"keys", keys}, {"parts", parts}});
  }
  for (uint32_t part = 0; show.mode && part < orv::kModePartCount; ++part) {
    const orv::ModePartTable& table = t->mode_parts[part];
    nlohmann::json records = nlohmann::json::array();
    for (uint32_t k = 0; table.records != nullptr && k < table.count; ++k) {
      records.push_back(hex_bytes(table.records + size_t{k} * orv::kModePartSizes[part],
                                  orv::kModePartSizes[part]));
    }
    j["mode_parts"][std::string(1, orv::kModePartNames[part])] = records;
  }
  return j;
}

}  // namespace

void print_ids(const orv::Image& image, const Meanings& meanings,
               const std::vector<Domain>& domains, std::ostream& out) {
  for (Domain d : domains) {
    for (uint16_t id : domain_ids(image, d)) {
      IdInfo info = analyse_id(image, d, id);
      out << domain_name(d) << " " << hex_id(id) << "  " << answered_text(info)
          << "  leaves: " << leaves_text(info) << "  reads: " << reads_text(info)
          << "  context: " << info.selector_count << " selectors, " << info.string_count
          << " strings  means: " << meaning_text(meanings, info) << "\n";
    }
  }
}

nlohmann::json ids_json(const orv::Image& image, const Meanings& meanings,
                        const std::vector<Domain>& domains) {
  nlohmann::json ids = nlohmann::json::array();
  for (Domain d : domains) {
    for (uint16_t id : domain_ids(image, d)) {
      IdInfo info = analyse_id(image, d, id);
      nlohmann::json leaves = nlohmann::json::array();
      for (auto& [kind, n] : info.leaves) {
        leaves.push_back({{"kind", orv::kind_info(kind).name},
                          {kind == orv::ITEM_COMPUTED ? "function" : "count", n}});
      }
      Meaning meaning = id_meaning(meanings, info);
      ids.push_back(
          {{"domain", domain_name(d)},
           {"id", id},
           {"answered", answered_text(info)},
           {"leaves", leaves},
           {"reads",
            {{"selectors", info.selectors},
             {"strings", info.strings},
             {"printer_values", info.printer_tags},
             {"locale", info.locale}}},
           {"context", {{"selectors", info.selector_count}, {"strings", info.string_count}}},
           {"meaning", {{"text", meaning.text}, {"unit", meaning.unit}}}});
    }
  }
  return {{"model", model_name_of(image)}, {"ids", ids}};
}

bool dump_has_id(const orv::Image& image, uint16_t id) {
  uint32_t root = 0;
  return special_of(id) != nullptr || orv::find_root_item(image, id, &root) == DB_OK;
}

void print_dump(const orv::Image& image, const std::optional<uint16_t>& id, std::ostream& out) {
  if (!id) {
    out << orv::dump_image(image);
  } else if (special_of(*id) != nullptr) {
    print_special(image, analyse_id(image, *domain_of(*id), *id), out);
  } else {
    print_root_entry(image, *id, out);
  }
}

nlohmann::json dump_json(const orv::Image& image, const std::optional<uint16_t>& id) {
  nlohmann::json j = {{"model", image.model_name ? nlohmann::json(image.model_name) : nullptr},
                      {"id", id ? nlohmann::json(*id) : nullptr},
                      {"special", nullptr},
                      {"trees", nlohmann::json::array()}};
  std::vector<uint32_t> roots;
  TableRows show;
  if (!id) {
    for (uint32_t k = 0; image.root_ids != nullptr && k < image.root_count; ++k) {
      j["trees"].push_back(
          {{"role", "root"}, {"id", image.root_ids[k]}, {"item", image.root_items[k]}});
    }
  } else if (const orv::DrvSpecialId* row = special_of(*id)) {
    IdInfo info = analyse_id(image, Domain::kDrv, *id);
    j["special"] = special_row_text(*row);
    for (const AnswerTree& t : answer_trees(image, info)) {
      j["trees"].push_back({{"role", t.role}, {"id", t.id}, {"item", t.item}});
      roots.push_back(t.item);
    }
    show.selector_values = row->key_selector != orv::kNoSelector;
    show.only_selector = row->key_selector;
    show.sequences = row->path == DrvPath::kCommandSequence;
    show.only_sequence = row->id;
    show.mode = row->path == DrvPath::kModeRecord;
  } else {
    uint32_t root = 0;
    orv::find_root_item(image, *id, &root);
    for (uint32_t k = 0; k < image.root_count; ++k) {
      if (image.root_items[k] == root) {
        j["trees"].push_back({{"role", "root"}, {"id", image.root_ids[k]}, {"item", root}});
      }
    }
    roots.push_back(root);
    show = TableRows{false, orv::kNoSelector, false, 0, false};
  }
  j["items"] = nlohmann::json::array();
  if (!id) {
    for (uint32_t k = 0; image.items != nullptr && k < image.item_count; ++k) {
      j["items"].push_back(item_json(image, k));
    }
  } else {
    for (uint32_t k : reached_items(image, roots)) j["items"].push_back(item_json(image, k));
  }
  auto pool = [](const auto* values, uint32_t count) {
    nlohmann::json a = nlohmann::json::array();
    for (uint32_t k = 0; values != nullptr && k < count; ++k) a.push_back(values[k]);
    return a;
  };
  j["pools"] = {{"i32", pool(image.i32_pool, image.i32_count)},
                {"i16", pool(image.i16_pool, image.i16_count)},
                {"bytes", bytes_json(image.byte_pool, image.byte_pool ? image.byte_count : 0)},
                {"match", bytes_json(image.match_pool, image.match_pool ? image.match_count : 0)}};
  j["drv_tables"] = drv_tables_json(image, show);
  return j;
}

std::string fault_line(const orv::Image& image, const orv::model::ImageFault& f) {
  std::string where;
  if (f.item != orv::model::kNoItem) where += "[" + std::to_string(f.item) + "] ";
  if (f.slot != orv::model::kNoItem) where += "root slot " + std::to_string(f.slot) + " ";
  if (f.tree != orv::model::kNoItem) {
    std::string ids;
    for (uint32_t k = 0; k < image.root_count; ++k) {
      if (image.root_items[k] == f.tree) ids += " " + hex_id(image.root_ids[k]);
    }
    where += ids.empty() ? "fragment tree " + std::to_string(f.tree) + ": " : "tree" + ids + ": ";
  }
  return where + f.message;
}

void print_check(const orv::Image& image, const orv::model::ImageReport& r, std::ostream& out) {
  out << "model " << model_name_of(image) << "\n";
  for (const std::string& s : r.sizes) out << s << "\n";
  out << "items no tree reaches " << r.unreached << "\n";
  for (const orv::model::ImageFault& f : r.faults) out << "fault: " << fault_line(image, f) << "\n";
  out << (r.faults.empty() ? "image sound\n" : std::to_string(r.faults.size()) + " faults\n");
}

nlohmann::json check_json(const orv::Image& image, const orv::model::ImageReport& r) {
  static const orv::DrvTables kNone{};
  const orv::DrvTables& t = image.drv_tables ? *image.drv_tables : kNone;
  nlohmann::json parts;
  for (uint32_t part = 0; part < orv::kModePartCount; ++part) {
    parts[std::string(1, orv::kModePartNames[part])] = t.mode_parts[part].count;
  }
  auto item_or_null = [](uint32_t v) {
    return v == orv::model::kNoItem ? nlohmann::json(nullptr) : nlohmann::json(v);
  };
  nlohmann::json faults = nlohmann::json::array();
  for (const orv::model::ImageFault& f : r.faults) {
    faults.push_back({{"item", item_or_null(f.item)},
                      {"slot", item_or_null(f.slot)},
                      {"tree", item_or_null(f.tree)},
                      {"message", f.message},
                      {"text", fault_line(image, f)}});
  }
  return {{"model", model_name_of(image)},
          {"sizes",
           {{"items", image.item_count},
            {"roots", image.root_count},
            {"i32_pool", image.i32_count},
            {"i16_pool", image.i16_count},
            {"byte_pool", image.byte_count},
            {"match_pool", image.match_count},
            {"selector_value_slots", t.sel_count},
            {"selector_values", t.sel_value_count},
            {"command_sequences", t.seq_count},
            {"fragments", t.seq_fragment_count},
            {"mode_rows", t.mode_count},
            {"mode_parts", parts}}},
          {"unreached", r.unreached},
          {"faults", faults},
          {"sound", r.faults.empty()}};
}

}  // namespace orvtool
