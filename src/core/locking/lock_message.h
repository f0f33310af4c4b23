// The one record exchanged with the lock daemon, in both directions, and the
// operation codes sent as the MPI tag of a request.
//
// On the wire the record is an MPI derived datatype of a 32-bit int at
// offset 0 and 1040 chars at offset 4 (1044 bytes).
#pragma once

// Only the C interface of MPI is used; Open MPI's C++ bindings would need a
// library of their own.
#ifndef OMPI_SKIP_MPICXX
#define OMPI_SKIP_MPICXX 1
#endif
#include <mpi.h>

#include <cstdint>

namespace sorvi {

constexpr int kLockNameSize = 1040;

struct LockMessage {
  int32_t value;               // request: the client's process id; reply: the result code
  char name[kLockNameSize];    // the lock name, NUL-terminated
};
static_assert(sizeof(LockMessage) == 1044, "lock message layout");

constexpr int kLockOperationLock = 1;
constexpr int kLockOperationUnlock = 2;
constexpr int kLockOperationTest = 100;

// The name sent with a test request.
constexpr const char* kTestDaemonName = "Test Daemon";

// Fills the record: the value, and the name copied with a NUL, cut to
// kLockNameSize - 1 characters. A null name gives an empty name.
void fill_lock_message(LockMessage* message, int value, const char* name);

// Builds and commits the record's datatype from the addresses of the two
// fields (displacements 0 and 4, block lengths 1 and 1040, MPI_INT and
// MPI_CHAR). Needs MPI started. Returns the MPI result code.
int build_lock_message_type(MPI_Datatype* type);

}  // namespace sorvi
