#include "locking/registry_lock_hooks.h"

#include <string>

#include "config/profile.h"
#include "locking/named_lock.h"

namespace sorvi {

namespace {

// Whether this process took "staticid.dat" and has not released it yet: a
// reader whose acquire failed must not remove the lock of the process that
// holds it.
bool registry_lock_held = false;

}  // namespace

int registry_lock_hook() {
  if (!locking_initialised()) {
    std::string root = perm_file_path("Locks");
    initialise_locking(root.c_str(), false);
  }
  int wait = get_profile_int("STATICID_LOCK_WAIT_TIME", 20, false, nullptr);
  int rc = acquire_lock(kRegistryLockName, wait);
  // A negative wait locks nothing.
  if (rc == 0 && wait >= 0) registry_lock_held = true;
  return rc;
}

int registry_unlock_hook() {
  if (!registry_lock_held) return kLockNotRemovable;
  registry_lock_held = false;
  return release_lock(kRegistryLockName, 0);
}

int registry_read_start_hook() { return 0; }

void registry_read_finish_hook() {}

}  // namespace sorvi
