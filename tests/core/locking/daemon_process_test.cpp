// The lock daemon and its clients as real processes: requests across
// processes, clients that vanish, bad port files, stopping, starting
// through the client, and contention for "staticid.dat".

#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "locking/daemon_lock_table.h"
#include "locking/daemon_port_file.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

using namespace locking_test;
using namespace sorvi_test;
using Lines = std::vector<std::string>;

// True when some process's command line mentions `text`.
bool process_mentioning(const std::string& text) {
  bool found = false;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    found = found || read_file(std::string("/proc/") + entry->d_name + "/cmdline").find(text) != std::string::npos;
  }
  if (proc) closedir(proc);
  return found;
}

struct DaemonProcessTest : ::testing::Test {
  TempDir dir;
  std::string port_file = dir.file("VEXA_DAEMON_PORT.DAT");
  std::string log = dir.file("requests.log");
  std::vector<std::string> daemon_env = {"VEXA_LOCKING_DAEMON_LOG=" + log};

  // The process ids of the requests the daemon answered with `reply`
  // (of tests: "100"; of grants: "1" and "0"), in order.
  std::vector<std::string> answered(const std::string& operation, const std::string& reply) const {
    std::vector<std::string> pids;
    for (const std::string& l : lines_of(read_file(log))) {
      std::istringstream in(l);
      std::string op, pid;
      if (in >> op >> pid && op == operation && l.substr(l.rfind(' ') + 1) == reply) pids.push_back(pid);
    }
    return pids;
  }
  size_t grants() const { return answered("1", "0").size(); }
};

TEST_F(DaemonProcessTest, PublishesItsPortOnceAndStopsCleanly) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(port_file, &info));
  const std::string uri = port_file + ".uri";
  EXPECT_EQ(info.rendezvous_file, uri);
  EXPECT_EQ(sorvi::daemon_lock_holder(port_file), daemon.pid());
  EXPECT_TRUE(process_mentioning(uri)) << "the rendezvous server runs";
  // A second daemon for the port file leaves it alone.
  const std::string before = read_file(port_file);
  auto second = run_program(VEXA_LOCKING_DAEMON_EXE, {port_file}, {}, std::string(), 60);
  EXPECT_EQ(second.status, 0);
  EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
  EXPECT_EQ(read_file(port_file), before);

  EXPECT_EQ(daemon.wait(0), 0);
  EXPECT_FALSE(file_exists(port_file));
  EXPECT_FALSE(file_exists(uri));
  EXPECT_FALSE(process_mentioning(uri));
  EXPECT_EQ(lines_of(probe({"reach", port_file}).out), (Lines{"reach -7"}));
}

// One client's requests, exactly as the daemon sees them, before and after
// clients that vanished mid-request.
TEST_F(DaemonProcessTest, RequestsOfOneClientAndClientsThatVanish) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  auto r = probe({"reach", port_file, "lock", "A", "0", "lock", "A", "3", "unlock", "A", "0", "unlock", "A", "0",
                  "lock", "A", "-1", "reach", port_file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.out), (Lines{"reach 0", "lock 0", "lock -1", "unlock 0", "unlock 0", "lock 0", "reach 0"}));
  // One test, the grant, four refusals of the second lock (bound 3), the
  // release and the unlock of a lock no longer held; the negative bound and
  // the second reach send nothing.
  const std::string p = " " + answered("100", "0").at(0) + " ";
  EXPECT_EQ(lines_of(read_file(log)), (Lines{"100" + p + "Test Daemon 0", "1" + p + "A 0", "1" + p + "A -1", "1" + p + "A -1",
                                             "1" + p + "A -1", "1" + p + "A -1", "2" + p + "A 0", "2" + p + "A -3"}));

  EXPECT_EQ(lines_of(probe({"raw", port_file, "1"}).out), (Lines{"raw connected"}));
  EXPECT_EQ(lines_of(probe({"raw", port_file, "2"}).out), (Lines{"raw connected", "raw sent"}));
  // The daemon still serves, and the lock of the client that sent and
  // vanished goes to the next asker.
  auto after = probe({"reach", port_file, "lock", "C", "0", "unlock", "C", "0", "lock", "raw", "1"});
  EXPECT_EQ(lines_of(after.out), (Lines{"reach 0", "lock 0", "unlock 0", "lock 0"}));
}

// Waiters for a held lock get it in the order they asked, each within its
// bound of refusals.
TEST_F(DaemonProcessTest, WaitersAreServedInTheOrderTheyAsked) {
  Daemon daemon(port_file, daemon_env);
  ASSERT_TRUE(daemon.ready());
  const std::string go = dir.file("go");
  std::vector<RunResult> out(4);
  std::vector<std::thread> probes;
  probes.emplace_back([&] { out[0] = probe({"reach", port_file, "lock", "X", "0", "await", go, "unlock", "X", "0"}); });
  bool queued = eventually([&] { return grants() == 1; }, 240);
  for (size_t w = 1; w < out.size(); ++w) {
    probes.emplace_back([&, w] { out[w] = probe({"reach", port_file, "lock", "X", "20", "unlock", "X", "0"}); });
    // The next one asks once this one waits: its first wait has ended.
    queued = queued && eventually([&] {
      const auto tests = answered("100", "0"), refused = answered("1", "-1");
      return tests.size() > w && std::count(refused.begin(), refused.end(), tests[w]) > 0;
    }, 240);
  }
  write_file(go, "");
  for (std::thread& t : probes) t.join();
  ASSERT_TRUE(queued);
  EXPECT_EQ(answered("1", "0"), answered("100", "0")) << "granted in the order of asking";
  for (size_t w = 1; w < out.size(); ++w) EXPECT_EQ(lines_of(out[w].out), (Lines{"reach 0", "lock 0", "unlock 0"}));
}

// A daemon started after one that was killed knows the locks still held by
// running processes, and only those.
TEST_F(DaemonProcessTest, RestartedDaemonKeepsTheLocksStillHeld) {
  const std::string go = dir.file("go");
  RunResult holder, after;
  std::thread holding;
  {
    Daemon first(port_file, daemon_env);
    ASSERT_TRUE(first.ready());
    auto gone = probe({"reach", port_file, "lock", "K", "0", "vanish"});
    EXPECT_EQ(lines_of(gone.out), (Lines{"reach 0", "lock 0"}));
    // The grant of Z is logged once the holder got its grant of J.
    holding = std::thread([&] { holder = probe({"reach", port_file, "lock", "J", "0", "lock", "Z", "0", "await", go}); });
    eventually([&] { return grants() == 3; }, 240);
    kill(first.pid(), SIGKILL);
    EXPECT_EQ(first.wait(60), 128 + SIGKILL);
  }
  {
    Daemon second(port_file, daemon_env);
    EXPECT_TRUE(second.ready());
    after = probe({"reach", port_file, "lock", "J", "1", "lock", "K", "1"});
  }
  write_file(go, "");
  holding.join();
  // (The reply to Z may have been lost with the first daemon.)
  EXPECT_EQ(holder.out.rfind("reach 0\nlock 0\n", 0), 0u) << holder.out;
  EXPECT_EQ(lines_of(after.out), (Lines{"reach 0", "lock -1", "lock 0"}));
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
    ASSERT_EQ(symlink(VEXA_LOCKING_DAEMON_EXE, (suite + "/vexa_locking_daemon").c_str()), 0);
  }
  // A daemon that a client started is stopped whatever the test's outcome.
  void TearDown() override {
    int pid = sorvi::daemon_lock_holder(port_file);
    if (pid > 0 && kill(pid, SIGTERM) == 0 && !eventually([&] { return !sorvi::process_is_running(pid); })) {
      kill(pid, SIGKILL);
    }
  }
  void write_profile(const std::string& extra) {
    write_file(dir.file("Kelvar.ini"), "[C/C++ Vexa Kelvar]\nKELV=" + suite + "\nWORKDIR=" + dir.file("work") +
                                           "\nPERMDIR=" + perm + "\n" + extra);
  }
};

TEST_F(SuiteTest, ClientStartsTheDaemonAndUsesIt) {
  write_profile("USE_DAEMON_LOCKING=TRUE\n");
  const auto start = std::chrono::steady_clock::now();
  auto first = probe({"init", "-", "1"}, env);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "a second for the daemon to start";
  EXPECT_EQ(first.out, "Initialising Daemon Locking.. succeeded.\ninit daemon\n");
  // The daemon publishes its port once it is ready; another process finds
  // it running and locks through it.
  ASSERT_TRUE(eventually([&] { return sorvi::daemon_lock_holder(port_file) > 0 && file_exists(port_file); }));
  auto second = probe({"init", "-", "1", "hook-lock", "hook-unlock"}, env);
  EXPECT_EQ(second.out, "Initialising Daemon Locking.. succeeded.\ninit daemon\nhook-lock 0\nhook-unlock 0\n");
  EXPECT_FALSE(file_exists(perm + "/Locks")) << "no directory locking";
}

// Without a daemon in the suite directory, the one beside the running
// program is started, as in an installation's bin directory.
TEST_F(SuiteTest, DaemonBesideTheProgramStartsWhenTheSuiteHasNone) {
  write_profile("USE_DAEMON_LOCKING=TRUE\n");
  ASSERT_EQ(unlink((suite + "/vexa_locking_daemon").c_str()), 0);
  const std::string bin = dir.file("bin");
  ASSERT_EQ(mkdir(bin.c_str(), 0777), 0);
  ASSERT_TRUE(std::filesystem::copy_file(LOCKING_PROBE_EXE, bin + "/locking_probe"));
  ASSERT_EQ(symlink(VEXA_LOCKING_DAEMON_EXE, (bin + "/vexa_locking_daemon").c_str()), 0);
  auto r = run_program(bin + "/locking_probe", {"init", "-", "1"}, env, std::string(), 240);
  EXPECT_EQ(r.out, "Initialising Daemon Locking.. succeeded.\ninit daemon\n") << r.err;
}

// A daemon found running but unusable at initialisation (it serves nobody,
// or its port file is garbage): the process locks with directories. The
// daemon that serves nobody, told by the client, stops itself and frees the
// way for a new one.
TEST_F(SuiteTest, UnusableDaemonMeansDirectoryLocks) {
  write_profile("USE_DAEMON_LOCKING=TRUE\n");
  const Lines fallback = {"init directory", "hook-lock 0", "hook-unlock 0"};
  {
    Daemon garbage(port_file);
    ASSERT_TRUE(garbage.ready());
    write_file(port_file, "garbage\n");
    EXPECT_EQ(lines_of(probe({"init", "-", "0", "hook-lock", "hook-unlock"}, env).out), fallback);
  }
  Daemon stalled(port_file, {"VEXA_LOCKING_DAEMON_STALL=1"});
  ASSERT_TRUE(stalled.ready());
  EXPECT_EQ(lines_of(probe({"init", "-", "0", "hook-lock", "hook-unlock"}, env).out), fallback);
  EXPECT_TRUE(file_exists(perm + "/Locks"));
  EXPECT_EQ(stalled.wait(120), 1) << "stopped itself";
  EXPECT_FALSE(file_exists(port_file));
  Daemon fresh(port_file);
  ASSERT_TRUE(fresh.ready());
  EXPECT_EQ(lines_of(probe({"init", "-", "0"}, env).out), (Lines{"init daemon"}));
}

// Several processes take and release "staticid.dat" many times through the
// registry hooks, through the daemon and through directories; each checks,
// under the lock, that nobody else is inside, and counts the times it was
// refused. They start their rounds together.
TEST_F(SuiteTest, ProcessesExcludeEachOtherWithoutRefusals) {
  for (const bool through_daemon : {true, false}) {
    write_profile(through_daemon ? "USE_DAEMON_LOCKING=TRUE\n" : "");
    std::unique_ptr<Daemon> daemon(through_daemon ? new Daemon(port_file) : nullptr);
    const std::string shared = dir.file("shared"), go = dir.file("go");
    write_file(shared, "0");
    std::remove(go.c_str());
    std::vector<RunResult> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&] { r = probe({"await", go, "worker", "10", shared}, env, 600); });
    write_file(go, "");
    std::string out;
    for (size_t w = 0; w < results.size(); ++w) threads[w].join(), out += results[w].out + results[w].err;
    EXPECT_EQ(lines_of(out), Lines(4, "violations 0 refusals 0")) << through_daemon;
    EXPECT_EQ(read_file(shared), "40");
    EXPECT_EQ(file_exists(perm + "/Locks"), !through_daemon);
  }
  EXPECT_FALSE(file_exists(perm + "/Locks/staticid.dat")) << "released at the end";
}

}  // namespace
