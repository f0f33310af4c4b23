// sorvi-export beside the batch report: SARIF, LCOV and HTML of a
// 1,000,000-line module against "sorvi demo_1.ref -VMODE -Language=2
// -Flags=2047" on the same module, and each format for a work directory of
// 1,000 small modules with -j 2. Every run happens in a child process, so
// its peak memory is its own: the largest of the export's processes (the
// parent and its workers). Lines per second count the reformatted lines of
// all modules.
//
// The sample sets are written once under SORVI_BENCH_DATA (default: the
// build tree's bench/data) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/startup.h"
#include "base/file_utils.h"
#include "export/export_runner.h"
#include "bench_sets.h"
#include "samplegen/sample_set_writer.h"

namespace {

using sorvi_bench::Set;
using sorvi_bench::data_dir;

// A set of `modules` modules of about `lines` reformatted lines each.
Set sample_set(int modules, int lines) {
  sorvi_sample::SampleSetOptions o;
  o.modules = modules;
  o.target_lines = lines;
  return sorvi_bench::cached_sample_set("export" + std::to_string(modules) + "x" + std::to_string(lines), o);
}

void report(benchmark::State& state, long long lines, double seconds, double peak_mb) {
  state.SetIterationTime(seconds);
  state.counters["lines_per_s"] = static_cast<double>(lines) / seconds;
  state.counters["peak_MB"] = peak_mb;
}

// range(0): modules; range(1): lines per module.
void BM_BatchReport(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    const bool ok = sorvi_bench::run_child(
        [&] {
          if (chdir(set.work.c_str()) != 0) return 1;
          const std::vector<std::string> args = {"sorvi", "demo_1.ref", "-VMODE", "-Language=2", "-Flags=2047"};
          return sorvi::run_batch(sorvi::startup_parse_command_line(args));
        },
        &seconds, &peak);
    if (!ok) state.SkipWithError("batch run failed");
    report(state, set.ref_lines, seconds, peak);
  }
  std::remove((set.work + "demo_1.aref.rtf").c_str());
}

// range(2): the format (0 sarif, 1 lcov, 2 html, 3 cobertura).
void BM_Export(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const char* const formats[] = {"sarif", "lcov", "html", "cobertura"};
  const std::string format = formats[state.range(2)];
  const std::string out = data_dir() + "/export-out." + format;
  state.SetLabel(format);
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    const bool ok = sorvi_bench::run_child(
        [&] {
          sorvi_export::ExportOptions o;
          const std::vector<std::string> args = {format, "-o", out, "-j", "2"};
          if (!sorvi_export::parse_export_options(args, o).empty()) return 2;
          return sorvi_export::run_export(o);
        },
        &seconds, &peak);
    if (!ok) state.SkipWithError("export failed");
    report(state, set.ref_lines, seconds, peak);
  }
  std::system(("rm -rf '" + out + "'").c_str());
}

BENCHMARK(BM_BatchReport)->Args({1, 1000000})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Export)
    ->ArgsProduct({{1}, {1000000}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Export)
    ->ArgsProduct({{1000}, {60}, {0, 1, 2}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
