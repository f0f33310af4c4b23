#include "locking/named_lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "base/file_utils.h"
#include "base/message_output.h"
#include "config/profile.h"
#include "locking/daemon_client.h"

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
  if (mkdir(s.lock_root.c_str(), 0777) == 0 || errno == EEXIST) return 0;
  return kLockRootMissing;
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
    if (mkdir(path.c_str(), 0777) == 0) return 0;
    pause_ms(kPollIntervalMs);
    ++failures;
    if (limit > 0 && failures > limit) return kLockTimedOut;
  }
}

int release_lock(const char* name, int wait) {
  if (locking_state().daemon_mode) return daemon_unlock_request(name ? name : kDefaultLockName, wait);
  std::string path = lock_path(name);
  if (path.empty()) return kLockNotRemovable;
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
