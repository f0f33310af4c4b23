// sorvi-export end to end on a generated sample set of two modules: the four
// outputs agree with each other and with what the sample writer put in
// (violations, executable lines, branches, procedures, the header's
// violations at their header lines); a module with a missing work file is
// named and skipped, and an output that cannot be written leaves nothing.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace {

using sorvi_test::read_file;

struct Totals {
  long long lines = 0, lines_hit = 0, branches = 0, branches_hit = 0, functions = 0;
  bool operator==(const Totals& o) const {
    return lines == o.lines && lines_hit == o.lines_hit && branches == o.branches && branches_hit == o.branches_hit &&
           functions == o.functions;
  }
};

std::ostream& operator<<(std::ostream& os, const Totals& t) {
  return os << "lines " << t.lines_hit << "/" << t.lines << " branches " << t.branches_hit << "/" << t.branches
            << " functions " << t.functions;
}

long long sum_of(const std::string& text, const std::string& pattern) {
  long long sum = 0;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    sum += std::stoll((*it)[1]);
  return sum;
}

long long count_of(const std::string& text, const std::string& pattern) {
  const std::regex re(pattern);
  return std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator());
}

// What the sample writer put in, at original lines: a reformatted line
// split from one source line counts once, and ran when any part ran.
Totals expected_totals(const sorvi_sample::SampleSetSummary& set) {
  Totals t;
  for (const sorvi_sample::SampleModule& m : set.modules) {
    std::map<int, bool> lines;  // flattened line -> ran
    for (const sorvi_sample::SampleBlock& b : m.blocks) {
      if (b.dummy) continue;
      for (int l = b.start_line; l <= b.end_line; ++l) {
        if (m.ref_flags[static_cast<size_t>(l - 1)] != 'T') continue;
        lines[m.line_table[static_cast<size_t>(l - 1)]] |= b.combined > 0;
      }
    }
    t.lines += static_cast<long long>(lines.size());
    for (const auto& l : lines) t.lines_hit += l.second;
    t.branches += static_cast<long long>(m.branches.size());
    for (const sorvi_sample::SampleBranch& b : m.branches) t.branches_hit += b.combined > 0;
    t.functions += static_cast<long long>(m.procedures.size());
  }
  return t;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.seed = 11;
    options.modules = 2;
    options.target_lines = 400;
    // Without the GLH copies, a deleted work file is really missing.
    options.files = sorvi_sample::kSampleAllFiles & ~sorvi_sample::kSampleGlh;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
  }

  sorvi_test::RunResult run(std::vector<std::string> args) {
    return sorvi_test::run_program(SORVI_EXPORT_EXE, args, {"KELVAR=" + set_.root, "SOURCE_DATE_EPOCH=1"},
                                   set_.work_dir, 120);
  }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
};

TEST_F(ExportTest, FourOutputsAgreeWithTheSampleSet) {
  const std::string out = dir_.path() + "/out";
  for (const char* format : {"sarif", "lcov", "cobertura"}) {
    const sorvi_test::RunResult r = run({format, "-o", out + "." + format, "-j", "2"});
    EXPECT_EQ(r.status, 0) << format << ": " << r.err;
    EXPECT_EQ(r.err, "");
  }
  const sorvi_test::RunResult h = run({"html", out + ".html"});
  ASSERT_EQ(h.status, 0) << h.err;

  const std::string sarif = read_file(out + ".sarif");
  const std::string lcov = read_file(out + ".lcov");
  const std::string cobertura = read_file(out + ".cobertura");
  const std::string index = read_file(out + ".html/index.html");

  // Coverage: LCOV against the sample writer, Cobertura and the HTML index
  // against LCOV.
  const Totals expected = expected_totals(set_);
  Totals from_lcov{sum_of(lcov, "\nLF:(\\d+)"), sum_of(lcov, "\nLH:(\\d+)"), sum_of(lcov, "\nBRF:(\\d+)"),
                   sum_of(lcov, "\nBRH:(\\d+)"), sum_of(lcov, "\nFNF:(\\d+)")};
  EXPECT_EQ(from_lcov, expected);
  Totals from_cobertura{sum_of(cobertura, "<coverage [^>]*lines-valid=\"(\\d+)\""),
                        sum_of(cobertura, "<coverage [^>]*lines-covered=\"(\\d+)\""),
                        sum_of(cobertura, "<coverage [^>]*branches-valid=\"(\\d+)\""),
                        sum_of(cobertura, "<coverage [^>]*branches-covered=\"(\\d+)\""),
                        count_of(cobertura, "<method ")};
  EXPECT_EQ(from_cobertura, expected);
  Totals from_index{sum_of(index, "\\d+ / (\\d+) \\(\\d+\\.\\d %\\)</td><td[^>]*>\\d+ /"),
                    sum_of(index, "(\\d+) / \\d+ \\(\\d+\\.\\d %\\)</td><td[^>]*>\\d+ /"),
                    sum_of(index, "\\d+ / (\\d+) \\(\\d+\\.\\d %\\)</td><td[^>]*>\\d+</td>"),
                    sum_of(index, "(\\d+) / \\d+ \\(\\d+\\.\\d %\\)</td><td[^>]*>\\d+</td>"), expected.functions};
  EXPECT_EQ(from_index, expected);

  // Violations: one result per violation the window shows (a record with
  // a follow-up shows nothing), in SARIF and in the index's categories.
  long long violations = 0;
  std::set<std::pair<std::string, int>> header_places;
  for (const sorvi_sample::SampleModule& m : set_.modules) {
    violations += m.line_violations + m.procedure_violations + m.file_violations - m.follow_up_records;
    for (const sorvi_sample::SampleViolation& v : m.violations) {
      if (v.ref_line < 1) continue;
      const int flat = m.line_table[static_cast<size_t>(v.ref_line - 1)];
      if (flat >= m.include_start && flat <= m.include_end)
        header_places.insert({"file://" + m.header_path, flat - m.include_start + 1});
    }
  }
  EXPECT_EQ(count_of(sarif, "\\{\"ruleId\":"), violations);
  EXPECT_EQ(sum_of(index, "<td data-key=\"(\\d+)\">\\d+</td>(?=(<td data-key=\"\\d+\">\\d+</td>)*</tr>)"), violations);
  EXPECT_EQ(count_of(index, "<tr><td"), 2);

  // A violation in the included header lands in the header, at its line.
  std::set<std::pair<std::string, int>> in_header;
  const std::regex at_header("\"uri\":\"(file://[^\"]*\\.h)\"\\},\"region\":\\{\"startLine\":(\\d+)\\}");
  for (auto it = std::sregex_iterator(sarif.begin(), sarif.end(), at_header); it != std::sregex_iterator(); ++it)
    in_header.insert({(*it)[1], std::stoi((*it)[2])});
  EXPECT_FALSE(header_places.empty());
  EXPECT_EQ(in_header, header_places);
}

TEST_F(ExportTest, MissingWorkFileSkipsTheModuleAndUnwritableOutputLeavesNothing) {
  ASSERT_EQ(std::remove((set_.work_dir + set_.modules[1].stem + ".stb").c_str()), 0);
  const std::string out = dir_.path() + "/cov.info";
  sorvi_test::RunResult r = run({"lcov", "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(set_.modules[1].stem + ": cannot read the coverage"), std::string::npos) << r.err;
  const std::string lcov = read_file(out);
  EXPECT_NE(lcov.find("SF:" + set_.modules[0].source_path + "\n"), std::string::npos);
  EXPECT_EQ(lcov.find("SF:" + set_.modules[1].source_path + "\n"), std::string::npos);

  // SARIF needs no coverage: both modules, exit 0.
  r = run({"sarif", "-o", dir_.path() + "/v.sarif", set_.modules[1].stem + ".ref"});
  EXPECT_EQ(r.status, 0) << r.err;

  // Nothing exported, or nowhere to write: status 3 and no file.
  r = run({"lcov", "-o", dir_.path() + "/none.info", set_.modules[1].stem});
  EXPECT_EQ(r.status, 3);
  EXPECT_FALSE(sorvi_test::file_exists(dir_.path() + "/none.info"));
  r = run({"sarif", "-o", dir_.path() + "/no/such/dir/v.sarif"});
  EXPECT_EQ(r.status, 3);
  r = run({"json"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown format 'json'"), std::string::npos);
}

}  // namespace
