// The query context as callers lay it out: on 32-bit targets (the Windows
// DLL's own platform, and the -m32 Linux build) seven 32-bit words, 28 bytes.
// A 32-bit build fails to compile if the header ever breaks that.
#include <gtest/gtest.h>
#include <stddef.h>

#include "orvdb/orvdb.h"

namespace {

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ORV_QUERY_CONTEXT) == 28, "seven 32-bit words");
static_assert(offsetof(ORV_QUERY_CONTEXT, hPrinter) == 0, "word 0");
static_assert(offsetof(ORV_QUERY_CONTEXT, dwReserved) == 4, "word 1");
static_assert(offsetof(ORV_QUERY_CONTEXT, cStrings) == 8, "word 2");
static_assert(offsetof(ORV_QUERY_CONTEXT, ppStrings) == 12, "word 3");
static_assert(offsetof(ORV_QUERY_CONTEXT, cSelectors) == 16, "word 4");
static_assert(offsetof(ORV_QUERY_CONTEXT, pSelectors) == 20, "word 5");
static_assert(offsetof(ORV_QUERY_CONTEXT, pPrinterName) == 24, "word 6");
#endif

TEST(QueryContextLayout, SevenThirtyTwoBitWordsOnThirtyTwoBitTargets) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "pointers are wider than the caller's 32-bit words";
  EXPECT_EQ(sizeof(ORV_QUERY_CONTEXT), 28u);
  EXPECT_EQ(offsetof(ORV_QUERY_CONTEXT, pSelectors), 20u);
}

}  // namespace
