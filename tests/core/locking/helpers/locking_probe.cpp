// Runs locking commands given on the command line, in order, and prints one
// line per command with its result, so that tests can drive the locking
// layer from processes of their own.
//
//   reach PORT                       reach the daemon
//   lock NAME BOUND | unlock NAME BOUND   daemon requests
//   init DIR VERBOSE                 initialise locking ("-" for an empty DIR)
//   acquire NAME WAIT | release NAME WAIT   named locks ("-" for a null name)
//   hook-lock | hook-unlock          the module registry's lock hooks
//   registry DIR                     read the module registry of DIR
//   worker COUNT FILE                COUNT rounds of lock, check FILE, unlock
//   raw PORT MODE                    plain MPI: connect and vanish (MODE 1),
//                                    send and vanish (MODE 2)
//   await FILE                       wait (at most ten minutes) until FILE exists
//   vanish                           end at once, releasing nothing

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "locking/daemon_client.h"
#include "locking/daemon_port_file.h"
#include "locking/lock_message.h"
#include "locking/mpi_environment.h"
#include "locking/named_lock.h"
#include "locking/registry_lock_hooks.h"
#include "workfiles/module_registry.h"

// MPI's libraries keep allocations until the process ends, and MPI is
// never finalised here: leak reports of a sanitizer build would only list
// theirs.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

void say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// COUNT rounds of: take "staticid.dat" through the registry hooks (asking
// again, and counting a refusal, while it is refused), mark the shared file
// as ours, pause, check that nobody else marked it meanwhile, count one
// round, release.
void worker(int count, const std::string& shared) {
  const std::string mine = "busy " + std::to_string(getpid());
  int violations = 0, refusals = 0;
  for (int round = 0; round < count; ++round) {
    while (sorvi::registry_lock_hook() != 0) ++refusals;
    const std::string before = slurp(shared);
    if (before.compare(0, 5, "busy ") == 0) ++violations;
    put(shared, mine);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (slurp(shared) != mine) ++violations;
    put(shared, std::to_string(std::strtol(before.c_str(), nullptr, 10) + 1));
    sorvi::registry_unlock_hook();
  }
  say("violations " + std::to_string(violations) + " refusals " + std::to_string(refusals));
}

// Plain MPI on this thread: connect to the daemon and end the process
// mid-request.
int raw(const std::string& port_file, int mode) {
  sorvi::DaemonPortInfo info;
  if (!sorvi::read_daemon_port_file(port_file, &info)) return 4;
  sorvi::prepare_mpi_environment(info.rendezvous_file);
  MPI_Init(nullptr, nullptr);
  MPI_Comm_set_errhandler(MPI_COMM_SELF, MPI_ERRORS_RETURN);
  MPI_Datatype type;
  sorvi::build_lock_message_type(&type);
  MPI_Comm comm;
  std::string port = sorvi::port_name_without_line_end(info.port_name);
  if (MPI_Comm_connect(port.c_str(), MPI_INFO_NULL, 0, MPI_COMM_SELF, &comm) != MPI_SUCCESS) return 5;
  say("raw connected");
  if (mode >= 2) {
    sorvi::LockMessage message;
    sorvi::fill_lock_message(&message, static_cast<int>(getpid()), "raw");
    MPI_Send(&message, 1, type, 0, sorvi::kLockOperationLock, comm);
    say("raw sent");
  }
  _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  // The next argument of a command; a missing one ends the probe.
  auto next = [&]() -> const char* {
    if (i + 1 >= argc) {
      std::fprintf(stderr, "locking_probe: %s needs more arguments\n", argv[i]);
      std::exit(2);
    }
    return argv[++i];
  };
  auto name = [&] { const char* n = next(); return std::strcmp(n, "-") == 0 ? nullptr : n; };
  for (; i < argc; ++i) {
    const std::string cmd = argv[i];
    if (cmd == "reach") {
      const int rc = sorvi::reach_daemon(name());
      const int err = sorvi::daemon_client_open_error();
      say("reach " + std::to_string(rc) + (rc == sorvi::kDaemonPortFileUnopenable ? " errno " + std::to_string(err) : ""));
    } else if (cmd == "lock" || cmd == "unlock" || cmd == "acquire" || cmd == "release") {
      const char* lock = name();
      const int n = std::atoi(next());
      const int rc = cmd == "lock"     ? sorvi::daemon_lock_request(lock, n)
                     : cmd == "unlock" ? sorvi::daemon_unlock_request(lock, n)
                     : cmd == "acquire" ? sorvi::acquire_lock(lock, n)
                                        : sorvi::release_lock(lock, n);
      say(cmd + " " + std::to_string(rc));
    } else if (cmd == "init") {
      const char* dir = name();
      sorvi::initialise_locking(dir, std::atoi(next()) != 0);
      say(std::string("init ") + (sorvi::daemon_locking_active() ? "daemon" : "directory"));
    } else if (cmd == "hook-lock") {
      say("hook-lock " + std::to_string(sorvi::registry_lock_hook()));
    } else if (cmd == "hook-unlock") {
      say("hook-unlock " + std::to_string(sorvi::registry_unlock_hook()));
    } else if (cmd == "registry") {
      say("registry " + std::to_string(sorvi::load_module_registry(next(), nullptr)));
    } else if (cmd == "worker") {
      const int count = std::atoi(next());
      worker(count, next());
    } else if (cmd == "raw") {
      const std::string port_file = next();
      return raw(port_file, std::atoi(next()));
    } else if (cmd == "await") {
      const std::string file = next();
      for (int tick = 0; tick < 600000 && access(file.c_str(), F_OK) != 0; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    } else if (cmd == "vanish") {
      _exit(0);
    } else {
      std::fprintf(stderr, "locking_probe: unknown command %s\n", cmd.c_str());
      return 2;
    }
  }
  return 0;
}
