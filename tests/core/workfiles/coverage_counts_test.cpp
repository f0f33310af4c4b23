#include "workfiles/coverage_counts.h"

#include <sstream>

#include "base/fatal_report.h"
#include "workfiles_fixture.h"

namespace {

using sorvi::BranchRecord;
using workfiles_test::block_table;
using workfiles_test::field;
using workfiles_test::ProcedureLayout;

// ".stb": header, flag characters 80 to a line, branch records 8 to a line.
std::string stb_text(const std::string& flags, const std::vector<std::pair<int, int>>& branches) {
  std::string text = field(static_cast<int>(flags.size()), 6) + field(static_cast<int>(branches.size()), 6) +
                     field(0, 6) + " header rest\n";
  for (size_t i = 0; i < flags.size(); i += 80) text += flags.substr(i, 80) + "\n";
  for (size_t i = 0; i < branches.size(); ++i) {
    text += field(branches[i].first, 6) + field(branches[i].second, 6);
    if (i % 8 == 7 || i + 1 == branches.size()) text += "\n";
  }
  return text;
}

// ".pol": header, line counts 10 to a line, then branch counts 10 to a line.
std::string pol_text(const std::vector<int>& counts, const std::vector<int>& branch_counts = {}) {
  std::string text = field(static_cast<int>(counts.size()), 6) + field(static_cast<int>(branch_counts.size()), 6) +
                     field(0, 6) + "\n";
  for (const std::vector<int>* list : {&counts, &branch_counts}) {
    for (size_t i = 0; i < list->size(); ++i) {
      text += field((*list)[i], 8);
      if (i % 10 == 9 || i + 1 == list->size()) text += "\n";
    }
  }
  return text;
}

std::string ints(const std::vector<int>& values) {
  std::string out = "[";
  for (size_t i = 0; i < values.size(); ++i) out += (i ? " " : "") + std::to_string(values[i]);
  return out + "]";
}

const std::string kDamagedCounts = field(50, 6) + field(0, 6) + field(0, 6) + "\n       1\n";

class CoverageCountsTest : public workfiles_test::WorkfilesTest {};

// ".stb" -> "result, each procedure's instrumented blocks, the branch
// records" and what was reported. The branch array starts as one stale
// record -9>-9.
TEST_F(CoverageCountsTest, BlockFlagsAsDumped) {
  struct Row {
    std::string stb;  // "<none>": no file
    std::vector<ProcedureLayout> layouts;
    std::string expected;
    int procedure = 0;
  };
  const std::string unread = " B" + std::to_string(sorvi::kReportOpenProblem) + " B" +
                             std::to_string(sorvi::kReportClose) +
                             " [Return code from read_line_from_file is 0\nError found reading in line from stb file]";
  std::string two_lines(85, 'F'), dummies(30, 'F');
  two_lines[11] = two_lines[83] = 'T';  // line 12: the first block's end; line 84: on the second line
  dummies[6] = 'T';                     // line 7
  std::vector<std::pair<int, int>> jumps;
  for (int i = 0; i < 9; ++i) jumps.push_back({100 + i, 200 + i});
  const std::vector<Row> rows = {
      {stb_text(two_lines, {}), {{false, false, {{10, 12}, {13, 20}, {81, 85}}}}, "1 TFT -1>-1"},
      // Dummy blocks are passed over and keep their flags.
      {stb_text(dummies, {}), {{true, true, {{5, 5}, {6, 8}, {9, 9}}}, {false, false, {{10, 12}}}}, "1 TTT|F -1>-1"},
      {stb_text(std::string(12, 'T'), jumps), {{false, false, {{1, 12}}}},
       "1 T 100>200 101>201 102>202 103>203 104>204 105>205 106>206 107>207 108>208 -1>-1"},
      // The walk must settle every procedure in whole-file mode only.
      {stb_text(std::string(10, 'T'), {{3, 4}}), {{false, false, {{1, 5}}}, {false, false, {{20, 25}}}},
       "0 T|T 3>4 -1>-1"},
      {stb_text(std::string(10, 'T'), {{3, 4}}), {{false, false, {{20, 25}}}}, "1 T 3>4 -1>-1", 2},
      // 200 flag characters promised, one line given: the error comes before the branches.
      {field(200, 6) + field(0, 6) + field(0, 6) + "\n" + std::string(80, 'T') + "\n", {{false, false, {{1, 150}}}},
       "0 T -9>-9" + unread},
      // Branch lines cut short: what was read stays, ended by the end record.
      {field(2, 6) + field(20, 6) + field(0, 6) + "\nTT\n" + field(1, 6) + field(2, 6) + "\n",
       {{false, false, {{1, 2}}}}, "0 T 1>2 -1>-1" + unread},
      // A huge branch count allocates only what is read.
      {field(1, 6) + "999999" + field(0, 6) + "\nT\n" + field(7, 6) + field(8, 6) + "\n", {{false, false, {{1, 1}}}},
       "0 T 7>8 -1>-1" + unread},
      {"<none>", {{false, false, {{1, 2}}}}, "0 T -9>-9"},  // no ".stb" is no error
  };
  for (const Row& row : rows) {
    std::remove(work("f.stb").c_str());
    if (row.stb != "<none>") write_work("f.stb", row.stb);
    auto procs = block_table(row.layouts);
    std::vector<BranchRecord> branches = {{-9, -9, 0, 0}};
    sorvi_test::ReportCapture capture;
    std::ostringstream out;
    out << sorvi::read_block_flags("f", nullptr, nullptr, row.procedure, procs, branches);
    for (size_t i = 0; i < procs.size(); ++i) {
      out << (i ? "|" : " ");
      for (const sorvi::BlockSpan& b : procs[i].blocks) out << (b.instrumented ? "T" : "F");
    }
    for (const BranchRecord& b : branches) out << " " << b.from << ">" << b.to;
    EXPECT_EQ(out.str() + workfiles_test::reported(capture), row.expected) << row.stb;
    EXPECT_LE(branches.capacity(), 4096u);
  }
}

// Count files -> "result [combined] [current]", then each branch record's
// combined/current count when the reading succeeded. Names with "_tc" are
// test-case results and go to the result directory.
TEST_F(CoverageCountsTest, ExecutionCountsAsDumped) {
  struct Row {
    std::vector<std::pair<std::string, std::string>> files;  // the first names the stem
    std::vector<ProcedureLayout> layouts;
    std::string expected;
    int procedure = 0;
    size_t branches = 0;  // records in the branch array before the reading
    int test_case = 0;
    std::string sequence = "seq1";
  };
  const std::vector<ProcedureLayout> one = {{false, false, {{1, 2}}}}, two = {{false, false, {{1, 2}, {3, 4}}}};
  const std::pair<std::string, std::string> h_pol = {"h.pol", pol_text({5, 0, 0, 6}, {10, 1})},
                                            h1 = {"h.pol.001", pol_text({9, 0, 0, 9}, {9, 9})},
                                            h2 = {"h.pol.002", pol_text({2, 0, 0, 8}, {4, 3})},
                                            h3 = {"h.pol.003", pol_text({1, 0, 0, 1}, {1, 1})};
  const std::vector<std::pair<std::string, std::string>> t = {
      {"t_4.pol", pol_text({5, 0})}, {"t_4.pol.001", pol_text({1, 0})}, {"t_4.pol.002", pol_text({1, 0})},
      {"t_4_tc3.pol", pol_text({0, 8})}};
  const std::vector<Row> rows = {
      // A block takes the count of its first line that ran; dummy blocks are passed over.
      {{{"c.pol", pol_text({0, 9, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 3, 5, 0})}},
       {{false, false, {{3, 5}, {6, 8}}}, {true, true, {{20, 20}, {21, 23}, {24, 24}}}},
       "1 [4 0 0 7 0] []"},
      // 20 line counts end at a line end; the branch counts follow over two lines.
      {{{"b.pol", pol_text({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                           {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})}},
       {{false, false, {{1, 20}}}},
       "1 [2] [] 1/0 2/0 3/0 4/0 5/0 6/0 7/0 8/0 9/0 10/0 11/0 12/0 0/0", 0, 13},
      // Current counts: combined less the next-to-last history file; none without ".pol.002".
      {{h_pol, h1, h2, h3}, two, "1 [5 6] [3 -2] 10/6 1/-2 0/0", 0, 3},
      {{h_pol, h1, h2}, two, "1 [5 6] [-4 -3] 10/1 1/-8 0/0", 0, 3},
      {{h_pol, h1}, two, "1 [5 6] [] 10/0 1/0 0/0", 0, 3},
      // A damaged history file leaves no current counts.
      {{{"d.pol", pol_text({5, 0})}, {"d.pol.001", pol_text({1, 0})}, {"d.pol.002", kDamagedCounts}}, one, "1 [5] [4]"},
      {{{"e.pol", pol_text({5, 0})}, {"e.pol.001", kDamagedCounts}, {"e.pol.002", kDamagedCounts}}, one, "1 [5] []"},
      // Counts beyond the data, branch counts missing while a branch array exists.
      {{{"x.pol", field(1000, 6) + field(0, 6) + field(0, 6) + "\n       1       2\n"}}, one, "0 [] []"},
      {{{"y.pol", field(2, 6) + field(5, 6) + field(0, 6) + "\n       1       2\n       3\n"}}, one, "0 [] []", 0, 6},
      // An incomplete walk fails in whole-file mode; procedure mode reads on.
      {{{"z.pol", pol_text({1, 0, 0})}}, {{false, false, {{1, 2}}}, {false, false, {{9, 9}}}}, "0 [] []"},
      {{{"z.pol", pol_text({1, 0, 0})}}, one, "1 [1] []", 1},
      {{{"absent.pol", "<none>"}}, one, "0 [] []"},
      // A test case's results replace the counts and have no history; without
      // results or without a sequence name the policy file is read.
      {t, one, "1 [8] []", 0, 0, 3},
      {t, one, "1 [5] [4]", 0, 0, 9},
      {t, one, "1 [5] [4]", 0, 0, 3, ""},
  };
  for (const Row& row : rows) {
    for (const auto& file : row.files) {
      const bool result = file.first.find("_tc") != std::string::npos;
      if (file.second != "<none>") sorvi_test::write_file(result ? other(file.first) : work(file.first), file.second);
    }
    sorvi::TestCaseSelection tc;
    tc.number = row.test_case;
    tc.result_directory = other("");
    tc.sequence = row.sequence;
    std::vector<BranchRecord> branches(row.branches);
    std::vector<int> combined{99}, current{99};
    const std::string stem = row.files[0].first.substr(0, row.files[0].first.find('.'));
    const bool ok = sorvi::read_execution_counts(stem.c_str(), nullptr, nullptr, row.procedure,
                                                 block_table(row.layouts), tc, branches, combined, current);
    std::string dump = std::to_string(ok) + " " + ints(combined) + " " + ints(current);
    for (const BranchRecord& b : branches) {
      if (ok) dump += " " + std::to_string(b.combinedCount) + "/" + std::to_string(b.currentCount);
    }
    EXPECT_EQ(dump, row.expected) << row.files[0].first;
    for (const auto& file : row.files) std::remove(work(file.first).c_str());
  }
}

}  // namespace
