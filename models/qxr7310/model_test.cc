// The whole QXR-7310 description: it compiles the same twice, has its root
// slots and pool, its dump is the committed golden dump, and one changed
// mode-table value shows in that dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "modelc/compiler.h"
#include "modelc/emitter.h"
#include "modelc/image_dump.h"

namespace orv::model {
namespace {

TEST(Compiler, TheModelCompilesTheSameTwice) {
  Model a, b;
  describe_model(a);
  describe_model(b);
  CompileResult ra = compile(a), rb = compile(b);
  ASSERT_TRUE(ra.ok()) << ra.faults.front();
  ASSERT_TRUE(rb.ok());
  EXPECT_EQ(emit_source(ra.image), emit_source(rb.image));
}

TEST(Compiler, TheModelHasItsRootSlots) {
  Model m;
  describe_model(m);
  CompileResult r = compile(m);
  ASSERT_TRUE(r.ok()) << r.faults.front();
  EXPECT_EQ(r.image.root_ids.size(), 145u);
  EXPECT_TRUE(std::is_sorted(r.image.root_ids.begin(), r.image.root_ids.end()));
  EXPECT_EQ(std::adjacent_find(r.image.root_ids.begin(), r.image.root_ids.end()),
            r.image.root_ids.end());
  EXPECT_EQ(r.image.i32_pool, (std::vector<int32_t>{255, 16711680, 65535, -1, -1}));
  // Slots of ids 0x0001-0x0FFF: the 26 Root ids.
  EXPECT_EQ(std::count_if(r.image.root_ids.begin(), r.image.root_ids.end(),
                          [](uint16_t id) { return id < 0x1000; }),
            26);
}

TEST(ImageDump, BuiltInImageMatchesTheGoldenDump) {
  std::ifstream in(ORVDB_GOLDEN_DUMP, std::ios::binary);
  ASSERT_TRUE(in) << "cannot read " << ORVDB_GOLDEN_DUMP;
  std::stringstream golden;
  golden << in.rdbuf();
  // When the model changes on purpose: ninja update_golden_dump, then review the diff.
  EXPECT_TRUE(dump_image(builtin_image()) == golden.str())
      << "the built-in image differs from " << ORVDB_GOLDEN_DUMP;
}

// The lines of `text` that `other` does not have at the same place.
std::vector<std::string> changed_lines(const std::string& text, const std::string& other) {
  std::istringstream a(text), b(other);
  std::vector<std::string> changed;
  for (std::string x, y; std::getline(a, x) && std::getline(b, y);)
    if (x != y) changed.push_back(x + " / " + y);
  return changed;
}

TEST(ImageDump, OneChangedModeTableValueShowsInTheDump) {
  model::Model m;
  model::describe_model(m);
  model::Model changed = m;
  // Row 203 (selectors 4 = 2, 9 = 2, 5 = 261, 8 = 5, 6 = 1, 81 = 0) takes part C record 7.
  changed.drv_tables().mode_rows[203].parts[2] = 6;
  model::CompileResult before = model::compile(m), after = model::compile(changed);
  ASSERT_TRUE(before.ok()) << before.faults.front();
  ASSERT_TRUE(after.ok()) << after.faults.front();
  std::string b = dump_image(before.image.view()), a = dump_image(after.image.view());
  EXPECT_EQ(b, dump_image(builtin_image())) << "the compiled view carries what the library holds";
  EXPECT_EQ(changed_lines(b, a),
            std::vector<std::string>{"  row 203 keys 2 2 261 5 1 0 parts A=203 B=0 C=7 D=0 / "
                                     "  row 203 keys 2 2 261 5 1 0 parts A=203 B=0 C=6 D=0"});
}

}  // namespace
}  // namespace orv::model
