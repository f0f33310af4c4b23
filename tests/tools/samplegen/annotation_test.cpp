// A sample set annotated by Sorvi's generator: every reformatted line comes
// out as a code line, with coverage notes, violation lines, data-flow notes
// and rules between them, and nothing goes to the fatal report.
#include <array>
#include <cstdio>
#include <set>
#include <tuple>

#include "annotate/annotated_lines.h"
#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "samplegen_fixture.h"
#include "workfiles/block_file.h"

namespace samplegen_test {
namespace {

TEST(SampleAnnotation, WholeFileWithEveryAnnotation) {
  SetEnvironment env(summary());
  sorvi_test::ReportCapture report;
  const SampleModule& m = module();
  const int every_switch = 2047;
  sorvi::AnnotationContext* context = sorvi::CreateAnnotationContext(
      work_path(m, ".ref"), -1, -1, m.source_path, std::string(), nullptr, false, false, false, false, false,
      work_path(m, ".glh"), every_switch, false);
  ASSERT_NE(context, nullptr);
  sorvi::SetRunOptions(context, 2, nullptr, 0, nullptr, nullptr);
  const std::unique_ptr<sorvi::AnnotatedLineList> list = sorvi::GenerateAnnotatedLines(context);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(context->blocksLoaded);
  EXPECT_TRUE(context->coverageLoaded);
  EXPECT_TRUE(context->violationsLoaded);
  EXPECT_TRUE(context->dataflowLoaded);
  EXPECT_TRUE(context->mainMoved);
  sorvi::FreeAnnotationContext(context);
  sorvi::reset_annotation_state();
  sorvi::reset_line_number_width();

  std::array<int, 11> styles{};
  // Where each violation, cross-reference and anomaly line stands: after
  // the code line of its reformatted line.
  std::multiset<std::tuple<int, int, char>> shown;
  int cross_references = 0;
  int anomalies = 0;
  int line = 0;
  for (const sorvi::AnnotatedLine& text : list->lines()) {
    ++styles.at(static_cast<size_t>(text.style));
    if (text.style == sorvi::kStyleCode) {
      int number = 0;
      if (std::sscanf(text.text.c_str(), "%d", &number) == 1) line = number;
    } else if (text.style == sorvi::kStyleViolation) {
      const size_t colon = text.text.find(" : ");
      int standard = 0;
      char letter = 0;
      if (text.text.find("VIOLATION") != std::string::npos && colon != std::string::npos &&
          std::sscanf(text.text.c_str() + colon + 3, "%d %c", &standard, &letter) == 2) {
        shown.emplace(line, standard, letter);
      } else if (text.text.find("See also Ref. line") != std::string::npos) {
        ++cross_references;
      } else if (text.text.find("UR ANOMALY") != std::string::npos) {
        ++anomalies;
      }
    }
  }
  // A violation that has a follow-up record is shown through it, not itself.
  std::multiset<std::tuple<int, int, char>> expected;
  for (const sorvi_sample::SampleViolation& v : m.violations) {
    if (v.ref_line > 0 && !v.follow_up) expected.emplace(v.ref_line, v.standard, v.letter);
  }
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(cross_references, m.related_records);
  EXPECT_EQ(anomalies, 2 * static_cast<int>(m.ur_anomalies.size()));  // at both of its lines

  EXPECT_EQ(styles[sorvi::kStyleCode], m.ref_lines + 1);  // and the closing line
  EXPECT_EQ(styles[sorvi::kStyleProcedureRule], 2 * static_cast<int>(m.procedures.size()));
  EXPECT_GT(styles[sorvi::kStyleBlockRule], 0);
  EXPECT_GT(styles[sorvi::kStyleExecutedNote], 0);
  EXPECT_GT(styles[sorvi::kStyleNotExecuted], 0);
  EXPECT_GT(styles[sorvi::kStyleProcViolation], 0);
  EXPECT_GT(styles[sorvi::kStyleDataflow], 0);
  EXPECT_TRUE(report.calls().empty()) << report.lines();
}

}  // namespace
}  // namespace samplegen_test
