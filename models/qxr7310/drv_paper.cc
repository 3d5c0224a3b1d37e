// The paper table: one branch per paper size code with the paper's size,
// its printable area and offsets, its value name and its extent command.
// The user-defined size (code 256) is answered by computed items instead.
// The 0x1010 and 0x1011 code lists and the paper codes of the
// selector-value table are derived from the same rows.
#include <array>
#include <optional>
#include <stdexcept>
#include <string>

#include "computed/function_numbers.h"
#include "computed/printable_margins.h"
#include "domains.h"
#include "drv_parts.h"
#include "drv_settings.h"

namespace orv::model::drv {
namespace {

constexpr uint16_t kUserDefined = 256;  // paper code of the user-defined size

// Printable area and extent command of a paper that can be printed on.
struct Printable {
  std::array<int32_t, 2> area;    // 0x1001: printable width, length
  std::array<int32_t, 2> offset;  // 0x1002: offset from the top edge, from the side edge
  std::array<uint8_t, 8> extent;  // parameters of the fragment's extent command (1B 28 70)
};

struct PaperRow {
  uint16_t code;                       // selector-28 value
  int32_t value_id;                    // its identifier in the selector-value table
  std::array<int32_t, 2> size;         // 0x1003: width, length (1/100 mm)
  int32_t value_name;                  // 0x500E
  std::optional<Printable> printable;  // absent: size only
};

// 0x1002 of most papers: the printer's margins at the top and side edges.
constexpr std::array<int32_t, 2> kMarginOffsets = {kTopMargin, kSideMargin};
// 0x1002 of the papers printed with wider side margins.
constexpr std::array<int32_t, 2> kWideSideOffsets = {kTopMargin, 640};

// In stored order; the order of the code lists 0x1010 and 0x1011 as well.
// clang-format off
const PaperRow kPapers[] = {
//   code id     0x1003          0x500E printable: 0x1001, 0x1002, parameters of the extent command
    {11,  15762, {14800, 21000}, 15712, Printable{{14120, 20000}, kMarginOffsets, {0x01, 0xD9, 0x00, 0x00, 0x01, 0x4E, 0x00, 0x00}}},
    {9,   15760, {21000, 29700}, 15710, Printable{{20320, 28700}, kMarginOffsets, {0x02, 0xA6, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00}}},
    {8,   15758, {29700, 42000}, 15708, Printable{{kWidestWidthHundredthsMm, 41000}, kMarginOffsets, {0x03, 0xC9, 0x00, 0x00, 0x02, 0xAC, 0x00, 0x00}}},
    {13,  15767, {18200, 25700}, 15717, Printable{{17520, 24700}, kMarginOffsets, {0x02, 0x48, 0x00, 0x00, 0x01, 0x9E, 0x00, 0x00}}},
    {12,  15765, {25700, 36400}, 15715, Printable{{25020, 35400}, kMarginOffsets, {0x03, 0x45, 0x00, 0x00, 0x02, 0x50, 0x00, 0x00}}},
    {1,   15751, {21590, 27940}, 15701, Printable{{20320, 26940}, kWideSideOffsets, {0x02, 0x7D, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x07}}},
    {5,   15755, {21590, 35560}, 15705, Printable{{20320, 34560}, kWideSideOffsets, {0x03, 0x31, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x07}}},
    {3,   15769, {27940, 43180}, 15719, Printable{{27260, 42180}, kMarginOffsets, {0x03, 0xE5, 0x00, 0x00, 0x02, 0x84, 0x00, 0x00}}},
    {260, 15780, {24130, 10477}, 15730, Printable{{22850, 9477}, kWideSideOffsets, {0x00, 0xE0, 0x00, 0x00, 0x02, 0x1C, 0x00, 0x07}}},
    {261, 15781, {22000, 11000}, 15731, Printable{{20720, 10000}, kWideSideOffsets, {0x00, 0xED, 0x00, 0x00, 0x01, 0xEA, 0x00, 0x07}}},
    {66,  15757, {42000, 59400}, 15707, std::nullopt},
    {257, 15764, {36400, 51500}, 15714, std::nullopt},
    {24,  15793, {43180, 55880}, 15743, std::nullopt},
    {262, 15782, {34290, 43180}, 15732, std::nullopt},
    {272, 15789, {22860, 33782}, 15739, std::nullopt},
    {273, 15790, {22270, 35560}, 15740, std::nullopt},
    {274, 15791, {32900, 48300}, 15741, std::nullopt},
};
// clang-format on

constexpr int32_t kUserDefinedValueName = 15744;  // 0x500E of the user-defined size
constexpr int32_t kUserDefinedValueId = 15744;    // its identifier in the selector-value table

Node paper_branch(const PaperRow& row) {
  std::vector<Node> leaves;
  leaves.push_back(num16(0x1003, {row.size[0], row.size[1]}));
  if (row.printable) {
    const Printable& p = *row.printable;
    leaves.push_back(num16(0x1001, {p.area[0], p.area[1]}));
    leaves.push_back(num16(0x1002, {p.offset[0], p.offset[1]}));
    std::vector<uint8_t> params(p.extent.begin(), p.extent.end());
    leaves.push_back(bytes(kFragmentId, paren('p', params)));
  }
  leaves.push_back(int16(0x500E, {row.value_name}));
  return branch(row.code, std::move(leaves));
}

}  // namespace

std::vector<SelectorValue> paper_selector_values() {
  std::vector<SelectorValue> out;
  for (const PaperRow& row : kPapers) out.push_back({row.code, row.value_id});
  out.push_back({kUserDefined, kUserDefinedValueId});
  return out;
}

std::array<int32_t, 2> paper_size(uint16_t code) {
  for (const PaperRow& row : kPapers) {
    if (row.code == code) return row.size;
  }
  throw std::logic_error("no paper row for code " + std::to_string(code));
}

void describe_drv_paper(Model& m) {
  std::vector<Node> branches;
  std::vector<int64_t> printable_codes;  // 0x1010
  std::vector<int64_t> all_codes;        // 0x1011
  for (const PaperRow& row : kPapers) {
    branches.push_back(paper_branch(row));
    if (row.printable) printable_codes.push_back(row.code);
    all_codes.push_back(row.code);
  }
  branches.push_back(branch(kUserDefined, {
                                              computed(0x1004, kCustomPrintableArea),
                                              computed(0x1033, kCustomLengthValue),
                                              computed(kFragmentId, kCustomExtentCommand),
                                              int16(0x500E, {kUserDefinedValueName}),
                                          }));
  printable_codes.push_back(kUserDefined);
  all_codes.push_back(kUserDefined);

  m.tree(kPaperTree, select(kSelPaper, std::move(branches)));
  m.answer(
      {
          {0x1001, "printable width and length, by paper code (selector 28)", kHundredthsMm},
          {0x1002,
           "printable area's distance from the top edge, then from the side edge, by paper code",
           kHundredthsMm},
          {0x1003, "paper width and length, by paper code (selector 28)", kHundredthsMm},
          {0x1004,
           "printable area of the user-defined size (selectors 29, 30): offset, width, offset, "
           "length",
           kHundredthsMm},
          {0x1033, "printable length of the user-defined size (selector 30)", "1/60 inch"},
          {0x500E, "attr2 of a paper code's record: its identifier (selector 28)"},
      },
      ref(kPaperTree));
  m.fragment(kFrag1019Paper, ref(kPaperTree));

  // The code lists: the codes with a printable area, and every code.
  m.answer({0x1010, "the paper codes with a printable area, then 256, as value records"},
           int16(std::move(printable_codes)));
  m.answer({0x1011, "every paper code, marked against 0x1010, as value records"},
           int16(std::move(all_codes)));
}

}  // namespace orv::model::drv
