// Faults of a description are reported with the place that wrote the faulty
// node and the tree it stands in.
#include "modelc/verifier.h"

#include <gtest/gtest.h>

#include <functional>

#include "drvrecords/drv_tables.h"
#include "engine/resolver.h"
#include "support/image_builder.h"

namespace orv::model {
namespace {

// The single fault of compiling `m`.
std::string only_fault(const Model& m) {
  CompileResult r = compile(m);
  EXPECT_EQ(r.faults.size(), 1u);
  if (r.faults.size() > 1)
    for (const std::string& f : r.faults) ADD_FAILURE() << "fault: " << f;
  return r.faults.empty() ? std::string() : r.faults.front();
}

// The expected beginning of a fault at `where` in tree `tree`.
std::string at(const Loc& where, const std::string& tree) {
  return "src/modelc/verifier_test.cc:" + std::to_string(where.line()) + ": error: tree " + tree +
         ": ";
}

struct FaultCase {
  const char* name;     // what is wrong
  Model model;          // a description with that fault
  Loc where;            // the line of the faulty node
  std::string tree;     // the tree named in the message
  const char* message;  // a part of the message
};

// Each faulty node is built on the line whose place is captured in `w`.
// clang-format off
std::vector<FaultCase> fault_cases() {
  std::vector<FaultCase> cases;
  auto add = [&](const char* name, const Loc& where, const std::string& tree, const char* message,
                 auto describe) {
    FaultCase c{name, Model(), where, tree, message};
    describe(c.model);
    cases.push_back(std::move(c));
  };
  {
    Loc w = Loc::current(); Node bad = case_(1, int8(0x10, {1}));
    add("case outside a switch", w, "0x0010", "a case outside a switch", [&](Model& m) {
      m.root({0x10}, seq({int8(0x10, {0}), bad}));
    });
  }
  {
    Loc w = Loc::current(); Node bad = int8(0x11, {1});
    add("leaf of a foreign id", w, "0x0010", "answers id 0x0011", [&](Model& m) {
      m.root({0x10, 0x12}, seq({int8(0x12, {0}), bad}));
    });
  }
  {
    Loc w = Loc::current(); Node bad = int8(0x10, {1});
    add("non-branch under a select", w, "0x0010", "not a branch", [&](Model& m) {
      m.root({0x10}, select(4, {branch(1, {int8(0x10, {2})}), bad}));
    });
  }
  {
    Loc w = Loc::current(); Node bad = branch(1, {int8(0x10, {1})});
    add("branch outside a select", w, "0x0010", "a branch outside a select",
        [&](Model& m) { m.root({0x10}, seq({bad})); });
  }
  {
    Loc w = Loc::current(); Node bad = int8(0x10, {1});
    add("leaf among cases", w, "0x0010", "where a case must stand", [&](Model& m) {
      m.root({0x10}, switch_sel(0, {case_(1, int8(0x10, {0})), bad}));
    });
  }
  {
    Loc w = Loc::current(); Node bad = case_(1, int8(0x10, {1}));
    add("value case in a string switch", w, "0x0010", "where a string case must stand",
        [&](Model& m) { m.root({0x10}, switch_str(0, {bad})); });
  }
  {
    Loc w = Loc::current(); Node bad = default_(int8(0x10, {1}));
    add("default before other cases", w, "0x0010", "never tried", [&](Model& m) {
      m.root({0x10}, switch_sel(0, {bad, case_(2, int8(0x10, {2}))}));
    });
  }
  {
    Loc w = Loc::current(); Node bad = uint8(0x10, {1, 256});
    add("value too large for its kind", w, "0x0010", "value 256 of id 0x0010 does not fit in uint8",
        [&](Model& m) { m.root({0x10}, bad); });
  }
  {
    Loc w = Loc::current(); Node bad = int16(0x10, std::vector<int64_t>(70000, 1));
    add("count beyond 16 bits", w, "0x0010", "count 70000 does not fit in 16 bits",
        [&](Model& m) { m.root({0x10}, bad); });
  }
  {
    Loc w = Loc::current(); Node bad = ref("nowhere");
    add("unknown tree name", w, "0x0010", "unknown tree name 'nowhere'",
        [&](Model& m) { m.root({0x10}, seq({bad})); });
  }
  {
    Loc w = Loc::current();
    add("root id twice", w, "0x0010", "root id registered twice", [&](Model& m) {
      m.root({0x10}, int8(0x10, {0}));
      m.root({0x10}, int8(0x10, {1}), w);
    });
  }
  {
    Loc w = Loc::current(); Node bad = int8(0x10, {1});
    add("fragment leaf of another id", w, "frag", "answers id 0x0010", [&](Model& m) {
      m.fragment("frag", bad);
      m.top_sequence(0x5008);
    });
  }
  return cases;
}
// clang-format on

TEST(Verifier, ReportsEachFaultWithItsPlaceAndTree) {
  for (const FaultCase& c : fault_cases()) {
    SCOPED_TRACE(c.name);
    std::string fault = only_fault(c.model);
    EXPECT_EQ(fault.rfind(at(c.where, c.tree), 0), 0u) << fault;
    EXPECT_NE(fault.find(c.message), std::string::npos) << fault;
  }
}

// Where the sound Drv tables below were written.
struct TableLines {
  Loc selector_values;   // the selector-4 slot
  Loc command_sequence;  // the 0x101B sequence
  Loc mode_row;          // row 0
};

// A sound description with one entry in every Drv table; returns the lines
// of its entries.
// clang-format off
TableLines sound_tables(Model& m) {
  TableLines at;
  m.root({0x10}, int8(0x10, {1}));
  m.fragment("frag", bytes(kFragmentId, {0x1B, 0x40}));
  m.top_sequence(kFragmentId);
  at.selector_values = Loc::current(); m.selector_values(4, {{1, 15002}, {2, 15001}}, at.selector_values);
  at.command_sequence = Loc::current(); m.command_sequence(0x101B, {"frag"}, at.command_sequence);
  at.mode_row = Loc::current(); m.mode_row({1, 0, 1, 1, 2, 0}, {0, 0, 0, 0}, at.mode_row);
  for (uint32_t p = 0; p < kModePartCount; ++p)
    m.mode_part_record(p, std::vector<uint8_t>(kModePartSizes[p], 0));
  return at;
}
// clang-format on

struct TableFaultCase {
  const char* name;     // what is wrong
  Model model;          // the sound tables with one faulty entry
  Loc where;            // the line of the faulty entry
  std::string subject;  // what the message names after "error: "
  const char* message;  // a part of the message
};

// Each faulty entry is written on the line whose place is captured in `w`.
// clang-format off
std::vector<TableFaultCase> table_fault_cases() {
  std::vector<TableFaultCase> cases;
  auto add = [&](const char* name, const Loc& where, const std::string& subject,
                 const char* message, auto describe) {
    TableFaultCase c{name, Model(), where, subject, message};
    sound_tables(c.model);
    describe(c.model);
    cases.push_back(std::move(c));
  };
  {
    Loc w = Loc::current();
    add("selector value beyond 16 bits", w, "selector-value table",
        "value 70000 does not fit in unsigned 16 bits",
        [&](Model& m) { m.selector_values(5, {{1, 15101}, {70000, 15102}}, w); });
  }
  {
    Loc w = Loc::current();
    add("a selector with two slots", w, "selector-value table",
        "selector-value slot 1: selector 4 already has slot 0",
        [&](Model& m) { m.selector_values(4, {{3, 15003}}, w); });
  }
  {
    Loc w = Loc::current();
    add("unknown fragment label", w, "command sequence 0x1019", "unknown fragment label 'nowhere'",
        [&](Model& m) { m.command_sequence(0x1019, {"frag", "nowhere"}, w); });
  }
  {
    Loc w = Loc::current();
    add("fragment without fragment-id leaves", w, "command-sequence table",
        "command sequence 0x1019 fragment 2 (item", [&](Model& m) {
          m.tree("plain", int8(0x11, {1}));
          m.root({0x11}, ref("plain"));
          m.command_sequence(0x1019, {"frag", "plain"}, w);
        });
  }
  {
    Loc w = Loc::current();
    add("a sequence twice", w, "command-sequence table",
        "command sequence 0x101B stands twice, as sequences 0 and 1",
        [&](Model& m) { m.command_sequence(0x101B, {"frag"}, w); });
  }
  {
    Loc w = Loc::current();
    add("mode key beyond 16 bits", w, "mode table row 1", "key 40000 does not fit in signed 16 bits",
        [&](Model& m) { m.mode_row({1, 0, 40000, 1, 2, 0}, {0, 0, 0, 0}, w); });
  }
  {
    Loc w = Loc::current();
    add("mode keys twice", w, "mode table", "mode row 1 has the keys of row 0",
        [&](Model& m) { m.mode_row({1, 0, 1, 1, 2, 0}, {0, 0, 0, 0}, w); });
  }
  {
    Loc w = Loc::current();
    add("part index beyond its table", w, "mode table",
        "mode row 1 names a part record beyond its table: part C record 1 of 1",
        [&](Model& m) { m.mode_row({1, 0, 1, 1, 1, 0}, {0, 0, 1, 0}, w); });
  }
  {
    Loc w = Loc::current();
    add("part record of the wrong size", w, "mode part C record 1",
        "record of 35 bytes, where the part's records are 36 bytes",
        [&](Model& m) { m.mode_part_record(2, std::vector<uint8_t>(35, 0), w); });
  }
  return cases;
}
// clang-format on

TEST(Verifier, ReportsEachDrvTableFaultWithItsPlace) {
  Model sound;
  sound_tables(sound);
  CompileResult r = compile(sound);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  for (const TableFaultCase& c : table_fault_cases()) {
    SCOPED_TRACE(c.name);
    std::string fault = only_fault(c.model);
    std::string place = "src/modelc/verifier_test.cc:" + std::to_string(c.where.line()) +
                        ": error: " + c.subject + ": ";
    EXPECT_EQ(fault.rfind(place, 0), 0u) << fault;
    EXPECT_NE(fault.find(c.message), std::string::npos) << fault;
  }
}

// Positions and counts are laid out by the compiler, so only a spoiled image
// has them wrong; the fault still names the entry's line.
TEST(Verifier, PositionsAndCountsOfTheDrvTablesNameTheirEntry) {
  Model m;
  const TableLines at = sound_tables(m);
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  auto place = [](const Loc& where, const std::string& subject) {
    return "src/modelc/verifier_test.cc:" + std::to_string(where.line()) + ": error: " + subject +
           ": ";
  };

  CompiledImage values = r.image;
  values.drv.sel_value_counts[0] = 3;  // the slot has two values
  std::vector<std::string> f = verify(values);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0], place(at.selector_values, "selector-value table") +
                      "selector-value slot 0 reaches beyond the values");

  CompiledImage fragments = r.image;
  fragments.drv.seq_first[0] = 1;  // past the one fragment
  f = verify(fragments);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0], place(at.command_sequence, "command-sequence table") +
                      "command sequence 0x101B reaches beyond the fragments");

  CompiledImage parts = r.image;
  parts.drv.mode_parts[3].clear();  // part D loses its record
  f = verify(parts);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0], place(at.mode_row, "mode table") +
                      "mode row 0 names a part record beyond its table: part D record 0 of 0");
}

// A sound little image whose tables the tests below spoil one at a time.
CompiledImage sound_image() {
  Model m;
  m.root({1}, switch_masked(0, 0xFF, {case_(1, int8(1, {1}))}));
  m.root({2}, seq({int8(2, {1}), int8(2, {2})}));
  m.top_sequence(9);
  CompileResult r = compile(m);
  EXPECT_TRUE(r.ok());
  return r.image;
}

uint32_t root_of(const CompiledImage& img, uint16_t id) {
  for (size_t k = 0; k < img.root_ids.size(); ++k)
    if (img.root_ids[k] == id) return img.root_items[k];
  return 0;
}

TEST(Verifier, ChecksIndicesOfAnImage) {
  EXPECT_TRUE(verify(sound_image()).empty());

  CompiledImage children = sound_image();
  Item& seq2 = children.items[root_of(children, 2)];
  seq2.word0 = make_word0(ITEM_SEQUENCE, static_cast<uint32_t>(children.items.size()) - 1);
  std::vector<std::string> f = verify(children);
  ASSERT_FALSE(f.empty());
  EXPECT_NE(f[0].find("tree 0x0002: children at item"), std::string::npos) << f[0];
  EXPECT_NE(f[0].find("beyond the item table"), std::string::npos) << f[0];

  CompiledImage mask = sound_image();
  Item& sw = mask.items[root_of(mask, 1)];
  mask.items[item_offset(sw.word0)].word0 = make_word0(ITEM_SEQUENCE, 0);
  f = verify(mask);
  ASSERT_FALSE(f.empty());
  EXPECT_NE(f[0].find("first child is not a mask"), std::string::npos) << f[0];

  CompiledImage pool = sound_image();
  pool.byte_pool.clear();
  f = verify(pool);
  ASSERT_FALSE(f.empty());
  EXPECT_NE(f[0].find("reaches beyond its pool"), std::string::npos) << f[0];

  CompiledImage target = sound_image();
  const Item& first_child = target.items[item_offset(target.items[root_of(target, 1)].word0)];
  const uint32_t at = item_offset(first_child.word0);  // the mask names the first case
  target.items[at].word0 =
      make_word0(item_kind(target.items[at].word0), static_cast<uint32_t>(target.items.size()));
  f = verify(target);
  ASSERT_FALSE(f.empty());
  EXPECT_NE(f[0].find("case target at item"), std::string::npos) << f[0];
  EXPECT_NE(f[0].find("beyond the item table"), std::string::npos) << f[0];

  // The index just past the table.
  CompiledImage root = sound_image();
  root.root_items[0] = static_cast<uint32_t>(root.items.size());
  f = verify(root);
  ASSERT_FALSE(f.empty());
  EXPECT_NE(f[0].find("tree 0x0001: root item beyond the item table"), std::string::npos) << f[0];
}

TEST(Verifier, TheTopSequenceMustHoldEveryTree) {
  CompiledImage img = sound_image();
  img.items[0].word1 = make_word1(0, 1);  // drops the second tree
  std::vector<std::string> f = verify(img);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_NE(f[0].find("tree 0x0009: the root is not the sequence of every root and fragment tree"),
            std::string::npos)
      << f[0];
  EXPECT_EQ(f[0].rfind("src/modelc/verifier_test.cc:", 0), 0u) << f[0];
}

// The checks an image that no description can produce needs: hand-built
// images and tables, each with one fault, and what `orvdb check` says of it.
using orv::testing::ImageBuilder;

std::string all_messages(const ImageReport& r) {
  std::string all;
  for (const ImageFault& f : r.faults) all += f.message + "\n";
  return all;
}

// A sound two-level image: a sequence (id 1) over two leaves of id 1.
ImageBuilder two_leaves() {
  ImageBuilder b;
  uint32_t seq = b.add(ITEM_SEQUENCE, 1, 0, 2);
  b.int8_leaf(1, {1});
  b.int8_leaf(1, {2});
  b.root(1, seq);
  return b;
}

TEST(VerifyImage, EachFaultOfAHandBuiltImage) {
  static const uint32_t kValues = 3;
  struct Case {
    const char* name;                         // what is wrong
    std::function<void(ImageBuilder&)> make;  // spoils a sound image
    std::function<void(Image&)> spoil;        // spoils the tables' pointers
    const char* message;                      // a part of the fault
  };
  DrvTables tables{};
  DrvTables no_first{};      // tables without their sequence first fragments
  DrvTables no_fragments{};  // its sequence over an absent, empty fragment table
  uint16_t sel_indices[] = {4};
  uint16_t sel_counts[] = {2};
  uint32_t sel_first[] = {2};  // values 2 and 3 of a table of 3
  uint16_t seq_ids[] = {0x1018};
  uint16_t seq_counts[] = {2};
  uint32_t seq_first[] = {0};
  uint32_t fragments[] = {0, 99};  // the second lies beyond the item table
  ModeRow rows[] = {{{0, 0, 0, 0, 0, 0}, 0, 0, 1, 0}};
  const Case cases[] = {
      {"cycle", [](ImageBuilder& b) { b.items[0].word0 = make_word0(ITEM_SEQUENCE, 0); }, nullptr,
       "the tree leads back to this item (a cycle)"},
      {"function 0",
       [](ImageBuilder& b) {
         b.items[1] = Item{make_word0(ITEM_COMPUTED, 0), make_word1(1, 0)};
       },
       nullptr, "computed leaf of id 0x0001 names function 0, which does not exist"},
      {"function 8",
       [](ImageBuilder& b) {
         b.items[2] = Item{make_word0(ITEM_COMPUTED, 0), make_word1(1, 8)};
       },
       nullptr, "names function 8"},
      {"item table", nullptr, [](Image& i) { i.items = nullptr; }, "items missing"},
      {"i32 pool", nullptr, [](Image& i) { i.i32_pool = nullptr, i.i32_count = 2; },
       "i32 pool missing"},
      {"i16 pool", nullptr, [](Image& i) { i.i16_pool = nullptr, i.i16_count = 2; },
       "i16 pool missing"},
      {"byte pool", nullptr, [](Image& i) { i.byte_pool = nullptr; }, "byte pool missing"},
      // Absent with its count 0: a one-byte leaf reaches beyond it (the other leaf is empty).
      {"no byte pool",
       [](ImageBuilder& b) {
         b.items[2] = Item{make_word0(ITEM_INT8, 0), make_word1(1, 0)};
       },
       [](Image& i) { i.byte_pool = nullptr, i.byte_count = 0; },
       "leaf of id 0x0001 reaches beyond its pool"},
      {"match pool", nullptr, [](Image& i) { i.match_pool = nullptr, i.match_count = 1; },
       "match-string pool missing"},
      {"root index", nullptr, [](Image& i) { i.root_ids = nullptr; },
       "root index missing or empty"},
      {"root id twice", [](ImageBuilder& b) { b.root(2, 1), b.root(1, 2); }, nullptr,
       "root id registered twice"},
      {"leaf no walk reaches", [](ImageBuilder& b) { b.items[2].word1 = make_word1(5, 1); },
       nullptr, "leaf answers id 0x0005, which is not an id of this tree"},
      {"selector values", nullptr, [&](Image& i) { i.drv_tables = &tables; },
       "selector-value slot 0 reaches beyond the values"},
      {"fragment", nullptr, [&](Image& i) { i.drv_tables = &tables; },
       "command sequence 0x1018 fragment 1 beyond the item table"},
      {"mode row", nullptr, [&](Image& i) { i.drv_tables = &tables; },
       "mode row 0 names a part record beyond its table"},
      {"drv table", nullptr, [&](Image& i) { i.drv_tables = &tables; }, "mode part D missing"},
      {"sequence first fragments alone", nullptr, [&](Image& i) { i.drv_tables = &no_first; },
       "sequence first fragments missing"},
      {"sequence over no fragments", nullptr, [&](Image& i) { i.drv_tables = &no_fragments; },
       "command sequence 0x1018 reaches beyond the fragments"},
  };
  tables.sel_indices = sel_indices, tables.sel_value_counts = sel_counts;
  tables.sel_first = sel_first, tables.sel_count = 1, tables.sel_value_count = kValues;
  tables.seq_ids = seq_ids, tables.seq_fragment_counts = seq_counts, tables.seq_first = seq_first;
  tables.seq_count = 1, tables.seq_fragments = fragments, tables.seq_fragment_count = 2;
  tables.mode_rows = rows, tables.mode_count = 1;
  for (ModePartTable& part : tables.mode_parts) part.count = 1;
  no_first = tables;
  no_first.seq_first = nullptr;
  no_fragments = tables;
  no_fragments.seq_fragments = nullptr, no_fragments.seq_fragment_count = 0;
  EXPECT_EQ(all_messages(verify_image(two_leaves().image())), "");
  for (const Case& c : cases) {
    ImageBuilder b = two_leaves();
    if (c.make) c.make(b);
    Image image = b.image();
    if (c.spoil) c.spoil(image);
    std::string all = all_messages(verify_image(image));
    EXPECT_NE(all.find(c.message), std::string::npos) << c.name << ":\n" << all;
  }
}

TEST(VerifyImage, DepthUpToTheWalksLimit) {
  for (int depth : {kMaxWalkDepth, kMaxWalkDepth + 1}) {
    ImageBuilder b;
    b.sequence_chain(1, depth);
    std::string all = all_messages(verify_image(b.image()));
    if (depth <= kMaxWalkDepth) {
      EXPECT_EQ(all, "");
    } else {
      EXPECT_EQ(all, "the tree is 65 levels deep, beyond the walk's limit of 64\n");
    }
  }
}

// A leaf may answer any id whose walk reaches it: a tree that another
// root's sequence holds may hold that root's leaves, and no other tree may.
TEST(VerifyImage, LeavesAnswerTheIdsWhoseWalkReachesThem) {
  ImageBuilder b;
  uint32_t top = b.add(ITEM_SEQUENCE, 1, 0, 1);   // id 9: the sequence of every tree
  uint32_t tree = b.add(ITEM_SEQUENCE, 2, 0, 2);  // id 1
  b.int8_leaf(1, {1});
  b.int8_leaf(9, {9});                             // reached by the walk of id 9
  uint32_t other = b.add(ITEM_SEQUENCE, 5, 0, 1);  // id 2, not in the top sequence
  b.int8_leaf(9, {9});
  b.root(1, tree);
  b.root(2, other);
  b.root(9, top);
  ImageReport r = verify_image(b.image());
  ASSERT_EQ(r.faults.size(), 1u) << all_messages(r);
  EXPECT_EQ(r.faults[0].item, 5u);
  EXPECT_EQ(r.faults[0].tree, other);
  EXPECT_EQ(r.unreached, 0u);

  b.add(ITEM_SEQUENCE, 0, 0, 0);  // no tree reaches it
  r = verify_image(b.image());
  EXPECT_EQ(r.unreached, 1u);
  EXPECT_EQ(r.sizes[0], "items 7");
  EXPECT_EQ(r.sizes.back(), "drv tables absent");
}

}  // namespace
}  // namespace orv::model
