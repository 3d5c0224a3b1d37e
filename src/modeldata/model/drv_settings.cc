// The settings tree and the stored-lists tree. Both are nested switches over
// the allowed combinations of selectors 4, 9, 5, 81 and 8 (and 6 below that
// in the settings tree), generated from the rules of drv_settings.h; every
// leaf's value is stated as a rule or a small table of cases.
#include "modeldata/model/drv_settings.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "modeldata/model/drv_parts.h"

namespace orv::model::drv {
namespace {

// Per-value attributes of the 0x1016 list (0x5006, 0x5007), by selector 8.
struct Sel8Attributes {
  bool sel4_is_3;               // rows for selector 4 = 3, else for 1 and 2
  std::vector<int> sel5;        // the selector-5 values the row covers
  std::array<int, 5> attr5006;  // by selector 8 = 1..5 (only allowed values are used)
  std::array<int, 5> attr5007;  // the same for 0x5007
};

const Sel8Attributes kSel8Attributes[] = {
    {false, {1, 263, 383}, {0, 1, 0, 2, 3}, {-4, -4, -4, -3, -2}},
    {false, {259, 271, 277}, {1, 2, 0, 0, 0}, {-4, -3, -3, -3, -3}},
    {false, {2, 258, 261, 273}, {1, 2, 0, 0, 0}, {-4, -3, 0, 0, -3}},
    {true, {1, 263, 271, 277, 383}, {1, 0, 0, 0, 0}, {-4, 0, 0, 0, 0}},
};

const Sel8Attributes& sel8_attributes(int s4, int s5) {
  for (const auto& row : kSel8Attributes) {
    if (row.sel4_is_3 == (s4 == 3) &&
        std::find(row.sel5.begin(), row.sel5.end(), s5) != row.sel5.end()) {
      return row;
    }
  }
  throw std::logic_error("no selector-8 attributes for selector 5 = " + std::to_string(s5));
}

// 0x1008: the resolution pair, stored in the narrowest kind that holds it.
Node resolution_leaf(int s8) {
  int r = x_resolution(s8);
  return r <= 255 ? uint8(0x1008, {r, r}) : int16(0x1008, {r, r});
}

// Fragment 2 of the 0x1019 command sequence: setup, resolution and the
// third command, for one combination.
std::vector<uint8_t> setup_fragment(int s4, int s9, int s5, int s8) {
  uint8_t mode = ((s4 == 1 && s9 == 0) || s4 == 3) ? 0x10 : 0x11;
  uint8_t codes = static_cast<uint8_t>(sel5_code(s5) | sel8_code(s8));
  std::vector<uint8_t> third =
      s4 == 3 ? std::vector<uint8_t>{0x02, 0x80, 0x02} : std::vector<uint8_t>{0x01, 0x00, 0x01};
  return cat({
      paren('c', {mode, codes, 0x00}),
      paren('d', cat({be16(x_resolution(s8)), be16(y_resolution(s4, s8))})),
      paren('t', third),
  });
}

// What stands below the selector-8 level of the settings tree. The selector-6
// cases all lead to one shared tail, defined once per combination.
Node settings_sel8_level(Model& m, int s4, int s9, int s5, int s8) {
  std::string tail = "drv_settings_tail_" + std::to_string(s4) + "_" + std::to_string(s9) + "_" +
                     std::to_string(s5) + "_" + std::to_string(s8);
  m.tree(tail, seq({resolution_leaf(s8), bytes(kFragmentId, setup_fragment(s4, s9, s5, s8))}));

  const Sel8Attributes& attrs = sel8_attributes(s4, s5);
  std::vector<Node> sel6_cases;
  for (int s6 : sel6_values(s4)) sel6_cases.push_back(case_(s6, ref(tail)));

  std::vector<int64_t> v1015 =
      s4 == 3 ? std::vector<int64_t>{0, 1, 0, 0} : std::vector<int64_t>{s8, s8, 0, 0};
  return seq({
      int8(0x5006, {attrs.attr5006[s8 - 1]}),
      int8(0x5007, {attrs.attr5007[s8 - 1]}),
      int8(0x1015, std::move(v1015)),
      uint8(0x1038, {33, 161}),
      switch_sel(6, std::move(sel6_cases)),
  });
}

Node settings_tree(Model& m) {
  std::vector<Node> sel4_cases;
  for (int s4 : kSel4Values) {
    std::vector<Node> sel9_cases;
    for (int s9 : sel9_values(s4)) {
      std::vector<Node> sel5_cases;
      for (int s5 : sel5_values(s4)) {
        std::vector<Node> sel8_cases;
        for (int s8 : sel8_values(s4, s5)) {
          sel8_cases.push_back(case_(s8, settings_sel8_level(m, s4, s9, s5, s8)));
        }
        sel5_cases.push_back(
            case_(s5, switch_sel(81, {case_(kSel81Value, switch_sel(8, std::move(sel8_cases)))})));
      }
      sel9_cases.push_back(case_(s9, switch_sel(5, std::move(sel5_cases))));
    }
    sel4_cases.push_back(case_(s4, switch_sel(9, std::move(sel9_cases))));
  }
  return switch_sel(4, std::move(sel4_cases));
}

// Marker pair 0x5005 of the 0x1016 list: the selector-8 value to mark, and 1.
std::vector<int64_t> sel8_marker(int s4, int s5) {
  if (s4 == 3) return {1, 1};
  if (s5 == 1) return {4, 1};
  if (s5 == 2 || s5 == 261) return {1, 1};
  return {2, 1};
}

std::vector<int64_t> as_list(const std::vector<int>& v) { return {v.begin(), v.end()}; }

// The stored lists below the selector-9 level for one selector-4 value. Each
// list names the values of the next level of the settings tree, followed by
// the marker pair that marks one of them.
Node lists_below_sel9(int s4) {
  std::vector<Node> sel5_cases;
  for (int s5 : sel5_values(s4)) {
    std::vector<Node> sel8_cases;
    for (int s8 : sel8_values(s4, s5)) {
      std::vector<int> sel6 = sel6_values(s4);
      std::reverse(sel6.begin(), sel6.end());  // the selector-6 list runs downward
      sel8_cases.push_back(case_(s8, seq({int8(0x1014, as_list(sel6)), int8(0x500D, {3, 1})})));
    }
    Node sel81_level = seq({
        int8(0x1016, as_list(sel8_values(s4, s5))),
        int8(0x5005, sel8_marker(s4, s5)),
        switch_sel(8, std::move(sel8_cases)),
    });
    sel5_cases.push_back(case_(s5, seq({
                                       int8(0x104D, {kSel81Value}),
                                       int8(0x5010, {0, 1}),
                                       switch_sel(81, {case_(kSel81Value, std::move(sel81_level))}),
                                   })));
  }
  return seq({
      int16(0x100E, as_list(sel5_values(s4))),
      int8(0x5004, {1, 1}),
      switch_sel(5, std::move(sel5_cases)),
  });
}

Node stored_lists_tree(Model& m) {
  // The lists do not depend on selector 9, and selector 4 = 1 and 2 allow
  // the same values below it: one shared subtree each.
  const std::string lists12 = "drv_lists_sel4_1_2";
  const std::string lists3 = "drv_lists_sel4_3";
  m.tree(lists12, lists_below_sel9(1));
  m.tree(lists3, lists_below_sel9(3));

  std::vector<Node> sel4_cases;
  for (int s4 : kSel4Values) {
    std::vector<Node> sel9_cases;
    for (int s9 : sel9_values(s4)) sel9_cases.push_back(case_(s9, ref(s4 == 3 ? lists3 : lists12)));
    sel4_cases.push_back(case_(s4, switch_sel(9, std::move(sel9_cases))));
  }
  return seq({
      int8(0x100C, as_list(kSel4Values)),
      int8(0x5003, {1, 1}),
      switch_sel(4, std::move(sel4_cases)),
  });
}

}  // namespace

void describe_drv_settings(Model& m) {
  m.tree(kSettingsTree, settings_tree(m));
  m.root({0x1008, 0x1015, 0x1038, 0x5006, 0x5007}, ref(kSettingsTree));
  m.fragment(kFrag1019Settings, ref(kSettingsTree));

  m.root({0x100C, 0x100E, 0x104D, 0x1016, 0x1014, 0x5003, 0x5004, 0x5010, 0x5005, 0x500D},
         stored_lists_tree(m));
}

}  // namespace orv::model::drv
