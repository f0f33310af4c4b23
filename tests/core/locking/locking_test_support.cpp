#include "locking_test_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "locking/daemon_port_file.h"

namespace locking_test {

bool eventually(const std::function<bool()>& condition, double limit_seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit_seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

Daemon::Daemon(const std::string& port_file, const std::vector<std::string>& env) {
  const std::string program = VEXA_LOCKING_DAEMON_EXE;
  pid_ = fork();
  if (pid_ == 0) {
    // Out of the test run's session and process group: signals meant for
    // the test run do not reach it.
    setsid();
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    execl(program.c_str(), program.c_str(), port_file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ready_ = pid_ > 0 && eventually([&] {
             sorvi::DaemonPortInfo info;
             return (sorvi::read_daemon_port_file(port_file, &info) && info.pid == pid_) || kill(pid_, 0) != 0 ||
                    waitpid(pid_, nullptr, WNOHANG) == pid_;
           }) && waitpid(pid_, nullptr, WNOHANG) == 0;
}

int Daemon::wait(double limit_seconds) {
  if (pid_ <= 0) return -1;
  if (limit_seconds <= 0) kill(pid_, SIGTERM);
  int status = -1;
  eventually([&] {
    int st = 0;
    if (waitpid(pid_, &st, WNOHANG) == pid_) status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return status >= 0;
  }, limit_seconds > 0 ? limit_seconds : 20);
  if (status < 0 && limit_seconds <= 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (status >= 0 || limit_seconds <= 0) pid_ = -1;
  return status;
}

sorvi_test::RunResult probe(const std::vector<std::string>& commands, const std::vector<std::string>& env,
                            int timeout_seconds) {
  return sorvi_test::run_program(LOCKING_PROBE_EXE, commands, env, std::string(), timeout_seconds);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace locking_test
