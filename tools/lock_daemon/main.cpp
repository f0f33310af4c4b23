// vexa_locking_daemon: grants named locks to the suite's processes.
//
//   vexa_locking_daemon PORT_FILE
//
// Starts its own rendezvous server (ompi-server) for MPI processes that
// were not started by an MPI launcher, opens an MPI port, and publishes it
// in PORT_FILE: the port name, the daemon's process id and the rendezvous
// file, one a line. It then accepts one connection after another; each
// carries one lock message record whose tag is the operation (1 lock,
// 2 unlock, 100 test) and gets one record back whose value is the result.
//
// Beside PORT_FILE it keeps PORT_FILE.lock, locked while the daemon runs
// (a second daemon for the same port file leaves at once), and
// PORT_FILE.uri, the rendezvous server's address. SIGTERM, SIGINT and
// SIGHUP stop it: it removes the port file and the rendezvous file and ends
// the rendezvous server. If the rendezvous server or MPI's helper process
// ends, the daemon stops the same way, since no client could reach it.
//
// A client whose request was not answered in time sends SIGUSR1; when no
// connection is served in the 10 seconds after that, the daemon takes its
// accept loop for stuck and stops the same way.
//
// With VEXA_LOCKING_DAEMON_LOG set to a file name, every answered request
// is appended there as "operation pid name reply". With
// VEXA_LOCKING_DAEMON_STALL set (tests), the daemon publishes its port and
// then serves nobody, as one whose accept loop is stuck would.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/file_utils.h"
#include "locking/daemon_lock_table.h"
#include "locking/daemon_port_file.h"
#include "locking/lock_message.h"
#include "locking/mpi_environment.h"

// MPI's libraries keep allocations until the process ends, and MPI is
// never finalised here: leak reports of a sanitizer build would only list
// theirs.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kProgram = "vexa_locking_daemon";
// How long the rendezvous server may take to publish its address.
constexpr auto kServerStartLimit = std::chrono::seconds(20);
// How long a client may take to send its request and take the reply.
constexpr auto kClientLimit = std::chrono::seconds(5);
// How long a helper process may take to end when asked to.
constexpr auto kChildStopLimit = std::chrono::seconds(3);
// How long the reply to a lock request is held while the lock is taken.
constexpr auto kHoldLimit = std::chrono::seconds(1);
// How long after a client's complaint the accept loop must have served a
// connection.
constexpr auto kWedgeLimit = std::chrono::seconds(10);

// What the shutdown needs; written before the signal thread starts.
struct DaemonFiles {
  std::string port_file;
  std::string rendezvous_file;
  ino_t port_inode = 0;
  dev_t port_device = 0;
  bool port_written = false;
  pid_t server = -1;
  std::vector<pid_t> helpers;  // processes MPI started for this daemon
};

DaemonFiles& files() {
  static DaemonFiles state;
  return state;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Asks a child to end, waits a bounded time, then kills it; always reaps.
void stop_child(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  auto deadline = Clock::now() + kChildStopLimit;
  while (Clock::now() < deadline) {
    pid_t r = waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno == ECHILD)) return;
    sleep_ms(10);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

[[noreturn]] void shut_down(int status) {
  DaemonFiles& f = files();
  if (f.port_written) {
    // Only our own port file: a later daemon may have replaced it.
    struct stat st;
    if (stat(f.port_file.c_str(), &st) == 0 && st.st_ino == f.port_inode && st.st_dev == f.port_device) {
      unlink(f.port_file.c_str());
    }
  }
  // MPI's helper process ends by itself once this process has ended (it
  // watches a pipe from it); signalled, it would try to stop this process.
  stop_child(f.server);
  if (!f.rendezvous_file.empty()) unlink(f.rendezvous_file.c_str());
  std::fflush(nullptr);
  _exit(status);
}

// True when the child has ended (and is reaped).
bool child_ended(pid_t pid) {
  if (pid <= 0) return false;
  pid_t r = waitpid(pid, nullptr, WNOHANG);
  return r == pid || (r < 0 && errno == ECHILD);
}

// Progress of the accept loop, watched from the signal thread.
struct Progress {
  std::atomic<unsigned long> served{0};
};

Progress& progress() {
  static Progress state;
  return state;
}

// Waits for the stop signals, the end of a helper process, and complaints.
//
// A client whose request got no answer in time sends SIGUSR1. A complaint
// followed by kWedgeLimit without a single connection served means the
// accept loop is stuck: Open MPI can block for good in accepting a client
// that vanished while it connected. The daemon then stops, removing its
// port file, so that the next client starts a fresh one.
void signal_loop(sigset_t set) {
  bool complained = false;
  unsigned long served_at_complaint = 0;
  Clock::time_point complaint_time;
  const timespec tick = {1, 0};
  for (;;) {
    const int sig = sigtimedwait(&set, nullptr, &tick);
    const unsigned long served = progress().served.load();
    if (complained && served != served_at_complaint) complained = false;
    if (sig == SIGUSR1) {
      if (!complained) {
        complained = true;
        served_at_complaint = served;
        complaint_time = Clock::now();
      }
    } else if (sig == SIGCHLD) {
      DaemonFiles& f = files();
      bool ended = false;
      if (child_ended(f.server)) {
        f.server = -1;  // reaped: its process id may be reused
        ended = true;
      }
      for (pid_t helper : f.helpers) ended = child_ended(helper) || ended;
      if (ended) {
        std::fprintf(stderr, "%s: the rendezvous server or MPI helper ended; stopping\n", kProgram);
        shut_down(1);
      }
    } else if (sig == SIGTERM || sig == SIGINT || sig == SIGHUP) {
      shut_down(0);
    }
    if (complained && Clock::now() - complaint_time >= kWedgeLimit) {
      std::fprintf(stderr, "%s: no connection served since a client complained; stopping\n", kProgram);
      shut_down(1);
    }
  }
}

// Starts "ompi-server" writing its address into the rendezvous file and
// waits until the address is there. Returns its process id, or -1.
pid_t start_rendezvous_server(const std::string& rendezvous_file, const sigset_t& old_mask) {
  unlink(rendezvous_file.c_str());
  std::vector<std::string> args = {"ompi-server", "--no-daemonize", "-r", rendezvous_file};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    // The server goes with the daemon, even when the daemon is killed.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    sigprocmask(SIG_SETMASK, &old_mask, nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  auto deadline = Clock::now() + kServerStartLimit;
  while (Clock::now() < deadline) {
    std::ifstream in(rendezvous_file);
    std::string line;
    if (std::getline(in, line) && !line.empty() && !in.eof()) return pid;
    if (child_ended(pid)) return -1;
    sleep_ms(20);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

// The children of this process other than `known`: the helper that MPI
// start-up forks.
std::vector<pid_t> other_children(pid_t known) {
  std::vector<pid_t> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  const pid_t self = getpid();
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == known) continue;
    std::ifstream in(std::string("/proc/") + entry->d_name + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    // After ") " come the state and the parent's process id.
    char state = 0;
    long parent = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == self) {
      found.push_back(static_cast<pid_t>(pid));
    }
  }
  closedir(proc);
  return found;
}

enum class Wait { kDone, kFailed, kTimedOut };

// Waits for a request to complete, for at most kClientLimit.
Wait wait_for(MPI_Request* request, MPI_Status* status) {
  auto deadline = Clock::now() + kClientLimit;
  for (;;) {
    int done = 0;
    if (MPI_Test(request, &done, status) != MPI_SUCCESS) return Wait::kFailed;
    if (done) return Wait::kDone;
    if (Clock::now() >= deadline) return Wait::kTimedOut;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

// Gives up a connection whose client vanished or stalled.
void abandon(MPI_Request* request, MPI_Comm* comm, Wait how) {
  if (how == Wait::kTimedOut) {
    MPI_Cancel(request);
    MPI_Request_free(request);
  }
  MPI_Comm_free(comm);
}

void log_request(int operation, int pid, const char* name, int reply) {
  const char* log = std::getenv("VEXA_LOCKING_DAEMON_LOG");
  if (!log || !*log) return;
  if (FILE* f = std::fopen(log, "a")) {
    std::fprintf(f, "%d %d %s %d\n", operation, pid, name, reply);
    std::fclose(f);
  }
}

// A reply to send: the connection, the request record and the reply value.
struct Reply {
  MPI_Comm comm;
  sorvi::LockMessage message;
  int operation;
  int value;
};

// A lock request whose reply is held while the lock is taken.
struct Waiter {
  MPI_Comm comm;
  sorvi::LockMessage message;
  Clock::time_point deadline;
};

// The lock table, the held requests and the journal, shared by the accept
// loop and the thread that ends waits.
struct Locks {
  std::mutex mutex;
  sorvi::DaemonLockTable table;
  std::vector<Waiter> waiters;
  std::string journal;
  bool hold = true;  // false when MPI cannot be used from two threads
};

Locks& locks() {
  static Locks state;
  return state;
}

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// The journal: one "pid start-time name" line per held lock, so that a
// daemon started after this one ended knows the locks still held.
void save_journal(const Locks& l) {
  const std::string temp = l.journal + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) return;
  for (const auto& held : l.table.holders()) {
    const std::string start = sorvi::process_start_time(held.second);
    if (!start.empty() && held.first.find('\n') == std::string::npos) {
      std::fprintf(f, "%d %s %s\n", held.second, start.c_str(), held.first.c_str());
    }
  }
  if (std::fclose(f) == 0) std::rename(temp.c_str(), l.journal.c_str());
}

// Takes back the locks of the journal whose holders still run (the same
// processes: their start times match).
void load_journal(Locks* l) {
  std::ifstream in(l->journal);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    int pid = 0;
    std::string start, name;
    if (!(fields >> pid >> start) || fields.get() != ' ' || !std::getline(fields, name) || name.empty()) continue;
    if (sorvi::process_start_time(pid) == start) l->table.set_holder(name, pid);
  }
  save_journal(*l);
}

// Hands freed locks on to their waiters, whose replies go out as grants.
// Called with the mutex held; saves the journal when holders changed.
void pass_on(Locks* l, const std::map<std::string, int>& before, std::vector<Reply>* replies) {
  for (const auto& grant : l->table.pass_on(now_ms())) {
    for (auto w = l->waiters.begin(); w != l->waiters.end(); ++w) {
      if (w->message.value == grant.second && grant.first == w->message.name) {
        log_request(sorvi::kLockOperationLock, grant.second, w->message.name, 0);
        replies->push_back(Reply{w->comm, w->message, sorvi::kLockOperationLock, 0});
        l->waiters.erase(w);
        break;
      }
    }
  }
  if (l->table.holders() != before) save_journal(*l);
}

// Sends one reply record and ends the connection.
void answer(Reply r, MPI_Datatype type) {
  r.message.value = r.value;
  MPI_Request request;
  MPI_Status status;
  if (MPI_Isend(&r.message, 1, type, 0, r.operation, r.comm, &request) != MPI_SUCCESS) {
    MPI_Comm_free(&r.comm);
    return;
  }
  Wait sent = wait_for(&request, &status);
  if (sent != Wait::kDone) {
    abandon(&request, &r.comm, sent);
    return;
  }
  MPI_Comm_disconnect(&r.comm);
}

// Ends the waits that lasted kHoldLimit, as refusals, and hands on the locks
// of holders that ended.
void wait_loop(MPI_Datatype type) {
  Locks& l = locks();
  for (;;) {
    sleep_ms(20);
    std::vector<Reply> replies;
    {
      std::lock_guard<std::mutex> guard(l.mutex);
      const auto before = l.table.holders();
      const auto now = Clock::now();
      for (auto w = l.waiters.begin(); w != l.waiters.end();) {
        if (w->deadline > now) {
          ++w;
          continue;
        }
        l.table.give_up(w->message.value, w->message.name, now_ms());
        log_request(sorvi::kLockOperationLock, w->message.value, w->message.name, sorvi::kDaemonReplyHeld);
        replies.push_back(Reply{w->comm, w->message, sorvi::kLockOperationLock, sorvi::kDaemonReplyHeld});
        w = l.waiters.erase(w);
      }
      pass_on(&l, before, &replies);
    }
    for (const Reply& r : replies) answer(r, type);
  }
}

// Answers one connection: one request record in; the reply now, or, for a
// lock held by another process, once it is handed on or the wait ends.
void serve(MPI_Comm comm, MPI_Datatype type) {
  MPI_Comm_set_errhandler(comm, MPI_ERRORS_RETURN);
  sorvi::LockMessage message;
  std::memset(&message, 0, sizeof message);
  MPI_Request request;
  MPI_Status status;
  if (MPI_Irecv(&message, 1, type, 0, MPI_ANY_TAG, comm, &request) != MPI_SUCCESS) {
    MPI_Comm_free(&comm);
    return;
  }
  Wait got = wait_for(&request, &status);
  if (got != Wait::kDone) {
    abandon(&request, &comm, got);
    return;
  }
  message.name[sorvi::kLockNameSize - 1] = '\0';
  const int operation = status.MPI_TAG;
  const int pid = message.value;
  std::vector<Reply> replies;
  {
    Locks& l = locks();
    std::lock_guard<std::mutex> guard(l.mutex);
    const auto before = l.table.holders();
    int reply = l.table.handle(operation, pid, message.name, now_ms());
    if (reply == sorvi::kDaemonQueued && !l.hold) {
      l.table.give_up(pid, message.name, now_ms());
      reply = sorvi::kDaemonReplyHeld;
    }
    if (reply == sorvi::kDaemonQueued) {
      l.waiters.push_back(Waiter{comm, message, Clock::now() + kHoldLimit});
    } else {
      log_request(operation, pid, message.name, reply);
      replies.push_back(Reply{comm, message, operation, reply});
    }
    pass_on(&l, before, &replies);
  }
  for (const Reply& r : replies) answer(r, type);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !*argv[1]) {
    std::fprintf(stderr, "usage: %s PORT_FILE\n", kProgram);
    return 2;
  }
  // The stop signals and the end of a child are taken by one thread with
  // sigwait; every other thread (MPI starts some) keeps them blocked.
  sigset_t handled, old_mask;
  sigemptyset(&handled);
  sigaddset(&handled, SIGTERM);
  sigaddset(&handled, SIGINT);
  sigaddset(&handled, SIGHUP);
  sigaddset(&handled, SIGCHLD);
  sigaddset(&handled, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &handled, &old_mask);
  signal(SIGPIPE, SIG_IGN);

  DaemonFiles& f = files();
  f.port_file = sorvi::full_path(argv[1]);
  if (f.port_file.empty()) f.port_file = argv[1];

  int holder = 0;
  // Held open for the life of the daemon: the lock says the daemon runs.
  int lock_fd = sorvi::take_daemon_lock(f.port_file, &holder);
  if (lock_fd < 0) {
    if (holder != 0) {
      std::fprintf(stderr, "%s: already running for %s (process %d)\n", kProgram, f.port_file.c_str(), holder);
      return 0;
    }
    std::fprintf(stderr, "%s: cannot create %s: %s\n", kProgram, sorvi::daemon_lock_file_path(f.port_file).c_str(),
                 std::strerror(errno));
    return 1;
  }

  // A port file left by a daemon that ended is stale: clients that find
  // none know that this daemon is still starting.
  unlink(f.port_file.c_str());
  sorvi::prepare_mpi_environment(std::string());
  f.rendezvous_file = sorvi::daemon_rendezvous_file_path(f.port_file);
  f.server = start_rendezvous_server(f.rendezvous_file, old_mask);
  if (f.server < 0) {
    std::fprintf(stderr, "%s: the rendezvous server (ompi-server) did not start\n", kProgram);
    unlink(f.rendezvous_file.c_str());
    return 1;
  }

  sorvi::prepare_mpi_environment(f.rendezvous_file);
  char port[MPI_MAX_PORT_NAME + 1] = {0};
  MPI_Datatype type = MPI_DATATYPE_NULL;
  // The replies held for waiters are sent from a second thread.
  int threads = MPI_THREAD_SINGLE;
  bool mpi_ok = MPI_Init_thread(nullptr, nullptr, MPI_THREAD_MULTIPLE, &threads) == MPI_SUCCESS;
  locks().hold = threads == MPI_THREAD_MULTIPLE;
  if (mpi_ok) {
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    MPI_Comm_set_errhandler(MPI_COMM_SELF, MPI_ERRORS_RETURN);
    mpi_ok = sorvi::build_lock_message_type(&type) == MPI_SUCCESS &&
             MPI_Open_port(MPI_INFO_NULL, port) == MPI_SUCCESS && std::strlen(port) <= sorvi::kPortNameMax;
  }
  f.helpers = other_children(f.server);
  if (!mpi_ok) {
    std::fprintf(stderr, "%s: cannot open an MPI port\n", kProgram);
    shut_down(1);
  }

  locks().journal = f.port_file + ".journal";
  load_journal(&locks());
  // Clients of every user take their turn on the connect lock file.
  int connect_fd = open(sorvi::daemon_connect_lock_path(f.port_file).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (connect_fd >= 0) {
    fchmod(connect_fd, 0666);
    close(connect_fd);
  }
  if (!sorvi::write_daemon_port_file(f.port_file, port, static_cast<int>(getpid()), f.rendezvous_file)) {
    std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, f.port_file.c_str(), std::strerror(errno));
    shut_down(1);
  }
  struct stat st;
  if (stat(f.port_file.c_str(), &st) == 0) {
    f.port_inode = st.st_ino;
    f.port_device = st.st_dev;
  }
  f.port_written = true;
  std::thread(signal_loop, handled).detach();
  const char* stall = std::getenv("VEXA_LOCKING_DAEMON_STALL");
  while (stall && *stall) pause();

  std::thread(wait_loop, type).detach();
  int failures_in_a_row = 0;
  for (;;) {
    MPI_Comm comm;
    if (MPI_Comm_accept(port, MPI_INFO_NULL, 0, MPI_COMM_SELF, &comm) != MPI_SUCCESS) {
      if (++failures_in_a_row >= 100) {
        std::fprintf(stderr, "%s: the port no longer accepts connections; stopping\n", kProgram);
        shut_down(1);
      }
      sleep_ms(50);
      continue;
    }
    failures_in_a_row = 0;
    serve(comm, type);
    ++progress().served;
  }
}
