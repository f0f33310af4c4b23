// Opening a file by name: the plan the open documents and the kinds give,
// the recent-file list.
#include <gtest/gtest.h>

#include "app/document_registry.h"
#include "app/recent_files.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

using sorvi::DocKind;
using sorvi::OpenPlan;

class DocumentRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi_test::reset_core_state(); }
  void TearDown() override { sorvi_test::reset_core_state(); }
  int index_of(DocKind kind) {
    for (size_t i = 0; i < registry_.templates().size(); ++i) {
      if (registry_.templates()[i].kind == kind) return static_cast<int>(i);
    }
    return -1;
  }
  sorvi::DocumentRegistry registry_{true};
};

TEST_F(DocumentRegistryTest, NewFilesAreCreatedAsTheirKind) {
  OpenPlan p = registry_.plan_open("/w/demo_1.ref", 2);
  EXPECT_EQ(p.action, OpenPlan::Create);
  EXPECT_EQ(p.kind, DocKind::Reformatted);
  EXPECT_EQ(p.path, "/w/demo_1.ref");
  EXPECT_EQ(registry_.plan_open("\"/w/demo_1.sif\"", 2).kind, DocKind::AnnotatedSource);
  EXPECT_EQ(registry_.plan_open("/w/demo_1.sif", 0).kind, DocKind::PlainSource);
  EXPECT_EQ(registry_.plan_open("", 2).action, OpenPlan::Fail);
}

TEST_F(DocumentRegistryTest, AnOpenPathIsActivatedAndAnnotatedKindsRecordNone) {
  const int plain = registry_.add(index_of(DocKind::PlainSource), "/w/notes.txt");
  registry_.add(index_of(DocKind::Reformatted), "");
  OpenPlan p = registry_.plan_open("/W/NOTES.TXT", 0);
  EXPECT_EQ(p.action, OpenPlan::Activate);
  EXPECT_EQ(p.document_id, plain);
  // The reformatted document did not record its path.
  EXPECT_EQ(registry_.plan_open("/w/demo_1.ref", 0).action, OpenPlan::Create);
  registry_.remove(plain);
  EXPECT_EQ(registry_.plan_open("/w/notes.txt", 0).action, OpenPlan::Create);
  EXPECT_EQ(registry_.document_count(), 1u);
}

TEST_F(DocumentRegistryTest, ListingOfViolationsIsFoundByItsListedFile) {
  const int viol = registry_.add(index_of(DocKind::Violations), "");
  registry_.set_path_name(viol, "/src/demo.c");
  OpenPlan p = registry_.plan_open("/src/demo.c", 2);
  EXPECT_EQ(p.action, OpenPlan::Activate);
  EXPECT_EQ(p.document_id, viol);
  // Without a language the violations kind claims nothing, open or not.
  EXPECT_EQ(registry_.plan_open("/src/demo.c", 0).action, OpenPlan::Create);
}

TEST_F(DocumentRegistryTest, HtmlAnchorIsCutFromThePathAndKept) {
  OpenPlan p = registry_.plan_open("/s/standards.htm#standard_s78", 0);
  EXPECT_EQ(p.kind, DocKind::Html);
  EXPECT_EQ(p.path, "/s/standards.htm");
  EXPECT_EQ(sorvi::html_anchor(), "#standard_s78");
  EXPECT_EQ(sorvi::document_class_of(p.kind), sorvi::DocumentClass::Html);
  // A plain file leaves no anchor behind.
  registry_.plan_open("/w/a.txt", 0);
  EXPECT_EQ(sorvi::html_anchor(), "");
}

TEST_F(DocumentRegistryTest, DefaultTitlesCountUpPerKind) {
  const int ref = index_of(DocKind::Reformatted);
  EXPECT_EQ(registry_.default_title(ref), "Ref Browser1");
  registry_.take_running_number(ref);
  EXPECT_EQ(registry_.default_title(ref), "Ref Browser2");
  EXPECT_EQ(registry_.default_title(index_of(DocKind::ProcedureCode)), "Xtx Browser1");
  EXPECT_EQ(registry_.default_title(99), "");
}

TEST(RecentFilesTest, FourNewestFirstWithoutRepeats) {
  sorvi_test::ProfileFixture profile;
  sorvi_test::ScopedEnv config("XDG_CONFIG_HOME", profile.dir().file("config"));
  sorvi_test::reset_core_state();
  for (const char* f : {"/a", "/b", "/c", "/d", "/e"}) sorvi::add_recent_file(f);
  EXPECT_EQ(sorvi::recent_files(), (std::vector<std::string>{"/e", "/d", "/c", "/b"}));
  sorvi::add_recent_file("/C");
  EXPECT_EQ(sorvi::recent_files(), (std::vector<std::string>{"/C", "/e", "/d", "/b"}));
  sorvi::remove_recent_file("/e");
  EXPECT_EQ(sorvi::recent_files(), (std::vector<std::string>{"/C", "/d", "/b"}));
  sorvi::add_recent_file("/bad\nname");
  EXPECT_EQ(sorvi::recent_files().size(), 3u);
  const std::string ini = sorvi_test::read_file(profile.dir().file("config") + "/Vexa/Sorvi.ini");
  EXPECT_NE(ini.find("[Recent File List]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("File1=/C"), std::string::npos);
  sorvi_test::reset_core_state();
}

}  // namespace
