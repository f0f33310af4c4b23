// Shared helpers for Sorvi's tests: temporary directories, environment
// settings that are put back, file writing and reading, a profile fixture,
// and a capture of what the fatal report would have said.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvi_test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Sets (or, with nullopt, unsets) an environment variable until destroyed.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::optional<std::string>& value);
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Changes the current directory until destroyed.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& dir);
  ~ScopedCwd();

 private:
  std::string old_;
};

void write_file(const std::string& path, const std::string& content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

// What the fatal report would have said: every channel call in order, and
// the caller's lines written between an opening and a closing call.
struct ReportCall {
  char channel;  // 'A' or 'B'
  int code;
  std::string text;
};

class ReportCapture {
 public:
  ReportCapture();  // installs hooks, a sink and an exit handler that record
  ~ReportCapture();  // puts back a clean state
  const std::vector<ReportCall>& calls() const { return calls_; }
  const std::string& lines() const { return lines_; }
  const std::vector<int>& exits() const { return exits_; }
  void clear();

 private:
  std::vector<ReportCall> calls_;
  std::string lines_;
  std::vector<int> exits_;
};

// A profile directory with "Kelvar.ini", KELVAR pointing at it, and the
// program's process-wide state reset before and after.
class ProfileFixture {
 public:
  // `body` is the profile text; when empty, a main section with KELV,
  // WORKDIR and PERMDIR below the directory is written.
  explicit ProfileFixture(const std::string& body = std::string());
  ~ProfileFixture();
  const TempDir& dir() const { return dir_; }
  std::string profile_path() const { return dir_.file("Kelvar.ini"); }
  void rewrite(const std::string& body);

 private:
  TempDir dir_;
  ScopedEnv kelvar_;
  ScopedEnv programdata_;
};

// Runs a program with arguments, an environment added to the current one
// and a working directory; returns its exit status (-1 when it could not
// run, 128 + signal when killed) and what it wrote.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}, const std::string& cwd = std::string(),
                      int timeout_seconds = 60);

// Puts every process-wide piece of the core back to its start.
void reset_core_state();

}  // namespace sorvi_test
