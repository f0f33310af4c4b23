// What the whole-file document shows beside its view, on a generated
// module: the model pane, the file a reformatted line comes from, the work
// files the enabling rules look for, and the name a listing is saved under.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "annotate/annotation_generator.h"
#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "annotate/ref_view_texts.h"
#include "config/startup_options.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace {

class RefViewTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.target_lines = 60;
    options.procedures = 2;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    kelvar_ = std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set_.root);
    config_ = std::make_unique<sorvi_test::ScopedEnv>("XDG_CONFIG_HOME", dir_.path() + "/config");
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
  std::unique_ptr<sorvi_test::ScopedEnv> config_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

TEST_F(RefViewTextsTest, ModelPaneNamesTheShownFileAndTheModel) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  const std::string text = sorvi::ref_model_pane_text(*doc);
  EXPECT_EQ(text.rfind(set_.work_dir + "demo_1.ref  Standards Model: ", 0), 0u) << text;
  auto listing = open("demo_1.sif", true, false);
  ASSERT_TRUE(listing);
  EXPECT_EQ(sorvi::ref_model_pane_text(*listing).rfind(set_.modules[0].source_path + "  Standards Model: ", 0), 0u);
  sorvi::RefDocument empty;
  EXPECT_EQ(sorvi::ref_model_pane_text(empty), "");
}

TEST_F(RefViewTextsTest, FilePaneNamesTheIncludedHeaderOrTheMainFile) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  sorvi::AnnotationContext& c = *doc->context;
  c.annotated = true;
  c.showRefLines = true;
  c.showSrcLines = true;  // the index is loaded for the Src column
  ASSERT_TRUE(sorvi::GenerateAnnotatedLines(&c));
  ASSERT_TRUE(c.indexLoaded);
  const sorvi_sample::SampleModule& m = set_.modules[0];
  // Reformatted line 6 is the first source line, the header follows the includes.
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     6    1  "), "<main file>");
  int header_line = 0;
  for (size_t i = 0; i < m.line_table.size(); ++i) {
    if (m.line_table[i] >= m.include_start && m.line_table[i] <= m.include_end) {
      header_line = static_cast<int>(i) + 1;
      break;
    }
  }
  ASSERT_GT(header_line, 0);
  char line[64];
  std::snprintf(line, sizeof line, "%6d    1  code", header_line);
  EXPECT_EQ(sorvi::ref_file_pane_text(c, line), m.header_path);
  // Not a number, or the Ref column switched off: nothing.
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "=========="), "");
  c.showRefLines = false;
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     6"), "");
}

TEST_F(RefViewTextsTest, WorkFilesAreFoundOnDiskOrInTheRepository) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  sorvi::RefWorkFiles f = sorvi::find_ref_work_files(*doc->context);
  EXPECT_TRUE(f.pol && f.sif && f.sf3 && f.ref);
  EXPECT_FALSE(f.listed_file);
  ASSERT_EQ(std::remove((set_.work_dir + "demo_1.sf3").c_str()), 0);
  f = sorvi::find_ref_work_files(*doc->context);
  // The GLH file holds a copy of the data-flow file.
  const auto& docs = set_.modules[0].glh_documents;
  const bool in_glh = std::find(docs.begin(), docs.end(), "demo_1.sf3") != docs.end();
  EXPECT_EQ(f.sf3, in_glh);
  auto listing = open("demo_1.sif", true, false);
  ASSERT_TRUE(listing);
  EXPECT_TRUE(sorvi::find_ref_work_files(*listing->context).listed_file);
}

TEST_F(RefViewTextsTest, ListingsAreSavedUnderTheListedFileOrTheTitle) {
  auto violations = open("demo_1.sf1", true, true);
  ASSERT_TRUE(violations);
  ASSERT_TRUE(violations->context->listingStandards);
  EXPECT_EQ(sorvi::listing_save_name(*violations, "demo.c", false), set_.modules[0].source_path);
  sorvi::RefDocument untitled;
  untitled.module_source = "/src/demo.c";
  untitled.listed_file = "/src/demo.c";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", true), "demo.c.c");
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", false), "");
  untitled.listed_file = "/src/demo.h";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo;h", true), "demo.h");
  untitled.path = "/w/demo_1.sif";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.h", true), "/w/demo_1.sif");
}

}  // namespace
