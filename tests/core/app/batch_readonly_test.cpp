// A batch run reads the work directory, the suite directory and the GLH
// file and writes only its report: every byte, and every modification time,
// of what it read stays as it was, whether the work files come from disk or
// from the GLH file.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "app/batch.h"
#include "app/startup.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace {

struct FileState {
  std::string bytes;
  long long mtime_ns = 0;
  bool operator==(const FileState& o) const { return bytes == o.bytes && mtime_ns == o.mtime_ns; }
};

void snapshot(const std::string& path, std::map<std::string, FileState>& files) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    files[path] = {sorvi_test::read_file(path), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    return;
  }
  DIR* d = opendir(path.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") snapshot(path + "/" + name, files);
  }
  closedir(d);
}

bool is_report(const std::string& path) { return path.size() > 4 && path.compare(path.size() - 4, 4, ".rtf") == 0; }

class BatchReadOnlyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.seed = 11;
    options.target_lines = 120;
    options.procedures = 4;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    work_ = set_.work_dir;
    glh_ = work_ + set_.modules[0].stem + ".glh";
    sorvi_test::write_file(work_ + "demo_1.xtx", sorvi_test::read_file(work_ + "demo_1.ref"));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set_.root));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("PROGRAMDATA", dir_.path() + "/programdata"));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("XDG_CONFIG_HOME", dir_.path() + "/config"));
  }
  void TearDown() override { sorvi_test::reset_core_state(); }

  // What the run may not touch: the work directory (reports aside), the
  // suite directory, the GLH file and the profile.
  std::map<std::string, FileState> read_side() {
    std::map<std::string, FileState> files;
    snapshot(set_.work_dir.substr(0, set_.work_dir.size() - 1), files);
    snapshot(set_.suite_dir.substr(0, set_.suite_dir.size() - 1), files);
    snapshot(set_.tests_dir.substr(0, set_.tests_dir.size() - 1), files);
    snapshot(set_.profile_path, files);
    for (auto it = files.begin(); it != files.end();) it = is_report(it->first) ? files.erase(it) : std::next(it);
    return files;
  }

  // Runs the batch job and checks that the read side is unchanged and a
  // report was written.
  void run_and_check(std::vector<std::string> args, const std::string& report) {
    const std::map<std::string, FileState> before = read_side();
    ASSERT_TRUE(before.count(glh_));
    {
      sorvi_test::ScopedCwd cwd(work_);
      sorvi_test::reset_core_state();
      sorvi_test::ReportCapture capture;
      args.insert(args.begin(), "sorvi");
      args.push_back("-VMODE");
      EXPECT_EQ(sorvi::run_batch(sorvi::startup_parse_command_line(args)), 0);
      EXPECT_TRUE(capture.calls().empty());
    }
    const std::map<std::string, FileState> after = read_side();
    for (const auto& [path, state] : before) {
      auto it = after.find(path);
      ASSERT_NE(it, after.end()) << "removed: " << path;
      EXPECT_TRUE(it->second.bytes == state.bytes) << "bytes changed: " << path;
      EXPECT_EQ(it->second.mtime_ns, state.mtime_ns) << "written: " << path;
    }
    for (const auto& [path, state] : after) EXPECT_TRUE(before.count(path)) << "added: " << path;
    EXPECT_TRUE(sorvi_test::file_exists(report)) << report;
    std::remove(report.c_str());
  }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
  std::string work_;
  std::string glh_;
  std::vector<std::unique_ptr<sorvi_test::ScopedEnv>> env_;
};

TEST_F(BatchReadOnlyTest, EveryDocumentKindLeavesWhatItReadUntouched) {
  run_and_check({"demo_1.ref", "-Language=2", "-Flags=2047"}, work_ + "demo_1.aref.rtf");
  run_and_check({"demo_1.ref", "-Language=2", "-CoverageMode", "-TC=2", "-Seq=nightly", "-Seqwrk=" + set_.tests_dir},
                work_ + "demo_1.cref.rtf");
  run_and_check({"demo_1.sif", "-Language=2"}, work_ + "demo_1.asrc.rtf");
  run_and_check({"demo_1.sf1", "-Language=2"}, set_.source_dir + "demo.vsrc.rtf");
  run_and_check({"demo_1.xtx", "-Language=2", "-Procnum=2", "-Block=1"}, work_ + "demo_1.axtx.rtf");
}

TEST_F(BatchReadOnlyTest, WorkFilesReadFromTheGlhFileLeaveItUntouched) {
  // Without the plain files every work file comes out of the GLH file,
  // named explicitly.
  for (const char* ext : {".blk", ".stb", ".pol", ".sf1", ".sif", ".pf1", ".sf3", ".ndx", ".smi"}) {
    ASSERT_EQ(std::remove((work_ + "demo_1" + ext).c_str()), 0) << ext;
  }
  run_and_check({"demo_1.ref", "-Language=2", "-Flags=2047", "-SourceModule=" + set_.modules[0].source_path,
                 "-GlhFile=" + glh_},
                work_ + "demo_1.aref.rtf");
  run_and_check({"demo_1.ref", "-Language=2", "-CoverageMode", "-SourceModule=" + set_.modules[0].source_path},
                work_ + "demo_1.cref.rtf");
}

}  // namespace
