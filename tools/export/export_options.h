// The command line of sorvi-export: the format, the output, the modules and
// the option words it shares with Sorvi.
#pragma once

#include <string>
#include <vector>

namespace sorvi_export {

enum class ExportFormat { kSarif, kLcov, kCobertura, kHtml };

struct ExportOptions {
  ExportFormat format = ExportFormat::kSarif;
  std::string output;                   // file, or the folder for html; empty: standard output
  std::vector<std::string> work_files;  // empty: every module of the registry
  int language = 0;                     // -Language=; 0: each module's own
  std::string standards_model;          // -StandardsModel=
  int test_case = 0;                    // -TC=; 0: the combined results
  std::string sequence;                 // -Seq=
  std::string result_directory;         // -Seqwrk=; empty: the work directory
  int jobs = 1;                         // -j
  bool help = false;
};

// The help text.
extern const char kExportUsage[];

// Parses the arguments after the program name. Returns an empty text, or
// the reason the command line is refused.
std::string parse_export_options(const std::vector<std::string>& args, ExportOptions& options);

}  // namespace sorvi_export
