// Runs one benchmark case's query (or its floor, or its scan floor) n times
// inside measured_queries, so that callgrind can count the instructions of
// exactly those queries (bench/count_instructions.sh).
//
//   orvdb_query_instructions CASE N [floor|scan]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "answer_floor.h"
#include "heap_counter.h"
#include "query_cases.h"
#include "scan_floor.h"

namespace orvbench {

// The measured loop; its name is what the script tells callgrind to count.
// What a run measures.
enum class Measured { kLibrary, kFloor, kScanFloor };

// Each measured thing has a loop of its own, so that the loop costs what it
// did before there were three of them.
__attribute__((noinline)) int32_t measured_queries(const QueryCase& c, const AnswerFloor& floor,
                                                   Measured what, uint8_t* buffer, long n) {
  int32_t last = DB_OK;
  uint32_t needed = 0;
  const orv::Image& image = orv::builtin_image();
  if (what == Measured::kLibrary) {
    for (long i = 0; i < n; ++i) {
      last = run_query(c, buffer, &needed);
      __asm__ volatile("" : : "r"(buffer) : "memory");
    }
  } else if (what == Measured::kFloor) {
    for (long i = 0; i < n; ++i) {
      last = floor.query(c, &c.ctx, c.buffer_bytes, buffer, &needed);
      __asm__ volatile("" : : "r"(buffer) : "memory");
    }
  } else {
    for (long i = 0; i < n; ++i) {
      last = scan_floor_query(image, c.id, &c.ctx, c.buffer_bytes, buffer, &needed);
      __asm__ volatile("" : : "r"(buffer) : "memory");
    }
  }
  return last;
}

}  // namespace orvbench

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s CASE N [floor|scan]\ncases:", argv[0]);
    for (const auto& c : orvbench::query_cases()) fprintf(stderr, " %s", c->name);
    fprintf(stderr, "\n");
    return 2;
  }
  const orvbench::QueryCase* c = orvbench::find_case(argv[1]);
  long n = atol(argv[2]);
  if (c == nullptr || n < 0) {
    fprintf(stderr, "unknown case or bad count\n");
    return 2;
  }
  std::vector<uint8_t> buffer(c->buffer_bytes);
  uint32_t needed = 0;
  if (orvbench::run_query(*c, buffer.data(), &needed) != DB_OK) {
    fprintf(stderr, "%s does not answer DB_OK\n", c->name);
    return 1;
  }
  orvbench::AnswerFloor floor;
  floor.add(*c, DB_OK, buffer.data(), c->buffer_bytes);
  orvbench::Measured what = orvbench::Measured::kLibrary;
  const char* label = "";
  if (argc > 3 && strcmp(argv[3], "floor") == 0) {
    what = orvbench::Measured::kFloor;
    label = " (floor)";
  } else if (argc > 3 && strcmp(argv[3], "scan") == 0) {
    if (c->kind != orvbench::PathKind::kGeneric) {
      fprintf(stderr, "%s has no scan floor: only generic paths do\n", c->name);
      return 2;
    }
    what = orvbench::Measured::kScanFloor;
    label = " (scan floor)";
  }
  uint64_t blocks = orvbench::heap_allocations();
  int32_t result = orvbench::measured_queries(*c, floor, what, buffer.data(), n);
  blocks = orvbench::heap_allocations() - blocks;
  printf("%s%s: result %d, %.2f heap blocks per query\n", c->name, label, result,
         n > 0 ? static_cast<double>(blocks) / n : 0.0);
  return result == DB_OK ? 0 : 1;
}
