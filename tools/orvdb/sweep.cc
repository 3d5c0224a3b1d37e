#include "sweep.h"

#include <algorithm>
#include <set>

#include "drvrecords/drv_query_steps.h"
#include "drvrecords/drv_tables.h"
#include "orvdb/host_platform.h"

namespace orvtool {
namespace {

constexpr size_t kMaxRows = 100000;

// The values the cases of one numeric input name.
struct NumberCases {
  std::vector<uint32_t> values;                      // case values and range bounds, in order met
  std::vector<std::pair<int32_t, int32_t>> ranges;   // range cases
  std::map<uint32_t, std::vector<uint32_t>> masked;  // mask -> the masked switches' case values
};

// The values the cases and branches of a set of trees name, per input.
struct Collector {
  const orv::Image* image = nullptr;  // the image whose trees are visited now
  std::map<std::pair<orv::WalkRead, uint16_t>, NumberCases> numbers;  // numeric input -> cases
  std::map<uint16_t, std::vector<std::string>> texts;                 // match string -> case texts
  std::set<uint32_t> seen;  // items of `image` visited already

  template <typename T>
  static void add(std::vector<T>* v, const T& x) {
    if (std::find(v->begin(), v->end(), x) == v->end()) v->push_back(x);
  }

  // The numeric input an item of tag meaning `meaning` reads, if any.
  static std::optional<orv::WalkRead> number_input(orv::TagMeaning meaning) {
    switch (meaning) {
      case orv::TagMeaning::kSelector:
        return orv::WalkRead::kSelector;
      case orv::TagMeaning::kPrinterData:
        return orv::WalkRead::kPrinterData;
      case orv::TagMeaning::kLocale:
        return orv::WalkRead::kCountryCode;
      default:
        return std::nullopt;
    }
  }

  // What case or branch `c` of an item reading `meaning` with `tag` names.
  void name_value(orv::TagMeaning meaning, uint16_t tag, const orv::ItemLinks& links, orv::Item c) {
    const orv::Image& img = *image;
    const orv::KindInfo& kind = orv::kind_info(orv::item_kind(c.word0));
    if (meaning == orv::TagMeaning::kMatchString) {
      uint32_t offset = 0, length = 0;
      if (kind.test == orv::CaseTest::kText &&
          orv::case_text(img, c, &offset, &length) == orv::CaseText::kFound) {
        add(&texts[tag],
            std::string(reinterpret_cast<const char*>(img.match_pool + offset), length));
      }
      return;
    }
    std::optional<orv::WalkRead> input = number_input(meaning);
    if (!input) return;
    NumberCases& cases = numbers[{*input, tag}];
    int32_t lo = 0, hi = 0;
    if (kind.tag == orv::TagMeaning::kBranchValue) {
      add(&cases.values, uint32_t{orv::item_tag(c.word1)});
    } else if (kind.test == orv::CaseTest::kValue) {
      add(links.masked ? &cases.masked[links.mask] : &cases.values, c.word1);
    } else if (kind.test == orv::CaseTest::kRange && orv::range_bounds(img, c, &lo, &hi)) {
      cases.ranges.push_back({lo, hi});
      add(&cases.values, static_cast<uint32_t>(lo));
      add(&cases.values, static_cast<uint32_t>(hi));
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
    if (std::optional<orv::WalkRead> input = number_input(meaning)) numbers[{*input, tag}];
    if (meaning == orv::TagMeaning::kMatchString) texts[tag];
    for (uint32_t i = 0; i < links.inside; ++i) {
      name_value(meaning, tag, links, img.items[links.first + i]);
      visit(links.first + i, depth + 1);
    }
  }
};

// The values of one numeric input: those its cases name, then the masked
// switches' case values, then the lowest value from 0 up that no case takes.
std::vector<uint32_t> number_values(const NumberCases& c) {
  std::vector<uint32_t> all = c.values;
  for (auto& [mask, values] : c.masked) {
    for (uint32_t v : values) Collector::add(&all, v);
  }
  for (uint32_t v = 0;; ++v) {
    bool taken = std::find(c.values.begin(), c.values.end(), v) != c.values.end();
    for (auto& [lo, hi] : c.ranges) {
      taken = taken || (lo <= static_cast<int32_t>(v) && static_cast<int32_t>(v) <= hi);
    }
    for (auto& [mask, values] : c.masked) {
      taken = taken || std::find(values.begin(), values.end(), v & mask) != values.end();
    }
    if (!taken) {
      all.push_back(v);
      return all;
    }
  }
}

// Stops a walk before it reads an input the combination does not set yet
// (or the selector the Drv code sets itself for an attribute lookup), and
// records which.
struct ReadStop : orv::NoObserver {
  static constexpr bool kWatches = true;
  const Combination* set = nullptr;            // the values set so far
  uint16_t set_by_library = orv::kNoSelector;  // a selector the walk's own code sets
  std::optional<Read> stopped;                 // the read that stopped the walk
  bool may_read(orv::WalkRead what, uint16_t index) {
    bool known = false;
    switch (what) {
      case orv::WalkRead::kSelector:
        known = index == set_by_library || set->selectors.count(index) > 0;
        break;
      case orv::WalkRead::kMatchString:
        known = set->strings.count(index) > 0;
        break;
      case orv::WalkRead::kPrinterData:
        known = set->printer_data.count(index) > 0 || set->no_printer();
        break;
      case orv::WalkRead::kCountryCode:
        known = set->country.has_value();
        break;
    }
    if (!known) stopped = Read{what, index};
    return known;
  }
};

// Watches a Drv path: each of its walks by a ReadStop; the first read any
// of them stopped before.
struct DrvReadStop : orv::NoDrvObserver {
  static constexpr bool kWatches = true;
  using WalkObserver = ReadStop;
  const Combination* set = nullptr;             // the values set so far
  uint16_t record_selector = orv::kNoSelector;  // the selector set for the record's lookups
  ReadStop walk;                                // the walk under way
  std::optional<Read> stopped;                  // the first read a walk stopped before
  WalkObserver* walk_starts(orv::DrvWalk why, uint16_t, uint32_t, const ORV_QUERY_CONTEXT*) {
    walk = ReadStop{};
    walk.set = set;
    if (why == orv::DrvWalk::kAttribute) walk.set_by_library = record_selector;
    return &walk;
  }
  void walk_ends(int32_t, const orv::Leaf&) {
    if (!stopped) stopped = walk.stopped;
  }
  // The attribute lookups walk once for all records, forked at the selector
  // the records set.
  WalkObserver* forked_walk_starts(orv::DrvWalk, uint32_t, const ORV_QUERY_CONTEXT*,
                                   const orv::ForkedWalks& fork) {
    walk = ReadStop{};
    walk.set = set;
    walk.set_by_library = fork.selector;
    return &walk;
  }
  void forked_walk_ends(const orv::ForkedWalks&) {
    if (!stopped) stopped = walk.stopped;
  }
  void record_starts(uint32_t, uint16_t selector, uint32_t) { record_selector = selector; }
};

// Sets `index` of `set` to each of `choices` in turn and goes on with
// `next`; false when `next` ended the enumeration.
template <typename Value>
bool fork(std::map<uint16_t, Value>* set, uint16_t index, const std::vector<Value>& choices,
          const std::function<bool()>& next) {
  for (const Value& v : choices) {
    (*set)[index] = v;
    if (!next()) return false;
  }
  set->erase(index);
  return true;
}

template <typename Value>
std::vector<Value> choices_of(const std::map<uint16_t, std::vector<Value>>& values, uint16_t index,
                              const Value& none) {
  auto found = values.find(index);
  if (found != values.end()) return found->second;
  return std::vector<Value>(1, none);
}

std::string cell_text(const std::string& s) {
  std::string q = "\"";
  for (char c : s) q += (c == '"' ? std::string("\\\"") : std::string(1, c));
  return q + "\"";
}

// A CSV field as RFC 4180 writes it: quoted, with its quotes doubled, when
// it holds a comma, a quote or a line break.
std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// A printer value as a cell, and after "pTAG=" in a combination's text.
std::string printer_value_text(const PrinterValue& v) {
  switch (v.state) {
    case PrinterValue::State::kSet:
      return std::to_string(v.value);
    case PrinterValue::State::kAbsent:
      return "absent";
    case PrinterValue::State::kNoPrinter:
      return "no printer";
  }
  return "?";
}

// Header and cells of every row, as text and CSV show them.
std::vector<std::vector<std::string>> table(const Sweep& sweep, bool csv) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head;
  for (uint16_t s : sweep.selector_columns) head.push_back("s" + std::to_string(s));
  for (uint16_t m : sweep.string_columns) head.push_back("m" + std::to_string(m));
  for (uint16_t p : sweep.printer_columns) head.push_back("p" + std::to_string(p));
  if (sweep.country_column) head.push_back("country");
  head.push_back("result");
  head.push_back("answer");
  rows.push_back(head);
  for (const SweepRow& r : sweep.rows) {
    const Combination& c = r.settings;
    std::vector<std::string> cells;
    for (uint16_t s : sweep.selector_columns) {
      cells.push_back(c.selectors.count(s) ? std::to_string(c.selectors.at(s)) : "-");
    }
    for (uint16_t m : sweep.string_columns) {
      cells.push_back(c.strings.count(m) ? (csv ? c.strings.at(m) : cell_text(c.strings.at(m)))
                                         : "-");
    }
    for (uint16_t p : sweep.printer_columns) {
      cells.push_back(c.printer_data.count(p) ? printer_value_text(c.printer_data.at(p))
                      : c.no_printer()        ? "no printer"
                                              : "-");
    }
    if (sweep.country_column) cells.push_back(c.country ? std::to_string(*c.country) : "-");
    cells.push_back(result_name(r.answer.result));
    cells.push_back(r.answer.result != DB_OK ? ""
                    : csv                    ? answer_cell(r.answer)
                                             : answer_line(r.answer));
    rows.push_back(cells);
  }
  return rows;
}

// The text of a 16-bit-character answer, up to its NUL.
std::string narrow_text(const Answer& a) {
  std::string s;
  for (size_t at = 0; at + 1 < a.bytes.size(); at += 2) {
    uint16_t c = static_cast<uint16_t>(a.bytes[at] | (a.bytes[at + 1] << 8));
    if (c == 0) break;
    s += static_cast<char>(c < 0x80 ? c : '?');
  }
  return s;
}

// "25 26 29": the numbers of a set.
std::string numbers_text(const std::set<uint16_t>& set) {
  std::string s;
  for (uint16_t v : set) s += (s.empty() ? "" : " ") + std::to_string(v);
  return s;
}

}  // namespace

bool Combination::no_printer() const {
  for (const auto& [tag, v] : printer_data) {
    if (v.state == PrinterValue::State::kNoPrinter) return true;
  }
  return false;
}

std::string combination_text(const Combination& c) {
  std::string s;
  auto add = [&](const std::string& part) { s += (s.empty() ? "" : " ") + part; };
  for (const auto& [index, value] : c.selectors)
    add("s" + std::to_string(index) + "=" + std::to_string(value));
  for (const auto& [index, text] : c.strings)
    add("m" + std::to_string(index) + "=\"" + text + "\"");
  if (c.no_printer()) {
    add("no printer");
  } else {
    for (const auto& [tag, value] : c.printer_data)
      add("p" + std::to_string(tag) + "=" + printer_value_text(value));
  }
  if (c.country) add("country=" + std::to_string(*c.country));
  return s;
}

nlohmann::json combination_json(const Combination& c) {
  nlohmann::json j;
  j["selectors"] = nlohmann::json::object();
  for (const auto& [index, value] : c.selectors) j["selectors"][std::to_string(index)] = value;
  j["strings"] = nlohmann::json::object();
  for (const auto& [index, text] : c.strings) j["strings"][std::to_string(index)] = text;
  j["printer_values"] = nlohmann::json::object();
  for (const auto& [tag, value] : c.printer_data) {
    j["printer_values"][std::to_string(tag)] = value.state == PrinterValue::State::kSet
                                                   ? nlohmann::json(value.value)
                                                   : nlohmann::json(printer_value_text(value));
  }
  j["country"] = c.country ? nlohmann::json(*c.country) : nlohmann::json(nullptr);
  return j;
}

std::vector<uint32_t> value_trees(const orv::Image& image, const IdInfo& info) {
  std::vector<uint32_t> trees;
  for (const AnswerTree& tree : answer_trees(image, info)) trees.push_back(tree.item);
  return trees;
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
  for (auto& [input, cases] : c.numbers) {
    std::vector<uint32_t> values = number_values(cases);
    switch (input.first) {
      case orv::WalkRead::kSelector:
        sets.selectors[input.second] = values;
        break;
      case orv::WalkRead::kPrinterData:
        sets.printer_data[input.second] = values;
        break;
      default:
        for (uint32_t v : values) Collector::add(&sets.countries, v);
        break;
    }
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

std::optional<Read> first_unset_read(const AnswerWalks& walks, const Combination& c,
                                     const ORV_QUERY_CONTEXT* given) {
  const orv::Image& image = *walks.image;
  const IdInfo& info = walks.info;
  SeenContext seen(given);
  const ORV_QUERY_CONTEXT* ctx = seen.get();
  if (info.special == nullptr || info.path == DrvPath::kModeRecord) {
    if (!info.in_root) return std::nullopt;
    ReadStop stop;
    stop.set = &c;
    orv::Leaf leaf{};
    orv::observe_walk(image, info.id, ctx, info.root_item, &leaf, &stop);
    return stop.stopped;
  }
  // The two calls a caller makes: the size, then a buffer that holds it.
  DrvReadStop stop;
  stop.set = &c;
  uint32_t needed = 0;
  int32_t result = orv::drv_query_steps(image, info.id, ctx, 0, nullptr, &needed, &stop);
  if (stop.stopped || result != DB_MORE_DATA) return stop.stopped;
  std::vector<uint8_t> buffer(needed + 1);
  orv::drv_query_steps(image, info.id, ctx, needed, buffer.data(), &needed, &stop);
  return stop.stopped;
}

void for_each_combination(
    const std::vector<AnswerWalks>& sides, const ValueSets& sets,
    const std::function<const ORV_QUERY_CONTEXT*(const Combination&)>& context,
    const std::function<bool(const Combination&)>& each) {
  Combination c;
  std::function<bool()> explore = [&]() {
    const ORV_QUERY_CONTEXT* ctx = context(c);
    for (const AnswerWalks& side : sides) {
      std::optional<Read> read = first_unset_read(side, c, ctx);
      if (!read) continue;
      switch (read->what) {
        case orv::WalkRead::kSelector:
          return fork(&c.selectors, read->index, choices_of(sets.selectors, read->index, 0u),
                      explore);
        case orv::WalkRead::kMatchString:
          return fork(&c.strings, read->index, choices_of(sets.strings, read->index, std::string()),
                      explore);
        case orv::WalkRead::kPrinterData: {
          std::vector<PrinterValue> choices;
          for (uint32_t v : choices_of(sets.printer_data, read->index, 0u))
            choices.push_back({PrinterValue::State::kSet, v});
          choices.push_back({PrinterValue::State::kAbsent, 0});
          choices.push_back({PrinterValue::State::kNoPrinter, 0});
          return fork(&c.printer_data, read->index, choices, explore);
        }
        case orv::WalkRead::kCountryCode: {
          std::vector<uint32_t> choices = sets.countries;
          if (choices.empty()) choices.push_back(0);
          for (uint32_t v : choices) {
            c.country = static_cast<int32_t>(v);
            if (!explore()) return false;
          }
          c.country.reset();
          return true;
        }
      }
    }
    return each(c);
  };
  explore();
}

SweepPlatform::SweepPlatform(std::vector<const orv::Image*> images) : images_(std::move(images)) {
  set_up_fixed_platform();
}

const std::vector<std::string>& SweepPlatform::value_names(uint16_t tag) {
  auto found = names_.find(tag);
  if (found != names_.end()) return found->second;
  std::vector<std::string> names;
  for (const orv::Image* image : images_) {
    // The name is the value-name id's answer for selector 0 = the tag.
    Query q;
    q.domain = Domain::kRoot;
    q.id = orv::kValueNameId;
    q.info = analyse_id(*image, Domain::kRoot, orv::kValueNameId);
    q.selectors.assign(std::max<uint32_t>(q.info.selector_count, 1), 0);
    q.selectors[0] = tag;
    Answer a = ask(*image, &q);
    std::string name = narrow_text(a);
    if (a.result == DB_OK && !name.empty() &&
        std::find(names.begin(), names.end(), name) == names.end()) {
      names.push_back(name);
    }
  }
  return names_[tag] = names;
}

std::string SweepPlatform::set_up(const Combination& c) {
  if (values_set_ || !c.printer_data.empty()) {
    set_up_fixed_platform();  // a printer without any value
    values_set_ = false;
  }
  orv_host_set_country(std::to_string(c.country.value_or(kFixedCountry)).c_str());
  if (c.no_printer()) return "";
  for (const auto& [tag, v] : c.printer_data) {
    if (v.state != PrinterValue::State::kSet) continue;
    for (const std::string& name : value_names(tag)) {
      orv_host_set_printer_data(kFixedPrinter, name.c_str(), &v.value, sizeof v.value);
      values_set_ = true;
    }
  }
  return kFixedPrinter;
}

std::string held_fixed_text(const std::vector<IdInfo>& infos) {
  std::set<uint16_t> only, also, values;
  for (const IdInfo& info : infos) {
    only.insert(info.computed_only.begin(), info.computed_only.end());
    also.insert(info.computed_also.begin(), info.computed_also.end());
    values.insert(info.computed_printer_tags.begin(), info.computed_printer_tags.end());
  }
  std::string s = "clock " + fixed_clock_text();
  if (!only.empty()) {
    s += "; selector" + std::string(only.size() > 1 ? "s " : " ") + numbers_text(only) +
         " at 0 where only computed items read " + (only.size() > 1 ? "them" : "it");
  }
  if (!also.empty()) {
    s += "; selector" + std::string(also.size() > 1 ? "s " : " ") + numbers_text(also) +
         " only at the values the trees tell apart, though computed items read " +
         (also.size() > 1 ? "them" : "it") + " whole";
  }
  if (!values.empty()) {
    s += "; printer value" + std::string(values.size() > 1 ? "s " : " ") + numbers_text(values) +
         " absent (read only by computed items)";
  }
  return s;
}

Sweep sweep_id(const orv::Image& image, Query* query, bool until_answer,
               const std::function<void(const SweepRow&)>& stream) {
  Sweep sweep;
  const IdInfo& info = query->info;
  sweep.held_fixed = held_fixed_text({info});
  std::set<uint16_t> sel_cols, str_cols, printer_cols;
  std::vector<uint32_t> base = query->selectors;
  SweepPlatform platform({&image});
  // Keeps or streams a row; false when the sweep ends with it.
  auto add = [&](SweepRow row) {
    ++sweep.row_count;
    sweep.answered = sweep.answered || row.answer.result == DB_OK;
    bool more = !until_answer || row.answer.result != DB_OK;
    if (stream) {
      stream(row);
    } else {
      sweep.rows.push_back(std::move(row));
    }
    return more;
  };
  if (info.path == DrvPath::kModeRecord && image.drv_tables && image.drv_tables->mode_rows) {
    // The mode table is the id's decision table: one combination per row.
    const orv::DrvTables* t = image.drv_tables;
    query->printer = platform.set_up(Combination{});
    for (uint32_t row = 0; row < t->mode_count && row < kMaxRows; ++row) {
      SweepRow r;
      query->selectors = base;
      for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
        uint16_t s = orv::kModeKeySelectors[k];
        uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(t->mode_rows[row].keys[k]));
        r.settings.selectors[s] = v;
        sel_cols.insert(s);
        if (s < query->selectors.size()) query->selectors[s] = v;
      }
      r.answer = ask(image, query);
      if (!add(std::move(r))) break;
    }
  } else {
    std::vector<std::string> base_strings = query->strings;
    auto context = [&](const Combination& c) {
      query->selectors = base;
      for (auto& [s, v] : c.selectors)
        if (s < query->selectors.size()) query->selectors[s] = v;
      query->strings = base_strings;
      for (auto& [m, text] : c.strings)
        if (m < query->strings.size()) query->strings[m] = text;
      query->printer = platform.set_up(c);
      return query->context();
    };
    auto each = [&](const Combination& c) {
      if (sweep.row_count >= kMaxRows) {
        throw UsageError("the answer space of " + hex_id(info.id) + " has more than " +
                         std::to_string(kMaxRows) + " combinations");
      }
      for (auto& [s, v] : c.selectors) sel_cols.insert(s);
      for (auto& [m, v] : c.strings) str_cols.insert(m);
      for (auto& [p, v] : c.printer_data) printer_cols.insert(p);
      sweep.country_column = sweep.country_column || c.country.has_value();
      return add(SweepRow{c, ask(image, query)});
    };
    for_each_combination({AnswerWalks{&image, info}},
                         collect_values({{&image, value_trees(image, info)}}), context, each);
  }
  sweep.selector_columns.assign(sel_cols.begin(), sel_cols.end());
  sweep.string_columns.assign(str_cols.begin(), str_cols.end());
  sweep.printer_columns.assign(printer_cols.begin(), printer_cols.end());
  return sweep;
}

void print_sweep_text(const Sweep& sweep, std::ostream& out) {
  out << "held fixed: " << sweep.held_fixed << "\n";
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
  out << sweep.rows.size() << (sweep.rows.size() == 1 ? " combination\n" : " combinations\n");
}

void print_sweep_csv(const Sweep& sweep, std::ostream& out) {
  for (auto& r : table(sweep, true)) {
    for (size_t i = 0; i < r.size(); ++i) out << (i ? "," : "") << csv_field(r[i]);
    out << "\r\n";
  }
}

nlohmann::json sweep_head_json(const Query& query) {
  return {{"domain", domain_name(query.domain)},
          {"id", query.id},
          {"held_fixed", held_fixed_text({query.info})},
          {"platform", fixed_platform_json()}};
}

nlohmann::json sweep_row_json(const SweepRow& row) {
  return {{"combination", combination_json(row.settings)}, {"answer", answer_json(row.answer)}};
}

nlohmann::json sweep_end_json(const Sweep& sweep) {
  return {{"columns",
           {{"selectors", sweep.selector_columns},
            {"strings", sweep.string_columns},
            {"printer_values", sweep.printer_columns},
            {"country", sweep.country_column}}},
          {"count", sweep.row_count}};
}

nlohmann::json sweep_json(const Query& query, const Sweep& sweep) {
  nlohmann::json j = sweep_head_json(query);
  j["rows"] = nlohmann::json::array();
  for (const SweepRow& r : sweep.rows) j["rows"].push_back(sweep_row_json(r));
  j.update(sweep_end_json(sweep));
  return j;
}

}  // namespace orvtool
