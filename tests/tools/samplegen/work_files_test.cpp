// What holds across the files of a sample set and that no reader checks:
// blocks tile their procedures, decision counts split over their branches,
// violations lie in their procedures, and the procedure-code file shows
// each procedure as the reformatted file does.
#include <array>
#include <map>

#include "annotate/annotation_generator.h"
#include "annotate/ref_document.h"
#include "config/startup_options.h"
#include "samplegen/sample_suite_writer.h"
#include "samplegen_fixture.h"

namespace samplegen_test {
namespace {

using sorvi_sample::SampleBlock;
using sorvi_sample::SampleProcedure;

TEST(SampleBlocks, BlocksTileEachProcedureAndMainFollowsThePreviousOne) {
  for (const SampleModule& m : shared_set().modules) {
    int previous_last = 0;
    for (const SampleProcedure& p : m.procedures) {
      // Main's first block starts where Sorvi places it: right after the procedure before it.
      int next = p.number == 1 ? previous_last + 1 : p.first_line;
      for (int b = 0; b < p.block_count; ++b) {
        const SampleBlock& block = m.blocks[static_cast<size_t>(p.first_block + b)];
        EXPECT_EQ(block.procedure * 1000 + block.number, p.number * 1000 + b + 1);
        // A dummy start node stands on the definition, a dummy exit node last, on the closing line.
        const bool dummy_start = b == 0 && p.dummy_start, dummy_exit = b + 1 == p.block_count && p.dummy_exit;
        EXPECT_EQ(block.dummy, dummy_start || dummy_exit) << p.name << " block " << b + 1;
        EXPECT_EQ(block.start_line, dummy_start ? p.first_line : dummy_exit ? p.last_line : next) << p.name << b + 1;
        if (!block.dummy) next = block.end_line + 1;
      }
      EXPECT_EQ(next, p.last_line + 1) << p.name;
      previous_last = p.last_line;
    }
    EXPECT_EQ(m.procedures.back().name, "main");
  }
}

TEST(SampleCounts, DecisionCountsSplitOverTheirBranches) {
  for (const SampleModule& m : shared_set().modules) {
    std::map<int, const SampleBlock*> ending_at, starting_at;
    for (const SampleBlock& b : m.blocks) {
      if (!b.dummy) ending_at[b.end_line] = starting_at[b.start_line] = &b;
    }
    std::map<const SampleBlock*, std::array<long long, 3>> sums;
    int partly = 0;
    for (const sorvi_sample::SampleBranch& br : m.branches) {
      ASSERT_TRUE(ending_at.count(br.from) && starting_at.count(br.to)) << br.from << " -> " << br.to;
      EXPECT_EQ(ending_at[br.from]->procedure, starting_at[br.to]->procedure);
      EXPECT_EQ(m.ref_flags[static_cast<size_t>(br.from - 1)], 'T');
      for (size_t r = 0; r < 3; ++r) sums[ending_at[br.from]][r] += br.runs[r];
      partly += br.combined == 0 && ending_at[br.from]->combined > 0;
    }
    for (const auto& s : sums) {
      EXPECT_EQ(s.second, (std::array<long long, 3>{s.first->runs[0], s.first->runs[1], s.first->runs[2]}))
          << "decision at " << s.first->end_line;
    }
    EXPECT_GT(partly, 0) << "some decisions ran with a branch never taken";
  }
}

TEST(SampleViolations, LinesLieInTheirProcedureAndFlattenedLinesComeFromTheIndex) {
  for (const SampleModule& m : shared_set().modules) {
    int flattened = 0;
    for (const sorvi_sample::SampleViolation& v : m.violations) {
      const sorvi_sample::SampleStandard* s = sorvi_sample::find_sample_standard(v.letter, v.standard);
      ASSERT_NE(s, nullptr) << v.letter << v.standard;
      if (v.line == 0) {
        EXPECT_TRUE(v.ref_line == 0 && (!v.procedure || s->scope == sorvi_sample::StandardScope::kProcedure));
        continue;
      }
      EXPECT_EQ(s->scope, sorvi_sample::StandardScope::kLine) << v.letter << v.standard;
      EXPECT_EQ(v.flattened, s->flattened);
      EXPECT_EQ(v.line, s->flattened ? m.line_table[static_cast<size_t>(v.ref_line - 1)] : v.ref_line);
      flattened += s->flattened && v.line != v.ref_line;
      for (const SampleProcedure& p : m.procedures) {
        const int first = m.blocks[static_cast<size_t>(p.first_block)].start_line;
        EXPECT_EQ(v.ref_line >= first && v.ref_line <= p.last_line, p.number == v.procedure) << v.ref_line << p.name;
      }
    }
    EXPECT_GE(flattened, 2);
  }
}

// Opened as "sorvi <stem>.xtx -Language=2 -Procnum=N" opens it.
TEST(SampleProcedureCode, EveryProcedureShowsAsFromTheReformattedFile) {
  const SampleSetSummary& s = shared_set();
  const SampleModule& m = s.modules.at(0);
  const auto view = [&](const std::string& extension, int procedure) {
    SetEnvironment env(s);
    sorvi::startup_options().Language = 2;
    sorvi::startup_options().Procnum = procedure;
    const std::unique_ptr<sorvi::XtxDocument> doc = sorvi::build_xtx_document(s.work_dir + m.stem + extension);
    sorvi::AnnotatedLineList list;
    std::string text = doc && sorvi::GenerateAnnotatedLines(doc->context, list) ? sorvi::xtx_status_text(*doc) : "none";
    for (const sorvi::AnnotatedLine& line : list.lines()) text += "\n" + std::to_string(line.style) + line.text;
    return text;
  };
  for (const SampleProcedure& p : m.procedures) {
    const std::string shown = view(".xtx", p.number);
    EXPECT_EQ(shown, view(".ref", p.number)) << p.name;
    EXPECT_NE(shown.find(p.name + "("), std::string::npos) << shown;  // its definition
  }
}

}  // namespace
}  // namespace samplegen_test
