#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/core_state.h"
#include "base/fatal_report.h"
#include "base/message_box.h"
#include "fuzz_harness.h"
#include "harness_internal.h"

namespace sorvi_fuzz {

namespace {

struct HarnessState {
  std::string scratch;  // made on first use, removed at exit
  int slot = -1;
  std::unique_ptr<FuzzSet> set;
  bool set_tried = false;
  std::string failure;
  FuzzRunStats last_run;
};

HarnessState& harness_state() {
  static HarnessState state;
  return state;
}

void remove_tree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        remove_tree(path + "/" + e->d_name);
      }
      closedir(d);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

void remove_scratch() {
  HarnessState& s = harness_state();
  if (!s.scratch.empty()) remove_tree(s.scratch);
  s.scratch.clear();
}

// The scratch directory sits at a fixed path, "/tmp/sorvi-fuzz-<slot>"
// (slot 0 to 9, one digit), so
// that paths recorded in seed inputs (the registry's checksums are taken
// over full paths) hold again in the next process. A process claims the
// first slot whose lock file it can lock, and keeps it until it ends.
const std::string& scratch_directory() {
  HarnessState& s = harness_state();
  if (s.scratch.empty()) {
    for (int slot = 0; slot < 10; ++slot) {
      const std::string base = "/tmp/sorvi-fuzz-" + std::to_string(slot);
      const int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      if (fd < 0) continue;
      if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        continue;
      }
      remove_tree(base);
      if (mkdir(base.c_str(), 0777) != 0) {
        close(fd);
        continue;
      }
      s.scratch = base;
      s.slot = slot;
      std::atexit(remove_scratch);
      break;
    }
  }
  return s.scratch;
}

// Every regular file below `dir`, by path below `root`; directories go to
// `dirs` when given.
void list_tree(const std::string& root, const std::string& relative, std::vector<std::string>& files,
               std::vector<std::string>* dirs) {
  DIR* d = opendir((root + relative).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    const std::string rel = relative + e->d_name;
    struct stat st;
    if (lstat((root + rel).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (dirs) dirs->push_back(rel);
      list_tree(root, rel + "/", files, dirs);
    } else {
      files.push_back(rel);
    }
  }
  closedir(d);
}

std::pair<long long, long long> stamp_of(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return {-1, -1};
  return {static_cast<long long>(st.st_size), st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

bool ends_with(const std::string& text, const char* tail) {
  const size_t n = std::strlen(tail);
  return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

bool starts_with(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

}  // namespace

std::string read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool write_whole_file(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

void set_fuzz_failure(const std::string& why) { harness_state().failure = why; }
const std::string& fuzz_failure() { return harness_state().failure; }
const FuzzRunStats& fuzz_last_run() { return harness_state().last_run; }

int fuzz_scratch_slot() {
  scratch_directory();
  return harness_state().slot;
}

FuzzSet* fuzz_set() {
  HarnessState& s = harness_state();
  if (s.set_tried) return s.set && s.set->ok ? s.set.get() : nullptr;
  s.set_tried = true;
  s.set = std::make_unique<FuzzSet>();
  FuzzSet& set = *s.set;
  const std::string& scratch = scratch_directory();
  if (scratch.empty()) return nullptr;
  sorvi_sample::SampleSetOptions options;
  options.output_dir = scratch + "/set";
  options.seed = 7;
  options.target_lines = 90;
  options.procedures = 3;
  // Without a GLH file: the readers take the plain files, and the GLH
  // harnesses write their own.
  options.files &= ~static_cast<unsigned>(sorvi_sample::kSampleGlh);
  set.summary = sorvi_sample::write_sample_set(options);
  if (!set.summary.ok) return nullptr;
  const std::string& root = set.summary.root;
  // A procedure-code file has the reformatted file's layout.
  const std::string& stem = set.summary.modules[0].stem;
  write_whole_file(set.summary.work_dir + stem + ".xtx", read_whole_file(set.summary.work_dir + stem + ".ref"));
  for (const char* dir : {"programdata", "config", "data", "tmp", "perm"}) mkdir((root + dir).c_str(), 0777);
  std::vector<std::string> files;
  list_tree(root, "", files, nullptr);
  for (const std::string& f : files) {
    set.pristine[f] = read_whole_file(root + f);
    set.stamps[f] = stamp_of(root + f);
  }
  set.ok = true;
  return &set;
}

FuzzRun::FuzzRun(FuzzSet& set) : set_(set) {
  set_fuzz_failure(std::string());
  const std::string& root = set.root();
  setenv("KELVAR", root.c_str(), 1);
  setenv("PROGRAMDATA", (root + "programdata").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root + "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "data").c_str(), 1);
  setenv("TMPDIR", (root + "tmp").c_str(), 1);
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd)) old_cwd_ = cwd;
  if (chdir(set.work().c_str()) != 0) fail("cannot enter the work directory");
  sorvi::reset_core_state();
  sorvi::reset_fatal_report();
  sorvi::set_channel_a_hook([this](int, const char*) { ++report_calls_; });
  sorvi::set_channel_b_hook([this](int, const char*) { ++report_calls_; });
  sorvi::set_report_sink([](const std::string&) {});
  sorvi::set_process_exit_handler([](int) {});
  sorvi::set_message_box_handler([](const std::string&) {});
}

FuzzRun::~FuzzRun() {
  if (!finished_) finish(false);
  sorvi::reset_core_state();
  sorvi::reset_fatal_report();
  sorvi::set_message_box_handler(nullptr);
  if (!old_cwd_.empty() && chdir(old_cwd_.c_str()) != 0) {
    // Nothing better to do: the next run enters its own directory.
  }
}

void FuzzRun::put(const std::string& relative, const std::string& input, bool own_paths) {
  // Inputs name the set by the path of some slot (the seeds by slot 0's):
  // every such path is made this process's own, so that no run reads or
  // writes beside another process's set. The lengths match, so fixed
  // columns stay where they were.
  std::string bytes = input;
  const std::string prefix = "/tmp/sorvi-fuzz-";
  const char own = static_cast<char>('0' + harness_state().slot);
  for (size_t at = own_paths ? bytes.find(prefix) : std::string::npos; at != std::string::npos;
       at = bytes.find(prefix, at + 1)) {
    const size_t digit = at + prefix.size();
    if (digit + 1 < bytes.size() && bytes[digit] >= '0' && bytes[digit] <= '9' && bytes[digit + 1] == '/')
      bytes[digit] = own;
  }
  expected_[relative] = bytes;
  if (!write_whole_file(set_.root() + relative, bytes)) fail("cannot write " + relative);
  put_stamps_[relative] = stamp_of(set_.root() + relative);
}

int FuzzRun::fail(const std::string& why) {
  if (failure_.empty()) {
    failure_ = why;
    set_fuzz_failure(why);
  }
  return 1;
}

int FuzzRun::finish(bool reports_allowed) {
  finished_ = true;
  harness_state().last_run = FuzzRunStats();
  // Release what the readers hold before looking at the files.
  sorvi::reset_core_state();
  const std::string& root = set_.root();
  std::vector<std::string> files, dirs;
  list_tree(root, "", files, &dirs);
  std::map<std::string, bool> seen;
  for (const std::string& f : files) {
    seen[f] = true;
    auto want = expected_.find(f);
    auto orig = set_.pristine.find(f);
    if (want == expected_.end() && orig == set_.pristine.end()) {
      const bool report = reports_allowed && ends_with(f, ".rtf");
      const bool own_settings = starts_with(f, "config/") || starts_with(f, "data/");
      if (!report && !own_settings) fail("file added: " + f);
      if (report) ++harness_state().last_run.reports_added;
      unlink((root + f).c_str());
      continue;
    }
    // The input files are compared byte for byte; the others only when
    // their stamp moved (a write that kept the bytes is still a write).
    const auto& stamp = want != expected_.end() ? put_stamps_[f] : set_.stamps[f];
    if (stamp_of(root + f) != stamp || (want != expected_.end() && read_whole_file(root + f) != want->second)) {
      const std::string& bytes = want != expected_.end() ? want->second : orig->second;
      fail((read_whole_file(root + f) != bytes ? "file changed: " : "file written: ") + f);
      if (want == expected_.end()) {
        write_whole_file(root + f, orig->second);
        set_.stamps[f] = stamp_of(root + f);
      }
    }
  }
  for (const auto& [f, bytes] : set_.pristine) {
    if (!seen.count(f)) fail("file removed: " + f);
  }
  for (const std::string& d : dirs) {
    // A lock directory or a temporary directory must not outlive the run.
    if (starts_with(d, "perm/Locks/") || starts_with(d, "tmp/")) {
      fail("left behind: " + d);
      remove_tree(root + d);
    }
  }
  // Back to the set as written.
  for (const auto& [f, bytes] : expected_) {
    auto orig = set_.pristine.find(f);
    if (orig != set_.pristine.end()) {
      write_whole_file(root + f, orig->second);
      set_.stamps[f] = stamp_of(root + f);
    } else {
      unlink((root + f).c_str());
    }
  }
  for (const auto& [f, bytes] : set_.pristine) {
    if (!seen.count(f)) {
      write_whole_file(root + f, bytes);
      set_.stamps[f] = stamp_of(root + f);
    }
  }
  put_stamps_.clear();
  expected_.clear();
  harness_state().last_run.report_calls = report_calls_;
  return failure_.empty() ? 0 : 1;
}

uint8_t ByteReader::byte() { return at_ < size_ ? data_[at_++] : 0; }

uint32_t ByteReader::u32() {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
  return v;
}

int ByteReader::range(int low, int high) {
  if (high <= low) return low;
  const uint32_t span = static_cast<uint32_t>(high - low) + 1;
  return low + static_cast<int>(u32() % span);
}

std::string ByteReader::text(size_t max) {
  size_t n = byte();
  if (n > max) n = max;
  if (n > size_ - std::min(at_, size_)) n = size_ - std::min(at_, size_);
  std::string s(reinterpret_cast<const char*>(data_) + at_, n);
  at_ += n;
  return s;
}

}  // namespace sorvi_fuzz
