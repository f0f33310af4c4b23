#include "config/coverage_labels.h"

namespace sorvi {
namespace {

struct Labels {
  std::string text[kCoverageStatusCount];
  CoverageLabelIndices indices{3, 2, 6, 8};
};

Labels& labels() {
  static Labels l;
  return l;
}

}  // namespace

void clear_coverage_labels() { labels() = Labels(); }

void fill_coverage_labels(bool pass_fail) {
  Labels& l = labels();
  if (pass_fail) {
    l.text[3] = "Not Covered";
    l.text[4] = "Covered";
    l.text[7] = "Branch/Decision not covered";
    l.indices = {4, 3, 7, 8};
  } else {
    l.text[3] = "Executed";
    l.text[2] = "Not Executed";
    l.text[6] = "Branch/Decision not executed";
    l.indices = {3, 2, 6, 8};
  }
  l.text[8] = "Not executable";
}

const std::string& coverage_label(int status) {
  static const std::string empty;
  if (status < 0 || status >= kCoverageStatusCount) return empty;
  return labels().text[status];
}

const CoverageLabelIndices& coverage_label_indices() { return labels().indices; }

}  // namespace sorvi
