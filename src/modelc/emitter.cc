// The emitter: one static const array per table, an Image object over them
// (and a DrvTables object over the Drv tables) and builtin_image() returning it. Everything is
// constant-initialised, so the tables land in the library's read-only data.
#include "modelc/emitter.h"

#include <stdio.h>

namespace orv::model {
namespace {

std::string hex32(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08Xu", static_cast<unsigned>(v));
  return buf;
}

// `static const type name[n] = {...};`, or nothing when empty; returns the
// expression that names the table (nullptr when empty).
template <typename T, typename Format>
std::string table(std::string& out, const char* type, const char* name, const std::vector<T>& v,
                  size_t per_line, Format format) {
  if (v.empty()) return "nullptr";
  out += "static const ";
  out += type;
  out += " ";
  out += name;
  out += "[" + std::to_string(v.size()) + "] = {";
  for (size_t i = 0; i < v.size(); ++i) {
    out += (i % per_line == 0) ? "\n    " : " ";
    out += format(v[i]);
    out += ",";
  }
  out += "\n};\n\n";
  return name;
}

std::string number(uint32_t v) { return std::to_string(v); }
std::string unsigned_number(uint32_t v) { return std::to_string(v) + "u"; }

// The Drv tables' arrays and the DrvTables object over them, each field set
// by name; returns the object's name.
std::string drv_tables(std::string& out, const CompiledDrvTables& t) {
  auto count = [](size_t n) { return std::to_string(n) + "u"; };
  std::string sel_indices = table(out, "uint16_t", "kDrvSelIndices", t.sel_indices, 12, number);
  std::string sel_counts =
      table(out, "uint16_t", "kDrvSelValueCounts", t.sel_value_counts, 12, number);
  std::string sel_first = table(out, "uint32_t", "kDrvSelFirst", t.sel_first, 12, unsigned_number);
  std::string sel_values = table(out, "uint16_t", "kDrvSelValues", t.sel_values, 12, number);
  std::string sel_ids =
      table(out, "uint32_t", "kDrvSelValueIds", t.sel_value_ids, 8, unsigned_number);
  std::string seq_ids = table(out, "uint16_t", "kDrvSeqIds", t.seq_ids, 12, number);
  std::string seq_counts =
      table(out, "uint16_t", "kDrvSeqFragmentCounts", t.seq_fragment_counts, 12, number);
  std::string seq_first = table(out, "uint32_t", "kDrvSeqFirst", t.seq_first, 12, unsigned_number);
  std::string seq_fragments =
      table(out, "uint32_t", "kDrvSeqFragments", t.seq_fragments, 12, unsigned_number);
  std::string rows = table(out, "ModeRow", "kDrvModeRows", t.mode_rows, 2, [](const ModeRow& r) {
    std::string keys;
    for (uint32_t k = 0; k < kModeKeyCount; ++k)
      keys += (k ? ", " : "") + std::to_string(r.keys[k]);
    return "{{" + keys + "}, " + std::to_string(r.part_a) + ", " + std::to_string(r.part_b) + ", " +
           std::to_string(r.part_c) + ", " + std::to_string(r.part_d) + "}";
  });
  static const char* const kPartNames[kModePartCount] = {"kDrvModePartA", "kDrvModePartB",
                                                         "kDrvModePartC", "kDrvModePartD"};
  std::string parts[kModePartCount];
  for (uint32_t p = 0; p < kModePartCount; ++p)
    parts[p] = table(out, "uint8_t", kPartNames[p], t.parts[p], 16,
                     [](uint8_t v) { return std::to_string(v); });
  const char* const part_fields[kModePartCount] = {"part_a", "part_b", "part_c", "part_d"};
  out += "static const DrvTables kDrvTables = {\n";
  out += "    .sel_indices = " + sel_indices + ",\n";
  out += "    .sel_value_counts = " + sel_counts + ",\n";
  out += "    .sel_first = " + sel_first + ",\n";
  out += "    .sel_count = " + count(t.sel_indices.size()) + ",\n";
  out += "    .sel_values = " + sel_values + ",\n";
  out += "    .sel_value_ids = " + sel_ids + ",\n";
  out += "    .sel_value_count = " + count(t.sel_values.size()) + ",\n";
  out += "    .seq_ids = " + seq_ids + ",\n";
  out += "    .seq_fragment_counts = " + seq_counts + ",\n";
  out += "    .seq_first = " + seq_first + ",\n";
  out += "    .seq_count = " + count(t.seq_ids.size()) + ",\n";
  out += "    .seq_fragments = " + seq_fragments + ",\n";
  out += "    .seq_fragment_count = " + count(t.seq_fragments.size()) + ",\n";
  out += "    .mode_rows = " + rows + ",\n";
  out += "    .mode_count = " + count(t.mode_rows.size()) + ",\n";
  for (uint32_t p = 0; p < kModePartCount; ++p) {
    out += std::string("    .") + part_fields[p] + " = " + parts[p] + ",\n";
    out += std::string("    .") + part_fields[p] +
           "_count = " + count(t.parts[p].size() / kModePartSizes[p]) + ",\n";
  }
  out += "};\n\n";
  return "kDrvTables";
}

// `text` as a C string literal.
std::string c_string(const std::string& text) {
  std::string s = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      char buf[8];
      snprintf(buf, sizeof buf, "\\%03o", c);
      s += buf;
    }
  }
  return s + "\"";
}

}  // namespace

std::string emit_source(const CompiledImage& img) {
  std::string out;
  out += "// Generated by the model compiler from the description of the model " +
         c_string(img.model_name) + ".\n";
  out += "// Do not edit: change the description and rebuild.\n";
  out += "#include <stdint.h>\n\n#include \"engine/image.h\"\n";
  if (img.has_drv_tables) out += "#include \"drvrecords/drv_tables.h\"\n";
  out += "\nnamespace orv {\n\n";
  std::string items = table(out, "Item", "kItems", img.items, 3, [](const Item& it) {
    return "{" + hex32(it.word0) + ", " + hex32(it.word1) + "}";
  });
  std::string root_ids = table(out, "uint16_t", "kRootIds", img.root_ids, 12,
                               [](uint16_t v) { return std::to_string(v); });
  std::string root_items = table(out, "uint32_t", "kRootItems", img.root_items, 12,
                                 [](uint32_t v) { return std::to_string(v) + "u"; });
  std::string i32 = table(out, "int32_t", "kI32Pool", img.i32_pool, 8, [](int32_t v) {
    return v == INT32_MIN ? std::string("INT32_MIN") : std::to_string(v);
  });
  std::string i16 = table(out, "uint16_t", "kI16Pool", img.i16_pool, 12,
                          [](uint16_t v) { return std::to_string(v); });
  std::string bytes = table(out, "uint8_t", "kBytePool", img.byte_pool, 16,
                            [](uint8_t v) { return std::to_string(v); });
  std::string match = table(out, "uint8_t", "kMatchPool", img.match_pool, 16,
                            [](uint8_t v) { return std::to_string(v); });
  std::string drv = img.has_drv_tables ? "&" + drv_tables(out, img.drv) : "nullptr";
  std::string name = "nullptr";
  if (!img.model_name.empty()) {
    out += "static const char kModelName[] = " + c_string(img.model_name) + ";\n\n";
    name = "kModelName";
  }
  out += "static const Image kImage = {\n";
  out += "    " + items + ", " + std::to_string(img.items.size()) + "u,\n";
  out +=
      "    " + root_ids + ", " + root_items + ", " + std::to_string(img.root_ids.size()) + "u,\n";
  out += "    " + i32 + ", " + std::to_string(img.i32_pool.size()) + "u,\n";
  out += "    " + i16 + ", " + std::to_string(img.i16_pool.size()) + "u,\n";
  out += "    " + bytes + ", " + std::to_string(img.byte_pool.size()) + "u,\n";
  out += "    " + match + ", " + std::to_string(img.match_pool.size()) + "u,\n";
  out += "    " + drv + ",\n";
  out += "    " + name + ",\n};\n\n";
  out += "const Image& builtin_image() { return kImage; }\n\n}  // namespace orv\n";
  return out;
}

}  // namespace orv::model
