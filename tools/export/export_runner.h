// Runs an export: finds the modules, exports each in worker processes (so
// that a module whose work files end the core's reading ends only its
// worker, and -j N modules run at a time), merges their results and writes
// the output under a temporary name that is renamed only when complete.
#pragma once

#include <string>
#include <vector>

#include "export/export_options.h"

namespace sorvi_export {

// Exit statuses.
constexpr int kExitAllExported = 0;
constexpr int kExitSomeSkipped = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNothingWritten = 3;

// The work-file stems (with their directory) to export: the named work
// files with their extensions removed, relative ones in the work
// directory; without names, every module of the registry there. Empty with
// `error` set when the registry cannot be read.
std::vector<std::string> export_stems(const ExportOptions& options, std::string& error);

// Runs the whole export; messages go to standard error. Returns the exit
// status.
int run_export(const ExportOptions& options);

}  // namespace sorvi_export
