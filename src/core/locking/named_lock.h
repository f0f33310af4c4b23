// Named locks between processes: acquire and release a lock by name, either
// as a lock directory in a common lock root (whoever creates the directory
// holds the lock) or through the lock daemon (locking/daemon_client.h).
//
// The scheme is chosen once per process by initialise_locking, from the
// profile's USE_DAEMON_LOCKING; daemon locking falls back to directories
// when the daemon can be neither reached nor started. Only the
// user-interface thread calls these functions.
#pragma once

#include <functional>
#include <string>

namespace sorvi {

// The lock taken when no name is given.
constexpr const char* kDefaultLockName = "DEFAULT_LOCK";
// The lock root used when none is given.
constexpr const char* kDefaultLockRoot = "/tmp/VEXA_Locks";

// Results of the directory operations.
constexpr int kLockTimedOut = -1;
constexpr int kLockRootMissing = -2;
constexpr int kLockNotRemovable = -3;

// Runs once per process (later calls do nothing): reads USE_DAEMON_LOCKING,
// reaches or starts the daemon with the port file
// perm_file_path("VEXA_DAEMON_PORT.DAT") when asked to, and otherwise (or
// when that fails) sets the lock root to `lock_dir`, or to
// perm_file_path("Locks") when `lock_dir` is empty or null. With `verbose`
// it tells on standard output how daemon locking went.
void initialise_locking(const char* lock_dir, bool verbose);

// Sets the lock root (empty or null: "/tmp/VEXA_Locks") and creates it, one
// level only. 0 when made or already there; -2 when it cannot be made or
// the path is longer than 519 characters.
int set_lock_root(const char* dir);

// Takes the lock `name` (null: "DEFAULT_LOCK"). In daemon mode this is the
// daemon's lock request with `wait` as its bound. Otherwise `wait` is in
// seconds: negative returns 0 at once and locks nothing; 0 waits without
// end; else the attempt gives up with -1 after wait * 1000 / 200 polls
// 200 ms apart. -2 when the lock root cannot be made (or the lock path
// would be longer than 519 characters).
int acquire_lock(const char* name, int wait);

// Releases the lock `name` (null: "DEFAULT_LOCK"). In daemon mode the
// daemon's unlock request with `wait` as its bound; otherwise `wait` is
// ignored and the lock directory is removed, with up to five attempts
// 10 ms apart: 0 when removed, -3 when it could not be.
int release_lock(const char* name, int wait);

// The current lock root (empty until set) and whether locks go through
// the daemon.
const std::string& lock_root();
bool daemon_locking_active();
bool locking_initialised();

// Replaces the pauses of the directory locks (200 ms polls, 10 ms release
// retries) for tests; an empty function puts back real sleeping.
void set_lock_sleep_function(std::function<void(int milliseconds)> sleep);

// Back to an uninitialised locking layer with real sleeping. Lock
// directories on disk are left alone.
void reset_locking();

}  // namespace sorvi
