#include "sweep.h"

#include <algorithm>
#include <set>

#include "drvrecords/drv_tables.h"
#include "engine/resolver.h"
#include "trace_walk.h"

namespace orvtool {
namespace {

constexpr size_t kMaxRows = 100000;

struct Collector {
  const orv::Image& img;
  std::map<uint16_t, std::vector<uint32_t>> plain;  // selector -> compared values
  std::map<uint16_t, std::vector<std::pair<int32_t, int32_t>>> ranges;   // selector -> ranges
  std::map<uint16_t, std::map<uint32_t, std::vector<uint32_t>>> masked;  // sel -> mask -> cases
  std::map<uint16_t, std::vector<std::string>> texts;                    // string -> case texts
  std::map<uint16_t, bool> string_seen;                                  // strings read
  std::set<uint32_t> seen;

  void add(std::vector<uint32_t>* v, uint32_t x) {
    if (std::find(v->begin(), v->end(), x) == v->end()) v->push_back(x);
  }
  bool ok(uint64_t i) const { return img.items && i < img.item_count; }

  void cases(uint16_t sel, bool is_string, uint32_t mask, bool use_mask, uint32_t first, uint32_t n,
             int depth) {
    for (uint32_t i = 0; i < n; ++i) {
      uint64_t c = static_cast<uint64_t>(first) + i;
      if (!ok(c)) return;
      const orv::Item& cs = img.items[c];
      uint8_t kind = orv::item_kind(cs.word0);
      if (is_string && kind == orv::ITEM_CASE_STRING && ok(cs.word1)) {
        const orv::Item& t = img.items[cs.word1];
        uint64_t end = static_cast<uint64_t>(orv::item_offset(t.word0)) + orv::item_count(t.word1);
        if (img.match_pool && end <= img.match_count) {
          std::string text(
              reinterpret_cast<const char*>(img.match_pool + orv::item_offset(t.word0)),
              orv::item_count(t.word1));
          auto& v = texts[sel];
          if (std::find(v.begin(), v.end(), text) == v.end()) v.push_back(text);
        }
      } else if (!is_string && kind == orv::ITEM_CASE) {
        if (use_mask)
          add(&masked[sel][mask], cs.word1);
        else
          add(&plain[sel], cs.word1);
      } else if (!is_string && kind == orv::ITEM_CASE_RANGE && img.i32_pool && img.i32_count >= 2 &&
                 cs.word1 <= img.i32_count - 2) {
        ranges[sel].push_back({img.i32_pool[cs.word1], img.i32_pool[cs.word1 + 1]});
        add(&plain[sel], static_cast<uint32_t>(img.i32_pool[cs.word1]));
      }
      visit(orv::item_offset(cs.word0), depth + 1);
    }
  }

  void visit(uint32_t index, int depth) {
    if (!ok(index) || depth > orv::kMaxWalkDepth || !seen.insert(index).second) return;
    const orv::Item& it = img.items[index];
    uint8_t kind = orv::item_kind(it.word0);
    uint32_t off = orv::item_offset(it.word0);
    uint16_t tag = orv::item_tag(it.word1);
    uint16_t n = orv::item_count(it.word1);
    switch (kind) {
      case orv::ITEM_SEQUENCE:
      case orv::ITEM_BRANCH:
      case orv::ITEM_CASE:
      case orv::ITEM_DEFAULT:
        for (uint32_t i = 0; i < n; ++i) visit(off + i, depth + 1);
        break;
      case orv::ITEM_SELECT:
        for (uint32_t i = 0; i < n; ++i) {
          if (ok(static_cast<uint64_t>(off) + i) &&
              orv::item_kind(img.items[off + i].word0) == orv::ITEM_BRANCH) {
            add(&plain[tag], orv::item_tag(img.items[off + i].word1));
          }
          visit(off + i, depth + 1);
        }
        break;
      case orv::ITEM_SWITCH_SELECTOR:
        plain[tag];
        cases(tag, false, 0, false, off, n, depth);
        break;
      case orv::ITEM_SWITCH_MASKED:
        plain[tag];
        if (ok(off) && orv::item_kind(img.items[off].word0) == orv::ITEM_MASK) {
          cases(tag, false, img.items[off].word1, true, orv::item_offset(img.items[off].word0), n,
                depth);
        }
        break;
      case orv::ITEM_SWITCH_STRING:
        texts[tag];
        cases(tag, true, 0, false, off, n, depth);
        break;
      case orv::ITEM_SWITCH_PRINTER_DATA:
      case orv::ITEM_SWITCH_LOCALE:
        cases(0xFFFF, false, 0, false, off, n, depth);  // not a selector: values not swept
        break;
      default:
        break;
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

// The trees the answer of the query's id walks, with the id their leaves answer.
std::vector<std::pair<uint16_t, uint32_t>> trees_of(const orv::Image& image, const IdInfo& info) {
  std::vector<std::pair<uint16_t, uint32_t>> trees;
  const orv::DrvTables* t = image.drv_tables;
  if (info.path == DrvPath::kCommandSequence && t && t->seq_ids) {
    for (uint32_t s = 0; s < t->seq_count; ++s) {
      if (t->seq_ids[s] != info.id) continue;
      for (uint32_t k = 0; k < t->seq_fragment_counts[s]; ++k) {
        uint64_t p = static_cast<uint64_t>(t->seq_first[s]) + k;
        if (p < t->seq_fragment_count) trees.push_back({0x5008, t->seq_fragments[p]});
      }
    }
  } else if (info.in_root) {
    trees.push_back({info.id, info.root_item});
  }
  return trees;
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

ValueSets collect_values(const orv::Image& image, const std::vector<uint32_t>& roots) {
  Collector c{image, {}, {}, {}, {}, {}, {}};
  for (uint32_t r : roots) c.visit(r, 0);
  ValueSets sets;
  for (auto& [sel, values] : c.plain) {
    if (sel == 0xFFFF) continue;
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

Sweep sweep_id(const orv::Image& image, Query* query) {
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
    }
  } else {
    std::vector<std::pair<uint16_t, uint32_t>> trees = trees_of(image, info);
    std::vector<uint32_t> roots;
    for (auto& t : trees) roots.push_back(t.second);
    ValueSets sets = collect_values(image, roots);
    std::map<uint16_t, uint32_t> sel;
    std::map<uint16_t, std::string> str;
    std::vector<std::string> base_strings = query->strings;

    std::function<void()> explore = [&]() {
      if (sweep.rows.size() >= kMaxRows) {
        throw UsageError("the answer space of " + hex_id(info.id) + " has more than " +
                         std::to_string(kMaxRows) + " combinations");
      }
      query->selectors = base;
      for (auto& [s, v] : sel)
        if (s < query->selectors.size()) query->selectors[s] = v;
      query->strings = base_strings;
      for (auto& [m, text] : str)
        if (m < query->strings.size()) query->strings[m] = text;
      const ORV_QUERY_CONTEXT* ctx = query->context();
      ReadHook hook = [&](char kind, uint16_t index) {
        return kind == 's' ? sel.count(index) > 0 : str.count(index) > 0;
      };
      for (auto& [tree_id, item] : trees) {
        Trace t = trace_item(image, tree_id, ctx, item, hook);
        if (t.result != kWalkStopped) continue;
        if (t.stop_kind == 's') {
          std::vector<uint32_t> values = sets.selectors.count(t.stop_index)
                                             ? sets.selectors.at(t.stop_index)
                                             : std::vector<uint32_t>{0};
          for (uint32_t v : values) {
            sel[t.stop_index] = v;
            explore();
          }
          sel.erase(t.stop_index);
        } else {
          std::vector<std::string> texts = sets.strings.count(t.stop_index)
                                               ? sets.strings.at(t.stop_index)
                                               : std::vector<std::string>{""};
          for (const std::string& text : texts) {
            str[t.stop_index] = text;
            explore();
          }
          str.erase(t.stop_index);
        }
        return;
      }
      SweepRow r;
      r.selectors = sel;
      r.strings = str;
      for (auto& [s, v] : sel) sel_cols.insert(s);
      for (auto& [m, v] : str) str_cols.insert(m);
      r.answer = ask(image, query);
      sweep.rows.push_back(std::move(r));
    };
    explore();
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
