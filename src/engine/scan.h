// The linear scans of a walk: the root index's ids for a data id, a run of
// cases or branches for the first that can match, and a forked walk's values
// for those equal to a branch's tag. Each has
// an SSE2 form (always there on x86-64) and a portable form that answers the
// same; both are here so that a test can compare them.
#ifndef ORVDB_ENGINE_SCAN_H_
#define ORVDB_ENGINE_SCAN_H_

#include <stdint.h>

#include "engine/image.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orv {

// Index of the first of ids[0, count) equal to `id`, or `count`.
// Portable form: blocks of 16 compared without a branch inside the block.
// A plain loop instead costs 24 % more instructions on lm_string_switch
// (bench/count_instructions.sh, with the portable scans forced on x86-64).
inline uint32_t first_index_of_portable(const uint16_t* ids, uint32_t count, uint16_t id) {
  constexpr uint32_t kBlock = 16;
  uint32_t base = 0;
  for (; base + kBlock <= count; base += kBlock) {
    const uint16_t* block = ids + base;
    uint16_t any = 0;
    for (uint32_t k = 0; k < kBlock; ++k) any |= static_cast<uint16_t>(block[k] == id);
    if (any != 0) break;
  }
  for (; base < count; ++base) {
    if (ids[base] == id) return base;
  }
  return count;
}

// Index of the first item of items[from, to) that is not an item of `kind`
// whose (word 1 & mask) differs from `value`: the first that is another kind
// or matches. `to` when there is none. Portable form.
inline uint32_t first_stop_portable(const Item* items, uint32_t from, uint32_t to, uint8_t kind,
                                    uint32_t mask, uint32_t value) {
  constexpr uint32_t kKindMask = 0xFF000000u;
  const uint32_t k = static_cast<uint32_t>(kind) << 24;
  for (uint32_t i = from; i < to; ++i) {
    if ((items[i].word0 & kKindMask) != k || (items[i].word1 & mask) == value) return i;
  }
  return to;
}

// Bit k set for each k in [from, to) where values[k] == value; to <= 64.
// Reads no value outside [from, to). Portable form.
inline uint64_t equal_mask_portable(const uint32_t* values, uint32_t from, uint32_t to,
                                    uint32_t value) {
  uint64_t mask = 0;
  for (uint32_t k = from; k < to; ++k) mask |= uint64_t{values[k] == value} << k;
  return mask;
}

#if defined(__SSE2__)

// SSE2 form of first_index_of: 16 ids per step, the hit's place from the
// compare mask. A plain loop instead costs 46 % more instructions on
// lm_string_switch (bench/count_instructions.sh).
inline uint32_t first_index_of_sse2(const uint16_t* ids, uint32_t count, uint16_t id) {
  const __m128i key = _mm_set1_epi16(static_cast<short>(id));
  uint32_t base = 0;
  for (; base + 16 <= count; base += 16) {
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ids + base));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ids + base + 8));
    uint32_t hits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(low, key))) |
                    static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, key))) << 16;
    if (hits != 0) return base + static_cast<uint32_t>(__builtin_ctz(hits)) / 2;
  }
  // The rest (short arrays are common: a selector's values) in a step of
  // eight ids before the last few one by one: without it drv_stored_list
  // takes 8 % more instructions. (A step of four more saved nothing.)
  if (base + 8 <= count) {
    __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ids + base));
    uint32_t hits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, key)));
    if (hits != 0) return base + static_cast<uint32_t>(__builtin_ctz(hits)) / 2;
    base += 8;
  }
  for (; base < count; ++base) {
    if (ids[base] == id) return base;
  }
  return count;
}

// SSE2 form of first_stop: two items per register, four per step. Each item
// is (word 0, word 1); a lane of word 0 stops when its kind differs, a lane
// of word 1 when its masked value matches. The portable loop instead costs
// 60 % more instructions on root_selector_switch (bench/count_instructions.sh).
inline uint32_t first_stop_sse2(const Item* items, uint32_t from, uint32_t to, uint8_t kind,
                                uint32_t mask, uint32_t value) {
  static_assert(sizeof(Item) == 8, "two items per 16-byte register");
  const int k = static_cast<int>(static_cast<uint32_t>(kind) << 24);
  const int m = static_cast<int>(mask);
  const int v = static_cast<int>(value);
  const __m128i masks =
      _mm_setr_epi32(static_cast<int>(0xFF000000u), m, static_cast<int>(0xFF000000u), m);
  const __m128i wanted = _mm_setr_epi32(k, v, k, v);
  const __m128i flip = _mm_setr_epi32(-1, 0, -1, 0);  // word 0 stops when unequal
  uint32_t i = from;
  for (; i + 4 <= to; i += 4) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(items + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(items + i + 2));
    __m128i stop_a = _mm_xor_si128(_mm_cmpeq_epi32(_mm_and_si128(a, masks), wanted), flip);
    __m128i stop_b = _mm_xor_si128(_mm_cmpeq_epi32(_mm_and_si128(b, masks), wanted), flip);
    uint32_t stops = static_cast<uint32_t>(_mm_movemask_epi8(stop_a)) |
                     static_cast<uint32_t>(_mm_movemask_epi8(stop_b)) << 16;
    if (stops != 0) return i + static_cast<uint32_t>(__builtin_ctz(stops)) / 8;
  }
  return first_stop_portable(items, i, to, kind, mask, value);
}

// SSE2 form of equal_mask: four values per step, the rest one by one. The
// portable loop instead costs 5.5 % more instructions on drv_compare_list
// (bench/count_instructions.sh), whose forked select scans 18 values.
inline uint64_t equal_mask_sse2(const uint32_t* values, uint32_t from, uint32_t to,
                                uint32_t value) {
  const __m128i key = _mm_set1_epi32(static_cast<int>(value));
  uint64_t mask = 0;
  uint32_t k = from;
  for (; k + 4 <= to; k += 4) {
    __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k));
    uint32_t hits =
        static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, key))));
    mask |= uint64_t{hits} << k;
  }
  return mask | equal_mask_portable(values, k, to, value);
}

#endif  // __SSE2__

// The forms the engine uses.
inline uint32_t first_index_of(const uint16_t* ids, uint32_t count, uint16_t id) {
#if defined(__SSE2__)
  return first_index_of_sse2(ids, count, id);
#else
  return first_index_of_portable(ids, count, id);
#endif
}

inline uint32_t first_stop(const Item* items, uint32_t from, uint32_t to, uint8_t kind,
                           uint32_t mask, uint32_t value) {
#if defined(__SSE2__)
  return first_stop_sse2(items, from, to, kind, mask, value);
#else
  return first_stop_portable(items, from, to, kind, mask, value);
#endif
}

inline uint64_t equal_mask(const uint32_t* values, uint32_t from, uint32_t to, uint32_t value) {
#if defined(__SSE2__)
  return equal_mask_sse2(values, from, to, value);
#else
  return equal_mask_portable(values, from, to, value);
#endif
}

}  // namespace orv

#endif  // ORVDB_ENGINE_SCAN_H_
