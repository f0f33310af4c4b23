// The annotation context: one per annotated document. It holds the
// document's effective annotation switches and, once a generation has
// needed them, the analysis data of the file (blocks, counts, violations,
// data flow, the original-line index).
#pragma once

#include <string>
#include <vector>

#include "standards/violation_reader.h"
#include "workfiles/block_file.h"
#include "workfiles/coverage_counts.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"

namespace sorvi {

struct HeadingSwitches;

// The annotation switches as resolved from the options and the profile.
struct AnnotationSettings {
  bool blocks = false;       // BLOCKS: block and procedure rules
  bool lineNums = false;     // LINENUMS: "Ref" column
  bool sourceLines = false;  // SOURCE_LINES: "Src" column
  bool procNums = false;     // PROCNUMS: "Proc" column
  bool tBlockNums = false;   // TBLOCKNUMS: "BkCnt" column
  bool blockNums = false;    // BLOCKNUMS: "Block" column
  bool exeFlag = false;      // EXEFLAG: "X" column
  bool code = false;         // CODE: the statement text
  bool coverage = false;     // COVERAGE: coverage notes
  bool standards = false;    // STANDARDS: violation lines
  bool dataflow = false;     // DATAFLOW: data-flow notes and UR anomalies
  bool highlight = false;    // colour code lines by coverage instead of notes
};

// Bits of the Flags= value, one per switch.
constexpr int kFlagBlocks = 1;
constexpr int kFlagLineNums = 2;
constexpr int kFlagSourceLines = 4;
constexpr int kFlagProcNums = 8;
constexpr int kFlagTBlockNums = 16;
constexpr int kFlagBlockNums = 32;
constexpr int kFlagExeFlag = 64;
constexpr int kFlagCode = 128;
constexpr int kFlagCoverage = 256;
constexpr int kFlagStandards = 512;
constexpr int kFlagDataflow = 1024;

// Resolves the switches: procedure mode from the SORVI_APROC_ switches,
// otherwise a Flags value above 0 bit by bit, otherwise the SORVI_AREF_
// switches; highlighting from CoverageMode or SORVI_COVERAGE_HIGHLIGHT;
// block rules forced on for coverage notes; ViolationMode forcing STANDARDS.
AnnotationSettings ResolveAnnotationSettings(bool procedure_mode, bool coverage_mode, bool violation_mode, int flags);

// The include files of a module as the document hands them over.
using include_list = std::vector<FileLimits>;

struct AnnotationContext {
  std::string workFile;    // the file the walk reads
  std::string modelName;   // the standards model in force
  std::string xrefSet;     // the cross-reference set (may be empty)
  std::string repository;  // the GLH repository file (may be empty)
  bool listing = false;    // the original source file is shown
  bool annotated = false;
  int procedure = -1;      // below 1: the whole file
  int firstBlock = -1;     // below 1: every block
  int blockCount = -1;
  int procedureCount = 0;
  bool mainMoved = false;
  int mainStart = -1;
  std::string mainName;    // empty: "main"

  bool showBlocks = false;
  bool showRefLines = false;
  bool showSrcLines = false;
  bool showProcNums = false;
  bool showTotalBlockNums = false;
  bool showBlockNums = false;
  bool showExeFlag = false;
  bool showCode = false;
  bool showCoverage = false;
  bool showStandards = false;
  bool showDataflow = false;

  bool listingStandards = false;
  int useCurrent = 0;      // 1: current results, 0: combined
  bool highlight = false;
  bool passFail = false;

  bool blocksLoaded = false;
  bool coverageLoaded = false;
  bool violationsLoaded = false;
  bool dataflowLoaded = false;
  bool indexLoaded = false;

  IndexRecord* index = nullptr;  // owned: freed with the context
  violation_list lineViolations;
  violation_list procedureViolations;
  dataflow_list firstUses;
  dataflow_list lastDefs;
  ur_anomaly_list urAnomalies;
  std::vector<BranchRecord> branchRecords;
  std::vector<int> combinedCounts;  // empty: not loaded
  std::vector<int> currentCounts;   // empty: not loaded
  std::vector<ProcedureBlocks> procedures;
  std::string repositoryKey;  // the source file's key in the repository
  std::string sourcePath;     // the listed source file (listing mode)
  include_list includeList;
  bool ndxIncludes = false;
  int language = 0;
  int testCase = 0;
  std::string seq;
  std::string seqWork;
};

// Creates the context of a document.
//   document_path   - the document's file; a document of the violations
//                     kind (opened on ".sf1") walks "<stem>.sif" instead;
//   procedure       - the procedure shown alone, below 1 for the whole file;
//   first_block     - in procedure mode the first block shown (below 1: all);
//   repository_key  - the source file's key in the GLH repository;
//   source_path     - the listed source file; empty: no listing;
//   includes        - the module's include list (may be null);
//   flags           - the Flags= value; 0 or below: none.
// The line-number width is detected again from the ".ref" file. Null when
// the work file name is empty or memory runs out.
AnnotationContext* CreateAnnotationContext(const std::string& document_path, int procedure, int first_block,
                                           const std::string& repository_key, const std::string& source_path,
                                           const include_list* includes, bool violations_kind, bool vmode,
                                           bool coverage_mode, bool violation_mode, bool ndx_includes,
                                           const std::string& repository, int flags, bool coverage_pass_fail);

// Stores the language, the cross-reference set when given, and, for a test
// case above 0, its number and its sequence and result directory when given.
void SetRunOptions(AnnotationContext* context, int language, const char* xref_set, int test_case, const char* seq,
                   const char* seq_work);

// Releases the context with everything it holds, its index included.
void FreeAnnotationContext(AnnotationContext* context);

// The column heading switches of a context (for ColumnHeading).
HeadingSwitches heading_switches(const AnnotationContext& context);

// Adds the index's include records (all but the main file's) that the list
// does not hold yet.
void merge_includes(include_list& includes, const IndexRecord& index);

// The document's work-file stem: `workFile` without its extension.
std::string context_stem(const AnnotationContext& context);

}  // namespace sorvi
