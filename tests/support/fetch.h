// Calling a query function of the library's form, f(leading..., cbBuf, pBuf,
// pcbNeeded), as a test does: once into a buffer of a chosen size, or the
// way a caller asks, the size first and then the answer into a buffer of
// that size. Works for the exported functions and for the internal ones that
// take the same last three arguments.
#ifndef ORVDB_TESTS_SUPPORT_FETCH_H_
#define ORVDB_TESTS_SUPPORT_FETCH_H_

#include <gtest/gtest.h>
#include <stdint.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "orvdb/orvdb.h"

namespace orv::testing {

// A buffer's bytes before the call: whatever still holds them was not written.
constexpr uint8_t kUnwrittenByte = 0xEE;
// The needed-size word before the call: still there, it was not written.
constexpr uint32_t kUnwrittenSize = 0xDEADBEEFu;

// One call: its result, the needed-size word and the buffer after it.
struct Call {
  int32_t result = 0;
  uint32_t needed = kUnwrittenSize;
  std::vector<uint8_t> bytes;
};

// Calls `query(leading..., size, buffer, &needed)` with a buffer of `size`
// bytes of kUnwrittenByte, even when `size` is 0. The buffer has a few bytes
// more that the call is not told of; writing into them fails the test.
template <typename Query, typename... Leading>
Call call_with_buffer(uint32_t size, Query&& query, const Leading&... leading) {
  constexpr uint32_t kGuard = 4;
  Call c;
  c.bytes.assign(size + kGuard, kUnwrittenByte);
  c.result = query(leading..., size, c.bytes.data(), &c.needed);
  EXPECT_EQ(std::vector<uint8_t>(c.bytes.begin() + size, c.bytes.end()),
            std::vector<uint8_t>(kGuard, kUnwrittenByte))
      << "written past the " << size << " bytes of the buffer";
  c.bytes.resize(size);
  return c;
}

// The same, but with no buffer at all when `size` is 0: a size query.
template <typename Query, typename... Leading>
Call call_into(uint32_t size, Query&& query, const Leading&... leading) {
  if (size > 0) return call_with_buffer(size, query, leading...);
  Call c;
  c.result = query(leading..., 0, nullptr, &c.needed);
  return c;
}

// An answer asked for as a caller asks.
struct Answer {
  int32_t result = 0;  // the answering call's, or the size query's if not DB_MORE_DATA
  uint32_t needed = kUnwrittenSize;   // the size the size query gave
  uint32_t written = kUnwrittenSize;  // the needed-size word after the answering call
  std::vector<uint8_t> bytes;         // the buffer of `needed` bytes after the answering call

  // The answer read as elements of T (32-bit numbers, value records).
  template <typename T>
  std::vector<T> as() const {
    std::vector<T> out(bytes.size() / sizeof(T));
    if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T));
    return out;
  }
  // The answer as text, byte for byte.
  std::string text() const { return std::string(bytes.begin(), bytes.end()); }
};

// Asks with no buffer for the size, then into a buffer of exactly that size
// (an empty answer still gets a buffer).
template <typename Query, typename... Leading>
Answer ask_sized(Query&& query, const Leading&... leading) {
  Answer a;
  const Call size = call_into(0, query, leading...);
  a.result = size.result;
  a.needed = size.needed;
  if (a.result != DB_MORE_DATA) return a;
  Call answer = call_with_buffer(a.needed, query, leading...);
  a.result = answer.result;
  a.written = answer.needed;
  a.bytes = std::move(answer.bytes);
  return a;
}

}  // namespace orv::testing

#endif  // ORVDB_TESTS_SUPPORT_FETCH_H_
