// A batch report of a whole module, as the suite's tools ask for it:
// "sorvi <stem>.ref -VMODE -Language=2 -Flags=2047" on a 100,000-line and a
// 1,000,000-line module, every annotation on, beside a baseline that copies
// the ".ref" file. Each run happens in a child process, so its peak memory
// is its own; lines per second count the module's reformatted lines.
//
// The sample sets are written once under SORVI_BENCH_DATA (default: the
// build tree's bench/data) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "annotate/document_reports.h"
#include "app/batch.h"
#include "app/startup.h"
#include "base/file_utils.h"
#include "samplegen/sample_set_writer.h"

namespace {

struct Set {
  std::string work;
  long long ref_lines = 0;
};

std::string data_dir() {
  const char* dir = std::getenv("SORVI_BENCH_DATA");
  return dir && *dir ? dir : SORVI_BENCH_DATA_DIR;
}

Set sample_set(int lines) {
  const std::string root = sorvi::with_trailing_separator(data_dir()) + "batch" + std::to_string(lines) + "/";
  const std::string marker = root + "complete";
  if (!sorvi::is_regular_file(marker)) {
    // Written by a child, so that this process stays small and the runs it
    // starts measure only their own memory.
    const pid_t pid = fork();
    if (pid == 0) {
      sorvi_sample::SampleSetOptions o;
      o.output_dir = root;
      o.target_lines = lines;
      const sorvi_sample::SampleSetSummary s = sorvi_sample::write_sample_set(o);
      if (!s.ok) {
        std::fprintf(stderr, "cannot write the sample set: %s\n", s.error.c_str());
        _exit(1);
      }
      std::ofstream(marker) << s.modules[0].ref_lines << "\n";
      _exit(0);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  }
  Set set;
  set.work = sorvi::full_path(root) + "/work/";
  std::ifstream(marker) >> set.ref_lines;
  setenv("KELVAR", sorvi::full_path(root).c_str(), 1);
  return set;
}

// Runs `job` in a child process; returns its wall time in seconds and its
// peak resident memory in megabytes.
template <typename Job>
bool run_child(Job job, double* seconds, double* peak_mb) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(job());
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void report(benchmark::State& state, long long lines, double seconds, double peak_mb) {
  state.SetIterationTime(seconds);
  state.counters["lines_per_s"] = static_cast<double>(lines) / seconds;
  state.counters["peak_MB"] = peak_mb;
}

void BM_CopyRefFile(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    const bool ok = run_child(
        [&] {
          std::FILE* in = std::fopen((set.work + "demo_1.ref").c_str(), "rb");
          std::FILE* out = std::fopen("/tmp/sorvi-bench-copy.ref", "wb");
          if (!in || !out) return 1;
          std::vector<char> buf(1 << 16);
          size_t n;
          while ((n = std::fread(buf.data(), 1, buf.size(), in)) > 0) std::fwrite(buf.data(), 1, n, out);
          std::fclose(in);
          return std::fclose(out) == 0 ? 0 : 1;
        },
        &seconds, &peak);
    if (!ok) state.SkipWithError("copy failed");
    report(state, set.ref_lines, seconds, peak);
  }
  std::remove("/tmp/sorvi-bench-copy.ref");
}

void BM_BatchAnnotatedReport(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  const std::string rtf = set.work + "demo_1.aref.rtf";
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    const bool ok = run_child(
        [&] {
          if (chdir(set.work.c_str()) != 0) return 1;
          const std::vector<std::string> args = {"sorvi", "demo_1.ref", "-VMODE", "-Language=2", "-Flags=2047"};
          sorvi::CSorviCommandLineInfo info = sorvi::startup_parse_command_line(args);
          return sorvi::run_batch(info);
        },
        &seconds, &peak);
    if (!ok) state.SkipWithError("batch run failed");
    report(state, set.ref_lines, seconds, peak);
    struct stat st{};
    if (stat(rtf.c_str(), &st) == 0) state.counters["rtf_MB"] = static_cast<double>(st.st_size) / (1024.0 * 1024.0);
  }
  std::remove(rtf.c_str());
}

BENCHMARK(BM_CopyRefFile)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchAnnotatedReport)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
