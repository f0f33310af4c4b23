// The environment Open MPI reads at start-up. Suite processes are started
// without an MPI launcher; they meet through a rendezvous server and keep
// all traffic on the loopback interface.
//
// A process that started MPI carries its job's launch state in its
// environment (PMIX_*, ORTE_*, OMPI_* variables), and children inherit it:
// a program started from such a process would take itself for a member of
// that job. So the launch state is cleared before MPI is started.
#pragma once

#include <string>

namespace sorvi {

// Before MPI is started: removes every PMIX_*, ORTE_* and OMPI_* variable
// except OMPI_ALLOW_RUN_AS_ROOT and OMPI_ALLOW_RUN_AS_ROOT_CONFIRM; sets
// those two when the process runs as root; keeps MPI traffic on loopback;
// and, when a rendezvous file is given, points MPI at the rendezvous server
// through "file:<path>".
void prepare_mpi_environment(const std::string& rendezvous_file);

}  // namespace sorvi
