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
  for (int c = stream ? std::getc(stream) : EOF; c != EOF; c = std::getc(stream)) text.push_back(static_cast<char>(c));
  return text;
}

GlhTextDocumentContent lines(std::vector<std::string> entries) { return {std::move(entries), false, {}, {}}; }

// Where a stream comes from, the two statuses and what it reads.
struct Opened {
  int source;
  int file_status;
  int repository_status;
  std::string text;
};

std::string dump(const Opened& o) {
  return std::to_string(o.source) + " " + std::to_string(o.file_status) + " " + std::to_string(o.repository_status) +
         " [" + o.text + "]";
}

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
    sorvi_test::write_file(work("plain_only.stb"), "plain\n");
    sorvi_test::write_file(work("bogus.glh"), "not hdf5");
    entries_before_ = workfiles_test::directory_entries(work_dir_);
  }

  WorkFile open(const std::string& path, int mode, const char* dataset = nullptr, const char* source = kSource) {
    return open_work_file(path.c_str(), glh_.c_str(), source, dataset, mode);
  }

  std::string glh_;
  int entries_before_ = 0;
};

// Path in the work directory, mode, dataset name, repository name and GLH
// file -> source, statuses and text. A temporary copy lies in the work
// directory only while its handle is open.
TEST_F(OpenerTest, ModesAndFallbacks) {
  const std::string from_repository = "from the repository\nsecond line\n";
  const struct {
    std::string path;
    int mode;
    Opened expected;
    const char* dataset = nullptr;
    const char* repository = kSource;
    std::string glh = "demo.glh";
  } rows[] = {
      {"demo_2.sif", kOpenPlainFirst, {kSourcePlainFile, kStatusOpened, kStatusNotTried, "from the plain file\n"}},
      {"demo_2.sif", kOpenRepositoryFirst, {kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, from_repository}},
      {"demo_2.sif", kOpenDatasetFirst, {kSourceDataset, kStatusNotTried, kStatusOpened, from_repository}},
      {"empty.ref", kOpenDatasetFirst, {kSourceDataset, kStatusNotTried, kStatusOpened, ""}},
      // A text stored in chunks is copied instead of read in place.
      {"chunks.ref", kOpenDatasetFirst, {kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, "abc\nde"}},
      {"plain_only.stb", kOpenRepositoryFirst, {kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, "plain\n"}},
      {"plain_only.stb", kOpenDatasetFirst, {kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, "plain\n"}},
      {"nowhere.pol", kOpenRepositoryFirst, {kSourceNone, kFileOpenFailed, kRepositoryNoDataset, ""}},
      {"nowhere.pol", kOpenPlainFirst, {kSourceNone, kFileOpenFailed, kRepositoryNoDataset, ""}},
      {"only_repo.pol", kOpenPlainFirst, {kSourceTemporaryCopy, kFileOpenFailed, kStatusOpened, "repo only\n"}},
      // An empty path reads the dataset "twf"; a given dataset name wins over the path's.
      {"", kOpenPlainFirst, {kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, "default name\n"}},
      {"anything.txt", kOpenDatasetFirst, {kSourceDataset, kStatusNotTried, kStatusOpened, "repo only\n"}, "only_repo.pol"},
      // A failed extraction leaves no copy and falls back.
      {"damaged.ref", kOpenRepositoryFirst, {kSourcePlainFile, kStatusOpened, kRepositoryExtractFailed, "plain damaged\n"}},
      // A group that is not a document repository cannot be read in place.
      {"odd.sif", kOpenDatasetFirst, {kSourcePlainFile, kStatusOpened, kRepositoryDatasetFailed, "plain odd\n"}, nullptr,
       "/src/odd.c"},
      {"demo_2.sif", 7, {kSourcePlainFile, kStatusOpened, kRepositoryUnsupportedMode, "from the plain file\n"}},
      // Without a GLH file, or with a file that is none, only the plain file counts.
      {"demo_2.sif", kOpenRepositoryFirst, {kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, "from the plain file\n"},
       nullptr, nullptr, ""},
      {"demo_2.sif", kOpenDatasetFirst, {kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, "from the plain file\n"},
       nullptr, kSource, "bogus.glh"},
      {std::string(600, 'a') + ".sif", kOpenPlainFirst, {kSourceNone, kFileOpenFailed, kRepositoryNoDataset, ""}, nullptr,
       nullptr, ""},
  };
  for (const auto& row : rows) {
    const std::string path = row.path.empty() ? "" : work(row.path);
    WorkFile h = open_work_file(path.c_str(), row.glh.empty() ? nullptr : work(row.glh).c_str(), row.repository,
                                row.dataset, row.mode);
    ASSERT_TRUE(h);
    Opened got{h->source, -1, -1, rest_of(work_file_stream(h.get()))};
    work_file_statuses(h.get(), &got.file_status, &got.repository_status);
    EXPECT_EQ(dump(got), dump(row.expected)) << row.path << " mode " << row.mode;
    EXPECT_EQ(work_file_is_open(h.get()), row.expected.source != kSourceNone);
    const bool copy = row.expected.source == kSourceTemporaryCopy;
    EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries_before_ + (copy ? 1 : 0)) << row.path;
    EXPECT_EQ(static_cast<bool>(h->temporary_name), copy);
    h.reset();
    EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries_before_) << row.path;
  }
}

TEST_F(OpenerTest, TheTemporaryCopyIsNamedAfterTheDatasetAndDeletedOnClose) {
  WorkFile h = open(work("demo_2.sif"), kOpenRepositoryFirst);
  ASSERT_TRUE(h->temporary_name);
  const std::string copy = *h->temporary_name;
  EXPECT_EQ(directory_part(copy), work_dir_);
  EXPECT_EQ(file_name_part(copy).rfind("demo_2.sif", 0), 0u);
  close_work_file(h);
  EXPECT_FALSE(h);
  EXPECT_FALSE(sorvi_test::file_exists(copy));

  // Without a directory in the path the copy goes to the temporary directory.
  sorvi_test::TempDir tmp;
  sorvi_test::ScopedEnv env("TMPDIR", tmp.path());
  h = open(profile_->dir().file("no_such_dir/demo_2.sif"), kOpenRepositoryFirst);
  ASSERT_EQ(h->source, kSourceTemporaryCopy);
  EXPECT_EQ(workfiles_test::directory_entries(tmp.path()), 1);
  h.reset();
  EXPECT_EQ(workfiles_test::directory_entries(tmp.path()), 0);
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
  {
    GlhWriter w(glh_);  // rewritten: one sequence holding test case 4
    w.add_group("$$SEQUENCE$$nightly", std::vector<int>{0, 9});
    w.add_text_document("$$SEQUENCE$$nightly", "TC4?/src/demo.c?demo_2.pol", lines({"from the sequence"}));
    ASSERT_TRUE(w.close());
  }
  sorvi_test::write_file(other("demo_2_tc3.pol"), "from the result directory\n");
  std::string texts;
  for (int tc : {3, 4, 5}) {
    WorkFile h = open_test_case_work_file(work("demo_2.pol").c_str(), tc, other("").c_str(), "nightly", kSource,
                                          glh_.c_str());
    texts += std::to_string(h->source) + " " + rest_of(work_file_stream(h.get()));
    if (h->temporary_name) {
      EXPECT_EQ(directory_part(*h->temporary_name), other(""));
    }
  }
  EXPECT_EQ(texts, std::to_string(kSourcePlainFile) + " from the result directory\n" +
                       std::to_string(kSourceTemporaryCopy) + " from the sequence\n" + std::to_string(kSourceNone) + " ");
}

// ---- execution-count history -------------------------------------------------

TEST_F(OpenerTest, HistoryNameStepsBackFromTheNewest) {
  // (module, step back, bare) -> count and name, as history files appear.
  auto history = [this](int module, int step_back, bool bare) {
    std::string name;
    const int count = policy_history_name(module, step_back, "/src/demo.c", glh_.c_str(), kSource, bare, name);
    return std::to_string(count) + " " + name;
  };
  EXPECT_EQ(history(2, 1, false), "0 ");
  sorvi_test::write_file(work("demo_2.pol.001"), "1");
  EXPECT_EQ(history(2, 1, false), "1 " + work("demo_2.pol.001"));
  sorvi_test::write_file(work("demo_2.pol.002"), "2");
  sorvi_test::write_file(work("demo_2.pol.003"), "3");
  EXPECT_EQ(history(2, 1, false), "3 " + work("demo_2.pol.002"));
  EXPECT_EQ(history(2, 1, true), "3 demo_2.pol.002");
  EXPECT_EQ(history(2, 5, true), "3 demo_2.pol.001");
  // Without a module number the base is the plain stem.
  EXPECT_EQ(history(0, 1, true), "0 ");
  sorvi_test::write_file(work("demo.pol.001"), "1");
  EXPECT_EQ(history(0, 1, true), "1 demo.pol.001");

  // The count stops at the first gap and sees the repository.
  {
    GlhWriter w(glh_);
    w.add_work_file(kSource, "demo_2.pol.002", lines({"2"}));
    ASSERT_TRUE(w.close());
  }
  std::remove(work("demo_2.pol.002").c_str());
  std::remove(work("demo_2.pol.003").c_str());
  sorvi_test::write_file(work("demo_2.pol.004"), "4");
  EXPECT_EQ(history(2, 1, true), "2 demo_2.pol.001");
}

}  // namespace
}  // namespace sorvi
