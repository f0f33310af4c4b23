// Coverage data of an analysed module: which blocks hold executable lines
// (".stb"), the branches between lines (".stb"), and how often each block
// and branch ran (".pol", its numbered history, or a test case's results).
//
// Everything is read against the block table of block_file.h in one fixed
// order, the block walk: the procedures in table order and within each its
// blocks from 0, except that a procedure with a dummy start node skips
// block 0 and one with a dummy exit node is left when the walk reaches its
// last block (a skipped block keeps its `instrumented` flag and counts 0).
// The files give one entry per reformatted line 1, 2, 3 ...; the walk
// settles its current block at the first line inside the block's range
// that qualifies, or else at the block's end line, and then moves on.
//
// Count arrays hold one integer per block of every procedure of the table,
// in walk order including skipped blocks, so the running block count of the
// annotated walk indexes them. An empty array means "not loaded".
//
// File layouts (W = line_number_width()):
//   ".stb" - a header line of three W-character numbers: line characters S,
//            branches B, an unused number; S characters, 80 to a line ("T"
//            marks an executable line; a short line reads as blanks); B
//            branch records, eight to a line, each a from line and a to line
//            of W characters (a record beyond the end of its line is absent).
//   ".pol" - a header line of three W-character numbers: line counts N,
//            branch counts M, an unused number; N counts of 8 characters,
//            10 to a line; then, on new lines, M branch counts likewise. A
//            count beyond the end of its line is missing data.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "workfiles/block_file.h"

namespace sorvi {

// One branch: the line it leaves from, the line it goes to, and how often
// it was taken in all runs together and in the latest run. The branch array
// is ordered as in the file (ascending `from`) and, when loaded, ends with
// a record whose `from` and `to` are both -1.
struct BranchRecord {
  int from = -1;
  int to = -1;
  int combinedCount = 0;
  int currentCount = 0;
};

// Reads "<stem>.stb" (a relative stem is placed in the work directory) in
// repository-first mode with the module's GLH file and repository name
// (either may be null).
//   procedure  - below 1: whole-file mode; otherwise procedure mode (the
//                table then holds that one procedure);
//   procedures - the block table; each settled block's `instrumented` flag
//                becomes 1 when an executable line settled it, else 0;
//   branches   - when the flag lines were read without error, replaced by
//                the file's branch records and the end record.
// True when the file was read without error and, in whole-file mode, the
// walk visited every procedure. A missing file gives false with nothing
// changed. A line that cannot be read sends the error block "Return code
// from read_line_from_file is %d\n" "Error found reading in line from stb
// file" on channel B. When the branch array cannot be allocated the exit
// status becomes 14 and report_cannot_execute is called.
bool read_block_flags(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                      std::vector<ProcedureBlocks>& procedures, std::vector<BranchRecord>& branches);
// The same from an open stream.
bool read_block_flags(FILE* stream, int procedure, std::vector<ProcedureBlocks>& procedures,
                      std::vector<BranchRecord>& branches);

// A selected test case: its number (above 0 to select it), its result
// directory (the Seqwrk= option) and its sequence name (the Seq= option).
struct TestCaseSelection {
  int number = 0;
  std::string result_directory;
  std::string sequence;
};

// Reads the execution counts of a module.
//   Source: the selected test case's result file (open_test_case_work_file of
//   work_file_names.h, plain file first) when a test case is selected and
//   that opens; else "<stem>.pol" in repository-first mode.
//   combined - one count per block slot; a block settled by a line whose
//              count is 1 or more takes that count, others 0. Emptied on
//              failure.
//   branches - when not empty, its records take the branch counts as their
//              combined counts, in order (on success only).
//   current  - when the counts did not come from a test case, were read
//              successfully, and "<stem>.pol.002" exists (as a file or in
//              the repository): the next-to-last history file
//              "<stem>.pol.<K-1>" (".pol.001" when K is 1) is read the same
//              way and each slot is combined minus history (negative
//              differences kept); each branch's current count likewise.
//              Empty otherwise, and emptied when the history read fails.
// True when the combined counts were read without error and, in whole-file
// mode, the walk visited every procedure.
bool read_execution_counts(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                           const std::vector<ProcedureBlocks>& procedures, const TestCaseSelection& test_case,
                           std::vector<BranchRecord>& branches, std::vector<int>& combined,
                           std::vector<int>& current);

// One count file read from an open stream: the per-slot counts and the
// branch counts (M of them; read only when `read_branch_counts`). True on
// success as above.
bool read_count_file(FILE* stream, int procedure, const std::vector<ProcedureBlocks>& procedures,
                     bool read_branch_counts, std::vector<int>& slots, std::vector<int>& branch_counts);

// The number of count slots of a block table (its blocks, all procedures).
size_t count_slot_total(const std::vector<ProcedureBlocks>& procedures);

}  // namespace sorvi
