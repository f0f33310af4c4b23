// One module's results as sorvi-export writes them: its coverage per
// original source file, its violations as SARIF objects, and the figures of
// its row in the HTML index. A module is read through the core exactly as
// the annotated window reads it, then kept in this form, which a worker
// process hands to the parent as a small text file.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "export/export_options.h"

namespace sorvi {
struct AnnotationContext;
}

namespace sorvi_export {

struct FunctionCoverage {
  std::string name;
  int line = 0;  // original line of its first block
  long long count = 0;
};

struct BranchCoverage {
  int line = 0;         // original line the branch leaves from
  long long taken = 0;  // -1: the block it leaves from never ran
};

struct FileCoverage {
  std::map<int, long long> lines;  // executable original line -> executions
  std::vector<BranchCoverage> branches;
  std::vector<FunctionCoverage> functions;
};

// Coverage by original file path.
using CoverageMap = std::map<std::string, FileCoverage>;

// Categories 1..4 of the report configuration: Mandatory, Optional,
// Informational, Checking.
constexpr int kCategoryCount = 4;

struct ModuleSummary {
  int module_number = 0;
  std::string stem;
  std::string source;
  long long ref_lines = 0;
  long long executable_lines = 0;
  long long executed_lines = 0;
  long long branches = 0;
  long long branches_taken = 0;
  long long violations[kCategoryCount] = {};
  std::string page;  // html: the module's first page, relative to the output folder
};

struct ModuleExport {
  ModuleSummary summary;
  CoverageMap coverage;
  std::vector<std::string> results;          // SARIF result objects
  std::map<std::string, std::string> rules;  // SARIF rule objects by id
  std::set<std::pair<std::string, std::string>> taxa;  // (standards model, reference)
};

// Reads the module of `stem_path` (its work directory and stem) and fills
// `out` with what the format needs; html pages go below `html_root`.
// Returns an empty text, or why the module cannot be exported.
std::string export_module(const ExportOptions& options, const std::string& stem_path, const std::string& html_root,
                          ModuleExport& out);

// The coverage of an annotated context whose data is loaded: the
// executable lines of the reformatted file (`ref_flags[i]` is the flag of
// line i + 1), their counts through the block table, the branches and the
// procedures, each at its original file and line.
CoverageMap coverage_of(const sorvi::AnnotationContext& context, const std::string& ref_flags);

// Adds `from` into `into`: counts of the same line add up, branches and
// functions are appended (functions of the same name add their counts).
void merge_coverage(CoverageMap& into, const CoverageMap& from);

// Line and branch totals of a coverage map.
struct CoverageTotals {
  long long lines = 0, lines_hit = 0, branches = 0, branches_hit = 0, functions = 0, functions_hit = 0;
};
CoverageTotals totals_of(const FileCoverage& file);
CoverageTotals totals_of(const CoverageMap& coverage);

// The SARIF level of a report category letter: "M" error, "O" warning,
// "C" and "I" note; anything else warning.
const char* sarif_level(char category_letter);

// The part file a worker writes and the parent reads back.
bool write_module_part(std::FILE* out, const ModuleExport& module);
// Without `keep_results` the SARIF results are passed over (a writer can
// stream them from the file instead).
bool read_module_part(std::FILE* in, ModuleExport& module, bool keep_results = true);

}  // namespace sorvi_export
