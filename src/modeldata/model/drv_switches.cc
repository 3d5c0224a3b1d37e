// The smaller selector trees of the Drv domain, each with the internal
// leaves that stand beside its values.
#include <vector>

#include "modeldata/model/drv_parts.h"

namespace orv::model::drv {
namespace {

// Switch cases from a list of selector values that all lead to equal targets.
std::vector<Node> cases_for(const std::vector<int>& values, const Node& target) {
  std::vector<Node> cases;
  for (int v : values) cases.push_back(case_(v, target));
  return cases;
}

void append(std::vector<Node>& to, std::vector<Node> more) {
  for (auto& n : more) to.push_back(std::move(n));
}

// Selector-4 pair (0x1007, 0x103A) with the per-value attributes of the
// selector-4 lists (0x500C, 0x500B) first in each branch.
void selector4_pair(Model& m) {
  struct Row {
    int s4;        // branch value
    int attr500C;  // 0x500C
    int attr500B;  // 0x500B
  };
  const Row rows[] = {{1, 20001, 1}, {2, 20002, 0}, {3, 20003, 1}};
  std::vector<Node> branches;
  for (const Row& r : rows) {
    // 0x1007: 8 whatever selector 9 holds for selector 4 = 2; otherwise by selector 9.
    Node v1007 = r.s4 == 2
                     ? int8(0x1007, {8})
                     : switch_sel(9, {case_(0, int8(0x1007, {24})), case_(1, int8(0x1007, {8}))});
    branches.push_back(branch(r.s4, {int16(0x500C, {r.attr500C}), int8(0x500B, {r.attr500B}),
                                     int8(0x103A, {r.s4}), std::move(v1007)}));
  }
  m.root({0x1007, 0x103A, 0x500B, 0x500C}, select(4, std::move(branches)));
}

// Selector-9 pair (0x1009, 0x1041).
void selector9_pair(Model& m) {
  Node sel19_is_1 =
      seq({int8(0x1009, {1, 1, 1, 1, 1, 1, 0, 0, 0}), int8(0x1041, {16, 3, 17, 1, 18, 1})});
  Node sel9_is_0 = switch_sel(
      19, {case_(1, std::move(sel19_is_1)), default_(int8(0x1009, {1, 1, 1, 1, 1, 1, 1, 1, 1}))});
  m.root({0x1009, 0x1041}, switch_sel(9, {case_(0, std::move(sel9_is_0)),
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
  m.root({0x1021, 0x1022}, switch_sel(0, {
                                             case_(1, std::move(by_sel5)),
                                             case_(0, switch_sel(28, std::move(by_paper))),
                                         }));
}

// Selector-5/7 pair (0x1026, 0x1027).
void selector5_7_pair(Model& m) {
  struct Row {
    std::vector<int> s5;  // selector-5 values of the row
    int v1026;            // 0x1026, whatever selector 7 holds (4 or 7)
    int v1027_at_4;       // 0x1027 with selector 7 = 4
    int v1027_at_7;       // 0x1027 with selector 7 = 7
  };
  const Row rows[] = {
      {{1, 271, 277, 273, 258, 2}, 21012, 21021, 21022},
      {{261}, 21012, 21021, 21021},
      {{259}, 21013, 21021, 21022},
      {{263, 383}, 21013, 21021, 21021},
  };
  std::vector<Node> cases;
  for (const Row& r : rows) {
    Node by_sel7 =
        switch_sel(7, {
                          case_(4, seq({int16(0x1026, {r.v1026}), int16(0x1027, {r.v1027_at_4})})),
                          case_(7, seq({int16(0x1026, {r.v1026}), int16(0x1027, {r.v1027_at_7})})),
                      });
    append(cases, cases_for(r.s5, by_sel7));
  }
  m.root({0x1026, 0x1027}, switch_sel(5, std::move(cases)));
}

// The selector-7 list (0x1012) and its marker pair (0x5002): for each
// selector-5 value, the selector-7 value that is marked with 2.
void selector7_list(Model& m) {
  struct Row {
    int s5;      // case value
    int marked;  // the selector-7 value marked
  };
  const Row rows[] = {{1, 7}, {271, 7}, {277, 7}, {273, 7}, {258, 7},
                      {2, 7}, {263, 7}, {261, 4}, {259, 4}, {383, 4}};
  std::vector<Node> cases;
  for (const Row& r : rows) {
    cases.push_back(case_(r.s5, seq({int8(0x1012, {4, 7}), int8(0x5002, {r.marked, 2})})));
  }
  m.root({0x1012, 0x5002}, switch_sel(5, std::move(cases)));
}

// Switches of one level.
void single_switches(Model& m) {
  std::vector<Node> by_sel5 = cases_for({258, 273}, int8(0x1028, {1}));
  by_sel5.push_back(default_(int8(0x1028, {0})));
  m.root({0x1028}, switch_sel(5, std::move(by_sel5)));

  m.root({0x102A}, switch_sel(52, {case_(5, int8(0x102A, {1})), default_(int8(0x102A, {0}))}));
  m.root({0x102D}, switch_sel(52, {case_(5, int16(0x102D, {21003})),
                                   default_(int16(0x102D, {21001, 21002}))}));
  m.root(
      {0x102E}, switch_sel(52, {
                                   case_(5, int16(0x102E, {21067})),
                                   default_(switch_sel(7,
                                                       {
                                                           case_(4, int16(0x102E, {21045, 21046})),
                                                           default_(int16(0x102E, {21041, 21042})),
                                                       })),
                               }));
  m.root({0x102F}, switch_sel(20, {case_(2, int16(0x102F, {21053, 21054})),
                                   case_(1, int16(0x102F, {21051, 21052}))}));
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
