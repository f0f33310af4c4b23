#include "locking/lock_message.h"

#include <cstring>

namespace sorvi {

void fill_lock_message(LockMessage* message, int value, const char* name) {
  message->value = value;
  std::memset(message->name, 0, sizeof message->name);
  if (!name) return;
  size_t length = strnlen(name, kLockNameSize - 1);
  std::memcpy(message->name, name, length);
}

int build_lock_message_type(MPI_Datatype* type) {
  LockMessage sample{};
  MPI_Aint addresses[2];
  int rc = MPI_Get_address(&sample.value, &addresses[0]);
  if (rc == MPI_SUCCESS) rc = MPI_Get_address(&sample.name[0], &addresses[1]);
  if (rc != MPI_SUCCESS) return rc;
  MPI_Aint displacements[2] = {0, addresses[1] - addresses[0]};
  int block_lengths[2] = {1, kLockNameSize};
  MPI_Datatype types[2] = {MPI_INT, MPI_CHAR};
  rc = MPI_Type_create_struct(2, block_lengths, displacements, types, type);
  if (rc != MPI_SUCCESS) return rc;
  return MPI_Type_commit(type);
}

}  // namespace sorvi
