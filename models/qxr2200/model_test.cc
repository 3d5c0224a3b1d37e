// The QXR-2200's description compiles into an image that holds every item
// kind, so that each path of the walk is taken through a built library.
#include <gtest/gtest.h>

#include <set>

#include "engine/image.h"
#include "modelc/compiler.h"

namespace orv::model {
namespace {

TEST(Qxr2200Model, ItsImageHoldsEveryItemKind) {
  Model model;
  describe_model(model);
  CompileResult result = compile(model);
  ASSERT_TRUE(result.ok()) << result.faults.front();
  EXPECT_EQ(result.image.model_name, "QXR-2200");
  std::set<int> kinds;
  for (const Item& item : result.image.items) kinds.insert(item_kind(item.word0));
  std::set<int> every;
  for (int kind = ITEM_BYTES; kind <= ITEM_CASE_RANGE; ++kind) every.insert(kind);
  EXPECT_EQ(kinds, every);
}

}  // namespace
}  // namespace orv::model
