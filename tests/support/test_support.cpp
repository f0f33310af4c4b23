#include "support/test_support.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "app/core_state.h"
#include "base/fatal_report.h"
#include "config/profile.h"

namespace sorvi_test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/sorvi-test-XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  nftw(
      path_.c_str(),
      [](const char* p, const struct stat*, int, struct FTW*) {
        chmod(p, 0700);
        return remove(p);
      },
      16, FTW_DEPTH | FTW_PHYS);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value) : name_(name) {
  if (const char* old = std::getenv(name.c_str())) old_ = old;
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedCwd::ScopedCwd(const std::string& dir) {
  char buf[PATH_MAX];
  if (getcwd(buf, sizeof buf)) old_ = buf;
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir failed: " + dir);
}

ScopedCwd::~ScopedCwd() {
  if (!old_.empty() && chdir(old_.c_str()) != 0) std::abort();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool file_exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

ReportCapture::ReportCapture() {
  sorvi::reset_fatal_report();
  sorvi::set_channel_a_hook([this](int code, const char* text) { calls_.push_back({'A', code, text ? text : ""}); });
  sorvi::set_channel_b_hook([this](int code, const char* text) { calls_.push_back({'B', code, text ? text : ""}); });
  sorvi::set_report_sink([this](const std::string& line) { lines_ += line; });
  sorvi::set_process_exit_handler([this](int status) { exits_.push_back(status); });
}

ReportCapture::~ReportCapture() { sorvi::reset_fatal_report(); }

void ReportCapture::clear() {
  calls_.clear();
  lines_.clear();
  exits_.clear();
}

namespace {

std::string default_profile(const std::string& dir) {
  return "[C/C++ Vexa Kelvar]\n"
         "KELV=" + dir + "/suite\n"
         "WORKDIR=" + dir + "/work\n"
         "PERMDIR=" + dir + "/perm\n";
}

}  // namespace

ProfileFixture::ProfileFixture(const std::string& body)
    : kelvar_("KELVAR", std::nullopt), programdata_("PROGRAMDATA", std::nullopt) {
  setenv("KELVAR", dir_.path().c_str(), 1);
  // A missing profile must never find one of the machine's.
  setenv("PROGRAMDATA", dir_.file("programdata").c_str(), 1);
  rewrite(body);
  reset_core_state();
}

ProfileFixture::~ProfileFixture() { reset_core_state(); }

void ProfileFixture::rewrite(const std::string& body) {
  write_file(profile_path(), body.empty() ? default_profile(dir_.path()) : body);
  sorvi::reset_profile();
}

void reset_core_state() { sorvi::reset_core_state(); }

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, const std::string& cwd, int timeout_seconds) {
  RunResult result;
  int out_pipe[2], err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return result;
  pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    for (const std::string& e : env) {
      size_t eq = e.find('=');
      if (eq == std::string::npos) {
        unsetenv(e.c_str());
      } else {
        setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  int open_count = 2;
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  bool killed = false;
  while (open_count > 0) {
    int n = poll(fds, 2, 200);
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (!killed && now.tv_sec - start.tv_sec > timeout_seconds) {
      kill(pid, SIGKILL);
      killed = true;
    }
    if (n <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      if (r <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_count;
      } else {
        (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(r));
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.status = 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace sorvi_test
