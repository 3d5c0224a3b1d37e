#include "diff.h"

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>
#include <vector>

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

// The items of `first`, then those of `second` it lacks, each once.
template <typename T>
std::vector<T> joined(std::vector<T> first, const std::vector<T>& second) {
  std::vector<T> all;
  for (const std::vector<T>* part : {&first, &second}) {
    for (const T& x : *part) {
      if (std::find(all.begin(), all.end(), x) == all.end()) all.push_back(x);
    }
  }
  return all;
}

// The same, ascending.
template <typename T>
std::vector<T> sorted_union(const std::vector<T>& first, const std::vector<T>& second) {
  std::set<T> all(first.begin(), first.end());
  all.insert(second.begin(), second.end());
  return {all.begin(), all.end()};
}

// "2 answers", "1 answer".
std::string counted(size_t n, const std::string& word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Writes the report as it is found, as lines, as one JSON object whose
// arrays are written element by element, or as JSON Lines (each object
// under the name of its kind: diff, difference or stat, incomplete,
// summary); counts what it writes.
class Reporter {
 public:
  Reporter(std::ostream& out, const DiffOptions& options) : out_(out), options_(options) {}

  // The first line, or the JSON object's opening members.
  void begin(const std::string& header, nlohmann::json sides) {
    sides["text"] = header;
    if (options_.json_lines) {
      out_ << json_line({{"diff", sides}}) << "\n";
    } else if (options_.json) {
      out_ << "{\n";
      for (auto& [key, value] : sides.items()) {
        out_ << "  " << json_line(key) << ": " << json_line(value) << ",\n";
      }
      out_ << "  \"" << (options_.stat ? "stat" : "differences") << "\": [";
    } else {
      out_ << header << "\n";
    }
  }

  // One answer that differs: where, and a thunk for its JSON (built only
  // when asked for).
  void answer_differs(const std::string& line, const std::function<nlohmann::json()>& json) {
    ++answers_;
    ++id_differing_;
    if (!options_.stat) write(line, json);
  }

  // An id's comparison is done: with `stat` its line when something
  // differed; its incomplete line when it was cut short.
  void id_done(const std::string& word, uint16_t id, size_t compared, bool complete) {
    ++ids_;
    combinations_ += compared;
    if (id_differing_ > 0) ++ids_differing_;
    if (options_.stat && id_differing_ > 0) {
      write(word + " " + hex_id(id) + ": " + std::to_string(id_differing_) + " of " +
                counted(compared, "combination") + (id_differing_ == 1 ? " differs" : " differ"),
            [&] {
              return nlohmann::json{{"domain", word},
                                    {"id", id},
                                    {"differing", id_differing_},
                                    {"combinations", compared}};
            });
    }
    id_differing_ = 0;
    if (complete) return;
    std::string limit = std::to_string(options_.max_combinations);
    nlohmann::json entry = {{"domain", word}, {"id", id}, {"compared", compared}};
    incomplete_.push_back(entry);
    if (options_.json_lines) {
      out_ << json_line({{"incomplete", entry}}) << "\n";
    } else if (!options_.json) {
      out_ << word << " " << hex_id(id) << ": more than " << limit
           << " combinations; compared the first " << limit << "\n";
    }
  }

  // A difference in one table row; `more` for another difference in the
  // row of the last one (counted once).
  void row_differs(const std::string& line, const std::function<nlohmann::json()>& json,
                   bool more = false) {
    if (!more) ++rows_, ++table_differing_;
    if (!options_.stat) write(line, json);
  }

  // A table's comparison is done: with `stat` its line when rows differed.
  void table_done(const std::string& table, size_t compared) {
    rows_compared_ += compared;
    if (options_.stat && table_differing_ > 0) {
      write("drv " + table + ": " + std::to_string(table_differing_) + " of " +
                counted(compared, "row") + (table_differing_ == 1 ? " differs" : " differ"),
            [&] {
              return nlohmann::json{{"domain", "drv"},
                                    {"table", table},
                                    {"differing", table_differing_},
                                    {"rows", compared}};
            });
    }
    table_differing_ = 0;
  }

  // The summary line, or the JSON object's closing members. The exit status.
  int end() {
    auto differ = [](size_t n) { return n == 1 ? " differs" : " differ"; };
    std::string summary = counted(answers_, "answer") + differ(answers_) + ", over " +
                          counted(ids_differing_, "id") + "; " + counted(rows_, "table row") +
                          differ(rows_) + " (compared " + counted(combinations_, "combination") +
                          " of " + counted(ids_, "id") + ", " +
                          counted(rows_compared_, "table row") + ")";
    if (!incomplete_.empty()) {
      summary += "; " + counted(incomplete_.size(), "id") + " not compared in full";
    }
    nlohmann::json s = {{"answers_differing", answers_},
                        {"ids_differing", ids_differing_},
                        {"table_rows_differing", rows_},
                        {"combinations", combinations_},
                        {"ids", ids_},
                        {"table_rows", rows_compared_},
                        {"incomplete", incomplete_.size()},
                        {"text", summary}};
    if (options_.json_lines) {
      out_ << json_line({{"summary", s}}) << "\n";
    } else if (options_.json) {
      out_ << (written_ ? "\n  ],\n" : "],\n");
      out_ << "  \"incomplete\": " << json_line(incomplete_) << ",\n";
      out_ << "  \"summary\": " << json_line(s) << "\n}\n";
    } else {
      out_ << "summary: " << summary << "\n";
    }
    return answers_ == 0 && rows_ == 0 && incomplete_.empty() ? 0 : 1;
  }

 private:
  void write(const std::string& line, const std::function<nlohmann::json()>& json) {
    if (options_.json_lines) {
      out_ << json_line({{options_.stat ? "stat" : "difference", json()}}) << "\n";
    } else if (options_.json) {
      out_ << (written_ ? ",\n    " : "\n    ") << json_line(json());
    } else {
      out_ << line << "\n";
    }
    written_ = true;
  }

  std::ostream& out_;
  const DiffOptions& options_;
  bool written_ = false;                    // an element of the JSON array is written
  size_t answers_ = 0;                      // answers that differ
  size_t ids_differing_ = 0;                // ids with an answer that differs
  size_t id_differing_ = 0;                 // answers that differ of the id under way
  size_t ids_ = 0;                          // ids compared
  size_t combinations_ = 0;                 // combinations compared
  size_t rows_ = 0;                         // table rows that differ
  size_t table_differing_ = 0;              // of the table under way
  size_t rows_compared_ = 0;                // table rows compared
  std::vector<nlohmann::json> incomplete_;  // ids not compared in full
};

// One comparison under way.
class Comparer {
 public:
  Comparer(const DiffSide& old_side, const DiffSide& new_side, std::ostream& out,
           const DiffOptions& options)
      : old_(*old_side.image),
        new_(*new_side.image),
        old_name_(old_side.name),
        new_name_(new_side.name),
        options_(options),
        report_(out, options),
        platform_({&old_, &new_}) {}

  int run() {
    std::vector<std::pair<std::string, Domain>> words;
    std::vector<std::vector<uint16_t>> ids;
    for (Domain d : all_domains()) {
      std::vector<uint16_t> in_domain = sorted_union(domain_ids(old_, d), domain_ids(new_, d));
      if (d == Domain::kDrv) {
        std::vector<uint16_t> special;
        for (const orv::DrvSpecialId& row : orv::kDrvSpecialIds) special.push_back(row.id);
        in_domain = sorted_union(in_domain, special);
      }
      words.push_back({domain_name(d), d});
      ids.push_back(in_domain);
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
    words.push_back({kInternal, Domain::kDrv});
    ids.push_back({internal.begin(), internal.end()});

    // What every comparison holds fixed, for the first line.
    std::vector<IdInfo> infos;
    for (size_t w = 0; w < words.size(); ++w) {
      for (uint16_t id : ids[w]) {
        infos.push_back(analyse_id(old_, words[w].second, id));
        infos.push_back(analyse_id(new_, words[w].second, id));
      }
    }
    const std::string held = held_fixed_text(infos);
    report_.begin("diff " + old_name_ + " (" + model_name_of(old_) + ") -> " + new_name_ + " (" +
                      model_name_of(new_) + "); held fixed: " + held,
                  {{"old", {{"name", old_name_}, {"model", model_name_of(old_)}}},
                   {"new", {{"name", new_name_}, {"model", model_name_of(new_)}}},
                   {"platform", fixed_platform_json()},
                   {"held_fixed", held}});

    for (size_t w = 0; w < words.size(); ++w) {
      for (uint16_t id : ids[w]) compare_id(words[w].second, words[w].first, id);
    }
    compare_mode_table();
    compare_selector_values();
    compare_command_sequences();
    return report_.end();
  }

 private:
  // An id's combinations: asked on both images alike, a line for each whose
  // answers differ. Internal ids go the way the Drv code asks them.
  void compare_id(Domain d, const std::string& word, uint16_t id) {
    const bool internal = word == kInternal;
    IdInfo a = analyse_id(old_, d, id);
    IdInfo b = analyse_id(new_, d, id);
    Query q;
    q.selectors.assign(std::max(a.selector_count, b.selector_count), 0);
    q.strings.assign(std::max(a.string_count, b.string_count), std::string());
    size_t count = 0;
    bool complete = true;
    auto context = [&](const Combination& c) {
      std::fill(q.selectors.begin(), q.selectors.end(), 0u);
      for (auto& [s, v] : c.selectors)
        if (s < q.selectors.size()) q.selectors[s] = v;
      std::fill(q.strings.begin(), q.strings.end(), std::string());
      for (auto& [m, text] : c.strings)
        if (m < q.strings.size()) q.strings[m] = text;
      q.printer = platform_.set_up(c);
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
        report_.answer_differs(word + " " + hex_id(id) + (where.empty() ? "" : " " + where) + ": " +
                                   answer_text(x) + " -> " + answer_text(y),
                               [&] {
                                 return nlohmann::json{{"domain", word},
                                                       {"id", id},
                                                       {"combination", combination_json(c)},
                                                       {"old", answer_json(x)},
                                                       {"new", answer_json(y)}};
                               });
      }
      return true;
    };
    if (a.path == DrvPath::kModeRecord) {
      // The mode table is the id's decision table: one combination per key.
      for (const std::vector<int16_t>& key : sorted_union(mode_keys(old_), mode_keys(new_))) {
        Combination c;
        for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
          c.selectors[orv::kModeKeySelectors[k]] = static_cast<uint32_t>(int32_t{key[k]});
        }
        if (!each(c)) break;
      }
    } else {
      for_each_combination(
          {{&old_, a}, {&new_, b}},
          collect_values({{&old_, value_trees(old_, a)}, {&new_, value_trees(new_, b)}}), context,
          each);
    }
    report_.id_done(word, id, count, complete);
  }

  // The keys of every mode-table row, each once.
  static std::vector<std::vector<int16_t>> mode_keys(const orv::Image& image) {
    std::vector<std::vector<int16_t>> keys;
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t r = 0; t != nullptr && t->mode_rows != nullptr && r < t->mode_count; ++r) {
      keys.emplace_back(t->mode_rows[r].keys, t->mode_rows[r].keys + orv::kModeKeyCount);
    }
    return keys;
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
    const orv::ModePartTable& table = image.drv_tables->mode_parts[part];
    uint16_t index = orv::mode_row_part(row, part);
    if (table.records == nullptr || index >= table.count) {
      return "index " + std::to_string(index) + " beyond part " + orv::kModePartNames[part];
    }
    return hex_bytes(table.records + size_t{index} * orv::kModePartSizes[part],
                     orv::kModePartSizes[part]);
  }

  // Rows by their six keys, ascending; a row's content is the part records
  // it picks.
  void compare_mode_table() {
    std::vector<std::vector<int16_t>> keys = sorted_union(mode_keys(old_), mode_keys(new_));
    for (const std::vector<int16_t>& key : keys) {
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
        report_.row_differs(
            head + ": " + (a ? "present" : "absent") + " -> " + (b ? "present" : "absent"), [&] {
              return nlohmann::json{{"domain", "drv"},
                                    {"table", "mode-table"},
                                    {"key", key_json},
                                    {"old", a != nullptr},
                                    {"new", b != nullptr}};
            });
        continue;
      }
      bool more = false;
      for (uint32_t part = 0; part < orv::kModePartCount; ++part) {
        std::string x = part_record(old_, *a, part), y = part_record(new_, *b, part);
        if (x == y) continue;
        std::string name(1, orv::kModePartNames[part]);
        report_.row_differs(
            head + " part " + name + ": " + x + " -> " + y,
            [&] {
              return nlohmann::json{{"domain", "drv"}, {"table", "mode-table"},
                                    {"key", key_json}, {"part", name},
                                    {"old", x},        {"new", y}};
            },
            more);
        more = true;
      }
    }
    report_.table_done("mode-table", keys.size());
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
    return selectors;
  }

  // Values by (selector, value), ascending: the value identifier and the
  // position in the selector's list.
  void compare_selector_values() {
    size_t compared = 0;
    for (uint16_t selector : sorted_union(selectors_of(old_), selectors_of(new_))) {
      auto a = selector_list(old_, selector), b = selector_list(new_, selector);
      std::vector<uint16_t> values;
      for (auto& v : a) values.push_back(v.first);
      for (auto& v : b) values.push_back(v.first);
      for (uint16_t value : sorted_union(values, {})) {
        ++compared;
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
        report_.row_differs("drv selector-values s" + std::to_string(selector) + "=" +
                                std::to_string(value) + ": " + x + " -> " + y,
                            [&] {
                              return nlohmann::json{
                                  {"domain", "drv"},
                                  {"table", "selector-values"},
                                  {"key", {{"selector", selector}, {"value", value}}},
                                  {"old", jx},
                                  {"new", jy}};
                            });
      }
    }
    report_.table_done("selector-values", compared);
  }

  static std::vector<uint16_t> sequences_of(const orv::Image& image) {
    std::vector<uint16_t> ids;
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t s = 0; t != nullptr && t->seq_ids != nullptr && s < t->seq_count; ++s) {
      ids.push_back(t->seq_ids[s]);
    }
    return ids;
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

  // Sequences by id, ascending: how many fragments, and each fragment as a tree.
  void compare_command_sequences() {
    std::vector<uint16_t> ids = sorted_union(sequences_of(old_), sequences_of(new_));
    for (uint16_t id : ids) {
      std::vector<uint32_t> a = fragment_trees(old_, id), b = fragment_trees(new_, id);
      std::string head = "drv command-sequence " + hex_id(id);
      nlohmann::json j = {{"domain", "drv"}, {"table", "command-sequence"}, {"id", id}};
      bool in_old = has_sequence(old_, id), in_new = has_sequence(new_, id);
      if (!in_old || !in_new) {
        report_.row_differs(head + ": " + (in_old ? "present" : "absent") + " -> " +
                                (in_new ? "present" : "absent"),
                            [&] {
                              nlohmann::json r = j;
                              r["old"] = in_old;
                              r["new"] = in_new;
                              return r;
                            });
        continue;
      }
      bool more = false;
      if (a.size() != b.size()) {
        auto fragments = [](size_t n) { return counted(n, "fragment"); };
        report_.row_differs(head + ": " + fragments(a.size()) + " -> " + fragments(b.size()), [&] {
          nlohmann::json r = j;
          r["old"] = {{"fragments", a.size()}};
          r["new"] = {{"fragments", b.size()}};
          return r;
        });
        more = true;
      }
      for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
        std::set<std::pair<uint32_t, uint32_t>> same;
        TreeDifference d;
        if (!first_tree_difference(a[k], b[k], "", 0, &same, &d)) continue;
        report_.row_differs(
            head + " fragment " + std::to_string(k) + " at " + d.at + ": " + d.old_node + " -> " +
                d.new_node,
            [&] {
              nlohmann::json r = j;
              r["fragment"] = k;
              r["at"] = d.at;
              r["old"] = d.old_node;
              r["new"] = d.new_node;
              return r;
            },
            more);
        more = true;
      }
    }
    report_.table_done("command-sequence", ids.size());
  }

  const orv::Image& old_;  // the image compared from
  const orv::Image& new_;  // the image compared to
  std::string old_name_;   // how the first line names the old image
  std::string new_name_;   // and the new one
  DiffOptions options_;
  Reporter report_;         // where the findings go
  SweepPlatform platform_;  // the stand-in platform of every combination
};

}  // namespace

int run_diff(const DiffSide& old_side, const DiffSide& new_side, std::ostream& out,
             const DiffOptions& options) {
  return Comparer(old_side, new_side, out, options).run();
}

}  // namespace orvtool
