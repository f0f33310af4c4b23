// The index file (".ndx") of an analysed module and the mapping of
// reformatted lines back to original files and lines.
//
// The suite shows a source file reformatted and with its includes laid out
// in place (the "flattened" numbering), after five header lines. The index
// file records, for each reformatted line, the flattened line it came from,
// and where each included file starts and ends in the flattened numbering.
//
// File layout (a stream of lines and whitespace-separated integers):
//   line 1  the source file name (quoted, or up to the first blank)
//   line 2  first header text  (first 30 characters kept)
//   line 3  second header text (first 30 characters kept)
//   m       number of include records (rest of its line skipped)
//   m x     start end N <blank> N characters of path (rest of line skipped)
//   n       number of table entries, then n flattened lines, one for each
//           reformatted line from 1 (the five header lines included)
//
// Loaded index records are kept for the process in one list, newest first;
// a record is found again by its module number and the work directory it
// was loaded in.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "base/dynamic_string.h"
#include "base/large_array.h"

namespace sorvi {

// Status results of read_index_file.
constexpr int kIndexLoaded = 0;
constexpr int kIndexNotOpened = 1;   // nothing opened, or an empty source name
constexpr int kIndexFormatError = 2;  // the record is not kept

// The end line of the main file's limits.
constexpr int kMainFileEnd = 2147483647;
// Header texts keep at most this many characters.
constexpr size_t kIndexHeaderMax = 30;
// The reverse table holds flattened lines up to this one; a damaged file
// cannot make it larger. Lines beyond it are found by scanning line_table.
constexpr int kMaxReverseLine = 1 << 24;

// The flattened lines one source file contributes.
struct FileLimits {
  int start = 1;            // first flattened line (1 for the main file)
  int end = kMainFileEnd;   // last flattened line
  int depth = 0;            // nesting depth
  int sequence = 0;         // order of creation, from 0
  int bare = 0;             // 1: nested, and neither start nor end occurs in line_table
  std::string file_name;    // the file's path
  int is_file = 0;          // 1: the path names an existing regular file
};

struct IndexRecord {
  int module_number = 0;
  DynamicString work_directory;  // the work directory at load time
  std::string header1;           // at most 30 characters
  std::string header2;
  // Entry i is the flattened line of reformatted line i + 1; n entries from
  // the file, then five copies of the last one.
  large_vector<int> line_table;
  // Entry v is the reformatted line that starts flattened line v (0..max_line,
  // at most 0..kMaxReverseLine).
  large_vector<int> reverse_table;
  int n = 0;         // entries read into line_table
  int max_line = 0;  // the largest flattened line in line_table
  std::vector<FileLimits> file_limits;  // the main file first, then kept includes in file order
  std::vector<int> include_starts;      // start lines of every include record listed
  int include_start_count = 0;
  std::vector<int> sorted_include_starts;  // include_starts ascending, without repeats (for lookups)

  // The main file's path ("" when the record has no limits).
  const std::string& main_file() const;
};

// Loads the index of a source file.
//   source_name   - the analysed source file; its path is also the
//                   repository name of the module's work files in the GLH file;
//   stem          - the module's work-file stem, or null: "<base>_<module>"
//                   for a module number of 1 or more, else the registry's
//                   stem (retrieve_workname_stem, with messages). A relative
//                   stem is placed in the work directory, an absolute one
//                   is used as it is;
//   module_number - the module number, or 0 or less to take it from the
//                   registry for the name in the file's first line;
//   glh_file      - the GLH file, or null for "<stem>.glh".
// Include records are kept when the module's source map "<stem>.smi"
// (plain or in the GLH file) lists them, or, without a source map, when
// their paths name existing files. Status 0, 1 or 2 (kIndexLoaded,
// kIndexNotOpened, kIndexFormatError) goes to `status`, the opener's two
// codes to the other outs (each may be null). On success the record goes to
// the front of the process's list and is returned; otherwise null.
IndexRecord* read_index_file(const char* source_name, const char* stem, int module_number, const char* glh_file,
                             int* status, int* file_status = nullptr, int* repository_status = nullptr);

// The loaded records, newest first.
const std::list<IndexRecord>& index_records();
// The newest record of the module loaded in the current work directory, or null.
IndexRecord* find_index_record(int module_number);
// Removes the record from the list and frees it (a null or unknown pointer
// is ignored). Its owner (the document that loaded it) calls this when done.
void free_index_record(IndexRecord* record);
// Frees every record and forgets the cached source map (tests start clean with it).
void reset_index_records();

// ---- mapping through one record -------------------------------------------

// The flattened line of reformatted line R: 0 for R < 1, R > n + 5 and the
// header lines 1-5; else its table entry, where an entry of 0 gives 1 for
// R = 6 and the entry of R + 1 otherwise.
int flattened_line(const IndexRecord& record, int reformatted_line);

// How many times in a row flattened line v, an include start, has begun at
// reformatted line R (tells apart includes that start on one line); 0 when
// v is not an include start or R is outside 6..n + 5.
int occurrence_count(const IndexRecord& record, int reformatted_line, int flattened);

// The limits record of the file that holds flattened line v (the smallest
// range that holds it, a later record winning a tie), or null.
const FileLimits* containing_file(const IndexRecord& record, int flattened, int occurrence);

// The line of file F that flattened line v is: v - F.start + 1 less the
// lengths (end - start) of the files directly nested in F that end before v.
int original_line_in(const IndexRecord& record, const FileLimits& file, int flattened);

// The reformatted line of flattened line v: the reverse table's entry when
// positive, else the last table entry equal to v, or the entry before the
// first larger one (0 when there is none).
int reformatted_line_of(const IndexRecord& record, int flattened);

// ---- mapping by module number ------------------------------------------------

// Maps reformatted line R of a module to its original file and line. The
// outs (each may be null) get the original line (0 when the line is
// unknown: a header line or beyond the table), the file's path, its
// directory and whether it is an existing file. Returns the file's nesting
// depth, or -1 when the module has no index in the current work directory
// or no file holds the line; with `report` both send an error block to
// channel B.
int get_original_line_and_file(int reformatted_line, int module_number, int* original_line, std::string* file_path,
                               std::string* directory, bool report, int* is_file);

// The original line only: 0 for an unknown line among the header lines,
// 1 for any other unknown line.
int original_line_of(int reformatted_line, int module_number);

// The path of the file that holds the line (or its file name part without
// `full_path`), or "File not found".
std::string original_file_of(int reformatted_line, int module_number, bool full_path);

}  // namespace sorvi
