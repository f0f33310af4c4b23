// Helpers of the locking tests: real daemon processes and the probe program
// that drives the locking layer from other processes.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace locking_test {

// A row of a table-driven test: an input and the one dump it gives.
struct Row { std::string input, expected; };

// Polls `condition` until it holds (true) or `limit_seconds` pass (false).
bool eventually(const std::function<bool()>& condition, double limit_seconds = 60);

// The lock daemon as a child of the test, in a session of its own as a
// client starts it. Ready once it has published its port; stopped with
// SIGTERM when the object goes.
class Daemon {
 public:
  explicit Daemon(const std::string& port_file, const std::vector<std::string>& env = {});
  ~Daemon() { wait(0); }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  bool ready() const { return ready_; }
  pid_t pid() const { return pid_; }
  // Waits for the daemon to end by itself (with `limit_seconds` 0: stops it
  // with SIGTERM, or SIGKILL when that fails): its exit status, 128 + signal,
  // or -1 when it did not end in time.
  int wait(double limit_seconds);

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// Runs the probe (helpers/locking_probe.cpp) with commands; `env` adds
// "NAME=value" entries.
sorvi_test::RunResult probe(const std::vector<std::string>& commands, const std::vector<std::string>& env = {},
                            int timeout_seconds = 240);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace locking_test
