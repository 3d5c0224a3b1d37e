#include "id_info.h"

#include <stdio.h>

#include <algorithm>
#include <iterator>

#include "computed/function_reads.h"
#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "engine/resolver.h"

namespace orvtool {
namespace {

// Collects what the subtree of `index` reads, and its leaves for `leaf_id`
// (when leaf_id is not 0). Shared subtrees are visited once.
void scan(const orv::Image& image, uint32_t index, uint16_t leaf_id, IdInfo* info,
          std::set<uint32_t>* seen, int depth) {
  orv::Item it{};
  if (depth > orv::kMaxWalkDepth || !orv::item_at(image, index, &it)) return;
  if (!seen->insert(index).second) return;
  uint8_t kind = orv::item_kind(it.word0);
  uint16_t tag = orv::item_tag(it.word1);
  switch (orv::kind_info(kind).tag) {
    case orv::TagMeaning::kDataId: {
      if (leaf_id == 0 || tag != leaf_id) return;
      auto entry = std::make_pair(kind, orv::item_count(it.word1));
      if (std::find(info->leaves.begin(), info->leaves.end(), entry) == info->leaves.end()) {
        info->leaves.push_back(entry);
      }
      if (kind == orv::ITEM_COMPUTED) info->functions.insert(entry.second);
      return;
    }
    case orv::TagMeaning::kSelector:
      info->selectors.insert(tag);
      break;
    case orv::TagMeaning::kMatchString:
      info->strings.insert(tag);
      break;
    case orv::TagMeaning::kPrinterData:
      info->printer_tags.insert(tag);
      break;
    case orv::TagMeaning::kLocale:
      info->locale = true;
      break;
    default:
      break;
  }
  orv::ItemLinks links{};
  if (!orv::item_links(image, it, &links)) return;
  for (uint32_t i = 0; i < links.inside; ++i)
    scan(image, links.first + i, leaf_id, info, seen, depth + 1);
}

bool root_item_of(const orv::Image& image, uint16_t id, uint32_t* item) {
  return orv::find_root_item(image, id, item) == DB_OK;
}

}  // namespace

const std::vector<Domain>& all_domains() {
  static const std::vector<Domain> domains = [] {
    std::vector<Domain> all;
    for (const orv::DomainInfo& row : orv::kDomains) all.push_back(row.domain);
    return all;
  }();
  return domains;
}

const char* domain_name(Domain domain) { return orv::kDomains[static_cast<unsigned>(domain)].name; }

const char* domain_title(Domain domain) {
  return orv::kDomains[static_cast<unsigned>(domain)].title;
}

std::string domain_words() {
  std::string s;
  for (const orv::DomainInfo& row : orv::kDomains)
    s += (s.empty() ? "" : ", ") + std::string(row.name);
  return s;
}

std::string domain_ranges_text() {
  std::string s;
  for (const orv::DomainInfo& row : orv::kDomains) {
    s += (s.empty() ? "" : ", ") + std::string(row.name) + " " + hex_id(row.range.first) + "-" +
         hex_id(row.range.last);
  }
  return s;
}

std::optional<Domain> parse_domain(const std::string& word) {
  std::string lower;
  for (char c : word) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const orv::DomainInfo& row : orv::kDomains) {
    if (lower == row.name) return row.domain;
  }
  return std::nullopt;
}

std::optional<Domain> domain_of(uint16_t id) {
  for (const orv::DomainInfo& row : orv::kDomains) {
    if (id >= row.range.first && id <= row.range.last) return row.domain;
  }
  return std::nullopt;
}

const orv::DrvSpecialId* special_row(Domain domain, uint16_t id) {
  return domain == Domain::kDrv ? orv::find_drv_special_id(id) : nullptr;
}

const char* drv_path_name(DrvPath path) {
  switch (path) {
    case DrvPath::kGeneric:
      return "generic";
    case DrvPath::kStoredList:
      return "special: stored list";
    case DrvPath::kFullList:
      return "special: full list";
    case DrvPath::kSelector8List:
      return "special: selector-8 list";
    case DrvPath::kCommandSequence:
      return "special: command sequence";
    case DrvPath::kModeRecord:
      return "special: mode record";
  }
  return "?";
}

std::string special_row_text(const orv::DrvSpecialId& row) {
  std::string path = drv_path_name(row.path);
  const std::string prefix = "special: ";
  if (path.rfind(prefix, 0) == 0) path = path.substr(prefix.size());
  std::string s = "special-id row " + hex_id(row.id) + ": " + path;
  if (row.key_selector != orv::kNoSelector) {
    s += "; attr1 the value identifiers of selector " + std::to_string(row.key_selector);
  }
  if (row.attr_selector != orv::kNoSelector) {
    s += "; with selector " + std::to_string(row.attr_selector) + " = each value:";
    for (uint32_t f = 0; f < orv::kAttributeFields; ++f) {
      if (row.attr_ids[f] != orv::kNoId) {
        s += " attr" + std::to_string(f + 1) + " from " + hex_id(row.attr_ids[f]);
      }
    }
  }
  if (row.compared_list != orv::kNoId) {
    s += "; attr3 0 where the list of " + hex_id(row.compared_list) + " holds the value, else 1";
  }
  if (row.marker != orv::kNoId) {
    s += std::string("; ") + (row.marker_required ? "required " : "") + "marker pair " +
         hex_id(row.marker);
  }
  if (row.min_selectors > 0) s += "; needs " + std::to_string(row.min_selectors) + " selectors";
  return s;
}

IdInfo analyse_id(const orv::Image& image, Domain domain, uint16_t id) {
  IdInfo info;
  info.domain = domain;
  info.id = id;
  info.special = special_row(domain, id);
  info.path = info.special != nullptr ? info.special->path : DrvPath::kGeneric;
  std::set<uint32_t> seen;
  uint32_t item = 0;
  if (root_item_of(image, id, &item)) {
    info.in_root = true;
    info.root_item = item;
    for (uint32_t k = 0; k < image.root_count; ++k) {
      if (image.root_items[k] == item) info.group.push_back(image.root_ids[k]);
    }
    scan(image, item, id, &info, &seen, 0);
  }
  uint32_t minimum = 0;
  const orv::DrvTables* tables = image.drv_tables;
  if (const orv::DrvSpecialId* row = info.special) {
    minimum = row->min_selectors;
    // The selector whose values a list holds and the one set to each value
    // for the lookups belong to the id's answer.
    for (uint16_t s : {row->key_selector, row->attr_selector}) {
      if (s != orv::kNoSelector) info.selectors.insert(s);
    }
    // The other trees its answer reads: those its records are filled
    // from, or its fragments.
    for (const AnswerTree& tree : answer_trees(image, info)) {
      if (info.in_root && tree.id == id && tree.item == info.root_item) continue;  // scanned above
      std::set<uint32_t> tree_seen;
      IdInfo reads;
      scan(image, tree.item, tree.id, &reads, &tree_seen, 0);
      info.selectors.insert(reads.selectors.begin(), reads.selectors.end());
      info.strings.insert(reads.strings.begin(), reads.strings.end());
      info.functions.insert(reads.functions.begin(), reads.functions.end());
      info.printer_tags.insert(reads.printer_tags.begin(), reads.printer_tags.end());
      info.locale = info.locale || reads.locale;
      if (tree.id != orv::kFragmentId) continue;
      for (auto& leaf : reads.leaves) {
        if (std::find(info.leaves.begin(), info.leaves.end(), leaf) == info.leaves.end()) {
          info.leaves.push_back(leaf);
        }
      }
    }
  }
  if (info.path == DrvPath::kCommandSequence && tables != nullptr) {
    uint32_t slot = 0;
    info.exists = orv::find_sequence(*tables, id, &slot) == DB_OK;
  }
  if (info.path == DrvPath::kModeRecord && tables != nullptr && tables->mode_count > 0) {
    info.exists = true;
    for (uint16_t s : orv::kModeKeySelectors) info.selectors.insert(s);
  }
  if (info.path == DrvPath::kFullList && tables != nullptr) {
    uint32_t slot = 0;
    info.exists = orv::find_selector_slot(*tables, info.special->key_selector, &slot) == DB_OK;
  }
  if (info.in_root) info.exists = true;
  // What the computed items read beside the trees.
  const std::set<uint16_t> tree_selectors = info.selectors;
  for (uint16_t function : info.functions) {
    const orv::FunctionReads* reads = orv::find_function_reads(function);
    if (reads == nullptr) continue;
    for (uint32_t k = 0; k < reads->selector_count; ++k) {
      uint16_t s = reads->selectors[k];
      (tree_selectors.count(s) ? info.computed_also : info.computed_only).insert(s);
      info.selectors.insert(s);
    }
    if (reads->printer_value_tag != orv::kNoPrinterValue) {
      info.computed_printer_tags.insert(reads->printer_value_tag);
    }
    minimum = std::max(minimum, orv::function_min_selectors(reads->function));
  }
  uint32_t count = info.selectors.empty() ? 0 : *info.selectors.rbegin() + 1u;
  info.selector_count = std::max(count, minimum);
  info.string_count = info.strings.empty() ? 0 : *info.strings.rbegin() + 1u;
  return info;
}

std::vector<uint32_t> fragment_trees(const orv::Image& image, uint16_t id) {
  std::vector<uint32_t> trees;
  const orv::DrvTables* t = image.drv_tables;
  uint32_t slot = 0;
  if (t == nullptr || orv::find_sequence(*t, id, &slot) != DB_OK) return trees;
  for (uint32_t k = 0; k < t->seq_fragment_counts[slot]; ++k) {
    uint64_t p = uint64_t{t->seq_first[slot]} + k;
    if (t->seq_fragments == nullptr || p >= t->seq_fragment_count) break;
    trees.push_back(t->seq_fragments[p]);
  }
  return trees;
}

std::vector<AnswerTree> answer_trees(const orv::Image& image, const IdInfo& info) {
  std::vector<AnswerTree> trees;
  if (info.path == DrvPath::kCommandSequence) {
    for (uint32_t tree : fragment_trees(image, info.id)) {
      trees.push_back({"fragment", orv::kFragmentId, tree});
    }
    return trees;
  }
  const orv::DrvSpecialId* row = info.special;
  if (info.in_root) trees.push_back({row != nullptr ? "list" : "root", info.id, info.root_item});
  if (row == nullptr) return trees;
  std::vector<std::pair<const char*, uint16_t>> named;
  for (uint16_t attr : row->attr_ids) named.push_back({"attribute", attr});
  named.push_back({"compared list", row->compared_list});
  named.push_back({"marker pair", row->marker});
  for (auto& [role, id] : named) {
    uint32_t item = 0;
    if (id != orv::kNoId && root_item_of(image, id, &item)) trees.push_back({role, id, item});
  }
  return trees;
}

std::vector<uint16_t> domain_ids(const orv::Image& image, Domain domain) {
  orv::IdRange r = orv::domain_id_range(domain);
  std::set<uint16_t> ids;
  for (uint32_t k = 0; image.root_ids != nullptr && k < image.root_count; ++k) {
    uint16_t id = image.root_ids[k];
    if (id >= r.first && id <= r.last) ids.insert(id);
  }
  if (domain == Domain::kDrv) {
    for (const orv::DrvSpecialId& row : orv::kDrvSpecialIds) {
      if (!ids.count(row.id) && analyse_id(image, domain, row.id).exists) ids.insert(row.id);
    }
  }
  return {ids.begin(), ids.end()};
}

std::string answered_text(const IdInfo& info) {
  if (info.path != DrvPath::kGeneric) return drv_path_name(info.path);
  if (!info.functions.empty()) {
    std::string s = "computed function";
    for (uint16_t f : info.functions) s += " " + std::to_string(f);
    bool stored = std::any_of(info.leaves.begin(), info.leaves.end(),
                              [](auto& l) { return l.first != orv::ITEM_COMPUTED; });
    return stored ? "generic, " + s : s;
  }
  return "generic";
}

std::string leaves_text(const IdInfo& info) {
  std::string s;
  for (auto& [kind, n] : info.leaves) {
    if (!s.empty()) s += ", ";
    s += orv::kind_info(kind).name;
    s += kind == orv::ITEM_COMPUTED ? " f" + std::to_string(n) : " n=" + std::to_string(n);
  }
  return s.empty() ? "-" : s;
}

std::string reads_text(const IdInfo& info) {
  std::string s;
  auto add = [&](const std::string& part) { s += (s.empty() ? "" : "; ") + part; };
  if (!info.selectors.empty()) {
    std::string part = "selectors";
    for (uint16_t v : info.selectors) part += " " + std::to_string(v);
    add(part);
  }
  if (!info.strings.empty()) {
    std::string part = "strings";
    for (uint16_t v : info.strings) part += " " + std::to_string(v);
    add(part);
  }
  if (!info.printer_tags.empty()) {
    std::string part = "printer data";
    for (uint16_t v : info.printer_tags) part += " " + std::to_string(v);
    add(part);
  }
  if (info.locale) add("locale");
  return s.empty() ? "nothing" : s;
}

std::string model_name_of(const orv::Image& image) {
  return image.model_name ? image.model_name : "unnamed";
}

}  // namespace orvtool
