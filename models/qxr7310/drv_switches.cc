// The smaller selector trees of the Drv domain, each with the internal
// leaves that stand beside its values. What depends on a setting value is
// read from its row (drv_settings.h).
#include <iterator>
#include <vector>

#include "drv_parts.h"
#include "drv_settings.h"

namespace orv::model::drv {
namespace {

// Switch cases from a list of selector values that all lead to equal targets.
std::vector<Node> cases_for(const std::vector<int>& values, const Node& target) {
  std::vector<Node> cases;
  for (int v : values) cases.push_back(case_(v, target));
  return cases;
}

// Selector-4 pair (0x1007, 0x103A) with the per-value attributes of the
// selector-4 lists (0x500C, 0x500B) first in each branch.
void selector4_pair(Model& m) {
  std::vector<Node> branches;
  for (const Sel4Row& r : kSel4Rows) {
    // 0x1007: by selector 9, or one value whatever selector 9 holds.
    std::vector<Node> by_sel9;
    for (const BySel9& b : r.v1007) by_sel9.push_back(case_(b.sel9, int8(0x1007, {b.value})));
    Node v1007 = r.v1007.size() == 1 && r.v1007.front().sel9 == kAnySel9
                     ? int8(0x1007, {r.v1007.front().value})
                     : switch_sel(9, std::move(by_sel9));
    branches.push_back(branch(r.value, {int16(0x500C, {r.attr500C}), int8(0x500B, {r.attr500B}),
                                        int8(0x103A, {r.value}), std::move(v1007)}));
  }
  m.answer(
      {
          {0x1007, "a number by selectors 4 and 9"},
          {0x103A, "the value of selector 4 (1, 2 or 3)"},
          {0x500B, "attr3 of a selector-4 list's record, by its value (selector 4)"},
          {0x500C, "attr2 of a selector-4 list's record, by its value (selector 4)"},
      },
      select(4, std::move(branches)));
}

// Selector-9 pair (0x1009, 0x1041).
void selector9_pair(Model& m) {
  Node sel19_is_1 =
      seq({int8(0x1009, {1, 1, 1, 1, 1, 1, 0, 0, 0}), int8(0x1041, {16, 3, 17, 1, 18, 1})});
  Node sel9_is_0 = switch_sel(
      19, {case_(1, std::move(sel19_is_1)), default_(int8(0x1009, {1, 1, 1, 1, 1, 1, 1, 1, 1}))});
  m.answer(
      {{0x1009, "nine flags by selectors 9 and 19"}, {0x1041, "six numbers by selectors 9 and 19"}},
      switch_sel(9, {case_(0, std::move(sel9_is_0)),
                     default_(int8(0x1009, {0, 0, 0, 0, 1, 0, 0, 0, 0}))}));
}

// Paired settings (0x1021, 0x1022): selector 0 chooses which side leads.
void paired_settings(Model& m) {
  Node by_sel5 = switch_sel(5, {
                                   case_(263, int16(0x1022, {260, 261})),
                                   case_(279, seq({int16(0x1021, {1, 275}), int16(0x1022, {275})})),
                               });
  std::vector<Node> by_paper = cases_for({260, 261}, int16(0x1022, {263}));
  by_paper.push_back(case_(275, seq({int16(0x1021, {1, 279}), int16(0x1022, {279})})));
  m.answer({{0x1021, "settings paired with selector 5 or 28, by selector 0"},
            {0x1022, "settings paired with selector 5 or 28, by selector 0"}},
           switch_sel(0, {
                             case_(1, std::move(by_sel5)),
                             case_(0, switch_sel(28, std::move(by_paper))),
                         }));
}

// Selector-5/7 pair (0x1026, 0x1027).
void selector5_7_pair(Model& m) {
  std::vector<Node> cases;
  for (const Sel5Row& r : kSel5Rows) {
    std::vector<Node> by_sel7;
    for (size_t k = 0; k < std::size(kSel7Rows); ++k) {
      by_sel7.push_back(
          case_(kSel7Rows[k].value, seq({int16(0x1026, {r.v1026}), int16(0x1027, {r.v1027[k]})})));
    }
    cases.push_back(case_(r.value, switch_sel(7, std::move(by_sel7))));
  }
  m.answer({{0x1026, "a value identifier by selectors 5 and 7"},
            {0x1027, "a value identifier by selectors 5 and 7"}},
           switch_sel(5, std::move(cases)));
}

// The selector-7 list (0x1012) and its marker pair (0x5002): for each
// selector-5 value, the selector-7 value that is marked with 2.
void selector7_list(Model& m) {
  std::vector<int64_t> sel7;
  for (const Sel7Row& r : kSel7Rows) sel7.push_back(r.value);
  std::vector<Node> cases;
  for (const Sel5Row& r : kSel5Rows) {
    cases.push_back(case_(r.value, seq({int8(0x1012, sel7), int8(0x5002, {r.marked_sel7, 2})})));
  }
  m.answer({{0x1012, "the values of selector 7 for selector 5, as value records"},
            {0x5002, "marker pair (key, mark) of the lists of selector 7, by selector 5"}},
           switch_sel(5, std::move(cases)));
}

// Switches of one level.
void single_switches(Model& m) {
  std::vector<Node> by_sel5;
  for (const Sel5Row& r : kSel5Rows) {
    if (r.v1028 != 0) by_sel5.push_back(case_(r.value, int8({r.v1028})));
  }
  by_sel5.push_back(default_(int8({0})));
  m.answer({0x1028, "1 when selector 5 is 258 or 273, else 0"}, switch_sel(5, std::move(by_sel5)));

  m.answer({0x102A, "1 when selector 52 is 5, else 0"},
           switch_sel(52, {case_(5, int8({1})), default_(int8({0}))}));
  m.answer({0x102D, "value identifiers by selector 52"},
           switch_sel(52, {case_(5, int16({21003})), default_(int16({21001, 21002}))}));
  m.answer({0x102E, "value identifiers by selectors 52 and 7"},
           switch_sel(52, {
                              case_(5, int16({21067})),
                              default_(switch_sel(7,
                                                  {
                                                      case_(4, int16({21045, 21046})),
                                                      default_(int16({21041, 21042})),
                                                  })),
                          }));
  m.answer({0x102F, "value identifiers by selector 20"},
           switch_sel(20, {case_(2, int16({21053, 21054})), case_(1, int16({21051, 21052}))}));
}

}  // namespace

void describe_drv_switches(Model& m) {
  selector4_pair(m);
  selector9_pair(m);
  paired_settings(m);
  selector5_7_pair(m);
  selector7_list(m);
  single_switches(m);
}

}  // namespace orv::model::drv
