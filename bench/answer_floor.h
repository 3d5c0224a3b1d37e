// The floor a query is measured against: the same answer served from a
// precomputed table, by a hash lookup on the id and on the selectors and
// match string the answer depends on, then a copy of the answer's bytes
// under the same size protocol. Nothing can answer a query for less.
#ifndef ORVDB_BENCH_ANSWER_FLOOR_H_
#define ORVDB_BENCH_ANSWER_FLOOR_H_

#include <stdint.h>

#include <vector>

#include "query_cases.h"

namespace orvbench {

class AnswerFloor {
 public:
  AnswerFloor();

  // Records the answer the library gave for the case's own context.
  void add(const QueryCase& c, int32_t result, const void* bytes, uint32_t size);

  // The answer recorded for the key `c` reads from `ctx`: DB_NOT_FOUND when
  // none was recorded, DB_MORE_DATA for a null or short buffer.
  int32_t query(const QueryCase& c, const ORV_QUERY_CONTEXT* ctx, uint32_t cbBuf, void* pBuf,
                uint32_t* pcbNeeded) const;

 private:
  // The id and the values the answer depends on.
  struct Key {
    uint32_t id;                        // data id
    uint32_t count;                     // values used
    uint32_t values[kMaxKeySelectors];  // selector values, in the case's key order
    uint64_t text;                      // hash of the match string, 0 without one
    bool operator==(const Key& other) const;
  };
  // One slot of the open-addressed table.
  struct Slot {
    bool used;        // whether the slot holds an answer
    Key key;          // what it answers
    int32_t result;   // the recorded result code
    uint32_t offset;  // first byte of the answer in bytes_
    uint32_t size;    // bytes of the answer
  };

  static Key make_key(const QueryCase& c, const ORV_QUERY_CONTEXT* ctx);
  static uint64_t hash(const Key& key);

  static constexpr uint32_t kSlots = 64;  // a power of two
  std::vector<Slot> slots_;
  std::vector<uint8_t> bytes_;
};

}  // namespace orvbench

#endif  // ORVDB_BENCH_ANSWER_FLOOR_H_
