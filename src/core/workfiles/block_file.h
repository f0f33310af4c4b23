// The block file (".blk") of an analysed module: its procedures and, for
// each, the blocks the analysis split it into, with their reformatted
// lines; and the line-number width W of the module's work files.
//
// File layout (every number a fixed-width field read as Readfixedint reads
// it: exactly w characters, a blank counting as 0):
//   two header lines (skipped);
//   per procedure, the k-th entry (from 1) describing procedure number k:
//     the name length n (5 characters) directly followed by the n
//       characters of the name; the rest of the line is skipped;
//     the block count N (5 characters), then two flag characters separated
//       by white space: "T" or "t" in the first when the procedure has a
//       dummy start node, in the second when it has a dummy exit node; the
//       rest of the line is skipped;
//     N block lines of six fields of W characters: a, b, start line, end
//       line, e, f; the rest of each line is skipped;
//     then ceil(A/16) and ceil(B/16) further lines, skipped, where A is the
//       greatest a+e-1 and B the greatest b+f-1 over the blocks (no lines
//       when the value is below 1).
//   The end of the file ends the list.
//
// The reformatted file (".ref") holds one line per reformatted line: the
// line number (W characters, right-aligned), in whole-file mode a flag
// character, then the code text. W is found from the ".ref" file's first
// line and kept for the process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sorvi {

// One block of a procedure.
struct BlockSpan {
  int startLine = -1;  // reformatted lines, -1 until read
  int endLine = -1;
  // 1 when read; cleared by the ".stb" reader (coverage_counts.h) for a
  // block none of whose lines is marked executable.
  bool instrumented = true;
  // 1 when read; recomputed by every annotated walk.
  bool allBranchesTaken = true;
};

// One procedure of the block file.
struct ProcedureBlocks {
  std::string name;
  int number = 0;      // its position in the block file, from 1
  int blockCount = 0;  // entries in `blocks`
  bool hasDummyStart = false;
  bool hasDummyExit = false;
  // End line of the last real block: block N-1, or N-2 with a dummy exit
  // node; -1 when there is no such block.
  int lastLine = -1;
  // Listing mode only (fill_procedure_source_lines): the original line of
  // lastLine, and whether its file is the listed source file.
  int lastSourceLine = 0;
  bool endsInSourceFile = false;
  std::vector<BlockSpan> blocks;
};

// ---- the line-number width W ----------------------------------------------

// The process's line-number width: 6 until a ".ref" file gives another.
int line_number_width();
void set_line_number_width(int width);
// Back to 6 (tests start clean with it).
void reset_line_number_width();

// Reads characters from the start of the stream while they are spaces; when
// the first other character is "1", W becomes the number of spaces plus 1;
// otherwise W stays as it was. Returns W.
int detect_line_number_width(FILE* ref_stream);
// The same for a ".ref" file, opened through the work-file opener in
// plain-file-first mode (repository and GLH file may be null). W stays as
// it was when nothing opens.
int detect_line_number_width(const char* ref_path, const char* glh_file, const char* repository_name);

// ---- reading the block file -------------------------------------------------

// Results of read_block_file.
constexpr int kBlockFileRead = 0;
constexpr int kBlockFileNotOpened = 1;  // no ".blk" on disk or in the repository
constexpr int kBlockFileReadError = 2;  // a damaged entry (the end of the file inside it, a negative count)
constexpr int kBlockFileNoMemory = 14;

// Reads "<stem>.blk" (a relative stem is placed in the work directory),
// opened through the work-file opener in repository-first mode with the
// module's GLH file and repository name (either may be null).
//   procedure - below 1: every procedure is kept (whole-file mode);
//               otherwise only the entry of that procedure number.
// On success `procedures` holds the entries in file order (in procedure
// mode, the one entry or none when the file has no such procedure). On any
// failure it is left empty: a read error or a memory shortage keeps none of
// the entries read so far. Fields are read with W as it stands.
// Records grow only as entries are actually read, so a damaged count
// cannot make the reader allocate more than the file holds.
int read_block_file(const char* stem, const char* glh_file, const char* repository_name, int procedure,
                    std::vector<ProcedureBlocks>& procedures);

// The same from an open stream, positioned at the start of the file.
int read_block_file(FILE* stream, int procedure, std::vector<ProcedureBlocks>& procedures);

// Listing mode: sets each procedure's lastSourceLine to the original line of
// its lastLine and endsInSourceFile when that line's file is `source_path`
// (compared without regard to case), through the index of `module_number`
// loaded in the current work directory (index_file.h). Procedures whose
// lastLine maps to no file keep 0 and false.
void fill_procedure_source_lines(std::vector<ProcedureBlocks>& procedures, int module_number,
                                 const char* source_path);

}  // namespace sorvi
