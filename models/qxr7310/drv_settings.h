// The print settings of the Drv domain, one row per setting value with
// everything the trees and tables derive from it, and the allowed
// combinations of the settings tree as one table. The settings tree, the
// stored lists, the smaller selector trees, the fragments of the 0x1019
// command sequence, the selector-value table and the mode table all read
// these rows; a new setting value is one more row. Build-time code.
#ifndef ORVDB_MODELS_QXR7310_DRV_SETTINGS_H_
#define ORVDB_MODELS_QXR7310_DRV_SETTINGS_H_

#include <stdint.h>

#include <array>
#include <vector>

namespace orv::model::drv {

// Selector index of the paper size code.
constexpr int kSelPaper = 28;

// ---- selector 4 -------------------------------------------------------------

// What a selector-4 value fixes when the settings allow only one selector-8
// value with it.
struct SingleSel8 {
  std::array<int64_t, 4> v1015;  // 0x1015
  int attr5006;                  // 0x5006 of the one selector-8 record
  int attr5007;                  // 0x5007 of the one selector-8 record
  int marked_sel8;               // 0x5005: the selector-8 value marked
};

// A value of selector 9 and what it gives with the selector-4 value.
struct BySel9 {
  int sel9;   // the selector-9 value
  int value;  // what it gives
};

struct Sel4Row {
  int value;                         // the selector-4 value
  int value_id;                      // its identifier in the selector-value table
  int attr500C;                      // 0x500C: attr2 of its value record
  int attr500B;                      // 0x500B: attr3 of its value record
  std::vector<BySel9> v1007;         // 0x1007 by selector 9; one entry with kAnySel9: whatever
  std::vector<BySel9> setup_mode;    // first parameter of the setup command, by selector 9
  std::array<uint8_t, 3> third_cmd;  // parameters of the third settings command ('t')
  int max_y_resolution;              // vertical resolution at most (dots per inch)
  std::array<int, 3> mode_bytes;     // bytes 4, 8 and 10 of its part A records
  const SingleSel8* single_sel8;     // when it allows one selector-8 value only, else null
};

// Selector 9 not read: one value whatever it holds.
constexpr int kAnySel9 = -1;

// What selector 4 = 3 fixes.
inline constexpr SingleSel8 kSel4Is3 = {{0, 1, 0, 0}, 1, -4, 1};

// In stored order: the order of its lists and of the selector-value table.
// clang-format off
inline const Sel4Row kSel4Rows[] = {
//   value id     0x500C 0x500B 0x1007 by s9      setup by s9             third command       max y part A 4 8 10  single s8
    {1,    15002, 20001, 1,     {{0, 24}, {1, 8}}, {{0, 0x10}, {1, 0x11}}, {0x01, 0x00, 0x01}, 720,  {3, 1, 0},    nullptr},
    {2,    15001, 20002, 0,     {{kAnySel9, 8}},   {{2, 0x11}},            {0x01, 0x00, 0x01}, 720,  {2, 1, 0},    nullptr},
    {3,    15003, 20003, 1,     {{0, 24}, {1, 8}}, {{0, 0x10}, {1, 0x10}}, {0x02, 0x80, 0x02}, 360,  {4, 2, 128},  &kSel4Is3},
};
// clang-format on

// ---- selector 5 -------------------------------------------------------------

// Which selector-8 values a selector-5 value allows with selector 4 = 1 or 2.
enum Sel8Choice {
  kEverySel8,  // every selector-8 value
  kSomeSel8,   // some (the combinations table says which)
};

// Which part C records the mode rows of a selector-5 value name.
enum PartCGroup {
  kPartCFirst,   // the first group of records
  kPartCSecond,  // the second group of records
};

// The per-value attributes of the selector-8 list (0x5006, 0x5007), by
// selector 8 = 1 to 5, with selector 4 = 1 or 2; 0 where selector 8 is not
// allowed.
struct Sel8Attributes {
  std::array<int, 5> attr5006;  // 0x5006 (attr1)
  std::array<int, 5> attr5007;  // 0x5007 (attr2)
};
inline constexpr Sel8Attributes kAttrsA = {{0, 1, 0, 2, 3}, {-4, -4, -4, -3, -2}};
inline constexpr Sel8Attributes kAttrsB = {{1, 2, 0, 0, 0}, {-4, -3, -3, -3, -3}};
inline constexpr Sel8Attributes kAttrsC = {{1, 2, 0, 0, 0}, {-4, -3, 0, 0, -3}};

struct Sel5Row {
  int value;                    // the selector-5 value
  int value_id;                 // its identifier in the selector-value table
  Sel8Choice sel8;              // the selector-8 values it allows with selector 4 = 1 or 2
  bool with_sel4_3;             // allowed with selector 4 = 3
  int setup_code;               // high four bits of the setup command's second parameter
  uint8_t l_param2;             // fragment 5 of 0x1019: second parameter of the 'l' command
  int mode_code;                // byte 2 of its part A records
  PartCGroup part_c;            // the part C records its mode rows name
  int marked_sel7;              // 0x5002: the selector-7 value marked
  int marked_sel8;              // 0x5005: the selector-8 value marked (selector 4 = 1 or 2)
  const Sel8Attributes* attrs;  // 0x5006, 0x5007 (selector 4 = 1 or 2)
  int v1026;                    // 0x1026 (selector 7 = any value of kSel7Rows)
  std::array<int, 2> v1027;     // 0x1027 by selector 7, in the order of kSel7Rows
  int v1028;                    // 0x1028 (any value not listed gives 0)
};

// In stored order: the order of every list of them.
// clang-format off
inline const Sel5Row kSel5Rows[] = {
//   value id     selector 8  s4=3   setup l2    mode part C     marked 7, 8 attrs  0x1026 0x1027 by s7    0x1028
    {1,   15101, kEverySel8, true,  0x00, 0x00, 0,   kPartCFirst,  7, 4, &kAttrsA, 21012, {21021, 21022}, 0},
    {271, 15117, kEverySel8, true,  0x70, 0x10, 16,  kPartCFirst,  7, 2, &kAttrsB, 21012, {21021, 21022}, 0},
    {277, 15123, kEverySel8, true,  0x50, 0x10, 22,  kPartCFirst,  7, 2, &kAttrsB, 21012, {21021, 21022}, 0},
    {261, 15107, kSomeSel8,  false, 0x60, 0x20, 6,   kPartCSecond, 4, 1, &kAttrsC, 21012, {21021, 21021}, 0},
    {259, 15105, kEverySel8, false, 0x40, 0x50, 4,   kPartCSecond, 4, 2, &kAttrsB, 21013, {21021, 21022}, 0},
    {273, 15119, kSomeSel8,  false, 0x30, 0x10, 18,  kPartCFirst,  7, 2, &kAttrsC, 21012, {21021, 21022}, 1},
    {258, 15104, kSomeSel8,  false, 0x30, 0x10, 3,   kPartCFirst,  7, 2, &kAttrsC, 21012, {21021, 21022}, 1},
    {2,   15102, kSomeSel8,  false, 0x20, 0x20, 1,   kPartCFirst,  7, 1, &kAttrsC, 21012, {21021, 21022}, 0},
    {263, 15109, kEverySel8, true,  0x00, 0x80, 8,   kPartCFirst,  7, 2, &kAttrsA, 21013, {21021, 21021}, 0},
    {383, 15128, kEverySel8, true,  0x10, 0x80, 128, kPartCSecond, 4, 2, &kAttrsA, 21013, {21021, 21021}, 0},
};
// clang-format on

// ---- selectors 7 and 8 ------------------------------------------------------

struct Sel7Row {
  int value;         // the selector-7 value
  int value_id;      // its identifier in the selector-value table
  uint8_t l_param1;  // fragment 4 of 0x1019: first parameter of the 'l' command
};

// In stored order.
inline const Sel7Row kSel7Rows[] = {
    {4, 15301, 0x11},
    {7, 15302, 0x14},
};

struct Sel8Row {
  int value;         // the selector-8 value
  int x_resolution;  // horizontal resolution (dots per inch)
  int y_resolution;  // vertical resolution, unless selector 4 allows less
  int code;          // low four bits of the setup command's second parameter; part A byte 12
};

// Ascending.
inline const Sel8Row kSel8Rows[] = {
    {1, 360, 720, 1}, {2, 360, 360, 1}, {3, 360, 720, 0}, {4, 360, 360, 0}, {5, 180, 180, 2},
};

// ---- the allowed combinations -----------------------------------------------

// Which selector-5 rows a combination takes.
enum class Sel5Set {
  kEverySel8,  // the rows that allow every selector-8 value
  kSomeSel8,   // the rows that allow some
  kWithSel4_3  // the rows allowed with selector 4 = 3
};

// A group of allowed combinations: every value of one column with every
// value of the others.
struct Combination {
  int sel4;               // selector 4
  std::vector<int> sel9;  // selector 9
  Sel5Set sel5;           // selector 5
  int sel81;              // selector 81
  std::vector<int> sel8;  // selector 8, ascending
  std::vector<int> sel6;  // selector 6 (0x1008 and fragment 2 of 0x1019 only), ascending
};

// The combinations the settings tree defines; every other is not found.
// clang-format off
inline const Combination kCombinations[] = {
//   s4  s9       s5                     s81 s8                s6
    {1, {0, 1}, Sel5Set::kEverySel8,  0,  {1, 2, 3, 4, 5}, {1, 2, 3}},
    {1, {0, 1}, Sel5Set::kSomeSel8,   0,  {1, 2, 5},       {1, 2, 3}},
    {2, {2},    Sel5Set::kEverySel8,  0,  {1, 2, 3, 4, 5}, {1, 2, 3}},
    {2, {2},    Sel5Set::kSomeSel8,   0,  {1, 2, 5},       {1, 2, 3}},
    {3, {0, 1}, Sel5Set::kWithSel4_3, 0,  {1},             {1, 3}},
};
// clang-format on

// ---- reading the rows ---------------------------------------------------------

// The rows of a value; an unknown value is a description fault (throws).
const Sel4Row& sel4_row(int s4);
const Sel5Row& sel5_row(int s5);
const Sel8Row& sel8_row(int s8);

// The combination that holds selector 4 = s4 with selector 5 = s5, or null.
const Combination* combination(int s4, int s5);
// Selector-9 values allowed with s4, in the combinations' order.
std::vector<int> sel9_values(int s4);
// Selector-5 values allowed with s4, in stored order.
std::vector<int> sel5_values(int s4);
// Selector-81 value allowed with s4.
int sel81_value(int s4);

// Resolution of selector 8 with selector 4 (dots per inch).
inline int x_resolution(int s8) { return sel8_row(s8).x_resolution; }
int y_resolution(int s4, int s8);

// The part-A-record and setup-byte codes of a value.
inline int sel8_code(int s8) { return sel8_row(s8).code; }

// What a BySel9 list gives for selector 9 = s9 (kAnySel9 matches every value).
int by_sel9(const std::vector<BySel9>& list, int s9);

}  // namespace orv::model::drv

#endif  // ORVDB_MODELS_QXR7310_DRV_SETTINGS_H_
