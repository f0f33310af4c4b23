// A whole sample module read by the block, coverage, procedures, data-flow
// and violation readers: the records agree with what the sample writer
// wrote, and the same module read from its GLH file once the plain files
// are gone gives the same records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/violation_reader.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"
#include "workfiles/block_file.h"
#include "workfiles/coverage_counts.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/sf1_reader.h"

namespace {

using sorvi_sample::SampleModule;
using sorvi_sample::SampleSetSummary;

// Everything the readers give for one module, as text lines.
struct ModuleRecords {
  std::vector<std::string> blocks;
  std::vector<std::string> coverage;
  std::vector<std::string> procedures;
  std::vector<std::string> dataflow;
  std::vector<std::string> violations;
};

std::string join(std::initializer_list<long long> values) {
  std::ostringstream out;
  for (long long v : values) out << v << ' ';
  return out.str();
}

std::string describe(const sorvi::Violation& v) {
  std::ostringstream out;
  out << v.line << ' ' << v.excluded_mark << ' ' << v.standard_number << ' ' << (v.letter ? v.letter : '-') << ' '
      << v.module_number << ' ' << v.procedure_number << ' ' << v.source_line << " [" << (v.main_text ? *v.main_text : "-")
      << "] [" << (v.extra_text ? *v.extra_text : "-") << "] follow " << v.has_follow_up << ' ' << v.follow_up.line;
  for (const sorvi::RelatedLocation& r : v.related) {
    out << " / " << r.module_number << ' ' << r.first_line << ' ' << r.place_module << ' ' << r.place_line << ' '
        << r.violation_line;
  }
  return out.str();
}

class WorkReadersSampleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new sorvi_test::TempDir();
    sorvi_sample::SampleSetOptions o;
    o.output_dir = dir_->file("set");
    o.seed = 41;
    o.language = 6;
    o.target_lines = 500;
    o.procedures = 9;
    summary_ = new SampleSetSummary(sorvi_sample::write_sample_set(o));
  }

  static void TearDownTestSuite() {
    delete summary_;
    delete dir_;
    summary_ = nullptr;
    dir_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(summary_->ok) << summary_->error;
    kelvar_ = std::make_unique<sorvi_test::ScopedEnv>("KELVAR", summary_->root);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(summary_->root);
    sorvi_test::reset_core_state();
    sorvi::reset_line_number_width();
  }

  void TearDown() override {
    sorvi_test::reset_core_state();
    sorvi::reset_line_number_width();
    cwd_.reset();
    kelvar_.reset();
  }

  static const SampleModule& module() { return summary_->modules.at(0); }
  static std::string stem() { return summary_->work_dir + module().stem; }
  static std::string glh() { return stem() + ".glh"; }

  // Reads everything of the module. With `from_glh` the source name is
  // known, so the procedures file too may come from the repository.
  static ModuleRecords read_module(bool from_glh) {
    ModuleRecords out;
    const SampleModule& m = module();
    const std::string s = stem();
    const std::string g = glh();
    const char* repository = m.source_path.c_str();

    sorvi::detect_line_number_width((s + ".ref").c_str(), g.c_str(), repository);

    sorvi::DynamicString source;
    if (from_glh) source = m.source_path;
    int main_start = -1;
    std::string main_name;
    sorvi::procedure_list procedures;
    sorvi::Sf1Reading reading;
    EXPECT_TRUE(sorvi::read_sf1_file(s.c_str(), source, &main_start, &main_name, &procedures, false, g.c_str(), true,
                                     &reading));
    out.procedures.push_back((source ? *source : std::string()) + " " +
                             join({main_start, reading.module_number}) + main_name);
    for (const sorvi::ProcedureRecord& p : procedures) {
      out.procedures.push_back((p.name ? *p.name : std::string()) + " " +
                               join({p.is_y_kind, p.is_p_kind, p.first_line, p.last_line, p.procedure_number}));
    }

    std::vector<sorvi::ProcedureBlocks> table;
    EXPECT_EQ(sorvi::read_block_file(s.c_str(), g.c_str(), repository, -1, table), sorvi::kBlockFileRead);
    // Main is listed first but stands last in the text; the walk needs text order.
    if (table.size() > 1) std::rotate(table.begin(), table.begin() + 1, table.end());

    std::vector<sorvi::BranchRecord> branches;
    out.coverage.push_back("flags " +
                           join({sorvi::read_block_flags(s.c_str(), g.c_str(), repository, -1, table, branches)}));
    std::vector<int> combined, current;
    out.coverage.push_back("counts " + join({sorvi::read_execution_counts(s.c_str(), g.c_str(), repository, -1, table,
                                                                          {}, branches, combined, current)}));
    for (size_t i = 0; i < combined.size(); ++i) {
      out.coverage.push_back("slot " + join({static_cast<long long>(i), combined[i],
                                             i < current.size() ? current[i] : -999999}));
    }
    for (const sorvi::BranchRecord& b : branches) {
      out.coverage.push_back("branch " + join({b.from, b.to, b.combinedCount, b.currentCount}));
    }
    for (const sorvi::ProcedureBlocks& p : table) {
      out.blocks.push_back(p.name + " " + join({p.number, p.blockCount, p.hasDummyStart, p.hasDummyExit, p.lastLine}));
      for (const sorvi::BlockSpan& b : p.blocks) {
        out.blocks.push_back(join({b.startLine, b.endLine, b.instrumented}));
      }
    }

    sorvi::DataflowLists lists;
    EXPECT_TRUE(sorvi::read_dataflow_file(s.c_str(), g.c_str(), repository, -1, lists));
    for (const auto& i : lists.lastDefs) out.dataflow.push_back("def " + join({i.procedure_number, i.block_number}) + i.name);
    for (const auto& i : lists.firstUses) out.dataflow.push_back("use " + join({i.procedure_number, i.block_number}) + i.name);
    for (const auto& u : lists.urAnomalies) {
      out.dataflow.push_back("ur " + join({u.undefined_line, u.referenced_line, u.negated}) + u.name);
    }

    EXPECT_EQ(sorvi::load_penalty_catalogue(m.language, nullptr, false, false, nullptr), sorvi::kPenaltiesLoaded);
    EXPECT_EQ(sorvi::load_report_configuration(nullptr, m.language, nullptr, nullptr), sorvi::kReportLoaded);
    sorvi::ViolationReadContext context;
    context.language = m.language;
    context.glh_file = g.c_str();
    context.repository_name = repository;
    context.procedures = &table;
    sorvi::violation_list line_violations, procedure_violations;
    EXPECT_TRUE(sorvi::read_violations(s.c_str(), line_violations, procedure_violations, -1, reading.index, nullptr,
                                       nullptr, context));
    for (const auto& v : line_violations) out.violations.push_back("line " + describe(v));
    for (const auto& v : procedure_violations) out.violations.push_back("procedure " + describe(v));
    return out;
  }

  static sorvi_test::TempDir* dir_;
  static SampleSetSummary* summary_;
  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

sorvi_test::TempDir* WorkReadersSampleTest::dir_ = nullptr;
SampleSetSummary* WorkReadersSampleTest::summary_ = nullptr;

TEST_F(WorkReadersSampleTest, ViolationsAgreeWithTheWrittenRecords) {
  const SampleModule& m = module();
  sorvi::DynamicString source;
  sorvi::Sf1Reading reading;
  ASSERT_TRUE(sorvi::read_sf1_file(stem().c_str(), source, nullptr, nullptr, nullptr, true, nullptr, true, &reading));
  ASSERT_NE(reading.index, nullptr);
  std::vector<sorvi::ProcedureBlocks> table;
  ASSERT_EQ(sorvi::read_block_file(stem().c_str(), nullptr, nullptr, -1, table), sorvi::kBlockFileRead);
  ASSERT_EQ(sorvi::load_penalty_catalogue(m.language, nullptr, false, false, nullptr), sorvi::kPenaltiesLoaded);
  ASSERT_EQ(sorvi::load_report_configuration(nullptr, m.language, nullptr, nullptr), sorvi::kReportLoaded);

  sorvi::ViolationReadContext context;
  context.language = m.language;
  context.procedures = &table;
  sorvi::violation_list lines, procs;
  ASSERT_TRUE(sorvi::read_violations(stem().c_str(), lines, procs, -1, reading.index, nullptr, nullptr, context));

  EXPECT_EQ(static_cast<int>(lines.size()), m.line_violations + m.file_violations);
  EXPECT_EQ(static_cast<int>(procs.size()), m.procedure_violations);
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(),
                             [](const sorvi::Violation& a, const sorvi::Violation& b) { return a.line < b.line; }));
  for (const sorvi_sample::SampleViolation& w : m.violations) {
    const sorvi::violation_list& list = (w.ref_line == 0 && w.procedure > 0) ? procs : lines;
    const bool found = std::any_of(list.begin(), list.end(), [&](const sorvi::Violation& v) {
      return v.line == w.ref_line && v.standard_number == w.standard && v.letter == w.letter &&
             v.procedure_number == w.procedure && v.module_number == m.module_number &&
             v.has_follow_up == w.follow_up;
    });
    EXPECT_TRUE(found) << w.file << " line " << w.line << " " << w.standard << " " << w.letter;
  }
  size_t follow_ups = 0;
  size_t related = 0;
  for (const auto* list : {&lines, &procs}) {
    for (const sorvi::Violation& v : *list) {
      follow_ups += v.has_follow_up ? 1 : 0;
      related += v.related.size();
    }
  }
  EXPECT_EQ(static_cast<int>(follow_ups), m.follow_up_records);
  EXPECT_EQ(static_cast<int>(related), m.related_records);
}

TEST_F(WorkReadersSampleTest, TheGlhFileGivesTheSameRecordsAsThePlainFiles) {
  const ModuleRecords plain = read_module(false);
  ASSERT_GE(plain.coverage.size(), 2u);
  EXPECT_EQ(plain.coverage[0], "flags 1 ");
  EXPECT_EQ(plain.coverage[1], "counts 1 ");
  EXPECT_FALSE(plain.blocks.empty());
  EXPECT_FALSE(plain.violations.empty());
  EXPECT_FALSE(plain.dataflow.empty());

  // Read again with every plain copy that the GLH file holds removed.
  const SampleModule& m = module();
  std::vector<std::pair<std::string, std::string>> saved;
  for (const std::string& name : m.glh_documents) {
    const std::string path = summary_->work_dir + name;
    saved.emplace_back(path, sorvi_test::read_file(path));
    ASSERT_EQ(std::remove(path.c_str()), 0) << name;
  }
  sorvi_test::reset_core_state();
  sorvi::reset_line_number_width();
  const ModuleRecords from_glh = read_module(true);
  for (const auto& file : saved) sorvi_test::write_file(file.first, file.second);

  EXPECT_EQ(from_glh.procedures, plain.procedures);
  EXPECT_EQ(from_glh.blocks, plain.blocks);
  EXPECT_EQ(from_glh.coverage, plain.coverage);
  EXPECT_EQ(from_glh.dataflow, plain.dataflow);
  EXPECT_EQ(from_glh.violations, plain.violations);
}

}  // namespace
