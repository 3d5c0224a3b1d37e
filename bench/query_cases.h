// The fixed, realistic queries that the benchmarks and the instruction
// counter run: one per query path, each with the settings a driver would
// pass and a buffer large enough for the answer.
#ifndef ORVDB_BENCH_QUERY_CASES_H_
#define ORVDB_BENCH_QUERY_CASES_H_

#include <stdint.h>

#include <memory>
#include <vector>

#include "orvdb/orvdb.h"

namespace orvbench {

// Which exported function a case calls.
enum class Api { kRoot, kDrv, kLM };

// Generic paths (root lookup, walk, fetch) and the Drv special paths are
// held to different goals against the floor.
enum class PathKind { kGeneric, kSpecial };

constexpr uint32_t kMaxSelectors = 96;    // selector array of every Drv case
constexpr uint32_t kMaxKeySelectors = 8;  // selectors a floor key may read

// One query. Owns the arrays its context points into, so it never moves.
struct QueryCase {
  const char* name;                   // benchmark name
  const char* what;                   // the query, for the summary table
  PathKind kind;                      // which goal applies
  Api api;                            // exported function called
  uint16_t id;                        // data id
  uint32_t buffer_bytes;              // size of the caller's buffer
  uint32_t design_blocks;             // heap blocks one query takes by design
  ORV_QUERY_CONTEXT ctx;              // the caller's context, pointing into the arrays below
  uint32_t selectors[kMaxSelectors];  // the caller's settings
  const char* strings[2];             // the caller's match strings
  // What the answer depends on, for the floor's key: these selectors, and
  // match string key_string when it is not negative.
  uint32_t key_selector_count;
  uint16_t key_selectors[kMaxKeySelectors];
  int key_string;
};

// Every case, built once; the cases keep their addresses for the program's life.
const std::vector<std::unique_ptr<QueryCase>>& query_cases();

// The case of that name, or null.
const QueryCase* find_case(const char* name);

// Runs the case's query through the exported function.
int32_t run_query(const QueryCase& c, void* buffer, uint32_t* needed);

}  // namespace orvbench

#endif  // ORVDB_BENCH_QUERY_CASES_H_
