// Rows of the violation list and their batch lines.
#include <gtest/gtest.h>

#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/violation_rows.h"
#include "standards_fixture.h"

namespace {

using standards_test::pen_line;

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

sorvi::ProcedureBlocks procedure(int number, int last_source_line, bool in_file = true) {
  sorvi::ProcedureBlocks p;
  p.number = number;
  p.lastSourceLine = last_source_line;
  p.endsInSourceFile = in_file;
  return p;
}

class ViolationRowsTest : public standards_test::StandardsTest {
 protected:
  void SetUp() override {
    StandardsTest::SetUp();
    write_suite_file("c/cpen.dat", "3\n" + pen_line(1, 12, 'S', "Procedure is too long") +
                                       pen_line(2, 4, 'D', "Variable used before set") +
                                       pen_line(3, 7, 'H', "Name too short"));
    write_suite_file("c/creport.dat", "# report\n\n ----\n 12 S M x\n 4 D O x\n 7 H I x\n 2000\n ----\n");
    ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
    ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, nullptr, nullptr), 0);
  }
};

TEST_F(ViolationRowsTest, RowsFollowSourceLinesWithProcedureViolationsAfterTheirLastLine) {
  sorvi::violation_list lines = {violation(0, 12, 'S'), violation(3, 4, 'D', 0, "x used"), violation(3, 99, 'Z'),
                                 violation(5, 7, 'H')};
  sorvi::violation_list procs = {violation(0, 12, 'S', 1), violation(0, 7, 'H', 2)};
  lines[3].has_follow_up = true;  // stands for another record: no row
  std::vector<sorvi::ProcedureBlocks> table = {procedure(1, 4), procedure(2, 6, false), procedure(2, 9)};
  std::vector<sorvi::ViolationRow> rows = sorvi::build_violation_rows(lines, procs, 10, &table, 2);
  ASSERT_EQ(rows.size(), 5u);
  std::string batch;
  for (size_t i = 0; i < rows.size(); ++i) batch += sorvi::violation_row_line(static_cast<int>(i), rows[i]);
  EXPECT_EQ(batch,
            "0 | 5 | Mandatory Line Violation | 12 S | Static | Procedure is too long | 0 | \n"
            "1 | 6 | Optional Line Violation | 4 D | Dataflow | Variable used before set: x used | 3 | \n"
            "2 | 4 | Line Violation | 99 Z | User Defined | Unknown Penalty | 3 | \n"
            "3 | 1 | Mandatory Procedure Violation | 12 S | Static | Procedure is too long | 0 | \n"
            "4 | 0 | Procedure Violation | 7 H | User Defined Naming | Name too short | 0 | \n");
}

TEST_F(ViolationRowsTest, ExcludedFilePlaceholderAndUnknownProcedures) {
  sorvi::Violation placeholder = violation(1, 1, 'S');
  placeholder.excluded_mark = -1;
  sorvi::violation_list lines = {placeholder};
  sorvi::violation_list procs = {violation(0, 12, 'S', 4)};
  std::vector<sorvi::ViolationRow> rows = sorvi::build_violation_rows(lines, procs, 3, nullptr, 2);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(sorvi::violation_row_line(0, rows[0]), "0 | 0 |  |  |  | Violations excluded for this file |  | \n");
}

TEST_F(ViolationRowsTest, NamesAndCounting) {
  EXPECT_STREQ(sorvi::violation_analysis_name('x'), "Cross Reference");
  EXPECT_STREQ(sorvi::violation_analysis_name('Q'), "Violation");
  EXPECT_EQ(sorvi::violation_rows_path("/src/demo.c"), "/src/demo.vsrc.rtf");
  EXPECT_EQ(sorvi::violation_rows_path("/src.d/demo"), "/src.d/demo.vsrc.rtf");
  sorvi_test::write_file(dir() + "/three.c", "a\n\nc");
  EXPECT_EQ(sorvi::count_source_lines(dir() + "/three.c"), 3);
  sorvi_test::write_file(dir() + "/two.c", "a\nb\n");
  EXPECT_EQ(sorvi::count_source_lines(dir() + "/two.c"), 2);
  EXPECT_EQ(sorvi::count_source_lines(dir() + "/none.c"), 0);
}

}  // namespace
