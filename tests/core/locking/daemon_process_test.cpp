// The lock daemon and its clients as real processes: requests across
// processes, clients that vanish, stale and bad port files, stopping,
// starting through the client, and contention for "staticid.dat".

#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "locking/daemon_port_file.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

using locking_test::Daemon;
using locking_test::lines_of;
using locking_test::probe;
using sorvi_test::file_exists;
using sorvi_test::read_file;
using sorvi_test::TempDir;
using sorvi_test::write_file;
using Lines = std::vector<std::string>;

// The daemon's request log: one "operation pid name reply" per request.
Lines log_lines(const std::string& path) { return lines_of(read_file(path)); }

int count_lines_starting(const Lines& lines, const std::string& prefix) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// The process id the probe printed first ("pid N"), from its log lines.
std::string pid_of_first_test(const Lines& log) {
  for (const std::string& l : log) {
    if (l.rfind("100 ", 0) == 0) return l.substr(4, l.find(' ', 4) - 4);
  }
  return std::string();
}

// True when some process's command line mentions `text`.
bool process_mentioning(const std::string& text) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  bool found = false;
  while (dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    if (s.str().find(text) != std::string::npos) found = true;
  }
  closedir(proc);
  return found;
}

struct DaemonProcessTest : ::testing::Test {
  TempDir dir;
  std::string port_file = dir.file("VEXA_DAEMON_PORT.DAT");
  std::string log = dir.file("requests.log");
  std::vector<std::string> daemon_env = {"VEXA_LOCKING_DAEMON_LOG=" + log};
};

TEST_F(DaemonProcessTest, PublishesPortProcessIdAndRendezvousFile) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(port_file, &info));
  EXPECT_FALSE(sorvi::port_name_without_line_end(info.port_name).empty());
  EXPECT_EQ(info.port_name.back(), '\n');
  EXPECT_EQ(info.pid, daemon.pid());
  EXPECT_EQ(info.rendezvous_file, port_file + ".uri");
  EXPECT_TRUE(file_exists(info.rendezvous_file));
  EXPECT_EQ(sorvi::daemon_lock_holder(port_file), daemon.pid());
}

TEST_F(DaemonProcessTest, LockUnlockAndTheBoundOfRefusals) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  auto r = probe({"reach", port_file, "lock", "A", "0", "lock", "A", "3", "unlock", "A", "0", "unlock", "A", "0",
                  "lock", "A", "-1", "reach", port_file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out),
            (Lines{"reach 0", "lock 0", "lock -1", "unlock 0", "unlock 0", "lock 0", "reach 0"}));
  Lines requests = log_lines(log);
  const std::string pid = pid_of_first_test(requests);
  ASSERT_FALSE(pid.empty());
  // One test, the grant, four refusals of the second lock (bound 3), the
  // release and the unlock of a lock no longer held; the negative bound and
  // the second reach send nothing.
  EXPECT_EQ(requests, (Lines{"100 " + pid + " Test Daemon 0", "1 " + pid + " A 0", "1 " + pid + " A -1",
                             "1 " + pid + " A -1", "1 " + pid + " A -1", "1 " + pid + " A -1", "2 " + pid + " A 0",
                             "2 " + pid + " A -3"}));
}

TEST_F(DaemonProcessTest, HeldLockIsRefusedToOthersUntilReleased) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  sorvi_test::RunResult holder;
  std::thread holding([&] {
    holder = probe({"reach", port_file, "lock", "staticid.dat", "0", "sleep", "3000", "unlock", "staticid.dat", "0"});
  });
  // Wait until the holder has it.
  double end = locking_test::now_seconds() + 30;
  while (count_lines_starting(log_lines(log), "1 ") == 0 && locking_test::now_seconds() < end) usleep(20000);
  auto other = probe({"reach", port_file, "lock", "staticid.dat", "2"});
  holding.join();
  EXPECT_EQ(lines_of(holder.out), (Lines{"reach 0", "lock 0", "unlock 0"}));
  EXPECT_EQ(lines_of(other.out), (Lines{"reach 0", "lock -1"}));
  auto after = probe({"reach", port_file, "lock", "staticid.dat", "1", "unlock", "staticid.dat", "1"});
  EXPECT_EQ(lines_of(after.out), (Lines{"reach 0", "lock 0", "unlock 0"}));
}

TEST_F(DaemonProcessTest, LockOfAProcessThatEndedIsGivenToTheNext) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  auto gone = probe({"reach", port_file, "lock", "B", "0", "vanish"});
  EXPECT_EQ(lines_of(gone.out), (Lines{"reach 0", "lock 0"}));
  auto next = probe({"reach", port_file, "lock", "B", "1", "unlock", "B", "0"});
  EXPECT_EQ(lines_of(next.out), (Lines{"reach 0", "lock 0", "unlock 0"}));
}

TEST_F(DaemonProcessTest, SurvivesClientsThatVanishMidRequest) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  auto connected = probe({"raw", port_file, "1"});
  EXPECT_EQ(lines_of(connected.out), (Lines{"raw connected"}));
  auto sent = probe({"raw", port_file, "2"});
  EXPECT_EQ(lines_of(sent.out), (Lines{"raw connected", "raw sent"}));
  auto fine = probe({"reach", port_file, "lock", "C", "0", "unlock", "C", "0"});
  EXPECT_EQ(lines_of(fine.out), (Lines{"reach 0", "lock 0", "unlock 0"}));
  // The lock of the client that sent and vanished went to a process that
  // ended; the next asker gets it.
  auto raw_lock = probe({"reach", port_file, "lock", "raw", "1"});
  EXPECT_EQ(lines_of(raw_lock.out), (Lines{"reach 0", "lock 0"}));
}

TEST_F(DaemonProcessTest, SigtermRemovesPortFileAndRendezvousServer) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  const std::string uri = port_file + ".uri";
  EXPECT_TRUE(process_mentioning(uri)) << "the rendezvous server runs";
  EXPECT_EQ(daemon.stop(), 0);
  EXPECT_FALSE(file_exists(port_file));
  EXPECT_FALSE(file_exists(uri));
  EXPECT_FALSE(process_mentioning(uri));
  EXPECT_EQ(sorvi::daemon_lock_holder(port_file), 0);
  // A client now finds no port file.
  auto r = probe({"reach", port_file});
  EXPECT_EQ(lines_of(r.out), (Lines{"reach -7"}));
}

TEST_F(DaemonProcessTest, SecondDaemonForTheSamePortFileLeaves) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  const std::string before = read_file(port_file);
  auto second = sorvi_test::run_program(locking_test::daemon_program(), {port_file}, {}, std::string(), 30);
  EXPECT_EQ(second.status, 0);
  EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
  EXPECT_EQ(read_file(port_file), before);
  auto r = probe({"reach", port_file});
  EXPECT_EQ(lines_of(r.out), (Lines{"reach 0"}));
}

TEST_F(DaemonProcessTest, DaemonNeedsExactlyOneArgument) {
  auto none = sorvi_test::run_program(locking_test::daemon_program(), {}, {}, std::string(), 30);
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.err, "usage: vexa_locking_daemon PORT_FILE\n");
}

TEST_F(DaemonProcessTest, StalePortFileGivesMinusEightWithoutWaiting) {
  std::string saved;
  {
    Daemon daemon(port_file, daemon_env);
    ASSERT_TRUE(daemon.ready());
    saved = read_file(port_file);
    kill(daemon.pid(), SIGKILL);
    EXPECT_EQ(daemon.wait(20), 128 + SIGKILL);
  }
  write_file(port_file, saved);
  double start = locking_test::now_seconds();
  auto r = probe({"reach", port_file, "lock", "A", "2", "unlock", "A", "0"});
  EXPECT_EQ(lines_of(r.out), (Lines{"reach -8", "lock -8", "unlock -8"}));
  EXPECT_LT(locking_test::now_seconds() - start, 10.0);
}

// Port files the client cannot check: only a first line. Whatever MPI
// makes of them, the answer comes within the time limit.
TEST_F(DaemonProcessTest, BadPortLinesGiveMinusEightInBoundedTime) {
  std::string dead_port;
  {
    Daemon daemon(port_file, daemon_env);
    ASSERT_TRUE(daemon.ready());
    sorvi::DaemonPortInfo info;
    ASSERT_TRUE(sorvi::read_daemon_port_file(port_file, &info));
    dead_port = info.port_name;
  }
  for (const std::string& first_line : {std::string(300, '9') + "\n", dead_port}) {
    write_file(port_file, first_line);
    double start = locking_test::now_seconds();
    auto r = probe({"limit", "2000", "reach", port_file, "portname"}, {}, 60);
    EXPECT_EQ(r.status, 0) << r.err;
    Lines out = lines_of(r.out);
    ASSERT_EQ(out.size(), 2u) << r.out << r.err;
    EXPECT_EQ(out[0], "reach -8");
    EXPECT_EQ(out[1], "portname " + std::to_string(std::min<size_t>(first_line.size(), 255)));
    EXPECT_LT(locking_test::now_seconds() - start, 20.0);
  }
}

// A daemon that stops answering: the client gives up within its time limit
// and says so; the daemon, once it runs again, either serves again or, its
// accept stuck on the vanished client, stops itself and frees the way for
// a new daemon.
TEST_F(DaemonProcessTest, StalledDaemonDoesNotHoldClientsUp) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  kill(daemon.pid(), SIGSTOP);
  double start = locking_test::now_seconds();
  auto stalled = probe({"limit", "2000", "reach", port_file, "lock", "A", "1"});
  double took = locking_test::now_seconds() - start;
  kill(daemon.pid(), SIGCONT);
  EXPECT_EQ(lines_of(stalled.out), (Lines{"reach -8", "lock -8"}));
  EXPECT_LT(took, 15.0);

  bool recovered = false;
  double end = locking_test::now_seconds() + 40;
  while (!recovered && locking_test::now_seconds() < end) {
    if (!file_exists(port_file)) {
      EXPECT_EQ(daemon.wait(20), 1) << "stopped itself";
      Daemon fresh(port_file, daemon_env);
      ASSERT_TRUE(fresh.ready());
      auto r = probe({"reach", port_file});
      recovered = lines_of(r.out) == Lines{"reach 0"};
      break;
    }
    auto r = probe({"limit", "3000", "reach", port_file});
    recovered = lines_of(r.out) == Lines{"reach 0"};
  }
  EXPECT_TRUE(recovered);
}

// A suite set up for daemon locking whose suite directory holds the daemon.
struct SuiteTest : ::testing::Test {
  TempDir dir;
  std::string perm = dir.file("perm");
  std::string suite = dir.file("suite");
  std::string port_file = perm + "/VEXA_DAEMON_PORT.DAT";
  std::vector<std::string> env = {"KELVAR=" + dir.path(), "PROGRAMDATA=" + dir.file("programdata")};

  void SetUp() override {
    mkdir(perm.c_str(), 0777);
    mkdir(suite.c_str(), 0777);
    ASSERT_EQ(symlink(locking_test::daemon_program().c_str(), (suite + "/vexa_locking_daemon").c_str()), 0);
  }
  // A daemon that a client started comes to this process, the reaper of
  // orphans; it is stopped whatever the test's outcome.
  void TearDown() override {
    int pid = sorvi::daemon_lock_holder(port_file);
    if (pid > 0 && kill(pid, SIGTERM) == 0 && locking_test::wait_for_exit(pid, 20) < 0) kill(pid, SIGKILL);
    locking_test::reap_ended_children();
  }
  void write_profile(const std::string& extra) {
    write_file(dir.file("Kelvar.ini"), "[C/C++ Vexa Kelvar]\nKELV=" + suite + "\nWORKDIR=" + dir.file("work") +
                                           "\nPERMDIR=" + perm + "\n" + extra);
  }
};

TEST_F(SuiteTest, ClientStartsTheDaemonAndUsesIt) {
  write_profile("USE_DAEMON_LOCKING=TRUE\n");
  double start = locking_test::now_seconds();
  auto first = probe({"init", "-", "1"}, env);
  EXPECT_EQ(first.out, "Initialising Daemon Locking.. succeeded.\ninit daemon\n");
  EXPECT_GE(locking_test::now_seconds() - start, 1.0) << "a second for the daemon to come up";
  // The daemon publishes its port once it is ready.
  ASSERT_TRUE(locking_test::wait_for_file(port_file, 60));
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(port_file, &info));
  ASSERT_GT(info.pid, 0);
  EXPECT_EQ(sorvi::daemon_lock_holder(port_file), info.pid);
  EXPECT_FALSE(file_exists(perm + "/Locks")) << "no directory locking";

  // Another process finds it running and locks through it.
  start = locking_test::now_seconds();
  auto second = probe({"init", "-", "1", "hook-lock", "hook-unlock"}, env);
  EXPECT_EQ(second.out, "Initialising Daemon Locking.. succeeded.\ninit daemon\nhook-lock 0\nhook-unlock 0\n");
  EXPECT_LT(locking_test::now_seconds() - start, 10.0);

  kill(info.pid, SIGTERM);
  EXPECT_EQ(locking_test::wait_for_exit(info.pid, 20), 0);
  EXPECT_FALSE(file_exists(port_file));
}

// Several processes take and release "staticid.dat" many times through the
// registry hooks; each checks, under the lock, that nobody else is inside.
// They start their rounds together.
void run_contention(const std::vector<std::string>& env, const std::string& shared, int workers, int rounds) {
  write_file(shared, "0");
  const std::string go = shared + ".go";
  std::vector<sorvi_test::RunResult> results(static_cast<size_t>(workers));
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([&, w] {
      results[static_cast<size_t>(w)] = probe({"await", go, "worker", std::to_string(rounds), shared}, env, 240);
    });
  }
  usleep(300000);
  write_file(go, "");
  for (std::thread& t : threads) t.join();
  for (const sorvi_test::RunResult& r : results) {
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "violations 0\n");
  }
  EXPECT_EQ(read_file(shared), std::to_string(workers * rounds));
}

TEST_F(SuiteTest, ProcessesExcludeEachOtherThroughTheDaemon) {
  write_profile("USE_DAEMON_LOCKING=TRUE\n");
  Daemon daemon(port_file);
  ASSERT_TRUE(daemon.ready());
  run_contention(env, dir.file("shared"), 4, 10);
  EXPECT_FALSE(file_exists(perm + "/Locks"));
}

TEST_F(SuiteTest, ProcessesExcludeEachOtherThroughDirectories) {
  write_profile("");
  run_contention(env, dir.file("shared"), 4, 12);
  EXPECT_TRUE(file_exists(perm + "/Locks"));
  EXPECT_FALSE(file_exists(perm + "/Locks/staticid.dat")) << "released at the end";
}

}  // namespace
