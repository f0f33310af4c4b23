// What holds across the files of a sample set and that no reader checks:
// blocks tile their procedures, decision counts split over their branches,
// and violations lie in their procedures.
#include <array>
#include <map>

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
      std::vector<const SampleBlock*> real;
      for (int b = 0; b < p.block_count; ++b) {
        const SampleBlock& block = m.blocks[static_cast<size_t>(p.first_block + b)];
        EXPECT_EQ(block.procedure * 1000 + block.number, p.number * 1000 + b + 1);
        if (!block.dummy) real.push_back(&block);
        // A dummy start node stands on the definition, a dummy exit node on the closing line.
        if (block.dummy) {
          EXPECT_EQ(block.start_line, b == 0 && p.dummy_start ? p.first_line : p.last_line) << p.name;
        }
      }
      ASSERT_FALSE(real.empty());
      EXPECT_EQ(m.blocks[static_cast<size_t>(p.first_block)].dummy, p.dummy_start) << p.name;
      EXPECT_EQ(m.blocks[static_cast<size_t>(p.first_block + p.block_count - 1)].dummy, p.dummy_exit) << p.name;
      // Main's first block starts where Sorvi places it: after the procedure before it.
      EXPECT_EQ(real.front()->start_line, p.number == 1 ? previous_last + 1 : p.first_line) << p.name;
      EXPECT_EQ(real.back()->end_line, p.last_line);
      for (size_t i = 1; i < real.size(); ++i) EXPECT_EQ(real[i]->start_line, real[i - 1]->end_line + 1);
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
    std::map<int, std::array<long long, 3>> sums;
    int partly = 0;
    for (const sorvi_sample::SampleBranch& br : m.branches) {
      ASSERT_TRUE(ending_at.count(br.from) && starting_at.count(br.to)) << br.from << " -> " << br.to;
      EXPECT_EQ(ending_at[br.from]->procedure, starting_at[br.to]->procedure);
      EXPECT_EQ(m.ref_flags[static_cast<size_t>(br.from - 1)], 'T');
      for (size_t r = 0; r < 3; ++r) sums[br.from][r] += br.runs[r];
      partly += br.combined == 0 && ending_at[br.from]->combined > 0;
    }
    for (const auto& s : sums) {
      const long long* runs = ending_at[s.first]->runs;
      EXPECT_EQ(s.second, (std::array<long long, 3>{runs[0], runs[1], runs[2]})) << "decision at " << s.first;
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
      const auto scope = v.line ? sorvi_sample::StandardScope::kLine : sorvi_sample::StandardScope::kProcedure;
      if (v.line || v.procedure) {
        EXPECT_EQ(s->scope, scope) << v.letter << v.standard;
      }
      if (v.line == 0) {
        EXPECT_EQ(v.ref_line, 0);
        continue;
      }
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

}  // namespace
}  // namespace samplegen_test
