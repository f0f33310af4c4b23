// Result list files: the table, the date check and the refusals.
#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "support/test_support.h"
#include "workfiles/result_list.h"

namespace {

// List text after the document line ("@" stands for the document's date)
// -> "valid | titles | rows". The text document "report.txt" exists.
TEST(ResultListTest, ListsAsDumped) {
  sorvi_test::reset_core_state();
  sorvi_test::TempDir dir;
  const std::string report = dir.file("report.txt"), list = dir.file("r.tci");
  sorvi_test::write_file(report, "*  Test Case 1 : passed\n");
  const std::string date = std::to_string(sorvi::file_date(report, false));
  const std::pair<std::string, std::string> rows[] = {
      {"-10\r\n2\r\n2\r\nCase\r\nResult\r\n1\r\npass\r\n2\r\nfail\r\n", "1 | Case Result | 1 pass, 2 fail,"},
      {date + "\n1\n1\nCase\n1\n", "1 | Case | 1,"},
      {std::to_string(std::stoll(date) - 5) + "\n1\n1\nCase\n1\n", "0 | |"},  // another date
      // Missing lines and empty or overlarge tables are refused.
      {"-10\n2\n2\nCase\nResult\n1\npass\n2\n", "0 | Case Result | 1 pass,"},
      {"-10\n0\n2\nA\nB\n", "0 | |"},
      {"-10\n3\n", "0 | |"},
      {"-10\n99999999\n99999999\n", "0 | |"},
  };
  for (const auto& row : rows) {
    sorvi_test::write_file(list, report + "\n" + row.first);
    const sorvi::ResultList r = sorvi::read_result_list(list);
    std::string dump = std::to_string(r.valid) + " |";
    for (const std::string& title : r.titles) dump += " " + title;
    dump += " |";
    for (const auto& cells : r.cells) {
      for (const std::string& cell : cells) dump += " " + cell;
      dump += ",";
    }
    EXPECT_EQ(dump, row.second) << row.first;
  }
  EXPECT_EQ(sorvi::result_list_title(sorvi::read_result_list(list)), "report.txt");
  EXPECT_EQ(sorvi::test_case_search_text("1"), "*  Test Case 1 :");
  // A missing list, a list without its document or naming a missing one is refused.
  EXPECT_FALSE(sorvi::read_result_list(dir.file("absent.tci")).valid);
  sorvi_test::write_file(list, "\n-10\n1\n1\nCase\n1\n");
  const sorvi::ResultList no_document = sorvi::read_result_list(list);  // never shown, but its table is read
  EXPECT_EQ(std::to_string(no_document.valid) + " " + std::to_string(no_document.cells.size()), "0 1");
  sorvi_test::write_file(list, dir.file("gone.txt") + "\n-10\n1\n1\nCase\n1\n");
  EXPECT_FALSE(sorvi::read_result_list(list).valid);
  EXPECT_EQ(sorvi::result_list_refusal("/w/r.tci"), "Unable to open document\n/w/r.tci");
}

}  // namespace
