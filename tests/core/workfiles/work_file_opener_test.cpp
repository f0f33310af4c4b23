// The work-file opener: where each mode looks, the two status codes, the
// temporary copy and its removal, in-place reading of a repository text,
// and the names of test-case results and of the execution-count history.
#include "workfiles/work_file_opener.h"

#include <string>
#include <vector>

#include "base/text_reader.h"
#include "workfiles/work_file_names.h"
#include "workfiles_fixture.h"

namespace sorvi {
namespace {

using sorvi_sample::GlhTextDocumentContent;
using sorvi_sample::GlhWriter;

const char kSource[] = "/src/demo.c";

// Everything left in the stream.
std::string rest_of(FILE* stream) {
  std::string text;
  if (!stream) return text;
  for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) text.push_back(static_cast<char>(c));
  return text;
}

GlhTextDocumentContent lines(std::vector<std::string> entries) { return {std::move(entries), false, {}, {}}; }

class OpenerTest : public workfiles_test::WorkfilesTest {
 protected:
  void SetUp() override {
    WorkfilesTest::SetUp();
    glh_ = work("demo.glh");
    GlhWriter w(glh_);
    w.add_work_file(kSource, "demo_2.sif", lines({"from the repository", "second line"}));
    w.add_work_file(kSource, "only_repo.pol", lines({"repo only"}));
    w.add_work_file(kSource, "empty.ref", lines({}));
    w.add_work_file(kSource, "chunks.ref", {{"ab", "", "c\nd", "e"}, true, {}, {}});
    w.add_work_file(kSource, "twf", lines({"default name"}));
    w.add_work_file(kSource, "long.ref", lines({std::string(10000, 'x'), "    42 tail"}));
    // A header that claims more entries than the text holds: cannot be extracted.
    w.add_work_file(kSource, "damaged.ref", {{"a"}, false, {}, std::vector<int>{1, 0, 0, 0, 0, 0, 3, 0}});
    // A module group that is not a document repository: cannot be read in place.
    const std::string odd = sorvi_sample::glh_document_path("/src/odd.c");
    w.add_group(odd, std::vector<int>{0, 6});
    w.add_text_document(odd, "odd.sif", lines({"odd"}));
    ASSERT_TRUE(w.close());
    sorvi_test::write_file(work("demo_2.sif"), "from the plain file\n");
    sorvi_test::write_file(work("damaged.ref"), "plain damaged\n");
    sorvi_test::write_file(work("odd.sif"), "plain odd\n");
    entries_before_ = workfiles_test::directory_entries(work_dir_);
  }

  WorkFile open(const std::string& path, int mode, const char* dataset = nullptr, const char* source = kSource) {
    return open_work_file(path.c_str(), glh_.c_str(), source, dataset, mode);
  }

  void expect_statuses(const WorkFile& handle, int file_status, int repository_status) {
    int f = -1, r = -1;
    work_file_statuses(handle.get(), &f, &r);
    EXPECT_EQ(f, file_status);
    EXPECT_EQ(r, repository_status);
  }

  std::string glh_;
  int entries_before_ = 0;
};

TEST_F(OpenerTest, PlainFirstReadsThePlainFile) {
  WorkFile h = open(work("demo_2.sif"), kOpenPlainFirst);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->source, kSourcePlainFile);
  expect_statuses(h, kStatusOpened, kStatusNotTried);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "from the plain file\n");
}

TEST_F(OpenerTest, RepositoryFirstReadsATemporaryCopyDeletedOnClose) {
  WorkFile h = open(work("demo_2.sif"), kOpenRepositoryFirst);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->source, kSourceTemporaryCopy);
  expect_statuses(h, kStatusNotTried, kStatusOpened);
  ASSERT_TRUE(h->temporary_name);
  const std::string copy = *h->temporary_name;
  EXPECT_EQ(directory_part(copy), work_dir_) << "the copy goes next to the path";
  EXPECT_EQ(file_name_part(copy).rfind("demo_2.sif", 0), 0u) << "named after the dataset";
  EXPECT_TRUE(sorvi_test::file_exists(copy));
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "from the repository\nsecond line\n");
  close_work_file(h);
  EXPECT_FALSE(h);
  EXPECT_FALSE(sorvi_test::file_exists(copy));
  EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries_before_);
}

TEST_F(OpenerTest, DatasetFirstReadsTheRepositoryInPlace) {
  WorkFile h = open(work("demo_2.sif"), kOpenDatasetFirst);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->source, kSourceDataset);
  EXPECT_TRUE(work_file_is_open(h.get()));
  EXPECT_FALSE(h->temporary_name);
  expect_statuses(h, kStatusNotTried, kStatusOpened);
  EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries_before_) << "nothing is written";
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "from the repository\nsecond line\n");
}

TEST_F(OpenerTest, InPlaceStreamServesTheLineReaders) {
  WorkFile h = open(work("long.ref"), kOpenDatasetFirst);
  ASSERT_EQ(h->source, kSourceDataset);
  FILE* f = work_file_stream(h.get());
  std::string line;
  ASSERT_TRUE(read_any_line(f, line));
  EXPECT_EQ(line, std::string(10000, 'x'));
  int value = 0;
  bool eof = false, eol = false;
  EXPECT_EQ(Readfixedintex(f, 6, &value, &eof, &eol), 6);
  EXPECT_EQ(value, 42);
  ASSERT_TRUE(read_any_line(f, line));
  EXPECT_EQ(line, " tail");
  EXPECT_FALSE(read_any_line(f, line));
}

TEST_F(OpenerTest, EmptyRepositoryTextIsAnEmptyStream) {
  WorkFile h = open(work("empty.ref"), kOpenDatasetFirst);
  EXPECT_EQ(h->source, kSourceDataset);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "");
}

TEST_F(OpenerTest, ChunkedTextIsCopiedInsteadOfReadInPlace) {
  WorkFile h = open(work("chunks.ref"), kOpenDatasetFirst);
  EXPECT_EQ(h->source, kSourceTemporaryCopy);
  expect_statuses(h, kStatusNotTried, kStatusOpened);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "abc\nde");
}

TEST_F(OpenerTest, MissingFromTheRepositoryFallsBackToThePlainFile) {
  sorvi_test::write_file(work("plain_only.stb"), "plain\n");
  for (int mode : {kOpenRepositoryFirst, kOpenDatasetFirst}) {
    WorkFile h = open(work("plain_only.stb"), mode);
    EXPECT_EQ(h->source, kSourcePlainFile);
    expect_statuses(h, kStatusOpened, kRepositoryNoDataset);
    EXPECT_EQ(rest_of(work_file_stream(h.get())), "plain\n");
  }
}

TEST_F(OpenerTest, MissingEverywhereGivesBothFailures) {
  WorkFile h = open(work("nowhere.pol"), kOpenRepositoryFirst);
  ASSERT_TRUE(h);
  EXPECT_FALSE(work_file_is_open(h.get()));
  EXPECT_EQ(work_file_stream(h.get()), nullptr);
  EXPECT_EQ(h->source, kSourceNone);
  expect_statuses(h, kFileOpenFailed, kRepositoryNoDataset);

  WorkFile p = open(work("nowhere.pol"), kOpenPlainFirst);
  expect_statuses(p, kFileOpenFailed, kRepositoryNoDataset);
}

TEST_F(OpenerTest, PlainFirstFallsBackToTheRepository) {
  WorkFile h = open(work("only_repo.pol"), kOpenPlainFirst);
  EXPECT_EQ(h->source, kSourceTemporaryCopy);
  expect_statuses(h, kFileOpenFailed, kStatusOpened);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "repo only\n");
}

TEST_F(OpenerTest, DatasetNameDefaultsAndOverrides) {
  // An empty path reads the dataset "twf", copied next to the GLH file.
  WorkFile h = open("", kOpenPlainFirst);
  EXPECT_EQ(h->source, kSourceTemporaryCopy);
  ASSERT_TRUE(h->temporary_name);
  EXPECT_EQ(directory_part(*h->temporary_name), work_dir_);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "default name\n");
  // A given dataset name wins over the path's file name.
  WorkFile g = open(work("anything.txt"), kOpenDatasetFirst, "only_repo.pol");
  EXPECT_EQ(rest_of(work_file_stream(g.get())), "repo only\n");
  expect_statuses(g, kStatusNotTried, kStatusOpened);
}

TEST_F(OpenerTest, CopyGoesToTheTemporaryDirectoryWhenThePathHasNone) {
  sorvi_test::TempDir tmp;
  sorvi_test::ScopedEnv env("TMPDIR", tmp.path());
  WorkFile h = open(profile_->dir().file("no_such_dir/demo_2.sif"), kOpenRepositoryFirst);
  ASSERT_EQ(h->source, kSourceTemporaryCopy);
  EXPECT_EQ(workfiles_test::directory_entries(tmp.path()), 1);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "from the repository\nsecond line\n");
  h.reset();
  EXPECT_EQ(workfiles_test::directory_entries(tmp.path()), 0);
}

TEST_F(OpenerTest, FailedExtractionLeavesNoCopyAndFallsBack) {
  WorkFile h = open(work("damaged.ref"), kOpenRepositoryFirst);
  EXPECT_EQ(h->source, kSourcePlainFile);
  expect_statuses(h, kStatusOpened, kRepositoryExtractFailed);
  EXPECT_FALSE(h->temporary_name);
  EXPECT_EQ(rest_of(work_file_stream(h.get())), "plain damaged\n");
  h.reset();
  EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries_before_);
}

TEST_F(OpenerTest, DatasetThatCannotBeReadInPlaceFallsBack) {
  WorkFile h = open(work("odd.sif"), kOpenDatasetFirst, nullptr, "/src/odd.c");
  EXPECT_EQ(h->source, kSourcePlainFile);
  expect_statuses(h, kStatusOpened, kRepositoryDatasetFailed);
}

TEST_F(OpenerTest, UnknownModeOnlyReadsThePlainFile) {
  WorkFile h = open(work("demo_2.sif"), 7);
  EXPECT_EQ(h->source, kSourcePlainFile);
  expect_statuses(h, kStatusOpened, kRepositoryUnsupportedMode);
}

TEST_F(OpenerTest, WithoutAGlhFileOnlyThePlainFileCounts) {
  WorkFile h = open_work_file(work("demo_2.sif").c_str(), nullptr, nullptr, nullptr, kOpenRepositoryFirst);
  EXPECT_EQ(h->source, kSourcePlainFile);
  expect_statuses(h, kStatusOpened, kRepositoryNoDataset);
  // A file that is not a GLH file is a repository without the dataset.
  sorvi_test::write_file(work("bogus.glh"), "not hdf5");
  WorkFile b = open_work_file(work("demo_2.sif").c_str(), work("bogus.glh").c_str(), kSource, nullptr,
                              kOpenDatasetFirst);
  expect_statuses(b, kStatusOpened, kRepositoryNoDataset);
}

TEST_F(OpenerTest, OverlongPathFailsLikeAMissingFile) {
  const std::string path = work(std::string(600, 'a') + ".sif");
  WorkFile h = open_work_file(path.c_str(), nullptr, nullptr, nullptr, kOpenPlainFirst);
  expect_statuses(h, kFileOpenFailed, kRepositoryNoDataset);
}

TEST_F(OpenerTest, ExistsLooksAtThePlainFileThenTheRepository) {
  EXPECT_TRUE(work_file_exists(work("demo_2.sif").c_str(), glh_.c_str(), kSource));
  EXPECT_TRUE(work_file_exists(work("only_repo.pol").c_str(), glh_.c_str(), kSource));
  EXPECT_TRUE(work_file_exists(other("only_repo.pol").c_str(), glh_.c_str(), kSource)) << "by file name only";
  EXPECT_FALSE(work_file_exists(work("only_repo.pol").c_str(), glh_.c_str(), "/src/other.c"));
  EXPECT_FALSE(work_file_exists(work("nowhere.pol").c_str(), glh_.c_str(), kSource));
  EXPECT_FALSE(work_file_exists(work_dir_.c_str(), nullptr, nullptr)) << "a directory is no work file";
  EXPECT_FALSE(work_file_exists(nullptr, glh_.c_str(), kSource));
}

// ---- test-case names ---------------------------------------------------------

TEST(TestCaseNames, FollowTheSuitesPatterns) {
  EXPECT_EQ(test_case_result_file("/work/demo_2.pol", 3, "/results"), "/results/demo_2_tc3.pol");
  EXPECT_EQ(test_case_result_file("demo_2.pol", 12, "/results/"), "/results/demo_2_tc12.pol");
  EXPECT_EQ(test_case_result_file("/work/a.b.stb", 1, "/r"), "/r/a.b_tc1.stb");
  EXPECT_EQ(test_case_repository_name("nightly"), "$$SEQUENCE$$nightly");
  EXPECT_EQ(test_case_dataset_name(3, "/src/demo.c", "/work/demo_2.pol"), "TC3?/src/demo.c?demo_2.pol");
}

TEST_F(OpenerTest, TestCaseResultsOpenFromTheResultDirectoryOrTheSequence) {
  const std::string results = other("");
  {
    GlhWriter w(glh_);  // rewritten: one sequence holding test case 4
    w.add_group("$$SEQUENCE$$nightly", std::vector<int>{0, 9});
    w.add_text_document("$$SEQUENCE$$nightly", "TC4?/src/demo.c?demo_2.pol", lines({"from the sequence"}));
    ASSERT_TRUE(w.close());
  }
  sorvi_test::write_file(other("demo_2_tc3.pol"), "from the result directory\n");
  WorkFile a = open_test_case_work_file(work("demo_2.pol").c_str(), 3, results.c_str(), "nightly", kSource,
                                        glh_.c_str());
  EXPECT_EQ(a->source, kSourcePlainFile);
  EXPECT_EQ(rest_of(work_file_stream(a.get())), "from the result directory\n");

  WorkFile b = open_test_case_work_file(work("demo_2.pol").c_str(), 4, results.c_str(), "nightly", kSource,
                                        glh_.c_str());
  EXPECT_EQ(b->source, kSourceTemporaryCopy);
  EXPECT_EQ(rest_of(work_file_stream(b.get())), "from the sequence\n");
  ASSERT_TRUE(b->temporary_name);
  EXPECT_EQ(directory_part(*b->temporary_name), results);

  WorkFile c = open_test_case_work_file(work("demo_2.pol").c_str(), 5, results.c_str(), "nightly", kSource,
                                        glh_.c_str());
  EXPECT_FALSE(work_file_is_open(c.get()));
}

// ---- execution-count history -------------------------------------------------

TEST_F(OpenerTest, HistoryNameStepsBackFromTheNewest) {
  std::string name;
  EXPECT_EQ(policy_history_name(2, 1, "/src/demo.c", glh_.c_str(), kSource, false, name), 0);
  EXPECT_EQ(name, "");

  sorvi_test::write_file(work("demo_2.pol.001"), "1");
  EXPECT_EQ(policy_history_name(2, 1, "/src/demo.c", glh_.c_str(), kSource, false, name), 1);
  EXPECT_EQ(name, work("demo_2.pol.001"));

  sorvi_test::write_file(work("demo_2.pol.002"), "2");
  sorvi_test::write_file(work("demo_2.pol.003"), "3");
  EXPECT_EQ(policy_history_name(2, 1, "/src/demo.c", glh_.c_str(), kSource, false, name), 3);
  EXPECT_EQ(name, work("demo_2.pol.002"));
  EXPECT_EQ(policy_history_name(2, 1, "/src/demo.c", glh_.c_str(), kSource, true, name), 3);
  EXPECT_EQ(name, "demo_2.pol.002");
  EXPECT_EQ(policy_history_name(2, 5, "/src/demo.c", glh_.c_str(), kSource, true, name), 3);
  EXPECT_EQ(name, "demo_2.pol.001");

  // Without a module number the base is the plain stem.
  EXPECT_EQ(policy_history_name(0, 1, "/src/demo.c", glh_.c_str(), kSource, true, name), 0);
  sorvi_test::write_file(work("demo.pol.001"), "1");
  EXPECT_EQ(policy_history_name(0, 1, "/src/demo.c", glh_.c_str(), kSource, true, name), 1);
  EXPECT_EQ(name, "demo.pol.001");
}

TEST_F(OpenerTest, HistoryCountStopsAtTheFirstGapAndSeesTheRepository) {
  {
    GlhWriter w(glh_);
    w.add_work_file(kSource, "demo_2.pol.002", lines({"2"}));
    ASSERT_TRUE(w.close());
  }
  sorvi_test::write_file(work("demo_2.pol.001"), "1");
  sorvi_test::write_file(work("demo_2.pol.004"), "4");
  std::string name;
  EXPECT_EQ(policy_history_name(2, 1, "/src/demo.c", glh_.c_str(), kSource, true, name), 2);
  EXPECT_EQ(name, "demo_2.pol.001");
}

}  // namespace
}  // namespace sorvi
