// A whole sample module read by the block, coverage, procedures, data-flow
// and violation readers: the violations and the execution counts (with
// their history and each test case's own) agree with what the sample
// writer wrote, and the same module read from its GLH file once the plain
// files are gone gives the same records.
#include <algorithm>

#include "samplegen/sample_set_writer.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/coverage_counts.h"
#include "workfiles_fixture.h"

namespace {

using sorvi_sample::SampleModule;

// Everything the readers give for the module: one dump per reader, and the
// violation lists.
struct ModuleRecords {
  std::vector<std::string> dumps;
  sorvi::violation_list lines, procedures;
};

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

  // With `from_glh` the source name is known, so the procedures file too
  // may come from the repository. The block table is taken in text order
  // (main is listed first but stands last).
  static ModuleRecords read_module(bool from_glh) {
    const SampleModule& m = module();
    const std::string stem = set().work_dir + m.stem, glh = stem + ".glh";
    const char* repository = m.source_path.c_str();
    sorvi::detect_line_number_width((stem + ".ref").c_str(), glh.c_str(), repository);
    sorvi::DynamicString source;
    if (from_glh) source = m.source_path;
    int main_start = -1;
    std::string main_name;
    sorvi::procedure_list procedures;
    sorvi::Sf1Reading reading;
    const bool sf1 = sorvi::read_sf1_file(stem.c_str(), source, &main_start, &main_name, &procedures, false,
                                          glh.c_str(), true, &reading);
    std::vector<sorvi::ProcedureBlocks> table;
    const int blocks = sorvi::read_block_file(stem.c_str(), glh.c_str(), repository, -1, table);
    if (table.size() > 1) std::rotate(table.begin(), table.begin() + 1, table.end());
    std::vector<sorvi::BranchRecord> branches;
    std::vector<int> combined, current;
    std::ostringstream coverage;
    coverage << sorvi::read_block_flags(stem.c_str(), glh.c_str(), repository, -1, table, branches)
             << sorvi::read_execution_counts(stem.c_str(), glh.c_str(), repository, -1, table, {}, branches, combined,
                                             current);
    for (size_t i = 0; i < combined.size(); ++i) coverage << " " << combined[i] << "/" << current.at(i);
    for (const auto& b : branches) {
      coverage << " " << b.from << ">" << b.to << "=" << b.combinedCount << "/" << b.currentCount;
    }
    sorvi::DataflowLists lists;
    const bool dataflow = sorvi::read_dataflow_file(stem.c_str(), glh.c_str(), repository, -1, lists);
    ModuleRecords out;
    sorvi::load_penalty_catalogue(m.language, nullptr, false, false, nullptr);
    sorvi::load_report_configuration(nullptr, m.language, nullptr, nullptr);
    sorvi::ViolationReadContext context{m.language, glh.c_str(), repository, &table};
    const bool violations = sorvi::read_violations(stem.c_str(), out.lines, out.procedures, -1, reading.index, nullptr,
                                                   nullptr, context);
    out.dumps = {std::to_string(sf1) + " " + (source ? *source : "") + " " + std::to_string(main_start) + " " +
                     std::to_string(reading.module_number) + " " + main_name +
                     workfiles_test::dump_procedures(procedures),
                 std::to_string(blocks) + workfiles_test::dump_blocks(table), coverage.str(),
                 std::to_string(dataflow) + workfiles_test::dump_dataflow(lists),
                 std::to_string(violations) + workfiles_test::dump_violations(out.lines) + " | " +
                     workfiles_test::dump_violations(out.procedures)};
    return out;
  }

  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

// Every written violation is read at its reformatted line; the coverage
// dump holds the combined counts with current ones from the third run;
// test case N gives the counts of run N alone, without history.
TEST_F(WorkReadersSampleTest, TheRecordsAgreeWithWhatTheWriterWrote) {
  const SampleModule& m = module();
  const ModuleRecords read = read_module(false);
  EXPECT_EQ(static_cast<int>(read.lines.size()), m.line_violations + m.file_violations);
  EXPECT_EQ(static_cast<int>(read.procedures.size()), m.procedure_violations);
  int follow_ups = 0, related = 0;
  for (const sorvi_sample::SampleViolation& w : m.violations) {
    const sorvi::violation_list& list = (w.ref_line == 0 && w.procedure > 0) ? read.procedures : read.lines;
    EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const sorvi::Violation& v) {
      return v.line == w.ref_line && v.standard_number == w.standard && v.letter == w.letter &&
             v.procedure_number == w.procedure && v.module_number == m.module_number && v.has_follow_up == w.follow_up;
    })) << w.file << " line " << w.line << " " << w.standard << " " << w.letter;
  }
  for (const sorvi::violation_list* list : {&read.lines, &read.procedures}) {
    for (const sorvi::Violation& v : *list) {
      follow_ups += v.has_follow_up;
      related += static_cast<int>(v.related.size());
    }
  }
  EXPECT_EQ(std::to_string(follow_ups) + " " + std::to_string(related),
            std::to_string(m.follow_up_records) + " " + std::to_string(m.related_records));

  std::ostringstream written;
  written << "11";
  for (const auto& b : m.blocks) written << " " << b.combined << "/" << b.runs[2];
  for (const auto& b : m.branches) written << " " << b.from << ">" << b.to << "=" << b.combined << "/" << b.runs[2];
  EXPECT_EQ(read.dumps[2], written.str() + " -1>-1=0/0");
  std::vector<sorvi::ProcedureBlocks> table;
  ASSERT_EQ(sorvi::read_block_file((set().work_dir + m.stem).c_str(), nullptr, nullptr, -1, table), 0);
  std::rotate(table.begin(), table.begin() + 1, table.end());
  for (int tc = 1; tc <= 3; ++tc) {
    std::vector<sorvi::BranchRecord> branches;
    std::vector<int> combined, current;
    ASSERT_TRUE(sorvi::read_execution_counts((set().work_dir + m.stem).c_str(), nullptr, nullptr, -1, table,
                                             {tc, set().tests_dir, set().sequence}, branches, combined, current));
    std::ostringstream counts, run;
    for (int count : combined) counts << " " << count;
    for (const auto& b : m.blocks) run << " " << b.runs[tc - 1];
    EXPECT_EQ(counts.str() + " current " + std::to_string(current.size()), run.str() + " current 0") << tc;
  }
}

TEST_F(WorkReadersSampleTest, TheGlhFileGivesTheSameRecordsAsThePlainFiles) {
  const std::vector<std::string> plain = read_module(false).dumps;
  for (const std::string& records : plain) EXPECT_GT(records.size(), 40u) << records;
  // Read again with every plain copy that the GLH file holds removed.
  std::vector<std::pair<std::string, std::string>> saved;
  for (const std::string& name : module().glh_documents) {
    const std::string path = set().work_dir + name;
    saved.emplace_back(path, sorvi_test::read_file(path));
    ASSERT_EQ(std::remove(path.c_str()), 0) << name;
  }
  sorvi_test::reset_core_state();
  const std::vector<std::string> from_glh = read_module(true).dumps;
  for (const auto& file : saved) sorvi_test::write_file(file.first, file.second);
  EXPECT_EQ(from_glh, plain);
}

}  // namespace
