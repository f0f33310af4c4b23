// A batch report of a whole module, as the suite's tools ask for it:
// "sorvi <stem>.ref -VMODE -Language=2 -Flags=2047" on a 100,000-line and a
// 1,000,000-line module, every annotation on, beside a baseline that copies
// the ".ref" file. Each run happens in a child process, so its peak memory
// is its own; lines per second count the module's reformatted lines.
//
// A third benchmark takes the same report apart: the time of opening the
// document, of reading each work file, of the walk and of the writing,
// printed as counters in milliseconds beside the end-to-end run. The
// data-flow file is parsed on a second thread while the violations and
// counts are read; its counter is the wait for that thread at the end.
// The report is written on a second thread beside the walk: the walk's
// counter is the walk with its waits, the writing's the writer's own time
// on its thread. SORVI_BENCH_ONE_THREAD=1 does everything in turn, to see
// each part's own time.
// A fourth, BM_IoFloor, does only the reading and writing that any report
// of the module must do (the GLH file read once, the opener's temporary
// copies, the reformatted file, the report written, synced and renamed
// over the previous one): what no faster parsing or walk can go below.
// Every run also gives its processor time (cpu_ms), steadier than the wall
// time when other work shares the machine; SORVI_BENCH_PHASE_CLOCK=cpu
// times the phases on it too. SORVI_BENCH_KEEP=1 keeps the report of the
// end-to-end run, to compare it byte for byte with another build's.
//
// The sample sets are written once under SORVI_BENCH_DATA (default: the
// build tree's bench/data) and reused by later runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "annotate/annotation_generator.h"
#include "annotate/document_reports.h"
#include "annotate/pipelined_sink.h"
#include "annotate/ref_document.h"
#include "annotate/rtf_writer.h"
#include "app/batch.h"
#include "app/document_kinds.h"
#include "app/startup.h"
#include "base/file_utils.h"
#include "bench_sets.h"
#include "samplegen/sample_set_writer.h"

namespace {

using sorvi_bench::Set;

Set sample_set(int lines) { return sorvi_bench::module_set(lines); }

// SORVI_BENCH_ONE_THREAD=1 reads the data-flow file in turn instead of on
// a second thread.
void use_second_threads() {
  const char* one_thread = std::getenv("SORVI_BENCH_ONE_THREAD");
  sorvi::set_parallel_reading(!(one_thread && *one_thread && *one_thread != '0'));
}

void report(benchmark::State& state, long long lines, double seconds, double peak_mb, double cpu_seconds = -1) {
  state.SetIterationTime(seconds);
  // The best run so far, and the lines a second it gives (the time and
  // lines_per_s of the line are the mean over the runs).
  const double best = state.counters.count("best_ms") ? std::min(state.counters["best_ms"].value, seconds * 1000.0)
                                                      : seconds * 1000.0;
  state.counters["best_ms"] = best;
  state.counters["best_lines_per_s"] = static_cast<double>(lines) / (best / 1000.0);
  // The child's processor time (user and system), steadier than the wall
  // time on a machine other work shares.
  if (cpu_seconds >= 0) state.counters["cpu_ms"] = cpu_seconds * 1000.0;
  state.counters["lines_per_s"] = static_cast<double>(lines) / seconds;
  state.counters["peak_MB"] = peak_mb;
}

void BM_CopyRefFile(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    double seconds = 0, peak = 0, cpu = 0;
    const bool ok = sorvi_bench::run_child(
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
        &seconds, &peak, &cpu);
    if (!ok) state.SkipWithError("copy failed");
    report(state, set.ref_lines, seconds, peak, cpu);
  }
  std::remove("/tmp/sorvi-bench-copy.ref");
}

// In the child: goes to the set's work directory and parses the command
// line of the annotated report of its module, every annotation on.
bool report_command_line(const Set& set, sorvi::CSorviCommandLineInfo* info) {
  if (chdir(set.work.c_str()) != 0) return false;
  const std::vector<std::string> args = {"sorvi", "demo_1.ref", "-VMODE", "-Language=2", "-Flags=2047"};
  *info = sorvi::startup_parse_command_line(args);
  return true;
}

void BM_BatchAnnotatedReport(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  const std::string rtf = set.work + "demo_1.aref.rtf";
  for (auto _ : state) {
    double seconds = 0, peak = 0, cpu = 0;
    const bool ok = sorvi_bench::run_child(
        [&] {
          sorvi::CSorviCommandLineInfo info;
          if (!report_command_line(set, &info)) return 1;
          use_second_threads();
          return sorvi::run_batch(info);
        },
        &seconds, &peak, &cpu);
    if (!ok) state.SkipWithError("batch run failed");
    report(state, set.ref_lines, seconds, peak, cpu);
    struct stat st{};
    if (stat(rtf.c_str(), &st) == 0) state.counters["rtf_MB"] = static_cast<double>(st.st_size) / (1024.0 * 1024.0);
  }
  // SORVI_BENCH_KEEP=1 keeps the report, to compare it with another build's.
  const char* keep = std::getenv("SORVI_BENCH_KEEP");
  if (!(keep && *keep && *keep != '0')) std::remove(rtf.c_str());
}

// The phases of one report, as the child measured them (milliseconds).
struct Phases {
  static constexpr int kCount = 9;
  double ms[kCount] = {};
};
constexpr const char* kPhaseNames[Phases::kCount] = {"open_ms",     "sf1_ms",      "index_ms",
                                                     "blocks_ms",   "violations_ms", "dataflow_ms",
                                                     "counts_ms",   "walk_ms",     "write_ms"};

// Phases are timed on the wall clock, or with SORVI_BENCH_PHASE_CLOCK=cpu
// on the process's processor time, which other work on a shared machine
// disturbs less.
struct Clock {
  using time_point = double;  // milliseconds
  static double now() {
    static const bool cpu = [] {
      const char* clock = std::getenv("SORVI_BENCH_PHASE_CLOCK");
      return clock && std::string(clock) == "cpu";
    }();
    timespec t{};
    clock_gettime(cpu ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
};

Phases* g_phases = nullptr;
Clock::time_point g_step_start;

double ms_since(Clock::time_point start) { return Clock::now() - start; }

// The load steps name themselves as they end; each one's time goes to its slot.
void on_step(const char* step) {
  for (int i = 1; i <= 6; ++i) {
    if (std::string(kPhaseNames[i]) == std::string(step) + "_ms") g_phases->ms[i] += ms_since(g_step_start);
  }
  g_step_start = Clock::now();
}

double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Forwards the lines to the report writer and adds up the time spent in it:
// on the writer's own thread its processor time (read every 1024 lines,
// as reading a clock for each line would cost more than the writing), in
// place the time of each line.
class alignas(64) TimedSink : public sorvi::AnnotatedLineWriter {
 public:
  TimedSink(sorvi::RtfStreamWriter& writer, bool own_thread) : writer_(writer), own_thread_(own_thread) {}
  void write(int style, const char* text, size_t size, bool note) override {
    if (!own_thread_) {
      const Clock::time_point start = Clock::now();
      writer_.write(style, text, size, note);
      ms += ms_since(start);
      return;
    }
    if (lines_++ == 0) start_ = thread_cpu_ms();
    writer_.write(style, text, size, note);
    if (lines_ % 1024 == 0) ms = thread_cpu_ms() - start_;
  }
  double ms = 0;

 private:
  sorvi::RtfStreamWriter& writer_;
  bool own_thread_;
  long long lines_ = 0;
  double start_ = 0;
};

void BM_BatchPhases(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  const std::string rtf = set.work + "demo_1.phases.rtf";
  void* shared = mmap(nullptr, sizeof(Phases), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    state.SkipWithError("no shared memory");
    return;
  }
  Phases best;
  for (int i = 0; i < Phases::kCount; ++i) best.ms[i] = 1e300;
  for (auto _ : state) {
    g_phases = new (shared) Phases();
    double seconds = 0, peak = 0, cpu = 0;
    const bool ok = sorvi_bench::run_child(
        [&] {
          sorvi::CSorviCommandLineInfo info;
          if (!report_command_line(set, &info)) return 1;
          Clock::time_point start = Clock::now();
          std::unique_ptr<sorvi::RefDocument> doc =
              sorvi::build_ref_document(sorvi::normalise_document_path(info.file_name), false, false);
          if (!doc || !doc->context) return 1;
          g_phases->ms[0] = ms_since(start);
          std::FILE* out = std::fopen(rtf.c_str(), "wb");
          if (!out) return 1;
          sorvi::RtfStreamWriter writer(out, sorvi::report_font(), sorvi::just_switched_on(), 0);
          use_second_threads();
          TimedSink sink(writer, sorvi::parallel_reading());
          bool written = false;
          {
            // As the report is made: written on a second thread as the lines come.
            sorvi::PipelinedSink pipe(sink, sorvi::parallel_reading());
            sorvi::AnnotatedLineList lines(&pipe);
            sorvi::set_annotation_step_observer(on_step);
            g_step_start = Clock::now();
            if (!sorvi::GenerateAnnotatedLines(doc->context, lines)) return 1;
            lines.close();
            pipe.finish();
            // What followed the last load step is the walk; with a second
            // thread the writing ran beside it and its time is its own.
            g_phases->ms[7] = ms_since(g_step_start);
            if (!sorvi::parallel_reading()) g_phases->ms[7] -= sink.ms;
            g_phases->ms[8] = sink.ms;
          }
          const Clock::time_point finish = Clock::now();
          written = writer.finish() && std::fclose(out) == 0;
          g_phases->ms[8] += ms_since(finish);
          return written ? 0 : 1;
        },
        &seconds, &peak, &cpu);
    if (!ok) state.SkipWithError("phase run failed");
    report(state, set.ref_lines, seconds, peak, cpu);
    for (int i = 0; i < Phases::kCount; ++i) best.ms[i] = std::min(best.ms[i], g_phases->ms[i]);
  }
  // Each phase at its best over the runs.
  for (int i = 0; i < Phases::kCount; ++i) state.counters[kPhaseNames[i]] = best.ms[i];
  munmap(shared, sizeof(Phases));
  std::remove(rtf.c_str());
}

// The reading and writing that any report of the module must do, with
// nothing parsed and nothing generated: a lower bound of the report's time
// on this machine. The GLH file read once (the scan of its heaps reads it
// whole before any work file is taken from it); the temporary copy that the
// opener makes of each work file the report takes from the GLH file,
// written, read back and deleted (as many bytes as the plain twin that the
// sample set keeps); the reformatted file read; and a file of the report's
// size written, synced and renamed over the previous report.
constexpr const char* kFloorNames[] = {"glh_read_ms", "copies_ms", "ref_read_ms",
                                       "report_write_ms", "report_sync_ms", "report_rename_ms"};
constexpr int kFloorParts = 6;

bool read_whole(const std::string& path, std::vector<char>& buffer) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  ssize_t got = 0;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) {
  }
  close(fd);
  return got == 0;
}

bool write_whole(int fd, const std::vector<char>& buffer, long long bytes) {
  for (long long done = 0; done < bytes;) {
    const size_t n = static_cast<size_t>(std::min<long long>(bytes - done, static_cast<long long>(buffer.size())));
    if (write(fd, buffer.data(), n) != static_cast<ssize_t>(n)) return false;
    done += static_cast<long long>(n);
  }
  return true;
}

// A new file in `directory` holding `bytes` bytes; its name, or empty.
// With `synced`, the time of the writing and of the sync go there.
std::string written_file(const std::string& directory, const std::vector<char>& buffer, long long bytes,
                         double* synced = nullptr) {
  std::string name = directory + ".sorvi-floor.XXXXXX";
  const Clock::time_point start = Clock::now();
  const int fd = mkstemp(name.data());
  if (fd < 0) return std::string();
  bool ok = write_whole(fd, buffer, bytes);
  if (synced) {
    synced[0] = ms_since(start);
    const Clock::time_point sync_start = Clock::now();
    ok = ok && fsync(fd) == 0;
    synced[1] = ms_since(sync_start);
  }
  ok = close(fd) == 0 && ok;
  if (!ok) std::remove(name.c_str());
  return ok ? name : std::string();
}

long long file_bytes(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

void BM_IoFloor(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  const std::string rtf = set.work + "demo_1.aref.rtf";
  // One report first, for its size and as the file the runs replace.
  double seconds = 0, peak = 0;
  const bool made = sorvi_bench::run_child(
      [&] {
        sorvi::CSorviCommandLineInfo info;
        if (!report_command_line(set, &info)) return 1;
        return sorvi::run_batch(info);
      },
      &seconds, &peak);
  const long long report_bytes = file_bytes(rtf);
  if (!made || report_bytes < 0) {
    state.SkipWithError("no report to measure against");
    return;
  }
  void* shared = mmap(nullptr, sizeof(double) * kFloorParts, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) {
    state.SkipWithError("no shared memory");
    return;
  }
  double* parts = static_cast<double*>(shared);
  double best[kFloorParts];
  std::fill(best, best + kFloorParts, 1e300);
  for (auto _ : state) {
    double cpu = 0;
    const bool ok = sorvi_bench::run_child(
        [&] {
          std::vector<char> buffer(size_t{1} << 20, 'x');
          Clock::time_point start = Clock::now();
          if (!read_whole(set.work + "demo_1.glh", buffer)) return 1;
          parts[0] = ms_since(start);
          start = Clock::now();
          for (const char* extension : {".sf1", ".ndx", ".blk", ".sf3", ".sif", ".pf1", ".stb", ".pol", ".pol.002"}) {
            const long long bytes = file_bytes(set.work + "demo_1" + extension);
            const std::string copy = bytes < 0 ? std::string() : written_file(set.work, buffer, bytes);
            if (copy.empty() || !read_whole(copy, buffer)) return 1;
            std::remove(copy.c_str());
          }
          parts[1] = ms_since(start);
          start = Clock::now();
          if (!read_whole(set.work + "demo_1.ref", buffer)) return 1;
          parts[2] = ms_since(start);
          const std::string report = written_file(set.work, buffer, report_bytes, parts + 3);
          start = Clock::now();
          if (report.empty() || std::rename(report.c_str(), rtf.c_str()) != 0) return 1;
          parts[5] = ms_since(start);
          return 0;
        },
        &seconds, &peak, &cpu);
    if (!ok) state.SkipWithError("floor run failed");
    report(state, set.ref_lines, seconds, peak, cpu);
    for (int i = 0; i < kFloorParts; ++i) best[i] = std::min(best[i], parts[i]);
  }
  for (int i = 0; i < kFloorParts; ++i) state.counters[kFloorNames[i]] = best[i];
  state.counters["report_MB"] = static_cast<double>(report_bytes) / (1024.0 * 1024.0);
  munmap(shared, sizeof(double) * kFloorParts);
  std::remove(rtf.c_str());
}

BENCHMARK(BM_CopyRefFile)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchAnnotatedReport)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchPhases)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_IoFloor)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
