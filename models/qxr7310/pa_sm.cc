// PA and SM domains: the PA switch tree over selectors 0, 1 and 2, and
// constants.
#include "domains.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

using Numbers = std::vector<int64_t>;

// The triples 0x4004 and 0x4005 are drawn from.
const Numbers kA = {1, 21071, 17044};
const Numbers kB = {2, 21072, 17045};
const Numbers kC = {3, 21073, 17046};

// 0x4007 answers.
const Numbers kX1 = {18, 1, 16, 3, 9, 0};
const Numbers kX2 = {18, 2, 16, 2, 9, 0};
const Numbers kX3 = {18, 0, 16, 2, 9, 0};
const Numbers kY1 = {9, 1};
const Numbers kY2 = {9, 2};

// One case of the selector-2 switch.
struct Level3 {
  uint32_t sel2;   // selector 2
  Numbers id4006;  // two numbers
  Numbers id4007;  // two or six numbers
};

// One group of selector-1 values with the same answers.
struct Level2 {
  std::vector<uint32_t> sel1;  // selector-1 values, in case order
  Numbers id4004;              // one triple
  Numbers id4005;              // one or two triples; empty: not found
  std::vector<Level3> rows;    // selector-2 cases, in order
};

// One case of the selector-0 switch.
struct Level1 {
  uint32_t sel0;               // selector 0
  Numbers id4002;              // (code, number) pairs
  Numbers id4003;              // (code, number) pairs
  std::vector<Level2> groups;  // selector-1 groups, in case order
};

Numbers join(const Numbers& a, const Numbers& b) {
  Numbers r = a;
  r.insert(r.end(), b.begin(), b.end());
  return r;
}

std::vector<Level1> pa_table() {
  return {
      {1,
       {277, 2065, 271, 2061},
       {1, 2051, 261, 2057, 2, 2052, 273, 2062, 258, 2054, 259, 2055, 383, 2068},
       {
           {{277, 271}, kC, kA, {{3, {1, 1}, kX1}, {1, {2, 1}, kX1}}},
           {{1}, kA, kC, {{1, {2, 1}, kX1}, {3, {1, 1}, kX1}}},
           {{261, 2, 273, 258, 259, 383}, kA, {}, {{1, {2, 1}, kX1}}},
       }},
      {2,
       {1, 2051, 271, 2061},
       {277, 2065, 2, 2052},
       {
           {{1, 271, 277},
            kA,
            join(kC, kB),
            {{1, {2, 2}, kX2}, {3, {1, 1}, kX2}, {2, {2, 2}, kY2}}},
           {{2}, kA, kB, {{1, {2, 2}, kX2}, {2, {2, 2}, kY2}}},
       }},
      {3,
       {1, 2051, 271, 2061},
       {277, 2065, 2, 2052},
       {
           {{1}, kA, kB, {{1, {4, 3}, kX3}, {2, {4, 3}, kY2}}},
           {{271, 277}, kA, join(kC, kB), {{1, {2, 3}, kX3}, {3, {1, 3}, kX3}, {2, {2, 3}, kY2}}},
           {{2}, kA, kB, {{1, {2, 3}, kX3}, {2, {2, 3}, kY2}}},
       }},
      {4,
       {1, 2051},
       {263, 2059},
       {
           {{1, 263}, kB, kA, {{2, {4, 2}, kY2}, {1, {4, 2}, kY1}}},
       }},
  };
}

Node pa_tree() {
  std::vector<Node> sel0_cases;
  for (const Level1& l1 : pa_table()) {
    std::vector<Node> sel1_cases;
    for (const Level2& l2 : l1.groups) {
      std::vector<Node> sel2_cases;
      for (const Level3& l3 : l2.rows)
        sel2_cases.push_back(
            case_(l3.sel2, seq({int8(0x4006, l3.id4006), int8(0x4007, l3.id4007)})));
      std::vector<Node> body = {int16(0x4004, l2.id4004)};
      if (!l2.id4005.empty()) body.push_back(int16(0x4005, l2.id4005));
      body.push_back(switch_sel(2, sel2_cases));
      const Node target = seq(body);
      for (uint32_t v : l2.sel1) sel1_cases.push_back(case_(v, target));
    }
    sel0_cases.push_back(case_(l1.sel0, seq({int16(0x4002, l1.id4002), int16(0x4003, l1.id4003),
                                             switch_sel(1, sel1_cases)})));
  }
  return switch_sel(0, sel0_cases);
}

}  // namespace

void describe_pa_sm(Model& m) {
  m.answer({0x4001, "a constant table: four rows of three numbers"},
           int16({1, 17002, 2041, 2, 17003, 2042, 3, 17004, 2043, 4, 17005, 2044}));
  m.answer(
      {
          {0x4002, "(code, number) pairs by selector 0"},
          {0x4003, "(code, number) pairs by selector 0"},
          {0x4004, "a triple by selectors 0 and 1"},
          {0x4005, "one or two triples by selectors 0 and 1"},
          {0x4006, "two numbers by selectors 0, 1 and 2"},
          {0x4007, "two or six numbers by selectors 0, 1 and 2"},
      },
      pa_tree());
  m.answer({0x4008, kConstant}, int16({10102}));
  m.answer({0x600D, kConstant}, int8({0}));
  m.answer({0x6011, kConstant}, int16({7082}));
}

}  // namespace orv::model
