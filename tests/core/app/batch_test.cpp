// Batch mode end to end on a generated module: every document kind writes
// its report byte for byte as the golden files under tests/data/batch say,
// and nothing else in the set changes, not a byte and not a modification
// time, whether the work files come from disk or from the GLH file. A report
// that cannot be written ends the run with status 2 and leaves no partial
// report. SORVI_UPDATE_GOLDEN=1 rewrites the golden files (read them before
// committing).
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <map>

#include "app/batch.h"
#include "app/startup.h"
#include "base/safe_output.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"
#include "workfiles/index_file.h"
#include "workfiles/work_file_opener.h"

namespace {

using sorvi_test::read_file;

const std::string kGoldenDir = std::string(SORVI_SOURCE_DIR) + "/tests/data/batch/";

struct FileState {
  std::string bytes;
  long long mtime_ns = 0;
  bool operator==(const FileState& o) const { return bytes == o.bytes && mtime_ns == o.mtime_ns; }
};

// Every file below a directory with its bytes and modification time.
void snapshot(const std::string& dir, std::map<std::string, FileState>& files) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = dir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      snapshot(path, files);
    } else {
      files[path] = {read_file(path), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    }
  }
  closedir(d);
}

std::vector<std::string> names_in(const std::string& dir) {
  std::map<std::string, FileState> files;
  snapshot(dir, files);
  std::vector<std::string> names;
  for (const auto& f : files) names.push_back(f.first.substr(dir.size() + 1));
  return names;
}

// A file system mounted over a directory for one test: a small tmpfs or a
// read-only view of the directory itself. Mounting needs privileges a test
// machine may not grant; ok() says whether it worked.
class ScopedMount {
 public:
  ScopedMount(const std::string& dir, long long tmpfs_bytes) : dir_(dir) {
    const std::string options = "size=" + std::to_string(tmpfs_bytes);
    ok_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  explicit ScopedMount(const std::string& dir) : dir_(dir) {
    ok_ = ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
    if (ok_ && ::mount(nullptr, dir.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      ::umount2(dir.c_str(), MNT_DETACH);
      ok_ = false;
    }
  }
  ~ScopedMount() {
    if (ok_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  bool ok() const { return ok_; }

 private:
  std::string dir_;
  bool ok_ = false;
};

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.seed = 7;
    options.target_lines = 90;
    options.procedures = 3;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    work_ = set_.work_dir;
    env_.emplace_back("KELVAR", set_.root);
    env_.emplace_back("PROGRAMDATA", dir_.path() + "/programdata");
    env_.emplace_back("XDG_CONFIG_HOME", dir_.path() + "/config");
    snapshot(set_.root.substr(0, set_.root.size() - 1), before_);
  }
  void TearDown() override { sorvi_test::reset_core_state(); }

  // Runs "sorvi <args>" in batch mode from the work directory; returns the
  // exit status and keeps what went to standard error.
  int run_status(std::vector<std::string> args) {
    sorvi_test::ScopedCwd cwd(work_);
    sorvi_test::reset_core_state();
    sorvi_test::ReportCapture capture;
    args.insert(args.begin(), "sorvi");
    args.push_back("-VMODE");
    sorvi::CSorviCommandLineInfo info = sorvi::startup_parse_command_line(args);
    ::testing::internal::CaptureStderr();
    const int status = sorvi::run_batch(info);
    stderr_ = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(capture.calls().empty()) << capture.calls()[0].text << capture.lines();
    return status;
  }
  void run(std::vector<std::string> args) {
    EXPECT_EQ(run_status(args), 0);
    EXPECT_EQ(stderr_, "");
  }

  void remove_work_files_kept_in_the_glh_file(bool keep_sf1 = false) {
    for (const char* ext : {".blk", ".stb", ".pol", ".sf1", ".sif", ".pf1", ".sf3", ".ndx", ".smi"}) {
      if (keep_sf1 && std::string(ext) == ".sf1") continue;
      ASSERT_EQ(std::remove((work_ + "demo_1" + ext).c_str()), 0) << ext;
    }
    before_.clear();
    snapshot(set_.root.substr(0, set_.root.size() - 1), before_);
  }

  // The file with the set's directory written as "<SET>/".
  std::string normalised(const std::string& path) {
    std::string text = read_file(path);
    for (size_t at = text.find(set_.root); at != std::string::npos; at = text.find(set_.root, at)) {
      text.replace(at, set_.root.size(), "<SET>/");
    }
    return text;
  }

  void expect_golden(const std::string& path, const std::string& golden) {
    ASSERT_TRUE(sorvi_test::file_exists(path)) << path;
    const std::string text = normalised(path);
    if (std::getenv("SORVI_UPDATE_GOLDEN")) sorvi_test::write_file(kGoldenDir + golden, text);
    EXPECT_EQ(text, read_file(kGoldenDir + golden)) << golden;
  }

  // Nothing but the named reports was added, and nothing changed.
  void expect_only_added(const std::vector<std::string>& added) {
    std::map<std::string, FileState> after;
    snapshot(set_.root.substr(0, set_.root.size() - 1), after);
    for (const auto& [path, bytes] : before_) {
      auto it = after.find(path);
      ASSERT_NE(it, after.end()) << "removed: " << path;
      EXPECT_TRUE(it->second.bytes == bytes.bytes) << "changed: " << path;
      EXPECT_EQ(it->second.mtime_ns, bytes.mtime_ns) << "written: " << path;
    }
    std::vector<std::string> new_files;
    for (const auto& [path, bytes] : after) {
      if (!before_.count(path)) new_files.push_back(path);
    }
    std::vector<std::string> expected;
    for (const std::string& a : added) expected.push_back(set_.root + a);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(new_files, expected);
  }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
  std::string work_;
  struct EnvList : std::vector<std::unique_ptr<sorvi_test::ScopedEnv>> {
    void emplace_back(const char* name, const std::string& value) {
      push_back(std::make_unique<sorvi_test::ScopedEnv>(name, value));
    }
  } env_;
  std::map<std::string, FileState> before_;
  std::string stderr_;
};

TEST_F(BatchTest, ReformattedFileWithEveryDefaultAnnotation) {
  run({"demo_1.ref", "-Language=2"});
  expect_golden(work_ + "demo_1.aref.rtf", "demo_1.aref.rtf");
  expect_only_added({"work/demo_1.aref.rtf"});
}

TEST_F(BatchTest, CoverageModeHighlightsIntoTheCoverageReport) {
  run({"demo_1.ref", "-Language=2", "-CoverageMode"});
  expect_golden(work_ + "demo_1.cref.rtf", "demo_1.cref.rtf");
  run({"demo_1.ref", "-Language=2", "-CoveragePassFail", "-CoverageMode"});
  expect_golden(work_ + "demo_1.cref.rtf", "demo_1.passfail.cref.rtf");
  expect_only_added({"work/demo_1.cref.rtf"});
}

TEST_F(BatchTest, FlagWordsAndViolationMode) {
  run({"demo_1.ref", "-Language=2", "-Flags=2047"});
  expect_golden(work_ + "demo_1.aref.rtf", "demo_1.flags2047.aref.rtf");
  run({"demo_1.ref", "-Language=2", "-Flags=130", "-ViolationMode"});
  expect_golden(work_ + "demo_1.aref.rtf", "demo_1.violationmode.aref.rtf");
}

TEST_F(BatchTest, TestCaseCountsComeFromItsResultFile) {
  run({"demo_1.ref", "-Language=2", "-Flags=2047", "-TC=3", "-Seq=nightly", "-Seqwrk=" + set_.tests_dir});
  expect_golden(work_ + "demo_1.aref.rtf", "demo_1.tc3.aref.rtf");
}

TEST_F(BatchTest, AnnotatedSourceListing) {
  run({"demo_1.sif", "-Language=2"});
  expect_golden(work_ + "demo_1.asrc.rtf", "demo_1.asrc.rtf");
  expect_only_added({"work/demo_1.asrc.rtf"});
}

TEST_F(BatchTest, IncludeLinesListTheIncludedHeader) {
  int status = 1;
  sorvi::IndexRecord* index = nullptr;
  {
    sorvi_test::ScopedCwd cwd(work_);
    sorvi_test::reset_core_state();
    index = sorvi::read_index_file(set_.modules[0].source_path.c_str(), "demo_1", 1, nullptr, &status);
  }
  ASSERT_TRUE(index);
  ASSERT_GE(index->file_limits.size(), 2u);
  const sorvi::FileLimits header = index->file_limits[1];
  // The index's include files are searched only with NDXIncludes; one line
  // off at the end still finds the header.
  const std::string lines = "-IncludeLines=" + std::to_string(header.start) + "," + std::to_string(header.end + 1);
  run({"demo_1.sif", "-Language=2", lines});
  expect_only_added({});
  run({"demo_1.sif", "-Language=2", "-NDXIncludes", lines});
  expect_golden(work_ + "demo_h.asrc.rtf", "demo_h.asrc.rtf");
  run({"demo_1.sif", "-Language=2", "-NDXIncludes", "-IncludeLines=900,990"});
  expect_only_added({"work/demo_h.asrc.rtf"});
}

TEST_F(BatchTest, SourceAndViolationsKeepOnlyTheRows) {
  run({"demo_1.sf1", "-Language=2"});
  expect_golden(set_.source_dir + "demo.vsrc.rtf", "demo.vsrc.rtf");
  expect_only_added({"src/demo.vsrc.rtf"});
}

TEST_F(BatchTest, ProcedureCodeReports) {
  run({"demo_1.xtx", "-Language=2", "-Procnum=3", "-Block=2"});
  expect_golden(work_ + "demo_1.axtx.rtf", "demo_1.axtx.rtf");
  run({"demo_1.xtx", "-Language=2", "-Procnum=2", "-CoverageMode"});
  expect_golden(work_ + "demo_1.cxtx.rtf", "demo_1.cxtx.rtf");
  // A procedure the block file does not hold still gives a (empty) report.
  run({"demo_1.xtx", "-Language=2", "-Procnum=77"});
  expect_golden(work_ + "demo_1.axtx.rtf", "empty.axtx.rtf");
  expect_only_added({"work/demo_1.axtx.rtf", "work/demo_1.cxtx.rtf"});
}

TEST_F(BatchTest, WorkFilesMissingFromDiskAreReadFromTheGlhFile) {
  // The repository is found by the module's source path, which the tools
  // that start Sorvi name when the ".sf1" is not on disk.
  const std::string module = "-SourceModule=" + set_.modules[0].source_path;
  run({"demo_1.ref", "-Language=2", "-Flags=2047", module});
  const std::string from_disk = normalised(work_ + "demo_1.aref.rtf");
  std::remove((work_ + "demo_1.aref.rtf").c_str());
  remove_work_files_kept_in_the_glh_file();
  run({"demo_1.ref", "-Language=2", "-Flags=2047", module, "-GlhFile=" + work_ + "demo_1.glh"});
  EXPECT_EQ(normalised(work_ + "demo_1.aref.rtf"), from_disk);
  run({"demo_1.ref", "-Language=2", "-CoverageMode", module});
  expect_only_added({"work/demo_1.aref.rtf", "work/demo_1.cref.rtf"});
}

TEST_F(BatchTest, AReadOnlyWorkDirectoryExtractsIntoTheTemporaryDirectory) {
  remove_work_files_kept_in_the_glh_file(true);
  sorvi_test::TempDir tmp;
  sorvi_test::ScopedEnv tmpdir("TMPDIR", tmp.path());
  ScopedMount read_only(set_.work_dir.substr(0, set_.work_dir.size() - 1));
  if (!read_only.ok()) GTEST_SKIP() << "mounting is not allowed here: no read-only work directory";
  // The violation rows go beside the source; the work files come out of
  // the GLH file into TMPDIR and are gone afterwards.
  run({"demo_1.sf1", "-Language=2", "-SourceModule=" + set_.modules[0].source_path});
  expect_golden(set_.source_dir + "demo.vsrc.rtf", "demo.vsrc.rtf");
  EXPECT_EQ(names_in(tmp.path()), std::vector<std::string>{});
  // A report that belongs in the work directory cannot be written there.
  EXPECT_EQ(run_status({"demo_1.ref", "-Language=2"}), 2);
  EXPECT_EQ(stderr_, "sorvi: cannot write report \"" + work_ + "demo_1.aref.rtf\": Read-only file system\n");
  expect_only_added({"src/demo.vsrc.rtf"});
}

TEST_F(BatchTest, AFullDiskLeavesAnEmptyReportAndStatusTwo) {
  // The work directory moves onto a tmpfs with one page left free.
  std::map<std::string, FileState> work;
  snapshot(work_.substr(0, work_.size() - 1), work);
  long long total = 0;
  for (const auto& f : work) total += static_cast<long long>(f.second.bytes.size()) + 4096;
  ScopedMount full(work_.substr(0, work_.size() - 1), total + 64 * 1024);
  if (!full.ok()) GTEST_SKIP() << "mounting is not allowed here: no full disk";
  for (const auto& f : work) sorvi_test::write_file(f.first, f.second.bytes);
  sorvi_test::write_file(work_ + "demo_1.aref.rtf", "previous report\n");
  struct statvfs fs;
  ASSERT_EQ(statvfs(work_.c_str(), &fs), 0);
  const long long free_bytes = static_cast<long long>(fs.f_bavail) * static_cast<long long>(fs.f_bsize);
  ASSERT_GT(free_bytes, 4096);
  sorvi_test::write_file(work_ + "filler", std::string(static_cast<size_t>(free_bytes - 4096), 'x'));

  EXPECT_EQ(run_status({"demo_1.ref", "-Language=2"}), 2);
  EXPECT_EQ(stderr_, "sorvi: cannot write report \"" + work_ + "demo_1.aref.rtf\": No space left on device\n");
  EXPECT_EQ(read_file(work_ + "demo_1.aref.rtf"), "");
  std::vector<std::string> expected;
  for (const auto& f : work) expected.push_back(f.first.substr(work_.size()));
  expected.push_back("demo_1.aref.rtf");
  expected.push_back("filler");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names_in(work_.substr(0, work_.size() - 1)), expected);
}

TEST_F(BatchTest, AKilledRunLeavesThePreviousReportAndNoTemporaryFile) {
  remove_work_files_kept_in_the_glh_file();
  const std::string report = work_ + "demo_1.aref.rtf";
  sorvi_test::write_file(report, "previous report\n");
  const std::vector<std::string> names = names_in(work_.substr(0, work_.size() - 1));
  // Half-way: a work file extracted from the GLH file, the report's content
  // partly written; then the run is ended.
  EXPECT_EXIT(
      {
        sorvi_test::ScopedCwd cwd(work_);
        sorvi::WorkFile sif = sorvi::open_work_file((work_ + "demo_1.sif").c_str(), (work_ + "demo_1.glh").c_str(),
                                                    set_.modules[0].source_path.c_str(), nullptr,
                                                    sorvi::kOpenPlainFirst);
        if (!sif || sif->source != sorvi::kSourceTemporaryCopy) std::exit(3);
        sorvi::ReportOutput out;
        if (!out.open(report)) std::exit(4);
        std::fputs("{\\rtf1 partial", out.stream());
        std::fflush(out.stream());
        raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(read_file(report), "previous report\n");
  EXPECT_EQ(names_in(work_.substr(0, work_.size() - 1)), names);
}

TEST_F(BatchTest, DocumentsThatCannotOpenEndQuietly) {
  run({"nothing_here.ref", "-Language=2"});
  run({"demo_1.sf1"});  // without a language a ".sf1" is plain text: no report
  run({"notes.txt"});
  expect_only_added({});
}

}  // namespace
