// What the whole-file document does beside its view, on the hand-worked
// module: the read-only rule, the rich-text file it writes, the model pane,
// the work files the enabling rules look for, and the name a listing is
// saved under.
#include <cstdio>

#include "annotate/document_reports.h"
#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "annotate/ref_view_texts.h"
#include "config/startup_options.h"
#include "hand_module.h"

namespace annotate_test {
namespace {

TEST_F(HandModuleTest, TheDocumentsOfAReformattedFileAndOfItsViolations) {
  sorvi::startup_options().Language = 2;
  auto doc = sorvi::build_ref_document(work("demo_1.ref"), false, false);
  ASSERT_TRUE(doc && doc->context);
  EXPECT_TRUE(sorvi::annotated_view_read_only(*doc->context));
  EXPECT_EQ(sorvi::ref_model_pane_text(*doc), work("demo_1.ref") + "  Standards Model: <No Model - all standards>");
  // Windows get a temporary file outside the work directory, batch mode a
  // lasting one.
  sorvi::RichTextResult shown = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, false);
  ASSERT_TRUE(shown.ok && !shown.lasting);
  EXPECT_NE(shown.path.rfind(work(""), 0), 0u) << shown.path;
  std::remove(shown.path.c_str());
  const sorvi::RichTextResult batch = sorvi::write_rich_text(doc->context, sorvi::RtfFont(), 0, true);
  EXPECT_EQ(batch.path + (batch.lasting ? " lasting" : ""), work("demo_1.aref.rtf") + " lasting");
  std::remove(work("demo_1.sf3").c_str());
  const sorvi::RefWorkFiles f = sorvi::find_ref_work_files(*doc->context);
  EXPECT_TRUE(f.pol && f.sif && !f.sf3 && f.ref && !f.listed_file);

  // A listing of violations is shown under its source, writable, and saved
  // under it; without a path, under the title cut at the first of
  // " #%;/\" with ".c" for the module's own source and ".h" for another.
  auto listing = sorvi::build_ref_document(work("demo_1.sf1"), true, true);
  ASSERT_TRUE(listing && listing->context && listing->context->listingStandards);
  EXPECT_EQ(listing->path, source_path());
  EXPECT_FALSE(sorvi::annotated_view_read_only(*listing->context));
  EXPECT_TRUE(sorvi::find_ref_work_files(*listing->context).listed_file);
  EXPECT_EQ(sorvi::listing_save_name(*listing, "demo.c", false), source_path());
  sorvi::RefDocument untitled;
  untitled.module_source = untitled.listed_file = "/src/demo.c";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", true), "demo.c.c");
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo.c #2", false), "");
  untitled.listed_file = "/src/demo.h";
  EXPECT_EQ(sorvi::listing_save_name(untitled, "demo;h", true), "demo.h");
}

}  // namespace
}  // namespace annotate_test
