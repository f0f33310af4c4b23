#include "workfiles/coverage_counts.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "samplegen/glh_writer.h"
#include "work_readers_fixture.h"

namespace {

using sorvi::BranchRecord;
using sorvi::ProcedureBlocks;
using work_readers_test::block_table;
using work_readers_test::field;
using work_readers_test::WorkReadersTest;

// ".stb": header, flag characters 80 to a line, branch records 8 to a line.
std::string stb_text(const std::string& flags, const std::vector<std::pair<int, int>>& branches, int w = 6) {
  std::string text = field(static_cast<int>(flags.size()), w) + field(static_cast<int>(branches.size()), w) +
                     field(0, w) + " header rest\n";
  for (size_t i = 0; i < flags.size(); i += 80) text += flags.substr(i, 80) + "\n";
  for (size_t i = 0; i < branches.size(); ++i) {
    text += field(branches[i].first, w) + field(branches[i].second, w);
    if (i % 8 == 7 || i + 1 == branches.size()) text += "\n";
  }
  return text;
}

// ".pol": header, line counts 10 to a line, then branch counts 10 to a line.
std::string pol_text(const std::vector<int>& counts, const std::vector<int>& branch_counts, int w = 6) {
  std::string text = field(static_cast<int>(counts.size()), w) + field(static_cast<int>(branch_counts.size()), w) +
                     field(0, w) + "\n";
  for (size_t i = 0; i < counts.size(); ++i) {
    text += field(counts[i], 8);
    if (i % 10 == 9 || i + 1 == counts.size()) text += "\n";
  }
  for (size_t i = 0; i < branch_counts.size(); ++i) {
    text += field(branch_counts[i], 8);
    if (i % 10 == 9 || i + 1 == branch_counts.size()) text += "\n";
  }
  return text;
}

// Counts for lines 1..n, all 0 except the given (line, count) pairs.
std::vector<int> counts_for(int n, const std::vector<std::pair<int, int>>& set) {
  std::vector<int> counts(static_cast<size_t>(n), 0);
  for (const auto& s : set) counts[static_cast<size_t>(s.first - 1)] = s.second;
  return counts;
}

class CoverageCountsTest : public WorkReadersTest {};

// ---- ".stb" -------------------------------------------------------------------------

TEST_F(CoverageCountsTest, FlagCharactersOverTwoLinesSettleTheBlocks) {
  // 85 flag characters: 80 on the first line, 5 on the second.
  std::string flags(85, 'F');
  flags[11] = 'T';  // line 12: the first block's end
  flags[83] = 'T';  // line 84: inside the last block, on the second line
  write_work_file("m.stb", stb_text(flags, {}));
  auto procs = block_table({{false, false, {{10, 12}, {13, 20}, {81, 85}}}});

  std::vector<BranchRecord> branches;
  ASSERT_TRUE(sorvi::read_block_flags("m", nullptr, nullptr, -1, procs, branches));
  EXPECT_TRUE(procs[0].blocks[0].instrumented);
  EXPECT_FALSE(procs[0].blocks[1].instrumented);  // no "T" in 13-20
  EXPECT_TRUE(procs[0].blocks[2].instrumented);
  // No branches: just the end record.
  ASSERT_EQ(branches.size(), 1u);
  EXPECT_EQ(branches[0].from, -1);
  EXPECT_EQ(branches[0].to, -1);
}

TEST_F(CoverageCountsTest, DummyBlocksAreSkippedAndKeepTheirFlags) {
  std::string flags(30, 'T');
  write_work_file("d.stb", stb_text(flags, {}));
  auto procs = block_table({{true, true, {{5, 5}, {6, 8}, {9, 9}}}, {false, false, {{10, 12}}}});
  for (auto& p : procs) {
    for (auto& b : p.blocks) b.instrumented = false;
  }
  std::vector<BranchRecord> branches;
  ASSERT_TRUE(sorvi::read_block_flags("d", nullptr, nullptr, 0, procs, branches));
  EXPECT_FALSE(procs[0].blocks[0].instrumented);  // dummy start: skipped
  EXPECT_TRUE(procs[0].blocks[1].instrumented);
  EXPECT_FALSE(procs[0].blocks[2].instrumented);  // dummy exit: skipped
  EXPECT_TRUE(procs[1].blocks[0].instrumented);
}

TEST_F(CoverageCountsTest, BranchRecordsEightToALineEndWithTheEndRecord) {
  std::vector<std::pair<int, int>> jumps;
  for (int i = 0; i < 10; ++i) jumps.push_back({100 + i, 200 + i});
  write_work_file("b.stb", stb_text(std::string(12, 'T'), jumps));
  auto procs = block_table({{false, false, {{1, 12}}}});
  std::vector<BranchRecord> branches(3);  // replaced
  ASSERT_TRUE(sorvi::read_block_flags("b", nullptr, nullptr, 0, procs, branches));
  ASSERT_EQ(branches.size(), 11u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(branches[static_cast<size_t>(i)].from, 100 + i);
    EXPECT_EQ(branches[static_cast<size_t>(i)].to, 200 + i);
  }
  EXPECT_EQ(branches[10].from, -1);
  EXPECT_EQ(branches[10].to, -1);
}

TEST_F(CoverageCountsTest, TheWalkMustVisitEveryProcedureInWholeFileModeOnly) {
  // Only 10 lines: the block 20-25 is never settled.
  write_work_file("w.stb", stb_text(std::string(10, 'T'), {{3, 4}}));
  auto procs = block_table({{false, false, {{1, 5}}}, {false, false, {{20, 25}}}});
  std::vector<BranchRecord> branches;
  EXPECT_FALSE(sorvi::read_block_flags("w", nullptr, nullptr, 0, procs, branches));
  // The branch records are still read.
  ASSERT_EQ(branches.size(), 2u);
  EXPECT_EQ(branches[0].from, 3);

  auto one = block_table({{false, false, {{20, 25}}}});
  EXPECT_TRUE(sorvi::read_block_flags("w", nullptr, nullptr, 2, one, branches));
}

TEST_F(CoverageCountsTest, AnUnreadableLineGivesTheErrorBlock) {
  // The header promises 200 flag characters; only one line follows.
  write_work_file("cut.stb", field(200, 6) + field(0, 6) + field(0, 6) + "\n" + std::string(80, 'T') + "\n");
  auto procs = block_table({{false, false, {{1, 150}}}});
  std::vector<BranchRecord> branches(2);
  sorvi_test::ReportCapture capture;
  EXPECT_FALSE(sorvi::read_block_flags("cut", nullptr, nullptr, 0, procs, branches));
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, sorvi::kReportOpenProblem);
  EXPECT_EQ(capture.calls()[1].code, sorvi::kReportClose);
  EXPECT_EQ(capture.lines(),
            "Return code from read_line_from_file is 0\n"
            "Error found reading in line from stb file");
  // The read error came before the branches: the old array stays.
  EXPECT_EQ(branches.size(), 2u);

  // A missing ".stb" is no error.
  capture.clear();
  EXPECT_FALSE(sorvi::read_block_flags("absent", nullptr, nullptr, 0, procs, branches));
  EXPECT_TRUE(capture.calls().empty());
}

TEST_F(CoverageCountsTest, BranchLinesCutShortAreReported) {
  write_work_file("jumps.stb", field(2, 6) + field(20, 6) + field(0, 6) + "\nTT\n" + field(1, 6) + field(2, 6) + "\n");
  auto procs = block_table({{false, false, {{1, 2}}}});
  std::vector<BranchRecord> branches;
  sorvi_test::ReportCapture capture;
  EXPECT_FALSE(sorvi::read_block_flags("jumps", nullptr, nullptr, 0, procs, branches));
  EXPECT_EQ(capture.lines(),
            "Return code from read_line_from_file is 0\n"
            "Error found reading in line from stb file");
  // What was read stays, ended by the end record.
  ASSERT_EQ(branches.size(), 2u);
  EXPECT_EQ(branches[0].from, 1);
  EXPECT_EQ(branches[0].to, 2);
  EXPECT_EQ(branches[1].from, -1);
}

TEST_F(CoverageCountsTest, AHugeBranchCountAllocatesOnlyWhatIsRead) {
  write_work_file("many.stb", field(1, 6) + "999999" + field(0, 6) + "\nT\n" + field(7, 6) + field(8, 6) + "\n");
  auto procs = block_table({{false, false, {{1, 1}}}});
  std::vector<BranchRecord> branches;
  sorvi_test::ReportCapture capture;
  EXPECT_FALSE(sorvi::read_block_flags("many", nullptr, nullptr, 0, procs, branches));
  EXPECT_LE(branches.capacity(), 4096u);
  ASSERT_EQ(branches.size(), 2u);
  EXPECT_EQ(branches[0].from, 7);
  EXPECT_EQ(branches[0].to, 8);
  EXPECT_EQ(branches[1].from, -1);
}

TEST_F(CoverageCountsTest, NoMemoryForTheBranchesCannotExecute) {
  write_work_file("mem.stb", stb_text("TT", {{1, 2}}));
  auto procs = block_table({{false, false, {{1, 2}}}});
  std::vector<BranchRecord> branches;
  sorvi_test::ReportCapture capture;
  sorvi::fail_allocation_after(0);
  EXPECT_FALSE(sorvi::read_block_flags("mem", nullptr, nullptr, 0, procs, branches));
  EXPECT_TRUE(branches.empty());
  EXPECT_EQ(sorvi::report_exit_status(), 14);
  ASSERT_EQ(capture.exits().size(), 1u);
  EXPECT_EQ(capture.exits()[0], 1);
}

// ---- counts ------------------------------------------------------------------------

TEST_F(CoverageCountsTest, ABlockTakesTheCountOfItsFirstLineThatRan) {
  // Block 0: lines 3-5, only line 5 ran (4 times). Block 1: 6-8, none ran.
  // Procedure 2 with dummy start and exit: blocks 20 (skipped), 21-23, 24.
  write_work_file("c.pol", pol_text(counts_for(25, {{2, 9}, {5, 4}, {22, 7}, {23, 3}, {24, 5}}), {}));
  auto procs = block_table({{false, false, {{3, 5}, {6, 8}}}, {true, true, {{20, 20}, {21, 23}, {24, 24}}}});
  std::vector<BranchRecord> branches;
  std::vector<int> combined, current;
  ASSERT_TRUE(sorvi::read_execution_counts("c", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{4, 0, 0, 7, 0}));
  EXPECT_TRUE(current.empty());  // no ".pol.002"
}

TEST_F(CoverageCountsTest, BranchCountsFollowTheLineCounts) {
  // 20 line counts end exactly at a line end; 12 branch counts over two lines.
  std::vector<int> branch_counts;
  for (int i = 0; i < 12; ++i) branch_counts.push_back(i + 1);
  write_work_file("bc.pol", pol_text(counts_for(20, {{1, 2}}), branch_counts));
  auto procs = block_table({{false, false, {{1, 20}}}});
  std::vector<BranchRecord> branches(13);
  branches.back() = BranchRecord{};
  std::vector<int> combined, current;
  ASSERT_TRUE(sorvi::read_execution_counts("bc", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{2}));
  for (int i = 0; i < 12; ++i) EXPECT_EQ(branches[static_cast<size_t>(i)].combinedCount, i + 1);
  EXPECT_EQ(branches[12].combinedCount, 0);
}

TEST_F(CoverageCountsTest, CurrentCountsComeFromTheNextToLastHistoryFile) {
  auto procs = block_table({{false, false, {{1, 2}, {3, 4}}}});
  write_work_file("h.pol", pol_text({5, 0, 0, 6}, {10, 1}));
  write_work_file("h.pol.001", pol_text({9, 0, 0, 9}, {9, 9}));
  write_work_file("h.pol.002", pol_text({2, 0, 0, 8}, {4, 3}));  // the next-to-last of three
  write_work_file("h.pol.003", pol_text({1, 0, 0, 1}, {1, 1}));
  std::vector<BranchRecord> branches(3);
  branches.back() = BranchRecord{};
  std::vector<int> combined, current;
  ASSERT_TRUE(sorvi::read_execution_counts("h", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{5, 6}));
  // A history count above the combined one gives a negative current count.
  EXPECT_EQ(current, (std::vector<int>{3, -2}));
  EXPECT_EQ(branches[0].currentCount, 6);
  EXPECT_EQ(branches[1].currentCount, -2);

  // With two history files the first is the next-to-last.
  ASSERT_EQ(std::remove(work_path("h.pol.003").c_str()), 0);
  ASSERT_TRUE(sorvi::read_execution_counts("h", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_EQ(current, (std::vector<int>{-4, -3}));

  // Without ".pol.002" there are no current counts, even with ".pol.001".
  ASSERT_EQ(std::remove(work_path("h.pol.002").c_str()), 0);
  ASSERT_TRUE(sorvi::read_execution_counts("h", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_TRUE(current.empty());
  EXPECT_EQ(branches[0].currentCount, 0);
}

TEST_F(CoverageCountsTest, ADamagedHistoryLeavesNoCurrentCounts) {
  auto procs = block_table({{false, false, {{1, 2}}}});
  write_work_file("dh.pol", pol_text({5, 0}, {}));
  write_work_file("dh.pol.001", pol_text({1, 0}, {}));
  write_work_file("dh.pol.002", field(50, 6) + field(0, 6) + field(0, 6) + "\n       1\n");
  std::vector<BranchRecord> branches;
  std::vector<int> combined, current;
  ASSERT_TRUE(sorvi::read_execution_counts("dh", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{5}));
  EXPECT_EQ(current, (std::vector<int>{4}));  // K = 2: ".pol.001" is read
  write_work_file("dh.pol.001", field(50, 6) + field(0, 6) + field(0, 6) + "\n       1\n");
  ASSERT_TRUE(sorvi::read_execution_counts("dh", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_TRUE(current.empty());
}

TEST_F(CoverageCountsTest, CountsThatExceedTheDataFail) {
  auto procs = block_table({{false, false, {{1, 2}}}});
  write_work_file("x.pol", field(1000, 6) + field(0, 6) + field(0, 6) + "\n       1       2\n");
  std::vector<BranchRecord> branches;
  std::vector<int> combined{1, 2, 3}, current{4};
  EXPECT_FALSE(sorvi::read_execution_counts("x", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_TRUE(combined.empty());
  EXPECT_TRUE(current.empty());

  // Branch counts missing while a branch array exists.
  write_work_file("y.pol", field(2, 6) + field(5, 6) + field(0, 6) + "\n       1       2\n       3\n");
  branches.assign(6, BranchRecord{});
  EXPECT_FALSE(sorvi::read_execution_counts("y", nullptr, nullptr, 0, procs, {}, branches, combined, current));
  EXPECT_TRUE(combined.empty());

  // An incomplete walk in whole-file mode fails; procedure mode reads on.
  write_work_file("z.pol", pol_text({1, 0, 0}, {}));
  auto later = block_table({{false, false, {{1, 2}}}, {false, false, {{9, 9}}}});
  branches.clear();
  EXPECT_FALSE(sorvi::read_execution_counts("z", nullptr, nullptr, 0, later, {}, branches, combined, current));
  EXPECT_TRUE(sorvi::read_execution_counts("z", nullptr, nullptr, 1, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{1}));

  EXPECT_FALSE(sorvi::read_execution_counts("absent", nullptr, nullptr, 0, procs, {}, branches, combined, current));
}

TEST_F(CoverageCountsTest, TestCaseResultsReplaceThePolicyFile) {
  auto procs = block_table({{false, false, {{1, 2}}}});
  write_work_file("t_4.pol", pol_text({5, 0}, {}));
  write_work_file("t_4.pol.001", pol_text({1, 0}, {}));
  write_work_file("t_4.pol.002", pol_text({1, 0}, {}));
  const std::string results = profile_->dir().path() + "/results";
  sorvi::make_directories(results);
  sorvi_test::write_file(results + "/t_4_tc3.pol", pol_text({0, 8}, {}));

  sorvi::TestCaseSelection tc;
  tc.number = 3;
  tc.result_directory = results;
  tc.sequence = "seq1";
  std::vector<BranchRecord> branches;
  std::vector<int> combined, current;
  ASSERT_TRUE(sorvi::read_execution_counts("t_4", nullptr, nullptr, 0, procs, tc, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{8}));
  EXPECT_TRUE(current.empty());  // counts of a test case have no history

  // A test case without results falls back to the policy file.
  tc.number = 9;
  ASSERT_TRUE(sorvi::read_execution_counts("t_4", nullptr, nullptr, 0, procs, tc, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{5}));
  EXPECT_EQ(current, (std::vector<int>{4}));
  // Without a sequence name no test case is selected.
  tc.number = 3;
  tc.sequence.clear();
  ASSERT_TRUE(sorvi::read_execution_counts("t_4", nullptr, nullptr, 0, procs, tc, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{5}));
}

TEST_F(CoverageCountsTest, HistoryInTheRepository) {
  const std::string source = "/src/r.c";
  const std::string glh = work_path("r.glh");
  auto to_entries = [](const std::string& text) {
    std::vector<std::string> entries;
    size_t start = 0;
    for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
      entries.push_back(text.substr(start, nl - start));
      start = nl + 1;
    }
    return entries;
  };
  {
    sorvi_sample::GlhWriter w(glh);
    sorvi_sample::GlhTextDocumentContent doc;
    doc.entries = to_entries(pol_text({0, 7}, {}));
    ASSERT_TRUE(w.add_work_file(source, "r_1.pol.001", doc));
    doc.entries = to_entries(pol_text({3, 0}, {}));
    ASSERT_TRUE(w.add_work_file(source, "r_1.pol.002", doc));
    ASSERT_TRUE(w.close());
  }
  write_work_file("r_1.pol", pol_text({10, 0}, {}));
  auto procs = block_table({{false, false, {{1, 2}}}});
  std::vector<BranchRecord> branches;
  std::vector<int> combined, current;
  ASSERT_TRUE(
      sorvi::read_execution_counts("r_1", glh.c_str(), source.c_str(), 0, procs, {}, branches, combined, current));
  EXPECT_EQ(combined, (std::vector<int>{10}));
  EXPECT_EQ(current, (std::vector<int>{3}));  // 10 - 7 (".pol.001")
}

TEST_F(CoverageCountsTest, JunkNeverCrashes) {
  sorvi_test::ReportCapture capture;
  auto procs = block_table({{true, true, {{1, 3}, {4, 9}, {10, 10}}}, {false, false, {{11, 40}, {41, 90}}}});
  for (unsigned seed = 1; seed <= 150; ++seed) {
    const std::string junk = work_readers_test::junk_text(seed, 3000);
    write_work_file("junk.stb", junk);
    write_work_file("junk.pol", junk);
    write_work_file("junk.pol.001", junk);
    write_work_file("junk.pol.002", junk);
    std::vector<BranchRecord> branches;
    sorvi::read_block_flags("junk", nullptr, nullptr, 0, procs, branches);
    if (!branches.empty()) EXPECT_EQ(branches.back().from, -1);
    std::vector<int> combined, current;
    if (sorvi::read_execution_counts("junk", nullptr, nullptr, 0, procs, {}, branches, combined, current)) {
      EXPECT_EQ(combined.size(), sorvi::count_slot_total(procs));
    } else {
      EXPECT_TRUE(combined.empty());
    }
    EXPECT_TRUE(current.empty() || current.size() == combined.size());
  }
}

}  // namespace
