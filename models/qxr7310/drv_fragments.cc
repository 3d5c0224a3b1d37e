// The fragment trees that belong to no root: fixed command bytes and the
// small selector trees of the command sequences. The settings tree and the
// paper table serve as fragments too (drv_settings.cc, drv_paper.cc).
#include "computed/function_numbers.h"
#include "drv_parts.h"
#include "drv_settings.h"

namespace orv::model::drv {
namespace {

// Bit 23 of selector 79: enables the option-bits command.
constexpr uint32_t kOptionBit = 0x00800000;

Node fixed(std::vector<uint8_t> data, Loc where = Loc::current()) {
  return bytes(kFragmentId, std::move(data), where);
}

}  // namespace

void describe_drv_fragments(Model& m) {
  // 0x1018: a control-language switch, then the option-bits command when enabled.
  m.fragment(kFrag1018Head, fixed(command('[', 'K', {0x00, 0x0F})));
  m.fragment(kFrag1018Options,
             switch_masked(79, kOptionBit,
                           {case_(kOptionBit, computed(kFragmentId, kOptionBitsCommand))}));

  // 0x1019: two one-byte commands, then (after the settings and paper
  // fragments) one command whose two parameter bytes come from selector 7 and
  // selector 5 in two fragments.
  m.fragment(kFrag1019Head, fixed(cat({paren('a', {0x01}), paren('b', {0x01})})));
  std::vector<Node> sel7_branches;
  for (const Sel7Row& r : kSel7Rows)
    sel7_branches.push_back(branch(r.value, {fixed(paren('l', {r.l_param1}, 2))}));
  m.fragment(kFrag1019Sel7, select(7, std::move(sel7_branches)));
  std::vector<Node> sel5_cases;
  for (const Sel5Row& r : kSel5Rows) sel5_cases.push_back(case_(r.value, fixed({r.l_param2})));
  m.fragment(kFrag1019Sel5, switch_sel(5, std::move(sel5_cases)));

  // 0x101B, 0x101C, 0x101D: fixed bytes.
  m.fragment(kFrag101B, fixed({0x1B, 0x40}));
  m.fragment(kFrag101C, fixed(cat({paren('a', {0x00}), paren('b', {0x00})})));
  m.fragment(kFrag101D, fixed(cat({paren('e', {0x00, 0x01}), {0x0C}})));
}

}  // namespace orv::model::drv
