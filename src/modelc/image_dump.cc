// The image dump. Trees are shown in root-slot order; an item shown once is
// later only referred to ("= [n]"), which keeps shared subtrees from being
// repeated and the text proportional to the image. The Drv tables follow,
// one line per row of each table.
#include "modelc/image_dump.h"

#include <stdio.h>

#include <set>
#include <type_traits>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "modelc/table_schema.h"
#include "modelc/text_forms.h"

namespace orv {
namespace {

std::string fmt(const char* format, long long a) {
  char buf[64];
  snprintf(buf, sizeof buf, format, a);
  return buf;
}

// The value of a stored leaf as the dump shows it: its pool, offset and
// elements, or why they cannot be read.
std::string leaf_value(const Image& img, const Item& it) {
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
      if (!img.i32_pool || end > img.i32_count) return "<beyond i32 pool>";
      list([&](uint32_t k) { return static_cast<long long>(img.i32_pool[k]); });
      return "i32@" + std::to_string(off) + ": " + s;
    case ITEM_INT16:
    case ITEM_UINT16:
      if (!img.i16_pool || end > img.i16_count) return "<beyond i16 pool>";
      if (kind == ITEM_INT16)
        list([&](uint32_t k) {
          return static_cast<long long>(static_cast<int16_t>(img.i16_pool[k]));
        });
      else
        list([&](uint32_t k) { return static_cast<long long>(img.i16_pool[k]); });
      return "i16@" + std::to_string(off) + ": " + s;
    case ITEM_INT8:
    case ITEM_UINT8:
      if (!img.byte_pool || end > img.byte_count) return "<beyond byte pool>";
      if (kind == ITEM_INT8)
        list([&](uint32_t k) {
          return static_cast<long long>(static_cast<int8_t>(img.byte_pool[k]));
        });
      else
        list([&](uint32_t k) { return static_cast<long long>(img.byte_pool[k]); });
      return "byte@" + std::to_string(off) + ": " + s;
    case ITEM_STRING:
      if (!img.byte_pool || end > img.byte_count) return "<beyond byte pool>";
      return "byte@" + std::to_string(off) + ": " + quoted_text(img.byte_pool + off, n);
    case ITEM_BYTES:
      if (!img.byte_pool || end > img.byte_count) return "<beyond byte pool>";
      for (uint32_t i = 0; i < n; ++i) s += fmt(i ? " %02X" : "%02X", img.byte_pool[off + i]);
      return "byte@" + std::to_string(off) + ": " + s;
    default:
      return "";
  }
}

// What a case compares with: its value, range or text.
std::string case_label(const Image& img, const Item& it) {
  switch (item_kind(it.word0)) {
    case ITEM_CASE:
      return " " + std::to_string(it.word1) + fmt(" (0x%X)", it.word1);
    case ITEM_CASE_RANGE: {
      int32_t lo = 0, hi = 0;
      if (!range_bounds(img, it, &lo, &hi)) return " <beyond i32 pool>";
      return " " + std::to_string(lo) + ".." + std::to_string(hi);
    }
    case ITEM_CASE_STRING: {
      std::string what = " [" + std::to_string(it.word1) + "] ";
      uint32_t offset = 0, length = 0;
      switch (case_text(img, it, &offset, &length)) {
        case CaseText::kBeyondTable:
          return what + "<beyond the item table>";
        case CaseText::kFound:
          return what + "match@" + std::to_string(offset) + " " +
                 quoted_text(img.match_pool + offset, length);
        default:
          return what + "<beyond match pool>";
      }
    }
    default:
      return "";
  }
}

class Dumper {
 public:
  explicit Dumper(const Image& image) : img_(image) {}
  std::string run();
  // One tree from `index`, `depth` levels in.
  std::string tree(uint32_t index, int depth) {
    item(index, depth);
    return out_;
  }
  // The Drv tables alone.
  std::string tables() {
    if (img_.drv_tables) drv_tables(*img_.drv_tables);
    return out_;
  }

 private:
  bool valid(uint64_t index) const { return img_.items && index < img_.item_count; }
  void item(uint32_t index, int depth);
  void drv_tables(const DrvTables& t);
  void line(int depth, const std::string& text) {
    out_.append(static_cast<size_t>(depth) * 2, ' ');
    out_ += text;
    out_ += '\n';
  }

  const Image& img_;
  std::string out_;
  std::set<uint32_t> shown_;
};

void Dumper::item(uint32_t index, int depth) {
  if (!valid(index)) {
    line(depth, "[" + std::to_string(index) + "] <beyond the item table>");
    return;
  }
  if (!shown_.insert(index).second) {
    line(depth, "= [" + std::to_string(index) + "]");
    return;
  }
  line(depth, item_text(img_, index));
  const Item& it = img_.items[index];
  ItemLinks links{};
  if (!item_links(img_, it, &links)) {
    item(item_offset(it.word0), depth + 1);  // a masked switch's first child, not a mask
    return;
  }
  if (item_kind(it.word0) == ITEM_SWITCH_MASKED) {
    uint32_t mask_at = item_offset(it.word0);
    shown_.insert(mask_at);
    line(depth + 1,
         "[" + std::to_string(mask_at) + "] MASK " + fmt("0x%08X", img_.items[mask_at].word1));
  }
  if (item_kind(it.word0) == ITEM_CASE_STRING && valid(it.word1)) shown_.insert(it.word1);
  for (uint32_t i = 0; i < links.count; ++i) item(links.first + i, depth + 1);
}

std::string Dumper::run() {
  out_ += "orvdb image dump 1\n";
  if (img_.model_name) out_ += std::string("model ") + img_.model_name + "\n";
  // The image's own counts, as the list of tables names them, and its bytes.
  uint64_t total = 0;
  model::visit_schema([&](const auto& d) {
    using D = std::decay_t<decltype(d)>;
    if constexpr (!std::is_same_v<typename D::Struct, Image>) {
      return;
    } else if constexpr (D::kIsTable) {
      total += uint64_t{d.count(img_)} * d.info.record_size * sizeof(typename D::Element);
    } else {
      out_ += std::string(d.info.brief) + " " + std::to_string(d.count(img_)) + "\n";
    }
  });
  out_ += "total bytes " + std::to_string(total) + "\n\n";
  if (!img_.root_ids || !img_.root_items) return out_ + "root index missing\n";
  for (uint32_t k = 0; k < img_.root_count; ++k) {
    uint32_t root = img_.root_items[k];
    std::string ids;
    for (uint32_t j = 0; j < img_.root_count; ++j)
      if (img_.root_items[j] == root) ids += (ids.empty() ? "" : " ") + hex_id(img_.root_ids[j]);
    out_ += "root " + hex_id(img_.root_ids[k]) + " item " + std::to_string(root) + " (tree of " +
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
    rest += "  [" + std::to_string(i) + "] " + kind_info(item_kind(it.word0)).name +
            fmt(" 0x%08X", it.word0) + fmt(" 0x%08X", it.word1) + "\n";
  }
  if (!rest.empty()) out_ += "\nnot in any tree\n" + rest;
  if (img_.drv_tables) drv_tables(*img_.drv_tables);
  return out_;
}

// Each table with its counts, then one line per slot, sequence, row or record.
void Dumper::drv_tables(const DrvTables& t) {
  out_ += "\ndrv tables\n";
  out_ += "selector values: slots " + std::to_string(t.sel_count) + ", values " +
          std::to_string(t.sel_value_count) + "\n";
  const bool sel_arrays = t.sel_indices && t.sel_value_counts && t.sel_first;
  const bool sel_values = t.sel_values && t.sel_value_ids;
  for (uint32_t s = 0; sel_arrays && s < t.sel_count; ++s) {
    uint32_t first = t.sel_first[s], n = t.sel_value_counts[s];
    std::string line = "  slot " + std::to_string(s) + " selector " +
                       std::to_string(t.sel_indices[s]) + " values@" + std::to_string(first) +
                       " n=" + std::to_string(n) + ":";
    if (!sel_values || uint64_t{first} + n > t.sel_value_count) {
      line += " <beyond the values>";
    } else {
      for (uint32_t k = first; k < first + n; ++k)
        line += " " + std::to_string(t.sel_values[k]) + "=" + std::to_string(t.sel_value_ids[k]);
    }
    out_ += line + "\n";
  }
  out_ += "command sequences: " + std::to_string(t.seq_count) + ", fragments " +
          std::to_string(t.seq_fragment_count) + "\n";
  for (uint32_t s = 0; t.seq_ids && t.seq_fragment_counts && t.seq_first && s < t.seq_count; ++s) {
    uint32_t first = t.seq_first[s], n = t.seq_fragment_counts[s];
    std::string line = "  sequence " + std::to_string(s) + " id=" + hex_id(t.seq_ids[s]) +
                       " fragments@" + std::to_string(first) + " n=" + std::to_string(n) + ":";
    if (!t.seq_fragments || uint64_t{first} + n > t.seq_fragment_count) {
      line += " <beyond the fragments>";
    } else {
      for (uint32_t k = first; k < first + n; ++k)
        line += " [" + std::to_string(t.seq_fragments[k]) + "]";
    }
    out_ += line + "\n";
  }
  out_ += "mode table: rows " + std::to_string(t.mode_count) + ", keys selectors";
  for (uint16_t sel : kModeKeySelectors) out_ += " " + std::to_string(sel);
  out_ += "\n";
  for (uint32_t r = 0; t.mode_rows && r < t.mode_count; ++r) {
    const ModeRow& m = t.mode_rows[r];
    std::string line = "  row " + std::to_string(r) + " keys";
    for (int16_t k : m.keys) line += " " + std::to_string(k);
    line += " parts";
    for (uint32_t p = 0; p < kModePartCount; ++p)
      line += std::string(" ") + kModePartNames[p] + "=" + std::to_string(mode_row_part(m, p));
    out_ += line + "\n";
  }
  for (uint32_t p = 0; p < kModePartCount; ++p) {
    const ModePartTable& part = t.mode_parts[p];
    out_ += std::string("mode part ") + kModePartNames[p] + ": records " +
            std::to_string(part.count) + " of " + std::to_string(kModePartSizes[p]) + " bytes\n";
    for (uint32_t r = 0; part.records && r < part.count; ++r) {
      const uint8_t* rec = part.records + uint64_t{r} * kModePartSizes[p];
      std::string line = "  " + std::string(1, kModePartNames[p]) + std::to_string(r) + ":";
      for (uint32_t b = 0; b < kModePartSizes[p]; ++b) line += fmt(" %02X", rec[b]);
      out_ += line + "\n";
    }
  }
}

}  // namespace

std::string dump_image(const Image& image) { return Dumper(image).run(); }

std::string dump_tree(const Image& image, uint32_t root, int depth) {
  return Dumper(image).tree(root, depth);
}

std::string dump_drv_tables(const Image& image) { return Dumper(image).tables(); }

std::string item_text(const Image& img, uint32_t index, bool with_value) {
  std::string head = "[" + std::to_string(index) + "] ";
  if (!img.items || index >= img.item_count) return head + "<beyond the item table>";
  const Item& it = img.items[index];
  uint8_t kind = item_kind(it.word0);
  uint16_t tag = item_tag(it.word1);
  std::string n = " n=" + std::to_string(item_count(it.word1));
  head += kind_info(kind).name;
  switch (kind_info(kind).shape) {
    case ItemShape::kLeaf:
      if (kind == ITEM_COMPUTED)
        return head + " id=" + hex_id(tag) + " function=" + std::to_string(item_count(it.word1));
      return head + " id=" + hex_id(tag) + n + (with_value ? " " + leaf_value(img, it) : "");
    case ItemShape::kContainer:
      return head + (kind == ITEM_BRANCH ? " value=" + std::to_string(tag) : "") + n;
    case ItemShape::kSelect:
      return head + " selector=" + std::to_string(tag) + n;
    case ItemShape::kSwitch:
    case ItemShape::kStringSwitch: {
      const char* label = kind == ITEM_SWITCH_STRING   ? " string="
                          : kind == ITEM_SWITCH_MASKED ? " selector="
                                                       : " tag=";
      return head + label + std::to_string(tag) + n;
    }
    case ItemShape::kCase:
      return head + case_label(img, it);
    case ItemShape::kMask:
      return head + " " + fmt("0x%08X", it.word1) + " cases@" +
             std::to_string(item_offset(it.word0));
    case ItemShape::kInvalid:
      break;
  }
  return head + fmt(" kind=%d", kind) + fmt(" words=0x%08X", it.word0) + fmt(" 0x%08X", it.word1);
}

}  // namespace orv
