#include "locking/daemon_client.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "base/message_output.h"
#include "base/process_info.h"
#include "config/profile.h"
#include "locking/daemon_port_file.h"
#include "locking/detached_process.h"
#include "locking/lock_message.h"
#include "locking/mpi_environment.h"

namespace sorvi {

namespace {

constexpr int kDefaultRequestTimeLimitMs = 10000;
// The daemon holds the reply to a lock request for up to a second while
// the lock is taken: an exchange must be allowed well beyond that.
constexpr int kMinRequestTimeLimitMs = 2000;
// Starting MPI forks a helper process and meets the rendezvous server; it
// normally takes well under a second.
constexpr int kMpiStartTimeLimitMs = 30000;
constexpr int kDaemonStartPauseMs = 1000;
// How long a starting daemon may take to publish its port file.
constexpr int kDaemonPublishLimitMs = 30000;
// The first contact with a daemon, a test request it answers at once.
constexpr int kFirstContactLimitMs = 5000;
constexpr int kUnboundedRetryPauseMs = 200;
constexpr int kUnboundedUnreachableLimit = 25;
constexpr int kConnectTurnPollMs = 2;
// The daemon's reply to an unlock of a lock the asker does not hold: done
// as far as the asker is concerned.
constexpr int kUnlockNotHeld = -3;

struct ClientState {
  std::string port_file;   // empty until a reach stored one
  std::string port_name;   // first line of the port file, as read
  int daemon_pid = 0;      // from the port file; 0 when it names none
  int open_error = 0;      // errno of the last port file that could not be opened
  bool reached = false;
  int time_limit_ms = kDefaultRequestTimeLimitMs;
};

ClientState& client() {
  static ClientState state;
  return state;
}

// Every MPI call runs on one worker thread, so that the caller can stop
// waiting for a call that does not return (a connection to a daemon that
// died or hangs can block for minutes). MPI is used from that thread alone.
// A call that overran keeps the worker busy until it ends; meanwhile every
// further call fails at once.
class MpiWorker {
 public:
  // Runs `fn` on the worker; false when the worker is still busy with an
  // earlier call or `fn` did not finish within the limit.
  bool run(std::function<void()> fn, int limit_ms) {
    try {
      auto job = std::make_shared<Job>();
      job->fn = std::move(fn);
      std::unique_lock<std::mutex> lock(mutex_);
      if (busy_) return false;
      if (!thread_started_) {
        std::thread(&MpiWorker::loop, this).detach();
        thread_started_ = true;
      }
      pending_ = job;
      busy_ = true;
      wake_.notify_all();
      return wake_.wait_for(lock, std::chrono::milliseconds(limit_ms), [&] { return job->done; });
    } catch (...) {
      // No thread or no memory: the call did not run.
      return false;
    }
  }

 private:
  struct Job {
    std::function<void()> fn;
    bool done = false;
  };

  void loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return pending_ != nullptr; });
      std::shared_ptr<Job> job = std::move(pending_);
      pending_.reset();
      lock.unlock();
      job->fn();
      lock.lock();
      job->done = true;
      busy_ = false;
      wake_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::shared_ptr<Job> pending_;
  bool busy_ = false;
  bool thread_started_ = false;
};

// Lives for the whole process: the worker thread may still be inside MPI
// when the process ends.
MpiWorker& mpi_worker() {
  static MpiWorker* worker = new MpiWorker;
  return *worker;
}

// MPI state, touched only by jobs on the worker thread. Never reset: MPI
// cannot be started twice in a process.
struct MpiState {
  bool started = false;
  bool failed = false;
  std::string rendezvous_address;  // the rendezvous server MPI was started with
  MPI_Datatype message_type = MPI_DATATYPE_NULL;
};

MpiState& mpi_state() {
  static MpiState* state = new MpiState;
  return *state;
}

std::string first_line_of(const std::string& path) {
  if (path.empty()) return std::string();
  std::ifstream in(path, std::ios::binary);
  std::string line;
  char c;
  while (line.size() < 4096 && in.get(c) && c != '\n') line += c;
  return line;
}

// Starts MPI when this process has not, with the rendezvous server of the
// port file. False when MPI cannot be used with that server.
bool ensure_mpi_started(const std::string& rendezvous_file) {
  struct Start {
    std::string rendezvous_file;
    std::string address;
    bool ok = false;
  };
  auto start = std::make_shared<Start>();
  start->rendezvous_file = rendezvous_file;
  start->address = first_line_of(rendezvous_file);
  bool finished = mpi_worker().run(
      [start] {
        MpiState& mpi = mpi_state();
        if (!mpi.started && !mpi.failed) {
          prepare_mpi_environment(start->rendezvous_file);
          int initialised = 0;
          MPI_Initialized(&initialised);
          int rc = initialised ? MPI_SUCCESS : MPI_Init(nullptr, nullptr);
          if (rc == MPI_SUCCESS) {
            MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
            MPI_Comm_set_errhandler(MPI_COMM_SELF, MPI_ERRORS_RETURN);
            rc = build_lock_message_type(&mpi.message_type);
          }
          mpi.started = rc == MPI_SUCCESS;
          mpi.failed = !mpi.started;
          mpi.rendezvous_address = start->address;
        }
        // A process meets other processes only through the rendezvous
        // server it started with.
        start->ok = mpi.started && (start->address.empty() || start->address == mpi.rendezvous_address);
      },
      std::max(kMpiStartTimeLimitMs, client().time_limit_ms));
  return finished && start->ok;
}

// This client's turn to connect to the daemon: an exclusive flock on the
// daemon's connect lock file, taken within a deadline and released when
// the object goes (or the process ends).
class ConnectTurn {
 public:
  ConnectTurn(const std::string& port_file, int limit_ms) {
    // Read-only: the file may belong to another user of the daemon.
    fd_ = open(daemon_connect_lock_path(port_file).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    for (;;) {
      if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) break;
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kConnectTurnPollMs));
    }
  }
  ~ConnectTurn() {
    if (fd_ >= 0) close(fd_);
  }
  ConnectTurn(const ConnectTurn&) = delete;
  ConnectTurn& operator=(const ConnectTurn&) = delete;
  bool held() const { return held_; }
  // Lets the next client connect while this one waits for its reply, or
  // when this one gave up waiting. Called from either thread.
  void release() {
    if (held_.exchange(false)) flock(fd_, LOCK_UN);
  }

 private:
  int fd_ = -1;
  std::atomic<bool> held_{false};
};

// One request on a fresh connection. Returns the daemon's reply, or 1 when
// the daemon could not be reached (no connection, or no answer in time).
int exchange_with_daemon(int operation, const char* name, bool* connected, int limit_ms) {
  ClientState& s = client();
  *connected = false;
  if (s.daemon_pid != 0 && daemon_lock_holder(s.port_file) != s.daemon_pid) return 1;

  struct Exchange {
    std::string port;
    int operation = 0;
    LockMessage message;
    bool connected = false;
    int reply = 1;
    std::shared_ptr<ConnectTurn> turn;
  };
  auto ex = std::make_shared<Exchange>();
  ex->turn = std::make_shared<ConnectTurn>(s.port_file, limit_ms);
  if (!ex->turn->held()) return 1;
  ex->port = port_name_without_line_end(s.port_name);
  ex->operation = operation;
  fill_lock_message(&ex->message, static_cast<int>(getpid()), name);
  bool finished = mpi_worker().run(
      [ex] {
        MpiState& mpi = mpi_state();
        if (!mpi.started) return;
        MPI_Comm comm;
        if (MPI_Comm_connect(ex->port.c_str(), MPI_INFO_NULL, 0, MPI_COMM_SELF, &comm) != MPI_SUCCESS) return;
        ex->connected = true;
        MPI_Comm_set_errhandler(comm, MPI_ERRORS_RETURN);
        MPI_Send(&ex->message, 1, mpi.message_type, 0, ex->operation, comm);
        // The daemon may hold the reply to a lock request while the lock is
        // taken; meanwhile others, the holder among them, must get through.
        ex->turn->release();
        MPI_Status status;
        if (MPI_Recv(&ex->message, 1, mpi.message_type, 0, MPI_ANY_TAG, comm, &status) == MPI_SUCCESS) {
          ex->reply = ex->message.value;
        }
        MPI_Comm_disconnect(&comm);
      },
      limit_ms);
  if (!finished) {
    ex->turn->release();
    // Tell the daemon: its accept loop may be stuck on a client that
    // vanished, and it stops itself when it is. Only the process that
    // still holds the daemon's lock is signalled, never one that merely
    // got its process id later.
    if (s.daemon_pid != 0 && daemon_lock_holder(s.port_file) == s.daemon_pid) kill(s.daemon_pid, SIGUSR1);
    return 1;
  }
  *connected = ex->connected;
  return ex->reply;
}

bool reply_accepted(int operation, int reply) {
  switch (operation) {
    case kLockOperationLock:
      return reply == 0;
    case kLockOperationUnlock:
      return reply == 0 || reply == kUnlockNotHeld;
    default:
      return true;
  }
}

int daemon_request(const char* name, int bound, int operation) {
  if (bound < 0) return 0;
  ClientState& s = client();
  int rc = reach_daemon(s.port_file.empty() ? nullptr : s.port_file.c_str());
  if (rc != 0) return rc;
  const char* lock_name = name ? name : "";
  int refusals = 0;
  int unreachable_in_a_row = 0;
  for (;;) {
    bool connected = false;
    int reply = exchange_with_daemon(operation, lock_name, &connected, s.time_limit_ms);
    if (connected && reply_accepted(operation, reply)) return 0;
    ++refusals;
    if (bound > 0) {
      if (refusals > bound) return kDaemonRefused;
      continue;
    }
    unreachable_in_a_row = connected ? 0 : unreachable_in_a_row + 1;
    if (unreachable_in_a_row >= kUnboundedUnreachableLimit) return kDaemonRefused;
    std::this_thread::sleep_for(std::chrono::milliseconds(kUnboundedRetryPauseMs));
  }
}

// The daemon program: the suite directory's, else the one beside the running
// program, where an installation puts the suite's programs together. With
// neither, the suite directory's name, whose start then fails.
std::string lock_daemon_program() {
  std::string in_suite = suite_file_path(kLockDaemonProgram);
  if (access(in_suite.c_str(), X_OK) == 0) return in_suite;
  const std::string self = program_path();
  const size_t slash = self.rfind('/');
  if (slash == std::string::npos) return in_suite;
  std::string beside = self.substr(0, slash + 1) + kLockDaemonProgram;
  return access(beside.c_str(), X_OK) == 0 ? beside : in_suite;
}

}  // namespace

int reach_daemon(const char* port_file) {
  ClientState& s = client();
  if (s.reached) return 0;
  std::string path = port_file ? port_file : kDefaultPortFileName;
  s.port_file = path;
  s.open_error = 0;
  if (path.size() > kPortFilePathMax) {
    s.open_error = ENAMETOOLONG;
    return kDaemonPortFileUnopenable;
  }
  DaemonPortInfo info;
  if (!read_daemon_port_file(path, &info)) {
    s.open_error = errno;
    return s.open_error == ENOENT ? kDaemonPortFileUnreadable : kDaemonPortFileUnopenable;
  }
  s.port_name = info.port_name;
  s.daemon_pid = info.pid;
  // A port file left behind by a daemon that ended names nobody: say so
  // without trying to connect, which could block for minutes.
  if (!daemon_port_file_is_live(path, info)) return kDaemonNotAccepting;
  if (!ensure_mpi_started(info.rendezvous_file)) return kDaemonNotAccepting;
  bool connected = false;
  exchange_with_daemon(kLockOperationTest, kTestDaemonName, &connected,
                       std::min(s.time_limit_ms, kFirstContactLimitMs));
  if (!connected) return kDaemonNotAccepting;
  s.reached = true;
  return 0;
}

int start_or_reach_daemon(const char* port_file) {
  if (reach_daemon(port_file) == 0) return 1;
  std::string path = port_file ? port_file : kDefaultPortFileName;
  // A daemon runs for this port file. While it starts it has no port file
  // (it removes a stale one first): wait until it publishes one. One that
  // cannot be used (it does not answer, or its port file is garbage) is not
  // replaced, since a second daemon would not start: locking goes through
  // directories.
  if (daemon_lock_holder(path) != 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDaemonPublishLimitMs);
    while (access(path.c_str(), F_OK) != 0 && daemon_lock_holder(path) != 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kConnectTurnPollMs * 50));
    }
    return reach_daemon(port_file) == 0 ? 1 : 0;
  }
  std::string daemon = lock_daemon_program();
  int err = start_detached_process(daemon, {path});
  if (err != 0) {
    message_output(0, 1, "CreateProcess failed (%d)\n", err);
    return 0;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(kDaemonStartPauseMs));
  return 1;
}

int daemon_lock_request(const char* name, int bound) { return daemon_request(name, bound, kLockOperationLock); }

int daemon_unlock_request(const char* name, int bound) { return daemon_request(name, bound, kLockOperationUnlock); }

void set_daemon_request_time_limit(int milliseconds) {
  client().time_limit_ms =
      milliseconds > 0 ? std::max(milliseconds, kMinRequestTimeLimitMs) : kDefaultRequestTimeLimitMs;
}

bool daemon_client_reached() { return client().reached; }

int daemon_client_open_error() { return client().open_error; }

const std::string& daemon_client_port_name() { return client().port_name; }

const std::string& daemon_client_port_file() { return client().port_file; }

void reset_daemon_client() { client() = ClientState(); }

}  // namespace sorvi
