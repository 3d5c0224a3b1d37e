#include "id_info.h"

#include <stdio.h>

#include <algorithm>

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "engine/resolver.h"

namespace orvtool {
namespace {

// Selectors each computed function reads and the count it demands.
struct FunctionReads {
  uint16_t function;                // computed function number
  std::vector<uint16_t> selectors;  // selector indices it reads
  uint32_t minimum;                 // cSelectors it demands
};
const std::vector<FunctionReads>& function_reads() {
  static const std::vector<FunctionReads> table = {
      {1, {29, 30}, 31}, {2, {29, 30}, 31}, {3, {25, 26, 52}, 53}, {4, {30}, 31}, {6, {79, 80}, 81},
  };
  return table;
}

// Internal ids the Drv handler consults besides the id's own tree, and the
// selector it overwrites per value (or -1).
struct Consulted {
  uint16_t id;                  // Drv id
  std::vector<uint16_t> trees;  // internal (or Drv) ids whose trees it walks
  int set_selector;             // selector overwritten per value, -1 for none
  uint32_t minimum;             // selectors the handler itself demands
};
const std::vector<Consulted>& consulted() {
  static const std::vector<Consulted> table = {
      {0x100C, {0x500C, 0x500B, 0x5003}, 4, 5},
      {0x100D, {0x500C, 0x500B, 0x5003}, 4, 5},
      {0x100E, {0x5004}, 5, 0},
      {0x100F, {0x5004}, 5, 0},
      {0x1010, {0x500E}, 28, 29},
      {0x1011, {0x500E, 0x1010}, 28, 29},
      {0x1012, {0x5002}, 7, 0},
      {0x1013, {0x5002}, 7, 0},
      {0x1014, {0x500D}, -1, 0},
      {0x104D, {0x5010}, -1, 0},
      {0x104E, {0x5010}, -1, 0},
      {0x1051, {}, 5, 0},
      {0x1054, {0x500E, 0x5011}, 28, 29},
      {0x1016, {0x5006, 0x5007, 0x5005}, 8, 82},
      {0x1017, {0x5005}, -1, 0},
      {0x1018, {}, -1, 82},
      {0x1019, {}, -1, 82},
      {0x101A, {}, -1, 82},
      {0x101B, {}, -1, 82},
      {0x101C, {}, -1, 82},
      {0x101D, {}, -1, 82},
      {0x101E, {}, -1, 82},
  };
  return table;
}

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
  static const std::vector<Domain> domains = {Domain::kRoot, Domain::kDrv, Domain::kLM,
                                              Domain::kMnt,  Domain::kPA,  Domain::kSM};
  return domains;
}

const char* domain_name(Domain domain) {
  switch (domain) {
    case Domain::kRoot:
      return "root";
    case Domain::kDrv:
      return "drv";
    case Domain::kLM:
      return "lm";
    case Domain::kMnt:
      return "mnt";
    case Domain::kPA:
      return "pa";
    case Domain::kSM:
      return "sm";
  }
  return "?";
}

const char* domain_title(Domain domain) {
  switch (domain) {
    case Domain::kRoot:
      return "Root";
    case Domain::kDrv:
      return "Drv";
    case Domain::kLM:
      return "LM";
    case Domain::kMnt:
      return "Mnt";
    case Domain::kPA:
      return "PA";
    case Domain::kSM:
      return "SM";
  }
  return "?";
}

std::optional<Domain> parse_domain(const std::string& word) {
  std::string lower;
  for (char c : word) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (Domain d : all_domains()) {
    if (lower == domain_name(d)) return d;
  }
  return std::nullopt;
}

std::optional<Domain> domain_of(uint16_t id) {
  for (Domain d : all_domains()) {
    orv::IdRange r = orv::domain_id_range(d);
    if (id >= r.first && id <= r.last) return d;
  }
  return std::nullopt;
}

DrvPath drv_path(Domain domain, uint16_t id) {
  return domain == Domain::kDrv ? orv::drv_path(id) : DrvPath::kGeneric;
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

std::string hex_id(uint32_t id) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%04X", id);
  return buf;
}

IdInfo analyse_id(const orv::Image& image, Domain domain, uint16_t id) {
  IdInfo info;
  info.domain = domain;
  info.id = id;
  info.path = drv_path(domain, id);
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
  if (info.path != DrvPath::kGeneric) {
    for (const Consulted& c : consulted()) {
      if (c.id != id) continue;
      minimum = c.minimum;
      if (c.set_selector >= 0) info.selectors.insert(static_cast<uint16_t>(c.set_selector));
      for (uint16_t other : c.trees) {
        uint32_t other_item = 0;
        if (!root_item_of(image, other, &other_item)) continue;
        std::set<uint32_t> other_seen;
        IdInfo reads;
        scan(image, other_item, other, &reads, &other_seen, 0);
        info.selectors.insert(reads.selectors.begin(), reads.selectors.end());
        info.strings.insert(reads.strings.begin(), reads.strings.end());
        info.functions.insert(reads.functions.begin(), reads.functions.end());
      }
    }
  }
  if (info.path == DrvPath::kCommandSequence && tables != nullptr) {
    uint32_t slot = 0;
    info.exists = orv::find_sequence(*tables, id, &slot) == DB_OK;
    for (uint32_t tree : fragment_trees(image, id)) {
      IdInfo reads;
      std::set<uint32_t> frag_seen;
      scan(image, tree, orv::kFragmentId, &reads, &frag_seen, 0);
      info.selectors.insert(reads.selectors.begin(), reads.selectors.end());
      info.functions.insert(reads.functions.begin(), reads.functions.end());
      for (auto& leaf : reads.leaves) {
        if (std::find(info.leaves.begin(), info.leaves.end(), leaf) == info.leaves.end()) {
          info.leaves.push_back(leaf);
        }
      }
    }
  }
  if (info.path == DrvPath::kModeRecord && tables != nullptr && tables->mode_count > 0) {
    info.exists = true;
    for (uint16_t s : orv::kModeKeySelectors) info.selectors.insert(s);
  }
  if (info.path == DrvPath::kFullList && tables != nullptr && tables->sel_indices != nullptr) {
    uint16_t k = id == 0x100D ? 4 : id == 0x100F ? 5 : 7;
    for (uint32_t s = 0; s < tables->sel_count; ++s) {
      if (tables->sel_indices[s] == k) info.exists = true;
    }
  }
  if (info.in_root) info.exists = true;
  for (const FunctionReads& f : function_reads()) {
    if (!info.functions.count(f.function)) continue;
    info.selectors.insert(f.selectors.begin(), f.selectors.end());
    minimum = std::max(minimum, f.minimum);
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

std::vector<uint16_t> domain_ids(const orv::Image& image, Domain domain) {
  orv::IdRange r = orv::domain_id_range(domain);
  std::set<uint16_t> ids;
  for (uint32_t k = 0; image.root_ids != nullptr && k < image.root_count; ++k) {
    uint16_t id = image.root_ids[k];
    if (id >= r.first && id <= r.last) ids.insert(id);
  }
  if (domain == Domain::kDrv) {
    for (const Consulted& c : consulted()) {
      if (!ids.count(c.id) && analyse_id(image, domain, c.id).exists) ids.insert(c.id);
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

}  // namespace orvtool
