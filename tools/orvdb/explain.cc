#include "explain.h"

#include <stdio.h>

#include <sstream>
#include <string>

#include "drvrecords/command_sequence.h"
#include "drvrecords/drv_tables.h"
#include "drvrecords/mode_record.h"
#include "engine/walk.h"
#include "modelc/image_dump.h"
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

std::string quoted(const char* s) {
  std::string q = "\"";
  for (; *s != '\0'; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      q += static_cast<char>(c);
    } else {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02X", c);
      q += buf;
    }
  }
  return q + "\"";
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
    if (answers) found_ = index;
    add(child_depth(),
        item_text(index) + (answers ? ": the leaf => DB_OK" : ": another id's leaf"));
  }
  void enter(uint32_t index, orv::Item item) {
    int depth = child_depth();
    frames_.push_back(Frame{add(depth, item_text(index)), depth, item});
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
    lines_[f.line].second +=
        ": match string " + std::to_string(orv::item_tag(f.item.word1)) + " = " + quoted(text);
  }
  void passed(uint32_t index, orv::Item) {
    add(frames_.back().depth + 1, item_text(index) + ": skipped");
  }
  void taken(uint32_t index, orv::Item item) {
    Frame& f = frames_.back();
    f.taken = true;
    // A branch shows as the item it is; a case as a line of its own above its target.
    if (orv::kind_info(orv::item_kind(item.word0)).shape != orv::ItemShape::kCase) return;
    add(f.depth + 1, item_text(index) + ": taken");
    f.case_line = true;
  }
  void fault(orv::WalkFault why) { fault_ = fault_text(why); }

  // The index of the leaf that answered.
  uint32_t found() const { return found_; }

  // The lines, indented by `indent` more levels.
  void print(std::ostream& out, int indent) const {
    for (const auto& [depth, text] : lines_)
      out << std::string(static_cast<size_t>(indent + depth) * 2, ' ') << text << "\n";
    if (!fault_.empty() && !explained_) out << std::string(indent * 2, ' ') << fault_ << "\n";
  }

 private:
  struct Frame {
    size_t line;             // its line
    int depth;               // its nesting
    orv::Item item;          // the item entered
    bool read = false;       // a switch value was read
    uint32_t value = 0;      // that value
    bool taken = false;      // a case or branch was taken
    bool case_line = false;  // a case line stands between it and what follows
  };

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
  std::vector<std::pair<int, std::string>> lines_;  // (depth, text)
  std::vector<Frame> frames_;                       // the items entered and not yet left
  std::string fault_;                               // why the walk met DB_ERROR
  bool explained_ = false;                          // an error's reason has been given
  uint32_t found_ = orv::kUnknownItem;              // the leaf that answered
};

}  // namespace

std::vector<ExplainedWalk> explain_walks(const orv::Image& image, const IdInfo& info,
                                         const ORV_QUERY_CONTEXT* ctx, std::ostream& out) {
  std::vector<ExplainedWalk> walks;
  // Walks one tree, prints it, and returns the index of the leaf found.
  auto walk = [&](uint16_t id, uint32_t item) {
    Explainer explainer(image, ctx);
    ExplainedWalk w{item, id, DB_ERROR, {}};
    w.result = orv::observe_walk(image, id, ctx, item, &w.leaf, &explainer);
    orv::Item root{};
    if (!orv::item_at(image, item, &root))
      out << "  " << orv::item_text(image, item) << " => DB_ERROR\n";
    explainer.print(out, 1);
    walks.push_back(w);
    return explainer.found();
  };
  const orv::DrvTables* tables = image.drv_tables;
  if (info.path == DrvPath::kCommandSequence) {
    std::vector<uint32_t> trees = fragment_trees(image, info.id);
    for (size_t k = 0; k < trees.size(); ++k) {
      out << "fragment " << k << " (item " << trees[k] << ", id " << hex_id(orv::kFragmentId)
          << "):\n";
      walk(orv::kFragmentId, trees[k]);
    }
    if (trees.empty()) out << "command sequence: no fragments\n";
  } else if (info.path == DrvPath::kModeRecord) {
    const orv::ModeRow* row = nullptr;
    if (tables != nullptr && ctx != nullptr && ctx->pSelectors != nullptr &&
        ctx->cSelectors >= info.special->min_selectors) {
      row = orv::matching_mode_row(*tables, ctx->pSelectors);
    }
    out << "mode table: ";
    if (row == nullptr) {
      out << "no row has these keys (selectors";
      for (uint16_t s : orv::kModeKeySelectors) out << " " << s;
      out << ")\n";
    } else {
      out << "row " << (row - tables->mode_rows) << ", parts A " << row->part_a << " B "
          << row->part_b << " C " << row->part_c << " D " << row->part_d << "\n";
    }
  } else {
    out << "walk:\n";
    uint32_t root = 0;
    int32_t found = orv::find_root_item(image, info.id, &root);
    if (found != DB_OK) {
      out << "  root lookup for " << hex_id(info.id) << " => " << result_name(found)
          << (found == DB_NO_ENTRY ? ": not in the root index" : "") << "\n";
      walks.push_back(ExplainedWalk{0, info.id, found, {}});
    } else {
      uint32_t leaf = walk(info.id, root);
      if (walks.back().result == DB_OK) out << "leaf: " << orv::item_text(image, leaf) << "\n";
    }
  }
  return walks;
}

Explained explain_query(const orv::Image& image, Domain domain, const IdInfo& info,
                        const ORV_QUERY_CONTEXT* ctx, std::ostream& out) {
  Explained e;
  e.walks = explain_walks(image, info, SeenContext(ctx).get(), out);
  e.answer = ask(image, domain, info, ctx);
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
