// What the whole-file document does beside its view, on the hand-worked
// module: the rich-text file it writes, the read-only rule, the model and
// file panes, the work files the enabling rules look for, and the name a
// listing is saved under.
#include <cstdio>

#include "annotate/document_reports.h"
#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "annotate/ref_view_texts.h"
#include "config/startup_options.h"
#include "hand_module.h"

namespace annotate_test {
namespace {

class RefDocumentTest : public HandModuleTest {
 protected:
  void SetUp() override {
    HandModuleTest::SetUp();
    sorvi::startup_options().Language = 2;
  }

  std::unique_ptr<sorvi::RefDocument> open(const std::string& file, bool source, bool violations) {
    std::unique_ptr<sorvi::RefDocument> doc = sorvi::build_ref_document(work(file), source, violations);
    EXPECT_TRUE(doc && doc->context) << file;
    return doc;
  }
};

TEST_F(RefDocumentTest, AReformattedFile) {
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc && doc->context);
  EXPECT_EQ(doc->title, "demo.c - Reformatted");
  EXPECT_TRUE(sorvi::annotated_view_read_only(*doc->context));
  EXPECT_TRUE(sorvi::use_rich_text_path(*doc->context));
  EXPECT_EQ(sorvi::ref_model_pane_text(*doc), work("demo_1.ref") + "  Standards Model: " + doc->context->modelName);
  EXPECT_EQ(sorvi::ref_model_pane_text(sorvi::RefDocument()), "");
  // Windows get a temporary file outside the work directory, batch mode a
  // lasting one.
  sorvi::RichTextResult shown = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, false);
  ASSERT_TRUE(shown.ok && !shown.lasting);
  EXPECT_NE(shown.path.rfind(work(""), 0), 0u) << shown.path;
  EXPECT_EQ(sorvi_test::read_file(shown.path).rfind("{\\rtf1\\ansi", 0), 0u);
  std::remove(shown.path.c_str());
  sorvi::RichTextResult batch = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, true);
  EXPECT_TRUE(batch.ok && batch.lasting);
  EXPECT_EQ(batch.path, work("demo_1.aref.rtf"));
  // The work files the enabling rules look for.
  sorvi::RefWorkFiles f = sorvi::find_ref_work_files(*doc->context);
  EXPECT_TRUE(f.pol && f.sif && f.sf3 && f.ref && !f.listed_file);
  std::remove(work("demo_1.sf3").c_str());
  EXPECT_FALSE(sorvi::find_ref_work_files(*doc->context).sf3);
}

TEST_F(RefDocumentTest, AListingOfViolationsIsWritableAndSavedUnderItsSource) {
  auto listing = open("demo_1.sf1", true, true);
  ASSERT_TRUE(listing && listing->context);
  EXPECT_TRUE(listing->context->listingStandards);
  EXPECT_EQ(listing->path, source_path());
  EXPECT_EQ(sorvi::ref_model_pane_text(*listing).rfind(source_path() + "  Standards Model: ", 0), 0u);
  EXPECT_FALSE(sorvi::annotated_view_read_only(*listing->context));
  EXPECT_TRUE(sorvi::find_ref_work_files(*listing->context).listed_file);
  EXPECT_EQ(sorvi::listing_save_name(*listing, "demo.c", false), source_path());
  // Without a path: the title cut at the first of " #%;/\", and ".c" for
  // the module's own source, ".h" for another file; the path when there is one.
  sorvi::RefDocument untitled;
  untitled.module_source = untitled.listed_file = "/src/demo.c";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", true), "demo.c.c");
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", false), "");
  untitled.listed_file = "/src/demo.h";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo;h", true), "demo.h");
  untitled.path = "/w/demo_1.sif";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.h", true), "/w/demo_1.sif");
}

TEST_F(RefDocumentTest, FilePaneNamesTheIncludedHeaderOrTheMainFile) {
  // "demo.h" included as flattened lines 5-6: reformatted lines 10 and 11.
  const std::string header = dir() + "/src/demo.h";
  write(header, "int x;\nint y;\n");  // an include whose file is gone is left out
  write(work("demo_1.ndx"), "\"" + source_path() + "\"\none\ntwo\n1\n5 6 " + std::to_string(header.size()) + " " +
                                header + "\n20\n" +
                                number_lines({0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0}, 4));
  auto doc = open("demo_1.ref", false, false);
  ASSERT_TRUE(doc);
  sorvi::AnnotationContext& c = *doc->context;
  c.annotated = c.showRefLines = true;
  c.showSrcLines = true;  // the index is loaded for the Src column
  ASSERT_TRUE(sorvi::GenerateAnnotatedLines(&c));
  ASSERT_TRUE(c.indexLoaded);
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     9    4  {"), "<main file>");
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "    10    5    g = a;"), header);
  // Not a number, or the Ref column switched off: nothing.
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "=========="), "");
  c.showRefLines = false;
  EXPECT_EQ(sorvi::ref_file_pane_text(c, "     9"), "");
}

}  // namespace
}  // namespace annotate_test
