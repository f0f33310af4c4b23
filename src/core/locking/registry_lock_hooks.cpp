#include "locking/registry_lock_hooks.h"

#include <string>

#include "config/profile.h"
#include "locking/named_lock.h"

namespace sorvi {

int registry_lock_hook() {
  if (!locking_initialised()) {
    std::string root = perm_file_path("Locks");
    initialise_locking(root.c_str(), false);
  }
  int wait = get_profile_int("STATICID_LOCK_WAIT_TIME", 20, false, nullptr);
  return acquire_lock(kRegistryLockName, wait);
}

int registry_unlock_hook() { return release_lock(kRegistryLockName, 0); }

int registry_read_start_hook() { return 0; }

void registry_read_finish_hook() {}

}  // namespace sorvi
