#include "trace_walk.h"

#include <stdio.h>
#include <string.h>

#include "engine/switches.h"
#include "id_info.h"
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

std::string quoted(const char* p, size_t n) {
  std::string s = "\"";
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02X", c);
      s += buf;
    }
  }
  return s + "\"";
}

class Tracer {
 public:
  Tracer(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, const ReadHook& hook,
         Trace* trace)
      : img_(image), id_(id), ctx_(ctx), hook_(hook), t_(trace) {}

  int32_t walk_index(uint32_t index, int depth) {
    orv::Item item;
    if (!load(index, &item)) {
      line(depth, "[" + std::to_string(index) + "] beyond the item table => DB_ERROR");
      return DB_ERROR;
    }
    return walk(index, item, depth);
  }

 private:
  bool load(uint64_t index, orv::Item* item) const {
    if (img_.items == nullptr || index >= img_.item_count) return false;
    *item = img_.items[index];
    return true;
  }
  size_t line(int depth, const std::string& text) {
    t_->lines.push_back({depth + extra_, text});
    return t_->lines.size() - 1;
  }
  void close(size_t at, int32_t result, const std::string& why) {
    std::string& s = t_->lines[at].text;
    if (result == DB_OK)
      s += " => DB_OK";
    else if (result == kWalkStopped)
      s += " => stopped";
    else
      s += " => " + result_name(result) + (why.empty() ? "" : ": " + why);
  }
  bool may_read(char kind, uint16_t index) {
    if (!hook_ || hook_(kind, index)) return true;
    t_->stop_kind = kind;
    t_->stop_index = index;
    return false;
  }

  int32_t walk(uint32_t index, orv::Item item, int depth);
  int32_t children(uint32_t first, uint16_t count, int depth, std::string* why);
  int32_t select(uint32_t index, orv::Item item, int depth);
  int32_t case_loop(size_t head, uint32_t first, uint32_t start, uint16_t count, uint32_t v,
                    int depth);
  int32_t string_switch(size_t head, orv::Item item, int depth);
  // A case that matched: walks its target; the switch answers what it answers.
  int32_t take_case(size_t head, const std::string& label, orv::Item cs, int depth);
  // An item of `kind` standing where a case must: the switch is inconsistent.
  int32_t not_a_case(size_t head, const std::string& label, uint8_t kind, int depth);

  const orv::Image& img_;
  uint16_t id_;
  const ORV_QUERY_CONTEXT* ctx_;
  const ReadHook& hook_;
  Trace* t_;
  int extra_ = 0;  // indentation added by the case lines above the current item
};

int32_t Tracer::children(uint32_t first, uint16_t count, int depth, std::string* why) {
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t c = static_cast<uint64_t>(first) + i;
    orv::Item child;
    if (!load(c, &child)) {
      *why = "child " + std::to_string(c) + " beyond the item table";
      return DB_ERROR;
    }
    int32_t r = walk(static_cast<uint32_t>(c), child, depth);
    if (r != DB_NOT_FOUND) return r;
  }
  *why = count == 0 ? "no children" : "no child holds an answer";
  return DB_NOT_FOUND;
}

int32_t Tracer::select(uint32_t index, orv::Item item, int depth) {
  uint16_t s = orv::item_tag(item.word1);
  uint32_t first = orv::item_offset(item.word0);
  uint16_t count = orv::item_count(item.word1);
  std::string head = "[" + std::to_string(index) + "] SELECT selector " + std::to_string(s);
  bool have = ctx_ != nullptr && ctx_->pSelectors != nullptr && ctx_->cSelectors > s;
  if (have) head += " = " + number(ctx_->pSelectors[s]);
  size_t at = line(depth, head);
  bool any_taken = false;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t c = static_cast<uint64_t>(first) + i;
    orv::Item child;
    if (!load(c, &child)) {
      close(at, DB_ERROR, "child " + std::to_string(c) + " beyond the item table");
      return DB_ERROR;
    }
    if (orv::item_kind(child.word0) == orv::ITEM_BRANCH) {
      if (!may_read('s', s)) {
        close(at, kWalkStopped, "");
        return kWalkStopped;
      }
      if (!have) {
        close(at, DB_NO_SELECTOR,
              "selector " + std::to_string(s) + " missing (context holds " +
                  std::to_string(ctx_ && ctx_->pSelectors ? ctx_->cSelectors : 0) + ")");
        return DB_NO_SELECTOR;
      }
      uint16_t want = orv::item_tag(child.word1);
      if (ctx_->pSelectors[s] != want) {
        line(depth + 1,
             "[" + std::to_string(c) + "] BRANCH value " + std::to_string(want) + ": skipped");
        continue;
      }
      any_taken = true;
    }
    int32_t r = walk(static_cast<uint32_t>(c), child, depth + 1);
    if (r != DB_NOT_FOUND) {
      close(at, r, "");
      return r;
    }
  }
  close(at, DB_NOT_FOUND,
        any_taken ? "the branch taken holds no answer"
                  : "no branch for selector " + std::to_string(s) +
                        (have ? " = " + std::to_string(ctx_->pSelectors[s]) : ""));
  return DB_NOT_FOUND;
}

int32_t Tracer::take_case(size_t head, const std::string& label, orv::Item cs, int depth) {
  line(depth + 1, label + ": taken");
  ++extra_;
  int32_t r = walk_index(orv::item_offset(cs.word0), depth + 1);
  --extra_;
  close(head, r, r == DB_NOT_FOUND ? "the case taken holds no answer" : "");
  return r;
}

int32_t Tracer::not_a_case(size_t head, const std::string& label, uint8_t kind, int depth) {
  line(depth + 1, label + kind_name(kind));
  close(head, DB_ERROR, std::string("a ") + kind_name(kind) + " item where a case must stand");
  return DB_ERROR;
}

int32_t Tracer::case_loop(size_t head, uint32_t first, uint32_t start, uint16_t count, uint32_t v,
                          int depth) {
  for (uint32_t i = start; i < count; ++i) {
    uint64_t c = static_cast<uint64_t>(first) + i;
    orv::Item cs;
    if (!load(c, &cs)) {
      close(head, DB_ERROR, "case " + std::to_string(c) + " beyond the item table");
      return DB_ERROR;
    }
    bool match = false;
    std::string label = "[" + std::to_string(c) + "] ";
    switch (orv::item_kind(cs.word0)) {
      case orv::ITEM_CASE:
        match = v == cs.word1;
        label += "CASE " + number(cs.word1);
        break;
      case orv::ITEM_DEFAULT:
        match = true;
        label += "DEFAULT";
        break;
      case orv::ITEM_CASE_RANGE: {
        if (img_.i32_pool == nullptr || img_.i32_count < 2 || cs.word1 > img_.i32_count - 2) {
          line(depth + 1, label + "CASE_RANGE pool " + std::to_string(cs.word1));
          close(head, DB_ERROR, "range bounds beyond the i32 pool");
          return DB_ERROR;
        }
        int32_t lo = img_.i32_pool[cs.word1], hi = img_.i32_pool[cs.word1 + 1];
        int32_t value = static_cast<int32_t>(v);
        match = lo <= value && value <= hi;
        label += "CASE_RANGE " + std::to_string(lo) + ".." + std::to_string(hi);
        break;
      }
      default:
        return not_a_case(head, label, orv::item_kind(cs.word0), depth);
    }
    if (!match) {
      line(depth + 1, label + ": skipped");
      continue;
    }
    return take_case(head, label, cs, depth);
  }
  close(head, DB_NOT_FOUND, "no case matches " + number(v));
  return DB_NOT_FOUND;
}

int32_t Tracer::string_switch(size_t head, orv::Item item, int depth) {
  uint16_t t = orv::item_tag(item.word1);
  uint32_t first = orv::item_offset(item.word0);
  uint16_t count = orv::item_count(item.word1);
  bool shown = false;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t c = static_cast<uint64_t>(first) + i;
    orv::Item cs;
    if (!load(c, &cs)) {
      close(head, DB_ERROR, "case " + std::to_string(c) + " beyond the item table");
      return DB_ERROR;
    }
    std::string label = "[" + std::to_string(c) + "] ";
    uint8_t kind = orv::item_kind(cs.word0);
    bool match = false;
    if (kind == orv::ITEM_DEFAULT) {
      match = true;
      label += "DEFAULT";
    } else if (kind == orv::ITEM_CASE_STRING) {
      orv::Item text;
      if (!load(cs.word1, &text) || orv::item_kind(text.word0) != orv::ITEM_BYTES) {
        close(head, DB_ERROR, "case text " + std::to_string(cs.word1) + " is not a BYTES item");
        return DB_ERROR;
      }
      if (!may_read('m', t)) {
        close(head, kWalkStopped, "");
        return kWalkStopped;
      }
      if (ctx_ == nullptr || ctx_->ppStrings == nullptr || ctx_->cStrings <= t) {
        close(head, DB_NO_MATCH_STRING,
              "match string " + std::to_string(t) + " missing (context holds " +
                  std::to_string(ctx_ && ctx_->ppStrings ? ctx_->cStrings : 0) + ")");
        return DB_NO_MATCH_STRING;
      }
      const char* s = ctx_->ppStrings[t];
      if (s == nullptr) s = "";
      if (!shown) {
        t_->lines[head].text += " = " + quoted(s, strlen(s));
        shown = true;
      }
      uint32_t off = orv::item_offset(text.word0);
      uint16_t length = orv::item_count(text.word1);
      if (img_.match_pool == nullptr || static_cast<uint64_t>(off) + length > img_.match_count) {
        close(head, DB_ERROR, "case text beyond the match-string pool");
        return DB_ERROR;
      }
      const char* case_text = reinterpret_cast<const char*>(img_.match_pool + off);
      size_t n = 0;
      while (n <= length && s[n] != '\0') ++n;
      match = n == length && orv::equal_counted(s, case_text, length) == 1;
      label += "CASE_STRING " + quoted(case_text, length);
    } else {
      return not_a_case(head, label, kind, depth);
    }
    if (!match) {
      line(depth + 1, label + ": skipped");
      continue;
    }
    return take_case(head, label, cs, depth);
  }
  close(head, DB_NOT_FOUND, "no case matches");
  return DB_NOT_FOUND;
}

int32_t Tracer::walk(uint32_t index, orv::Item item, int depth) {
  std::string head = "[" + std::to_string(index) + "] ";
  uint8_t kind = orv::item_kind(item.word0);
  uint16_t tag = orv::item_tag(item.word1);
  uint16_t count = orv::item_count(item.word1);
  if (depth > orv::kMaxWalkDepth) {
    line(depth, head + "deeper than " + std::to_string(orv::kMaxWalkDepth) + " levels => DB_ERROR");
    return DB_ERROR;
  }
  switch (kind) {
    case orv::ITEM_BYTES:
    case orv::ITEM_INT32:
    case orv::ITEM_INT8:
    case orv::ITEM_INT16:
    case orv::ITEM_UINT8:
    case orv::ITEM_UINT16:
    case orv::ITEM_STRING:
    case orv::ITEM_COMPUTED: {
      std::string what = head + kind_name(kind) + " id " + hex_id(tag) +
                         (kind == orv::ITEM_COMPUTED ? " function " : " n=") +
                         std::to_string(count);
      if (tag != id_) {
        line(depth, what + ": another id's leaf");
        return DB_NOT_FOUND;
      }
      line(depth, what + ": the leaf => DB_OK");
      t_->leaf = orv::Leaf{item.word0, item.word1};
      t_->leaf_index = index;
      return DB_OK;
    }
    case orv::ITEM_SEQUENCE:
    case orv::ITEM_BRANCH:
    case orv::ITEM_CASE:
    case orv::ITEM_DEFAULT: {
      size_t at =
          line(depth, head + kind_name(kind) +
                          (kind == orv::ITEM_BRANCH ? " value " + std::to_string(tag) : "") +
                          " n=" + std::to_string(count));
      std::string why;
      int32_t r = children(orv::item_offset(item.word0), count, depth + 1, &why);
      close(at, r, r == DB_OK || r == kWalkStopped ? "" : why);
      return r;
    }
    case orv::ITEM_SELECT:
      return select(index, item, depth);
    case orv::ITEM_SWITCH_SELECTOR:
    case orv::ITEM_SWITCH_MASKED: {
      std::string text = head + kind_name(kind) + " selector " + std::to_string(tag);
      uint32_t first = orv::item_offset(item.word0);
      uint32_t mask = 0xFFFFFFFFu;
      if (kind == orv::ITEM_SWITCH_MASKED) {
        orv::Item m;
        if (!load(first, &m) || orv::item_kind(m.word0) != orv::ITEM_MASK) {
          close(line(depth, text), DB_ERROR, "its first child is not a MASK item");
          return DB_ERROR;
        }
        mask = m.word1;
        first = orv::item_offset(m.word0);
        text += " & " + hex32(mask);
      }
      if (ctx_ == nullptr) {
        close(line(depth, text), DB_ERROR, "no query context");
        return DB_ERROR;
      }
      if (!may_read('s', tag)) {
        close(line(depth, text), kWalkStopped, "");
        return kWalkStopped;
      }
      if (ctx_->pSelectors == nullptr || ctx_->cSelectors <= tag) {
        close(line(depth, text), DB_NO_SELECTOR,
              "selector " + std::to_string(tag) + " missing (context holds " +
                  std::to_string(ctx_->pSelectors ? ctx_->cSelectors : 0) + ")");
        return DB_NO_SELECTOR;
      }
      uint32_t v = ctx_->pSelectors[tag] & mask;
      if (kind == orv::ITEM_SWITCH_MASKED) {
        text += " = " + hex32(v) + " (selector " + hex32(ctx_->pSelectors[tag]) + ")";
      } else {
        text += " = " + number(v);
      }
      size_t at = line(depth, text);
      return case_loop(at, first, 0, count, v, depth);
    }
    case orv::ITEM_SWITCH_PRINTER_DATA:
    case orv::ITEM_SWITCH_LOCALE: {
      std::string text = head + kind_name(kind) + " tag " + std::to_string(tag);
      orv::SwitchStart start{};
      int32_t r = kind == orv::ITEM_SWITCH_LOCALE
                      ? orv::locale_switch_start(item.word1, &start)
                      : orv::printer_data_switch_start(img_, ctx_, item, &start, depth);
      if (r != DB_OK) {
        close(line(depth, text), r,
              kind == orv::ITEM_SWITCH_LOCALE ? "the locale gives no country code"
                                              : "the printer value cannot be read");
        return r;
      }
      text += " = " + number(start.value);
      if (start.first_case != 0) text += " (value absent: only the trailing default applies)";
      size_t at = line(depth, text);
      return case_loop(at, orv::item_offset(item.word0), start.first_case, count, start.value,
                       depth);
    }
    case orv::ITEM_SWITCH_STRING: {
      size_t at = line(depth, head + "SWITCH_STRING string " + std::to_string(tag));
      return string_switch(at, item, depth);
    }
    default:
      line(depth, head + kind_name(kind) + " (kind " + std::to_string(kind) +
                      ") cannot be walked => DB_ERROR");
      return DB_ERROR;
  }
}

}  // namespace

Trace trace_item(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                 uint32_t item_index, const ReadHook& hook) {
  Trace trace;
  Tracer tracer(image, id, ctx, hook, &trace);
  trace.result = tracer.walk_index(item_index, 0);
  return trace;
}

Trace trace_root(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                 const ReadHook& hook) {
  uint32_t item = 0;
  int32_t r = orv::find_root_item(image, id, &item);
  if (r != DB_OK) {
    Trace trace;
    trace.result = r;
    trace.lines.push_back({0, "root lookup for " + hex_id(id) + " => " + result_name(r) +
                                  (r == DB_NO_ENTRY ? ": not in the root index" : "")});
    return trace;
  }
  return trace_item(image, id, ctx, item, hook);
}

}  // namespace orvtool
