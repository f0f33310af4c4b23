// The single-instance rule's client side: a second start finds the running
// Sorvi through a local socket named after the main window's class,
// "C/C++ Vexa Sorvi", and hands it the forwarded command line. The socket
// lives in a directory private to the user, and each end checks that the
// other runs as the same user, so no one else can take the name or read a
// command line meant for the user's own window.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sorvi {

// The largest forwarded command line either end accepts.
constexpr size_t kMaxForwardedCommandLine = 64 * 1024;

// The socket's path: the private directory "sorvi-<user id>" in the
// runtime directory ($XDG_RUNTIME_DIR, else $TMPDIR, else /tmp), then the
// class name with '/' replaced.
std::string single_instance_socket_path();

// Makes the socket's directory (mode 0700) when it is missing; true when it
// is a real directory (not a symbolic link) owned by this user that nobody
// else may enter.
bool single_instance_directory_is_private();

// What stands at the socket's path.
enum class SocketPathState {
  Absent,   // nothing: the name is free
  Ours,     // a socket owned by this user (live or left by an ended instance)
  Foreign,  // anything else: never connected to, never removed
};
SocketPathState single_instance_socket_state();

// True when the peer of a connected local socket runs as this user.
bool peer_is_this_user(int fd);

enum class HandOver {
  NoInstance,  // nobody (trusted) listens: this process goes on as the instance
  Raised,      // a running instance was asked to come to the front only
  Forwarded,   // the running instance took the command line: stop here
  Refused,     // the running instance refused the command line: go on alone
};

// Looks for a running instance. With arguments after the program name the
// forwarded command line is sent and the call waits (a few seconds at most)
// for the instance to take it; without, the instance is only raised. A
// command line in batch mode (-VMODE) never looks: it runs by itself.
HandOver hand_over_to_running_instance(const std::vector<std::string>& args);

}  // namespace sorvi
