// Drv values that depend on nothing: each id has a one-leaf tree of its own.
#include <algorithm>
#include <vector>

#include "computed/function_numbers.h"
#include "domains.h"
#include "drv_parts.h"
#include "drv_settings.h"

namespace orv::model::drv {

namespace {

// Every selector-8 value (0x1017).
std::vector<int64_t> every_sel8() {
  std::vector<int64_t> out;
  for (const Sel8Row& r : kSel8Rows) out.push_back(r.value);
  return out;
}

// Every selector-81 value the combinations allow (0x104E).
std::vector<int64_t> every_sel81() {
  std::vector<int64_t> out;
  for (const Combination& c : kCombinations) {
    if (std::find(out.begin(), out.end(), c.sel81) == out.end()) out.push_back(c.sel81);
  }
  return out;
}

}  // namespace

void describe_drv_constants(Model& m) {
  m.answer({0x1005, kConstant}, uint16({29700, 59420}));
  m.answer({0x1006, kConstant}, int16({10000, 10000}));
  m.answer({0x100A, kConstant}, int8({0}));
  m.answer({0x100B, "the selectors of the settings tree: 4, 5, 81, 7, 8, 6"},
           int8({4, 5, 81, 7, 8, 6}));
  m.answer({0x1017, "every value of selector 8 (1 to 5), as value records marked for the settings"},
           int8(every_sel8()));
  m.answer({0x104E, "the value of selector 81 (0), as value records marked for the settings"},
           int8(every_sel81()));
  m.answer({0x101F, "file name of the model's colour profile"}, str("vexfa15.icm"));
  m.answer({0x1020, kConstant}, int8({0, 28, 5, 1, 5, 28}));
  m.answer({0x1023, kConstant}, int8({4, 1, 5, 1, 81, 0, 7, 7, 8, 4, 18, 0, 17, 1}));
  m.answer({0x1024, kConstant}, uint16({42000, 59420}));
  m.answer({0x1025, kConstant}, int8({3}));
  m.answer({0x102B, "value identifiers of the driver's first list"},
           int16({21001, 21002, 21011, 21012, 21013, 21021, 21022}));
  m.answer({0x102C, "value identifiers of the driver's second list"},
           int16({21031, 21041, 21042, 21045, 21046, 21051, 21052, 21053, 21054}));
  m.answer(
      {0x1032,
       "printable area of the paper in selectors 25, 26 (selector 52 = 5: no vertical margins)",
       kHundredthsMm},
      computed(kPaperPrintableArea));
  m.answer({0x1035, kCompanion}, str("vexfa09.dll"));
  m.answer({0x1037, kConstant}, int8({0}));
  m.answer({0x1039, kConstant}, int8({26}));
  m.answer({0x103B, kCompanion}, str("vexfa10.dll"));
  m.answer({0x103D, kConstant}, int8({26}));
  m.answer({0x103E, "a constant table: three rows of four numbers"}, int16({0, 17402, 2102, 0,  //
                                                                            1, 17403, 2103, 0,  //
                                                                            2, 17404, 2104, 2}));
  m.answer({0x103F, "a constant table: four rows of four numbers"}, int16({0, 15601, 0, 10,  //
                                                                           1, 15602, 1, 14,  //
                                                                           2, 15603, 2, 18,  //
                                                                           3, 15604, 3, 22}));
  m.answer({0x1043, kConstant}, int8({-2}));
  m.answer({0x1047, kCompanion}, str("vexfa11.dll"));
  m.answer({0x1048, kCompanion}, str("vexfa12.dll"));
  m.answer({0x104B, kConstant}, int8({0}));
  m.answer({0x104C, kConstant}, int8({0}));
  m.answer({0x104F, kConstant}, int8({1}));
}

}  // namespace orv::model::drv
