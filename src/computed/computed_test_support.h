// Contexts for the computed items' tests: a selector array of a given length
// with chosen values, owned by the test.
#ifndef ORVDB_COMPUTED_COMPUTED_TEST_SUPPORT_H_
#define ORVDB_COMPUTED_COMPUTED_TEST_SUPPORT_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "orvdb/orvdb.h"

namespace orv::testing {

struct SelectorContext {
  // `count` selectors, all 0 except the listed (index, value) pairs.
  explicit SelectorContext(uint32_t count, std::vector<std::pair<uint32_t, uint32_t>> values = {})
      : selectors(count, 0) {
    for (const auto& [index, value] : values) selectors.at(index) = value;
    ctx.cSelectors = count;
    ctx.pSelectors = selectors.data();
  }
  std::vector<uint32_t> selectors;
  ORV_QUERY_CONTEXT ctx = {};
};

}  // namespace orv::testing

#endif  // ORVDB_COMPUTED_COMPUTED_TEST_SUPPORT_H_
