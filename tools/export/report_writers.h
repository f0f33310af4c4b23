// The three one-file outputs, written from the results of all modules
// merged: a SARIF 2.1.0 log, an LCOV tracefile and Cobertura XML.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "export/module_export.h"

namespace sorvi_export {

// The modules' results gathered in module order.
struct MergedExport {
  std::vector<ModuleSummary> modules;
  CoverageMap coverage;
  std::vector<std::string> results;
  // Part files whose "V" records are further results, streamed in order
  // after `results` (so that a large log is not held in memory).
  std::vector<std::string> result_files;
  std::map<std::string, std::string> rules;
  std::set<std::pair<std::string, std::string>> taxa;
  std::vector<std::string> skipped;  // "<module>: <reason>"
};

void add_module(MergedExport& merged, ModuleExport&& module);

// What the run was asked for, as the outputs record it.
struct RunInfo {
  std::string version;          // Sorvi's version
  std::string information_uri;  // where Sorvi is described
  std::string test_name;        // LCOV "TN:" (empty: none)
  long long timestamp_ms = 0;   // Cobertura's timestamp
};

bool write_sarif(std::FILE* out, const MergedExport& merged, const RunInfo& run);
bool write_lcov(std::FILE* out, const MergedExport& merged, const RunInfo& run);
bool write_cobertura(std::FILE* out, const MergedExport& merged, const RunInfo& run);

}  // namespace sorvi_export
