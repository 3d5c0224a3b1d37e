// Mnt domain: the command and sequence tables of the maintenance operations
// and the control-language fragments they are made of.
#include "domains.h"
#include "modelc/description.h"

namespace orv::model {
namespace {

// A fragment of id 0x300B and the selector-0 value that chooses it.
struct Fragment {
  uint32_t code;     // selector 0
  std::string text;  // bytes, returned without terminator
};

std::vector<uint8_t> to_bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

void describe_mnt(Model& m) {
  // Six rows of ten: the last number of each row is a fragment code of 0x300B.
  m.answer({0x3001, "the command table: six rows of ten numbers"},
           int16({
               0, 16801, 2201, 2202, 2201, 16821, 501, 1, 1, 100,   //
               2, 16805, 2213, 2214, 2213, 16825, 505, 1, 1, 500,   //
               3, 16806, 2216, 2217, 2216, 16826, 506, 1, 1, 600,   //
               4, 16807, 2219, 2220, 2219, 16827, 507, 1, 1, 700,   //
               6, 16809, 2225, 2226, 2227, 16829, 509, 1, 2, 900,   //
               7, 16810, 2228, 2229, 2230, 16830, 510, 1, 1, 1000,  //
           }));
  m.answer({0x3002, kConstant}, int8({10}));
  // Triples; each group opens with (1, group, 0) and closes with (999, 0, 0).
  m.answer({0x3003, "the sequence table: 43 triples in groups"},
           int16({
               1,   100,  0,    2,   100,   0,  13,  3,     6,    3, 16901, 2,     999, 0, 0,  //
               1,   500,  0,    3,   16921, 18, 5,   0,     9999, 2, 500,   0,                 //
               13,  3,    6,    3,   16901, 2,  999, 0,     0,                                 //
               1,   600,  0,    3,   16922, 18, 5,   0,     9999, 2, 600,   0,                 //
               13,  3,    6,    3,   16901, 2,  999, 0,     0,                                 //
               1,   700,  0,    4,   1,     0,  5,   701,   0,    3, 16931, 18,                //
               5,   702,  9999, 1,   701,   0,  3,   16932, 274,  5, 0,     9999,              //
               1,   702,  0,    2,   700,   0,  13,  3,     6,    7, 16871, 16935,             //
               999, 0,    0,                                                                   //
               1,   900,  0,    3,   16941, 18, 5,   0,     9999, 2, 900,   0,                 //
               999, 0,    0,                                                                   //
               1,   1000, 0,    8,   0,     0,  999, 0,     0,                                 //
               1,   9999, 0,    999, 0,     0,  0,   0,     0,                                 //
           }));
  m.answer({0x3004, kConstant}, int8({3}));
  m.answer({0x3005, kConstant}, int16({21101}));
  m.answer({0x3006, kConstant}, int8({0}));
  m.answer({0x3007, kConstant}, int8({0, 1, 10, 30, 60}));
  m.answer({0x3008, kConstant}, int8({0}));

  const Fragment fragments[] = {
      {1002, "AutoPowerOff="},
      {1001, "AutoPowerOn="},
      {700, "@ChangeHead=1"},
      {100, "@Cleaning=1"},
      {11, "ControlMode=Common"},
      {600, "@TestPrint=DemoPrint"},
      {2, "\nQXLEND\n"},
      {1, std::string("\x1B[K\x02\x00\x00\x1F", 7) + "QXLSTART\n"},
      {500, "@TestPrint=NozzleCheck"},
      {900, "@PowerOff"},
  };
  std::vector<Node> cases;
  for (const Fragment& f : fragments) cases.push_back(case_(f.code, bytes(to_bytes(f.text))));
  m.answer({0x300B, "a control-language fragment, by fragment code (selector 0)"},
           switch_sel(0, cases));
}

}  // namespace orv::model
