// The Drv special records' own tables: the selector-value table, the
// command-sequence table (naming fragment trees by label; the compiler turns
// the labels into item indices) and the mode table with its part tables,
// whose 262 rows and part A records are generated from the settings rules.
#include "drvrecords/drv_tables.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "modeldata/model/drv_parts.h"
#include "modeldata/model/drv_settings.h"

namespace orv::model {
namespace {

using drv::kSel4Values;
using drv::kSel5Values;

// ---- selector-value table -------------------------------------------------

struct ValueId {
  int value;   // selector value
  int64_t id;  // its value identifier
};
struct SelectorValues {
  int selector;                 // selector index
  std::vector<ValueId> values;  // in list order
};

const std::vector<SelectorValues>& selector_values() {
  static const std::vector<SelectorValues> table = {
      {drv::kSelPaper,
       {{11, 15762},
        {9, 15760},
        {8, 15758},
        {13, 15767},
        {12, 15765},
        {1, 15751},
        {5, 15755},
        {3, 15769},
        {260, 15780},
        {261, 15781},
        {66, 15757},
        {257, 15764},
        {24, 15793},
        {262, 15782},
        {272, 15789},
        {273, 15790},
        {274, 15791},
        {256, 15744}}},
      {7, {{4, 15301}, {7, 15302}}},
      {5,
       {{1, 15101},
        {271, 15117},
        {277, 15123},
        {261, 15107},
        {259, 15105},
        {273, 15119},
        {258, 15104},
        {2, 15102},
        {263, 15109},
        {383, 15128}}},
      {4, {{1, 15002}, {2, 15001}, {3, 15003}}},
  };
  return table;
}

// The lists of selectors 4 and 5 must run in the order of the settings rules.
void check_order(int selector, const std::vector<int>& expected) {
  for (const auto& s : selector_values()) {
    if (s.selector != selector) continue;
    std::vector<int> got;
    for (const auto& v : s.values) got.push_back(v.value);
    if (got != expected) {
      throw std::logic_error("selector " + std::to_string(selector) +
                             " values are not in stored order");
    }
  }
}

void write_selector_values(Model& m) {
  check_order(4, kSel4Values);
  check_order(5, kSel5Values);
  for (const auto& s : selector_values()) {
    std::vector<SelectorValue> values;
    for (const auto& v : s.values) values.push_back({v.value, v.id});
    m.selector_values(s.selector, std::move(values));
  }
}

// ---- command-sequence table -----------------------------------------------

struct Sequence {
  int id;                              // Drv id of the command sequence
  std::vector<const char*> fragments;  // fragment labels, in concatenation order
};

void write_sequences(Model& m) {
  const Sequence sequences[] = {
      {0x1019,
       {drv::kFrag1019Head, drv::kFrag1019Settings, drv::kFrag1019Paper, drv::kFrag1019Sel7,
        drv::kFrag1019Sel5}},
      {0x1018, {drv::kFrag1018Head, drv::kFrag1018Options}},
      {0x101D, {drv::kFrag101D}},
      {0x101C, {drv::kFrag101C}},
      {0x101B, {drv::kFrag101B}},
  };
  for (const Sequence& s : sequences)
    m.command_sequence(s.id, std::vector<std::string>(s.fragments.begin(), s.fragments.end()));
}

// ---- mode table -------------------------------------------------------------

struct ModeKeys {
  int s4, s9, s5, s8, s6, s81;  // the six keys
};

// Selector-5 values that take the second group of part C records.
bool in_second_group(int s5) { return s5 == 259 || s5 == 261 || s5 == 383; }

// Order of selector 8 within the second group of part C records.
const std::vector<int> kSecondGroupSel8 = {1, 2, 5, 3, 4};

int part_c_index(int s5, int s8) {
  if (!in_second_group(s5)) return s8 - 1;
  for (size_t i = 0; i < kSecondGroupSel8.size(); ++i) {
    if (kSecondGroupSel8[i] == s8) return 5 + static_cast<int>(i);
  }
  throw std::logic_error("selector 8 value without a part C record");
}

// Every allowed combination of the six keys, in table order.
std::vector<ModeKeys> mode_rows() {
  std::vector<ModeKeys> rows;
  for (int s4 : kSel4Values) {
    for (int s9 : drv::sel9_values(s4)) {
      for (int s5 : drv::sel5_values(s4)) {
        for (int s8 : drv::sel8_values(s4, s5)) {
          std::vector<int> sel6 = s4 == 3 ? std::vector<int>{1} : std::vector<int>{2, 1};
          for (int s6 : sel6) rows.push_back({s4, s9, s5, s8, s6, drv::kSel81Value});
        }
      }
    }
  }
  return rows;
}

// Byte 2 of a part A record, by selector 5.
int part_a_sel5_code(int s5) {
  struct Code {
    int s5, code;
  };
  static const Code codes[] = {{1, 0},   {2, 1},    {258, 3},  {259, 4},  {261, 6},
                               {263, 8}, {271, 16}, {273, 18}, {277, 22}, {383, 128}};
  for (const Code& c : codes) {
    if (c.s5 == s5) return c.code;
  }
  throw std::logic_error("selector 5 value without a part A code");
}

// Byte 4 of a part A record, by selector 4.
int part_a_sel4_code(int s4) { return s4 == 1 ? 3 : s4 == 2 ? 2 : 4; }

void put16(std::vector<uint8_t>& rec, size_t at, int v) {
  rec[at] = v & 0xFF;
  rec[at + 1] = (v >> 8) & 0xFF;
}
void put32(std::vector<uint8_t>& rec, size_t at, int64_t v) {
  for (int i = 0; i < 4; ++i) rec[at + i] = (v >> (8 * i)) & 0xFF;
}

std::vector<uint8_t> part_a_record(const ModeKeys& k) {
  std::vector<uint8_t> rec(kModePartASize, 0);
  rec[0] = 26;
  rec[2] = part_a_sel5_code(k.s5);
  rec[4] = part_a_sel4_code(k.s4);
  rec[7] = 1;
  rec[8] = k.s4 == 3 ? 2 : 1;
  rec[10] = k.s4 == 3 ? 128 : 0;
  rec[12] = drv::sel8_code(k.s8);
  rec[14] = k.s6 == 1 ? 1 : 0;
  rec[16] = k.s9;
  put16(rec, 18, drv::x_resolution(k.s8));
  put16(rec, 20, drv::x_resolution(k.s8));
  put16(rec, 22, drv::y_resolution(k.s4, k.s8));
  put16(rec, 24, drv::x_resolution(k.s8));
  rec[26] = 5;
  return rec;
}

// Part C: the first group for selector 8 = 1..5, then the second group in the
// order of kSecondGroupSel8; the paper is always the letter size.
std::vector<std::vector<uint8_t>> part_c_records() {
  const int64_t kLetterWidth = 21590, kLetterLength = 27940;
  struct Group {
    int field2;             // 7 for the first group, 4 for the second
    std::vector<int> sel8;  // selector-8 values, in record order
  };
  const Group groups[] = {{7, {1, 2, 3, 4, 5}}, {4, kSecondGroupSel8}};
  std::vector<std::vector<uint8_t>> out;
  for (const Group& g : groups) {
    for (int s8 : g.sel8) {
      std::vector<uint8_t> rec(kModePartCSize, 0);
      put16(rec, 0, 13);
      put16(rec, 2, g.field2);
      put16(rec, 4, 3);
      put16(rec, 6, 5 * (s8 - 1));
      put32(rec, 8, kLetterWidth);
      put32(rec, 12, kLetterLength);
      out.push_back(std::move(rec));
    }
  }
  return out;
}

void write_mode_tables(Model& m) {
  std::vector<ModeKeys> rows = mode_rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const ModeKeys& k = rows[i];
    m.mode_row({k.s4, k.s9, k.s5, k.s8, k.s6, k.s81},
               {static_cast<int64_t>(i), 0, part_c_index(k.s5, k.s8), 0});
    m.mode_part_record(0, part_a_record(k));
  }
  m.mode_part_record(1, std::vector<uint8_t>(kModePartBSize, 0));
  for (std::vector<uint8_t> rec : part_c_records()) m.mode_part_record(2, std::move(rec));
  m.mode_part_record(3, std::vector<uint8_t>(kModePartDSize, 0));
}

}  // namespace

void describe_drv_tables(Model& m) {
  write_selector_values(m);
  write_sequences(m);
  write_mode_tables(m);
}

}  // namespace orv::model
