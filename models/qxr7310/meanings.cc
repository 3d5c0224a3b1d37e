// What each root id of the model answers, in one line, and the unit of its
// numbers where they have one. Many constants are stored for the package's
// other modules and mean nothing to this library; they say so.
#include "domains.h"
#include "engine/image.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

constexpr const char* kHundredthsMm = "1/100 mm";
constexpr const char* kConstant = "a constant of the package's modules, not read by this library";
constexpr const char* kCompanion = "file name of a companion module of the package";

// One id's meaning.
struct IdMeaning {
  uint16_t id;          // the root id
  const char* meaning;  // one line
  const char* unit;     // unit of its numbers, or ""
};

// clang-format off
constexpr IdMeaning kMeanings[] = {
    // Root
    {0x0002, "version text of the package", ""},
    {0x0003, kCompanion, ""},
    {0x0004, kConstant, ""},
    {0x0005, kConstant, ""},
    {0x0006, kConstant, ""},
    {0x0007, kConstant, ""},
    {kValueNameId, "name of a printer configuration value, by tag (selector 0)", ""},
    {0x0009, kConstant, ""},
    {0x000C, kConstant, ""},
    {0x000D, kConstant, ""},
    {0x000E, kConstant, ""},
    {0x000F, kConstant, ""},
    {0x0010, "file name of the package's help file", ""},
    {0x0011, kConstant, ""},
    {0x0012, "name of a printer configuration value, by three-letter field code (match string 0)", ""},
    {0x0013, kCompanion, ""},
    {0x0014, kCompanion, ""},
    {0x0018, kCompanion, ""},
    {0x0019, "name of the package's port driver", ""},
    {0x001D, "file name of the package's settings file", ""},
    {0x0021, kConstant, ""},
    {0x0022, kConstant, ""},
    {0x0023, "name of the model's print processor", ""},
    {0x0024, kConstant, ""},
    {0x0026, kCompanion, ""},
    {0x0027, kCompanion, ""},
    // Drv
    {0x1001, "printable width and length, by paper code (selector 28)", kHundredthsMm},
    {0x1002, "printable area's distance from the top edge, then from the side edge, by paper code", kHundredthsMm},
    {0x1003, "paper width and length, by paper code (selector 28)", kHundredthsMm},
    {0x1004, "printable area of the user-defined size (selectors 29, 30): offset, width, offset, length", kHundredthsMm},
    {0x1005, kConstant, ""},
    {0x1006, kConstant, ""},
    {0x1007, "a number by selectors 4 and 9", ""},
    {0x1008, "two numbers by the settings combination (selectors 4, 9, 5, 81, 8, 6)", ""},
    {0x1009, "nine flags by selectors 9 and 19", ""},
    {0x100A, kConstant, ""},
    {0x100B, "the selectors of the settings tree: 4, 5, 81, 7, 8, 6", ""},
    {0x100C, "the values of selector 4, as value records", ""},
    {0x100E, "the values of selector 5 the settings (selectors 4, 9) allow, as value records", ""},
    {0x1010, "the paper codes with a printable area, then 256, as value records", ""},
    {0x1011, "every paper code, marked against 0x1010, as value records", ""},
    {0x1012, "the values of selector 7 for selector 5, as value records", ""},
    {0x1014, "the values of selector 6 the settings allow, as value records", ""},
    {0x1015, "four numbers by the settings combination (selectors 4, 9, 5, 81, 8)", ""},
    {0x1016, "the values of selector 8 the settings allow, as value records", ""},
    {0x1017, "every value of selector 8 (1 to 5), as value records marked for the settings", ""},
    {0x101F, "file name of the model's colour profile", ""},
    {0x1020, kConstant, ""},
    {0x1021, "settings paired with selector 5 or 28, by selector 0", ""},
    {0x1022, "settings paired with selector 5 or 28, by selector 0", ""},
    {0x1023, kConstant, ""},
    {0x1024, kConstant, ""},
    {0x1025, kConstant, ""},
    {0x1026, "a value identifier by selectors 5 and 7", ""},
    {0x1027, "a value identifier by selectors 5 and 7", ""},
    {0x1028, "1 when selector 5 is 258 or 273, else 0", ""},
    {0x102A, "1 when selector 52 is 5, else 0", ""},
    {0x102B, "value identifiers of the driver's first list", ""},
    {0x102C, "value identifiers of the driver's second list", ""},
    {0x102D, "value identifiers by selector 52", ""},
    {0x102E, "value identifiers by selectors 52 and 7", ""},
    {0x102F, "value identifiers by selector 20", ""},
    {0x1032, "printable area of the paper in selectors 25, 26 (selector 52 = 5: no vertical margins)", kHundredthsMm},
    {0x1033, "printable length of the user-defined size (selector 30)", "1/60 inch"},
    {0x1035, kCompanion, ""},
    {0x1037, kConstant, ""},
    {0x1038, "two numbers for every settings combination the tree defines", ""},
    {0x1039, kConstant, ""},
    {0x103A, "the value of selector 4 (1, 2 or 3)", ""},
    {0x103B, kCompanion, ""},
    {0x103D, kConstant, ""},
    {0x103E, "a constant table: three rows of four numbers", ""},
    {0x103F, "a constant table: four rows of four numbers", ""},
    {0x1041, "six numbers by selectors 9 and 19", ""},
    {0x1043, kConstant, ""},
    {0x1047, kCompanion, ""},
    {0x1048, kCompanion, ""},
    {0x104B, kConstant, ""},
    {0x104C, kConstant, ""},
    {0x104D, "the values of selector 81 the settings allow, as value records", ""},
    {0x104E, "the value of selector 81 (0), as value records marked for the settings", ""},
    {0x104F, kConstant, ""},
    // LM
    {0x2001, "five numbers or 0, by a two-letter code (match string 1) and selectors 0, 1", ""},
    {0x2002, kConstant, ""},
    {0x2003, kConstant, ""},
    {0x2004, kConstant, ""},
    {0x2007, kConstant, ""},
    {0x2009, "1 when match string 0 is the model's name, else 0", ""},
    {0x200A, kConstant, ""},
    {0x200B, kConstant, ""},
    {0x200F, "a number by a two-letter code (match string 1)", ""},
    {0x2010, kConstant, ""},
    {0x2011, kConstant, ""},
    {0x2012, "1 when the low eight bits of selector 2 are 0x11, else 0", ""},
    {0x2013, "1 when bits 12-15 of selector 2 are 0xD, else 0", ""},
    {0x2014, kConstant, ""},
    {0x2016, kConstant, ""},
    {0x2017, kConstant, ""},
    {0x2018, kConstant, ""},
    {0x2019, kConstant, ""},
    {0x201A, kCompanion, ""},
    {0x201B, kConstant, ""},
    {0x201C, kConstant, ""},
    {0x201D, kConstant, ""},
    {0x201E, kConstant, ""},
    {0x2021, kConstant, ""},
    {0x2022, kConstant, ""},
    {0x2026, kConstant, ""},
    {0x2028, kConstant, ""},
    {0x202B, kCompanion, ""},
    {0x202C, kConstant, ""},
    {0x202D, "1 when match string 4 names an operation such as \"Cleaning\", else 0", ""},
    {0x202E, kConstant, ""},
    {0x2036, "2 when selector 10 is 81, else 1", ""},
    // Mnt
    {0x3001, "the command table: six rows of ten numbers", ""},
    {0x3002, kConstant, ""},
    {0x3003, "the sequence table: 43 triples in groups", ""},
    {0x3004, kConstant, ""},
    {0x3005, kConstant, ""},
    {0x3006, kConstant, ""},
    {0x3007, kConstant, ""},
    {0x3008, kConstant, ""},
    {0x300B, "a control-language fragment, by fragment code (selector 0)", ""},
    // PA
    {0x4001, "a constant table: four rows of three numbers", ""},
    {0x4002, "(code, number) pairs by selector 0", ""},
    {0x4003, "(code, number) pairs by selector 0", ""},
    {0x4004, "a triple by selectors 0 and 1", ""},
    {0x4005, "one or two triples by selectors 0 and 1", ""},
    {0x4006, "two numbers by selectors 0, 1 and 2", ""},
    {0x4007, "two or six numbers by selectors 0, 1 and 2", ""},
    {0x4008, kConstant, ""},
    // Internal
    {0x5002, "marker pair (key, mark) of the lists of selector 7, by selector 5", ""},
    {0x5003, "marker pair (key, mark) of the lists of selector 4", ""},
    {0x5004, "marker pair (key, mark) of the lists of selector 5, by selectors 4, 9", ""},
    {0x5005, "marker pair (key, mark) of the selector-8 lists, by the settings", ""},
    {0x5006, "attr1 of a selector-8 list's record, by the settings and the record's value", ""},
    {0x5007, "attr2 of a selector-8 list's record, by the settings and the record's value", ""},
    {0x5008, "command fragments, each found in its own fragment tree", ""},
    {0x500B, "attr3 of a selector-4 list's record, by its value (selector 4)", ""},
    {0x500C, "attr2 of a selector-4 list's record, by its value (selector 4)", ""},
    {0x500D, "marker pair (key, mark) of the selector-6 list, by the settings", ""},
    {0x500E, "attr2 of a paper code's record: its identifier (selector 28)", ""},
    {0x5010, "marker pair (key, mark) of the selector-81 list, by selectors 4, 9, 5", ""},
    // SM
    {0x600D, kConstant, ""},
    {0x6011, kConstant, ""},
};
// clang-format on

}  // namespace

void describe_meanings(Model& m) {
  for (const IdMeaning& row : kMeanings) m.about(row.id, row.meaning, row.unit);
}

}  // namespace orv::model
