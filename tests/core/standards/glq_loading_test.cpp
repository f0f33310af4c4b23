// Loading the penalty catalogue and the report configuration from a GLH
// file's GLQ repository.
#include <gtest/gtest.h>

#include "glh/glh_handles.h"
#include "glh/glq_records.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards_fixture.h"
#include "samplegen/glh_writer.h"

namespace {

using namespace sorvi;
using namespace sorvi_test;
using namespace sorvi_sample;

class GlqLoadingTest : public standards_test::StandardsTest {
 protected:
  // A GLH file with the penalty document and model descriptions under the
  // given document names.
  std::string write_glh(const char* penalties, const char* descriptions) {
    const std::string path = dir() + "/module.glh";
    GlhWriter w(path);
    w.add_repository("GLQ_Repository", kGlhTypeGLQ);
    sorvi_sample::GlhRecordDocumentContent pen;
    pen.rows = encode_gl_records({
        glq_penalty_record(0, 1, 'S', 2, 12, 40, true, false, "MISRA-C2 12.1", "Use of 40 bytes"),
        glq_references_record(0, 3, 4, "MISRA-C2 12.1;;CWE 190"),
        glq_penalty_record(1, 2, 'C', 0, 7, 0, false, true, "", ""),
        glq_penalty_record(2000, 9, 'S', 0, 99, 0, false, false, "", "ignored"),
        glq_report_entry_record(0, 1, 3, 5, 'I', 1, 77),
        glq_annotation_record(0, 12345678, "MISRA-C:2004:12.1;CERT:INT30-C"),
    });
    w.add_record_document("GLQ_Repository", penalties, pen);
    sorvi_sample::GlhRecordDocumentContent models;
    models.rows = encode_gl_records({glq_model_description_record("MISRA-C:2004:M:Required")});
    w.add_record_document("GLQ_Repository", descriptions, models);
    EXPECT_TRUE(w.close());
    return path;
  }
};

TEST_F(GlqLoadingTest, PenaltiesComeFromTheLanguagesDocument) {
  const std::string glh = write_glh(kGlqCppPenalties, kGlqCppModelDescriptions);
  ASSERT_EQ(load_penalty_catalogue(6, nullptr, false, false, glh.c_str()), kPenaltiesLoaded);
  const PenaltyEntry& first = *penalty_entry(6, 0);
  EXPECT_EQ(first.text, "Use of 40 bytes");
  EXPECT_EQ(first.standards_text, "MISRA-C2 12.1");
  EXPECT_EQ(first.letter, 'S');
  EXPECT_EQ(first.code_d, 2);
  EXPECT_EQ(first.parameter, 40);
  EXPECT_EQ(first.has_parameter, 1);
  EXPECT_EQ(first.code_b, 3);
  EXPECT_EQ(first.code_c, 4);
  EXPECT_EQ(*penalty_references(6, 0), (charlist{"MISRA-C2 12.1", "CWE 190"}));
  const PenaltyEntry& second = *penalty_entry(6, 1);
  EXPECT_EQ(second.text, "");  // the placeholders stand for empty texts
  EXPECT_EQ(second.standards_text, "");
  EXPECT_EQ(second.is_mr, 1);
  EXPECT_EQ(find_penalty_entry('C', 7, 6), 1);
  EXPECT_EQ(find_penalty_entry('S', 99, 6), -1);
  // Entries the repository does not hold keep their first text.
  EXPECT_EQ(penalty_entry(6, 2)->text, "<no penalty>");

  // The figure of a GLH entry is found in its text.
  compose_violation_texts('S', 12, 6, "Use of 64 bytes");
  EXPECT_EQ(penalty_entry(6, 0)->text, "Use of 64 bytes");
}

TEST_F(GlqLoadingTest, OtherLanguagesUseTheGeneralDocument) {
  const std::string glh = write_glh(kGlqPenalties, kGlqModelDescriptions);
  EXPECT_EQ(load_penalty_catalogue(6, nullptr, false, false, glh.c_str()), kPenaltiesGlhNotRead);
  EXPECT_EQ(load_penalty_catalogue(5, nullptr, false, false, glh.c_str()), kPenaltiesLoaded);
  EXPECT_EQ(penalty_entry(5, 0)->text, "Use of 40 bytes");
  EXPECT_EQ(load_penalty_catalogue(3, nullptr, false, false, (dir() + "/none.glh").c_str()), kPenaltiesGlhNotRead);
}

TEST_F(GlqLoadingTest, ReportConfigurationFromTheRepositoryWhenReportDatIsMissing) {
  const std::string glh = write_glh(kGlqCPenalties, kGlqCModelDescriptions);
  ASSERT_EQ(load_penalty_catalogue(2, nullptr, false, false, glh.c_str()), 0);
  ASSERT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, nullptr, glh.c_str()), 0);
  const ReportEntry& e = *report_entry(2, 0);
  EXPECT_EQ(e.reported, 1);
  EXPECT_EQ(e.category, 3);
  EXPECT_EQ(e.reserved, 5);
  EXPECT_EQ(e.category_letter, 'I');
  EXPECT_EQ(e.special, 1);
  EXPECT_EQ(e.value_a, 77);
  EXPECT_EQ(e.value_b, 12345678);
  EXPECT_EQ(e.model_annotations, (charlist{"MISRA-C:2004:12.1", "CERT:INT30-C"}));
  EXPECT_EQ(report_entry(2, 1)->reported, 0);
  EXPECT_EQ(report_configuration(2)->model_descriptions, (charlist{"MISRA-C:2004:M:Required"}));

  EXPECT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, nullptr, (dir() + "/x.glh").c_str()), 1);
  // A configuration that could not be read switches nothing off.
  EXPECT_TRUE(is_standard_reported('C', 7, 2));
}

}  // namespace
