// Faults of a description are reported with the place that wrote the faulty
// node and the tree it stands in.
#include "modeldata/verifier.h"

#include <gtest/gtest.h>

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
  return "src/modeldata/verifier_test.cc:" + std::to_string(where.line()) + ": error: tree " +
         tree + ": ";
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

  CompiledImage root = sound_image();
  root.root_items[0] = 1000;
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
  EXPECT_EQ(f[0].rfind("src/modeldata/verifier_test.cc:", 0), 0u) << f[0];
}

}  // namespace
}  // namespace orv::model
