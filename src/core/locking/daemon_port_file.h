// The lock daemon's port file and the files beside it.
//
// The port file's first line is the daemon's MPI port name. The daemon of
// this suite adds two lines: its process id and the path of the rendezvous
// file its MPI processes meet through. Beside the port file it keeps
// "<port file>.lock", which it holds locked (a POSIX write lock) for as long
// as it runs, and "<port file>.uri", the rendezvous server's address.
// Whether a daemon is alive is read from that lock, never from a connection
// attempt, so a stale port file is recognised at once.
#pragma once

#include <string>

namespace sorvi {

// The longest port name and port file path kept (256-byte buffers).
constexpr size_t kPortNameMax = 255;
constexpr size_t kPortFilePathMax = 255;
// The port file used when no path is given.
constexpr const char* kDefaultPortFileName = "VEXA_DAEMON_PORT.DAT";

struct DaemonPortInfo {
  // The first line as a line read gives it: at most kPortNameMax
  // characters, its line end kept when it fits.
  std::string port_name;
  // The daemon's process id from the second line; 0 when absent or not a
  // positive decimal number.
  int pid = 0;
  // The rendezvous file from the third line; empty when absent.
  std::string rendezvous_file;
};

// Reads the port file. False when it cannot be opened, with errno telling
// why (ENOENT for an empty path). Reads at most a few
// kilobytes whatever the file holds.
bool read_daemon_port_file(const std::string& path, DaemonPortInfo* info);

// The port name as it is passed to MPI: without its line end.
std::string port_name_without_line_end(const std::string& port_name);

// Writes the port file through a temporary file renamed into place, so a
// reader sees either the old file or the whole new one. False on failure.
bool write_daemon_port_file(const std::string& path, const std::string& port_name, int pid,
                            const std::string& rendezvous_file);

std::string daemon_lock_file_path(const std::string& port_file);
std::string daemon_rendezvous_file_path(const std::string& port_file);
std::string daemon_connect_lock_path(const std::string& port_file);

// The process id of the daemon that holds the lock file of this port file,
// or 0 when no process holds it (no daemon, or a dead one).
int daemon_lock_holder(const std::string& port_file);

// Takes the lock file for the life of the calling process. Returns the
// descriptor to keep open, or -1; when another process holds it, -1 with
// *holder set to its process id (else 0).
int take_daemon_lock(const std::string& port_file, int* holder);

// True when the daemon named by the port file is running: it holds the lock
// file, and its process id is the one in the file. A port file without a
// process id (garbage, or not written by this suite's daemon) cannot be
// checked and counts as naming no daemon.
bool daemon_port_file_is_live(const std::string& port_file, const DaemonPortInfo& info);

}  // namespace sorvi
