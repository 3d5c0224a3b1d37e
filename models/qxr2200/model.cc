// The QXR-2200: a small model whose few ids per domain use every item kind,
// among them the printer-data switch (its value names from its own id 8), the
// locale switch, range cases, a masked switch and the two time-stamped
// blocks, and small Drv tables for a full list, a command sequence and the
// mode record. Stored values are written where they are used; every id's rule is
// stated beside it.
#include <vector>

#include "computed/function_numbers.h"
#include "drvrecords/drv_tables.h"
#include "engine/image.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

// Root: the version text, and the names of the printer configuration values
// by tag: tag 1 for the tray switch of PA 0x4002, tag 154 for the window of
// the silent-mode block (Mnt 0x3002), which asks this id for that tag.
void describe_root_ids(Model& m) {
  m.answer({0x0002, "the version text of the model's package"}, str("2.10"));
  m.answer({0x0004, "the number of paper trays"}, int8({2}));
  m.answer({kValueNameId, "the name of a printer configuration value, by tag (selector 0)"},
           switch_sel(0, {
                             case_(1, str("ZelUI_TrayMode")),
                             case_(154, str("ZelUI_QuietTime")),
                         }));
}

// Drv: the paper table, a select on selector 28 (the paper code): A4 and A3
// sizes in hundredths of a millimetre (0x1003), and for the user-defined
// size (256) its printable area, computed (0x1004).
void describe_drv_ids(Model& m) {
  m.tree("paper", select(28, {
                                 branch(9, {int16(0x1003, {21000, 29700})}),
                                 branch(8, {uint16(0x1003, {29700, 42000})}),
                                 branch(256, {computed(0x1004, kCustomPrintableArea)}),
                             }));
  m.answer({{0x1003, "paper width and length, by paper code (selector 28)", "1/100 mm"},
            {0x1004,
             "printable area of the user-defined size (selectors 29, 30): horizontal offset, "
             "width, vertical offset, length",
             "1/100 mm"}},
           ref("paper"));
}

// LM: the model-name check on match string 0; the paper code the user's
// country prefers (1 for country 1, 9 for countries 30 to 49, else 0); two
// constants.
void describe_lm_ids(Model& m) {
  m.answer({0x2001, "1 when match string 0 is this model's name, else 0"},
           switch_str(0, {case_str("QXR-2200", int8({1})), default_(int8({0}))}));
  m.answer({0x2002, "the paper code the user's country prefers, 0 for none"},
           switch_locale({
               case_(1, int8({1})),
               case_range(30, 49, int8({9})),
               default_(int8({0})),
           }));
  m.answer({0x2003, "the ink counter's full scale and its low-ink offset"}, int32({100000, -7}));
  m.answer({0x2004, "the cleaning interval", "pages"}, uint8({200}));
}

// Mnt: the set-time block, the silent-mode block and one command fragment.
void describe_mnt_ids(Model& m) {
  m.answer({0x3001, "control-language block that sets the printer's clock to the local time"},
           computed(kSetTimeBlock));
  m.answer({0x3002, "control-language block that switches silent mode by the printer's window"},
           computed(kSilentModeBlock));
  m.answer({0x3003, "the command fragment that starts a cleaning"},
           bytes({'@', 'C', 'l', 'e', 'a', 'n', 'i', 'n', 'g', '=', '1'}));
}

// PA: the low byte of selector 0 (0x11 gives 1, 0x20 to 0x2F give 2, else
// 0); the tray the printer's configuration value "ZelUI_TrayMode" names
// (1 gives 250, 2 to 4 give 500, else, or without the value, 0).
void describe_pa_ids(Model& m) {
  m.answer({0x4001, "the tray class of the low byte of selector 0"},
           switch_masked(0, 0xFF,
                         {
                             case_(0x11, int8({1})),
                             case_range(0x20, 0x2F, int8({2})),
                             default_(int8({0})),
                         }));
  m.answer({0x4002, "the capacity of the tray the printer's configuration names", "sheets"},
           switch_printer_data(1, {
                                      case_(1, int16({250})),
                                      case_range(2, 4, int16({500})),
                                      default_(int16({0})),
                                  }));
}

// The Drv code's own tables, small: the two values of selector 7 with their
// identifiers (listed whole by Drv 0x1013, with the mark of internal id
// 0x5002); command sequence 0x1019 of a reset (1B 40) and, for selector 7 =
// 4, a 6-byte ink command; one mode-table row (selectors 4, 9, 5, 8, 6, 81 =
// 1, 0, 1, 1, 1, 0) and one record per part, each starting with its letter.
void describe_drv_tables(Model& m) {
  m.selector_values(7, {{4, 22001}, {7, 22002}});
  m.answer({0x5002, "marker pair (key, mark) of the list of selector 7"}, int8({7, 2}));

  m.fragment("reset", bytes(kFragmentId, {0x1B, 0x40}));
  m.fragment("ink",
             switch_sel(7, {case_(4, bytes(kFragmentId, {0x1B, 0x28, 0x6C, 0x01, 0x00, 0x11}))}));
  m.command_sequence(0x1019, {"reset", "ink"});
  m.top_sequence({kFragmentId, "command fragments, each found in its own fragment tree"});

  m.mode_row({1, 0, 1, 1, 1, 0}, {0, 0, 0, 0});
  for (uint32_t part = 0; part < kModePartCount; ++part) {
    std::vector<uint8_t> record(kModePartSizes[part], 0);
    record[0] = static_cast<uint8_t>(kModePartNames[part]);
    m.mode_part_record(part, record);
  }
}

// SM: 10 when selector 0 is 1, else 20 (a sequence tried in order).
void describe_sm_ids(Model& m) {
  m.answer({0x6001, "the status poll interval for the mode in selector 0", "seconds"},
           seq({
               switch_sel(0, {case_(1, int8({10}))}),
               int8({20}),
           }));
}

}  // namespace

void describe_model(Model& m) {
  m.name("QXR-2200");
  describe_root_ids(m);
  describe_drv_ids(m);
  describe_lm_ids(m);
  describe_mnt_ids(m);
  describe_pa_ids(m);
  describe_sm_ids(m);
  describe_drv_tables(m);
}

}  // namespace orv::model
