// LM domain: constants, the model-name check, values keyed by two-letter
// codes and operation names, and bit tests of selectors 2 and 10.
#include "domains.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

// The three selector-1 values that most two-letter codes accept together.
constexpr uint32_t kSel1Values[] = {0x20000, 0x90000, 0xA0000};
constexpr uint32_t kSel1First = 0x10000;

// Cases of `values` on one switch, each leading to the same answer.
void cases_for(std::vector<Node>& cases, const std::vector<uint32_t>& values, const Node& answer) {
  for (uint32_t v : values) cases.push_back(case_(v, answer));
}

// Switch on selector 1: the first-value answer for 0x10000 (if any), the
// shared answer for the three others (if any), and 0 for anything else.
Node by_sel1(const Node* first, const Node* others) {
  std::vector<Node> cases;
  if (first) cases.push_back(case_(kSel1First, *first));
  if (others)
    cases_for(cases, std::vector<uint32_t>(std::begin(kSel1Values), std::end(kSel1Values)),
              *others);
  cases.push_back(default_(int8({0})));
  return switch_sel(1, cases);
}

// Cases of a string switch that all lead to one answer.
void text_cases(std::vector<Node>& cases, const std::vector<const char*>& texts,
                const Node& answer) {
  for (const char* t : texts) cases.push_back(case_str(t, answer));
}

Node cartridge_table() {
  // Five-number answers of 0x2001.
  const Node bk_16_first = int16({1, 5010, 5312, 5313, 10101});
  const Node bk_others = int16({1, 5009, 5314, 5344, 10101});
  const Node cl_others = int16({1, 5009, 5314, 5345, 10101});
  const Node ld_17_first = int16({1, 5009, 5320, 5360, 10101});
  const Node ld_first = int16({1, 5009, 5313, 5360, 10101});
  const Node no_answer = int16({1, 5011, 0, 0, 10101});
  const Node any_17 = int16({1, 5010, 5317, 5320, 10101});
  const Node any_first = int16({1, 5010, 5317, 5313, 10101});
  const Node any_others = int16({1, 5010, 5317, 5314, 10101});

  std::vector<Node> cases;
  cases.push_back(case_str("BK", switch_sel(0, {case_(16, by_sel1(&bk_16_first, &bk_others)),
                                                default_(by_sel1(nullptr, &bk_others))})));
  text_cases(cases, {"CL", "VC"}, by_sel1(nullptr, &cl_others));
  text_cases(cases, {"LD", "VL"},
             switch_sel(0, {case_(17, by_sel1(&ld_17_first, nullptr)),
                            default_(by_sel1(&ld_first, nullptr))}));
  cases.push_back(case_str("NO", no_answer));
  {
    // Codes without a case of their own: selector 17 takes every listed selector-1 value.
    std::vector<Node> sel1_17;
    sel1_17.push_back(case_(kSel1First, any_17));
    cases_for(sel1_17, std::vector<uint32_t>(std::begin(kSel1Values), std::end(kSel1Values)),
              any_17);
    sel1_17.push_back(default_(int8({0})));
    cases.push_back(default_(switch_sel(
        0, {case_(17, switch_sel(1, sel1_17)), default_(by_sel1(&any_first, &any_others))})));
  }
  return switch_str(1, cases);
}

}  // namespace

void describe_lm(Model& m) {
  m.answer({0x2001, "five numbers or 0, by a two-letter code (match string 1) and selectors 0, 1"},
           cartridge_table());
  m.answer({0x2002, kConstant}, int8({0}));
  m.answer({0x2003, kConstant}, int16({5019, 5457, 25010, 2}));
  m.answer({0x2004, kConstant}, uint8({133}));
  m.answer({0x2007, kConstant}, int32({255, 0x00FF0000, 0x0000FFFF, -1, -1}));
  m.answer({0x2009, "1 when match string 0 is the model's name, else 0"},
           switch_str(0, {case_str("QXR-7310", int8({1})), default_(int8({0}))}));
  m.answer({0x200A, kConstant}, int8({1}));
  m.answer({0x200B, kConstant}, int16({5011}));
  {
    std::vector<Node> cases;
    text_cases(cases, {"BK"}, int8({2}));
    text_cases(cases, {"CL", "VC"}, int8({1}));
    text_cases(cases, {"LD", "VL"}, int8({3}));
    text_cases(cases, {"NO"}, int8({23}));
    text_cases(cases, {"PB"}, int8({24}));
    text_cases(cases, {"SC"}, int8({20}));
    text_cases(cases, {"UK"}, int8({22}));
    cases.push_back(default_(int8({21})));
    m.answer({0x200F, "a number by a two-letter code (match string 1)"}, switch_str(1, cases));
  }
  m.answer({0x2010, kConstant}, int8({0, 4, 1}));
  m.answer({0x2011, kConstant}, int8({0}));
  m.answer({0x2012, "1 when the low eight bits of selector 2 are 0x11, else 0"},
           switch_masked(2, 0xFF, {case_(0x11, int8({1})), default_(int8({0}))}));
  m.answer({0x2013, "1 when bits 12-15 of selector 2 are 0xD, else 0"},
           switch_masked(2, 0xF000, {case_(0xD000, int8({1})), default_(int8({0}))}));
  m.answer({0x2014, kConstant}, int8({1}));
  m.answer({0x2016, kConstant}, int8({0}));
  m.answer({0x2017, kConstant}, int8({0}));
  m.answer({0x2018, kConstant}, int8({102}));
  m.answer({0x2019, kConstant}, uint8({200}));
  m.answer({0x201A, kCompanion}, str("vexfa13.dll"));
  m.answer({0x201B, kConstant}, int8({100}));
  m.answer({0x201C, kConstant}, int8({1}));
  m.answer({0x201D, kConstant}, int8({0}));
  m.answer({0x201E, kConstant}, int16({5026, 5458, 0, 0}));
  m.answer({0x2021, kConstant}, int8({1}));
  m.answer({0x2022, kConstant}, int8({8}));
  m.answer({0x2026, kConstant}, int8({1}));
  m.answer({0x2028, kConstant}, int8({1}));
  m.answer({0x202B, kCompanion}, str("vexfa14.dll"));
  m.answer({0x202C, kConstant}, int8({1}));
  {
    std::vector<Node> cases;
    text_cases(cases, {"ChangeHead", "ChangeTank", "Cleaning", "RollerCleaning", "TestPrint"},
               int8({1}));
    cases.push_back(default_(int8({0})));
    m.answer({0x202D, "1 when match string 4 names an operation such as \"Cleaning\", else 0"},
             switch_str(4, cases));
  }
  m.answer({0x202E, kConstant}, int8({0}));
  m.answer({0x2036, "2 when selector 10 is 81, else 1"},
           switch_sel(10, {case_(81, int8({2})), default_(int8({1}))}));
}

}  // namespace orv::model
