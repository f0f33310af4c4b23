#include "locking_test_support.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "locking/daemon_port_file.h"

namespace locking_test {

namespace {

// Every test program of this folder reaps what its tests leave behind.
const bool kSubreaper = [] {
  become_subreaper();
  return true;
}();

// Children the tests wait for themselves, left alone by the reaping.
std::set<pid_t>& kept_children() {
  static std::set<pid_t> kept;
  return kept;
}

void sleep_seconds(double s) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(s);
  ts.tv_nsec = static_cast<long>((s - static_cast<double>(ts.tv_sec)) * 1e9);
  nanosleep(&ts, nullptr);
}

}  // namespace

std::string daemon_program() { return VEXA_LOCKING_DAEMON_EXE; }

std::string probe_program() { return LOCKING_PROBE_EXE; }

void become_subreaper() {
  (void)kSubreaper;
  prctl(PR_SET_CHILD_SUBREAPER, 1);
}

void reap_ended_children() {
  const pid_t self = getpid();
  DIR* proc = opendir("/proc");
  if (!proc) return;
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    std::ifstream in(std::string("/proc/") + entry->d_name + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    std::istringstream rest(stat.substr(close + 1));
    rest >> state >> parent;
    if (parent == self && state == 'Z' && kept_children().count(static_cast<pid_t>(pid)) == 0) waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG);
  }
  closedir(proc);
}

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool wait_for_file(const std::string& path, double limit_seconds) {
  const double end = now_seconds() + limit_seconds;
  while (!sorvi_test::file_exists(path)) {
    if (now_seconds() > end) return false;
    sleep_seconds(0.02);
  }
  return true;
}

bool wait_for_no_file(const std::string& path, double limit_seconds) {
  const double end = now_seconds() + limit_seconds;
  while (sorvi_test::file_exists(path)) {
    if (now_seconds() > end) return false;
    sleep_seconds(0.02);
  }
  return true;
}

int wait_for_exit(pid_t pid, double limit_seconds) {
  const double end = now_seconds() + limit_seconds;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (r < 0 && errno != EINTR) return -1;
    if (now_seconds() > end) return -1;
    sleep_seconds(0.01);
  }
}

Daemon::Daemon(const std::string& port_file, const std::vector<std::string>& env) {
  const std::string program = daemon_program();
  pid_ = fork();
  if (pid_ == 0) {
    for (const std::string& e : env) {
      size_t eq = e.find('=');
      if (eq != std::string::npos) setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    execl(program.c_str(), program.c_str(), port_file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0) return;
  kept_children().insert(pid_);
  // Ready once the port file names this process.
  const double end = now_seconds() + 60;
  while (now_seconds() < end) {
    sorvi::DaemonPortInfo info;
    if (sorvi::read_daemon_port_file(port_file, &info) && info.pid == pid_) {
      ready_ = true;
      return;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      kept_children().erase(pid_);
      pid_ = -1;
      return;
    }
    sleep_seconds(0.02);
  }
}

Daemon::~Daemon() {
  stop();
  reap_ended_children();
}

int Daemon::stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = wait_for_exit(pid_, 20);
  if (status < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  kept_children().erase(pid_);
  pid_ = -1;
  return status;
}

int Daemon::wait(double limit_seconds) {
  if (pid_ <= 0) return -1;
  int status = wait_for_exit(pid_, limit_seconds);
  if (status >= 0) {
    kept_children().erase(pid_);
    pid_ = -1;
  }
  return status;
}

sorvi_test::RunResult probe(const std::vector<std::string>& commands, const std::vector<std::string>& env,
                            int timeout_seconds) {
  sorvi_test::RunResult r = sorvi_test::run_program(probe_program(), commands, env, std::string(), timeout_seconds);
  reap_ended_children();
  return r;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace locking_test
