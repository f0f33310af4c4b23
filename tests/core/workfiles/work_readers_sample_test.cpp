// A whole sample module read by the block, coverage, procedures, data-flow
// and violation readers: the violations and the execution counts (with
// their history and each test case's own) agree with what the sample
// writer wrote, and the same module read from its GLH file once the plain
// files are gone gives the same records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "samplegen/sample_set_writer.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/violation_reader.h"
#include "support/test_support.h"
#include "workfiles/block_file.h"
#include "workfiles/coverage_counts.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/sf1_reader.h"

namespace {

using sorvi_sample::SampleModule;

class WorkReadersSampleTest : public ::testing::Test {
 protected:
  static const sorvi_sample::SampleSetSummary& set() {
    static sorvi_test::TempDir dir;
    static const sorvi_sample::SampleSetSummary summary = [] {
      sorvi_sample::SampleSetOptions o;
      o.output_dir = dir.file("set");
      o.seed = 41;
      o.language = 6;
      o.target_lines = 500;
      o.procedures = 9;
      return sorvi_sample::write_sample_set(o);
    }();
    return summary;
  }

  void SetUp() override {
    ASSERT_TRUE(set().ok) << set().error;
    kelvar_ = std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set().root);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(set().root);
    sorvi_test::reset_core_state();
  }

  void TearDown() override { sorvi_test::reset_core_state(); }

  static const SampleModule& module() { return set().modules.at(0); }
  static std::string stem() { return set().work_dir + module().stem; }

  // The block table in text order: main is listed first but stands last.
  static std::vector<sorvi::ProcedureBlocks> text_order_blocks(const char* glh) {
    std::vector<sorvi::ProcedureBlocks> table;
    EXPECT_EQ(sorvi::read_block_file(stem().c_str(), glh, module().source_path.c_str(), -1, table), sorvi::kBlockFileRead);
    if (table.size() > 1) std::rotate(table.begin(), table.begin() + 1, table.end());
    return table;
  }

  static sorvi::violation_list violations(const sorvi::IndexRecord* index, const std::vector<sorvi::ProcedureBlocks>& table,
                                          const char* glh, sorvi::violation_list& procedure_list) {
    const SampleModule& m = module();
    EXPECT_EQ(sorvi::load_penalty_catalogue(m.language, nullptr, false, false, nullptr), sorvi::kPenaltiesLoaded);
    EXPECT_EQ(sorvi::load_report_configuration(nullptr, m.language, nullptr, nullptr), sorvi::kReportLoaded);
    sorvi::ViolationReadContext context;
    context.language = m.language;
    context.glh_file = glh;
    context.repository_name = m.source_path.c_str();
    context.procedures = &table;
    sorvi::violation_list line_list;
    EXPECT_TRUE(sorvi::read_violations(stem().c_str(), line_list, procedure_list, -1, index, nullptr, nullptr, context));
    return line_list;
  }

  // Everything the readers give for the module, one text per reader. With
  // `from_glh` the source name is known, so the procedures file too may
  // come from the repository.
  static std::vector<std::string> read_module(bool from_glh) {
    const SampleModule& m = module();
    const std::string glh = stem() + ".glh";
    std::ostringstream procs, blocks, coverage, dataflow, found;
    sorvi::detect_line_number_width((stem() + ".ref").c_str(), glh.c_str(), m.source_path.c_str());
    sorvi::DynamicString source;
    if (from_glh) source = m.source_path;
    int main_start = -1;
    std::string main_name;
    sorvi::procedure_list procedures;
    sorvi::Sf1Reading reading;
    EXPECT_TRUE(sorvi::read_sf1_file(stem().c_str(), source, &main_start, &main_name, &procedures, false, glh.c_str(),
                                     true, &reading));
    procs << (source ? *source : "") << " " << main_start << " " << reading.module_number << " " << main_name;
    for (const sorvi::ProcedureRecord& p : procedures) {
      procs << ", " << *p.name << " " << p.is_y_kind << p.is_p_kind << " " << p.first_line << "-" << p.last_line << "#"
            << p.procedure_number;
    }
    std::vector<sorvi::ProcedureBlocks> table = text_order_blocks(glh.c_str());
    std::vector<sorvi::BranchRecord> branches;
    std::vector<int> combined, current;
    coverage << sorvi::read_block_flags(stem().c_str(), glh.c_str(), m.source_path.c_str(), -1, table, branches)
             << sorvi::read_execution_counts(stem().c_str(), glh.c_str(), m.source_path.c_str(), -1, table, {}, branches,
                                             combined, current);
    for (size_t i = 0; i < combined.size(); ++i) coverage << " " << combined[i] << "/" << current.at(i);
    for (const sorvi::BranchRecord& b : branches) {
      coverage << " " << b.from << ">" << b.to << "=" << b.combinedCount << "/" << b.currentCount;
    }
    for (const sorvi::ProcedureBlocks& p : table) {
      blocks << ", " << p.name << "#" << p.number << "/" << p.blockCount << " " << p.hasDummyStart << p.hasDummyExit
             << " " << p.lastLine;
      for (const sorvi::BlockSpan& b : p.blocks) blocks << " " << b.startLine << "-" << b.endLine << (b.instrumented ? "" : "u");
    }
    sorvi::DataflowLists lists;
    EXPECT_TRUE(sorvi::read_dataflow_file(stem().c_str(), glh.c_str(), m.source_path.c_str(), -1, lists));
    for (const auto* list : {&lists.lastDefs, &lists.firstUses}) {
      for (const auto& i : *list) dataflow << " " << i.procedure_number << "/" << i.block_number << ":" << i.name;
      dataflow << " |";
    }
    for (const auto& u : lists.urAnomalies) {
      dataflow << " " << u.undefined_line << ">" << u.referenced_line << u.negated << ":" << u.name;
    }
    sorvi::violation_list procedure_list;
    sorvi::violation_list line_list = violations(reading.index, table, glh.c_str(), procedure_list);
    for (const sorvi::violation_list* list : {&line_list, &procedure_list}) {
      for (const sorvi::Violation& v : *list) {
        found << ", " << v.line << " " << v.excluded_mark << " " << v.standard_number << (v.letter ? v.letter : '-') << " "
              << v.module_number << "/" << v.procedure_number << " @" << v.source_line << " ["
              << (v.main_text ? *v.main_text : "-") << "] [" << (v.extra_text ? *v.extra_text : "-") << "] "
              << v.has_follow_up << v.follow_up.line;
        for (const sorvi::RelatedLocation& r : v.related) {
          found << " r" << r.module_number << ":" << r.first_line << ":" << r.place_module << ":" << r.place_line << ":"
                << r.violation_line;
        }
      }
      found << " |";
    }
    return {procs.str(), blocks.str(), coverage.str(), dataflow.str(), found.str()};
  }

  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

TEST_F(WorkReadersSampleTest, ViolationsAgreeWithTheWrittenRecords) {
  const SampleModule& m = module();
  sorvi::DynamicString source;
  sorvi::Sf1Reading reading;
  ASSERT_TRUE(sorvi::read_sf1_file(stem().c_str(), source, nullptr, nullptr, nullptr, true, nullptr, true, &reading));
  ASSERT_NE(reading.index, nullptr);
  sorvi::violation_list procs;
  sorvi::violation_list lines = violations(reading.index, text_order_blocks(nullptr), nullptr, procs);
  EXPECT_EQ(static_cast<int>(lines.size()), m.line_violations + m.file_violations);
  EXPECT_EQ(static_cast<int>(procs.size()), m.procedure_violations);
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(),
                             [](const sorvi::Violation& a, const sorvi::Violation& b) { return a.line < b.line; }));
  for (const sorvi_sample::SampleViolation& w : m.violations) {
    const sorvi::violation_list& list = (w.ref_line == 0 && w.procedure > 0) ? procs : lines;
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const sorvi::Violation& v) {
      return v.line == w.ref_line && v.standard_number == w.standard && v.letter == w.letter &&
             v.procedure_number == w.procedure && v.module_number == m.module_number && v.has_follow_up == w.follow_up;
    })) << w.file << " line " << w.line << " " << w.standard << " " << w.letter;
  }
  int follow_ups = 0, related = 0;
  for (const sorvi::violation_list* list : {&lines, &procs}) {
    for (const sorvi::Violation& v : *list) {
      follow_ups += v.has_follow_up;
      related += static_cast<int>(v.related.size());
    }
  }
  EXPECT_EQ(follow_ups, m.follow_up_records);
  EXPECT_EQ(related, m.related_records);
}

// Without a test case: the combined counts, current ones from the third
// run; test case N: the counts of run N alone, without history.
TEST_F(WorkReadersSampleTest, CountsAgreeWithTheWrittenRuns) {
  const SampleModule& m = module();
  std::vector<sorvi::ProcedureBlocks> table = text_order_blocks(nullptr);
  std::vector<sorvi::BranchRecord> branches;
  ASSERT_TRUE(sorvi::read_block_flags(stem().c_str(), nullptr, nullptr, -1, table, branches));
  std::ostringstream read, written;
  for (int tc = 0; tc <= 3; ++tc) {
    sorvi::TestCaseSelection selection;
    selection.number = tc;
    selection.result_directory = set().tests_dir;
    selection.sequence = set().sequence;
    std::vector<int> combined, current;
    ASSERT_TRUE(sorvi::read_execution_counts(stem().c_str(), nullptr, nullptr, -1, table, selection, branches,
                                             combined, current));
    read << "\ntc" << tc << ":";
    written << "\ntc" << tc << ":";
    for (size_t i = 0; i < combined.size(); ++i) read << " " << combined[i] << "/" << (tc ? current.size() : current[i]);
    for (const auto& b : m.blocks) written << " " << (tc ? b.runs[tc - 1] : b.combined) << "/" << (tc ? 0 : b.runs[2]);
    if (tc) continue;
    for (const auto& b : branches) read << " " << b.from << ">" << b.to << "=" << b.combinedCount << "/" << b.currentCount;
    for (const auto& b : m.branches) written << " " << b.from << ">" << b.to << "=" << b.combined << "/" << b.runs[2];
    written << " -1>-1=0/0";
  }
  EXPECT_EQ(read.str(), written.str());
}

TEST_F(WorkReadersSampleTest, TheGlhFileGivesTheSameRecordsAsThePlainFiles) {
  const std::vector<std::string> plain = read_module(false);
  for (const std::string& records : plain) EXPECT_GT(records.size(), 40u) << records;
  EXPECT_EQ(plain[2].substr(0, 2), "11") << "flags and counts read";

  // Read again with every plain copy that the GLH file holds removed.
  std::vector<std::pair<std::string, std::string>> saved;
  for (const std::string& name : module().glh_documents) {
    const std::string path = set().work_dir + name;
    saved.emplace_back(path, sorvi_test::read_file(path));
    ASSERT_EQ(std::remove(path.c_str()), 0) << name;
  }
  sorvi_test::reset_core_state();
  const std::vector<std::string> from_glh = read_module(true);
  for (const auto& file : saved) sorvi_test::write_file(file.first, file.second);
  EXPECT_EQ(from_glh, plain);
}

}  // namespace
