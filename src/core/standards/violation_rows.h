// The rows of the violation list: one per violation of a source listing,
// in source-line order, with procedure violations after their procedure's
// last line. In batch mode the rows also go to "<source>.vsrc.rtf".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "standards/violation_reader.h"
#include "workfiles/block_file.h"

namespace sorvi {

// Column titles, in order.
extern const char* const kViolationColumnTitles[6];

struct ViolationRow {
  int icon = 0;
  std::string cells[6];
  const Violation* violation = nullptr;
};

// The analysis name of a violation letter ("Static", "Dataflow", ...).
const char* violation_analysis_name(char letter);

// The row of one violation; false (no row) for a violation that has a
// follow-up record.
bool make_violation_row(const Violation& v, bool procedure_violation, int language, ViolationRow* row);

// Every row, in list order: for n = 0 .. source_lines, the line violations
// whose source line is n, then the procedure violations of the first
// procedure ending in the source file whose last source line is n + 1.
// `procedures` may be null when the procedures are not known.
std::vector<ViolationRow> build_violation_rows(const violation_list& line_violations,
                                               const violation_list& procedure_violations, int source_lines,
                                               const std::vector<ProcedureBlocks>* procedures, int language);

// One batch line: "%d | %d" of the row number and icon, " | %s" for each
// cell, then a line end.
std::string violation_row_line(int row_number, const ViolationRow& row);

// The batch file of a source file: its path without the extension, then
// ".vsrc.rtf".
std::string violation_rows_path(const std::string& source_path);

// The number of lines of a text file, a last line without a line end
// included; 0 when it cannot be read.
int count_source_lines(const std::string& path);

}  // namespace sorvi
