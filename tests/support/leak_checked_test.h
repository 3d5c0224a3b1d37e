// A test fixture that, on the in-memory platform, starts each test from a
// fresh platform and fails it when a platform block is left allocated. On
// the Windows platform there is nothing to count, and it is a plain fixture,
// so the same tests run there too.
#ifndef ORVDB_TESTS_SUPPORT_LEAK_CHECKED_TEST_H_
#define ORVDB_TESTS_SUPPORT_LEAK_CHECKED_TEST_H_

#include <gtest/gtest.h>

#ifdef ORVDB_HOST_PLATFORM
#include "orvdb/host_platform.h"
#endif

namespace orv::testing {

class LeakCheckedTest : public ::testing::Test {
 protected:
#ifdef ORVDB_HOST_PLATFORM
  void SetUp() override { orv_host_reset(); }
  void TearDown() override {
    EXPECT_EQ(orv_host_live_allocations(), 0u);
    orv_host_reset();
  }
#endif
};

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_LEAK_CHECKED_TEST_H_
