#include "diff.h"

#include <stdio.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "answer.h"
#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_special_ids.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "engine/fetcher.h"
#include "id_info.h"
#include "query_setup.h"
#include "sweep.h"

namespace orvtool {
namespace {

constexpr const char* kInternal = "internal";  // the word for ids of no export's range

// "DB_OK 21000 29700", "DB_NOT_FOUND": the result and the answer on one line.
std::string answer_text(const Answer& a) {
  if (a.result != DB_OK) return result_name(a.result);
  std::string line = answer_line(a);
  return line.empty() ? "DB_OK" : "DB_OK " + line;
}

// "s28=9 m0=\"QXR\"": the values a combination sets.
std::string combination_text(const Combination& c) {
  std::string s;
  for (const auto& [index, value] : c.selectors)
    s += (s.empty() ? "s" : " s") + std::to_string(index) + "=" + std::to_string(value);
  for (const auto& [index, text] : c.strings)
    s += (s.empty() ? "m" : " m") + std::to_string(index) + "=\"" + text + "\"";
  return s;
}

nlohmann::json combination_json(const Combination& c) {
  nlohmann::json j;
  j["selectors"] = nlohmann::json::object();
  for (const auto& [index, value] : c.selectors) j["selectors"][std::to_string(index)] = value;
  j["strings"] = nlohmann::json::object();
  for (const auto& [index, text] : c.strings) j["strings"][std::to_string(index)] = text;
  return j;
}

// Adds the items of `first` that `second` lacks, keeping their order.
template <typename T>
std::vector<T> joined(std::vector<T> first, const std::vector<T>& second) {
  for (const T& x : second) {
    if (std::find(first.begin(), first.end(), x) == first.end()) first.push_back(x);
  }
  return first;
}

// One comparison under way.
class Comparer {
 public:
  Comparer(const DiffSide& old_side, const DiffSide& new_side, const DiffOptions& options)
      : old_(*old_side.image), new_(*new_side.image), options_(options) {
    report_.header = "diff " + old_side.name + " (" + model_name_of(old_) + ") -> " +
                     new_side.name + " (" + model_name_of(new_) + "); clock " + fixed_clock_text() +
                     ", country code " + kFixedCountry + ", printer \"" + kFixedPrinter +
                     "\" without configuration values";
    nlohmann::json& j = report_.json;
    j["header"] = report_.header;
    j["old"] = {{"name", old_side.name}, {"model", model_name_of(old_)}};
    j["new"] = {{"name", new_side.name}, {"model", model_name_of(new_)}};
    j["platform"] = {{"clock", fixed_clock_text()},
                     {"country code", kFixedCountry},
                     {"printer", kFixedPrinter},
                     {"printer data", nlohmann::json::object()}};
    j["differences"] = nlohmann::json::array();
    j["incomplete"] = nlohmann::json::array();
  }

  DiffReport run() {
    set_up_fixed_platform();
    for (Domain d : all_domains()) {
      std::vector<uint16_t> ids = joined(domain_ids(old_, d), domain_ids(new_, d));
      if (d == Domain::kDrv) {
        for (const orv::DrvSpecialId& row : orv::kDrvSpecialIds) ids.push_back(row.id);
      }
      std::set<uint16_t> ascending(ids.begin(), ids.end());
      for (uint16_t id : ascending) compare_id(d, domain_name(d), id);
    }
    // The internal ids the Drv code looks up through the root index. The
    // fragment id is not one: its slot holds the sequence of every tree, and
    // the Drv code resolves it inside each fragment tree instead, which the
    // command sequences' answers and table rows compare.
    std::set<uint16_t> internal;
    for (const orv::Image* image : {&old_, &new_}) {
      for (uint32_t k = 0; image->root_ids != nullptr && k < image->root_count; ++k) {
        uint16_t id = image->root_ids[k];
        if (!domain_of(id) && id != orv::kFragmentId) internal.insert(id);
      }
    }
    for (uint16_t id : internal) compare_id(Domain::kDrv, kInternal, id);
    compare_mode_table();
    compare_selector_values();
    compare_command_sequences();
    return std::move(report_);
  }

 private:
  void difference(const std::string& line, nlohmann::json j) {
    report_.lines.push_back(line);
    report_.json["differences"].push_back(std::move(j));
    ++report_.differences;
  }

  // An id's combinations: asked on both images alike, a line for each whose
  // answers differ. Internal ids go the way the Drv code asks them.
  void compare_id(Domain d, const std::string& word, uint16_t id) {
    const bool internal = word == kInternal;
    IdInfo a = analyse_id(old_, d, id);
    IdInfo b = analyse_id(new_, d, id);
    Query q;
    q.selectors.assign(std::max(a.selector_count, b.selector_count), 0);
    q.strings.assign(std::max(a.string_count, b.string_count), std::string());
    q.printer = kFixedPrinter;
    size_t count = 0;
    bool complete = true;
    auto context = [&](const Combination& c) {
      std::fill(q.selectors.begin(), q.selectors.end(), 0u);
      for (auto& [s, v] : c.selectors)
        if (s < q.selectors.size()) q.selectors[s] = v;
      std::fill(q.strings.begin(), q.strings.end(), std::string());
      for (auto& [m, text] : c.strings)
        if (m < q.strings.size()) q.strings[m] = text;
      return q.context();
    };
    auto each = [&](const Combination& c) {
      if (count >= options_.max_combinations) {
        complete = false;
        return false;
      }
      ++count;
      const ORV_QUERY_CONTEXT* ctx = context(c);
      Answer x = internal ? ask_internal(old_, a, ctx) : ask(old_, d, a, ctx);
      Answer y = internal ? ask_internal(new_, b, ctx) : ask(new_, d, b, ctx);
      if (x.result != y.result || x.bytes != y.bytes) {
        std::string where = combination_text(c);
        difference(word + " " + hex_id(id) + (where.empty() ? "" : " " + where) + ": " +
                       answer_text(x) + " -> " + answer_text(y),
                   {{"domain", word},
                    {"id", hex_id(id)},
                    {"combination", combination_json(c)},
                    {"old", answer_json(x)},
                    {"new", answer_json(y)}});
      }
      return true;
    };
    if (a.path == DrvPath::kModeRecord) {
      // The mode table is the id's decision table: one combination per key.
      for (const std::vector<int16_t>& key : joined(mode_keys(old_), mode_keys(new_))) {
        Combination c;
        for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
          c.selectors[orv::kModeKeySelectors[k]] = static_cast<uint32_t>(int32_t{key[k]});
        }
        if (!each(c)) break;
      }
    } else {
      std::vector<WalkedTrees> sides = {{&old_, trees_of(old_, a)}, {&new_, trees_of(new_, b)}};
      std::vector<std::pair<const orv::Image*, std::vector<uint32_t>>> roots;
      for (const WalkedTrees& side : sides) {
        std::vector<uint32_t> items;
        for (auto& tree : side.trees) items.push_back(tree.second);
        roots.push_back({side.image, items});
      }
      for_each_combination(sides, collect_values(roots), context, each);
    }
    report_.combinations += count;
    if (!complete) {
      std::string limit = std::to_string(options_.max_combinations);
      report_.lines.push_back(word + " " + hex_id(id) + ": more than " + limit +
                              " combinations; compared the first " + limit);
      report_.json["incomplete"].push_back(
          {{"domain", word}, {"id", hex_id(id)}, {"compared", options_.max_combinations}});
      ++report_.incomplete;
    }
  }

  // The keys of every mode-table row, in table order, each once.
  static std::vector<std::vector<int16_t>> mode_keys(const orv::Image& image) {
    std::vector<std::vector<int16_t>> keys;
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t r = 0; t != nullptr && t->mode_rows != nullptr && r < t->mode_count; ++r) {
      keys.emplace_back(t->mode_rows[r].keys, t->mode_rows[r].keys + orv::kModeKeyCount);
    }
    return joined({}, keys);
  }

  // The first row of the mode table with `key` (the one the scan finds), or null.
  static const orv::ModeRow* mode_row(const orv::Image& image, const std::vector<int16_t>& key) {
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t r = 0; t != nullptr && t->mode_rows != nullptr && r < t->mode_count; ++r) {
      if (std::equal(key.begin(), key.end(), t->mode_rows[r].keys)) return &t->mode_rows[r];
    }
    return nullptr;
  }

  // The record a row picks from part `part`, as hex, or why there is none.
  static std::string part_record(const orv::Image& image, const orv::ModeRow& row, uint32_t part) {
    orv::ModePartTable table = orv::mode_part_table(*image.drv_tables, part);
    uint16_t index = orv::mode_row_part(row, part);
    if (table.records == nullptr || index >= table.count) {
      return "index " + std::to_string(index) + " beyond part " + orv::kModePartNames[part];
    }
    return hex_bytes(table.records + size_t{index} * orv::kModePartSizes[part],
                     orv::kModePartSizes[part]);
  }

  // Rows by their six keys; a row's content is the part records it picks.
  void compare_mode_table() {
    for (const std::vector<int16_t>& key : joined(mode_keys(old_), mode_keys(new_))) {
      std::string key_text;
      nlohmann::json key_json;
      for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
        std::string name = "s" + std::to_string(orv::kModeKeySelectors[k]);
        key_text += " " + name + "=" + std::to_string(key[k]);
        key_json[name] = key[k];
      }
      std::string head = "drv mode-table" + key_text;
      const orv::ModeRow* a = mode_row(old_, key);
      const orv::ModeRow* b = mode_row(new_, key);
      if (a == nullptr || b == nullptr) {
        difference(head + ": " + (a ? "present" : "absent") + " -> " + (b ? "present" : "absent"),
                   {{"domain", "drv"},
                    {"table", "mode-table"},
                    {"key", key_json},
                    {"old", a != nullptr},
                    {"new", b != nullptr}});
        continue;
      }
      for (uint32_t part = 0; part < orv::kModePartCount; ++part) {
        std::string x = part_record(old_, *a, part), y = part_record(new_, *b, part);
        if (x == y) continue;
        std::string name(1, orv::kModePartNames[part]);
        difference(head + " part " + name + ": " + x + " -> " + y, {{"domain", "drv"},
                                                                    {"table", "mode-table"},
                                                                    {"key", key_json},
                                                                    {"part", name},
                                                                    {"old", x},
                                                                    {"new", y}});
      }
    }
  }

  // A selector's values with their identifiers, in list order, from the
  // slot the Drv code finds for it; empty when the table lacks it.
  static std::vector<std::pair<uint16_t, uint32_t>> selector_list(const orv::Image& image,
                                                                  uint16_t selector) {
    std::vector<std::pair<uint16_t, uint32_t>> values;
    const orv::DrvTables* t = image.drv_tables;
    uint32_t slot = 0;
    if (t == nullptr || orv::find_selector_slot(*t, selector, &slot) != DB_OK) return values;
    for (uint32_t k = 0; k < t->sel_value_counts[slot]; ++k) {
      uint64_t p = uint64_t{t->sel_first[slot]} + k;
      if (t->sel_values == nullptr || t->sel_value_ids == nullptr || p >= t->sel_value_count) break;
      values.push_back({t->sel_values[p], t->sel_value_ids[p]});
    }
    return values;
  }

  static std::vector<uint16_t> selectors_of(const orv::Image& image) {
    std::vector<uint16_t> selectors;
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t s = 0; t != nullptr && t->sel_indices != nullptr && s < t->sel_count; ++s) {
      selectors.push_back(t->sel_indices[s]);
    }
    return joined({}, selectors);
  }

  // Values by (selector, value): the value identifier and the position in
  // the selector's list.
  void compare_selector_values() {
    for (uint16_t selector : joined(selectors_of(old_), selectors_of(new_))) {
      auto a = selector_list(old_, selector), b = selector_list(new_, selector);
      std::vector<uint16_t> values;
      for (auto& v : a) values.push_back(v.first);
      for (auto& v : b) values.push_back(v.first);
      for (uint16_t value : joined({}, values)) {
        auto entry = [&](const std::vector<std::pair<uint16_t, uint32_t>>& list,
                         std::string* text) -> nlohmann::json {
          for (size_t k = 0; k < list.size(); ++k) {
            if (list[k].first != value) continue;
            *text = "id " + std::to_string(list[k].second) + " at " + std::to_string(k);
            return {{"id", list[k].second}, {"position", k}};
          }
          *text = "absent";
          return nullptr;
        };
        std::string x, y;
        nlohmann::json jx = entry(a, &x), jy = entry(b, &y);
        if (x == y) continue;
        difference("drv selector-values s" + std::to_string(selector) + "=" +
                       std::to_string(value) + ": " + x + " -> " + y,
                   {{"domain", "drv"},
                    {"table", "selector-values"},
                    {"key", {{"selector", selector}, {"value", value}}},
                    {"old", jx},
                    {"new", jy}});
      }
    }
  }

  static std::vector<uint16_t> sequences_of(const orv::Image& image) {
    std::vector<uint16_t> ids;
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t s = 0; t != nullptr && t->seq_ids != nullptr && s < t->seq_count; ++s) {
      ids.push_back(t->seq_ids[s]);
    }
    return joined({}, ids);
  }

  // An item as a fragment tree means it, without its index or pool offsets:
  // kind, tag, count, case value or text, mask, and the value of a fragment
  // leaf (another id's leaf only stands in the walk's way; its value is not
  // the sequence's).
  static std::string node_text(const orv::Image& image, uint32_t index) {
    orv::Item it{};
    if (!orv::item_at(image, index, &it)) return "beyond the item table";
    uint8_t kind = orv::item_kind(it.word0);
    const orv::KindInfo& info = orv::kind_info(kind);
    std::string s = info.name;
    uint16_t tag = orv::item_tag(it.word1), count = orv::item_count(it.word1);
    if (info.tag != orv::TagMeaning::kNone) s += " tag=" + std::to_string(tag);
    switch (info.shape) {
      case orv::ItemShape::kLeaf: {
        if (kind == orv::ITEM_COMPUTED) return s + " function=" + std::to_string(count);
        if (tag != orv::kFragmentId) return s;
        orv::Leaf leaf{it.word0, it.word1};
        uint32_t needed = 0;
        if (orv::fetch(image, nullptr, 0, nullptr, &needed, leaf) != DB_MORE_DATA) {
          return s + " n=" + std::to_string(count) + " unreadable";
        }
        std::vector<uint8_t> value(needed);
        orv::fetch(image, nullptr, needed, value.data(), &needed, leaf);
        return s + " n=" + std::to_string(count) + ": " + hex_bytes(value.data(), value.size());
      }
      case orv::ItemShape::kCase: {
        int32_t lo = 0, hi = 0;
        uint32_t offset = 0, length = 0;
        if (info.test == orv::CaseTest::kValue) return s + " " + std::to_string(it.word1);
        if (info.test == orv::CaseTest::kRange) {
          return orv::range_bounds(image, it, &lo, &hi)
                     ? s + " " + std::to_string(lo) + ".." + std::to_string(hi)
                     : s + " beyond the i32 pool";
        }
        if (info.test == orv::CaseTest::kText) {
          if (orv::case_text(image, it, &offset, &length) != orv::CaseText::kFound)
            return s + " unreadable text";
          return s + " \"" +
                 std::string(reinterpret_cast<const char*>(image.match_pool + offset), length) +
                 "\"";
        }
        return s;
      }
      default: {
        orv::ItemLinks links{};
        if (orv::item_links(image, it, &links) && links.masked) {
          char mask[16];
          snprintf(mask, sizeof mask, "0x%08X", links.mask);
          s += std::string(" mask=") + mask;
        }
        return s + " n=" + std::to_string(count);
      }
    }
  }

  // Where two trees first differ: the path of child positions from the
  // root ("root" for the root itself) and both nodes.
  struct TreeDifference {
    std::string at;        // "0.3"
    std::string old_node;  // node_text on the old side
    std::string new_node;  // and on the new side
  };

  // The first place where the trees from `a` (old) and `b` (new) differ, in
  // depth-first order; pairs found equal are in `same`.
  bool first_tree_difference(uint32_t a, uint32_t b, const std::string& path, int depth,
                             std::set<std::pair<uint32_t, uint32_t>>* same, TreeDifference* d) {
    if (same->count({a, b})) return false;
    const std::string at = path.empty() ? "root" : path;
    std::string x = node_text(old_, a), y = node_text(new_, b);
    if (x != y) {
      *d = {at, x, y};
      return true;
    }
    orv::ItemLinks la{}, lb{};
    orv::Item ia{}, ib{};
    if (depth < orv::kMaxWalkDepth && orv::item_at(old_, a, &ia) && orv::item_at(new_, b, &ib) &&
        orv::item_links(old_, ia, &la) && orv::item_links(new_, ib, &lb)) {
      if (la.inside != lb.inside) {
        *d = {at, std::to_string(la.inside) + " inside the item table",
              std::to_string(lb.inside) + " inside the item table"};
        return true;
      }
      for (uint32_t i = 0; i < la.inside; ++i) {
        std::string child = path + (path.empty() ? "" : ".") + std::to_string(i);
        if (first_tree_difference(la.first + i, lb.first + i, child, depth + 1, same, d)) {
          return true;
        }
      }
    }
    same->insert({a, b});
    return false;
  }

  static bool has_sequence(const orv::Image& image, uint16_t id) {
    uint32_t slot = 0;
    return image.drv_tables != nullptr && orv::find_sequence(*image.drv_tables, id, &slot) == DB_OK;
  }

  // Sequences by id: how many fragments, and each fragment as a tree.
  void compare_command_sequences() {
    for (uint16_t id : joined(sequences_of(old_), sequences_of(new_))) {
      std::vector<uint32_t> a = fragment_trees(old_, id), b = fragment_trees(new_, id);
      std::string head = "drv command-sequence " + hex_id(id);
      nlohmann::json j = {{"domain", "drv"}, {"table", "command-sequence"}, {"id", hex_id(id)}};
      bool in_old = has_sequence(old_, id), in_new = has_sequence(new_, id);
      if (!in_old || !in_new) {
        j["old"] = in_old;
        j["new"] = in_new;
        difference(head + ": " + (in_old ? "present" : "absent") + " -> " +
                       (in_new ? "present" : "absent"),
                   j);
        continue;
      }
      if (a.size() != b.size()) {
        j["old"] = {{"fragments", a.size()}};
        j["new"] = {{"fragments", b.size()}};
        auto fragments = [](size_t n) {
          return std::to_string(n) + (n == 1 ? " fragment" : " fragments");
        };
        difference(head + ": " + fragments(a.size()) + " -> " + fragments(b.size()), j);
      }
      for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
        std::set<std::pair<uint32_t, uint32_t>> same;
        TreeDifference d;
        if (!first_tree_difference(a[k], b[k], "", 0, &same, &d)) continue;
        nlohmann::json f = {
            {"domain", "drv"}, {"table", "command-sequence"}, {"id", hex_id(id)}, {"fragment", k},
            {"at", d.at},      {"old", d.old_node},           {"new", d.new_node}};
        difference(head + " fragment " + std::to_string(k) + " at " + d.at + ": " + d.old_node +
                       " -> " + d.new_node,
                   f);
      }
    }
  }

  const orv::Image& old_;
  const orv::Image& new_;
  DiffOptions options_;
  DiffReport report_;
};

}  // namespace

DiffReport compare_images(const DiffSide& old_side, const DiffSide& new_side,
                          const DiffOptions& options) {
  return Comparer(old_side, new_side, options).run();
}

int run_diff(const DiffSide& old_side, const DiffSide& new_side, bool json, std::ostream& out,
             const DiffOptions& options) {
  DiffReport report = compare_images(old_side, new_side, options);
  if (json) {
    out << report.json.dump(2) << "\n";
  } else {
    out << report.header << "\n";
    for (const std::string& line : report.lines) out << line << "\n";
  }
  return report.differences == 0 && report.incomplete == 0 ? 0 : 1;
}

}  // namespace orvtool
