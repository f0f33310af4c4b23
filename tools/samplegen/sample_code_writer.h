// The code side of a sample module: plans its procedures, writes its
// source file and header, and records everything the work files are made
// of: the reformatted lines with their flags and flattened lines, the
// blocks of every procedure with their execution counts per run, the
// branches, the violations, the data-flow items and the UR anomalies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "samplegen/sample_set_writer.h"

namespace sorvi_sample {

struct SampleModuleOptions {
  std::string base_name;    // "demo"
  std::string source_path;  // absolute
  std::string header_path;  // absolute, in the source file's directory
  int module_number = 1;
  int language = 2;
  int procedures = 0;  // 0: from target_lines
  int target_lines = 400;
  int max_blocks = 60;
  int line_width = 0;
  uint64_t seed = 1;
  bool write_source = true;  // write the source file and header
};

// A related location (type 801) of a violation.
struct SampleRelatedLocation {
  int violation = 0;  // index into SampleModule::violations
  int procedure = 0;
  int first_line = 0;
  int place_line = 0;
  int violation_line = 0;  // 0: matched through first_line (letter D)
};

struct SampleModuleBuild {
  SampleModule module;
  // The code text of every reformatted line (what follows the number and
  // the flag character), each ended by a line end.
  std::string ref_code;
  // Per reformatted line: the index into module.blocks of the block that
  // holds it, -1 outside every procedure.
  std::vector<int> block_of_line;
  // Per block: the numbers (within the procedure) of the blocks that follow it.
  std::vector<std::vector<int>> successors;
  std::vector<SampleRelatedLocation> related;
};

// Plans and generates one module; writes its source and header when asked.
// False, with `error`, when a file cannot be written or the options cannot
// be met.
bool build_sample_module(const SampleModuleOptions& options, SampleModuleBuild& build, std::string& error);

}  // namespace sorvi_sample
