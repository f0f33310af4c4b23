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
const bool kSubreaper = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;

// Children the tests wait for themselves, left alone by the reaping.
std::set<pid_t>& kept_children() {
  static std::set<pid_t> kept;
  return kept;
}

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void nap() {
  const timespec ts = {0, 10 * 1000 * 1000};
  nanosleep(&ts, nullptr);
}

}  // namespace

std::string daemon_program() { return VEXA_LOCKING_DAEMON_EXE; }

std::string probe_program() { return LOCKING_PROBE_EXE; }

void reap_ended_children() {
  (void)kSubreaper;
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
    if (parent == self && state == 'Z' && kept_children().count(static_cast<pid_t>(pid)) == 0) {
      waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG);
    }
  }
  closedir(proc);
}

bool eventually(const std::function<bool()>& condition, double limit_seconds) {
  const double end = now_seconds() + limit_seconds;
  while (!condition()) {
    if (now_seconds() > end) return false;
    nap();
  }
  return true;
}

int wait_for_exit(pid_t pid, double limit_seconds) {
  int result = -1;
  eventually(
      [&] {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return r == pid || (r < 0 && errno != EINTR);
      },
      limit_seconds);
  return result;
}

Daemon::Daemon(const std::string& port_file, const std::vector<std::string>& env) {
  const std::string program = daemon_program();
  pid_ = fork();
  if (pid_ == 0) {
    // Out of the test run's session and process group, so that signals
    // meant for the test run do not reach it.
    setsid();
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
  bool ended = false;
  ready_ = eventually([&] {
    sorvi::DaemonPortInfo info;
    ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
    return ended || (sorvi::read_daemon_port_file(port_file, &info) && info.pid == pid_);
  }) && !ended;
  if (ended) {
    kept_children().erase(pid_);
    pid_ = -1;
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
