#include "explain.h"

#include <stdio.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>

#include "drvrecords/drv_query_steps.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/value_records.h"
#include "engine/walk.h"
#include "modelc/image_dump.h"
#include "modelc/text_forms.h"
#include "query_setup.h"

namespace orvtool {
namespace {

std::string hex32(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

std::string number(uint32_t v) {
  return v < 10 ? std::to_string(v) : std::to_string(v) + " (" + hex32(v) + ")";
}

const char* fault_text(orv::WalkFault why) {
  switch (why) {
    case orv::WalkFault::kTooDeep:
      return "deeper than the walk's limit, or past its visit budget";
    case orv::WalkFault::kBeyondTable:
      return "an item it leads to lies beyond the item table";
    case orv::WalkFault::kInvalidKind:
      return "an item of this kind cannot be walked";
    case orv::WalkFault::kNotACase:
      return "an item that is no case of this switch stands among its cases";
    case orv::WalkFault::kNoMask:
      return "its first child is not a MASK item";
    case orv::WalkFault::kRangeBeyondPool:
      return "a range case's bounds lie outside the i32 pool";
    case orv::WalkFault::kBadCaseText:
      return "a case text is not a BYTES item inside the match-string pool";
    case orv::WalkFault::kNoContext:
      return "no query context";
    case orv::WalkFault::kNoSwitchValue:
      return "the switch value cannot be read";
  }
  return "";
}

// Prints a walk as the engine makes it: one line per item entered, case or
// branch passed over or taken, and leaf met; the line of each item entered
// closes with its result and, when it did not answer, why.
class Explainer : public orv::NoObserver {
 public:
  static constexpr bool kWatches = true;

  Explainer(const orv::Image& image, const ORV_QUERY_CONTEXT* ctx) : img_(image), ctx_(ctx) {}

  void leaf(uint32_t index, orv::Item, bool answers) {
    if (answers) {
      found_ = index;
      answering_.push_back(index);
    }
    step_to(index);
    add(child_depth(),
        item_text(index) + (answers ? ": the leaf => DB_OK" : ": another id's leaf"));
  }
  void enter(uint32_t index, orv::Item item) {
    step_to(index);
    int depth = child_depth();
    frames_.push_back(Frame{add(depth, item_text(index)), depth, item, index});
  }
  void leave(int32_t result) {
    Frame& f = frames_.back();
    lines_[f.line].second += " => " + result_name(result);
    std::string why = reason(f, result);
    if (!why.empty()) lines_[f.line].second += ": " + why;
    frames_.pop_back();
  }
  void value_read(uint32_t value, uint32_t first_case) {
    Frame& f = frames_.back();
    f.read = true;
    f.value = value;
    orv::Item sw = f.item;
    uint16_t tag = orv::item_tag(sw.word1);
    std::string& line = lines_[f.line].second;
    switch (orv::kind_info(orv::item_kind(sw.word0)).tag) {
      case orv::TagMeaning::kPrinterData:
        line += ": printer data " + std::to_string(tag);
        break;
      case orv::TagMeaning::kLocale:
        line += ": country code";
        break;
      default: {
        line += ": selector " + std::to_string(tag);
        orv::ItemLinks links{};
        if (orv::item_links(img_, sw, &links) && links.masked) line += " & " + hex32(links.mask);
      }
    }
    line += first_case == 0 ? " = " + number(value) : " absent: only the trailing default applies";
  }
  void string_read(const char* text) {
    Frame& f = frames_.back();
    lines_[f.line].second += ": match string " + std::to_string(orv::item_tag(f.item.word1)) +
                             " = " + orv::quoted_text(text);
  }
  void passed(uint32_t index, orv::Item) {
    add(frames_.back().depth + 1, item_text(index) + ": skipped");
  }
  void taken(uint32_t index, orv::Item item) {
    Frame& f = frames_.back();
    f.taken = true;
    route_.emplace_back(f.index, index);
    f.went_to = index;
    // A branch shows as the item it is; a case as a line of its own above its target.
    if (orv::kind_info(orv::item_kind(item.word0)).shape != orv::ItemShape::kCase) return;
    add(f.depth + 1, item_text(index) + ": taken");
    f.case_line = true;
  }
  void fault(orv::WalkFault why) { fault_ = fault_text(why); }
  void fork_group(uint32_t, uint64_t group, const orv::ForkedWalks& fork) {
    // Each value once: the walks of several ids share their values.
    std::vector<uint32_t> values;
    for (uint32_t k = 0; k < fork.count; ++k) {
      if (((group >> k) & 1) &&
          std::find(values.begin(), values.end(), fork.values[k]) == values.end())
        values.push_back(fork.values[k]);
    }
    std::string text;
    for (uint32_t v : values) text += " " + std::to_string(v);
    add(child_depth(), "for selector " + std::to_string(fork.selector) + " =" + text + ":");
  }

  // The index of the leaf that answered.
  uint32_t found() const { return found_; }
  // Every leaf that answered one of the walks, in the order met: a forked
  // walk meets one per value at most.
  const std::vector<uint32_t>& answering() const { return answering_; }
  // Each step the walk took (ExplainedWalk::route).
  const std::vector<std::pair<uint32_t, uint32_t>>& route() const { return route_; }

  // The lines, indented by `indent` more levels.
  void print(std::ostream& out, int indent) const {
    for (const auto& [depth, text] : lines_)
      out << std::string(static_cast<size_t>(indent + depth) * 2, ' ') << text << "\n";
    if (!fault_.empty() && !explained_) out << std::string(indent * 2, ' ') << fault_ << "\n";
  }

 private:
  struct Frame {
    size_t line;                           // its line
    int depth;                             // its nesting
    orv::Item item;                        // the item entered
    uint32_t index;                        // its item index
    bool read = false;                     // a switch value was read
    uint32_t value = 0;                    // that value
    bool taken = false;                    // a case or branch was taken
    bool case_line = false;                // a case line stands between it and what follows
    uint32_t went_to = orv::kUnknownItem;  // the case or branch taken, until the walk moves on
  };

  // The walk reached item `index` from the innermost item entered: through
  // the case it took, or as the branch it took, or as its child.
  void step_to(uint32_t index) {
    if (frames_.empty()) return;  // the tree's root
    Frame& f = frames_.back();
    uint32_t via = f.went_to;
    f.went_to = orv::kUnknownItem;
    if (via == index) return;  // the branch taken, now entered
    route_.emplace_back(via != orv::kUnknownItem ? via : f.index, index);
  }

  std::string item_text(uint32_t index) const { return orv::item_text(img_, index, false); }
  size_t add(int depth, const std::string& text) {
    lines_.emplace_back(depth, text);
    return lines_.size() - 1;
  }
  int child_depth() const {
    if (frames_.empty()) return 0;
    return frames_.back().depth + (frames_.back().case_line ? 2 : 1);
  }

  // Why an item answered what it did: for DB_NOT_FOUND what it tried, for an
  // error the first item that met it.
  std::string reason(const Frame& f, int32_t result) {
    uint8_t kind = orv::item_kind(f.item.word0);
    const orv::KindInfo& info = orv::kind_info(kind);
    uint16_t tag = orv::item_tag(f.item.word1);
    if (result == DB_OK) return "";
    if (result == DB_NOT_FOUND) {
      switch (info.shape) {
        case orv::ItemShape::kSelect:
          return f.taken ? "the branch taken holds no answer"
                         : "no branch for selector " + std::to_string(tag) +
                               (f.read ? " = " + std::to_string(f.value) : "");
        case orv::ItemShape::kSwitch:
        case orv::ItemShape::kStringSwitch:
          if (f.taken) return "the case taken holds no answer";
          if (info.shape == orv::ItemShape::kSwitch && !f.read)
            return "the printer has no such value and no default applies";
          return "no case matches" +
                 (info.shape == orv::ItemShape::kSwitch ? " " + number(f.value) : "");
        default:
          return orv::item_count(f.item.word1) == 0 ? "no children" : "no child holds an answer";
      }
    }
    if (explained_) return "";
    explained_ = true;
    if (!fault_.empty()) return fault_;
    if (result == DB_NO_SELECTOR) {
      return "selector " + std::to_string(tag) + " missing (context holds " +
             std::to_string(ctx_ && ctx_->pSelectors ? ctx_->cSelectors : 0) + ")";
    }
    if (result == DB_NO_MATCH_STRING) {
      return "match string " + std::to_string(tag) + " missing (context holds " +
             std::to_string(ctx_ && ctx_->ppStrings ? ctx_->cStrings : 0) + ")";
    }
    return "";
  }

  const orv::Image& img_;
  const ORV_QUERY_CONTEXT* ctx_;
  std::vector<std::pair<int, std::string>> lines_;    // (depth, text)
  std::vector<Frame> frames_;                         // the items entered and not yet left
  std::vector<std::pair<uint32_t, uint32_t>> route_;  // the steps taken
  std::string fault_;                                 // why the walk met DB_ERROR
  bool explained_ = false;                            // an error's reason has been given
  uint32_t found_ = orv::kUnknownItem;                // the leaf that answered
  std::vector<uint32_t> answering_;                   // every leaf that answered
};

// The name of a value-record word at byte offset `field`.
const char* field_name(uint32_t field) {
  switch (field) {
    case orv::kRecordValue:
      return "value";
    case orv::kRecordAttr1:
      return "attr1";
    case orv::kRecordAttr2:
      return "attr2";
    case orv::kRecordAttr3:
      return "attr3";
    case orv::kRecordMark:
      return "mark";
  }
  return "?";
}

// A leaf by its words: kind, id and element count.
std::string leaf_text(const orv::Leaf& leaf) {
  return std::string(orv::kind_info(orv::item_kind(leaf.word0)).name) +
         " id=" + hex_id(orv::item_tag(leaf.word1)) +
         " n=" + std::to_string(orv::item_count(leaf.word1));
}

const char* walk_name(orv::DrvWalk why) {
  switch (why) {
    case orv::DrvWalk::kList:
      return "list";
    case orv::DrvWalk::kAttribute:
      return "attribute";
    case orv::DrvWalk::kComparedList:
      return "compared list";
    case orv::DrvWalk::kMarker:
      return "marker pair";
    case orv::DrvWalk::kFragment:
      return "fragment";
  }
  return "?";
}

// "s4=1 s9=0 s5=1 s8=1 s6=2 s81=0": six mode-table keys.
std::string mode_keys_text(const int32_t keys[orv::kModeKeyCount]) {
  std::string s;
  for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
    s += (k ? " s" : "s") + std::to_string(orv::kModeKeySelectors[k]) + "=" +
         std::to_string(keys[k]);
  }
  return s;
}

// Prints a Drv path as its observer sees it, into lines of its own: one
// call of the handler (begin_call starts another).
class DrvExplainer : public orv::NoDrvObserver {
 public:
  static constexpr bool kWatches = true;
  using WalkObserver = Explainer;

  DrvExplainer(const orv::Image& image, const ORV_QUERY_CONTEXT* ctx) : img_(image), ctx_(ctx) {}

  // Forgets what the last call printed.
  void begin_call() {
    out_.str("");
    walks_.clear();
  }
  // What the current call printed, and its walks.
  std::string text() const { return out_.str(); }
  const std::vector<ExplainedWalk>& walks() const { return walks_; }

  void special_row(const orv::DrvSpecialId& row) { line(special_row_text(row)); }
  Explainer* walk_starts(orv::DrvWalk why, uint16_t id, uint32_t item,
                         const ORV_QUERY_CONTEXT* ctx) {
    bool attribute = why == orv::DrvWalk::kAttribute;
    in_record_ = in_record_ && attribute;  // the records' lookups are over
    walk_.emplace(img_, ctx);
    walks_.push_back(ExplainedWalk{item,
                                   id,
                                   DB_ERROR,
                                   {},
                                   attribute ? set_selector_ : orv::kNoSelector,
                                   attribute ? set_value_ : 0,
                                   walk_name(why)});
    std::string head = std::string(walk_name(why)) + " " + hex_id(id);
    if (item == orv::kUnknownItem) {
      walk_head_ = head + ": root lookup";
    } else {
      line(head + ":", level());
    }
    return &*walk_;
  }
  void walk_ends(int32_t result, const orv::Leaf& leaf) {
    ExplainedWalk& w = walks_.back();
    w.result = result;
    w.leaf = leaf;
    if (w.item == orv::kUnknownItem) {
      line(walk_head_ + " => " + result_name(result) +
               (result == DB_NO_ENTRY ? ": not in the root index" : ""),
           level());
      return;
    }
    walk_->print(out_, level() + 2);
    w.route = walk_->route();
    if (result == DB_OK) w.leaf_item = walk_->found();
    if (result == DB_OK) line("leaf: " + orv::item_text(img_, walk_->found()), level() + 1);
  }
  // One walk forked at the selector the records set: its steps once, then
  // each value's result, each a walk of its own for the caller.
  Explainer* forked_walk_starts(orv::DrvWalk why, uint32_t item, const ORV_QUERY_CONTEXT* ctx,
                                const orv::ForkedWalks& fork) {
    in_record_ = false;
    walk_.emplace(img_, ctx);
    std::string ids;
    std::string values;
    for (uint32_t k = 0; k < fork.count; ++k) {
      if (ids.find(hex_id(fork.ids[k])) == std::string::npos) ids += " " + hex_id(fork.ids[k]);
      if (k == 0 || fork.values[k] != fork.values[k - 1]) {
        values += " " + std::to_string(fork.values[k]);
      }
    }
    fork_head_ = std::string(walk_name(why)) + ids + ", one walk forked at selector " +
                 std::to_string(fork.selector) + " =" + values;
    fork_item_ = item;
    return &*walk_;
  }
  void forked_walk_ends(const orv::ForkedWalks& fork) {
    line(fork_head_ + ":");
    walk_->print(out_, 2);
    for (uint32_t k = 0; k < fork.count; ++k) {
      walks_.push_back(ExplainedWalk{fork_item_, fork.ids[k], fork.results[k], fork.leaves[k],
                                     fork.selector, fork.values[k]});
      // Each value's walk is the forked walk's route, ending at the leaf met
      // that holds its answer.
      ExplainedWalk& w = walks_.back();
      w.route = walk_->route();
      for (uint32_t index : walk_->answering()) {
        if (fork.results[k] == DB_OK && img_.items[index].word0 == fork.leaves[k].word0 &&
            img_.items[index].word1 == fork.leaves[k].word1) {
          w.leaf_item = index;
          break;
        }
      }
      line(hex_id(fork.ids[k]) + " with selector " + std::to_string(fork.selector) + " = " +
               std::to_string(fork.values[k]) + " => " + result_name(fork.results[k]) +
               (fork.results[k] == DB_OK ? ": " + leaf_text(fork.leaves[k]) : ""),
           1);
    }
  }
  void fetched(int32_t result, uint32_t size) {
    line("fetched: " + result_name(result) + ", " + std::to_string(size) + " bytes", level() + 1);
  }
  void needed(uint32_t bytes) {
    in_record_ = false;
    line("needed: " + std::to_string(bytes) + " bytes");
  }
  void table_row(orv::DrvTable table, uint32_t row) {
    const orv::DrvTables& t = *img_.drv_tables;
    switch (table) {
      case orv::DrvTable::kSelectorSlot:
        in_record_ = false;
        line("selector-value table, slot " + std::to_string(row) + ": selector " +
             std::to_string(t.sel_indices[row]) + ", " + std::to_string(t.sel_value_counts[row]) +
             " values from position " + std::to_string(t.sel_first[row]));
        return;
      case orv::DrvTable::kSelectorValue: {
        // The full list reads only the values: an image may lack the identifiers.
        std::string id = t.sel_value_ids != nullptr && row < t.sel_value_count
                             ? ", id " + std::to_string(t.sel_value_ids[row])
                             : "";
        line("selector-value table, position " + std::to_string(row) + ": value " +
                 std::to_string(t.sel_values[row]) + id,
             1);
        return;
      }
      case orv::DrvTable::kSequenceSlot:
        line("command-sequence table, slot " + std::to_string(row) + ": " + hex_id(t.seq_ids[row]) +
             ", " + std::to_string(t.seq_fragment_counts[row]) + " fragments from position " +
             std::to_string(t.seq_first[row]));
        return;
      case orv::DrvTable::kFragmentPosition:
        line("command-sequence table, position " + std::to_string(row) + ": fragment tree [" +
             std::to_string(t.seq_fragments[row]) + "]");
        return;
      case orv::DrvTable::kModeRow: {
        const orv::ModeRow& r = t.mode_rows[row];
        int32_t keys[orv::kModeKeyCount];
        for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) keys[k] = r.keys[k];
        line("mode table, row " + std::to_string(row) + ": " + mode_keys_text(keys) + "; parts A " +
             std::to_string(r.part_a) + " B " + std::to_string(r.part_b) + " C " +
             std::to_string(r.part_c) + " D " + std::to_string(r.part_d));
        return;
      }
      case orv::DrvTable::kModePartA:
      case orv::DrvTable::kModePartB:
      case orv::DrvTable::kModePartC:
      case orv::DrvTable::kModePartD: {
        uint32_t part =
            static_cast<uint32_t>(table) - static_cast<uint32_t>(orv::DrvTable::kModePartA);
        line(std::string("mode part ") + orv::kModePartNames[part] + ", record " +
                 std::to_string(row),
             1);
        return;
      }
    }
  }
  void table_missing(orv::DrvTable table, uint32_t key, int32_t result) {
    std::string why;
    switch (table) {
      case orv::DrvTable::kSelectorSlot:
        why = "selector-value table: no slot for selector " + std::to_string(key);
        break;
      case orv::DrvTable::kSelectorValue:
        why = "selector-value table: the selector has no value " + std::to_string(key);
        break;
      case orv::DrvTable::kSequenceSlot:
        why = "command-sequence table: no sequence " + hex_id(key);
        break;
      case orv::DrvTable::kModeRow: {
        int32_t keys[orv::kModeKeyCount];
        for (uint32_t k = 0; k < orv::kModeKeyCount; ++k) {
          keys[k] = static_cast<int32_t>(ctx_->pSelectors[orv::kModeKeySelectors[k]]);
        }
        why = "mode table: no row has the keys " + mode_keys_text(keys);
        break;
      }
      default:
        why = "no such row";
        break;
    }
    line(why + " => " + result_name(result), table == orv::DrvTable::kSelectorValue ? 1 : 0);
  }
  void record_starts(uint32_t record, uint16_t selector, uint32_t value) {
    in_record_ = true;
    set_selector_ = selector;
    set_value_ = value;
    line("record " + std::to_string(record) + ": selector " + std::to_string(selector) + " = " +
         std::to_string(value));
  }
  void record_word(uint32_t record, uint32_t field, uint32_t value) {
    line("record " + std::to_string(record) + " " + field_name(field) + " = " +
             std::to_string(value),
         level());
  }

 private:
  // Lines inside a record's attribute lookups stand one level deeper.
  int level() const { return in_record_ ? 1 : 0; }
  void line(const std::string& text, int indent = 0) {
    out_ << std::string(static_cast<size_t>(indent + 1) * 2, ' ') << text << "\n";
  }

  const orv::Image& img_;                     // the image the path reads
  const ORV_QUERY_CONTEXT* ctx_;              // the caller's context, as the handler gets it
  std::ostringstream out_;                    // the lines of the current call
  std::vector<ExplainedWalk> walks_;          // the walks of the current call
  std::optional<Explainer> walk_;             // the walk under way
  std::string walk_head_;                     // its heading, when its root lookup failed
  std::string fork_head_;                     // the heading of the forked walk under way
  uint32_t fork_item_ = orv::kUnknownItem;    // its tree's root item
  bool in_record_ = false;                    // the attribute lookups of a record are under way
  uint16_t set_selector_ = orv::kNoSelector;  // the selector those lookups set
  uint32_t set_value_ = 0;                    // and its value
};

}  // namespace

std::vector<ExplainedWalk> explain_walks(const orv::Image& image, const IdInfo& info,
                                         const ORV_QUERY_CONTEXT* ctx, std::ostream& out) {
  std::vector<ExplainedWalk> walks;
  out << "walk:\n";
  uint32_t root = 0;
  int32_t found = orv::find_root_item(image, info.id, &root);
  if (found != DB_OK) {
    out << "  root lookup for " << hex_id(info.id) << " => " << result_name(found)
        << (found == DB_NO_ENTRY ? ": not in the root index" : "") << "\n";
    walks.push_back(ExplainedWalk{orv::kUnknownItem, info.id, found, {}});
    return walks;
  }
  Explainer explainer(image, ctx);
  ExplainedWalk w{root, info.id, DB_ERROR, {}};
  w.result = orv::observe_walk(image, info.id, ctx, root, &w.leaf, &explainer);
  explainer.print(out, 1);
  w.route = explainer.route();
  if (w.result == DB_OK) w.leaf_item = explainer.found();
  walks.push_back(w);
  if (w.result == DB_OK) out << "leaf: " << orv::item_text(image, explainer.found()) << "\n";
  return walks;
}

Explained explain_drv_path(const orv::Image& image, const IdInfo& info,
                           const ORV_QUERY_CONTEXT* ctx, std::ostream& out) {
  Explained e;
  SeenContext seen(ctx);
  DrvExplainer observer(image, seen.get());
  std::vector<std::string> calls;
  uint32_t size = 0;  // what the size query asked for
  e.answer =
      ask_through(image, info, seen.get(), [&](uint32_t cbBuf, void* pBuf, uint32_t* needed) {
        observer.begin_call();
        int32_t result =
            orv::drv_query_steps(image, info.id, seen.get(), cbBuf, pBuf, needed, &observer);
        calls.push_back(observer.text());
        if (calls.size() == 1 && result == DB_MORE_DATA) {
          size = *needed;
          calls.back() = "size query: DB_MORE_DATA, " + std::to_string(size) + " bytes\n";
        }
        return result;
      });
  e.walks = observer.walks();
  if (calls.size() == 2) {
    out << calls[0] << "query with a " << size << "-byte buffer:\n";
  }
  out << calls.back();
  return e;
}

Explained explain_query(const orv::Image& image, Domain domain, const IdInfo& info,
                        const ORV_QUERY_CONTEXT* ctx, std::ostream& out) {
  Explained e;
  if (info.special != nullptr) {
    e = explain_drv_path(image, info, ctx, out);
  } else {
    e.walks = explain_walks(image, info, SeenContext(ctx).get(), out);
    e.answer = ask(image, domain, info, ctx);
  }
  out << "result: " << result_name(e.answer.result) << "\n";
  if (e.answer.result == DB_OK) {
    out << "answer:\n";
    std::ostringstream value;
    print_answer(e.answer, value);
    std::istringstream lines(value.str());
    for (std::string l; std::getline(lines, l);) out << "  " << l << "\n";
  }
  return e;
}

}  // namespace orvtool
