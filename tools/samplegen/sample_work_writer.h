// The work files of a sample module, written from what the code writer
// recorded: ".ref", ".xtx", ".ndx", ".smi", ".blk", ".stb", ".pol" and its
// history, ".sf1", ".sif", ".pf1", ".sf3", the counts of single test cases,
// the module registry "staticid.dat", and the module's GLH file.
//
// Record lines of ".sf1", ".sif", ".pf1" and ".sf3" start with three
// 4-character fields (module, procedure, record type); the columns below
// count from 1:
//   106  cols 13-45 statistics ("%5d%7d %-20s"), from col 46 the quoted
//        source path
//   124  col 26 the kind letter, 27-35 first line, 36-44 last line,
//        45-49 procedure number, 50-54 cyclomatic complexity, 55- name
//   118  "%6d%6d %8d %8d %s": procedure, blocks, main start, first line, name
//   101  cols 13-24 sequence and 0, 25-31 line (0: none), 32-38 flattened
//        line, 39-45 0, 46-52 standard, a blank and the letter, a
//        3-character text switch, then the analysis text
//   801  cols 13-24 as 101, 25-32 first line, then " %d %d %d %d %d %d %d %c":
//        place module (0), 1, place line, 0, 0, violation line, standard,
//        letter
//   804  cols 13-24 as 101, 25-31 line, then " %d %c %d": standard, letter, 1
//   312  cols 13-24 as 101, W + 1 characters of block number, 2 of kind
//        (1 last definition, 2 first use), 4 of variable number, the name
//   316  cols 13-24 two integers, 7 characters of undefined line, 7 of
//        referenced line (negative: negated), then "%3d %s" length and name
#pragma once

#include <string>
#include <vector>

#include "samplegen/sample_code_writer.h"

namespace sorvi_sample {

struct SampleRegistryRecord {
  std::string base_name;
  int checksum = 0;
  int language = 0;
};
// "staticid.dat": one record per module, the module number first. The
// checksums are the registry's own (sorvi::name_checksum).
bool write_sample_registry(const std::string& path, const std::vector<SampleRegistryRecord>& records);

// Writes the module's work files that `files` asks for into `work_dir`
// (with a trailing "/"), adding their paths to module.files.
bool write_sample_work_files(SampleModuleBuild& build, const std::string& work_dir, unsigned files, std::string& error);

// A counts file in the ".pol" layout holding the sum of runs first..last
// (from 0).
bool write_sample_counts(const SampleModuleBuild& build, const std::string& path, int first_run, int last_run);

// Executable lines and branches one run reaches.
struct SampleRunCoverage {
  long long lines = 0;
  long long branches = 0;
};
SampleRunCoverage sample_run_coverage(const SampleModuleBuild& build, int run);

// The module's GLH file: the GLQ repository with the C and C++ penalty
// catalogues and model descriptions, copies of the work files that exist
// (some stored line by line, some in chunks), the registry's copy, and the
// test cases' counts under "$$SEQUENCE$$<sequence>" when their files exist.
struct SampleGlhInputs {
  std::string glh_path;
  std::string work_dir;
  std::string registry_path;  // empty: none
  std::string sequence;
  std::vector<std::string> test_case_files;  // the counts of test case 1, 2, ...
};
bool write_sample_glh(SampleModuleBuild& build, const SampleGlhInputs& inputs, std::string& error);

}  // namespace sorvi_sample
