// Writes a sample analysis set: what the Kelvar suite would leave behind
// after analysing one or more synthetic C or C++ modules, so that Sorvi's
// tests, its demonstration and its benchmarks have realistic inputs.
//
// Layout below the output directory:
//   Kelvar.ini                  the suite profile (KELVAR points here)
//   src/<name>.c, <name>.h      the modules' source and header
//   work/                       WORKDIR: staticid.dat, the work files of each
//                               module ("<stem>.ref", ".xtx", ".ndx", ".smi",
//                               ".blk", ".stb", ".pol", ".pol.001" to
//                               ".pol.003", ".sf1", ".sif", ".pf1", ".sf3")
//                               and its GLH file "<stem>.glh"
//   tests/                      the test sequence's results: per test case
//                               "<stem>_tc<N>.pol", "<sequence>.tci" and the
//                               text report "<sequence>_report.txt"
//   suite/                      KELV: "c/cpen.dat", "c/creport.dat",
//                               "cpp/cpppen.dat", "cpp/cppreport.dat", the
//                               standards help pages
//   perm/                       PERMDIR
//
// The module stem is "<base name>_<module number>" (the module number is
// the position in staticid.dat). Every file agrees with the others: the
// reformatted lines, block spans, executable flags, counts, index tables,
// violation lines and procedure numbers.
//
// Three test runs are simulated; test case N is run N. ".pol" holds the
// combined counts of all three, ".pol.00N" the combined counts after run N
// (so ".pol.003" equals ".pol", and combined minus ".pol.002" is the last
// run), "<stem>_tc<N>.pol" the counts of run N alone.
//
// Procedure 1 is always "main". It is the first record of the block file
// and of the procedure list, but stands last in the text; its first block
// starts on the line after the procedure before it (where Sorvi places it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvi_sample {

// Which files a set holds (bits of SampleSetOptions::files).
enum SampleFiles : unsigned {
  kSampleSource = 1u << 0,      // the source file and header of each module
  kSampleRegistry = 1u << 1,    // staticid.dat
  kSampleRef = 1u << 2,         // .ref
  kSampleIndex = 1u << 3,       // .ndx and .smi
  kSampleBlocks = 1u << 4,      // .blk
  kSampleFlags = 1u << 5,       // .stb
  kSampleCounts = 1u << 6,      // .pol, .pol.001 to .pol.003
  kSampleProcedures = 1u << 7,  // .sf1
  kSampleViolations = 1u << 8,  // .sif and .pf1
  kSampleDataflow = 1u << 9,    // .sf3
  kSampleTestCases = 1u << 10,  // tests/: per test case counts, .tci list and report
  kSampleSuite = 1u << 11,      // pen.dat, report.dat, standards help pages
  kSampleProfile = 1u << 12,    // Kelvar.ini
  kSampleGlh = 1u << 13,        // <stem>.glh
  kSampleProcedureCode = 1u << 14,  // .xtx, the procedure code
  kSampleAllFiles = (1u << 15) - 1,
};

// The names the tool accepts for the bits above ("source", "registry",
// "ref", "index", "blocks", "flags", "counts", "procedures", "violations",
// "dataflow", "testcases", "suite", "profile", "glh", "xtx"), and "all". A list is
// separated by commas; a name with a leading "-" removes its bit. False
// (with `bad` naming the word) for an unknown name.
bool parse_sample_files(const std::string& list, unsigned& files, std::string& bad);

struct SampleSetOptions {
  std::string output_dir;
  uint64_t seed = 1;
  int modules = 1;         // 1 .. 1000
  int language = 2;        // 2 C or 6 C++
  int procedures = 0;      // per module, main included (1 .. 9999); 0: from target_lines
  int target_lines = 400;  // reformatted lines per module, about (10 .. 5,000,000)
  int max_blocks = 60;     // blocks per procedure at most (8 .. 999)
  int line_width = 0;      // W of the reformatted file; 0: 6, or wider when needed
  unsigned files = kSampleAllFiles;
  std::string sequence = "nightly";  // the test sequence (Seq=)
};

constexpr int kSampleRuns = 3;

struct SampleProcedure {
  std::string name;
  int number = 0;       // 1 is main
  char kind = 'P';      // the .sf1 kind letter: "Y" for main, "P" otherwise
  int first_line = 0;   // reformatted line of its definition
  int last_line = 0;    // reformatted line of its closing brace
  int first_block = 0;  // index into SampleModule::blocks
  int block_count = 0;  // dummy nodes included
  bool dummy_start = false;
  bool dummy_exit = false;
  int decisions = 0;  // branching statements
  int ref_lines = 0;  // last_line - first_line + 1
};

struct SampleBlock {
  int procedure = 0;   // procedure number
  int number = 0;      // within its procedure, from 1
  int start_line = 0;  // reformatted lines
  int end_line = 0;
  bool dummy = false;
  bool instrumented = false;  // holds an executable line
  // Executions per run; 0 for dummy nodes and for blocks without an
  // executable line (the count files cannot say more of them).
  long long runs[kSampleRuns] = {};
  long long combined = 0;  // their sum
};

struct SampleBranch {
  int from = 0;  // reformatted line of the decision
  int to = 0;    // first line of the block it leads to
  long long runs[kSampleRuns] = {};
  long long combined = 0;
};

struct SampleViolation {
  std::string file;        // ".sif" or ".pf1"
  int line = 0;            // the line field as written: 0 for none
  bool flattened = false;  // `line` is a flattened line ("s" standards)
  int ref_line = 0;        // the reformatted line it belongs to (0 for none)
  int procedure = 0;       // 0 for none
  int standard = 0;
  char letter = 'S';
  bool has_text = false;   // the record's text switch is 1
  std::string text;        // the analysis text
  int related = 0;         // type 801 records written for it
  bool follow_up = false;  // a type 804 record follows it
};

struct SampleDataflowItem {
  int procedure = 0;
  int block = 0;     // within the procedure, from 1
  int kind = 0;      // 1 last definition, 2 first use
  int variable = 0;  // index into SampleModule::variables
};

struct SampleUrAnomaly {
  int procedure = 0;
  int undefined_line = 0;   // reformatted lines
  int referenced_line = 0;  // written negative when negated
  bool negated = false;     // the variable is defined on some paths only
  std::string name;
};

struct SampleModule {
  std::string base_name;    // "demo"
  std::string stem;         // "demo_1"
  std::string source_path;  // absolute
  std::string header_path;  // absolute
  int module_number = 0;
  int language = 2;
  int checksum = 0;    // the registry's name checksum of source_path
  int line_width = 6;  // W

  int ref_lines = 0;      // lines of the .ref file, its five header lines included
  int source_lines = 0;   // lines of the source file
  int header_lines = 0;   // lines of the header
  int include_start = 0;  // flattened lines the header occupies
  int include_end = 0;
  // The .ndx table: entry i is the flattened line of reformatted line i + 1
  // (0 for the five header lines).
  std::vector<int> line_table;
  // The flag character of every reformatted line (index i: line i + 1):
  // "T" executable, "F" not, " " for the header lines.
  std::string ref_flags;
  int executable_lines = 0;

  std::vector<SampleProcedure> procedures;  // in text order (main last)
  std::vector<SampleBlock> blocks;          // in text order, dummy nodes included
  std::vector<SampleBranch> branches;       // ascending by `from`, then `to`

  std::vector<SampleViolation> violations;  // in file order, .sif first
  int sif_records = 0;                      // type 101 records of .sif
  int pf1_records = 0;                      // type 101 records of .pf1
  int line_violations = 0;                  // with a line
  int procedure_violations = 0;             // line 0 with a procedure
  int file_violations = 0;                  // line 0 without a procedure
  int related_records = 0;                  // type 801
  int follow_up_records = 0;                // type 804

  std::vector<std::string> variables;        // names used by the data-flow items
  std::vector<SampleDataflowItem> dataflow;  // in .sf3 order
  int first_uses = 0;
  int last_definitions = 0;
  std::vector<SampleUrAnomaly> ur_anomalies;  // in .sf3 order

  std::vector<std::string> glh_documents;  // work files copied into the GLH file
  std::vector<std::string> files;          // every file written for the module
};

struct SampleTestCase {
  int number = 0;
  std::string name;
  std::string result;        // "PASS" or "FAIL"
  long long statements = 0;  // executable lines run, all modules
  long long statements_total = 0;
  long long branches = 0;  // branches taken, all modules
  long long branches_total = 0;
};

struct SampleSetSummary {
  bool ok = false;
  std::string error;  // why it failed

  std::string root;          // the output directory, absolute, with a trailing "/"
  std::string profile_path;  // Kelvar.ini
  std::string suite_dir;     // each directory with a trailing "/"
  std::string work_dir;
  std::string source_dir;
  std::string tests_dir;
  std::string perm_dir;
  std::string sequence;
  std::string tci_path;
  std::string report_path;

  int c_standards = 0;    // entries of c/cpen.dat
  int cpp_standards = 0;  // entries of cpp/cpppen.dat
  std::vector<SampleModule> modules;
  std::vector<SampleTestCase> test_cases;
  double seconds = 0;
};

SampleSetSummary write_sample_set(const SampleSetOptions& options);

// The summary as text: paths, counts per module, and how to open the set.
std::string describe_sample_set(const SampleSetSummary& summary);

}  // namespace sorvi_sample
