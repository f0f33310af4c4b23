// Which document kind a file opens as.
#include <gtest/gtest.h>

#include "app/document_kinds.h"
#include "base/file_utils.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

using sorvi::DocKind;

DocKind kind_for(const std::string& path, int language, bool ref_docs = true,
                 const std::vector<std::vector<std::string>>& open = {}) {
  auto templates = sorvi::document_templates(ref_docs);
  sorvi::TemplateChoice c = sorvi::choose_template(templates, path, language, open);
  EXPECT_GE(c.template_index, 0);
  return templates[static_cast<size_t>(c.template_index)].kind;
}

class DocumentKindsTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi::reset_startup_options(); }
  void TearDown() override { sorvi::reset_startup_options(); }
};

TEST_F(DocumentKindsTest, ExtensionAndLanguageChooseTheKind) {
  const struct {
    const char* path;
    int language;
    bool ref_docs;
    DocKind kind;
  } cases[] = {
      {"/w/f.sif", 2, true, DocKind::AnnotatedSource}, {"/w/f.sif", 0, true, DocKind::PlainSource},
      {"/w/F.SF1", 6, true, DocKind::Violations},      {"/w/f.sf1", 0, true, DocKind::PlainSource},
      {"/w/f.ref", 0, true, DocKind::Reformatted},     {"/w/f.ref", 0, false, DocKind::PlainSource},
      {"/w/f.xtx", 0, true, DocKind::ProcedureCode},   {"/w/f.txt", 0, true, DocKind::PlainSource},
      {"/w/r.tci", 0, true, DocKind::TestCaseIndex},   {"/w/r.THI", 0, true, DocKind::HarnessIndex},
      {"/w/p.html", 0, true, DocKind::Html},           {"/w.d/noext", 0, true, DocKind::PlainSource},
  };
  for (const auto& c : cases) EXPECT_EQ(kind_for(c.path, c.language, c.ref_docs), c.kind) << c.path;
}

TEST_F(DocumentKindsTest, HtmlAnchorsAreKeptWithTheirColons) {
  EXPECT_EQ(kind_for("/w/page.htm#Cls^^fn", 0), DocKind::Html);
  EXPECT_EQ(sorvi::html_anchor(), "#Cls::fn");
}

TEST_F(DocumentKindsTest, AnAlreadyOpenDocumentWinsAndStopsTheSearch) {
  auto templates = sorvi::document_templates(true);
  std::vector<std::vector<std::string>> open(templates.size());
  open[0] = {"/W/NOTES.TXT"};
  sorvi::TemplateChoice c = sorvi::choose_template(templates, "/w/notes.txt", 0, open);
  EXPECT_EQ(c.rating, sorvi::kRateOpen);
  EXPECT_EQ(c.template_index, 0);
  EXPECT_EQ(c.open_index, 0);

  // The HTML document was recorded without its anchor, so page.htm#a is new.
  open.assign(templates.size(), {});
  open[3] = {"/w/page.htm"};
  c = sorvi::choose_template(templates, "/w/page.htm#a", 0, open);
  EXPECT_EQ(c.rating, sorvi::kRateNative);
}

TEST_F(DocumentKindsTest, PathNormalising) {
  EXPECT_EQ(sorvi::normalise_document_path("\"/w/x/../f.ref\" extra"), "/w/f.ref");
  sorvi_test::TempDir dir;
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(sorvi::normalise_document_path("f.ref"), sorvi::full_path(dir.path()) + "/f.ref");
}

}  // namespace
