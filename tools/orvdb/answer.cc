#include "answer.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "computed/function_numbers.h"
#include "engine/resolver.h"
#include "exports/exports.h"

namespace orvtool {
namespace {

constexpr uint32_t kRecordSize = sizeof(ORV_VALUE_RECORD);
constexpr uint32_t kModeRecordSize = sizeof(ORV_MODE_RECORD);

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// Value record `k` of a list answer (in the machine's byte order, as the
// tool's own).
ORV_VALUE_RECORD record_at(const std::vector<uint8_t>& b, size_t k) {
  ORV_VALUE_RECORD record;
  memcpy(&record, &b[k * kRecordSize], kRecordSize);
  return record;
}
size_t record_count(const std::vector<uint8_t>& b) { return b.size() / kRecordSize; }

std::vector<int32_t> numbers(const std::vector<uint8_t>& b) {
  std::vector<int32_t> v;
  for (size_t at = 0; at + 4 <= b.size(); at += 4) v.push_back(static_cast<int32_t>(le32(b, at)));
  return v;
}

// 16-bit characters to text, without one trailing NUL; other controls escaped.
std::string text_of(const std::vector<uint8_t>& b) {
  std::string s;
  size_t n = b.size() / 2;
  if (n > 0 && le16(b, (n - 1) * 2) == 0) --n;
  for (size_t i = 0; i < n; ++i) {
    uint16_t c = le16(b, i * 2);
    if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      snprintf(buf, sizeof buf, c < 0x100 ? "\\x%02X" : "\\u%04X", c);
      s += buf;
    }
  }
  return s;
}

// Whether bytes read as text: printable ASCII and line feeds.
bool printable(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (!((p[i] >= 0x20 && p[i] < 0x7F) || p[i] == '\n')) return false;
  }
  return true;
}

// A run of bytes that is not a command: quoted text when it reads as text.
std::string run_text(const uint8_t* p, size_t n) {
  if (!printable(p, n)) return hex_bytes(p, n);
  std::string s = "\"";
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == '\n')
      s += "\\n";
    else if (p[i] == '"' || p[i] == '\\')
      s += std::string("\\") + static_cast<char>(p[i]);
    else
      s += static_cast<char>(p[i]);
  }
  return s + "\"";
}

// 16-bit characters as UTF-8, without one trailing NUL; a lone surrogate
// becomes U+FFFD.
std::string utf8_of(const std::vector<uint8_t>& b) {
  std::vector<uint32_t> units;
  for (size_t at = 0; at + 1 < b.size(); at += 2) units.push_back(le16(b, at));
  if (!units.empty() && units.back() == 0) units.pop_back();
  std::string s;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xC0 | c >> 6);
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      s += static_cast<char>(0xE0 | c >> 12);
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | c >> 18);
      s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

Form leaf_form(uint8_t kind, uint16_t count, const std::vector<uint8_t>& bytes) {
  switch (kind) {
    case orv::ITEM_INT32:
    case orv::ITEM_INT8:
    case orv::ITEM_INT16:
    case orv::ITEM_UINT8:
    case orv::ITEM_UINT16:
      return Form::kNumbers;
    case orv::ITEM_STRING:
      return Form::kText;
    case orv::ITEM_BYTES:
      return !bytes.empty() && bytes[0] == 0x1B ? Form::kCommands : Form::kBytes;
    case orv::ITEM_COMPUTED:
      // Printable areas and the custom length are numbers; the rest commands.
      switch (count) {
        case orv::kCustomPrintableArea:
        case orv::kPaperPrintableArea:
        case orv::kCustomLengthValue:
          return Form::kNumbers;
        default:
          return Form::kCommands;
      }
    default:
      return Form::kBytes;
  }
}

// Form of a generic answer, from the leaf the engine chooses for the query.
Form form_by_leaf(const orv::Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                  const std::vector<uint8_t>& bytes, uint16_t* leaf_count) {
  orv::Leaf leaf{};
  int32_t r = orv::find_root(image, id, SeenContext(ctx).get(), &leaf);
  if (r != DB_OK) return bytes.size() % 4 == 0 ? Form::kNumbers : Form::kBytes;
  if (leaf_count) *leaf_count = orv::item_count(leaf.word1);
  return leaf_form(orv::item_kind(leaf.word0), orv::item_count(leaf.word1), bytes);
}

void wrap(std::ostream& out, const std::vector<std::string>& cells, size_t per_line) {
  for (size_t i = 0; i < cells.size(); ++i) {
    out << cells[i] << ((i + 1) % per_line == 0 || i + 1 == cells.size() ? "\n" : " ");
  }
}

struct Field {
  const char* name;  // field name
  uint32_t at;       // byte offset in the record
  int width;         // 1, 2 or 4 bytes
};
// Fields of the mode record's parts A and C that hold values.
const std::vector<Field>& part_a_fields() {
  static const std::vector<Field> f = {{"byte 0", 0, 1},   {"byte 2", 2, 1},   {"byte 4", 4, 1},
                                       {"byte 7", 7, 1},   {"byte 8", 8, 1},   {"byte 10", 10, 1},
                                       {"byte 12", 12, 1}, {"byte 14", 14, 1}, {"byte 16", 16, 1},
                                       {"u16 18", 18, 2},  {"u16 20", 20, 2},  {"u16 22", 22, 2},
                                       {"u16 24", 24, 2},  {"byte 26", 26, 1}};
  return f;
}
const std::vector<Field>& part_c_fields() {
  static const std::vector<Field> f = {{"field 1", 0, 2}, {"field 2", 2, 2}, {"field 3", 4, 2},
                                       {"field 4", 6, 2}, {"field 5", 8, 4}, {"field 6", 12, 4}};
  return f;
}
struct Part {
  const char* name;                  // "A"
  uint32_t at;                       // first byte in the mode record
  uint32_t size;                     // record size
  const std::vector<Field>* fields;  // decoded fields, or null
};
const std::vector<Part>& mode_parts() {
  static const std::vector<Part> p = {
      {"A", offsetof(ORV_MODE_RECORD, partA), sizeof(ORV_MODE_RECORD::partA), &part_a_fields()},
      {"B", offsetof(ORV_MODE_RECORD, partB), sizeof(ORV_MODE_RECORD::partB), nullptr},
      {"C", offsetof(ORV_MODE_RECORD, partC), sizeof(ORV_MODE_RECORD::partC), &part_c_fields()},
      {"D", offsetof(ORV_MODE_RECORD, partD), sizeof(ORV_MODE_RECORD::partD), nullptr}};
  return p;
}
uint32_t field_value(const std::vector<uint8_t>& b, uint32_t at, int width) {
  return width == 1 ? b[at] : width == 2 ? le16(b, at) : le32(b, at);
}

}  // namespace

std::string hex_bytes(const uint8_t* p, size_t n) {
  std::string s;
  char buf[4];
  for (size_t i = 0; i < n; ++i) {
    snprintf(buf, sizeof buf, "%02X", p[i]);
    s += (i ? " " : "") + std::string(buf);
  }
  return s;
}

nlohmann::json bytes_json(const uint8_t* p, size_t n) {
  nlohmann::json j = {{"hex", hex_bytes(p, n)}};
  if (n > 0 && printable(p, n)) j["text"] = std::string(reinterpret_cast<const char*>(p), n);
  return j;
}

const char* form_name(Form form) {
  switch (form) {
    case Form::kNone:
      return "none";
    case Form::kNumbers:
      return "numbers";
    case Form::kText:
      return "text";
    case Form::kBytes:
      return "bytes";
    case Form::kCommands:
      return "commands";
    case Form::kRecords:
      return "records";
    case Form::kModeRecord:
      return "mode record";
  }
  return "?";
}

Answer ask_through(const orv::Image& image, const IdInfo& info, const ORV_QUERY_CONTEXT* ctx,
                   const Lookup& lookup) {
  Answer answer;
  uint32_t needed = 0;
  int32_t r = lookup(0, nullptr, &needed);
  if (r != DB_MORE_DATA) {
    answer.result = r;
    return answer;
  }
  std::vector<uint8_t> buffer(needed + 1, 0);
  uint32_t written = needed;
  r = lookup(needed, buffer.data(), &written);
  answer.result = r;
  if (r != DB_OK) return answer;
  // The list paths leave the needed-size word alone on success.
  buffer.resize(needed);
  answer.bytes = buffer;
  uint16_t leaf_count = 0;
  switch (info.path) {
    case DrvPath::kStoredList:
    case DrvPath::kSelector8List: {
      Form f = form_by_leaf(image, info.id, ctx, answer.bytes, &leaf_count);
      answer.form = needed == kRecordSize * leaf_count ? Form::kRecords : f;
      break;
    }
    case DrvPath::kFullList:
      answer.form = needed % kRecordSize == 0 ? Form::kRecords : Form::kBytes;
      break;
    case DrvPath::kCommandSequence:
      answer.form = Form::kCommands;
      break;
    case DrvPath::kModeRecord:
      answer.form = needed == kModeRecordSize ? Form::kModeRecord : Form::kBytes;
      break;
    case DrvPath::kGeneric:
      answer.form = form_by_leaf(image, info.id, ctx, answer.bytes, nullptr);
      break;
  }
  return answer;
}

Answer ask(const orv::Image& image, Domain domain, const IdInfo& info,
           const ORV_QUERY_CONTEXT* ctx) {
  return ask_through(image, info, ctx, [&](uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
    return orv::access_database(image, domain, info.id, ctx, cbBuf, pBuf, pcbNeeded);
  });
}

Answer ask_internal(const orv::Image& image, const IdInfo& info, const ORV_QUERY_CONTEXT* ctx) {
  return ask_through(image, info, ctx, [&](uint32_t cbBuf, void* pBuf, uint32_t* pcbNeeded) {
    // The generic lookup as the Drv code runs it for an internal id, with a
    // printer named in the context opened for the call as the entry points do.
    if (ctx == nullptr)
      return orv::lookup_generic(image, Domain::kDrv, info.id, ctx, cbBuf, pBuf, pcbNeeded);
    return orv::lookup_opening_printer(image, Domain::kDrv, info.id, ctx, cbBuf, pBuf, pcbNeeded,
                                       orv::lookup_generic);
  });
}

std::vector<CommandRun> command_runs(const std::vector<uint8_t>& b) {
  std::vector<CommandRun> out;
  size_t at = 0;
  while (at < b.size()) {
    size_t end = at;
    if (b[at] == 0x1B && at + 4 < b.size() && (b[at + 1] == '(' || b[at + 1] == '[')) {
      // ESC, bracket, letter, 2-byte parameter length low byte first.
      end = std::min<size_t>(at + 5 + (b[at + 3] | (b[at + 4] << 8)), b.size());
      out.push_back({at, end - at, true});
    } else if (b[at] == 0x1B && at + 1 < b.size() && b[at + 1] == '@') {
      end = at + 2;
      out.push_back({at, 2, true});
    } else {
      end = at + 1;
      while (end < b.size() && b[end] != 0x1B) ++end;
      // Text runs break after each line feed.
      size_t start = at;
      for (size_t i = at; i < end; ++i) {
        if (b[i] == '\n' || i + 1 == end) {
          out.push_back({start, i + 1 - start, false});
          start = i + 1;
        }
      }
    }
    at = end;
  }
  return out;
}

std::vector<std::string> split_commands(const std::vector<uint8_t>& b) {
  std::vector<std::string> out;
  for (const CommandRun& r : command_runs(b)) {
    out.push_back(r.command ? hex_bytes(&b[r.at], r.size) : run_text(&b[r.at], r.size));
  }
  return out;
}

void print_answer(const Answer& a, std::ostream& out) {
  if (a.result != DB_OK) {
    out << result_name(a.result) << "\n";
    return;
  }
  switch (a.form) {
    case Form::kNumbers: {
      std::vector<std::string> cells;
      for (int32_t v : numbers(a.bytes)) cells.push_back(std::to_string(v));
      if (cells.empty()) out << "(no numbers)\n";
      wrap(out, cells, 10);
      return;
    }
    case Form::kText:
      out << text_of(a.bytes) << "\n";
      return;
    case Form::kBytes: {
      if (a.bytes.empty()) out << "(no bytes)\n";
      for (size_t at = 0; at < a.bytes.size(); at += 16) {
        out << hex_bytes(&a.bytes[at], std::min<size_t>(16, a.bytes.size() - at)) << "\n";
      }
      std::string text = run_text(a.bytes.data(), a.bytes.size());
      if (!a.bytes.empty() && text[0] == '"') out << "text: " << text << "\n";
      return;
    }
    case Form::kCommands: {
      std::vector<std::string> commands = split_commands(a.bytes);
      if (commands.empty()) out << "(no bytes)\n";
      for (const std::string& c : commands) out << c << "\n";
      return;
    }
    case Form::kRecords: {
      char line[128];
      snprintf(line, sizeof line, "%11s %10s %10s %10s %10s\n", "value", "attr1", "attr2", "attr3",
               "mark");
      out << line;
      for (size_t k = 0; k < record_count(a.bytes); ++k) {
        const ORV_VALUE_RECORD r = record_at(a.bytes, k);
        snprintf(line, sizeof line, "%11d %10u %10u %10u %10u\n", r.value, r.attr1, r.attr2,
                 r.attr3, r.mark);
        out << line;
      }
      return;
    }
    case Form::kModeRecord:
      for (const Part& p : mode_parts()) {
        out << "part " << p.name << " (bytes " << p.at << "-" << p.at + p.size - 1 << ")\n";
        for (uint32_t k = 0; k < p.size; k += 16) {
          out << "  " << hex_bytes(&a.bytes[p.at + k], std::min<uint32_t>(16, p.size - k)) << "\n";
        }
        if (p.fields == nullptr) continue;
        for (const Field& f : *p.fields) {
          out << "  " << f.name << ": " << field_value(a.bytes, p.at + f.at, f.width) << "\n";
        }
      }
      out << "bytes " << offsetof(ORV_MODE_RECORD, unwritten) << "-" << kModeRecordSize - 1
          << ": not written by the library\n";
      return;
    case Form::kNone:
      return;
  }
}

std::string answer_line(const Answer& a) {
  if (a.result != DB_OK) return result_name(a.result);
  std::string s;
  switch (a.form) {
    case Form::kNumbers:
      for (int32_t v : numbers(a.bytes)) s += (s.empty() ? "" : " ") + std::to_string(v);
      return s;
    case Form::kText:
      return "\"" + text_of(a.bytes) + "\"";
    case Form::kRecords:
      for (size_t k = 0; k < record_count(a.bytes); ++k) {
        const ORV_VALUE_RECORD r = record_at(a.bytes, k);
        s += (s.empty() ? "" : "; ") + std::to_string(r.value);
        for (uint32_t word : {r.attr1, r.attr2, r.attr3, r.mark}) s += " " + std::to_string(word);
      }
      return "[" + s + "]";
    default:
      return hex_bytes(a.bytes.data(), a.bytes.size());
  }
}

std::string json_line(const nlohmann::json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string json_text(const nlohmann::json& j) {
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string answer_cell(const Answer& a) {
  if (a.result == DB_OK && a.form == Form::kText) return text_of(a.bytes);
  return answer_line(a);
}

nlohmann::json answer_json(const Answer& a) {
  nlohmann::json j;
  j["result"] = result_name(a.result);
  j["code"] = a.result;
  if (a.result != DB_OK) return j;
  j["size"] = a.bytes.size();
  j["form"] = form_name(a.form);
  switch (a.form) {
    case Form::kNumbers:
      j["value"] = numbers(a.bytes);
      break;
    case Form::kText:
      j["value"] = utf8_of(a.bytes);
      break;
    case Form::kBytes:
      j["value"] = bytes_json(a.bytes.data(), a.bytes.size());
      break;
    case Form::kCommands: {
      nlohmann::json value = bytes_json(a.bytes.data(), a.bytes.size());
      value["commands"] = nlohmann::json::array();
      for (const CommandRun& r : command_runs(a.bytes)) {
        nlohmann::json run = bytes_json(&a.bytes[r.at], r.size);
        if (r.command) run.erase("text");
        value["commands"].push_back(run);
      }
      j["value"] = value;
      break;
    }
    case Form::kRecords: {
      nlohmann::json records = nlohmann::json::array();
      for (size_t k = 0; k < record_count(a.bytes); ++k) {
        const ORV_VALUE_RECORD r = record_at(a.bytes, k);
        records.push_back({{"value", r.value},
                           {"attr1", r.attr1},
                           {"attr2", r.attr2},
                           {"attr3", r.attr3},
                           {"mark", r.mark}});
      }
      j["value"] = records;
      break;
    }
    case Form::kModeRecord: {
      nlohmann::json parts;
      for (const Part& p : mode_parts()) {
        nlohmann::json part = {{"hex", hex_bytes(&a.bytes[p.at], p.size)}};
        if (p.fields != nullptr) {
          for (const Field& f : *p.fields) {
            part["fields"][f.name] = field_value(a.bytes, p.at + f.at, f.width);
          }
        }
        parts[p.name] = part;
      }
      j["value"] = parts;
      break;
    }
    case Form::kNone:
      break;
  }
  return j;
}

}  // namespace orvtool
