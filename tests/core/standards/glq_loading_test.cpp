// Loading the penalty catalogue and the report configuration from a GLH
// file's GLQ repository.
#include <gtest/gtest.h>

#include "glh/glh_handles.h"
#include "glh/glq_records.h"
#include "samplegen/glh_writer.h"
#include "standards_fixture.h"

namespace {

using namespace sorvi;
using namespace sorvi_sample;
using GlqLoadingTest = standards_test::StandardsTest;

// A GLH file whose repository holds the same records and model descriptions under the C and the C++
// documents; read for C++'s catalogue, and for C's catalogue and report configuration.
TEST_F(GlqLoadingTest, CatalogueAndReportConfiguration) {
  const std::string glh = dir() + "/module.glh";
  GlhWriter w(glh);
  w.add_repository("GLQ_Repository", kGlhTypeGLQ);
  GlhRecordDocumentContent records, models;
  records.rows = encode_gl_records({
      glq_penalty_record(0, 1, 'S', 2, 12, 40, true, false, "MISRA-C2 12.1", "Use of 40 bytes"),
      glq_references_record(0, 3, 4, "MISRA-C2 12.1;;CWE 190"),
      glq_penalty_record(1, 2, 'C', 0, 7, 0, false, true, "", ""),
      glq_penalty_record(2000, 9, 'S', 0, 99, 0, false, false, "", "ignored"),
      glq_report_entry_record(0, 1, 3, 5, 'I', 1, 77),
      glq_annotation_record(0, 12345678, "MISRA-C:2004:12.1;CERT:INT30-C")});
  models.rows = encode_gl_records({glq_model_description_record("MISRA-C:2004:M:Required")});
  w.add_record_document("GLQ_Repository", kGlqCppPenalties, records);
  w.add_record_document("GLQ_Repository", kGlqCppModelDescriptions, models);
  w.add_record_document("GLQ_Repository", kGlqCPenalties, records);
  w.add_record_document("GLQ_Repository", kGlqCModelDescriptions, models);
  ASSERT_TRUE(w.close());

  ASSERT_EQ(load_penalty_catalogue(6, nullptr, false, false, glh.c_str()), kPenaltiesLoaded);
  // The placeholders stand for empty texts; entries the repository does not hold keep their first text.
  EXPECT_EQ(standards_test::entry_dump(6, 0) + "|" + standards_test::entry_dump(6, 1) + "|" +
                standards_test::entry_dump(6, 2),
            "[Use of 40 bytes] std=12S pen=1 b=3 c=4 d=2 par=40 has=1 ref=MISRA-C2 12.1|[] std=7C pen=2 mr=1|"
            "[<no penalty>]");
  EXPECT_EQ(std::to_string(find_penalty_entry('C', 7, 6)) + std::to_string(find_penalty_entry('S', 99, 6)), "1-1");
  compose_violation_texts('S', 12, 6, "Use of 64 bytes");  // the figure of a GLH entry is found in its text
  EXPECT_EQ(penalty_entry(6, 0)->text, "Use of 64 bytes");
  // Other languages read the general document, which this file lacks; a file that cannot be read gives status 1.
  EXPECT_EQ(load_penalty_catalogue(5, nullptr, false, false, glh.c_str()), kPenaltiesGlhNotRead);
  EXPECT_EQ(load_penalty_catalogue(3, nullptr, false, false, (dir() + "/none.glh").c_str()), kPenaltiesGlhNotRead);

  // Without report.dat the configuration comes from the repository.
  ASSERT_EQ(load_penalty_catalogue(2, nullptr, false, false, glh.c_str()), 0);
  ASSERT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, nullptr, glh.c_str()), 0);
  EXPECT_EQ(standards_test::report_dump(2, 0) + "|" + standards_test::report_dump(2, 1),
            " rep=1 cat=3I res=5 special=1 a=77 b=12345678 \"MISRA-C:2004:12.1\" \"CERT:INT30-C\"|");
  EXPECT_EQ(report_configuration(2)->model_descriptions, (charlist{"MISRA-C:2004:M:Required"}));
  // A configuration that could not be read switches nothing off.
  EXPECT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, nullptr, (dir() + "/x.glh").c_str()), 1);
  EXPECT_TRUE(is_standard_reported('C', 7, 2));
}

}  // namespace
