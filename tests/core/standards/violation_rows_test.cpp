// Rows of the violation list and their batch lines (the rows' file name and
// line count are covered by the batch golden "demo.vsrc.rtf").
#include "standards/violation_rows.h"

#include <gtest/gtest.h>

#include "standards_fixture.h"

namespace {

using standards_test::pen_line;
using ViolationRowsTest = standards_test::StandardsTest;

sorvi::Violation violation(int source_line, int number, char letter, int procedure = 0, const char* main = nullptr) {
  sorvi::Violation v;
  v.line = source_line + 10;
  v.source_line = source_line;
  v.standard_number = number;
  v.letter = letter;
  v.procedure_number = procedure;
  if (main) v.main_text = std::string(main);
  return v;
}


// The batch lines of the rows: line violations in source-line order, each procedure's after its last line.
TEST_F(ViolationRowsTest, BatchLines) {
  write_suite_file("c/cpen.dat", "3\n" + pen_line(1, 12, 'S', "Procedure is too long") +
                                     pen_line(2, 4, 'D', "Variable used before set") +
                                     pen_line(3, 7, 'H', "Name too short"));
  write_suite_file("c/creport.dat", "# report\n\n ----\n 12 S M x\n 4 D O x\n 7 H I x\n 2000\n ----\n");
  ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
  ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, nullptr, nullptr), 0);
  auto batch = [](const std::vector<sorvi::ViolationRow>& rows) {
    std::string out;
    for (size_t i = 0; i < rows.size(); ++i) out += sorvi::violation_row_line(static_cast<int>(i), rows[i]);
    return out;
  };
  sorvi::violation_list lines = {violation(0, 12, 'S'), violation(3, 4, 'D', 0, "x used"), violation(3, 99, 'Z'),
                                 violation(5, 7, 'H')};
  lines[3].has_follow_up = true;  // stands for another record: no row
  // Procedure 2's first record ends in another file.
  std::vector<sorvi::ProcedureBlocks> table(3);
  for (auto [i, number, last] : {std::tuple<int, int, int>{0, 1, 4}, {1, 2, 6}, {2, 2, 9}}) {
    table[i].number = number;
    table[i].lastSourceLine = last;
    table[i].endsInSourceFile = i != 1;
  }
  const sorvi::violation_list procedures = {violation(0, 12, 'S', 1), violation(0, 7, 'H', 2)};
  EXPECT_EQ(batch(sorvi::build_violation_rows(lines, procedures, 10, &table, 2)),
            "0 | 5 | Mandatory Line Violation | 12 S | Static | Procedure is too long | 0 | \n"
            "1 | 6 | Optional Line Violation | 4 D | Dataflow | Variable used before set: x used | 3 | \n"
            "2 | 4 | Line Violation | 99 Z | User Defined | Unknown Penalty | 3 | \n"
            "3 | 1 | Mandatory Procedure Violation | 12 S | Static | Procedure is too long | 0 | \n"
            "4 | 0 | Procedure Violation | 7 H | User Defined Naming | Name too short | 0 | \n");
  // An excluded file's placeholder; a procedure violation without a known procedure gives no row.
  lines = {violation(1, 1, 'S')};
  lines[0].excluded_mark = -1;
  EXPECT_EQ(batch(sorvi::build_violation_rows(lines, {violation(0, 12, 'S', 4)}, 3, nullptr, 2)),
            "0 | 0 |  |  |  | Violations excluded for this file |  | \n");
}

}  // namespace
