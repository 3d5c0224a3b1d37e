// Test helpers for the Drv and internal data of the built-in image: queries
// through the exported function, through the root lookup and fetcher, and
// through a fragment tree of the command-sequence table; and the allowed
// combinations of the settings selectors with a grid of cells around them.
#ifndef ORVDB_MODELS_QXR7310_DRV_DATA_TEST_UTIL_H_
#define ORVDB_MODELS_QXR7310_DRV_DATA_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "drvrecords/drv_tables.h"
#include "engine/fetcher.h"
#include "engine/image.h"
#include "engine/resolver.h"
#include "orvdb/orvdb.h"

namespace orv::drvtest {

using Ints = std::vector<int32_t>;
using Bytes = std::vector<uint8_t>;

// A selector array of `n` zeros with the given selectors set; selectors at
// or beyond `n` are left out, so that a test can ask with too few selectors.
inline std::vector<uint32_t> sels(std::initializer_list<std::pair<int, uint32_t>> set,
                                  size_t n = 95) {
  std::vector<uint32_t> s(n, 0);
  for (const auto& [index, value] : set) {
    if (static_cast<size_t>(index) < n) s[index] = value;
  }
  return s;
}

struct Answer {
  int32_t rc = DB_ERROR;  // result of the query with a buffer (or of the step that failed)
  uint32_t needed = 0;    // size reported by the size query
  uint8_t kind = 0;       // leaf kind (root lookups and fragments only)
  Bytes data;             // bytes written
  Ints ints() const {
    Ints v(data.size() / 4);
    for (size_t i = 0; i < v.size(); ++i) {
      v[i] = static_cast<int32_t>(data[4 * i] | data[4 * i + 1] << 8 | data[4 * i + 2] << 16 |
                                  static_cast<uint32_t>(data[4 * i + 3]) << 24);
    }
    return v;
  }
};

inline ORV_QUERY_CONTEXT context(const std::vector<uint32_t>& s) {
  ORV_QUERY_CONTEXT ctx{};
  ctx.cSelectors = static_cast<uint32_t>(s.size());
  ctx.pSelectors = s.empty() ? nullptr : s.data();
  return ctx;
}

// Through the exported function: a size query, then a query with exactly that size.
inline Answer drv(uint16_t id, const std::vector<uint32_t>& s) {
  ORV_QUERY_CONTEXT ctx = context(s);
  Answer a;
  a.rc = ORV_AccessDrvDataBase(id, &ctx, 0, nullptr, &a.needed);
  if (a.rc != DB_MORE_DATA) return a;
  a.data.assign(a.needed, 0xCC);
  uint32_t written = 0;
  a.rc = ORV_AccessDrvDataBase(id, &ctx, a.needed, a.data.data(), &written);
  EXPECT_EQ(written, a.needed) << "id " << id;
  return a;
}

// Fetches the leaf a walk found (rc its result): size first, then exactly that size.
inline Answer fetch_leaf(int32_t rc, const Leaf& leaf, const ORV_QUERY_CONTEXT& ctx) {
  Answer a;
  a.rc = rc;
  if (rc != DB_OK) return a;
  const Image& image = builtin_image();
  a.kind = item_kind(leaf.word0);
  a.rc = fetch(image, &ctx, 0, nullptr, &a.needed, leaf);
  if (a.rc != DB_MORE_DATA) return a;
  a.data.assign(a.needed, 0xCC);
  uint32_t written = 0;
  a.rc = fetch(image, &ctx, a.needed, a.data.data(), &written, leaf);
  EXPECT_EQ(written, a.needed);
  return a;
}

// Through the root lookup and the fetcher, as the Drv special code reads
// stored values and internal ids.
inline Answer stored(uint16_t id, const std::vector<uint32_t>& s) {
  ORV_QUERY_CONTEXT ctx = context(s);
  Leaf leaf{};
  int32_t rc = find_root(builtin_image(), id, &ctx, &leaf);
  return fetch_leaf(rc, leaf, ctx);
}

// Fragment `position` of command sequence `seq_id`, walked for the fragment id.
inline Answer fragment(uint16_t seq_id, uint32_t position, const std::vector<uint32_t>& s) {
  const Image& image = builtin_image();
  const DrvTables* t = image.drv_tables;
  if (t == nullptr) {
    ADD_FAILURE() << "no Drv tables";
    return {};
  }
  for (uint32_t k = 0; k < t->seq_count; ++k) {
    if (t->seq_ids[k] != seq_id) continue;
    EXPECT_LT(position, t->seq_fragment_counts[k]);
    uint32_t item = t->seq_fragments[t->seq_first[k] + position];
    EXPECT_LT(item, image.item_count);
    ORV_QUERY_CONTEXT ctx = context(s);
    Leaf leaf{};
    int32_t rc =
        resolve(image, kFragmentId, &ctx, image.items[item].word0, image.items[item].word1, &leaf);
    return fetch_leaf(rc, leaf, ctx);
  }
  ADD_FAILURE() << "no command sequence " << seq_id;
  return {};
}

inline void expect_ints(const Answer& a, const Ints& values, const std::string& what) {
  ASSERT_EQ(a.rc, DB_OK) << what;
  EXPECT_EQ(a.needed, 4 * values.size()) << what;
  EXPECT_EQ(a.ints(), values) << what;
}

inline void expect_ints(const Answer& a, const Ints& values, uint8_t kind,
                        const std::string& what) {
  expect_ints(a, values, what);
  EXPECT_EQ(a.kind, kind) << what;
}

inline void expect_bytes(const Answer& a, const Bytes& bytes, const std::string& what) {
  ASSERT_EQ(a.rc, DB_OK) << what;
  EXPECT_EQ(a.needed, bytes.size()) << what;
  EXPECT_EQ(a.data, bytes) << what;
}

// ---- the allowed combinations of selectors 4, 9, 5, 8 and 6 ----------------

struct Combination {
  uint32_t s4;
  std::vector<uint32_t> s9, s5, s8, s6;
};

inline const std::vector<Combination>& combinations() {
  static const std::vector<Combination> rows = {
      {1, {0, 1}, {1, 259, 263, 271, 277, 383}, {1, 2, 3, 4, 5}, {1, 2, 3}},
      {1, {0, 1}, {2, 258, 261, 273}, {1, 2, 5}, {1, 2, 3}},
      {2, {2}, {1, 259, 263, 271, 277, 383}, {1, 2, 3, 4, 5}, {1, 2, 3}},
      {2, {2}, {2, 258, 261, 273}, {1, 2, 5}, {1, 2, 3}},
      {3, {0, 1}, {1, 263, 271, 277, 383}, {1}, {1, 3}},
  };
  return rows;
}

inline bool has(const std::vector<uint32_t>& v, uint32_t x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

// The row allowing selectors 4, 9 and 5, or null.
inline const Combination* allowed(uint32_t s4, uint32_t s9, uint32_t s5) {
  for (const Combination& c : combinations()) {
    if (c.s4 == s4 && has(c.s9, s9) && has(c.s5, s5)) return &c;
  }
  return nullptr;
}

inline bool pair_allowed(uint32_t s4, uint32_t s9) {
  return (s4 == 1 && s9 <= 1) || (s4 == 2 && s9 == 2) || (s4 == 3 && s9 <= 1);
}

// Selector-5 values of the grid: every allowed one and some neighbours.
inline const std::vector<uint32_t> kGridSel5 = {0,   1,   2,   3,   258, 259, 261,
                                                263, 271, 273, 277, 279, 383};

// Calls f(s4, s9, s5, s81, s8, what) for every cell of a grid around the
// allowed combinations.
template <typename F>
void for_grid(F f) {
  for (uint32_t s4 : {0u, 1u, 2u, 3u, 4u})
    for (uint32_t s9 : {0u, 1u, 2u, 3u})
      for (uint32_t s5 : kGridSel5)
        for (uint32_t s81 : {0u, 1u})
          for (uint32_t s8 : {0u, 1u, 2u, 3u, 4u, 5u, 6u}) {
            std::string what = "4=" + std::to_string(s4) + " 9=" + std::to_string(s9) +
                               " 5=" + std::to_string(s5) + " 81=" + std::to_string(s81) +
                               " 8=" + std::to_string(s8);
            f(s4, s9, s5, s81, s8, what);
          }
}

}  // namespace orv::drvtest

#endif  // ORVDB_MODELS_QXR7310_DRV_DATA_TEST_UTIL_H_
