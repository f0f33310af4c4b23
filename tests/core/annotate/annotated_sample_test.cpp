// Generation over whole sample analysis sets, against what the sample
// writer put into them: every reformatted line once and in order, each
// violation after its line, the rules balanced, and nothing reported.
#include <cstdio>
#include <set>
#include <tuple>

#include "annotate_fixture.h"
#include "samplegen/sample_set_writer.h"

namespace annotate_test {
namespace {

TEST_F(AnnotateTest, EveryAnnotationOverASampleModule) {
  // C with the plain work files; C++ (main's start from the ".sf1" file)
  // with every work file the GLH file holds taken from it.
  for (auto [language, from_repository] : {std::pair{2, false}, std::pair{6, true}}) {
    SCOPED_TRACE(language);
    sorvi_sample::SampleSetOptions o;
    o.output_dir = dir() + "/set" + std::to_string(language);
    o.target_lines = 600;
    o.language = language;
    const sorvi_sample::SampleSetSummary set = sorvi_sample::write_sample_set(o);
    ASSERT_TRUE(set.ok) << set.error;
    const sorvi_sample::SampleModule& m = set.modules[0];
    sorvi_test::ScopedEnv kelvar("KELVAR", set.root);
    reset_state();
    if (from_repository) {
      for (const std::string& name : m.glh_documents) std::remove((set.work_dir + name).c_str());
    }
    sorvi_test::ReportCapture report;
    sorvi::AnnotationContext* c = keep(sorvi::CreateAnnotationContext(
        set.work_dir + m.stem + ".ref", -1, -1, m.source_path, "", nullptr, false, false, false, false, false,
        set.work_dir + m.stem + ".glh", 2047, false));
    ASSERT_NE(c, nullptr);
    sorvi::SetRunOptions(c, m.language, nullptr, 0, nullptr, nullptr);
    const std::vector<sorvi::AnnotatedLine> lines = generate(c);
    ASSERT_TRUE(c->blocksLoaded && c->coverageLoaded && c->violationsLoaded && c->dataflowLoaded && c->indexLoaded);
    EXPECT_TRUE(c->mainMoved);  // main is the first record and stands last in the text

    // Every reformatted line once, in order, as a code line; after it its
    // violations (a violation with a follow-up record shows through that),
    // cross-references and UR anomalies (one at each of its two lines).
    int line = 0, procedure_rules = 0, coverage_notes = 0, cross_references = 0, anomalies = 0;
    std::multiset<std::tuple<int, int, char>> shown, expected;
    for (const sorvi::AnnotatedLine& l : lines) {
      int standard = 0;
      char letter = 0;
      if (l.style == sorvi::kStyleCode && l.text != " ") {
        EXPECT_EQ(l.text.substr(0, 6), format("%6d", ++line)) << l.text;
      } else if (l.style == sorvi::kStyleViolation && l.text.find("VIOLATION") != std::string::npos &&
                 std::sscanf(l.text.c_str(), "%*[^:]: %d %c", &standard, &letter) == 2) {
        shown.emplace(line, standard, letter);
      }
      cross_references += l.text.find("See also Ref. line") != std::string::npos ? 1 : 0;
      anomalies += l.text.find("UR ANOMALY") != std::string::npos ? 1 : 0;
      procedure_rules += l.style == sorvi::kStyleProcedureRule ? 1 : 0;
      coverage_notes += l.text.rfind("Combined Coverage : Block ", 0) == 0 ? 1 : 0;
    }
    for (const sorvi_sample::SampleViolation& v : m.violations) {
      if (v.ref_line > 0 && !v.follow_up) expected.emplace(v.ref_line, v.standard, v.letter);
    }
    EXPECT_EQ(line, m.ref_lines);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(cross_references, m.related_records);
    EXPECT_EQ(anomalies, 2 * static_cast<int>(m.ur_anomalies.size()));
    // Each procedure opens and closes with a procedure rule; at most one
    // combined note per real block.
    EXPECT_EQ(procedure_rules, 2 * static_cast<int>(m.procedures.size()));
    int real_blocks = 0;
    for (const sorvi_sample::SampleBlock& b : m.blocks) real_blocks += b.dummy ? 0 : 1;
    EXPECT_GT(coverage_notes, 0);
    EXPECT_LE(coverage_notes, real_blocks);
    EXPECT_EQ(lines.back().text, " ");
    EXPECT_TRUE(report.calls().empty()) << report.lines();
  }
}

}  // namespace
}  // namespace annotate_test
