// Helpers of the locking tests: real daemon processes, the probe program
// that drives the locking layer from other processes, and the reaping of
// the helper processes MPI leaves behind.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace locking_test {

std::string daemon_program();
std::string probe_program();

// Reaps the ended orphans this process inherited (it is their subreaper):
// daemons started detached and MPI's helper processes.
void reap_ended_children();

// Polls `condition` until it holds (true) or `limit_seconds` pass (false).
bool eventually(const std::function<bool()>& condition, double limit_seconds = 60);

// Waits for a child of this process to end; its exit status, 128 + signal,
// or -1 when it did not end within the limit.
int wait_for_exit(pid_t pid, double limit_seconds);

// The lock daemon as a child of the test, in a session of its own as a
// client starts it.
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
  // Takes the status of a daemon that ends by itself.
  int wait(double limit_seconds);

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// Runs the probe with commands; `env` adds "NAME=value" entries.
sorvi_test::RunResult probe(const std::vector<std::string>& commands, const std::vector<std::string>& env = {},
                            int timeout_seconds = 240);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace locking_test
