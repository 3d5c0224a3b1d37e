// The pieces of the Drv description, one function per file, and the small
// rules they share: how 16-bit numbers choose their leaf kind and how a
// printer command is laid out. Build-time code.
#ifndef ORVDB_MODELS_QXR7310_DRV_PARTS_H_
#define ORVDB_MODELS_QXR7310_DRV_PARTS_H_

#include <stdint.h>

#include <array>
#include <initializer_list>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "modelc/description.h"

namespace orv::model::drv {

// Names of the trees that are both rooted and fragments of a command sequence.
inline constexpr const char* kPaperTree = "drv_paper";
inline constexpr const char* kSettingsTree = "drv_settings";

// Labels of the fragment trees, named by the command-sequence table.
inline constexpr const char* kFrag1018Head = "frag_1018_head";
inline constexpr const char* kFrag1018Options = "frag_1018_options";
inline constexpr const char* kFrag1019Head = "frag_1019_head";
inline constexpr const char* kFrag1019Settings = "frag_1019_settings";
inline constexpr const char* kFrag1019Paper = "frag_1019_paper";
inline constexpr const char* kFrag1019Sel7 = "frag_1019_sel7";
inline constexpr const char* kFrag1019Sel5 = "frag_1019_sel5";
inline constexpr const char* kFrag101B = "frag_101b";
inline constexpr const char* kFrag101C = "frag_101c";
inline constexpr const char* kFrag101D = "frag_101d";

// A 16-bit leaf: unsigned when any value is beyond a signed 16-bit number,
// signed otherwise.
inline Node num16(uint32_t id, std::vector<int64_t> values, Loc where = Loc::current()) {
  for (int64_t v : values) {
    if (v > 32767) return uint16(id, std::move(values), where);
  }
  return int16(id, std::move(values), where);
}

// A 16-bit value as command parameters store it: high byte first.
inline std::vector<uint8_t> be16(uint32_t v) {
  return {static_cast<uint8_t>((v >> 8) & 0xFF), static_cast<uint8_t>(v & 0xFF)};
}

// Concatenation of byte strings.
inline std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// ESC, a bracket byte, a letter, the announced parameter length (low byte
// first), then the parameters. The announced length is usually the number
// of parameters; a command split over two fragments announces more.
inline std::vector<uint8_t> command(uint8_t bracket, char letter, std::vector<uint8_t> params,
                                    int announced = -1) {
  uint32_t n =
      announced < 0 ? static_cast<uint32_t>(params.size()) : static_cast<uint32_t>(announced);
  params.insert(params.begin(), {0x1B, bracket, static_cast<uint8_t>(letter),
                                 static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8)});
  return params;
}

// The usual command form with the '(' bracket.
inline std::vector<uint8_t> paren(char letter, std::vector<uint8_t> params, int announced = -1) {
  return command('(', letter, std::move(params), announced);
}

void describe_drv_paper(Model& m);      // drv_paper.cc: the paper table
void describe_drv_settings(Model& m);   // drv_settings.cc: settings tree and stored lists
void describe_drv_switches(Model& m);   // drv_switches.cc: the smaller selector trees
void describe_drv_constants(Model& m);  // drv_constants.cc: values that depend on nothing
void describe_drv_fragments(Model& m);  // drv_fragments.cc: fragment-only trees

// The paper codes with their identifiers, in the paper table's order
// (drv_paper.cc).
std::vector<SelectorValue> paper_selector_values();
// Width and length of the paper with code `code` (drv_paper.cc).
std::array<int32_t, 2> paper_size(uint16_t code);

}  // namespace orv::model::drv

#endif  // ORVDB_MODELS_QXR7310_DRV_PARTS_H_
