// The coverage status labels: nine entries indexed by coverage status code,
// filled with the normal or the pass/fail wording in coverage mode.
#pragma once

#include <string>

namespace sorvi {

constexpr int kCoverageStatusCount = 9;

void fill_coverage_labels(bool pass_fail);
void clear_coverage_labels();
// The label of a status code; empty for 9 and above (and below 0).
const std::string& coverage_label(int status);

// Which entry holds each label: executed, not executed, branch, not executable.
struct CoverageLabelIndices {
  int executed;
  int not_executed;
  int branch;
  int not_executable;
};
const CoverageLabelIndices& coverage_label_indices();

}  // namespace sorvi
