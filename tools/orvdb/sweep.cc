#include "sweep.h"

#include <algorithm>
#include <set>

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "engine/walk.h"

namespace orvtool {
namespace {

constexpr size_t kMaxRows = 100000;

// The values the cases and branches of a set of trees name, per selector
// and match string. Printer data and the locale are not swept.
struct Collector {
  const orv::Image* image = nullptr;                // the image whose trees are visited now
  std::map<uint16_t, std::vector<uint32_t>> plain;  // selector -> compared values
  std::map<uint16_t, std::vector<std::pair<int32_t, int32_t>>> ranges;   // selector -> ranges
  std::map<uint16_t, std::map<uint32_t, std::vector<uint32_t>>> masked;  // sel -> mask -> cases
  std::map<uint16_t, std::vector<std::string>> texts;                    // string -> case texts
  std::set<uint32_t> seen;  // items of `image` visited already

  template <typename T>
  static void add(std::vector<T>* v, const T& x) {
    if (std::find(v->begin(), v->end(), x) == v->end()) v->push_back(x);
  }

  // What case or branch `c` of an item on selector or match string `tag` names.
  void name_value(orv::TagMeaning meaning, uint16_t tag, const orv::ItemLinks& links, orv::Item c) {
    const orv::Image& img = *image;
    const orv::KindInfo& kind = orv::kind_info(orv::item_kind(c.word0));
    int32_t lo = 0, hi = 0;
    uint32_t offset = 0, length = 0;
    if (meaning == orv::TagMeaning::kMatchString) {
      if (kind.test == orv::CaseTest::kText &&
          orv::case_text(img, c, &offset, &length) == orv::CaseText::kFound) {
        add(&texts[tag],
            std::string(reinterpret_cast<const char*>(img.match_pool + offset), length));
      }
    } else if (meaning == orv::TagMeaning::kSelector) {
      if (kind.tag == orv::TagMeaning::kBranchValue) {
        add(&plain[tag], uint32_t{orv::item_tag(c.word1)});
      } else if (kind.test == orv::CaseTest::kValue) {
        add(links.masked ? &masked[tag][links.mask] : &plain[tag], c.word1);
      } else if (kind.test == orv::CaseTest::kRange && orv::range_bounds(img, c, &lo, &hi)) {
        ranges[tag].push_back({lo, hi});
        add(&plain[tag], static_cast<uint32_t>(lo));
      }
    }
  }

  void visit(uint32_t index, int depth) {
    const orv::Image& img = *image;
    orv::Item it{};
    orv::ItemLinks links{};
    if (depth > orv::kMaxWalkDepth || !orv::item_at(img, index, &it)) return;
    if (!seen.insert(index).second || !orv::item_links(img, it, &links)) return;
    orv::TagMeaning meaning = orv::kind_info(orv::item_kind(it.word0)).tag;
    uint16_t tag = orv::item_tag(it.word1);
    if (meaning == orv::TagMeaning::kSelector) plain[tag];
    if (meaning == orv::TagMeaning::kMatchString) texts[tag];
    for (uint32_t i = 0; i < links.inside; ++i) {
      name_value(meaning, tag, links, img.items[links.first + i]);
      visit(links.first + i, depth + 1);
    }
  }
};

// A value of selector `sel` that no case of the collected trees names.
uint32_t other_value(const Collector& c, uint16_t sel) {
  auto plain = c.plain.count(sel) ? c.plain.at(sel) : std::vector<uint32_t>();
  for (uint32_t v = 0;; ++v) {
    bool taken = std::find(plain.begin(), plain.end(), v) != plain.end();
    if (c.ranges.count(sel)) {
      for (auto& [lo, hi] : c.ranges.at(sel)) {
        taken = taken || (lo <= static_cast<int32_t>(v) && static_cast<int32_t>(v) <= hi);
      }
    }
    if (c.masked.count(sel)) {
      for (auto& [mask, values] : c.masked.at(sel)) {
        taken = taken || std::find(values.begin(), values.end(), v & mask) != values.end();
      }
    }
    if (!taken) return v;
  }
}

// Stops a walk before it reads a selector or match string the combination
// does not set yet, and records which.
struct ReadStop : orv::NoObserver {
  static constexpr bool kWatches = true;
  const Combination* set = nullptr;               // the values set so far
  orv::WalkRead what = orv::WalkRead::kSelector;  // the read that stopped the walk
  uint16_t index = 0;                             // its index
  bool may_read(orv::WalkRead read, uint16_t at) {
    if (read != orv::WalkRead::kSelector && read != orv::WalkRead::kMatchString) return true;
    bool known = read == orv::WalkRead::kSelector ? set->selectors.count(at) > 0
                                                  : set->strings.count(at) > 0;
    if (!known) what = read, index = at;
    return known;
  }
};

// Sets `index` of `set` to each of its values in turn (`none` when it has
// none) and goes on with `next`; false when `next` ended the enumeration.
template <typename Value>
bool fork(std::map<uint16_t, Value>* set, uint16_t index,
          const std::map<uint16_t, std::vector<Value>>& values, const Value& none,
          const std::function<bool()>& next) {
  auto found = values.find(index);
  std::vector<Value> choices{none};
  if (found != values.end()) choices = found->second;
  for (const Value& v : choices) {
    (*set)[index] = v;
    if (!next()) return false;
  }
  set->erase(index);
  return true;
}

std::string cell_text(const std::string& s) {
  std::string q = "\"";
  for (char c : s) q += (c == '"' ? std::string("\\\"") : std::string(1, c));
  return q + "\"";
}

std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// Header and cells of every row, as text and CSV show them.
std::vector<std::vector<std::string>> table(const Sweep& sweep, bool csv) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head;
  for (uint16_t s : sweep.selector_columns) head.push_back("s" + std::to_string(s));
  for (uint16_t m : sweep.string_columns) head.push_back("m" + std::to_string(m));
  head.push_back("result");
  head.push_back("answer");
  rows.push_back(head);
  for (const SweepRow& r : sweep.rows) {
    std::vector<std::string> cells;
    for (uint16_t s : sweep.selector_columns) {
      cells.push_back(r.selectors.count(s) ? std::to_string(r.selectors.at(s)) : "-");
    }
    for (uint16_t m : sweep.string_columns) {
      cells.push_back(r.strings.count(m) ? (csv ? r.strings.at(m) : cell_text(r.strings.at(m)))
                                         : "-");
    }
    cells.push_back(result_name(r.answer.result));
    cells.push_back(r.answer.result == DB_OK ? answer_line(r.answer) : "");
    rows.push_back(cells);
  }
  return rows;
}

}  // namespace

std::vector<std::pair<uint16_t, uint32_t>> trees_of(const orv::Image& image, const IdInfo& info) {
  std::vector<std::pair<uint16_t, uint32_t>> trees;
  if (info.path == DrvPath::kCommandSequence) {
    for (uint32_t tree : fragment_trees(image, info.id)) trees.push_back({orv::kFragmentId, tree});
  } else if (info.in_root) {
    trees.push_back({info.id, info.root_item});
  }
  return trees;
}

ValueSets collect_values(const orv::Image& image, const std::vector<uint32_t>& roots) {
  return collect_values({{&image, roots}});
}

ValueSets collect_values(
    const std::vector<std::pair<const orv::Image*, std::vector<uint32_t>>>& sides) {
  Collector c;
  for (const auto& [image, roots] : sides) {
    c.image = image;
    c.seen.clear();
    for (uint32_t r : roots) c.visit(r, 0);
  }
  ValueSets sets;
  for (auto& [sel, values] : c.plain) {
    std::vector<uint32_t> all = values;
    if (c.masked.count(sel)) {
      for (auto& [mask, cases] : c.masked.at(sel)) {
        for (uint32_t v : cases) {
          if (std::find(all.begin(), all.end(), v) == all.end()) all.push_back(v);
        }
      }
    }
    all.push_back(other_value(c, sel));
    sets.selectors[sel] = all;
  }
  for (auto& [index, texts] : c.texts) {
    std::vector<std::string> all = texts;
    std::string other;
    while (std::find(all.begin(), all.end(), other) != all.end()) other += "~";
    all.push_back(other);
    sets.strings[index] = all;
  }
  return sets;
}

void for_each_combination(
    const orv::Image& image, const std::vector<std::pair<uint16_t, uint32_t>>& trees,
    const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each) {
  for_each_combination({WalkedTrees{&image, trees}}, sets, context, each);
}

void for_each_combination(
    const std::vector<WalkedTrees>& sides, const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each) {
  Combination c;
  std::function<bool()> explore = [&]() {
    const ORV_QUERY_CONTEXT* ctx = context(c);
    for (const WalkedTrees& side : sides) {
      for (auto& [tree_id, item] : side.trees) {
        ReadStop stop;
        stop.set = &c;
        orv::Leaf leaf{};
        if (orv::observe_walk(*side.image, tree_id, ctx, item, &leaf, &stop) != orv::kWalkStopped)
          continue;
        return stop.what == orv::WalkRead::kSelector
                   ? fork(&c.selectors, stop.index, sets.selectors, 0u, explore)
                   : fork(&c.strings, stop.index, sets.strings, std::string(), explore);
      }
    }
    return each(c);
  };
  explore();
}

Sweep sweep_id(const orv::Image& image, Query* query, bool until_answer) {
  Sweep sweep;
  const IdInfo& info = query->info;
  std::set<uint16_t> sel_cols, str_cols;
  std::vector<uint32_t> base = query->selectors;
  if (info.path == DrvPath::kModeRecord && image.drv_tables && image.drv_tables->mode_rows) {
    // The mode table is the id's decision table: one combination per row.
    const orv::DrvTables* t = image.drv_tables;
    for (uint32_t row = 0; row < t->mode_count && row < kMaxRows; ++row) {
      SweepRow r;
      query->selectors = base;
      for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
        uint16_t s = orv::kModeKeySelectors[k];
        uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(t->mode_rows[row].keys[k]));
        r.selectors[s] = v;
        sel_cols.insert(s);
        if (s < query->selectors.size()) query->selectors[s] = v;
      }
      r.answer = ask(image, query);
      sweep.rows.push_back(std::move(r));
      if (until_answer && sweep.rows.back().answer.result == DB_OK) break;
    }
  } else {
    std::vector<std::pair<uint16_t, uint32_t>> trees = trees_of(image, info);
    std::vector<uint32_t> roots;
    for (auto& t : trees) roots.push_back(t.second);
    std::vector<std::string> base_strings = query->strings;
    auto context = [&](const Combination& c) {
      query->selectors = base;
      for (auto& [s, v] : c.selectors)
        if (s < query->selectors.size()) query->selectors[s] = v;
      query->strings = base_strings;
      for (auto& [m, text] : c.strings)
        if (m < query->strings.size()) query->strings[m] = text;
      return query->context();
    };
    auto each = [&](const Combination& c) {
      if (sweep.rows.size() >= kMaxRows) {
        throw UsageError("the answer space of " + hex_id(info.id) + " has more than " +
                         std::to_string(kMaxRows) + " combinations");
      }
      for (auto& [s, v] : c.selectors) sel_cols.insert(s);
      for (auto& [m, v] : c.strings) str_cols.insert(m);
      sweep.rows.push_back(SweepRow{c.selectors, c.strings, ask(image, query)});
      return !until_answer || sweep.rows.back().answer.result != DB_OK;
    };
    for_each_combination(image, trees, collect_values(image, roots), context, each);
  }
  sweep.selector_columns.assign(sel_cols.begin(), sel_cols.end());
  sweep.string_columns.assign(str_cols.begin(), str_cols.end());
  return sweep;
}

void print_sweep_text(const Sweep& sweep, std::ostream& out) {
  std::vector<std::vector<std::string>> rows = table(sweep, false);
  std::vector<size_t> width(rows[0].size(), 0);
  for (auto& r : rows) {
    for (size_t i = 0; i + 1 < r.size(); ++i) width[i] = std::max(width[i], r[i].size());
  }
  for (auto& r : rows) {
    std::string line;
    for (size_t i = 0; i < r.size(); ++i) {
      line += r[i];
      if (i + 1 < r.size()) line += std::string(width[i] - r[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
  out << sweep.rows.size() << " combinations\n";
}

void print_sweep_csv(const Sweep& sweep, std::ostream& out) {
  for (auto& r : table(sweep, true)) {
    for (size_t i = 0; i < r.size(); ++i) out << (i ? "," : "") << csv_field(r[i]);
    out << "\n";
  }
}

nlohmann::json sweep_json(const Sweep& sweep) {
  nlohmann::json j;
  j["selectors"] = sweep.selector_columns;
  j["strings"] = sweep.string_columns;
  nlohmann::json rows = nlohmann::json::array();
  for (const SweepRow& r : sweep.rows) {
    nlohmann::json row;
    row["selectors"] = nlohmann::json::object();
    for (auto& [s, v] : r.selectors) row["selectors"][std::to_string(s)] = v;
    row["strings"] = nlohmann::json::object();
    for (auto& [m, text] : r.strings) row["strings"][std::to_string(m)] = text;
    row["answer"] = answer_json(r.answer);
    rows.push_back(row);
  }
  j["rows"] = rows;
  return j;
}

}  // namespace orvtool
