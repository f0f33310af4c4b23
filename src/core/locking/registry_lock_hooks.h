// The four hooks the module-registry reader calls around its reading of
// "staticid.dat". The reader reads the file whatever the locking results,
// and releases only a lock it took.
#pragma once

namespace sorvi {

// The lock that guards every module registry.
constexpr const char* kRegistryLockName = "staticid.dat";

// Before the file is opened: initialises locking on the first call (lock
// root perm_file_path("Locks"), quiet), then takes "staticid.dat" with the
// wait STATICID_LOCK_WAIT_TIME (default 20). Returns the acquire result.
int registry_lock_hook();

// After the file was read: releases "staticid.dat" with wait 0 when the
// lock hook took it; otherwise leaves it alone and returns -3.
int registry_unlock_hook();

// Timing of the read: nothing to do in this program (the start hook gives 0).
int registry_read_start_hook();
void registry_read_finish_hook();

}  // namespace sorvi
