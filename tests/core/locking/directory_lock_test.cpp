// Directory locks: the lock root, the poll limit, release retries, the
// default names, initialisation once per process and the registry hooks.

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
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

using sorvi_test::file_exists;

bool is_dir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names in a directory, sorted, as "[a b]"; "none" when it is missing.
std::string listing(const std::string& path) {
  DIR* d = opendir(path.c_str());
  if (!d) return "none";
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : " ") + n;
  return "[" + out + "]";
}

// A clean locking layer whose pauses are recorded instead of slept.
class DirectoryLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
    sorvi::set_lock_sleep_function([this](int ms) { pauses_.push_back(ms); });
  }
  void TearDown() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
  }

  // Runs a script of blank-separated steps in a fresh temporary directory
  // and gives one word per step, then the pauses ("200x6").
  //   root P       set the lock root to P below the directory; prints the result
  //   acquire N W  release N W   ("-" is a null name, LONG 520 letters)
  //   mkdir N      a lock directory N made by someone else
  //   rmroot       the lock root vanishes
  //   put F        a file F below the lock root
  //   ls P         the names in P below the directory
  //   mode         the lock root's permissions
  std::string run(const std::string& script) {
    sorvi_test::TempDir dir;
    pauses_.clear();
    sorvi::reset_locking();
    sorvi::set_lock_sleep_function([this](int ms) { pauses_.push_back(ms); });
    std::istringstream in(script);
    std::string step, out;
    auto name = [&](std::string n) { return n == "LONG" ? std::string(520, 'n') : n; };
    while (in >> step) {
      std::string a, b;
      std::string word;
      if (step == "root") {
        in >> a;
        word = std::to_string(sorvi::set_lock_root(a == "LONG" ? std::string(600, 'x').c_str() : dir.file(a).c_str()));
      } else if (step == "acquire" || step == "release") {
        in >> a >> b;
        const std::string n = name(a);
        const char* arg = a == "-" ? nullptr : n.c_str();
        word = std::to_string(step == "acquire" ? sorvi::acquire_lock(arg, std::stoi(b))
                                                : sorvi::release_lock(arg, std::stoi(b)));
      } else if (step == "mkdir") {
        in >> a;
        mkdir((sorvi::lock_root() + "/" + a).c_str(), 0777);
      } else if (step == "rmroot") {
        rmdir(sorvi::lock_root().c_str());
      } else if (step == "put") {
        in >> a;
        sorvi_test::write_file(sorvi::lock_root() + "/" + a, "x");
      } else if (step == "mode") {
        struct stat st;
        char text[16] = "none";
        if (stat(sorvi::lock_root().c_str(), &st) == 0) std::snprintf(text, sizeof text, "%o", st.st_mode & 07777);
        word = text;
      } else if (step == "ls") {
        in >> a;
        word = listing(dir.file(a));
      }
      if (!word.empty()) out += word + " ";
    }
    out += "|";
    for (size_t i = 0; i < pauses_.size();) {
      size_t j = i;
      while (j < pauses_.size() && pauses_[j] == pauses_[i]) ++j;
      out += " " + std::to_string(pauses_[i]) + "x" + std::to_string(j - i);
      i = j;
    }
    return out;
  }

  std::vector<int> pauses_;
};

TEST_F(DirectoryLockTest, Scripts) {
  const struct {
    const char* script;
    const char* expected;
  } rows[] = {
      // The root: one level, open to every user as /tmp is; a missing parent
      // or an overlong path gives -2.
      {"root Locks mode root Locks ls . root missing/Locks ls missing root LONG", "0 1777 0 [Locks] -2 none -2 |"},
      {"root Locks acquire staticid.dat 20 ls Locks release staticid.dat 0 ls Locks",
       "0 0 [staticid.dat staticid.dat.owner] 0 [] |"},
      {"root Locks/ acquire A 1 ls Locks", "0 0 [A A.owner] |"},
      {"root Locks acquire - 1 ls Locks release - 0 ls Locks", "0 0 [DEFAULT_LOCK DEFAULT_LOCK.owner] 0 [] |"},
      // A negative wait locks nothing and does not even make a vanished root.
      {"root Locks acquire staticid.dat -1 rmroot acquire x -5 ls .", "0 0 0 [] |"},
      // Wait 1 is 5 polls: six failures; the default 20 is 101.
      {"root Locks mkdir staticid.dat acquire staticid.dat 1", "0 -1 | 200x6"},
      {"root Locks mkdir staticid.dat acquire staticid.dat 20", "0 -1 | 200x101"},
      {"root Locks acquire A 1 acquire A 1 release A 0 acquire A 1", "0 0 -1 0 0 | 200x6"},
      // Release: five attempts 10 ms apart.
      {"root Locks release never 3", "0 -3 | 10x5"},
      {"root Locks acquire busy 1 put busy/file release busy 0 ls Locks", "0 0 -3 [busy] | 10x5"},
      {"root Locks rmroot acquire A 1 ls Locks mode", "0 0 [A A.owner] 1777 |"},
      {"root no/such/dir acquire A 0", "-2 -2 |"},
      {"root Locks acquire LONG 0 release LONG 0", "0 -2 -3 |"},
  };
  for (const auto& row : rows) EXPECT_EQ(run(row.script), row.expected) << row.script;
}

// A lock directory with wait 0: the waiter polls without end until
// another process removes the directory.
TEST_F(DirectoryLockTest, WaitZeroWaitsUntilAnotherProcessReleases) {
  sorvi_test::TempDir dir;
  const std::string root = dir.file("Locks"), go = dir.file("go");
  ASSERT_EQ(sorvi::set_lock_root(root.c_str()), 0);
  ASSERT_EQ(mkdir((root + "/staticid.dat").c_str(), 0777), 0);
  sorvi_test::RunResult releaser;
  std::thread releasing([&] {
    releaser = locking_test::probe({"await", go, "init", root, "0", "release", "staticid.dat", "0"});
  });
  // The other process releases only once the waiter has polled.
  sorvi::set_lock_sleep_function([&](int) {
    if (pauses_.empty()) sorvi_test::write_file(go, "");
    pauses_.push_back(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", 0), 0);
  releasing.join();
  EXPECT_EQ(releaser.out, "init directory\nrelease 0\n");
  EXPECT_TRUE(is_dir(root + "/staticid.dat")) << "taken by the waiter";
}

// A lock whose holder ended is taken over at once when its owner file
// names the ended process; without an owner file it stays taken.
TEST_F(DirectoryLockTest, LocksOfHoldersThatEnded) {
  sorvi_test::TempDir dir;
  const std::string root = dir.file("Locks"), lock = root + "/staticid.dat", owner = lock + ".owner";
  char host[256] = {0};
  gethostname(host, sizeof host - 1);
  const std::string self = std::string(host) + "\n" + std::to_string(getpid()) + "\n";
  const struct {
    const char* what;
    std::function<void()> leave;
    const char* expected;
  } rows[] = {
      {"killed holder", [] {}, "0 after 0 pauses"},
      {"killed holder without owner file", [&] { std::remove(owner.c_str()); }, "-1 after 6 pauses"},
      // The owner's process id now belongs to another process (this one).
      {"reused process id", [&] { sorvi_test::write_file(owner, self + "1\n"); }, "0 after 0 pauses"},
      {"holder on another host", [&] { sorvi_test::write_file(owner, "elsewhere.invalid\n1\n1\n"); },
       "-1 after 6 pauses"},
  };
  for (const auto& row : rows) {
    sorvi::reset_locking();
    sorvi::set_lock_sleep_function([this](int ms) { pauses_.push_back(ms); });
    ASSERT_EQ(sorvi::set_lock_root(root.c_str()), 0);
    auto gone = locking_test::probe({"init", root, "0", "acquire", "staticid.dat", "1", "vanish"});
    ASSERT_EQ(gone.out, "init directory\nacquire 0\n") << gone.err;
    row.leave();
    pauses_.clear();
    const int rc = sorvi::acquire_lock("staticid.dat", 1);
    EXPECT_EQ(std::to_string(rc) + " after " + std::to_string(pauses_.size()) + " pauses", row.expected) << row.what;
    sorvi::release_lock("staticid.dat", 0);
    std::remove(owner.c_str());
    rmdir(lock.c_str());
  }
}

// Initialisation, the verbose messages and the registry hooks, with a profile.
class LockingInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
  }
  void TearDown() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
  }
  void use_profile(const std::string& extra) {
    const std::string& d = profile_.dir().path();
    profile_.rewrite("[C/C++ Vexa Kelvar]\nKELV=" + d + "/suite\nWORKDIR=" + d + "/work\nPERMDIR=" + d + "/perm\n" +
                     extra);
    mkdir(profile_.dir().file("perm").c_str(), 0777);
    mkdir(profile_.dir().file("suite").c_str(), 0777);
  }
  std::string path(const std::string& name) const { return profile_.dir().file(name); }

  sorvi_test::ProfileFixture profile_;
};

TEST_F(LockingInitTest, DirectoryModeSetsTheRootOnce) {
  use_profile("");
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(path("first").c_str(), true);
  sorvi::initialise_locking(path("second").c_str(), true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "directory mode says nothing";
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), path("first"));
  EXPECT_FALSE(file_exists(path("second")));
  sorvi::reset_locking();
  sorvi::initialise_locking("", false);
  EXPECT_EQ(sorvi::lock_root(), path("perm") + "/Locks");
  EXPECT_TRUE(is_dir(path("perm/Locks")));
}

TEST_F(LockingInitTest, DaemonThatCannotStartFallsBackToDirectories) {
  use_profile("USE_DAEMON_LOCKING=TRUE\n");
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(path("Locks").c_str(), true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Initialising Daemon Locking.. CreateProcess failed (2)\nfailed.\nReverting to directory locking\n");
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), path("Locks"));
  EXPECT_EQ(sorvi::daemon_client_port_file(), path("perm") + "/VEXA_DAEMON_PORT.DAT");
}

TEST_F(LockingInitTest, QuietFallbackPrintsOnlyTheStartFailure) {
  use_profile("USE_DAEMON_LOCKING=t\n");
  // A daemon program that cannot be executed.
  sorvi_test::write_file(path("suite/vexa_locking_daemon"), "not a program");
  chmod(path("suite/vexa_locking_daemon").c_str(), 0644);
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(nullptr, false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateProcess failed (13)\n");
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), path("perm") + "/Locks");
}

TEST_F(LockingInitTest, RegistryHooksLockStaticidUnderPermLocks) {
  use_profile("STATICID_LOCK_WAIT_TIME=1\n");
  EXPECT_EQ(sorvi::registry_read_start_hook(), 0);
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
  mkdir(path("work").c_str(), 0777);
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
