// Result list files: the table, the date check and the refusals.
#include <gtest/gtest.h>

#include "base/file_utils.h"
#include "support/test_support.h"
#include "workfiles/result_list.h"

namespace {

using sorvi_test::TempDir;
using sorvi_test::write_file;

class ResultListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_test::reset_core_state();
    write_file(dir_.file("report.txt"), "*  Test Case 1 : passed\n");
  }
  std::string list(const std::string& date, const std::string& rest) {
    const std::string path = dir_.file("r.tci");
    write_file(path, dir_.file("report.txt") + "\n" + date + "\n" + rest);
    return path;
  }
  TempDir dir_;
};

TEST_F(ResultListTest, AnyDateReadsTheWholeTable) {
  sorvi::ResultList r = sorvi::read_result_list(list("-10", "2\r\n2\r\nCase\r\nResult\r\n1\r\npass\r\n2\r\nfail\r\n"));
  ASSERT_TRUE(r.valid);
  EXPECT_EQ(r.titles, (std::vector<std::string>{"Case", "Result"}));
  ASSERT_EQ(r.cells.size(), 2u);
  EXPECT_EQ(r.cells[1], (std::vector<std::string>{"2", "fail"}));
  EXPECT_EQ(sorvi::result_list_title(r), "report.txt");
  EXPECT_EQ(sorvi::test_case_search_text(r.cells[0][0]), "*  Test Case 1 :");
}

TEST_F(ResultListTest, RecordedDateMustMatchTheTextDocument) {
  const long long date = sorvi::file_date(dir_.file("report.txt"), false);
  ASSERT_NE(date, -1);
  EXPECT_TRUE(sorvi::read_result_list(list(std::to_string(date), "1\n1\nCase\n1\n")).valid);
  EXPECT_FALSE(sorvi::read_result_list(list(std::to_string(date - 5), "1\n1\nCase\n1\n")).valid);
}

TEST_F(ResultListTest, MissingLinesEmptyTablesAndMissingDocumentsAreRefused) {
  EXPECT_FALSE(sorvi::read_result_list(list("-10", "2\n2\nCase\nResult\n1\npass\n2\n")).valid);
  EXPECT_FALSE(sorvi::read_result_list(list("-10", "0\n2\nA\nB\n")).valid);
  EXPECT_FALSE(sorvi::read_result_list(list("-10", "3\n")).valid);
  EXPECT_FALSE(sorvi::read_result_list(list("-10", "99999999\n99999999\n")).valid);
  EXPECT_FALSE(sorvi::read_result_list(dir_.file("absent.tci")).valid);
  write_file(dir_.file("nodoc.tci"), "\n-10\n1\n1\nCase\n1\n");
  sorvi::ResultList no_doc = sorvi::read_result_list(dir_.file("nodoc.tci"));
  EXPECT_FALSE(no_doc.valid);
  EXPECT_EQ(no_doc.cells.size(), 1u);
  write_file(dir_.file("gone.tci"), dir_.file("gone.txt") + "\n-10\n1\n1\nCase\n1\n");
  EXPECT_FALSE(sorvi::read_result_list(dir_.file("gone.tci")).valid);
  EXPECT_EQ(sorvi::result_list_refusal("/w/r.tci"), "Unable to open document\n/w/r.tci");
}

}  // namespace
