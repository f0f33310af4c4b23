#include "workfiles/block_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "samplegen/glh_writer.h"
#include "work_readers_fixture.h"
#include "workfiles/index_file.h"

namespace {

using sorvi::BlockSpan;
using sorvi::ProcedureBlocks;
using work_readers_test::field;
using work_readers_test::WorkReadersTest;

// One block line: a, b, start, end, e, f in fields of width w.
using BlockFields = std::array<int, 6>;

// One procedure entry of a block file; `skipped` lines follow the blocks.
std::string procedure_entry(const std::string& name, const std::string& flags, const std::vector<BlockFields>& blocks,
                            int skipped, int w = 6) {
  std::string text = field(static_cast<int>(name.size()), 5) + name + "   trailing words\n";
  text += field(static_cast<int>(blocks.size()), 5) + flags + "  rest\n";
  for (const BlockFields& b : blocks) {
    for (int v : b) text += field(v, w);
    text += " more\n";
  }
  for (int i = 0; i < skipped; ++i) text += "skipped line " + std::to_string(i) + "\n";
  return text;
}

const char* kHeader = "BLOCK FILE header one\nheader two\n";

class BlockFileTest : public WorkReadersTest {};

// ---- the line-number width ---------------------------------------------------

TEST_F(BlockFileTest, WidthFollowsTheSpacesBeforeTheFirstLineNumber) {
  EXPECT_EQ(sorvi::line_number_width(), 6);
  const std::string ref4 = write_work_file("four.ref", "   1 int a;\n   2 int b;\n");
  EXPECT_EQ(sorvi::detect_line_number_width(ref4.c_str(), nullptr, nullptr), 4);
  EXPECT_EQ(sorvi::line_number_width(), 4);

  // A first character other than "1" (after the spaces) leaves W alone.
  const std::string other = write_work_file("other.ref", "     2 x\n");
  EXPECT_EQ(sorvi::detect_line_number_width(other.c_str(), nullptr, nullptr), 4);
  const std::string empty = write_work_file("empty.ref", "");
  EXPECT_EQ(sorvi::detect_line_number_width(empty.c_str(), nullptr, nullptr), 4);
  EXPECT_EQ(sorvi::detect_line_number_width(work_path("missing.ref").c_str(), nullptr, nullptr), 4);

  const std::string ref8 = write_work_file("eight.ref", "       1\n");
  EXPECT_EQ(sorvi::detect_line_number_width(ref8.c_str(), nullptr, nullptr), 8);
  const std::string ref1 = write_work_file("one.ref", "1x\n");
  EXPECT_EQ(sorvi::detect_line_number_width(ref1.c_str(), nullptr, nullptr), 1);

  sorvi::reset_line_number_width();
  EXPECT_EQ(sorvi::line_number_width(), 6);
}

// ---- reading ------------------------------------------------------------------------

TEST_F(BlockFileTest, ReadsNamesFlagsBlocksAndSkipsTheTrailingLines) {
  // Procedure 1: A = max(a + e - 1) = 20 -> 2 lines, B = max(b + f - 1) = 17 -> 2 lines.
  // Procedure 2: dummy start and exit; A = 16 -> 1 line, B = 0 -> none.
  const std::string text = std::string(kHeader) +
                           procedure_entry("main", " T f", {{1, 1, 10, 12, 20, 3}, {5, 2, 13, 15, 1, 16}}, 4) +
                           procedure_entry("helper", " t  T", {{1, 0, 20, 20, 16, 0}, {2, 0, 21, 25, 1, 0},
                                                                  {3, 0, 26, 26, 1, 0}},
                                           1);
  write_work_file("demo_2.blk", text);

  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("demo_2", nullptr, nullptr, -1, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 2u);

  EXPECT_EQ(procs[0].name, "main");
  EXPECT_EQ(procs[0].number, 1);
  EXPECT_EQ(procs[0].blockCount, 2);
  EXPECT_TRUE(procs[0].hasDummyStart);
  EXPECT_FALSE(procs[0].hasDummyExit);
  ASSERT_EQ(procs[0].blocks.size(), 2u);
  EXPECT_EQ(procs[0].blocks[0].startLine, 10);
  EXPECT_EQ(procs[0].blocks[0].endLine, 12);
  EXPECT_EQ(procs[0].blocks[1].startLine, 13);
  EXPECT_EQ(procs[0].blocks[1].endLine, 15);
  EXPECT_TRUE(procs[0].blocks[1].instrumented);
  EXPECT_TRUE(procs[0].blocks[1].allBranchesTaken);
  EXPECT_EQ(procs[0].lastLine, 15);

  EXPECT_EQ(procs[1].name, "helper");
  EXPECT_EQ(procs[1].number, 2);
  EXPECT_TRUE(procs[1].hasDummyStart);
  EXPECT_TRUE(procs[1].hasDummyExit);
  ASSERT_EQ(procs[1].blocks.size(), 3u);
  // With a dummy exit node the last real block is N - 2.
  EXPECT_EQ(procs[1].lastLine, 25);
}

TEST_F(BlockFileTest, ProcedureModeKeepsOnlyThatEntry) {
  const std::string text = std::string(kHeader) + procedure_entry("first", " F F", {{0, 0, 6, 9, 0, 0}}, 0) +
                           procedure_entry("second", " F F", {{0, 0, 10, 11, 0, 0}, {0, 0, 12, 14, 0, 0}}, 0) +
                           procedure_entry("third", " F F", {{0, 0, 15, 16, 0, 0}}, 0);
  write_work_file("demo.blk", text);

  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("demo", nullptr, nullptr, 2, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(procs[0].name, "second");
  EXPECT_EQ(procs[0].number, 2);
  EXPECT_EQ(procs[0].lastLine, 14);

  ASSERT_EQ(sorvi::read_block_file("demo", nullptr, nullptr, 7, procs), sorvi::kBlockFileRead);
  EXPECT_TRUE(procs.empty());
}

TEST_F(BlockFileTest, FieldsFollowTheLineNumberWidth) {
  sorvi::set_line_number_width(4);
  const std::string text =
      std::string(kHeader) + procedure_entry("w4", " F F", {{0, 0, 100, 104, 0, 0}, {0, 0, 105, 9999, 0, 0}}, 0, 4);
  write_work_file("w4.blk", text);
  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("w4", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(procs[0].blocks[1].startLine, 105);
  EXPECT_EQ(procs[0].blocks[1].endLine, 9999);
}

TEST_F(BlockFileTest, CarriageReturnLineEndsAndAnEmptyFile) {
  std::string text = std::string(kHeader) + procedure_entry("crlf", " T T", {{0, 0, 7, 8, 0, 0}, {0, 0, 9, 9, 0, 0}}, 0);
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  write_work_file("crlf.blk", crlf);
  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("crlf", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(procs[0].name, "crlf");
  EXPECT_TRUE(procs[0].hasDummyExit);
  EXPECT_EQ(procs[0].lastLine, 8);

  write_work_file("empty.blk", "");
  EXPECT_EQ(sorvi::read_block_file("empty", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  EXPECT_TRUE(procs.empty());
  EXPECT_EQ(sorvi::read_block_file("absent", nullptr, nullptr, 0, procs), sorvi::kBlockFileNotOpened);
}

TEST_F(BlockFileTest, ANameCutShortByTheLineEndKeepsWhatTheLineHolds) {
  write_work_file("short.blk", std::string(kHeader) + "   10abc\n    1 F F\n" + field(1, 6) + field(1, 6) +
                                   field(6, 6) + field(7, 6) + field(1, 6) + field(1, 6) + "\n");
  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("short", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(procs[0].name, "abc");
  EXPECT_EQ(procs[0].blocks[0].endLine, 7);
}

// ---- damaged files ---------------------------------------------------------------------

TEST_F(BlockFileTest, DamagedEntriesKeepNoProcedures) {
  const std::string good = procedure_entry("good", " F F", {{0, 0, 6, 9, 0, 0}}, 0);
  struct Case {
    const char* name;
    std::string tail;
  };
  const std::vector<Case> cases = {
      // The file ends inside the block lines.
      {"truncated", "    3cut\n    3 F F\n" + field(1, 6) + field(1, 6) + field(10, 6) + "\n" + field(1, 6)},
      // A block count of 99999 with one block line.
      {"huge", "    4huge\n99999 F F\n" + field(1, 6) + field(1, 6) + field(10, 6) + field(11, 6) + "\n"},
      // Letters in the count field give an enormous count.
      {"letters", "    7letters\nzzzzz F F\n"},
      // A minus sign makes the count negative.
      {"negative", "    3neg\n   -1 F F\n"},
      // The name line's length field is negative.
      {"negative_name", "   -2xy\n    0 F F\n"},
      // The count line is missing.
      {"no_count", "    4last\n"},
  };
  for (const Case& c : cases) {
    write_work_file(std::string(c.name) + ".blk", std::string(kHeader) + good + c.tail);
    std::vector<ProcedureBlocks> procs;
    EXPECT_EQ(sorvi::read_block_file(c.name, nullptr, nullptr, 0, procs), sorvi::kBlockFileReadError) << c.name;
    EXPECT_TRUE(procs.empty()) << c.name;
  }
}

TEST_F(BlockFileTest, AWidthAboveSixteenIsReportedAndReadsNothing) {
  write_work_file("wide.blk", std::string(kHeader) + procedure_entry("w", " F F", {{0, 0, 6, 9, 0, 0}}, 0));
  sorvi::set_line_number_width(17);
  sorvi_test::ReportCapture capture;
  std::vector<ProcedureBlocks> procs;
  EXPECT_EQ(sorvi::read_block_file("wide", nullptr, nullptr, 0, procs), sorvi::kBlockFileReadError);
  EXPECT_TRUE(procs.empty());
  ASSERT_FALSE(capture.calls().empty());
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, sorvi::kReportProblem);
  EXPECT_EQ(capture.calls()[0].text,
            "Attempt to read a fixed width int greater than 16 long\n"
            "                   Readfixedint called with intlen parameter 17");
}

TEST_F(BlockFileTest, RunningOutOfMemoryKeepsNoProcedures) {
  const std::string text = std::string(kHeader) + procedure_entry("a", " F F", {{0, 0, 6, 9, 0, 0}}, 0) +
                           procedure_entry("b", " F F", {{0, 0, 10, 12, 0, 0}, {0, 0, 13, 14, 0, 0}}, 0);
  write_work_file("mem.blk", text);
  std::vector<ProcedureBlocks> procs;
  // Checks: block of a, entry a, first block of b, ...
  for (int successes = 0; successes < 4; ++successes) {
    sorvi::fail_allocation_after(successes);
    EXPECT_EQ(sorvi::read_block_file("mem", nullptr, nullptr, 0, procs), sorvi::kBlockFileNoMemory) << successes;
    EXPECT_TRUE(procs.empty());
  }
  sorvi::fail_allocation_after(5);
  EXPECT_EQ(sorvi::read_block_file("mem", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  EXPECT_EQ(procs.size(), 2u);
  sorvi::reset_allocation_faults();
}

// ---- from a GLH file -------------------------------------------------------------------

TEST_F(BlockFileTest, ReadsTheRepositoryCopyFirst) {
  const std::string source = "/src/demo.c";
  const std::string glh = work_path("demo.glh");
  {
    sorvi_sample::GlhWriter w(glh);
    sorvi_sample::GlhTextDocumentContent doc;
    doc.entries = {"header one", "header two", "    4glhp", "    1 F F",
                   field(1, 6) + field(1, 6) + field(30, 6) + field(40, 6) + field(1, 6) + field(1, 6)};
    ASSERT_TRUE(w.add_work_file(source, "demo.blk", doc));
    ASSERT_TRUE(w.close());
  }
  write_work_file("demo.blk", std::string(kHeader) + procedure_entry("plain", " F F", {{0, 0, 6, 9, 0, 0}}, 0));

  std::vector<ProcedureBlocks> procs;
  ASSERT_EQ(sorvi::read_block_file("demo", glh.c_str(), source.c_str(), 0, procs), sorvi::kBlockFileRead);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(procs[0].name, "glhp");
  EXPECT_EQ(procs[0].lastLine, 40);

  // Without the GLH file the plain file is read.
  ASSERT_EQ(sorvi::read_block_file("demo", nullptr, nullptr, 0, procs), sorvi::kBlockFileRead);
  EXPECT_EQ(procs[0].name, "plain");
}

TEST_F(BlockFileTest, ListingModeFindsWhereEachProcedureEnds) {
  const std::string main_file = work_path("demo.c");
  const std::string include = work_path("inc.h");
  sorvi_test::write_file(main_file, "int main;\n");
  sorvi_test::write_file(include, "int x;\n");
  // Reformatted lines 6-15 come from flattened 1, 2, 3, 10-15, 4; the
  // include spans flattened lines 10-15.
  write_work_file("demo_5.ndx", "\"" + main_file + "\"\nh1\nh2\n1\n10 15 " + std::to_string(include.size()) + " " +
                                    include + "\n15\n0 0 0 0 0 1 2 3 10 11 12 13 14 15 4\n");
  int status = -1;
  ASSERT_NE(sorvi::read_index_file(main_file.c_str(), work_path("demo_5").c_str(), 5, nullptr, &status), nullptr);

  auto procs = work_readers_test::block_table({{false, false, {{6, 8}, {9, 15}}}, {false, false, {{9, 11}}}});
  std::string upper = main_file;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  sorvi::fill_procedure_source_lines(procs, 5, upper.c_str());
  EXPECT_EQ(procs[0].lastSourceLine, 4);
  EXPECT_TRUE(procs[0].endsInSourceFile);
  EXPECT_EQ(procs[1].lastSourceLine, 3);  // line 3 of the include
  EXPECT_FALSE(procs[1].endsInSourceFile);

  // A module without a loaded index leaves them alone.
  sorvi::fill_procedure_source_lines(procs, 9, main_file.c_str());
  EXPECT_EQ(procs[0].lastSourceLine, 0);
  EXPECT_FALSE(procs[0].endsInSourceFile);
}

TEST_F(BlockFileTest, JunkNeverCrashes) {
  sorvi_test::ReportCapture capture;
  for (unsigned seed = 1; seed <= 150; ++seed) {
    write_work_file("junk.blk", std::string(kHeader) + work_readers_test::junk_text(seed, 3000));
    std::vector<ProcedureBlocks> procs;
    const int status = sorvi::read_block_file("junk", nullptr, nullptr, seed % 3 == 0 ? 2 : 0, procs);
    EXPECT_TRUE(status == sorvi::kBlockFileRead || status == sorvi::kBlockFileReadError) << seed;
    for (const ProcedureBlocks& p : procs) EXPECT_EQ(p.blocks.size(), static_cast<size_t>(p.blockCount));
  }
}

}  // namespace
