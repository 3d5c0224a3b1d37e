// Each query path against its floors, in one run: for every case a library
// benchmark (the exported function) and a floor benchmark (the same answer
// from a precomputed table); for every generic case also a scan floor (the
// same linear scans by the simplest loop, scan_floor.h). The summary at the
// end gives time, the ratios to the floors and the heap blocks per query,
// and marks the paths that miss their goal (generic paths 3x the floor,
// special paths 10x).
//
//   orvdb_bench [--summary_out=FILE] [benchmark flags]
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "answer_floor.h"
#include "heap_counter.h"
#include "platform/host/host_counters.h"
#include "query_cases.h"
#include "scan_floor.h"

namespace orvbench {
namespace {

constexpr double kGenericGoal = 3.0;
constexpr double kSpecialGoal = 10.0;
constexpr int kCountedQueries = 256;  // queries behind each allocation count

AnswerFloor g_floor;

// Heap blocks one query takes, as malloc sees them and as the platform's
// allocator sees them.
struct Blocks {
  double heap;      // every malloc of the process
  double platform;  // platform_alloc only
};

Blocks count_blocks(const QueryCase& c, void* buffer) {
  uint32_t needed = 0;
  uint64_t heap = heap_allocations();
  uint64_t platform = orv::host_total_allocations();
  for (int i = 0; i < kCountedQueries; ++i) run_query(c, buffer, &needed);
  return {static_cast<double>(heap_allocations() - heap) / kCountedQueries,
          static_cast<double>(orv::host_total_allocations() - platform) / kCountedQueries};
}

// Asks the library once for the case's answer, checks it and records it in the floor.
void record_answer(const QueryCase& c) {
  std::vector<uint8_t> buffer(c.buffer_bytes);
  uint32_t needed = 0;
  int32_t sized = run_query(c, nullptr, &needed);
  if (sized != DB_MORE_DATA || needed != c.buffer_bytes) {
    fprintf(stderr, "%s: size query answered %d with %u bytes, expected %u\n", c.name, sized,
            needed, c.buffer_bytes);
    exit(1);
  }
  int32_t result = run_query(c, buffer.data(), &needed);
  if (result != DB_OK) {
    fprintf(stderr, "%s: query answered %d\n", c.name, result);
    exit(1);
  }
  g_floor.add(c, result, buffer.data(), c.buffer_bytes);
  if (c.kind != PathKind::kGeneric) return;
  // The scan floor must follow the same path to the same answer.
  std::vector<uint8_t> scanned(c.buffer_bytes);
  if (scan_floor_query(orv::builtin_image(), c.id, &c.ctx, c.buffer_bytes, scanned.data(),
                       &needed) != DB_OK ||
      needed != c.buffer_bytes || scanned != buffer) {
    fprintf(stderr, "%s: the scan floor does not give the library's answer\n", c.name);
    exit(1);
  }
}

void bench_library(benchmark::State& state, const QueryCase* c) {
  std::vector<uint8_t> buffer(c->buffer_bytes);
  Blocks blocks = count_blocks(*c, buffer.data());
  for (auto _ : state) {
    uint32_t needed = 0;
    int32_t result = run_query(*c, buffer.data(), &needed);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
  state.counters["heap_blocks"] = blocks.heap;
  state.counters["platform_blocks"] = blocks.platform;
}

void bench_floor(benchmark::State& state, const QueryCase* c) {
  std::vector<uint8_t> buffer(c->buffer_bytes);
  for (auto _ : state) {
    uint32_t needed = 0;
    int32_t result = g_floor.query(*c, &c->ctx, c->buffer_bytes, buffer.data(), &needed);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
}

void bench_scan_floor(benchmark::State& state, const QueryCase* c) {
  std::vector<uint8_t> buffer(c->buffer_bytes);
  const orv::Image& image = orv::builtin_image();
  for (auto _ : state) {
    uint32_t needed = 0;
    int32_t result =
        scan_floor_query(image, c->id, &c->ctx, c->buffer_bytes, buffer.data(), &needed);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
  }
}

// One line of the summary, filled from the runs as they are reported.
struct Row {
  double library_ns = -1;  // fastest repetition of the library benchmark
  double floor_ns = -1;    // fastest repetition of the floor benchmark
  double scan_ns = -1;     // fastest repetition of the scan floor benchmark (generic paths)
  double heap_blocks = 0;
  double platform_blocks = 0;
};

// The console output of the library, plus the summary table at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(const char* summary_path) : summary_path_(summary_path) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      std::string name = run.run_name.function_name;
      size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      Row& row = rows_[name.substr(0, slash)];
      // Per iteration, in nanoseconds: every benchmark here uses that unit.
      double ns = run.GetAdjustedCPUTime();
      bool floor = name.compare(slash + 1, std::string::npos, "floor") == 0;
      bool scan = name.compare(slash + 1, std::string::npos, "scan") == 0;
      double& slot = scan ? row.scan_ns : floor ? row.floor_ns : row.library_ns;
      if (slot < 0 || ns < slot) slot = ns;
      if (!floor && !scan) {
        auto heap = run.counters.find("heap_blocks");
        auto platform = run.counters.find("platform_blocks");
        if (heap != run.counters.end()) row.heap_blocks = heap->second.value;
        if (platform != run.counters.end()) row.platform_blocks = platform->second.value;
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::string table = summary();
    fputs(table.c_str(), stdout);
    if (summary_path_ != nullptr) {
      FILE* f = fopen(summary_path_, "w");
      if (f == nullptr) {
        fprintf(stderr, "cannot write %s\n", summary_path_);
        return;
      }
      fputs(table.c_str(), f);
      fclose(f);
    }
  }

 private:
  std::string summary() const {
    std::string out =
        "\n| Path | Query | Time (ns) | Floor (ns) | Ratio | Goal | Scan floor (ns) "
        "| Ratio to scan floor | Blocks/query (malloc) | Blocks/query (platform) | By design |\n"
        "|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n";
    char line[512];
    for (const auto& c : query_cases()) {
      auto it = rows_.find(c->name);
      if (it == rows_.end() || it->second.library_ns < 0 || it->second.floor_ns <= 0) continue;
      const Row& row = it->second;
      double ratio = row.library_ns / row.floor_ns;
      double goal = c->kind == PathKind::kGeneric ? kGenericGoal : kSpecialGoal;
      bool blocks_ok =
          row.heap_blocks == c->design_blocks && row.platform_blocks == c->design_blocks;
      char scan[64] = "-";
      char scan_ratio[64] = "-";
      if (row.scan_ns > 0) {
        snprintf(scan, sizeof scan, "%.1f", row.scan_ns);
        snprintf(scan_ratio, sizeof scan_ratio, "%.2f", row.library_ns / row.scan_ns);
      }
      snprintf(line, sizeof line,
               "| %s | %s | %.1f | %.1f | %.2f | %s%.0fx%s | %s | %s | %.2f | %.2f | %u%s |\n",
               c->name, c->what, row.library_ns, row.floor_ns, ratio, ratio <= goal ? "" : "**",
               goal, ratio <= goal ? "" : " missed**", scan, scan_ratio, row.heap_blocks,
               row.platform_blocks, c->design_blocks, blocks_ok ? "" : " (differs)");
      out += line;
    }
    return out;
  }

  const char* summary_path_;
  std::map<std::string, Row> rows_;
};

}  // namespace
}  // namespace orvbench

int main(int argc, char** argv) {
  const char* summary_path = nullptr;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "--summary_out=", 14) == 0) {
      summary_path = argv[i] + 14;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  for (const auto& c : orvbench::query_cases()) orvbench::record_answer(*c);
  for (const auto& c : orvbench::query_cases()) {
    std::string name = c->name;
    benchmark::RegisterBenchmark((name + "/library").c_str(), orvbench::bench_library, c.get())
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark((name + "/floor").c_str(), orvbench::bench_floor, c.get())
        ->Unit(benchmark::kNanosecond);
    if (c->kind == orvbench::PathKind::kGeneric) {
      benchmark::RegisterBenchmark((name + "/scan").c_str(), orvbench::bench_scan_floor, c.get())
          ->Unit(benchmark::kNanosecond);
    }
  }
  orvbench::SummaryReporter reporter(summary_path);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
