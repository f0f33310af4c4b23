// The work-file opener: where each mode looks, the two status codes, the
// temporary copy and its removal, and in-place reading of a repository text.
#include "workfiles/work_file_opener.h"

#include <dirent.h>

#include "samplegen/glh_writer.h"
#include "workfiles_fixture.h"

namespace sorvi {
namespace {

using sorvi_sample::GlhWriter;

const char kSource[] = "/src/demo.c";

// How many entries a directory holds (besides "." and "..").
int directory_entries(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  int count = d ? 0 : -1;
  while (dirent* e = d ? readdir(d) : nullptr) count += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
  if (d) closedir(d);
  return count;
}

sorvi_sample::GlhTextDocumentContent lines(std::vector<std::string> entries) {
  return {std::move(entries), false, {}, {}};
}

// "source file-status repository-status [text]".
std::string opened(int source, int file_status, int repository_status, const std::string& text) {
  return std::to_string(source) + " " + std::to_string(file_status) + " " + std::to_string(repository_status) + " [" +
         text + "]";
}

// What an open handle gives: the dump above, reading the whole stream.
std::string opened(const WorkFile& h) {
  int file_status = -1, repository_status = -1;
  work_file_statuses(h.get(), &file_status, &repository_status);
  std::string text;
  FILE* stream = work_file_stream(h.get());
  for (int c = stream ? std::getc(stream) : EOF; c != EOF; c = std::getc(stream)) text.push_back(static_cast<char>(c));
  return opened(h->source, file_status, repository_status, text);
}

class OpenerTest : public workfiles_test::WorkfilesTest {
 protected:
  void SetUp() override {
    WorkfilesTest::SetUp();
    GlhWriter w(work("demo.glh"));
    w.add_work_file(kSource, "demo_2.sif", lines({"from the repository", "second line"}));
    w.add_work_file(kSource, "only_repo.pol", lines({"repo only"}));
    w.add_work_file(kSource, "empty.ref", lines({}));
    w.add_work_file(kSource, "chunks.ref", {{"ab", "", "c\nd", "e"}, true, {}, {}});
    w.add_work_file(kSource, "twf", lines({"default name"}));
    // A header that claims more entries than the text holds: cannot be extracted.
    w.add_work_file(kSource, "damaged.ref", {{"a"}, false, {}, std::vector<int>{1, 0, 0, 0, 0, 0, 3, 0}});
    // A module group that is not a document repository: cannot be read in place.
    const std::string odd = sorvi_sample::glh_document_path("/src/odd.c");
    w.add_group(odd, std::vector<int>{0, 6});
    w.add_text_document(odd, "odd.sif", lines({"odd"}));
    ASSERT_TRUE(w.close());
    for (const char* name : {"demo_2.sif", "damaged.ref", "odd.sif", "plain_only.stb"}) {
      write_work(name, std::string("plain ") + name + "\n");
    }
    write_work("bogus.glh", "not hdf5");
  }
};

// Path in the work directory, mode, dataset name, repository name and GLH
// file -> source, statuses and text. A temporary copy, named after the
// dataset, lies next to the path (or in the temporary directory when the
// path's directory does not exist) only while its handle is open; nothing
// else is written.
TEST_F(OpenerTest, ModesAndFallbacks) {
  const std::string repository = "from the repository\nsecond line\n", plain = "plain demo_2.sif\n",
                    only = "plain plain_only.stb\n";
  const struct {
    std::string path;
    int mode;
    std::string expected;
    const char* dataset = nullptr;
    const char* repository = kSource;
    std::string glh = "demo.glh";
  } rows[] = {
      {"demo_2.sif", kOpenPlainFirst, opened(kSourcePlainFile, kStatusOpened, kStatusNotTried, plain)},
      {"demo_2.sif", kOpenRepositoryFirst, opened(kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, repository)},
      {"demo_2.sif", kOpenDatasetFirst, opened(kSourceDataset, kStatusNotTried, kStatusOpened, repository)},
      {"empty.ref", kOpenDatasetFirst, opened(kSourceDataset, kStatusNotTried, kStatusOpened, "")},
      // A text stored in chunks is copied instead of read in place.
      {"chunks.ref", kOpenDatasetFirst, opened(kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, "abc\nde")},
      {"plain_only.stb", kOpenRepositoryFirst, opened(kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, only)},
      {"plain_only.stb", kOpenDatasetFirst, opened(kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, only)},
      {"nowhere.pol", kOpenRepositoryFirst, opened(kSourceNone, kFileOpenFailed, kRepositoryNoDataset, "")},
      {"nowhere.pol", kOpenPlainFirst, opened(kSourceNone, kFileOpenFailed, kRepositoryNoDataset, "")},
      {"only_repo.pol", kOpenPlainFirst, opened(kSourceTemporaryCopy, kFileOpenFailed, kStatusOpened, "repo only\n")},
      // An empty path reads the dataset "twf"; a given dataset name wins over the path's.
      {"", kOpenPlainFirst, opened(kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, "default name\n")},
      {"anything.txt", kOpenDatasetFirst, opened(kSourceDataset, kStatusNotTried, kStatusOpened, "repo only\n"),
       "only_repo.pol"},
      // A failed extraction leaves no copy and falls back.
      {"damaged.ref", kOpenRepositoryFirst,
       opened(kSourcePlainFile, kStatusOpened, kRepositoryExtractFailed, "plain damaged.ref\n")},
      // A group that is not a document repository cannot be read in place.
      {"odd.sif", kOpenDatasetFirst,
       opened(kSourcePlainFile, kStatusOpened, kRepositoryDatasetFailed, "plain odd.sif\n"), nullptr, "/src/odd.c"},
      {"demo_2.sif", 7, opened(kSourcePlainFile, kStatusOpened, kRepositoryUnsupportedMode, plain)},
      // Without a GLH file, or with a file that is none, only the plain file counts.
      {"demo_2.sif", kOpenRepositoryFirst, opened(kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, plain),
       nullptr, nullptr, ""},
      {"demo_2.sif", kOpenDatasetFirst, opened(kSourcePlainFile, kStatusOpened, kRepositoryNoDataset, plain), nullptr,
       kSource, "bogus.glh"},
      {std::string(600, 'a') + ".sif", kOpenPlainFirst, opened(kSourceNone, kFileOpenFailed, kRepositoryNoDataset, ""),
       nullptr, nullptr, ""},
      {"no_such_dir/demo_2.sif", kOpenRepositoryFirst,
       opened(kSourceTemporaryCopy, kStatusNotTried, kStatusOpened, repository)},
  };
  sorvi_test::TempDir tmp;
  sorvi_test::ScopedEnv env("TMPDIR", tmp.path());
  const int entries = directory_entries(work_dir_);
  for (const auto& row : rows) {
    const std::string path = row.path.empty() ? "" : work(row.path), glh = row.glh.empty() ? "" : work(row.glh);
    WorkFile h =
        open_work_file(path.c_str(), glh.empty() ? nullptr : glh.c_str(), row.repository, row.dataset, row.mode);
    ASSERT_TRUE(h);
    EXPECT_EQ(opened(h), row.expected) << row.path << " mode " << row.mode;
    EXPECT_EQ(work_file_is_open(h.get()), h->source != kSourceNone);
    const bool copy = h->source == kSourceTemporaryCopy, in_tmp = row.path.find('/') != std::string::npos;
    EXPECT_EQ(directory_entries(work_dir_) - entries, copy && !in_tmp ? 1 : 0) << row.path;
    EXPECT_EQ(directory_entries(tmp.path()), copy && in_tmp ? 1 : 0) << row.path;
    ASSERT_EQ(static_cast<bool>(h->temporary_name), copy);
    const std::string dataset = row.dataset ? row.dataset : row.path.empty() ? "twf" : file_name_part(row.path);
    EXPECT_EQ(copy ? file_name_part(*h->temporary_name).rfind(dataset, 0) : 0u, 0u) << "named after " << dataset;
    h.reset();
    EXPECT_EQ(directory_entries(work_dir_) + directory_entries(tmp.path()), entries);
  }
}

}  // namespace
}  // namespace sorvi
