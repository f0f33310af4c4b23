// Shared set-up of the sample-set tests: one set written for the whole test
// program (C, two modules sharing a base name), helpers that read record
// fields by column, and an environment that points the profile at a set.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/string_routines.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace samplegen_test {

using sorvi_sample::SampleModule;
using sorvi_sample::SampleSetOptions;
using sorvi_sample::SampleSetSummary;

struct SharedSet {
  sorvi_test::TempDir dir;
  SampleSetSummary summary;
};

// Written on first use and kept until the program ends.
inline const SharedSet& shared_set() {
  static const std::unique_ptr<SharedSet> set = [] {
    auto s = std::make_unique<SharedSet>();
    SampleSetOptions o;
    o.output_dir = s->dir.file("set");
    o.seed = 7;
    o.modules = 2;
    o.target_lines = 700;
    o.procedures = 14;
    s->summary = sorvi_sample::write_sample_set(o);
    return s;
  }();
  return *set;
}

// A C++ set with a single module, for the checks that hold for any set.
inline const SharedSet& shared_cpp_set() {
  static const std::unique_ptr<SharedSet> set = [] {
    auto s = std::make_unique<SharedSet>();
    SampleSetOptions o;
    o.output_dir = s->dir.file("cpp");
    o.seed = 11;
    o.language = 6;
    o.target_lines = 900;
    o.files = sorvi_sample::kSampleSource | sorvi_sample::kSampleRef;
    s->summary = sorvi_sample::write_sample_set(o);
    return s;
  }();
  return *set;
}

inline const SampleSetSummary& summary() { return shared_set().summary; }

// The modules of both shared sets.
inline std::vector<const SampleModule*> all_modules() {
  std::vector<const SampleModule*> list;
  for (const SharedSet* set : {&shared_set(), &shared_cpp_set()}) {
    for (const SampleModule& m : set->summary.modules) list.push_back(&m);
  }
  return list;
}
inline const SampleModule& module(size_t k = 0) { return summary().modules.at(k); }
inline std::string work_path(const SampleModule& m, const std::string& extension) {
  return summary().work_dir + m.stem + extension;
}

// The lines of a text file without their line ends.
inline std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = sorvi_test::read_file(path);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The right-aligned number in columns column .. column + width - 1 (from 1).
inline int field(const std::string& line, int column, int width) {
  if (static_cast<int>(line.size()) < column - 1 + width) return -999999;
  int value = 0;
  sorvi::parse_fixed_width_int(line.c_str() + column - 1, width, value);
  return value;
}

// Record type of a line of .sf1, .sif, .pf1 or .sf3.
inline int record_type(const std::string& line) { return field(line, 9, 4); }

// KELVAR pointing at a set, its root as the current directory, and the
// core's process-wide state clean before and after.
class SetEnvironment {
 public:
  explicit SetEnvironment(const SampleSetSummary& s) : kelvar_("KELVAR", s.root), cwd_(s.root) {
    sorvi_test::reset_core_state();
  }
  ~SetEnvironment() { sorvi_test::reset_core_state(); }

 private:
  sorvi_test::ScopedEnv kelvar_;
  sorvi_test::ScopedCwd cwd_;
};

}  // namespace samplegen_test
