// The steps around every lookup, in their order: the context, then the id's
// range, then the needed-size word; the Root range's first and last ids
// answer, the ids beside them do not.
#include "engine/access.h"
#include "engine/root_path.h"

#include <gtest/gtest.h>

#include "support/image_builder.h"

namespace orv {
namespace {

using testing::ImageBuilder;

TEST(AccessTest, ContextThenRangeThenSizeWord) {
  ImageBuilder b;
  for (uint16_t id : {0x0000, 0x0001, 0x0FFF, 0x1000}) b.root(id, b.int8_leaf(id, {1}));
  const Image image = b.image();
  ORV_QUERY_CONTEXT ctx{};
  uint32_t needed = 0;
  struct Case {
    uint16_t id;
    bool context;
    bool size_word;
    int32_t result;
  };
  const Case cases[] = {
      {0x0001, true, true, DB_MORE_DATA},   {0x0FFF, true, true, DB_MORE_DATA},
      {0x0000, true, true, DB_NOT_FOUND},   {0x1000, true, true, DB_NOT_FOUND},
      {0x0001, false, true, DB_NO_CONTEXT}, {0x0000, false, false, DB_NO_CONTEXT},
      {0x0001, true, false, DB_ERROR},      {0x1000, true, false, DB_NOT_FOUND},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(access_root(image, c.id, c.context ? &ctx : nullptr, 0, nullptr,
                          c.size_word ? &needed : nullptr),
              c.result)
        << "id " << c.id << ", context " << c.context << ", size word " << c.size_word;
  }
}

}  // namespace
}  // namespace orv
