// This model's entries of the tables that only the Drv special records read:
// the selector-value table (from the rows of each setting and the paper
// table), the command-sequence table (naming fragment trees by label) and
// the mode table with its part tables, whose rows follow the mode table's own
// rule below.
#include <stdexcept>
#include <string>
#include <vector>

#include "domains.h"
#include "drv_parts.h"
#include "drv_settings.h"
#include "drvrecords/drv_tables.h"

namespace orv::model {
namespace {

using namespace drv;

// ---- selector-value table -------------------------------------------------

// Every value of selectors 28, 7, 5 and 4, in list order, with its identifier.
void selector_value_table(Model& m) {
  m.selector_values(kSelPaper, paper_selector_values());
  std::vector<SelectorValue> sel7, sel5, sel4;
  for (const Sel7Row& r : kSel7Rows) sel7.push_back({r.value, r.value_id});
  for (const Sel5Row& r : kSel5Rows) sel5.push_back({r.value, r.value_id});
  for (const Sel4Row& r : kSel4Rows) sel4.push_back({r.value, r.value_id});
  m.selector_values(7, std::move(sel7));
  m.selector_values(5, std::move(sel5));
  m.selector_values(4, std::move(sel4));
}

// ---- command-sequence table -----------------------------------------------

void command_sequence_table(Model& m) {
  m.command_sequence(
      0x1019, {kFrag1019Head, kFrag1019Settings, kFrag1019Paper, kFrag1019Sel7, kFrag1019Sel5});
  m.command_sequence(0x1018, {kFrag1018Head, kFrag1018Options});
  m.command_sequence(0x101D, {kFrag101D});
  m.command_sequence(0x101C, {kFrag101C});
  m.command_sequence(0x101B, {kFrag101B});
}

// ---- mode table ---------------------------------------------------------------

// The mode table's rows, in the order its rule gives them: for each of these
// (selector 4, selector 9) pairs, every selector-5 value the settings allow
// with that selector 4 (in stored order), every selector-8 value they allow
// with both (ascending), then the selector-6 values listed here, in this
// order; selector 81 as the settings allow.
struct ModeGroup {
  int sel4;               // selector 4
  int sel9;               // selector 9
  std::vector<int> sel6;  // selector 6, in row order
};
// clang-format off
const ModeGroup kModeGroups[] = {
//   s4 s9  s6
    {1, 0, {2, 1}},
    {1, 1, {2, 1}},
    {2, 2, {2, 1}},
    {3, 0, {1}},
    {3, 1, {1}},
};
// clang-format on

// Mode part C, as its table gives it: each record with the selector-5 group
// and selector-8 value of the mode rows that name it. Fields 5 and 6 are the
// letter paper's width and length.
struct PartCRow {
  PartCGroup group;             // the selector-5 values' group
  int sel8;                     // the selector-8 value
  std::array<int, 4> fields16;  // fields 1 to 4, unsigned 16-bit
};
constexpr uint16_t kLetter = 1;  // paper code of the letter size
// clang-format off
const PartCRow kPartC[] = {
//   group         s8  fields 1-4
    {kPartCFirst,  1, {13, 7, 3, 0}},
    {kPartCFirst,  2, {13, 7, 3, 5}},
    {kPartCFirst,  3, {13, 7, 3, 10}},
    {kPartCFirst,  4, {13, 7, 3, 15}},
    {kPartCFirst,  5, {13, 7, 3, 20}},
    {kPartCSecond, 1, {13, 4, 3, 0}},
    {kPartCSecond, 2, {13, 4, 3, 5}},
    {kPartCSecond, 5, {13, 4, 3, 20}},
    {kPartCSecond, 3, {13, 4, 3, 10}},
    {kPartCSecond, 4, {13, 4, 3, 15}},
};
// clang-format on

struct ModeKeys {
  int s4, s9, s5, s8, s6, s81;  // the six keys
};

int part_c_index(int s5, int s8) {
  const PartCGroup group = sel5_row(s5).part_c;
  for (size_t i = 0; i < std::size(kPartC); ++i) {
    if (kPartC[i].group == group && kPartC[i].sel8 == s8) return static_cast<int>(i);
  }
  throw std::logic_error("no part C record for selector 5 = " + std::to_string(s5) +
                         ", selector 8 = " + std::to_string(s8));
}

void put16(std::vector<uint8_t>& rec, size_t at, int v) {
  rec[at] = v & 0xFF;
  rec[at + 1] = (v >> 8) & 0xFF;
}
void put32(std::vector<uint8_t>& rec, size_t at, int64_t v) {
  for (int i = 0; i < 4; ++i) rec[at + i] = (v >> (8 * i)) & 0xFF;
}

// The part A record of a mode row, from the rows of its keys' values.
std::vector<uint8_t> part_a_record(const ModeKeys& k) {
  const std::array<int, 3>& by_sel4 = sel4_row(k.s4).mode_bytes;
  std::vector<uint8_t> rec(kModePartASize, 0);
  rec[0] = 26;
  rec[2] = static_cast<uint8_t>(sel5_row(k.s5).mode_code);
  rec[4] = static_cast<uint8_t>(by_sel4[0]);
  rec[7] = 1;
  rec[8] = static_cast<uint8_t>(by_sel4[1]);
  rec[10] = static_cast<uint8_t>(by_sel4[2]);
  rec[12] = static_cast<uint8_t>(sel8_code(k.s8));
  rec[14] = k.s6 == 1 ? 1 : 0;
  rec[16] = static_cast<uint8_t>(k.s9);
  put16(rec, 18, x_resolution(k.s8));
  put16(rec, 20, x_resolution(k.s8));
  put16(rec, 22, y_resolution(k.s4, k.s8));
  put16(rec, 24, x_resolution(k.s8));
  rec[26] = 5;
  return rec;
}

std::vector<uint8_t> part_c_record(const PartCRow& row) {
  const std::array<int32_t, 2> letter = paper_size(kLetter);
  std::vector<uint8_t> rec(kModePartCSize, 0);
  for (size_t f = 0; f < row.fields16.size(); ++f) put16(rec, 2 * f, row.fields16[f]);
  put32(rec, 8, letter[0]);
  put32(rec, 12, letter[1]);
  return rec;
}

void mode_tables(Model& m) {
  int row = 0;
  for (const ModeGroup& g : kModeGroups) {
    const int s81 = sel81_value(g.sel4);
    for (int s5 : sel5_values(g.sel4)) {
      for (int s8 : combination(g.sel4, s5)->sel8) {
        for (int s6 : g.sel6) {
          const ModeKeys k{g.sel4, g.sel9, s5, s8, s6, s81};
          m.mode_row({k.s4, k.s9, k.s5, k.s8, k.s6, k.s81}, {row, 0, part_c_index(s5, s8), 0});
          m.mode_part_record(0, part_a_record(k));
          ++row;
        }
      }
    }
  }
  m.mode_part_record(1, std::vector<uint8_t>(kModePartBSize, 0));
  for (const PartCRow& c : kPartC) m.mode_part_record(2, part_c_record(c));
  m.mode_part_record(3, std::vector<uint8_t>(kModePartDSize, 0));
}

}  // namespace

void describe_drv_tables(Model& m) {
  selector_value_table(m);
  command_sequence_table(m);
  mode_tables(m);
}

}  // namespace orv::model
