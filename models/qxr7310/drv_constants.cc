// Drv values that depend on nothing: each id has a one-leaf tree of its own.
#include <algorithm>
#include <vector>

#include "computed/function_numbers.h"
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
  const Node constants[] = {
      num16(0x1005, {29700, 59420}),
      num16(0x1006, {10000, 10000}),
      int8(0x100A, {0}),
      int8(0x100B, {4, 5, 81, 7, 8, 6}),
      int8(0x1017, every_sel8()),
      int8(0x104E, every_sel81()),
      str(0x101F, "vexfa15.icm"),
      int8(0x1020, {0, 28, 5, 1, 5, 28}),
      int8(0x1023, {4, 1, 5, 1, 81, 0, 7, 7, 8, 4, 18, 0, 17, 1}),
      num16(0x1024, {42000, 59420}),
      int8(0x1025, {3}),
      int16(0x102B, {21001, 21002, 21011, 21012, 21013, 21021, 21022}),
      int16(0x102C, {21031, 21041, 21042, 21045, 21046, 21051, 21052, 21053, 21054}),
      computed(0x1032, kPaperPrintableArea),
      str(0x1035, "vexfa09.dll"),
      int8(0x1037, {0}),
      int8(0x1039, {26}),
      str(0x103B, "vexfa10.dll"),
      int8(0x103D, {26}),
      int16(0x103E, {0, 17402, 2102, 0,  //
                     1, 17403, 2103, 0,  //
                     2, 17404, 2104, 2}),
      int16(0x103F, {0, 15601, 0, 10,  //
                     1, 15602, 1, 14,  //
                     2, 15603, 2, 18,  //
                     3, 15604, 3, 22}),
      int8(0x1043, {-2}),
      str(0x1047, "vexfa11.dll"),
      str(0x1048, "vexfa12.dll"),
      int8(0x104B, {0}),
      int8(0x104C, {0}),
      int8(0x104F, {1}),
  };
  for (const Node& leaf : constants) m.root({static_cast<uint16_t>(leaf.tag)}, leaf, leaf.where);
}

}  // namespace orv::model::drv
