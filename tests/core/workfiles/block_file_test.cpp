#include "workfiles/block_file.h"

#include <array>

#include "base/allocation_faults.h"
#include "workfiles_fixture.h"

namespace {

using sorvi::ProcedureBlocks;
using workfiles_test::field;

// One procedure entry of a block file: block lines of a, b, start, end, e,
// f in fields of width w; `skipped` lines follow the blocks.
std::string entry(const std::string& name, const std::string& flags, const std::vector<std::array<int, 6>>& blocks,
                  int skipped = 0, int w = 6) {
  std::string text = field(static_cast<int>(name.size()), 5) + name + "   trailing words\n" +
                     field(static_cast<int>(blocks.size()), 5) + flags + "  rest\n";
  for (const auto& b : blocks) {
    for (int v : b) text += field(v, w);
    text += " more\n";
  }
  for (int i = 0; i < skipped; ++i) text += "skipped line " + std::to_string(i) + "\n";
  return text;
}

const std::string kHeader = "BLOCK FILE header one\nheader two\n";

// "status:" and the entries read.
std::string read_dump(const char* stem, int procedure) {
  std::vector<ProcedureBlocks> procs(1);  // a stale entry
  const int status = sorvi::read_block_file(stem, nullptr, nullptr, procedure, procs);
  return std::to_string(status) + ":" + workfiles_test::dump_blocks(procs);
}

class BlockFileTest : public workfiles_test::WorkfilesTest {
 protected:
  // Block-file text after the header lines ("<none>": no file), procedure
  // and line-number width -> the dump.
  struct Row {
    std::string text;
    std::string expected;
    int procedure = 0;
    int width = 6;
    int allocations = -1;  // allocations that succeed before one fails (-1: all)
  };

  void expect_rows(const std::vector<Row>& rows) {
    sorvi_test::ReportCapture capture;  // a width above 16 is reported
    for (const Row& row : rows) {
      std::remove(work("b.blk").c_str());
      if (row.text != "<none>") write_work("b.blk", kHeader + row.text);
      sorvi::set_line_number_width(row.width);
      if (row.allocations >= 0) sorvi::fail_allocation_after(row.allocations);
      EXPECT_EQ(read_dump("b", row.procedure), row.expected) << row.text << row.allocations;
      sorvi::reset_allocation_faults();
    }
  }
};

TEST_F(BlockFileTest, WidthFollowsTheSpacesBeforeTheFirstLineNumber) {
  // A first character other than "1" (after the spaces) leaves W alone.
  const std::vector<std::pair<std::string, int>> rows = {
      {"   1 int a;\n   2 int b;\n", 4}, {"       1\n", 8}, {"1x\n", 1}, {"     2 x\n", 6}, {"", 6}, {"<none>", 6}};
  for (const auto& row : rows) {
    sorvi::reset_line_number_width();
    std::remove(work("w.ref").c_str());
    if (row.first != "<none>") write_work("w.ref", row.first);
    EXPECT_EQ(sorvi::detect_line_number_width(work("w.ref").c_str(), nullptr, nullptr), row.second) << row.first;
    EXPECT_EQ(sorvi::line_number_width(), row.second);
  }
}

TEST_F(BlockFileTest, ReadsEntriesAsDumped) {
  std::string crlf;
  for (char c : entry("crlf", " T T", {{0, 0, 7, 8, 0, 0}, {0, 0, 9, 9, 0, 0}})) {
    crlf += c == '\n' ? "\r\n" : std::string(1, c);
  }
  const std::string three = entry("first", " F F", {{0, 0, 6, 9, 0, 0}}) +
                            entry("second", " F F", {{0, 0, 10, 11, 0, 0}, {0, 0, 12, 14, 0, 0}}) +
                            entry("third", " F F", {{0, 0, 15, 16, 0, 0}});
  expect_rows({
      // Skipped after main: ceil(max(a + e - 1) / 16) = 2 and ceil(max(b + f - 1) / 16) = 2
      // lines; after helper 1 and none. With a dummy exit node the last real block is N - 2.
      {entry("main", " T f", {{1, 1, 10, 12, 20, 3}, {5, 2, 13, 15, 1, 16}}, 4) +
           entry("helper", " t  T", {{1, 0, 20, 20, 16, 0}, {2, 0, 21, 25, 1, 0}, {3, 0, 26, 26, 1, 0}}, 1),
       "0: main#1/2 T- 15 [ 10-12 13-15 ] helper#2/3 TT 25 [ 20-20 21-25 26-26 ]"},
      {three, "0: second#2/2 -- 14 [ 10-11 12-14 ]", 2},
      {three, "0:", 7},
      {entry("w4", " F F", {{0, 0, 100, 104, 0, 0}, {0, 0, 105, 9999, 0, 0}}, 0, 4),
       "0: w4#1/2 -- 9999 [ 100-104 105-9999 ]", 0, 4},
      {crlf, "0: crlf#1/2 TT 8 [ 7-8 9-9 ]"},
      {"", "0:"},
      {"<none>", "1:"},
      // A name cut short by the line end keeps what the line holds.
      {"   10abc\n    1 F F\n" + field(1, 6) + field(1, 6) + field(6, 6) + field(7, 6) + field(1, 6) + field(1, 6) +
           "\n",
       "0: abc#1/1 -- 7 [ 6-7 ]"},
      {entry("w", " F F", {{0, 0, 6, 9, 0, 0}}), "2:", 0, 17},  // a width above 16 reads nothing
  });
}

TEST_F(BlockFileTest, DamagedEntriesKeepNoProcedures) {
  const std::string good = entry("good", " F F", {{0, 0, 6, 9, 0, 0}});
  expect_rows({
      // The file ends inside the block lines.
      {good + "    3cut\n    3 F F\n" + field(1, 6) + field(1, 6) + field(10, 6) + "\n" + field(1, 6), "2:"},
      // A block count of 99999 with one block line.
      {good + "    4huge\n99999 F F\n" + field(1, 6) + field(1, 6) + field(10, 6) + field(11, 6) + "\n", "2:"},
      {good + "    7letters\nzzzzz F F\n", "2:"},  // letters in the count field give an enormous count
      {good + "    3neg\n   -1 F F\n", "2:"},      // a minus sign makes the count negative
      {good + "   -2xy\n    0 F F\n", "2:"},       // the name line's length field is negative
      {good + "    4last\n", "2:"},               // the count line is missing
  });
}

// Running out of memory keeps none of the entries. Allocations: block of a,
// entry a, the two blocks of b, entry b.
TEST_F(BlockFileTest, RunningOutOfMemoryKeepsNoProcedures) {
  const std::string text =
      entry("a", " F F", {{0, 0, 6, 9, 0, 0}}) + entry("b", " F F", {{0, 0, 10, 12, 0, 0}, {0, 0, 13, 14, 0, 0}});
  expect_rows({{text, "14:", 0, 6, 0}, {text, "14:", 0, 6, 2}, {text, "14:", 0, 6, 4},
               {text, "0: a#1/1 -- 9 [ 6-9 ] b#2/2 -- 14 [ 10-12 13-14 ]", 0, 6, 5}});
}

}  // namespace
