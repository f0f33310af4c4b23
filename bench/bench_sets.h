// The sample sets the benchmarks share: each written once under the
// benchmark data directory ($SORVI_BENCH_DATA, else the build's bench/data),
// by a child process, so that the benchmark process stays small and the runs
// it starts measure only their own memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/file_utils.h"
#include "samplegen/sample_set_writer.h"

namespace sorvi_bench {

// Runs `job` in a child process, so that each run measures only its own
// memory; gives back its wall time in seconds, its peak resident memory in
// megabytes and, when asked, its processor time. True when it exited with 0.
template <typename Job>
bool run_child(Job job, double* seconds, double* peak_mb, double* cpu_seconds = nullptr) {
  const auto start = std::chrono::steady_clock::now();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(job());
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  *peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  if (cpu_seconds) {
    *cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Set {
  std::string root;    // the set's directory, without a trailing "/"
  std::string work;    // its work directory, with one
  long long ref_lines = 0;  // reformatted lines of all its modules
};

inline std::string data_dir() {
  const char* dir = std::getenv("SORVI_BENCH_DATA");
  return dir && *dir ? dir : SORVI_BENCH_DATA_DIR;
}

// The set `name` written with `options` (their output directory is set
// here), and KELVAR pointing at it.
inline Set cached_sample_set(const std::string& name, sorvi_sample::SampleSetOptions options) {
  const std::string root = sorvi::with_trailing_separator(data_dir()) + name + "/";
  const std::string marker = root + "complete";
  if (!sorvi::is_regular_file(marker)) {
    const pid_t pid = fork();
    if (pid == 0) {
      options.output_dir = root;
      const sorvi_sample::SampleSetSummary s = sorvi_sample::write_sample_set(options);
      if (!s.ok) {
        std::fprintf(stderr, "cannot write the sample set: %s\n", s.error.c_str());
        _exit(1);
      }
      long long total = 0;
      for (const sorvi_sample::SampleModule& m : s.modules) total += m.ref_lines;
      std::ofstream(marker) << total << "\n";
      _exit(0);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  }
  Set set;
  set.root = sorvi::full_path(root);
  set.work = set.root + "/work/";
  std::ifstream(marker) >> set.ref_lines;
  setenv("KELVAR", set.root.c_str(), 1);
  return set;
}

// The one-module set of about `lines` reformatted lines.
inline Set module_set(int lines) {
  sorvi_sample::SampleSetOptions o;
  o.target_lines = lines;
  return cached_sample_set("batch" + std::to_string(lines), o);
}

}  // namespace sorvi_bench
