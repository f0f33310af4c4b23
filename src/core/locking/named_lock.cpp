#include "locking/named_lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/file_utils.h"
#include "base/message_output.h"
#include "config/profile.h"
#include "locking/daemon_client.h"
#include "locking/daemon_lock_table.h"

namespace sorvi {

namespace {

constexpr int kPollIntervalMs = 200;
constexpr int kReleaseAttempts = 5;
constexpr int kReleaseRetryMs = 10;
constexpr const char* kDaemonPortFile = "VEXA_DAEMON_PORT.DAT";

struct LockingState {
  std::string lock_root;
  bool daemon_mode = false;
  bool initialised = false;
  std::function<void(int)> sleep;
};

LockingState& locking_state() {
  static LockingState state;
  return state;
}

void pause_ms(int milliseconds) {
  const LockingState& s = locking_state();
  if (s.sleep) {
    s.sleep(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

// The lock directory of `name` under the lock root; empty when the path
// would be longer than a path may be.
std::string lock_path(const char* name) {
  std::string path = with_trailing_separator(locking_state().lock_root) + (name ? name : kDefaultLockName);
  return path.size() > kMaxPath ? std::string() : path;
}

// Stale-lock recovery. Beside the lock directory `<name>` its holder keeps
// `<name>.owner`: host name, process id and process start time, one a line.
// It is written after the directory was made and removed before the
// directory is removed, so a lock without one (being taken, or taken by a
// tool that writes none) is never judged stale.

std::string host_name() {
  char host[256] = {0};
  if (gethostname(host, sizeof host - 1) != 0) return std::string();
  return host;
}

// The owner line of this process; empty when its start time is unknown.
std::string owner_text(int pid) {
  const std::string start = process_start_time(pid);
  return start.empty() ? std::string() : host_name() + "\n" + std::to_string(pid) + "\n" + start + "\n";
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_owner(const std::string& lock_dir) {
  const std::string text = owner_text(static_cast<int>(getpid()));
  if (text.empty()) return;
  const std::string temp = lock_dir + ".owner.tmp" + std::to_string(getpid());
  std::ofstream(temp, std::ios::binary | std::ios::trunc) << text;
  if (std::rename(temp.c_str(), (lock_dir + ".owner").c_str()) != 0) std::remove(temp.c_str());
}

// True when the owner text names a process of this host that no longer
// runs, or whose start time differs (its process id was reused).
bool owner_is_stale(const std::string& text) {
  std::istringstream in(text);
  std::string host, start;
  int pid = 0;
  if (!std::getline(in, host) || !(in >> pid >> start) || pid <= 0 || host != host_name()) return false;
  return process_start_time(pid) != start;
}

// Takes over a lock whose owner file names an ended process: moves the owner
// file aside (of several waiters only one can), checks that it is still the
// stale one, and removes the lock directory so the caller can make it anew.
// When another waiter took the lock meanwhile, its owner file is dropped:
// its lock then counts as held without end, which is safe, while putting
// the file back could leave one beside no lock.
void clear_stale_lock(const std::string& lock_dir) {
  const std::string owner = lock_dir + ".owner";
  const std::string text = read_text(owner);
  if (text.empty() || !owner_is_stale(text)) return;
  const std::string aside = owner + ".stale" + std::to_string(getpid());
  if (std::rename(owner.c_str(), aside.c_str()) != 0) return;
  if (read_text(aside) == text) rmdir(lock_dir.c_str());
  std::remove(aside.c_str());
}

void say(bool verbose, const char* text) {
  if (verbose) message_output(0, 1, "%s", text);
}

}  // namespace

void initialise_locking(const char* lock_dir, bool verbose) {
  LockingState& s = locking_state();
  if (s.initialised) return;
  s.initialised = true;
  if (get_profile_bool_if_present("USE_DAEMON_LOCKING", false, true)) {
    s.daemon_mode = true;
    say(verbose, "Initialising Daemon Locking.. ");
    std::string port_file = perm_file_path(kDaemonPortFile);
    if (start_or_reach_daemon(port_file.c_str()) == 0) {
      s.daemon_mode = false;
      say(verbose, "failed.\n");
      say(verbose, "Reverting to directory locking\n");
    } else {
      say(verbose, "succeeded.\n");
    }
  }
  if (!s.daemon_mode) {
    std::string root = lock_dir && *lock_dir ? std::string(lock_dir) : std::string(perm_file_path("Locks"));
    set_lock_root(root.c_str());
  }
}

int set_lock_root(const char* dir) {
  LockingState& s = locking_state();
  s.lock_root = dir && *dir ? dir : kDefaultLockRoot;
  if (s.lock_root.size() > kMaxPath) return kLockRootMissing;
  // Shared by every user of the suite, as /tmp: anyone may make a lock,
  // only its maker may remove it.
  if (mkdir(s.lock_root.c_str(), 01777) == 0) {
    chmod(s.lock_root.c_str(), 01777);
    return 0;
  }
  return errno == EEXIST ? 0 : kLockRootMissing;
}

int acquire_lock(const char* name, int wait) {
  if (locking_state().daemon_mode) return daemon_lock_request(name ? name : kDefaultLockName, wait);
  if (wait < 0) return 0;
  // Makes the lock root again when it has vanished since it was set.
  std::string root = locking_state().lock_root;
  int rc = set_lock_root(root.c_str());
  if (rc != 0) return rc;
  std::string path = lock_path(name);
  if (path.empty()) return kLockRootMissing;
  // Five polls a second of wait, in the 32-bit arithmetic of the wait.
  const int limit = static_cast<int>(static_cast<int64_t>(wait) * 1000 / kPollIntervalMs);
  int failures = 0;
  for (;;) {
    // Creating the directory is the test-and-set: of several processes
    // trying at once exactly one succeeds. Any failure counts as "held".
    if (mkdir(path.c_str(), 0777) == 0) {
      write_owner(path);
      return 0;
    }
    clear_stale_lock(path);
    if (mkdir(path.c_str(), 0777) == 0) {
      write_owner(path);
      return 0;
    }
    pause_ms(kPollIntervalMs);
    ++failures;
    if (limit > 0 && failures > limit) return kLockTimedOut;
  }
}

int release_lock(const char* name, int wait) {
  if (locking_state().daemon_mode) return daemon_unlock_request(name ? name : kDefaultLockName, wait);
  std::string path = lock_path(name);
  if (path.empty()) return kLockNotRemovable;
  // The owner file goes first, and only this process's own.
  const std::string owner = path + ".owner";
  const std::string mine = owner_text(static_cast<int>(getpid()));
  if (!mine.empty() && read_text(owner) == mine) std::remove(owner.c_str());
  for (int attempt = 0; attempt < kReleaseAttempts; ++attempt) {
    if (rmdir(path.c_str()) == 0) return 0;
    pause_ms(kReleaseRetryMs);
  }
  return kLockNotRemovable;
}

const std::string& lock_root() { return locking_state().lock_root; }

bool daemon_locking_active() { return locking_state().daemon_mode; }

bool locking_initialised() { return locking_state().initialised; }

void set_lock_sleep_function(std::function<void(int milliseconds)> sleep) { locking_state().sleep = std::move(sleep); }

void reset_locking() { locking_state() = LockingState(); }

}  // namespace sorvi
