// What the harnesses share: the scratch sample sets and one run's frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "samplegen/sample_set_writer.h"

namespace sorvi_fuzz {

// The sample set of the process, in its scratch directory, with the bytes
// of every file as written. Every harness uses it and leaves it as it was.
struct FuzzSet {
  sorvi_sample::SampleSetSummary summary;
  std::map<std::string, std::string> pristine;  // path below the root -> bytes
  // Size and modification time of every file as it now stands (a write
  // always moves the time, so a file whose stamp held was not written).
  std::map<std::string, std::pair<long long, long long>> stamps;
  bool ok = false;

  const std::string& root() const { return summary.root; }
  const std::string& work() const { return summary.work_dir; }
  const sorvi_sample::SampleModule& module() const { return summary.modules[0]; }
};

// The set, written on first use; null when it could not be written.
FuzzSet* fuzz_set();
// The slot of the process's scratch directory ("/tmp/sorvi-fuzz-<slot>").
int fuzz_scratch_slot();

// One harness run. The constructor points KELVAR, PROGRAMDATA, the
// settings store and TMPDIR into the set, resets the core, installs
// recording report hooks, a process-exit handler that returns and a silent
// message box, and moves into the work directory. finish() checks the set
// and puts it back as it was.
class FuzzRun {
 public:
  explicit FuzzRun(FuzzSet& set);
  ~FuzzRun();
  FuzzRun(const FuzzRun&) = delete;
  FuzzRun& operator=(const FuzzRun&) = delete;

  // Writes `bytes` to a file of the set (path below the root); the check
  // then expects exactly these bytes there. With `own_paths`, paths into
  // another slot's set ("/tmp/sorvi-fuzz-<digit>/") are made this slot's.
  void put(const std::string& relative, const std::string& bytes, bool own_paths = true);
  void put(const std::string& relative, const uint8_t* data, size_t size, bool own_paths = true) {
    put(relative, std::string(reinterpret_cast<const char*>(data), size), own_paths);
  }

  // Records a broken promise (the first one is kept) and returns 1.
  int fail(const std::string& why);

  // Checks that every file of the set holds what it held (or what put()
  // wrote), that no lock directory and no temporary file stayed behind and,
  // unless `reports_allowed`, that nothing was added; new ".rtf" reports
  // are allowed with it. Removes what was added and restores what put()
  // replaced. 0 when everything held.
  int finish(bool reports_allowed = false);

  FuzzSet& set() { return set_; }
  int report_calls() const { return report_calls_; }

 private:
  FuzzSet& set_;
  std::map<std::string, std::string> expected_;
  std::map<std::string, std::pair<long long, long long>> put_stamps_;
  std::string old_cwd_;
  std::string failure_;
  int report_calls_ = 0;
  bool finished_ = false;
};

// Records the failure of the current harness run for fuzz_failure().
void set_fuzz_failure(const std::string& why);

// Small helpers.
std::string read_whole_file(const std::string& path);
bool write_whole_file(const std::string& path, const std::string& bytes);

// Reads fuzz input field by field; past the end every read gives 0 or "".
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte();
  uint32_t u32();
  // A number in [low, high].
  int range(int low, int high);
  // A text of at most `max` bytes: a length byte, then the bytes.
  std::string text(size_t max);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace sorvi_fuzz
