// The lock daemon client: named locks granted by the suite's lock daemon,
// reached over MPI with one fresh connection per request.
//
// The client finds the daemon through its port file, starts it when it
// cannot be reached, and sends lock, unlock and test requests as lock
// message records (locking/lock_message.h) tagged with the operation code.
// Every exchange with the daemon is bounded in time: a daemon that died or
// hangs makes a request fail, never wait without end. Before connecting,
// the client checks that the daemon named in the port file still runs, and
// it takes its turn with other clients (Open MPI mixes up connections that
// reach one port at the same time); see locking/daemon_port_file.h.
//
// Process-wide state (reachable only through these functions): the port
// file path and port name, whether the daemon was reached, and MPI, which is
// started once per process and never finalised.
#pragma once

#include <string>

namespace sorvi {

// Results of the requests.
constexpr int kDaemonRefused = -1;             // refused more often than the bound allows
constexpr int kDaemonPortFileUnreadable = -7;  // there is no port file
constexpr int kDaemonNotAccepting = -8;        // nobody accepts on the port
constexpr int kDaemonPortFileUnopenable = -9;  // the port file is there but cannot be opened

// The daemon program's name in the suite directory.
constexpr const char* kLockDaemonProgram = "vexa_locking_daemon";

// Reads the port file (null: "VEXA_DAEMON_PORT.DAT" in the current
// directory), starts MPI when needed, and sends a test request. 0 when the
// daemon answered (and at once on every later call), -7 when there is no
// port file, -9 when it exists but cannot be opened (or its path is too
// long; daemon_client_open_error() tells why), -8 when the daemon named
// there is not running or does not accept a connection in time.
int reach_daemon(const char* port_file);

// The errno of the last port file that could not be opened; 0 after a
// port file was read.
int daemon_client_open_error();

// Reaches the daemon, or starts it detached (the suite directory's
// "vexa_locking_daemon", else the one beside the running program, with the
// port file path as its one argument) and waits 1000 ms. 1 when the daemon answered or was started; 0 when a daemon
// runs for the port file but cannot be reached (it does not answer its first
// test request within five seconds, or its port file cannot be read), or
// when it could not be started, after printing "CreateProcess failed (%d)\n"
// with the system error code on standard output.
int start_or_reach_daemon(const char* port_file);

// Asks the daemon for the lock (operation 1) or its release (operation 2),
// with the port file of the last reach. A negative bound returns 0 at once
// without contacting the daemon. Otherwise 0 when granted (released, or not
// held, for an unlock); -1 when refused more than `bound` times; -7 or -8
// (or -9) when the daemon cannot be reached. A bound of 0 sets no limit on refusals
// of a running daemon: attempts then pause 200 ms apart, and the request
// ends with -1 once the daemon could not be reached 25 times in a row.
int daemon_lock_request(const char* name, int bound);
int daemon_unlock_request(const char* name, int bound);

// How long one exchange with the daemon (connect, send, receive,
// disconnect) may take, in milliseconds; 10000 unless set (0 or less puts
// the default back), and never less than 2000, since the daemon holds its
// reply to a lock request for up to a second while the lock is taken. An exchange that takes longer counts as a failed
// connection, MPI stays out of use in this process until it ends, and the
// daemon is told with SIGUSR1 (it stops itself when its accept loop is
// stuck).
void set_daemon_request_time_limit(int milliseconds);

bool daemon_client_reached();
// The port name as read from the port file (with its line end).
const std::string& daemon_client_port_name();
const std::string& daemon_client_port_file();

// Forgets the port file, the port name and "reached"; MPI stays started.
void reset_daemon_client();

}  // namespace sorvi
