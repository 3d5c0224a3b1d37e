// The image dump. Trees are shown in root-slot order; an item shown once is
// later only referred to ("= [n]"), which keeps shared subtrees from being
// repeated and the text proportional to the image.
#include "modeldata/image_dump.h"

#include <stdio.h>

#include <set>
#include <vector>

namespace orv {
namespace {

std::string fmt(const char* format, long long a) {
  char buf[64];
  snprintf(buf, sizeof buf, format, a);
  return buf;
}

std::string quoted(const uint8_t* p, uint32_t n) {
  std::string s = "\"";
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      s += fmt("\\x%02X", c);
    }
  }
  return s + "\"";
}

class Dumper {
 public:
  explicit Dumper(const Image& image) : img_(image) {}
  std::string run();

 private:
  bool valid(uint64_t index) const { return img_.items && index < img_.item_count; }
  void item(uint32_t index, int depth);
  void children(uint32_t first, uint32_t count, int depth);
  std::string value(const Item& it) const;
  void line(int depth, const std::string& text) {
    out_.append(static_cast<size_t>(depth) * 2, ' ');
    out_ += text;
    out_ += '\n';
  }

  const Image& img_;
  std::string out_;
  std::set<uint32_t> shown_;
};

std::string Dumper::value(const Item& it) const {
  uint8_t kind = item_kind(it.word0);
  uint32_t off = item_offset(it.word0);
  uint32_t n = item_count(it.word1);
  uint64_t end = static_cast<uint64_t>(off) + n;
  std::string s;
  auto list = [&](auto get) {
    for (uint32_t i = 0; i < n; ++i) s += (i ? ", " : "") + std::to_string(get(off + i));
  };
  switch (kind) {
    case ITEM_INT32:
      if (!img_.i32_pool || end > img_.i32_count) return "<beyond i32 pool>";
      list([&](uint32_t k) { return static_cast<long long>(img_.i32_pool[k]); });
      return "i32@" + std::to_string(off) + ": " + s;
    case ITEM_INT16:
    case ITEM_UINT16:
      if (!img_.i16_pool || end > img_.i16_count) return "<beyond i16 pool>";
      if (kind == ITEM_INT16)
        list([&](uint32_t k) {
          return static_cast<long long>(static_cast<int16_t>(img_.i16_pool[k]));
        });
      else
        list([&](uint32_t k) { return static_cast<long long>(img_.i16_pool[k]); });
      return "i16@" + std::to_string(off) + ": " + s;
    case ITEM_INT8:
    case ITEM_UINT8:
      if (!img_.byte_pool || end > img_.byte_count) return "<beyond byte pool>";
      if (kind == ITEM_INT8)
        list([&](uint32_t k) {
          return static_cast<long long>(static_cast<int8_t>(img_.byte_pool[k]));
        });
      else
        list([&](uint32_t k) { return static_cast<long long>(img_.byte_pool[k]); });
      return "byte@" + std::to_string(off) + ": " + s;
    case ITEM_STRING:
      if (!img_.byte_pool || end > img_.byte_count) return "<beyond byte pool>";
      return "byte@" + std::to_string(off) + ": " + quoted(img_.byte_pool + off, n);
    case ITEM_BYTES:
      if (!img_.byte_pool || end > img_.byte_count) return "<beyond byte pool>";
      for (uint32_t i = 0; i < n; ++i) s += fmt(i ? " %02X" : "%02X", img_.byte_pool[off + i]);
      return "byte@" + std::to_string(off) + ": " + s;
    default:
      return "";
  }
}

void Dumper::children(uint32_t first, uint32_t count, int depth) {
  for (uint32_t i = 0; i < count; ++i) item(first + i, depth);
}

void Dumper::item(uint32_t index, int depth) {
  std::string head = "[" + std::to_string(index) + "] ";
  if (!valid(index)) {
    line(depth, head + "<beyond the item table>");
    return;
  }
  if (!shown_.insert(index).second) {
    line(depth, "= [" + std::to_string(index) + "]");
    return;
  }
  const Item& it = img_.items[index];
  uint8_t kind = item_kind(it.word0);
  uint32_t off = item_offset(it.word0);
  uint16_t tag = item_tag(it.word1);
  uint16_t n = item_count(it.word1);
  head += item_kind_name(kind);
  switch (kind) {
    case ITEM_BYTES:
    case ITEM_INT32:
    case ITEM_INT8:
    case ITEM_INT16:
    case ITEM_UINT8:
    case ITEM_UINT16:
    case ITEM_STRING:
      line(depth, head + fmt(" id=0x%04X", tag) + " n=" + std::to_string(n) + " " + value(it));
      return;
    case ITEM_COMPUTED:
      line(depth, head + fmt(" id=0x%04X", tag) + " function=" + std::to_string(n));
      return;
    case ITEM_SEQUENCE:
      line(depth, head + " n=" + std::to_string(n));
      children(off, n, depth + 1);
      return;
    case ITEM_SELECT:
      line(depth, head + " selector=" + std::to_string(tag) + " n=" + std::to_string(n));
      children(off, n, depth + 1);
      return;
    case ITEM_BRANCH:
      line(depth, head + " value=" + std::to_string(tag) + " n=" + std::to_string(n));
      children(off, n, depth + 1);
      return;
    case ITEM_SWITCH_SELECTOR:
    case ITEM_SWITCH_STRING:
    case ITEM_SWITCH_PRINTER_DATA:
    case ITEM_SWITCH_LOCALE:
      line(depth, head + (kind == ITEM_SWITCH_STRING ? " string=" : " tag=") + std::to_string(tag) +
                      " n=" + std::to_string(n));
      children(off, n, depth + 1);
      return;
    case ITEM_SWITCH_MASKED:
      line(depth, head + " selector=" + std::to_string(tag) + " n=" + std::to_string(n));
      if (!valid(off) || item_kind(img_.items[off].word0) != ITEM_MASK) {
        item(off, depth + 1);
        return;
      }
      shown_.insert(off);
      line(depth + 1, "[" + std::to_string(off) + "] MASK " + fmt("0x%08X", img_.items[off].word1));
      children(item_offset(img_.items[off].word0), n, depth + 1);
      return;
    case ITEM_MASK:
      line(depth, head + " " + fmt("0x%08X", it.word1) + " cases@" + std::to_string(off));
      return;
    case ITEM_CASE:
    case ITEM_DEFAULT:
    case ITEM_CASE_RANGE:
    case ITEM_CASE_STRING: {
      std::string what;
      if (kind == ITEM_CASE) {
        what = " " + std::to_string(it.word1) + fmt(" (0x%X)", it.word1);
      } else if (kind == ITEM_CASE_RANGE) {
        uint64_t k = it.word1;
        if (img_.i32_pool && k + 1 < img_.i32_count)
          what =
              " " + std::to_string(img_.i32_pool[k]) + ".." + std::to_string(img_.i32_pool[k + 1]);
        else
          what = " <beyond i32 pool>";
      } else if (kind == ITEM_CASE_STRING) {
        what = " [" + std::to_string(it.word1) + "] ";
        if (valid(it.word1)) {
          shown_.insert(it.word1);
          const Item& text = img_.items[it.word1];
          uint64_t end = static_cast<uint64_t>(item_offset(text.word0)) + item_count(text.word1);
          if (img_.match_pool && end <= img_.match_count)
            what += "match@" + std::to_string(item_offset(text.word0)) + " " +
                    quoted(img_.match_pool + item_offset(text.word0), item_count(text.word1));
          else
            what += "<beyond match pool>";
        } else {
          what += "<beyond the item table>";
        }
      }
      line(depth, head + what);
      item(off, depth + 1);
      return;
    }
    default:
      line(depth, head + fmt(" kind=%d", kind) + fmt(" words=0x%08X", it.word0) +
                      fmt(" 0x%08X", it.word1));
  }
}

std::string Dumper::run() {
  out_ += "orvdb image dump 1\n";
  out_ += "items " + std::to_string(img_.item_count) + "\n";
  out_ += "roots " + std::to_string(img_.root_count) + "\n";
  out_ += "i32 " + std::to_string(img_.i32_count) + "\n";
  out_ += "i16 " + std::to_string(img_.i16_count) + "\n";
  out_ += "bytes " + std::to_string(img_.byte_count) + "\n";
  out_ += "match " + std::to_string(img_.match_count) + "\n";
  uint64_t total = img_.item_count * 8ull + img_.root_count * 6ull + img_.i32_count * 4ull +
                   img_.i16_count * 2ull + img_.byte_count + img_.match_count;
  out_ += "total bytes " + std::to_string(total) + "\n\n";
  if (!img_.root_ids || !img_.root_items) return out_ + "root index missing\n";
  for (uint32_t k = 0; k < img_.root_count; ++k) {
    uint32_t root = img_.root_items[k];
    std::string ids;
    for (uint32_t j = 0; j < img_.root_count; ++j)
      if (img_.root_items[j] == root)
        ids += fmt(ids.empty() ? "0x%04X" : " 0x%04X", img_.root_ids[j]);
    out_ += fmt("root 0x%04X", img_.root_ids[k]) + " item " + std::to_string(root) + " (tree of " +
            ids + ")\n";
    if (shown_.count(root)) {
      out_ += "  = [" + std::to_string(root) + "]\n";
    } else {
      item(root, 1);
    }
  }
  // Items no tree reaches (none in a sound image except case texts).
  std::string rest;
  for (uint32_t i = 0; img_.items && i < img_.item_count; ++i) {
    if (shown_.count(i)) continue;
    const Item& it = img_.items[i];
    rest += "  [" + std::to_string(i) + "] " + item_kind_name(item_kind(it.word0)) +
            fmt(" 0x%08X", it.word0) + fmt(" 0x%08X", it.word1) + "\n";
  }
  if (!rest.empty()) out_ += "\nnot in any tree\n" + rest;
  return out_;
}

}  // namespace

std::string dump_image(const Image& image) { return Dumper(image).run(); }

const char* item_kind_name(uint8_t kind) {
  static const char* const names[] = {"INVALID",       "BYTES",
                                      "INT32",         "INT8",
                                      "INT16",         "UINT8",
                                      "UINT16",        "STRING",
                                      "SEQUENCE",      "SELECT",
                                      "BRANCH",        "SWITCH_SELECTOR",
                                      "SWITCH_STRING", "SWITCH_PRINTER_DATA",
                                      "SWITCH_LOCALE", "CASE",
                                      "CASE_STRING",   "DEFAULT",
                                      "COMPUTED",      "SWITCH_MASKED",
                                      "MASK",          "CASE_RANGE"};
  return kind <= ITEM_CASE_RANGE ? names[kind] : "INVALID";
}

}  // namespace orv
