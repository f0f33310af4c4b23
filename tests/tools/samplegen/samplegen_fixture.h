// Shared set-up of the sample-set tests: a C set of two modules sharing a
// base name, written once for the whole test program, and an environment
// that points the profile at a set.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace samplegen_test {

using sorvi_sample::SampleModule;
using sorvi_sample::SampleSetOptions;
using sorvi_sample::SampleSetSummary;

inline const SampleSetSummary& shared_set() {
  static const auto set = [] {
    auto s = std::make_unique<std::pair<sorvi_test::TempDir, SampleSetSummary>>();
    SampleSetOptions o;
    o.output_dir = s->first.file("set");
    o.seed = 7;
    o.modules = 2;
    o.target_lines = 700;
    o.procedures = 14;
    s->second = sorvi_sample::write_sample_set(o);
    return s;
  }();
  EXPECT_TRUE(set->second.ok) << set->second.error;
  return set->second;
}

// KELVAR pointing at a set, its root as the current directory, and the
// core's process-wide state clean before and after.
struct SetEnvironment {
  explicit SetEnvironment(const SampleSetSummary& s) : kelvar("KELVAR", s.root), cwd(s.root) {
    sorvi_test::reset_core_state();
  }
  ~SetEnvironment() { sorvi_test::reset_core_state(); }
  sorvi_test::ScopedEnv kelvar;
  sorvi_test::ScopedCwd cwd;
};

}  // namespace samplegen_test
