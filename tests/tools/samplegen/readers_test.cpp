// The work files of a sample set read by Sorvi's own work-file readers:
// the block file, the block flags and execution counts with their history
// and test cases, the procedures file with its index, and the data-flow
// file; also after the plain files are gone, from the module's GLH file.
#include <algorithm>
#include <cstdio>
#include <tuple>

#include "samplegen_fixture.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/standards_models.h"
#include "standards/violation_reader.h"
#include "samplegen/sample_suite_writer.h"
#include "workfiles/block_file.h"
#include "workfiles/coverage_counts.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/sf1_reader.h"

namespace samplegen_test {
namespace {

using sorvi_sample::SampleBlock;
using sorvi_sample::SampleProcedure;

class SampleReaders : public ::testing::Test {
 protected:
  void SetUp() override { sorvi::reset_line_number_width(); }
  void TearDown() override { sorvi::reset_line_number_width(); }

  // The module's block table in the order of the text: main, which the
  // block file lists first, goes after the procedure that ends just before
  // it, as the annotation generator places it.
  static std::vector<sorvi::ProcedureBlocks> text_order(std::vector<sorvi::ProcedureBlocks> table) {
    if (table.size() > 1) std::rotate(table.begin(), table.begin() + 1, table.end());
    return table;
  }

  static std::string stem(const SampleSetSummary& s, const SampleModule& m) { return s.work_dir + m.stem; }
  static std::string glh(const SampleSetSummary& s, const SampleModule& m) { return stem(s, m) + ".glh"; }

  // Reads the block table and checks it against the summary.
  static std::vector<sorvi::ProcedureBlocks> expect_block_table(const SampleSetSummary& s, const SampleModule& m) {
    EXPECT_EQ(sorvi::detect_line_number_width((stem(s, m) + ".ref").c_str(), glh(s, m).c_str(), m.source_path.c_str()),
              m.line_width);
    std::vector<sorvi::ProcedureBlocks> table;
    EXPECT_EQ(sorvi::read_block_file(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), -1, table),
              sorvi::kBlockFileRead);
    EXPECT_EQ(table.size(), m.procedures.size());
    for (const sorvi::ProcedureBlocks& p : table) {
      const auto expected = std::find_if(m.procedures.begin(), m.procedures.end(),
                                         [&](const SampleProcedure& q) { return q.number == p.number; });
      if (expected == m.procedures.end()) {
        ADD_FAILURE() << "no procedure " << p.number;
        continue;
      }
      EXPECT_EQ(p.name, expected->name);
      EXPECT_EQ(p.blockCount, expected->block_count);
      EXPECT_EQ(p.hasDummyStart, expected->dummy_start);
      EXPECT_EQ(p.hasDummyExit, expected->dummy_exit);
      EXPECT_EQ(p.lastLine, expected->last_line);
      for (int b = 0; b < p.blockCount && b < expected->block_count; ++b) {
        const SampleBlock& block = m.blocks[static_cast<size_t>(expected->first_block + b)];
        EXPECT_EQ(p.blocks[static_cast<size_t>(b)].startLine, block.start_line);
        EXPECT_EQ(p.blocks[static_cast<size_t>(b)].endLine, block.end_line);
      }
    }
    return table;
  }

  // Reads flags and counts in text order and checks them against the summary.
  static void expect_coverage(const SampleSetSummary& s, const SampleModule& m) {
    std::vector<sorvi::ProcedureBlocks> table = text_order(expect_block_table(s, m));
    ASSERT_EQ(sorvi::count_slot_total(table), m.blocks.size());
    std::vector<sorvi::BranchRecord> branches;
    ASSERT_TRUE(
        sorvi::read_block_flags(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), -1, table, branches));
    ASSERT_EQ(branches.size(), m.branches.size() + 1);
    EXPECT_EQ(branches.back().from, -1);
    for (size_t i = 0; i < m.branches.size(); ++i) {
      EXPECT_EQ(branches[i].from, m.branches[i].from);
      EXPECT_EQ(branches[i].to, m.branches[i].to);
    }
    size_t slot = 0;
    for (const sorvi::ProcedureBlocks& p : table) {
      for (const sorvi::BlockSpan& block : p.blocks) {
        const SampleBlock& expected = m.blocks[slot++];
        if (!expected.dummy) {
          EXPECT_EQ(block.instrumented, expected.instrumented) << "slot " << slot - 1;
        }
      }
    }

    std::vector<int> combined;
    std::vector<int> current;
    ASSERT_TRUE(sorvi::read_execution_counts(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), -1, table,
                                             sorvi::TestCaseSelection(), branches, combined, current));
    ASSERT_EQ(combined.size(), m.blocks.size());
    ASSERT_EQ(current.size(), m.blocks.size());
    for (size_t i = 0; i < m.blocks.size(); ++i) {
      EXPECT_EQ(combined[i], m.blocks[i].combined) << "slot " << i;
      EXPECT_EQ(current[i], m.blocks[i].runs[2]) << "slot " << i;
    }
    for (size_t i = 0; i < m.branches.size(); ++i) {
      EXPECT_EQ(branches[i].combinedCount, m.branches[i].combined);
      EXPECT_EQ(branches[i].currentCount, m.branches[i].runs[2]);
    }

    // Each test case gives the counts of its own run.
    for (int tc = 1; tc <= 3; ++tc) {
      sorvi::TestCaseSelection selection;
      selection.number = tc;
      selection.result_directory = s.tests_dir;
      selection.sequence = s.sequence;
      ASSERT_TRUE(sorvi::read_execution_counts(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), -1, table,
                                               selection, branches, combined, current));
      for (size_t i = 0; i < m.blocks.size(); ++i) EXPECT_EQ(combined[i], m.blocks[i].runs[tc - 1]);
      EXPECT_TRUE(current.empty());
    }
  }

  // Without a known source name the reader takes it from the plain file;
  // with one, it may read the GLH file's copy.
  static void expect_procedures_and_index(const SampleSetSummary& s, const SampleModule& m, bool name_known) {
    sorvi::DynamicString source;
    if (name_known) source = m.source_path;
    int main_start = -1;
    std::string main_name;
    sorvi::procedure_list procedures;
    sorvi::Sf1Reading reading;
    ASSERT_TRUE(sorvi::read_sf1_file(stem(s, m).c_str(), source, &main_start, &main_name, &procedures, false,
                                     glh(s, m).c_str(), true, &reading));
    EXPECT_EQ(std::string(sorvi::dynamic_string_text(source)), m.source_path);
    const SampleProcedure& main = m.procedures.back();
    EXPECT_EQ(main_start, m.blocks[static_cast<size_t>(main.first_block)].start_line);
    EXPECT_EQ(main_name, "main");
    EXPECT_EQ(reading.module_number, m.module_number);
    ASSERT_NE(reading.index, nullptr);
    EXPECT_EQ(reading.index->n, m.ref_lines);
    ASSERT_EQ(procedures.size(), m.procedures.size());
    for (const sorvi::ProcedureRecord& r : procedures) {
      const auto expected = std::find_if(m.procedures.begin(), m.procedures.end(),
                                         [&](const SampleProcedure& q) { return q.number == r.procedure_number; });
      ASSERT_NE(expected, m.procedures.end());
      EXPECT_EQ(std::string(sorvi::dynamic_string_text(r.name)), expected->name);
      EXPECT_EQ(r.first_line, expected->first_line);
      EXPECT_EQ(r.last_line, expected->last_line);
      EXPECT_EQ(r.is_y_kind, expected->number == 1 ? 1 : 0);
      EXPECT_EQ(r.is_p_kind, expected->number == 1 ? 0 : 1);
    }
  }

  static void expect_dataflow(const SampleSetSummary& s, const SampleModule& m) {
    sorvi::DataflowLists lists;
    ASSERT_TRUE(sorvi::read_dataflow_file(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), -1, lists));
    EXPECT_EQ(static_cast<int>(lists.lastDefs.size()), m.last_definitions);
    EXPECT_EQ(static_cast<int>(lists.firstUses.size()), m.first_uses);
    ASSERT_EQ(lists.urAnomalies.size(), m.ur_anomalies.size());
    for (const sorvi::UrAnomaly& ur : lists.urAnomalies) {
      const auto expected =
          std::find_if(m.ur_anomalies.begin(), m.ur_anomalies.end(),
                       [&](const sorvi_sample::SampleUrAnomaly& e) { return e.undefined_line == ur.undefined_line; });
      ASSERT_NE(expected, m.ur_anomalies.end());
      EXPECT_EQ(ur.referenced_line, expected->referenced_line);
      EXPECT_EQ(ur.negated, expected->negated ? 1 : 0);
      EXPECT_EQ(ur.name, "pending");
    }
    // One procedure's items only.
    const int procedure = m.dataflow.front().procedure;
    sorvi::DataflowLists one;
    ASSERT_TRUE(
        sorvi::read_dataflow_file(stem(s, m).c_str(), glh(s, m).c_str(), m.source_path.c_str(), procedure, one));
    const long long expected =
        std::count_if(m.dataflow.begin(), m.dataflow.end(),
                      [&](const sorvi_sample::SampleDataflowItem& d) { return d.procedure == procedure; });
    EXPECT_EQ(static_cast<long long>(one.lastDefs.size() + one.firstUses.size()), expected);
  }
};

// A violation as (line, letter, standard, procedure, text) for comparing lists.
using ViolationKey = std::tuple<int, char, int, int, std::string>;

TEST_F(SampleReaders, ViolationsWithTheirPlacesFollowUpsAndTexts) {
  SetEnvironment env(summary());
  const SampleModule& m = module();
  ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
  ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, sorvi::kNoModelName, nullptr), 0);
  int status = -1;
  const sorvi::IndexRecord* index = sorvi::read_index_file(m.source_path.c_str(), work_path(m, "").c_str(),
                                                           m.module_number, nullptr, &status);
  ASSERT_NE(index, nullptr);
  std::vector<sorvi::ProcedureBlocks> table = text_order(expect_block_table(summary(), m));
  sorvi::ViolationReadContext context;
  context.language = 2;
  context.glh_file = nullptr;
  context.repository_name = m.source_path.c_str();
  context.procedures = &table;
  sorvi::violation_list lines;
  sorvi::violation_list procedures;
  ASSERT_TRUE(sorvi::read_violations(work_path(m, "").c_str(), lines, procedures, -1, index, nullptr, nullptr,
                                     context));
  EXPECT_EQ(static_cast<int>(lines.size()), m.line_violations + m.file_violations);
  EXPECT_EQ(static_cast<int>(procedures.size()), m.procedure_violations);

  // Every violation at the reformatted line it belongs to, flattened
  // standards included, with the analysis text as its extra text.
  std::vector<ViolationKey> expected;
  std::vector<ViolationKey> read;
  for (const sorvi_sample::SampleViolation& v : m.violations) {
    expected.emplace_back(v.ref_line, v.letter, v.standard, v.procedure, v.text);
  }
  for (const sorvi::violation_list* list : {&lines, &procedures}) {
    for (const sorvi::Violation& v : *list) {
      read.emplace_back(v.line, v.letter, v.standard_number, v.procedure_number,
                        v.extra_text.value_or(std::string()));
    }
  }
  std::sort(expected.begin(), expected.end());
  std::sort(read.begin(), read.end());
  EXPECT_EQ(read, expected);

  int related = 0;
  int follow_ups = 0;
  for (const sorvi::Violation& v : lines) {
    related += static_cast<int>(v.related.size());
    follow_ups += v.has_follow_up;
    for (const sorvi::RelatedLocation& r : v.related) EXPECT_NE(r.place_line, v.line);
    if (v.has_follow_up) {
      EXPECT_EQ(v.follow_up.line, v.line);
    }
  }
  EXPECT_EQ(related, m.related_records);
  EXPECT_EQ(follow_ups, m.follow_up_records);
}

TEST_F(SampleReaders, ModelMisraC2004ReportsOnlyItsOwnStandards) {
  SetEnvironment env(summary());
  const SampleModule& m = module();
  ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
  ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, "MISRA-C:2004", nullptr), 0);
  sorvi::ViolationReadContext context;
  context.language = 2;
  sorvi::violation_list lines;
  sorvi::violation_list procedures;
  ASSERT_TRUE(sorvi::read_violations(work_path(m, "").c_str(), lines, procedures, -1, nullptr, nullptr, nullptr,
                                     context));
  size_t expected = 0;
  for (const sorvi_sample::SampleViolation& v : m.violations) {
    expected += sorvi_sample::find_sample_standard(v.letter, v.standard)->misra2004 != nullptr;
  }
  EXPECT_EQ(lines.size() + procedures.size(), expected);
  EXPECT_LT(expected, m.violations.size());
}

TEST_F(SampleReaders, BlockFlagsCountsHistoryAndTestCases) {
  SetEnvironment env(summary());
  for (const SampleModule& m : summary().modules) expect_coverage(summary(), m);
}

TEST_F(SampleReaders, ProceduresFileWithItsIndex) {
  SetEnvironment env(summary());
  for (const SampleModule& m : summary().modules) expect_procedures_and_index(summary(), m, false);
}

TEST_F(SampleReaders, DataflowFile) {
  SetEnvironment env(summary());
  for (const SampleModule& m : summary().modules) expect_dataflow(summary(), m);
}

TEST_F(SampleReaders, WideLineNumbersReadAlike) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.file("wide");
  o.target_lines = 300;
  o.line_width = 8;
  o.seed = 19;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  SetEnvironment env(s);
  expect_coverage(s, s.modules[0]);
  EXPECT_EQ(sorvi::line_number_width(), 8);
  expect_dataflow(s, s.modules[0]);
}

TEST_F(SampleReaders, EverythingFromTheGlhFileOnceThePlainFilesAreGone) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.file("set");
  o.target_lines = 250;
  o.seed = 23;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  for (const std::string& name : m.glh_documents) {
    ASSERT_EQ(std::remove((s.work_dir + name).c_str()), 0) << name;
  }
  for (int tc = 1; tc <= 3; ++tc) {
    ASSERT_EQ(std::remove((s.tests_dir + m.stem + "_tc" + std::to_string(tc) + ".pol").c_str()), 0);
  }
  SetEnvironment env(s);
  expect_coverage(s, m);
  expect_procedures_and_index(s, m, true);
  expect_dataflow(s, m);
}


// A million lines: W becomes 7, main starts beyond line 999999, and the
// data-flow file numbers more than 999999 records.
TEST_F(SampleReaders, MillionLineSetReadsBack) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.file("big");
  o.target_lines = 1002000;
  o.files = sorvi_sample::kSampleAllFiles & ~sorvi_sample::kSampleGlh;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  EXPECT_EQ(m.line_width, 7);
  EXPECT_GE(m.ref_lines, 1000000);
  EXPECT_GT(m.blocks[static_cast<size_t>(m.procedures.back().first_block)].start_line, 999999);
  EXPECT_GT(m.dataflow.size() + m.ur_anomalies.size(), 1000000u);
  SetEnvironment env(s);
  expect_coverage(s, m);
  expect_procedures_and_index(s, m, false);
  expect_dataflow(s, m);
}

}  // namespace
}  // namespace samplegen_test
