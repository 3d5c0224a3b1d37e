// A valid combination of the built-in model's settings, over its 95
// selectors: selectors 4 = 1, 9 = 0, 5 = 1, 81 = 0, 8 = 1, 6 = 2, 7 = 4 (a
// row of the mode table) and paper 28 = 9 (A4).
#ifndef ORVDB_TESTS_SUPPORT_MODEL_SETTINGS_H_
#define ORVDB_TESTS_SUPPORT_MODEL_SETTINGS_H_

#include <stdint.h>

#include "support/query_context.h"

namespace orv::testing {

constexpr uint32_t kModelSelectorCount = 95;

inline const SelectorValues kValidSettings = {{4, 1}, {9, 0}, {5, 1}, {81, 0},
                                              {8, 1}, {6, 2}, {7, 4}, {28, 9}};

// The valid settings that lie within the first `count` selectors.
inline QueryContext valid_settings(uint32_t count = kModelSelectorCount) {
  QueryContext c(count);
  for (const auto& [index, value] : kValidSettings) {
    if (index < count) c.set(index, value);
  }
  return c;
}

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_MODEL_SETTINGS_H_
