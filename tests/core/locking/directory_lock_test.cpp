// Directory locks: the lock root, the poll limit, release retries, the
// default names, owner files and stale locks, initialisation once per
// process and the registry hooks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "locking/daemon_client.h"
#include "locking/named_lock.h"
#include "locking/registry_lock_hooks.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using sorvi_test::file_exists;

bool is_dir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A clean locking layer whose pauses are recorded instead of slept.
struct DirectoryLockTest : ::testing::Test {
  void SetUp() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
    sorvi::set_lock_sleep_function([this](int ms) {
      pauses.push_back(ms);
      if (static_cast<int>(pauses.size()) == free_after) rmdir((sorvi::lock_root() + "/A").c_str());
    });
  }
  void TearDown() override { sorvi::reset_locking(); }

  // Runs a script of steps in a fresh directory; one word per step, then
  // the pauses ("200x6"):
  //   root P       set the lock root to P below the directory (LONG: overlong)
  //   acquire N W  release N W   ("-": a null name, LONG: 520 letters)
  //   mkdir N      a lock directory N made by someone else
  //   freeafter K  lock A is released by someone else during the K-th pause
  //   rmroot       the lock root vanishes
  //   ls P         the names in P below the directory ("none": missing)
  //   mode         the lock root's permissions
  std::string run(const std::string& script) {
    sorvi_test::TempDir dir;
    pauses.clear();
    free_after = 0;
    std::istringstream in(script);
    std::string step, a, b, out;
    auto arg = [](const std::string& n) { return n == "LONG" ? std::string(520, 'n') : n; };
    while (in >> step) {
      if (step == "root" && in >> a) {
        out += std::to_string(sorvi::set_lock_root(a == "LONG" ? arg(a).c_str() : dir.file(a).c_str())) + " ";
      } else if ((step == "acquire" || step == "release") && in >> a >> b) {
        const std::string n = arg(a);
        const char* name = a == "-" ? nullptr : n.c_str();
        const int rc = step == "acquire" ? sorvi::acquire_lock(name, std::stoi(b)) : sorvi::release_lock(name, std::stoi(b));
        out += std::to_string(rc) + " ";
      } else if (step == "mkdir" && in >> a) {
        mkdir((sorvi::lock_root() + "/" + a).c_str(), 0777);
      } else if (step == "freeafter") {
        in >> free_after;
      } else if (step == "rmroot") {
        rmdir(sorvi::lock_root().c_str());
      } else if (step == "mode") {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%o ", static_cast<int>(fs::status(sorvi::lock_root()).permissions() & fs::perms::mask));
        out += mode;
      } else if (step == "ls" && in >> a) {
        std::error_code error;
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.file(a), error)) names.insert(e.path().filename());
        std::string list;
        for (const std::string& n : names) list += (list.empty() ? "" : " ") + n;
        out += error ? "none " : "[" + list + "] ";
      }
    }
    out += "|";
    for (size_t i = 0, j = 0; i < pauses.size(); i = j) {
      while (j < pauses.size() && pauses[j] == pauses[i]) ++j;
      out += " " + std::to_string(pauses[i]) + "x" + std::to_string(j - i);
    }
    return out;
  }

  std::vector<int> pauses;
  int free_after = 0;
};

TEST_F(DirectoryLockTest, Scripts) {
  const locking_test::Row rows[] = {
      // The root: one level, open to every user as /tmp is; a missing parent
      // or an overlong path gives -2.
      {"root Locks mode root Locks ls . root missing/Locks ls missing root LONG", "0 1777 0 [Locks] -2 none -2 |"},
      // The holder's owner file lies beside the lock directory.
      {"root Locks acquire staticid.dat 20 ls Locks release staticid.dat 0 ls Locks",
       "0 0 [staticid.dat staticid.dat.owner] 0 [] |"},
      {"root Locks/ acquire - 1 ls Locks release - 0", "0 0 [DEFAULT_LOCK DEFAULT_LOCK.owner] 0 |"},
      // A negative wait locks nothing and does not even make a vanished root.
      {"root Locks acquire staticid.dat -1 rmroot acquire x -5 ls .", "0 0 0 [] |"},
      // Wait 1 is 5 polls: six failures; the default 20 is 101; 0 has no end.
      {"root Locks mkdir staticid.dat acquire staticid.dat 1", "0 -1 | 200x6"},
      {"root Locks mkdir staticid.dat acquire staticid.dat 20", "0 -1 | 200x101"},
      {"root Locks mkdir A freeafter 150 acquire A 0 ls Locks", "0 0 [A A.owner] | 200x150"},
      // Not re-entrant; a release of what is not held: five attempts 10 ms apart.
      {"root Locks acquire A 1 acquire A 1 release A 0 acquire A 1 release never 3", "0 0 -1 0 0 -3 | 200x6 10x5"},
      {"root Locks rmroot acquire A 1 ls Locks", "0 0 [A A.owner] |"},
      {"root no/such/dir acquire A 0 root Locks acquire LONG 0 release LONG 0", "-2 -2 0 -2 -3 |"},
  };
  for (const auto& row : rows) EXPECT_EQ(run(row.input), row.expected) << row.input;
}

// A lock whose holder ended is taken over at once when its owner file
// names the ended process; without an owner file it stays taken.
TEST_F(DirectoryLockTest, LocksOfHoldersThatEnded) {
  sorvi_test::TempDir dir;
  const std::string root = dir.file("Locks"), lock = root + "/staticid.dat", owner = lock + ".owner";
  char host[256] = {0};
  gethostname(host, sizeof host - 1);
  // What is written over the killed holder's owner file ("-": removed).
  const locking_test::Row rows[] = {
      {"", "0 after 0 pauses"},
      {"-", "-1 after 6 pauses"},
      // The owner's process id now belongs to another process (this one).
      {std::string(host) + "\n" + std::to_string(getpid()) + "\n1\n", "0 after 0 pauses"},
      // A holder on another host cannot be checked.
      {"elsewhere.invalid\n1\n1\n", "-1 after 6 pauses"},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(sorvi::set_lock_root(root.c_str()), 0);
    auto gone = locking_test::probe({"init", root, "0", "acquire", "staticid.dat", "1", "vanish"});
    ASSERT_EQ(gone.out, "init directory\nacquire 0\n") << gone.err;
    if (row.input == "-") std::remove(owner.c_str());
    if (row.input.size() > 1) sorvi_test::write_file(owner, row.input);
    pauses.clear();
    const int rc = sorvi::acquire_lock("staticid.dat", 1);
    EXPECT_EQ(std::to_string(rc) + " after " + std::to_string(pauses.size()) + " pauses", row.expected) << row.input;
    sorvi::release_lock("staticid.dat", 0);
    std::remove(owner.c_str());
    rmdir(lock.c_str());
  }
}

// Initialisation, the verbose messages and the registry hooks, with a profile.
struct LockingInitTest : ::testing::Test {
  void SetUp() override { sorvi::reset_locking(), sorvi::reset_daemon_client(); }
  void TearDown() override { sorvi::reset_locking(), sorvi::reset_daemon_client(); }
  void use_profile(const std::string& extra) {
    profile.rewrite("[C/C++ Vexa Kelvar]\nKELV=" + path("suite") + "\nWORKDIR=" + path("work") + "\nPERMDIR=" +
                    path("perm") + "\n" + extra);
    for (const char* d : {"perm", "suite", "work"}) mkdir(path(d).c_str(), 0777);
  }
  std::string path(const std::string& name) const { return profile.dir().file(name); }

  sorvi_test::ProfileFixture profile;
};

// Initialisation runs once; a daemon that cannot start means directory
// locks under the given root, and an empty root means PERMDIR/Locks.
TEST_F(LockingInitTest, InitialisationRunsOnceAndFallsBackToDirectories) {
  use_profile("USE_DAEMON_LOCKING=TRUE\n");
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(path("first").c_str(), true);
  sorvi::initialise_locking(path("second").c_str(), true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Initialising Daemon Locking.. CreateProcess failed (2)\nfailed.\nReverting to directory locking\n");
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), path("first"));
  EXPECT_FALSE(file_exists(path("second")));
  EXPECT_EQ(sorvi::daemon_client_port_file(), path("perm") + "/VEXA_DAEMON_PORT.DAT");
  use_profile("");
  sorvi::reset_locking();
  testing::internal::CaptureStdout();
  sorvi::initialise_locking("", true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "directory mode says nothing";
  EXPECT_TRUE(is_dir(path("perm/Locks")));
}

TEST_F(LockingInitTest, RegistryHooksLockStaticidUnderPermLocks) {
  use_profile("STATICID_LOCK_WAIT_TIME=1\n");
  EXPECT_EQ(sorvi::registry_lock_hook(), 0);
  EXPECT_TRUE(is_dir(path("perm/Locks/staticid.dat")));
  // The wait comes from the profile: one second, then -1.
  int pauses = 0;
  sorvi::set_lock_sleep_function([&](int) { ++pauses; });
  EXPECT_EQ(sorvi::registry_lock_hook(), sorvi::kLockTimedOut);
  EXPECT_EQ(pauses, 6);
  EXPECT_EQ(sorvi::registry_unlock_hook(), 0);
  EXPECT_FALSE(file_exists(path("perm/Locks/staticid.dat")));
  // Without the permanent directory there is no lock root.
  sorvi::reset_locking();
  rmdir(path("perm/Locks").c_str());
  rmdir(path("perm").c_str());
  EXPECT_EQ(sorvi::registry_lock_hook(), sorvi::kLockRootMissing);
}

// A registry reader that gave up waiting reads unlocked and leaves the lock
// of the process that holds it alone.
TEST_F(LockingInitTest, ReaderThatGaveUpLeavesTheHoldersLock) {
  use_profile("STATICID_LOCK_WAIT_TIME=1\n");
  sorvi_test::write_file(path("work/staticid.dat"), "");
  const std::string go = path("go"), lock = path("perm/Locks/staticid.dat");
  sorvi_test::RunResult holder;
  std::thread holding([&] { holder = locking_test::probe({"hook-lock", "await", go, "hook-unlock"}); });
  const bool held = locking_test::eventually([&] { return is_dir(lock); }, 240);
  auto reader = locking_test::probe({"registry", path("work")});
  const bool survived = is_dir(lock);
  sorvi_test::write_file(go, "");
  holding.join();
  ASSERT_TRUE(held);
  EXPECT_EQ(reader.out, "registry 1\n");
  EXPECT_TRUE(survived);
  EXPECT_EQ(holder.out, "hook-lock 0\nhook-unlock 0\n");
  EXPECT_FALSE(file_exists(lock));
  EXPECT_FALSE(file_exists(lock + ".owner"));
}

}  // namespace
