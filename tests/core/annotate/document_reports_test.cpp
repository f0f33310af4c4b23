// The rich-text path's choices: temporary or lasting file, the profile
// switches of the views, and the colours of streamed lines.
#include <gtest/gtest.h>

#include "annotate/document_reports.h"
#include "annotate/ref_document.h"
#include "config/startup_options.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace {

class RichTextPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.target_lines = 40;
    options.procedures = 2;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    kelvar_ = std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set_.root);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(set_.work_dir);
    sorvi_test::reset_core_state();
    sorvi::startup_options().Language = 2;
  }
  void TearDown() override { sorvi_test::reset_core_state(); }

  std::unique_ptr<sorvi::RefDocument> open(const std::string& file, bool source, bool violations) {
    return sorvi::build_ref_document(set_.work_dir + file, source, violations);
  }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

TEST_F(RichTextPathTest, WindowsGetATemporaryFileAndBatchModeALastingOne) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc && doc->context);
  EXPECT_EQ(doc->title, "demo.c - Reformatted");
  sorvi::RichTextResult shown = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, false);
  ASSERT_TRUE(shown.ok);
  EXPECT_FALSE(shown.lasting);
  EXPECT_NE(shown.path.rfind(set_.work_dir, 0), 0u) << "temporary files stay out of the work directory";
  EXPECT_EQ(sorvi_test::read_file(shown.path).rfind("{\\rtf1\\ansi", 0), 0u);
  std::remove(shown.path.c_str());

  sorvi::RichTextResult batch = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, true);
  EXPECT_TRUE(batch.ok);
  EXPECT_TRUE(batch.lasting);
  EXPECT_EQ(batch.path, set_.work_dir + "demo_1.aref.rtf");
}

TEST_F(RichTextPathTest, ListingsOfViolationsAreWritableAndOthersReadOnly) {
  auto listing = open("demo_1.sf1", true, true);
  ASSERT_TRUE(listing && listing->context);
  EXPECT_TRUE(listing->context->listingStandards);
  EXPECT_EQ(listing->path, set_.modules[0].source_path);
  EXPECT_FALSE(sorvi::annotated_view_read_only(*listing->context));
  auto ref = open("demo_1.ref", false, false);
  ASSERT_TRUE(ref && ref->context);
  EXPECT_TRUE(sorvi::annotated_view_read_only(*ref->context));
  EXPECT_TRUE(sorvi::use_rich_text_path(*ref->context));
}

TEST(StreamingColourTest, EachStyleHasItsColour) {
  const sorvi::PackedColour text = sorvi::pack_colour(1, 2, 3);
  EXPECT_EQ(sorvi::streaming_colour(2, text), sorvi::pack_colour(0, 0, 0));
  EXPECT_EQ(sorvi::streaming_colour(4, text), sorvi::pack_colour(255, 0, 128));
  EXPECT_EQ(sorvi::streaming_colour(5, text), sorvi::pack_colour(0, 0, 255));
  EXPECT_EQ(sorvi::streaming_colour(6, text), sorvi::pack_colour(255, 0, 0));
  EXPECT_EQ(sorvi::streaming_colour(7, text), sorvi::pack_colour(255, 0, 255));
  EXPECT_EQ(sorvi::streaming_colour(9, text), sorvi::pack_colour(0, 128, 0));
  for (int style : {0, 8, 10, 11}) EXPECT_EQ(sorvi::streaming_colour(style, text), text) << style;
}

}  // namespace
