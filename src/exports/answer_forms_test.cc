// The answer forms the public header states have the layout callers rely on:
// the value record's five words and the mode record's four parts.
#include <gtest/gtest.h>

#include <cstddef>

#include "orvdb/orvdb.h"

namespace {

TEST(AnswerFormsTest, ValueRecordIsFiveWordsWithoutGaps) {
  EXPECT_EQ(sizeof(ORV_VALUE_RECORD), 20u);
  EXPECT_EQ(offsetof(ORV_VALUE_RECORD, value), 0u);
  EXPECT_EQ(offsetof(ORV_VALUE_RECORD, attr1), 4u);
  EXPECT_EQ(offsetof(ORV_VALUE_RECORD, attr2), 8u);
  EXPECT_EQ(offsetof(ORV_VALUE_RECORD, attr3), 12u);
  EXPECT_EQ(offsetof(ORV_VALUE_RECORD, mark), 16u);
}

TEST(AnswerFormsTest, ModeRecordPartsAndTheirOffsets) {
  EXPECT_EQ(sizeof(ORV_MODE_RECORD), 192u);
  EXPECT_EQ(offsetof(ORV_MODE_RECORD, partA), 0u);
  EXPECT_EQ(sizeof(ORV_MODE_RECORD::partA), 48u);
  EXPECT_EQ(offsetof(ORV_MODE_RECORD, partB), 48u);
  EXPECT_EQ(sizeof(ORV_MODE_RECORD::partB), 40u);
  EXPECT_EQ(offsetof(ORV_MODE_RECORD, partC), 88u);
  EXPECT_EQ(sizeof(ORV_MODE_RECORD::partC), 36u);
  EXPECT_EQ(offsetof(ORV_MODE_RECORD, partD), 124u);
  EXPECT_EQ(sizeof(ORV_MODE_RECORD::partD), 48u);
  EXPECT_EQ(offsetof(ORV_MODE_RECORD, unwritten), 172u);
}

}  // namespace
