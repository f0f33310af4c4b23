// Helpers of the locking tests: real daemon processes, the probe program
// that drives the locking layer from other processes, and the reaping of
// the helper processes MPI leaves behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace locking_test {

// Paths of the programs under test.
std::string daemon_program();
std::string probe_program();

// Makes this process the reaper of its orphaned descendants (daemons
// started detached, MPI's helper processes) and reaps those that ended.
void become_subreaper();
void reap_ended_children();

// Seconds since some fixed point, for timing checks.
double now_seconds();

// Waits until `path` exists (true) or the limit passes (false).
bool wait_for_file(const std::string& path, double limit_seconds);
bool wait_for_no_file(const std::string& path, double limit_seconds);

// Waits for a child of this process to end; its exit status, 128 + signal,
// or -1 when it did not end within the limit.
int wait_for_exit(pid_t pid, double limit_seconds);

// The lock daemon as a child of the test.
class Daemon {
 public:
  // Starts it for `port_file` with extra environment entries ("NAME=value")
  // and waits until it has published its port.
  explicit Daemon(const std::string& port_file, const std::vector<std::string>& env = {});
  ~Daemon();
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  bool ready() const { return ready_; }
  pid_t pid() const { return pid_; }
  // SIGTERM and wait: the exit status, or -1 when it had to be killed.
  int stop();
  // Takes the status of a daemon that ended by itself.
  int wait(double limit_seconds);

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// Runs the probe with commands; `env` adds "NAME=value" entries.
sorvi_test::RunResult probe(const std::vector<std::string>& commands, const std::vector<std::string>& env = {},
                            int timeout_seconds = 120);

// The lines the probe printed, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace locking_test
