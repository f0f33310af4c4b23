// The single-instance rule's client side: a second start finds the running
// Sorvi through a local socket named after the main window's class,
// "C/C++ Vexa Sorvi", and hands it the forwarded command line.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

// The socket's path: the runtime directory ($XDG_RUNTIME_DIR, else $TMPDIR,
// else /tmp), then the class name with '/' replaced and the user id.
std::string single_instance_socket_path();

enum class HandOver {
  NoInstance,  // nobody listens: this process goes on as the instance
  Raised,      // a running instance was asked to come to the front only
  Forwarded,   // the running instance took the command line: stop here
};

// Looks for a running instance. With arguments after the program name the
// forwarded command line is sent and the call waits (a few seconds at most)
// for the instance to take it; without, the instance is only raised.
HandOver hand_over_to_running_instance(const std::vector<std::string>& args);

}  // namespace sorvi
