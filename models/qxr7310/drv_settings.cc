// The settings tree and the stored-lists tree. Both are nested switches over
// the allowed combinations of selectors 4, 9, 5, 81 and 8 (and 6 below that
// in the settings tree), generated from the combinations table and the rows
// of drv_settings.h.
#include "drv_settings.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "drv_parts.h"

namespace orv::model::drv {

// ---- reading the rows ---------------------------------------------------------

namespace {

template <typename Row, size_t N>
const Row& row_of(const Row (&rows)[N], int value, const char* selector) {
  for (const Row& r : rows) {
    if (r.value == value) return r;
  }
  throw std::logic_error(std::string("no row for selector ") + selector + " = " +
                         std::to_string(value));
}

bool takes(Sel5Set set, const Sel5Row& r) {
  switch (set) {
    case Sel5Set::kEverySel8:
      return r.sel8 == kEverySel8;
    case Sel5Set::kSomeSel8:
      return r.sel8 == kSomeSel8;
    case Sel5Set::kWithSel4_3:
      return r.with_sel4_3;
  }
  return false;
}

// The combinations of one selector-4 value, which must agree on selectors 9
// and 81.
std::vector<const Combination*> combinations_of(int s4) {
  std::vector<const Combination*> out;
  for (const Combination& c : kCombinations) {
    if (c.sel4 != s4) continue;
    if (!out.empty() && (c.sel9 != out.front()->sel9 || c.sel81 != out.front()->sel81))
      throw std::logic_error("combinations of selector 4 = " + std::to_string(s4) +
                             " disagree on selector 9 or 81");
    out.push_back(&c);
  }
  return out;
}

}  // namespace

const Sel4Row& sel4_row(int s4) { return row_of(kSel4Rows, s4, "4"); }
const Sel5Row& sel5_row(int s5) { return row_of(kSel5Rows, s5, "5"); }
const Sel8Row& sel8_row(int s8) { return row_of(kSel8Rows, s8, "8"); }

const Combination* combination(int s4, int s5) {
  const Combination* found = nullptr;
  for (const Combination* c : combinations_of(s4)) {
    if (!takes(c->sel5, sel5_row(s5))) continue;
    if (found != nullptr)
      throw std::logic_error("two combinations hold selector 4 = " + std::to_string(s4) +
                             " with selector 5 = " + std::to_string(s5));
    found = c;
  }
  return found;
}

std::vector<int> sel9_values(int s4) {
  std::vector<const Combination*> c = combinations_of(s4);
  return c.empty() ? std::vector<int>{} : c.front()->sel9;
}

std::vector<int> sel5_values(int s4) {
  std::vector<int> out;
  for (const Sel5Row& r : kSel5Rows) {
    if (combination(s4, r.value) != nullptr) out.push_back(r.value);
  }
  return out;
}

int sel81_value(int s4) {
  std::vector<const Combination*> c = combinations_of(s4);
  if (c.empty()) throw std::logic_error("no combination of selector 4 = " + std::to_string(s4));
  return c.front()->sel81;
}

int y_resolution(int s4, int s8) {
  return std::min(sel8_row(s8).y_resolution, sel4_row(s4).max_y_resolution);
}

int by_sel9(const std::vector<BySel9>& list, int s9) {
  for (const BySel9& b : list) {
    if (b.sel9 == s9 || b.sel9 == kAnySel9) return b.value;
  }
  throw std::logic_error("no value for selector 9 = " + std::to_string(s9));
}

// ---- the trees --------------------------------------------------------------

namespace {

// The selector-4 values that have combinations, in stored order.
std::vector<int> sel4_values() {
  std::vector<int> out;
  for (const Sel4Row& r : kSel4Rows) {
    if (!sel9_values(r.value).empty()) out.push_back(r.value);
  }
  return out;
}

// 0x1008: the resolution pair, stored in the narrowest kind that holds it.
Node resolution_leaf(int s8) {
  int r = x_resolution(s8);
  return r <= 255 ? uint8(0x1008, {r, r}) : int16(0x1008, {r, r});
}

// Fragment 2 of the 0x1019 command sequence: setup, resolution and the
// third command, for one combination.
std::vector<uint8_t> setup_fragment(int s4, int s9, int s5, int s8) {
  const Sel4Row& r4 = sel4_row(s4);
  uint8_t mode = static_cast<uint8_t>(by_sel9(r4.setup_mode, s9));
  uint8_t codes = static_cast<uint8_t>(sel5_row(s5).setup_code | sel8_code(s8));
  std::vector<uint8_t> third(r4.third_cmd.begin(), r4.third_cmd.end());
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

  std::vector<Node> sel6_cases;
  for (int s6 : combination(s4, s5)->sel6) sel6_cases.push_back(case_(s6, ref(tail)));

  const SingleSel8* single = sel4_row(s4).single_sel8;
  const Sel8Attributes& attrs = *sel5_row(s5).attrs;
  std::vector<int64_t> v1015 =
      single ? std::vector<int64_t>(single->v1015.begin(), single->v1015.end())
             : std::vector<int64_t>{s8, s8, 0, 0};
  return seq({
      int8(0x5006, {single ? single->attr5006 : attrs.attr5006[s8 - 1]}),
      int8(0x5007, {single ? single->attr5007 : attrs.attr5007[s8 - 1]}),
      int8(0x1015, std::move(v1015)),
      uint8(0x1038, {33, 161}),
      switch_sel(6, std::move(sel6_cases)),
  });
}

Node settings_tree(Model& m) {
  std::vector<Node> sel4_cases;
  for (int s4 : sel4_values()) {
    const int s81 = sel81_value(s4);
    std::vector<Node> sel9_cases;
    for (int s9 : sel9_values(s4)) {
      std::vector<Node> sel5_cases;
      for (int s5 : sel5_values(s4)) {
        std::vector<Node> sel8_cases;
        for (int s8 : combination(s4, s5)->sel8) {
          sel8_cases.push_back(case_(s8, settings_sel8_level(m, s4, s9, s5, s8)));
        }
        sel5_cases.push_back(
            case_(s5, switch_sel(81, {case_(s81, switch_sel(8, std::move(sel8_cases)))})));
      }
      sel9_cases.push_back(case_(s9, switch_sel(5, std::move(sel5_cases))));
    }
    sel4_cases.push_back(case_(s4, switch_sel(9, std::move(sel9_cases))));
  }
  return switch_sel(4, std::move(sel4_cases));
}

std::vector<int64_t> as_list(const std::vector<int>& v) { return {v.begin(), v.end()}; }

// The stored lists below the selector-9 level for one selector-4 value. Each
// list names the values of the next level of the settings tree, followed by
// the marker pair that marks one of them.
Node lists_below_sel9(int s4) {
  const int s81 = sel81_value(s4);
  const SingleSel8* single = sel4_row(s4).single_sel8;
  std::vector<Node> sel5_cases;
  for (int s5 : sel5_values(s4)) {
    const Combination& c = *combination(s4, s5);
    std::vector<Node> sel8_cases;
    for (int s8 : c.sel8) {
      std::vector<int> sel6(c.sel6.rbegin(), c.sel6.rend());  // the selector-6 list runs downward
      sel8_cases.push_back(case_(s8, seq({int8(0x1014, as_list(sel6)), int8(0x500D, {3, 1})})));
    }
    const int marked = single ? single->marked_sel8 : sel5_row(s5).marked_sel8;
    Node sel81_level = seq({
        int8(0x1016, as_list(c.sel8)),
        int8(0x5005, {marked, 1}),
        switch_sel(8, std::move(sel8_cases)),
    });
    sel5_cases.push_back(case_(s5, seq({
                                       int8(0x104D, {s81}),
                                       int8(0x5010, {0, 1}),
                                       switch_sel(81, {case_(s81, std::move(sel81_level))}),
                                   })));
  }
  return seq({
      int16(0x100E, as_list(sel5_values(s4))),
      int8(0x5004, {1, 1}),
      switch_sel(5, std::move(sel5_cases)),
  });
}

Node stored_lists_tree(Model& m) {
  // The lists do not depend on selector 9: one shared subtree per distinct
  // set of lists.
  std::vector<int64_t> all_sel4;
  std::vector<Node> sel4_cases;
  for (const Sel4Row& r : kSel4Rows) all_sel4.push_back(r.value);
  for (int s4 : sel4_values()) {
    const std::string lists = "drv_lists_sel4_" + std::to_string(s4);
    m.tree(lists, lists_below_sel9(s4));
    std::vector<Node> sel9_cases;
    for (int s9 : sel9_values(s4)) sel9_cases.push_back(case_(s9, ref(lists)));
    sel4_cases.push_back(case_(s4, switch_sel(9, std::move(sel9_cases))));
  }
  return seq({
      int8(0x100C, std::move(all_sel4)),
      int8(0x5003, {1, 1}),
      switch_sel(4, std::move(sel4_cases)),
  });
}

}  // namespace

void describe_drv_settings(Model& m) {
  m.tree(kSettingsTree, settings_tree(m));
  m.answer(
      {
          {0x1008, "two numbers by the settings combination (selectors 4, 9, 5, 81, 8, 6)"},
          {0x1015, "four numbers by the settings combination (selectors 4, 9, 5, 81, 8)"},
          {0x1038, "two numbers for every settings combination the tree defines"},
          {0x5006, "attr1 of a selector-8 list's record, by the settings and the record's value"},
          {0x5007, "attr2 of a selector-8 list's record, by the settings and the record's value"},
      },
      ref(kSettingsTree));
  m.fragment(kFrag1019Settings, ref(kSettingsTree));

  m.answer(
      {
          {0x100C, "the values of selector 4, as value records"},
          {0x100E,
           "the values of selector 5 the settings (selectors 4, 9) allow, as value records"},
          {0x104D, "the values of selector 81 the settings allow, as value records"},
          {0x1016, "the values of selector 8 the settings allow, as value records"},
          {0x1014, "the values of selector 6 the settings allow, as value records"},
          {0x5003, "marker pair (key, mark) of the lists of selector 4"},
          {0x5004, "marker pair (key, mark) of the lists of selector 5, by selectors 4, 9"},
          {0x5010, "marker pair (key, mark) of the selector-81 list, by selectors 4, 9, 5"},
          {0x5005, "marker pair (key, mark) of the selector-8 lists, by the settings"},
          {0x500D, "marker pair (key, mark) of the selector-6 list, by the settings"},
      },
      stored_lists_tree(m));
}

}  // namespace orv::model::drv
