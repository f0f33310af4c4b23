#include "locking/mpi_environment.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace sorvi {

namespace {

bool is_launch_state(const char* entry) {
  static const char* const kKept[] = {"OMPI_ALLOW_RUN_AS_ROOT=", "OMPI_ALLOW_RUN_AS_ROOT_CONFIRM="};
  for (const char* kept : kKept) {
    if (std::strncmp(entry, kept, std::strlen(kept)) == 0) return false;
  }
  return std::strncmp(entry, "OMPI_", 5) == 0 || std::strncmp(entry, "PMIX_", 5) == 0 ||
         std::strncmp(entry, "ORTE_", 5) == 0;
}

}  // namespace

void prepare_mpi_environment(const std::string& rendezvous_file) {
  std::vector<std::string> names;
  for (char** e = environ; e && *e; ++e) {
    if (!is_launch_state(*e)) continue;
    const char* eq = std::strchr(*e, '=');
    names.emplace_back(*e, eq ? static_cast<size_t>(eq - *e) : std::strlen(*e));
  }
  for (const std::string& name : names) unsetenv(name.c_str());

  if (geteuid() == 0) {
    setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  }
  setenv("OMPI_MCA_oob_tcp_if_include", "lo", 1);
  setenv("OMPI_MCA_btl_tcp_if_include", "lo", 1);
  setenv("OMPI_MCA_btl", "self,vader,tcp", 1);
  setenv("OMPI_MCA_pmix_base_exchange_timeout", "5", 1);
  if (!rendezvous_file.empty()) setenv("OMPI_MCA_pmix_server_uri", ("file:" + rendezvous_file).c_str(), 1);
}

}  // namespace sorvi
