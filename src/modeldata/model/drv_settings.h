// The allowed combinations of settings, stated once as rules: which values
// of selectors 9, 5, 8 and 6 go with each value of selector 4, and which
// selector-5 values allow every selector-8 value. The settings tree, the
// stored lists, fragment 2 of the 0x1019 command sequence and the mode table
// are all generated from these rules. Build-time code.
#ifndef ORVDB_MODELDATA_MODEL_DRV_SETTINGS_H_
#define ORVDB_MODELDATA_MODEL_DRV_SETTINGS_H_

#include <algorithm>
#include <vector>

namespace orv::model::drv {

// Selector index of the paper size code.
constexpr int kSelPaper = 28;

// Selector-4 values in stored order.
inline const std::vector<int> kSel4Values = {1, 2, 3};

// Selector-5 values in stored order: the order of every list of them.
inline const std::vector<int> kSel5Values = {1, 271, 277, 261, 259, 273, 258, 2, 263, 383};

// Selector-9 values allowed with a selector-4 value.
inline std::vector<int> sel9_values(int s4) {
  return s4 == 2 ? std::vector<int>{2} : std::vector<int>{0, 1};
}

// Selector-5 values allowed with a selector-4 value, in stored order.
inline std::vector<int> sel5_values(int s4) {
  if (s4 != 3) return kSel5Values;
  return {1, 271, 277, 263, 383};
}

// Selector-5 values with which every selector-8 value is allowed; the
// others allow 1, 2, 5.
inline bool sel5_allows_all_sel8(int s5) {
  static const std::vector<int> all = {1, 271, 277, 259, 263, 383};
  return std::find(all.begin(), all.end(), s5) != all.end();
}

// Selector-8 values allowed with selector-4 and selector-5 values, ascending.
inline std::vector<int> sel8_values(int s4, int s5) {
  if (s4 == 3) return {1};
  if (sel5_allows_all_sel8(s5)) return {1, 2, 3, 4, 5};
  return {1, 2, 5};
}

// Selector-6 values allowed with a selector-4 value, ascending.
inline std::vector<int> sel6_values(int s4) {
  return s4 == 3 ? std::vector<int>{1, 3} : std::vector<int>{1, 2, 3};
}

// The only selector-81 value defined.
constexpr int kSel81Value = 0;

// Horizontal resolution of a selector-8 value, and the vertical one with a
// selector-4 value (dots per inch).
inline int x_resolution(int s8) { return s8 == 5 ? 180 : 360; }
inline int y_resolution(int s4, int s8) {
  if (s8 == 5) return 180;
  if (s4 == 3) return 360;
  return (s8 == 1 || s8 == 3) ? 720 : 360;
}

// Code of a selector-8 value (low four bits of the setup byte).
inline int sel8_code(int s8) {
  switch (s8) {
    case 1:
    case 2:
      return 1;
    case 5:
      return 2;
    default:
      return 0;
  }
}

// Code of a selector-5 value (high four bits of the setup byte).
inline int sel5_code(int s5) {
  switch (s5) {
    case 383:
      return 0x10;
    case 2:
      return 0x20;
    case 258:
    case 273:
      return 0x30;
    case 259:
      return 0x40;
    case 277:
      return 0x50;
    case 261:
      return 0x60;
    case 271:
      return 0x70;
    default:  // 1, 263
      return 0x00;
  }
}

}  // namespace orv::model::drv

#endif  // ORVDB_MODELDATA_MODEL_DRV_SETTINGS_H_
