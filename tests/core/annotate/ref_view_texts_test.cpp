// What the whole-file document does beside its view, on a generated module:
// the rich-text file it writes, the read-only rule, the model and file
// panes, the work files the enabling rules look for, and the name a listing
// is saved under.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "annotate/annotation_generator.h"
#include "annotate/document_reports.h"
#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "annotate/ref_view_texts.h"
#include "config/startup_options.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace {

class RefDocumentTest : public ::testing::Test {
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
    std::unique_ptr<sorvi::RefDocument> doc = sorvi::build_ref_document(set_.work_dir + file, source, violations);
    EXPECT_TRUE(doc && doc->context) << file;
    return doc;
  }
  const sorvi_sample::SampleModule& module() const { return set_.modules[0]; }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
  std::unique_ptr<sorvi_test::ScopedEnv> config_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

TEST_F(RefDocumentTest, WindowsGetATemporaryFileAndBatchModeALastingOne) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc && doc->context);
  EXPECT_EQ(doc->title, "demo.c - Reformatted");
  EXPECT_TRUE(sorvi::annotated_view_read_only(*doc->context));
  EXPECT_TRUE(sorvi::use_rich_text_path(*doc->context));
  sorvi::RichTextResult shown = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, false);
  ASSERT_TRUE(shown.ok);
  EXPECT_FALSE(shown.lasting);
  EXPECT_NE(shown.path.rfind(set_.work_dir, 0), 0u) << "temporary files stay out of the work directory";
  EXPECT_EQ(sorvi_test::read_file(shown.path).rfind("{\\rtf1\\ansi", 0), 0u);
  std::remove(shown.path.c_str());

  sorvi::RichTextResult batch = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, true);
  EXPECT_TRUE(batch.ok && batch.lasting);
  EXPECT_EQ(batch.path, set_.work_dir + "demo_1.aref.rtf");
}

TEST_F(RefDocumentTest, AListingOfViolationsIsWritableAndSavedUnderItsSource) {
  auto listing = open("demo_1.sf1", true, true);
  ASSERT_TRUE(listing && listing->context);
  EXPECT_TRUE(listing->context->listingStandards);
  EXPECT_EQ(listing->path, module().source_path);
  EXPECT_FALSE(sorvi::annotated_view_read_only(*listing->context));
  EXPECT_EQ(sorvi::listing_save_name(*listing, "demo.c", false), module().source_path);
  // Without a path: the title cut at the first of " #%;/\", and ".c" for
  // the module's own source, ".h" for another file; the path when there is one.
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

TEST_F(RefDocumentTest, ModelPaneNamesTheShownFileAndTheModel) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  const std::string text = sorvi::ref_model_pane_text(*doc);
  EXPECT_EQ(text.rfind(set_.work_dir + "demo_1.ref  Standards Model: ", 0), 0u) << text;
  auto listing = open("demo_1.sif", true, false);
  ASSERT_TRUE(listing);
  EXPECT_EQ(sorvi::ref_model_pane_text(*listing).rfind(module().source_path + "  Standards Model: ", 0), 0u);
  EXPECT_EQ(sorvi::ref_model_pane_text(sorvi::RefDocument()), "");
}

TEST_F(RefDocumentTest, FilePaneNamesTheIncludedHeaderOrTheMainFile) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  sorvi::AnnotationContext& c = *doc->context;
  c.annotated = c.showRefLines = true;
  c.showSrcLines = true;  // the index is loaded for the Src column
  ASSERT_TRUE(sorvi::GenerateAnnotatedLines(&c));
  ASSERT_TRUE(c.indexLoaded);
  // Reformatted line 6 is the first source line; the header's lines follow.
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     6    1  "), "<main file>");
  const std::vector<int>& table = module().line_table;
  const auto in_header = std::find_if(table.begin(), table.end(), [this](int line) {
    return line >= module().include_start && line <= module().include_end;
  });
  ASSERT_NE(in_header, table.end());
  char line[64];
  std::snprintf(line, sizeof line, "%6d    1  code", static_cast<int>(in_header - table.begin()) + 1);
  EXPECT_EQ(sorvi::ref_file_pane_text(c, line), module().header_path);
  // Not a number, or the Ref column switched off: nothing.
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "=========="), "");
  c.showRefLines = false;
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     6"), "");
}

TEST_F(RefDocumentTest, WorkFilesAreFoundOnDiskOrInTheRepository) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  sorvi::RefWorkFiles f = sorvi::find_ref_work_files(*doc->context);
  EXPECT_TRUE(f.pol && f.sif && f.sf3 && f.ref);
  EXPECT_FALSE(f.listed_file);
  ASSERT_EQ(std::remove((set_.work_dir + "demo_1.sf3").c_str()), 0);
  // The GLH file may hold a copy of the data-flow file.
  const auto& docs = module().glh_documents;
  EXPECT_EQ(sorvi::find_ref_work_files(*doc->context).sf3, std::count(docs.begin(), docs.end(), "demo_1.sf3") == 1);
  auto listing = open("demo_1.sif", true, false);
  ASSERT_TRUE(listing);
  EXPECT_TRUE(sorvi::find_ref_work_files(*listing->context).listed_file);
}

}  // namespace
