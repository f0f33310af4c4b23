// The HDF5 call layer: library set-up, the diagnostics switch and the
// formats of the three diagnostic logs.
#include <cstdio>

#include "base/process_info.h"
#include "config/profile.h"
#include "glh/glh_library.h"
#include "glh/glh_util.h"
#include "glh_fixture.h"

namespace sorvi {
namespace {

using glh_test::GlhTest;
using sorvi_test::file_exists;
using sorvi_test::read_file;

// A GLQ repository whose "models" document has a record of two rows and one
// of one ("again") and an index over both, and the work file a.sif of
// /src/a.c.
void write_models(const std::string& file) {
  sorvi_sample::GlhWriter w(file);
  w.add_repository("GLQ_Repository", 6);
  sorvi_sample::GlhRecordDocumentContent content;
  content.rows = sorvi_sample::encode_gl_records({sorvi_sample::glq_model_description_record(std::string(1200, 'm')),
                                                  sorvi_sample::glq_model_description_record("again")});
  content.indexes.push_back({"Penaltys", {sorvi_sample::GlhIndexKey{"k", {0, 1, 2}, true}}});
  w.add_record_document("GLQ_Repository", "models", content);
  w.add_work_file("/src/a.c", "a.sif", {{"x", "y"}, false, {{"1", "2"}}, {}});
  EXPECT_TRUE(w.close());
}

class GlhDiagnosticsTest : public GlhTest {
 protected:
  void SetUp() override {
    GlhTest::SetUp();
    const char* argv[] = {"/opt/kelvar/bin/sorvi.exe", "-VMODE"};
    set_process_arguments(2, argv);
    write_models(path("models.glh"));
  }
  void TearDown() override {
    set_process_arguments(0, nullptr);
    GlhTest::TearDown();
  }

  // Calls that fail in every logging way: a missing group opened (never
  // logged) and a bad handle closed (logged).
  void fail_some_calls() {
    GlhLibrary* lib = glh_open_library(path("models.glh").c_str(), "READ_ONLY");
    ASSERT_NE(lib, nullptr);
    EXPECT_LT(HDFGopen(lib->file, "missing", __FILE__, __LINE__), 0);
    EXPECT_LT(HDFGclose(12345, "caller.cpp", 77), 0);
    glh_close_library(&lib);
  }

  bool any_log() const {
    return file_exists("glhapi.log") || file_exists("glhapiexception.log") || file_exists("glhapihandles.log");
  }
};

// PRINTDATE=T, PRINTDATE unset, and no profile at all.
TEST_F(GlhDiagnosticsTest, OffUnlessThePrintDateSwitchIsF) {
  for (int row = 0; row < 3; ++row) {
    use_profile(row == 0 ? "PRINTDATE=T\n" : "");
    if (row == 2) {
      std::remove(profile_->profile_path().c_str());
      reset_profile();
    }
    fail_some_calls();
    glh_log_exception("HDFAclose", 10, "caller.cpp", 20);
    EXPECT_FALSE(glh_diagnostics_on()) << row;
    EXPECT_FALSE(any_log()) << row;
  }
}

TEST_F(GlhDiagnosticsTest, DecidedOnceForTheProcess) {
  use_profile("PRINTDATE=F\n");
  EXPECT_TRUE(glh_diagnostics_on());
  profile_->rewrite("[C/C++ Vexa Kelvar]\nPRINTDATE=T\n");
  EXPECT_TRUE(glh_diagnostics_on());
  reset_glh_diagnostics();
  EXPECT_FALSE(glh_diagnostics_on());
}

TEST_F(GlhDiagnosticsTest, FailedCallsWriteOneLineEach) {
  use_profile("PRINTDATE=F\n");
  fail_some_calls();
  const hsize_t dims[1] = {1};
  // A negative rank fails, and the wrapper has no identifier to show.
  EXPECT_LT(HDFScreate_simple(-1, dims, nullptr, "/some/dir/reader.cpp", 5), 0);
  EXPECT_EQ(read_file("glhapi.log"),
            "          -1        12345        sorvi                      HDFGclose       77 caller.cpp\n"
            "          -1                     sorvi              HDFScreate_simple        5 reader.cpp\n");
  EXPECT_FALSE(file_exists("glhapiexception.log"));
  // Only the file itself was open at the close: no handle report.
  EXPECT_FALSE(file_exists("glhapihandles.log"));
}

TEST_F(GlhDiagnosticsTest, ExceptionLineFormats) {
  use_profile("PRINTDATE=F\n");
  glh_log_exception("HDFAclose", 321, "/src/core/glh/glh_library.cpp", 45);
  glh_log_exception("HDFAclose", 322, nullptr, 0);
  EXPECT_EQ(read_file("glhapiexception.log"),
            "                    sorvi                      HDFAclose      321       45 glh_api.cpp glh_library.cpp\n"
            "                    sorvi                      HDFAclose      322          glh_api.cpp\n");
}

TEST_F(GlhDiagnosticsTest, HandleReportListsALeakedGroup) {
  use_profile("PRINTDATE=F\n");
  GlhLibrary* lib = glh_open_library(path("models.glh").c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib);
  ASSERT_NE(repo, nullptr);
  glh_close_library(&lib);
  EXPECT_EQ(read_file("glhapihandles.log"),
            "Process = sorvi\n\n"
            "Number of objects open = 2\n\n"
            "Number of Datasets open = 0\n\n"
            "Number of Groups open = 1\n\n"
            "Number of Datatypes open = 0\n\n"
            "Number of Attributes open = 0\n\n"
            "\n\nOpen objects :\n"
            "\t/\n"
            "\t/GLQ_Repository\n"
            "\n");
  // The group keeps the file open until it is closed itself.
  glh_close_repository(&repo);
}

TEST_F(GlhDiagnosticsTest, ReadingAndMissingLogNothing) {
  use_profile("PRINTDATE=F\n");
  const std::string file = path("models.glh");
  {
    glh_test::OpenDocument d(file, "glq", "models");
    EXPECT_EQ(glh_open_repository_by_type("glb", d.lib), nullptr);
    EXPECT_EQ(glh_open_repository_by_path("no?where", d.lib), nullptr);
    EXPECT_EQ(glh_open_document("missing", d.repo), nullptr);
    GlhRecordSet* set = glh_read_all_records(d.doc);
    GlhRecordSetList* list = glh_read_index(d.doc, "Penaltys", 10);
    EXPECT_TRUE(set && list);
    EXPECT_EQ(glh_read_index(d.doc, "Other", 10), nullptr);
    glh_free_record_set(&set);
    glh_free_record_set_list(&list);
  }
  EXPECT_EQ(glh_work_file_present("/src/b.c", "b?a.sif", file.c_str()), 0);
  EXPECT_EQ(glh_extract_text("/src/a.c", "a.sif", file.c_str(), path("a.txt").c_str(), 0), 1);
  GlhTextBlock* block = glh_read_text("/src/a.c", "a.sif", file.c_str());
  EXPECT_NE(block, nullptr);
  glh_free_text_block(&block);
  EXPECT_TRUE(glh_diagnostics_on());
  EXPECT_FALSE(any_log());
}

TEST_F(GlhDiagnosticsTest, ProcessNameFollowsTheEditionOrTheFirstArgument) {
  EXPECT_EQ(glh_process_name(), "sorvi");
  const char* quoted[] = {"\"/my dir/sorvi tool.bin\""};
  set_process_arguments(1, quoted);
  EXPECT_EQ(glh_process_name(), "sorvi tool");
  const char* bare[] = {"viewer"};
  set_process_arguments(1, bare);
  EXPECT_EQ(glh_process_name(), "viewer");
  // An edition selected from the program's path names the process.
  sorvi_test::ReportCapture capture;
  select_edition("/opt/kelvar/alderw");
  EXPECT_EQ(glh_process_name(), "alder");
}

TEST_F(GlhTest, LibraryOpensAndClosesOnce) {
  EXPECT_TRUE(glh_lib_is_open());
  EXPECT_EQ(glh_lib_open(), 0);
  EXPECT_EQ(H5Tget_size(glh_gl_record_type()), 1060u);
  EXPECT_EQ(H5Tget_member_offset(glh_gl_record_type(), 1), 56u);
  EXPECT_EQ(H5Tis_variable_str(glh_variable_string_type()), 1);
  EXPECT_EQ(glh_lib_close(), 1);
  EXPECT_FALSE(glh_lib_is_open());
  EXPECT_EQ(glh_gl_record_type(), -1);
  EXPECT_EQ(glh_lib_close(), 0);
  EXPECT_EQ(glh_lib_open(), 1);
  // HDF5's own error printing is off.
  H5E_auto2_t handler = nullptr;
  void* data = nullptr;
  H5Eget_auto2(H5E_DEFAULT, &handler, &data);
  EXPECT_EQ(handler, nullptr);
}

TEST_F(GlhTest, RowReadRetriesWithAFreshType) {
  write_models(path("retry.glh"));
  // The shared type is gone: the first read fails, the retry succeeds.
  H5Tclose(glh_gl_record_type());
  {
    glh_test::OpenDocument d(path("retry.glh"), "glq", "models");
    GlhRecordSet* set = glh_read_all_records(d.doc);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->records.size(), 2u);
    EXPECT_EQ(set->records[1].value, std::optional<std::string>("again"));
    glh_free_record_set(&set);
  }
  // Back to a library with both types for the checks that follow.
  glh_lib_close();
  glh_lib_open();
  ids_ = glh_test::IdCounts::now();
}

}  // namespace
}  // namespace sorvi
