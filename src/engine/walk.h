// The walk: the one place that decides how a tree is walked. It is a
// template over an observer so that tools can watch it step by step; the
// library's own walks (resolver.cc) use NoObserver, whose hooks are empty
// and compile to nothing.
#ifndef ORVDB_ENGINE_WALK_H_
#define ORVDB_ENGINE_WALK_H_

#include <stdint.h>

#include <type_traits>

#include "engine/image.h"
#include "engine/resolver.h"
#include "engine/scan.h"
#include "engine/switches.h"
#include "orvdb/orvdb.h"

namespace orv {

// What an observer's may_read stops a walk with: no result code has this value.
constexpr int32_t kWalkStopped = 0x7FFFFFFF;

// An item index the walk does not know: the first item of a walk started
// from item words (resolve) rather than from an index.
constexpr uint32_t kUnknownItem = 0xFFFFFFFFu;

// Why a walk answers DB_ERROR.
enum class WalkFault : uint8_t {
  kTooDeep,          // deeper than kMaxWalkDepth, or past the walk's visit budget
  kBeyondTable,      // a child, case, target or mask beyond the item table
  kInvalidKind,      // an item of a kind that cannot be walked where it stands
  kNotACase,         // an item a switch cannot read as one of its cases
  kNoMask,           // a masked switch whose first child is not an ITEM_MASK
  kRangeBeyondPool,  // a range case whose bounds lie outside the i32 pool
  kBadCaseText,      // a string case whose text is not an ITEM_BYTES inside the match-string pool
  kNoContext,        // a selector switch walked without a query context
  kNoSwitchValue,    // a printer-data or locale switch that could not get its value
};

// What a walk may ask before it reads from the query context.
enum class WalkRead : uint8_t {
  kSelector,     // a selector, by index
  kMatchString,  // a match string, by index
  kPrinterData,  // a printer configuration value, by its switch's tag
  kCountryCode,  // the user's country code, by its switch's tag
};

// The observer of the library's own walks: told nothing. An observer of the
// tools derives from it, sets kWatches and hides the hooks it needs. A
// watching walk passes over no case or branch unseen: the scans that skip
// runs of them are not used, and each is decided one by one as they decide.
struct NoObserver {
  static constexpr bool kWatches = false;  // whether the hooks below are called at all

  // A leaf was met: it answers the walk's id, or is another id's leaf.
  void leaf(uint32_t /*index*/, Item /*item*/, bool /*answers*/) {}
  // A container, select or switch was entered; leave follows with its result.
  void enter(uint32_t /*index*/, Item /*item*/) {}
  void leave(int32_t /*result*/) {}
  // The value a select or numeric switch compares (masked when it has a
  // mask), and the first case it tries.
  void value_read(uint32_t /*value*/, uint32_t /*first_case*/) {}
  // The match string a string switch compares (a null entry reads as "").
  void string_read(const char* /*text*/) {}
  // A case or branch that does not match, and the one taken.
  void passed(uint32_t /*index*/, Item /*item*/) {}
  void taken(uint32_t /*index*/, Item /*item*/) {}
  // Why the walk answers DB_ERROR, just before it does.
  void fault(WalkFault /*why*/) {}
  // Asked before a selector, match string, printer value or the country code
  // is read; false stops the walk there with kWalkStopped.
  bool may_read(WalkRead /*what*/, uint16_t /*index*/) { return true; }
  // A forked walk (resolve_forked) hands the values `group` of `fork` (bit k:
  // fork.values[k]) to the child, case or target at `index`, walked next
  // for them alone. A forked walk leaves an item with DB_OK when every value
  // that entered it has its answer or its error, DB_NOT_FOUND when some go on.
  void fork_group(uint32_t /*index*/, uint64_t /*group*/, const ForkedWalks& /*fork*/) {}
};

namespace walk_internal {

// A walk of one query: its steps answer one result code.
struct SingleWalk {
  static constexpr bool kForked = false;
  using Result = int32_t;  // the walk's result
  struct Set {};           // who walks an item: the one query, always
};

// A forked walk: the walks of several values of one selector, sharing every
// step that does not read that selector. Its steps take the set of values
// that walk an item and answer those of them still without an answer (they
// met DB_NOT_FOUND); every other value's result and leaf are written to the
// fork's arrays as they are decided.
struct ForkedWalk {
  static constexpr bool kForked = true;
  using Result = uint64_t;  // the values of the set still without an answer
  using Set = uint64_t;     // bit k: value k of the fork
};

// What stays fixed during one walk, gathered once so that each level of the
// recursion passes one pointer instead of eight arguments.
template <typename Observer, typename Mode = SingleWalk>
struct Walk {
  const Image* image;            // the image walked
  const Item* items;             // its item table, never null during a walk
  uint32_t item_count;           // items in the table
  uint16_t id;                   // the queried data id (single walks; a fork's walks name theirs)
  const ORV_QUERY_CONTEXT* ctx;  // the caller's context; may be null
  Leaf* leaf;                    // where the chosen leaf goes (single walks; never null there)
  uint32_t* visits_left;         // containers the walk may still enter (single walks)
  Observer* observer;            // told of each step (NoObserver: nothing)
  // The forked walk's walks; nothing at all in a single walk.
  [[no_unique_address]] std::conditional_t<Mode::kForked, ForkedWalks*, SingleWalk::Set> fork;
};

// Containers one walk may enter. A tree visits each item at most once; an
// image whose subtrees are shared many times over (or corrupt) could make a
// depth-limited walk take exponential time, so past this it is inconsistent.
// A forked walk keeps this budget for each of its values.
inline uint32_t walk_budget(uint32_t item_count) {
  return item_count > (0xFFFFFFFFu - 64) / 4 ? 0xFFFFFFFFu : 4 * item_count + 64;
}

// The walks of `s` end with `result`: a forked walk writes it for each of
// them and has none of them left; a single walk answers it.
template <typename O, typename M>
inline typename M::Result end_with(const Walk<O, M>& w, typename M::Set s, int32_t result) {
  if constexpr (M::kForked) {
    for (uint64_t left = s; left != 0; left &= left - 1) {
      w.fork->results[__builtin_ctzll(left)] = result;
    }
    return 0;
  } else {
    (void)w;
    (void)s;
    return result;
  }
}

// No leaf for the walks of `s` here: they go on with the next alternative.
template <typename M>
inline typename M::Result not_found(typename M::Set s) {
  if constexpr (M::kForked) {
    return s;
  } else {
    (void)s;
    return DB_NOT_FOUND;
  }
}

// Whether every walk of a step's set has its answer, so that no alternative
// after the step is tried; a forked walk then goes on with `*s` narrowed to
// the walks still without one.
template <typename M>
inline bool answered(typename M::Result result, typename M::Set* s) {
  if constexpr (M::kForked) {
    *s = result;
    return result == 0;
  } else {
    (void)s;
    return result != DB_NOT_FOUND;
  }
}

// DB_ERROR (or `result`) for the walks of `s`, with the reason told to the observer.
template <typename O, typename M>
inline typename M::Result fail(const Walk<O, M>& w, WalkFault why, typename M::Set s,
                               int32_t result = DB_ERROR) {
  if constexpr (O::kWatches) w.observer->fault(why);
  return end_with(w, s, result);
}

// Items that can be read starting at `first`, capped at `count`: the children
// of an item whose first child is `first`. A loop that needs more than this
// meets an index beyond the table.
template <typename O, typename M>
inline uint32_t readable(const Walk<O, M>& w, uint32_t first, uint32_t count) {
  return items_inside(w.item_count, first, count);
}

template <typename O, typename M>
typename M::Result walk(const Walk<O, M>& w, uint32_t index, Item item, int depth,
                        typename M::Set s);

// A leaf answers the walk's id with itself, or any other id with DB_NOT_FOUND.
template <typename O, typename M>
inline typename M::Result answer_leaf(const Walk<O, M>& w, uint32_t index, Item leaf,
                                      typename M::Set s) {
  if constexpr (M::kForked) {
    // The walks of `s` for the leaf's id take it; the others go on.
    const ForkedWalks& fork = *w.fork;
    const uint16_t tag = item_tag(leaf.word1);
    // Most leaves a fork meets are another id's: one compare rejects them
    // when the fork is for one id.
    uint64_t answered = 0;
    if (tag == fork.distinct_ids[0]) {
      answered = fork.id_walks[0] & s;
    } else {
      for (uint32_t j = 1; j < fork.id_count; ++j) {
        if (fork.distinct_ids[j] == tag) answered = fork.id_walks[j] & s;
      }
    }
    if (answered == 0) {
      if constexpr (O::kWatches) w.observer->leaf(index, leaf, false);
      return s;
    }
    if constexpr (O::kWatches) w.observer->leaf(index, leaf, answered != 0);
    for (uint64_t left = answered; left != 0; left &= left - 1) {
      uint32_t k = static_cast<uint32_t>(__builtin_ctzll(left));
      w.fork->results[k] = DB_OK;
      w.fork->leaves[k] = Leaf{leaf.word0, leaf.word1};
    }
    return s & ~answered;
  } else {
    bool answers = item_tag(leaf.word1) == w.id;
    if constexpr (O::kWatches) w.observer->leaf(index, leaf, answers);
    if (!answers) return not_found<M>(s);
    w.leaf->word0 = leaf.word0;
    w.leaf->word1 = leaf.word1;
    return DB_OK;
  }
}

// Walks a child: a leaf is answered in place, anything else by a nested walk
// (nesting leaves too costs 14 % more instructions on drv_command_sequence,
// bench/count_instructions.sh).
template <typename O, typename M>
inline typename M::Result walk_child(const Walk<O, M>& w, uint32_t index, Item child, int depth,
                                     typename M::Set s) {
  if (depth + 1 > kMaxWalkDepth) return fail(w, WalkFault::kTooDeep, s);
  if (is_leaf_kind(item_kind(child.word0))) return answer_leaf(w, index, child, s);
  return walk(w, index, child, depth + 1, s);
}

// Children first .. first + count - 1 in order; the first answer wins.
template <typename O, typename M>
typename M::Result walk_children(const Walk<O, M>& w, uint32_t first, uint16_t count, int depth,
                                 typename M::Set s) {
  uint32_t n = readable(w, first, count);
  const Item* children = w.items + first;
  for (uint32_t i = 0; i < n; ++i) {
    typename M::Result result = walk_child(w, first + i, children[i], depth, s);
    if (answered<M>(result, &s)) return result;
  }
  return n < count ? fail(w, WalkFault::kBeyondTable, s) : not_found<M>(s);
}

// A select's children walked by the walks of `s`, which all read `value`
// in its selector (when `have`; without the selector, the first branch met
// answers DB_NO_SELECTOR): its branches are taken only when the value
// equals their tag; any other child is walked as it stands.
template <typename O, typename M>
[[gnu::always_inline]] inline typename M::Result select_children(const Walk<O, M>& w, Item select,
                                                                 int depth, typename M::Set s,
                                                                 bool have, uint32_t value) {
  uint16_t selector = item_tag(select.word1);
  uint32_t first = item_offset(select.word0);
  uint16_t count = item_count(select.word1);
  uint32_t n = readable(w, first, count);
  const Item* children = w.items + first;
  if constexpr (O::kWatches) {
    if (have) w.observer->value_read(value, 0);
  }
  // A branch's tag is 16 bits: a larger selector value matches no branch.
  bool taggable = value <= 0xFFFFu;
  uint32_t tag_mask = taggable ? 0xFFFF0000u : 0;
  uint32_t tag_bits = taggable ? value << 16 : 1;
  uint32_t i = 0;
  while (true) {
    // Branches for other values are passed over without being walked.
    if constexpr (!O::kWatches) {
      if (have) i = first_stop(children, i, n, ITEM_BRANCH, tag_mask, tag_bits);
    }
    if (i >= n) break;
    Item child = children[i];
    if (item_kind(child.word0) == ITEM_BRANCH) {
      if constexpr (O::kWatches) {
        if (!w.observer->may_read(WalkRead::kSelector, selector)) {
          return end_with(w, s, kWalkStopped);
        }
      }
      if (!have) return end_with(w, s, DB_NO_SELECTOR);
      // The scan has passed over the branches for other values; a watching
      // walk, which does not scan, passes over them here.
      if constexpr (O::kWatches) {
        if (value != item_tag(child.word1)) {
          w.observer->passed(first + i, child);
          ++i;
          continue;
        }
        w.observer->taken(first + i, child);
      }
    }
    typename M::Result result = walk_child(w, first + i, child, depth, s);
    if (answered<M>(result, &s)) return result;
    ++i;
  }
  return n < count ? fail(w, WalkFault::kBeyondTable, s) : not_found<M>(s);
}

// The walks of `s` (not empty) whose value equals `value`. One scan over
// the span of `s`, not a test per walk: a list whose records are in branch
// order would otherwise test each branch against every walk still pending.
inline uint64_t values_equal(const ForkedWalks& fork, uint64_t s, uint32_t value) {
  uint32_t from = static_cast<uint32_t>(__builtin_ctzll(s));
  uint32_t to = 64 - static_cast<uint32_t>(__builtin_clzll(s));
  return equal_mask(fork.values, from, to, value) & s;
}

// A select on the forked selector: each child is walked, in order, by the
// values still walking that it applies to (a branch by those equal to its
// tag, any other child by all), just as each value's own walk would.
template <typename O, typename M>
typename M::Result walk_select_forked(const Walk<O, M>& w, Item select, int depth,
                                      typename M::Set s) {
  uint16_t selector = item_tag(select.word1);
  uint32_t first = item_offset(select.word0);
  uint16_t count = item_count(select.word1);
  uint32_t n = readable(w, first, count);
  const Item* children = w.items + first;
  for (uint32_t i = 0; i < n; ++i) {
    Item child = children[i];
    typename M::Set walking = s;
    if (item_kind(child.word0) == ITEM_BRANCH) {
      if constexpr (O::kWatches) {
        if (!w.observer->may_read(WalkRead::kSelector, selector)) {
          return end_with(w, s, kWalkStopped);
        }
      }
      walking = values_equal(*w.fork, s, item_tag(child.word1));
      if (walking == 0) {
        if constexpr (O::kWatches) w.observer->passed(first + i, child);
        continue;
      }
      if constexpr (O::kWatches) {
        w.observer->taken(first + i, child);
        w.observer->fork_group(first + i, walking, *w.fork);
      }
    }
    s = (s & ~walking) | walk_child(w, first + i, child, depth, walking);
    if (s == 0) return 0;
  }
  return n < count ? fail(w, WalkFault::kBeyondTable, s) : s;
}

// A select. On the selector a fork is for, it is walked once for the
// values (walk_select_forked).
template <typename O, typename M>
[[gnu::always_inline]] inline typename M::Result walk_select(const Walk<O, M>& w, Item select,
                                                             int depth, typename M::Set s) {
  uint16_t selector = item_tag(select.word1);
  const ORV_QUERY_CONTEXT* ctx = w.ctx;
  bool have = ctx != nullptr && ctx->pSelectors != nullptr && ctx->cSelectors > selector;
  if constexpr (M::kForked) {
    if (selector == w.fork->selector && have) return walk_select_forked(w, select, depth, s);
  }
  return select_children(w, select, depth, s, have, have ? ctx->pSelectors[selector] : 0);
}

// A case that matched: DB_OK with *target the item it leads to (the switch
// is then decided, whatever that target answers), or DB_ERROR.
template <typename O, typename M>
inline int32_t take_case(const Walk<O, M>& w, uint32_t index, Item c, uint32_t* target) {
  if constexpr (O::kWatches) w.observer->taken(index, c);
  *target = item_offset(c.word0);
  if (*target < w.item_count) return DB_OK;
  if constexpr (O::kWatches) w.observer->fault(WalkFault::kBeyondTable);
  return DB_ERROR;
}

// Cases first + start .. first + count - 1 against switch value v: DB_OK
// with *target the item the first matching case leads to, DB_NOT_FOUND when
// none matches, or DB_ERROR. The choice of one walk: a forked walk makes it
// for each of its values.
template <typename O, typename M>
inline int32_t choose_case(const Walk<O, M>& w, uint32_t first, uint32_t start, uint16_t count,
                           uint32_t v, uint32_t* target) {
  uint32_t n = readable(w, first, count);
  const Item* cases = w.items + first;
  for (uint32_t i = start; i < n; ++i) {
    // Value cases that cannot match are passed over by the scan.
    if constexpr (!O::kWatches) {
      i = first_stop(cases, i, n, ITEM_CASE, 0xFFFFFFFFu, v);
      if (i >= n) break;
    }
    Item c = cases[i];
    bool match = false;
    switch (item_kind(c.word0)) {
      case ITEM_CASE:
        // The scan stops only at a value case that matches.
        if constexpr (O::kWatches) {
          match = c.word1 == v;
        } else {
          match = true;
        }
        break;
      case ITEM_DEFAULT:
        match = true;
        break;
      case ITEM_CASE_RANGE: {
        int32_t lo = 0;
        int32_t hi = 0;
        if (!range_bounds(*w.image, c, &lo, &hi)) {
          if constexpr (O::kWatches) w.observer->fault(WalkFault::kRangeBeyondPool);
          return DB_ERROR;
        }
        int32_t value = static_cast<int32_t>(v);
        match = lo <= value && value <= hi;
        break;
      }
      default:
        if constexpr (O::kWatches) w.observer->fault(WalkFault::kNotACase);
        return DB_ERROR;
    }
    if (match) return take_case(w, first + i, c, target);
    if constexpr (O::kWatches) w.observer->passed(first + i, c);
  }
  if (start < count && n < count) {
    if constexpr (O::kWatches) w.observer->fault(WalkFault::kBeyondTable);
    return DB_ERROR;
  }
  return DB_NOT_FOUND;
}

// Selector [s] of the context for a selector or masked switch.
template <typename O, typename M>
inline int32_t switch_selector_value(const Walk<O, M>& w, uint16_t selector, uint32_t* v) {
  const ORV_QUERY_CONTEXT* ctx = w.ctx;
  if (ctx == nullptr) {
    if constexpr (O::kWatches) w.observer->fault(WalkFault::kNoContext);
    return DB_ERROR;
  }
  if constexpr (O::kWatches) {
    if (!w.observer->may_read(WalkRead::kSelector, selector)) return kWalkStopped;
  }
  if (ctx->pSelectors == nullptr || ctx->cSelectors <= selector) return DB_NO_SELECTOR;
  *v = ctx->pSelectors[selector];
  return DB_OK;
}

// Longest case text: a text's length is a 16-bit count.
constexpr uint32_t kLongestText = 0xFFFF;

// Length of s up to its NUL, looking at no more than limit + 1 bytes.
inline uint32_t bounded_length(const char* s, uint32_t limit) {
  uint32_t n = 0;
  while (n <= limit && s[n] != '\0') ++n;
  return n;
}

// Whether bytes 1 .. length - 1 of a and b are equal. Case texts are a few
// bytes long: a loop in place costs less than a call.
inline bool same_tail(const char* a, const uint8_t* b, uint32_t length) {
  for (uint32_t j = 1; j < length; ++j) {
    if (static_cast<uint8_t>(a[j]) != b[j]) return false;
  }
  return true;
}

// The string switch's cases against match string [tag]: DB_OK with *target
// the item the first matching case leads to, DB_NOT_FOUND, or an error.
template <typename O, typename M>
int32_t choose_string_case(const Walk<O, M>& w, Item sw, uint32_t* target) {
  uint16_t index = item_tag(sw.word1);
  uint32_t first = item_offset(sw.word0);
  uint16_t count = item_count(sw.word1);
  uint32_t n = readable(w, first, count);
  const Item* cases = w.items + first;
  const uint8_t* pool = w.image->match_pool;
  // Offsets are 24 bits and lengths 16, so offset + length cannot wrap.
  uint32_t pool_count = w.image->match_count;
  // Each fault is told to the observer, then answered.
  auto fault = [&w](WalkFault why) {
    if constexpr (O::kWatches) w.observer->fault(why);
    (void)w;
    (void)why;
    return DB_ERROR;
  };

  // Up to the first case text a default decides alone and any other kind is
  // an error; the caller's string is read only once a case text needs it.
  uint32_t i = 0;
  for (; i < n; ++i) {
    uint8_t kind = item_kind(cases[i].word0);
    if (kind == ITEM_CASE_STRING) break;
    if (kind != ITEM_DEFAULT) return fault(WalkFault::kNotACase);
    return take_case(w, first + i, cases[i], target);
  }
  if (i == n) return n < count ? fault(WalkFault::kBeyondTable) : DB_NOT_FOUND;
  // The first case text must be one before the match string is asked for.
  if (cases[i].word1 >= w.item_count || item_kind(w.items[cases[i].word1].word0) != ITEM_BYTES) {
    return fault(WalkFault::kBadCaseText);
  }
  if constexpr (O::kWatches) {
    if (!w.observer->may_read(WalkRead::kMatchString, index)) return kWalkStopped;
  }
  const ORV_QUERY_CONTEXT* ctx = w.ctx;
  if (ctx == nullptr || ctx->ppStrings == nullptr || ctx->cStrings <= index) {
    return DB_NO_MATCH_STRING;
  }
  const char* s = ctx->ppStrings[index];
  if (s == nullptr) s = "";
  if constexpr (O::kWatches) w.observer->string_read(s);
  // Longer than any text can be: counted only that far.
  const uint32_t s_length = bounded_length(s, kLongestText);
  const uint8_t s_first = static_cast<uint8_t>(s[0]);
  if (pool == nullptr) return fault(WalkFault::kBadCaseText);

  for (; i < n; ++i) {
    Item c = cases[i];
    uint8_t kind = item_kind(c.word0);
    if (kind == ITEM_CASE_STRING) {
      // Every case text is checked whatever it holds: its index, its kind and
      // its place in the pool, as one test (the index is clamped so that the
      // read stays inside the table). Checked by case_text() instead, the
      // root_string_switch path of bench/count_instructions.sh takes 9 % more
      // instructions.
      bool inside = c.word1 < w.item_count;
      Item text = w.items[inside ? c.word1 : 0];
      uint32_t offset = item_offset(text.word0);
      uint32_t length = item_count(text.word1);
      if (!inside | (item_kind(text.word0) != ITEM_BYTES) | (offset + length > pool_count)) {
        return fault(WalkFault::kBadCaseText);
      }
      // Most texts differ in length or first byte: both compared before the
      // rest (one loop over all bytes costs 23 % more on root_string_switch).
      if (length != s_length ||
          (length != 0 && (pool[offset] != s_first || !same_tail(s, pool + offset, length)))) {
        if constexpr (O::kWatches) w.observer->passed(first + i, c);
        continue;
      }
    } else if (kind != ITEM_DEFAULT) {
      return fault(WalkFault::kNotACase);
    }
    return take_case(w, first + i, c, target);
  }
  return n < count ? fault(WalkFault::kBeyondTable) : DB_NOT_FOUND;
}

// Where a numeric switch's case loop starts and what it compares: DB_OK with
// the first case, the index of the first case to try and the value, or the
// result that decides the switch instead. For a selector or masked switch
// with `per_value`, *v is the mask, to be applied to each value of a fork.
template <typename O, typename M>
inline int32_t numeric_switch_start(const Walk<O, M>& w, Item sw, int depth, uint32_t* first,
                                    uint32_t* start, uint32_t* v, bool per_value = false) {
  uint8_t kind = item_kind(sw.word0);
  *first = item_offset(sw.word0);
  *start = 0;
  if (kind == ITEM_SWITCH_SELECTOR || kind == ITEM_SWITCH_MASKED) {
    uint32_t mask = 0xFFFFFFFFu;
    if (kind == ITEM_SWITCH_MASKED && !masked_cases(w.items, w.item_count, sw, first, &mask)) {
      if constexpr (O::kWatches) w.observer->fault(WalkFault::kNoMask);
      return DB_ERROR;
    }
    int32_t result = switch_selector_value(w, item_tag(sw.word1), v);
    if (result != DB_OK) return result;
    if (per_value) {
      *v = mask;
    } else {
      *v &= mask;
    }
    return DB_OK;
  }
  if constexpr (O::kWatches) {
    WalkRead read = kind == ITEM_SWITCH_LOCALE ? WalkRead::kCountryCode : WalkRead::kPrinterData;
    if (!w.observer->may_read(read, item_tag(sw.word1))) return kWalkStopped;
  }
  SwitchStart switch_start;
  int32_t result = kind == ITEM_SWITCH_LOCALE
                       ? locale_switch_start(sw.word1, &switch_start)
                       : printer_data_switch_start(*w.image, w.ctx, sw, &switch_start, depth);
  if (result != DB_OK) {
    // DB_NOT_FOUND (no value and no trailing default) is an answer, not a fault.
    if (result != DB_NOT_FOUND) {
      if constexpr (O::kWatches) w.observer->fault(WalkFault::kNoSwitchValue);
    }
    return result;
  }
  *start = switch_start.first_case;
  *v = switch_start.value;
  return DB_OK;
}

// A selector or masked switch on the forked selector: each value of `s`
// chooses its case as its own walk would; the values that chose the same
// target walk it together, one level deeper, in the order first chosen.
template <typename O, typename M>
typename M::Result walk_switch_forked(const Walk<O, M>& w, Item sw, int depth, typename M::Set s) {
  uint32_t first = 0;
  uint32_t start = 0;
  uint32_t mask = 0;
  int32_t result = numeric_switch_start(w, sw, depth, &first, &start, &mask, true);
  if (result != DB_OK) return end_with(w, s, result);
  ForkedWalks& fork = *w.fork;
  uint16_t count = item_count(sw.word1);
  uint64_t pending = 0;  // no case matched: DB_NOT_FOUND for these
  uint64_t chosen = 0;   // a case matched: fork.targets holds its target
  for (uint64_t left = s; left != 0; left &= left - 1) {
    uint32_t k = static_cast<uint32_t>(__builtin_ctzll(left));
    uint32_t v = fork.values[k] & mask;
    if constexpr (O::kWatches) w.observer->value_read(v, start);
    result = choose_case(w, first, start, count, v, &fork.targets[k]);
    if (result == DB_OK) {
      chosen |= uint64_t{1} << k;
    } else if (result == DB_NOT_FOUND) {
      pending |= uint64_t{1} << k;
    } else {
      fork.results[k] = result;
    }
  }
  while (chosen != 0) {
    uint32_t target = fork.targets[__builtin_ctzll(chosen)];
    uint64_t group = 0;
    for (uint64_t left = chosen; left != 0; left &= left - 1) {
      uint32_t k = static_cast<uint32_t>(__builtin_ctzll(left));
      if (fork.targets[k] == target) group |= uint64_t{1} << k;
    }
    chosen &= ~group;
    if constexpr (O::kWatches) w.observer->fork_group(target, group, fork);
    pending |= walk(w, target, w.items[target], depth + 1, group);
  }
  return pending;
}

// The result of a chain of items the walk followed in a loop, told to the
// observer once for each of them, innermost first.
template <typename O, typename M>
inline typename M::Result close_chain(O* observer, int entered, typename M::Result result) {
  if constexpr (O::kWatches) {
    int32_t told = DB_OK;
    if constexpr (M::kForked) {
      told = result == 0 ? DB_OK : DB_NOT_FOUND;
    } else {
      told = result;
    }
    for (; entered > 0; --entered) observer->leave(told);
  }
  (void)observer;
  (void)entered;
  return result;
}

// Spends one container visit of the walks of `*s` at `depth`. The walks
// of a fork share one count of the containers they enter between them: no
// walk's own count can be larger, so none is past its budget while the
// shared count is not. Should the shared count run out, the fork is walked
// again value by value, each with its own budget (budget_ran_out). False
// when none of *s may go on.
template <typename O, typename M>
inline bool spend_visit(const Walk<O, M>& w, int depth, typename M::Set* s) {
  ForkedWalks& fork = *w.fork;
  if (depth > kMaxWalkDepth || fork.visits_left == 0) {
    if (depth <= kMaxWalkDepth && !fork.one_walk) fork.budget_ran_out = true;
    fail(w, WalkFault::kTooDeep, *s);
    return false;
  }
  --fork.visits_left;
  return true;
}

template <typename O, typename M>
typename M::Result walk(const Walk<O, M>& w, uint32_t index, Item item, int depth,
                        typename M::Set s) {
  // A decided switch hands the walk to its case's target: followed here in a
  // loop rather than by a nested call, one level deeper each time.
  // The budget is kept in a register along the loop; nested walks read the
  // stored count when they start.
  uint32_t visits_left = 0;
  if constexpr (!M::kForked) visits_left = *w.visits_left;
  int entered = 0;  // items of the chain the observer was told of
  for (;; ++depth) {
    if constexpr (M::kForked) {
      if (!spend_visit(w, depth, &s)) return close_chain<O, M>(w.observer, entered, 0);
    } else {
      if (depth > kMaxWalkDepth || visits_left == 0) {
        return close_chain<O, M>(w.observer, entered, fail(w, WalkFault::kTooDeep, s));
      }
      *w.visits_left = --visits_left;
    }
    uint8_t kind = item_kind(item.word0);
    if constexpr (O::kWatches) {
      if (!is_leaf_kind(kind)) {
        w.observer->enter(index, item);
        ++entered;
      }
    }
    uint32_t target = 0;
    int32_t result = DB_OK;
    switch (kind) {
      case ITEM_BYTES:
      case ITEM_INT32:
      case ITEM_INT8:
      case ITEM_INT16:
      case ITEM_UINT8:
      case ITEM_UINT16:
      case ITEM_STRING:
      case ITEM_COMPUTED:
        return close_chain<O, M>(w.observer, entered, answer_leaf(w, index, item, s));
      case ITEM_SEQUENCE:
      case ITEM_BRANCH:
      case ITEM_CASE:
      case ITEM_DEFAULT:
        return close_chain<O, M>(
            w.observer, entered,
            walk_children(w, item_offset(item.word0), item_count(item.word1), depth, s));
      case ITEM_SELECT:
        return close_chain<O, M>(w.observer, entered, walk_select(w, item, depth, s));
      case ITEM_SWITCH_SELECTOR:
      case ITEM_SWITCH_MASKED:
      case ITEM_SWITCH_PRINTER_DATA:
      case ITEM_SWITCH_LOCALE: {
        if constexpr (M::kForked) {
          if ((kind == ITEM_SWITCH_SELECTOR || kind == ITEM_SWITCH_MASKED) &&
              item_tag(item.word1) == w.fork->selector) {
            return close_chain<O, M>(w.observer, entered, walk_switch_forked(w, item, depth, s));
          }
        }
        // Every numeric switch comes down to one case loop: where its cases
        // are, the first one to try, and the value they are compared with.
        uint32_t first = 0;
        uint32_t start = 0;
        uint32_t v = 0;
        result = numeric_switch_start(w, item, depth, &first, &start, &v);
        if (result != DB_OK) break;
        if constexpr (O::kWatches) w.observer->value_read(v, start);
        result = choose_case(w, first, start, item_count(item.word1), v, &target);
        break;
      }
      case ITEM_SWITCH_STRING:
        result = choose_string_case(w, item, &target);
        break;
      default:
        return close_chain<O, M>(w.observer, entered, fail(w, WalkFault::kInvalidKind, s));
    }
    if (result != DB_OK) {
      return close_chain<O, M>(w.observer, entered,
                               result == DB_NOT_FOUND ? not_found<M>(s) : end_with(w, s, result));
    }
    if constexpr (O::kWatches) {
      if constexpr (M::kForked) w.observer->fork_group(target, s, *w.fork);
    }
    index = target;
    item = w.items[target];
  }
}

// Starts a walk of `item` (at `index`, or kUnknownItem) at `depth`; the
// budget is per walk.
template <typename O>
inline int32_t start_walk(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx,
                          uint32_t index, Item item, Leaf* leaf, int depth, O* observer) {
  if (image.items == nullptr || leaf == nullptr) return DB_ERROR;
  uint32_t visits_left = walk_budget(image.item_count);
  const Walk<O> w{&image, image.items, image.item_count, id, ctx, leaf, &visits_left, observer, {}};
  return walk(w, index, item, depth, SingleWalk::Set{});
}

// Starts a forked walk of `item` (at `index`, or kUnknownItem): every walk
// of `fork` ends with its result and leaf.
template <typename O>
inline int32_t start_forked_walk(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t index,
                                 Item item, ForkedWalks* fork, O* observer) {
  if (image.items == nullptr || fork == nullptr || fork->count > kForkWidth) return DB_ERROR;
  fork->id_count = 0;
  for (uint32_t k = 0; k < fork->count; ++k) {
    fork->results[k] = DB_NOT_FOUND;  // kept by the walks no leaf answers
    uint32_t j = 0;
    while (j < fork->id_count && fork->distinct_ids[j] != fork->ids[k]) ++j;
    if (j == fork->id_count) {
      if (j == kForkIds) return DB_ERROR;
      fork->distinct_ids[j] = fork->ids[k];
      fork->id_walks[j] = 0;
      ++fork->id_count;
    }
    fork->id_walks[j] |= uint64_t{1} << k;
  }
  if (fork->count == 0) return DB_OK;
  const Walk<O, ForkedWalk> w{&image,  image.items, image.item_count, 0,   ctx,
                              nullptr, nullptr,     observer,         fork};
  fork->visits_left = walk_budget(image.item_count);
  fork->one_walk = fork->count == 1;
  fork->budget_ran_out = false;
  uint64_t all = fork->count == kForkWidth ? ~uint64_t{0} : (uint64_t{1} << fork->count) - 1;
  walk(w, index, item, 0, all);
  if (fork->budget_ran_out) {
    // Each walk alone, with its own budget: only an image whose subtrees
    // are shared over and over gets here.
    fork->one_walk = true;
    for (uint32_t k = 0; k < fork->count; ++k) {
      fork->results[k] = DB_NOT_FOUND;
      fork->visits_left = walk_budget(image.item_count);
      walk(w, index, item, 0, uint64_t{1} << k);
    }
  }
  return DB_OK;
}

}  // namespace walk_internal

// Walks the subtree of item `index` for `id` exactly as find_root and
// resolve do, telling `observer` each step. The same results, leaf and
// faults as the library's walk, plus kWalkStopped when the observer stops it.
template <typename Observer>
int32_t observe_walk(const Image& image, uint16_t id, const ORV_QUERY_CONTEXT* ctx, uint32_t index,
                     Leaf* leaf, Observer* observer) {
  Item item{};
  if (!item_at(image, index, &item)) return DB_ERROR;
  return walk_internal::start_walk(image, id, ctx, index, item, leaf, 0, observer);
}

// The forked walk of resolve_forked, telling `observer` each step (its
// fork_group hook where the values part).
template <typename Observer>
int32_t observe_forked_walk(const Image& image, const ORV_QUERY_CONTEXT* ctx, uint32_t index,
                            ForkedWalks* fork, Observer* observer) {
  Item item{};
  if (!item_at(image, index, &item)) return DB_ERROR;
  return walk_internal::start_forked_walk(image, ctx, index, item, fork, observer);
}

}  // namespace orv

#endif  // ORVDB_ENGINE_WALK_H_
