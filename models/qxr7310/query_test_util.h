// Test helpers: ask an exported access function for an id the way a caller
// does (size first, then the value) and read the answer back.
#ifndef ORVDB_MODELS_QXR7310_QUERY_TEST_UTIL_H_
#define ORVDB_MODELS_QXR7310_QUERY_TEST_UTIL_H_

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "orvdb/orvdb.h"
#include "support/fetch.h"

namespace orv::model::testing {

using AccessFn = int32_t(ORV_API*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*, uint32_t*);

// Result code, needed size and the bytes written by the second call.
struct Answer {
  int32_t rc = 0;            // result of the call that answered
  uint32_t needed = 0;       // *pcbNeeded of the sizing call
  std::vector<uint8_t> raw;  // the value (empty unless rc is DB_OK)

  // The value read as 32-bit numbers.
  std::vector<int32_t> numbers() const {
    std::vector<int32_t> out(raw.size() / 4);
    if (!out.empty()) memcpy(out.data(), raw.data(), out.size() * 4);
    return out;
  }
  // The value read as 16-bit text, each character narrowed; the NUL is kept.
  std::string text() const {
    std::string out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
      out += static_cast<char>(raw[i] | (raw[i + 1] << 8));
    return out;
  }
};

// Asks `fn` for `id` with the given selectors and match strings (empty:
// the array is absent): first with no buffer, then with the needed size.
inline Answer ask(AccessFn fn, uint16_t id, const std::vector<uint32_t>& selectors = {},
                  const std::vector<const char*>& strings = {}) {
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = static_cast<uint32_t>(selectors.size());
  ctx.pSelectors = selectors.empty() ? nullptr : selectors.data();
  ctx.cStrings = static_cast<uint32_t>(strings.size());
  ctx.ppStrings = strings.empty() ? nullptr : strings.data();
  const orv::testing::Answer asked = orv::testing::ask_sized(fn, id, &ctx);
  Answer a;
  a.rc = asked.result;
  a.needed = asked.needed;
  // The bytes the answering call says it wrote (none from a list id, which
  // leaves the word alone).
  if (a.rc == DB_OK && asked.written != orv::testing::kUnwrittenSize) {
    a.raw.assign(asked.bytes.begin(), asked.bytes.begin() + asked.written);
  }
  return a;
}

// Selectors with the given values at the given indices and zeros elsewhere.
inline std::vector<uint32_t> selectors(size_t count,
                                       const std::vector<std::pair<size_t, uint32_t>>& set) {
  std::vector<uint32_t> s(count, 0);
  for (const auto& [index, value] : set) s[index] = value;
  return s;
}

}  // namespace orv::model::testing

#endif  // ORVDB_MODELS_QXR7310_QUERY_TEST_UTIL_H_
