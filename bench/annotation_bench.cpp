// The annotated report of a whole module: generating every annotation of a
// 100,000-line and a 1,000,000-line module, beside a baseline that only
// reads the module's ".ref" file line by line. Each case reports lines per
// second and the peak resident memory of its run.
//
// The sample sets are written once under SORVI_BENCH_DATA (default: the
// build tree's bench/data) and reused by later runs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "annotate/annotated_lines.h"
#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "annotate/line_texts.h"
#include "annotate/rtf_writer.h"
#include "base/file_utils.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "standards/report_config.h"
#include "samplegen/sample_set_writer.h"
#include "workfiles/block_file.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"

namespace {

// A sample set of about `lines` reformatted lines, written on first use.
struct BenchSet {
  std::string root;
  std::string ref;
  std::string source;
  std::string glh;
  long long ref_lines = 0;
};

std::string data_dir() {
  const char* dir = std::getenv("SORVI_BENCH_DATA");
  return dir && *dir ? dir : SORVI_BENCH_DATA_DIR;
}

const BenchSet& bench_set(int lines) {
  static std::map<int, BenchSet> sets;
  auto it = sets.find(lines);
  if (it != sets.end()) return it->second;
  BenchSet set;
  set.root = sorvi::with_trailing_separator(data_dir()) + std::to_string(lines) + "/";
  const std::string marker = set.root + "complete";
  if (!sorvi::is_regular_file(marker)) {
    sorvi_sample::SampleSetOptions o;
    o.output_dir = set.root;
    o.target_lines = lines;
    o.language = 2;
    const sorvi_sample::SampleSetSummary s = sorvi_sample::write_sample_set(o);
    if (!s.ok) {
      std::fprintf(stderr, "cannot write the sample set: %s\n", s.error.c_str());
      std::exit(1);
    }
    std::ofstream(marker) << s.modules[0].ref_lines << "\n";
  }
  set.root = sorvi::with_trailing_separator(sorvi::full_path(set.root));
  set.ref = set.root + "work/demo_1.ref";
  set.source = set.root + "src/demo.c";
  set.glh = set.root + "work/demo_1.glh";
  std::ifstream(marker) >> set.ref_lines;
  return sets[lines] = set;
}

// Starts the process state afresh on the set's profile.
void use_set(const BenchSet& set) {
  setenv("KELVAR", set.root.c_str(), 1);
  sorvi::reset_profile();
  sorvi::reset_startup_options();
  sorvi::release_standards_data();
  sorvi::reset_module_registry();
  sorvi::reset_index_records();
  sorvi::reset_line_number_width();
  sorvi::reset_annotation_state();
}

// Peak resident memory: cleared before a case (after giving freed memory
// back, so earlier cases do not count), read after it.
void clear_peak_memory() {
  malloc_trim(0);
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

double peak_memory_mb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kb = 0;
      status >> kb;
      return kb / 1024.0;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

void report(benchmark::State& state, long long lines_per_run) {
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(lines_per_run), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_MB"] = peak_memory_mb();
}

// The baseline: the ".ref" file read line by line, nothing else.
void BM_ReadRefFile(benchmark::State& state) {
  const BenchSet& set = bench_set(static_cast<int>(state.range(0)));
  clear_peak_memory();
  long long lines = 0;
  for (auto _ : state) {
    FILE* f = std::fopen(set.ref.c_str(), "rb");
    if (!f) {
      state.SkipWithError("no .ref file");
      return;
    }
    std::string line;
    bool terminated = false;
    lines = 0;
    while (sorvi::read_bounded_line(f, line, 526, &terminated)) ++lines;
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
  report(state, lines);
}

// Takes each chunk as it fills and lets it go: the text streams through.
struct CountingSink : sorvi::AnnotatedLineSink {
  size_t lines = 0;
  size_t bytes = 0;
  void take(sorvi::AnnotatedChunk&& chunk) override {
    lines += chunk.size();
    for (const sorvi::AnnotatedLine& l : chunk) bytes += l.text.size();
  }
};

sorvi::AnnotationContext* all_annotations(const BenchSet& set) {
  sorvi::AnnotationContext* c = sorvi::CreateAnnotationContext(set.ref, -1, -1, set.source, "", nullptr, false, false,
                                                               false, false, false, set.glh, 2047, false);
  if (c) sorvi::SetRunOptions(c, 2, nullptr, 0, nullptr, nullptr);
  return c;
}

// A whole generation with every annotation on: context, loading of every
// work file, the walk; the lines stream into a sink.
void BM_GenerateAllAnnotations(benchmark::State& state) {
  const BenchSet& set = bench_set(static_cast<int>(state.range(0)));
  size_t produced = 0;
  clear_peak_memory();
  for (auto _ : state) {
    state.PauseTiming();
    use_set(set);
    state.ResumeTiming();
    sorvi::AnnotationContext* c = all_annotations(set);
    CountingSink sink;
    sorvi::AnnotatedLineList lines(&sink);
    if (!c || !sorvi::GenerateAnnotatedLines(c, lines)) {
      state.SkipWithError("no text generated");
      sorvi::FreeAnnotationContext(c);
      return;
    }
    produced = sink.lines;
    sorvi::FreeAnnotationContext(c);
  }
  report(state, set.ref_lines);
  state.counters["text_lines"] = static_cast<double>(produced);
}

// The walk alone: the analysis data loaded once, then generated again.
void BM_RegenerateAllAnnotations(benchmark::State& state) {
  const BenchSet& set = bench_set(static_cast<int>(state.range(0)));
  use_set(set);
  sorvi::AnnotationContext* c = all_annotations(set);
  {
    CountingSink sink;
    sorvi::AnnotatedLineList lines(&sink);
    if (!c || !sorvi::GenerateAnnotatedLines(c, lines)) {
      state.SkipWithError("no text generated");
      sorvi::FreeAnnotationContext(c);
      return;
    }
  }
  clear_peak_memory();
  for (auto _ : state) {
    CountingSink sink;
    sorvi::AnnotatedLineList lines(&sink);
    sorvi::GenerateAnnotatedLines(c, lines);
    benchmark::DoNotOptimize(sink.bytes);
  }
  report(state, set.ref_lines);
  sorvi::FreeAnnotationContext(c);
}

// The batch report: every annotation streamed into the rich-text writer.
void BM_BatchRichText(benchmark::State& state) {
  const BenchSet& set = bench_set(static_cast<int>(state.range(0)));
  const std::string out_path = set.root + "bench.aref.rtf";
  clear_peak_memory();
  for (auto _ : state) {
    state.PauseTiming();
    use_set(set);
    state.ResumeTiming();
    sorvi::AnnotationContext* c = all_annotations(set);
    FILE* out = std::fopen(out_path.c_str(), "wb");
    if (!c || !out) {
      state.SkipWithError("cannot start the report");
      if (out) std::fclose(out);
      sorvi::FreeAnnotationContext(c);
      return;
    }
    sorvi::RtfStreamWriter writer(out, sorvi::RtfFont(), sorvi::SwitchedOn(), 0);
    sorvi::AnnotatedLineList lines(&writer);
    sorvi::GenerateAnnotatedLines(c, lines);
    writer.finish();
    std::fclose(out);
    sorvi::FreeAnnotationContext(c);
  }
  report(state, set.ref_lines);
  std::remove(out_path.c_str());
}

BENCHMARK(BM_ReadRefFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateAllAnnotations)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegenerateAllAnnotations)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchRichText)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
