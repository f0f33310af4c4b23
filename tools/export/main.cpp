// sorvi-export: writes the analysis results of a work directory as SARIF,
// LCOV, Cobertura XML or a static HTML report.
#include <cstdio>
#include <string>
#include <vector>

#include "base/process_info.h"
#include "export/export_options.h"
#include "export/export_runner.h"

int main(int argc, char** argv) {
  sorvi::set_process_arguments(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  sorvi_export::ExportOptions options;
  const std::string problem = sorvi_export::parse_export_options(args, options);
  if (options.help) {
    std::fputs(sorvi_export::kExportUsage, stdout);
    return 0;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "sorvi-export: %s\nTry 'sorvi-export --help'.\n", problem.c_str());
    return sorvi_export::kExitUsage;
  }
  return sorvi_export::run_export(options);
}
