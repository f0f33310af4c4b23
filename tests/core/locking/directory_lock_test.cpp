// Directory locks: the lock root, the poll limit, release retries, the
// default names, initialisation once per process and the registry hooks.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "config/profile.h"
#include "locking/daemon_client.h"
#include "locking/named_lock.h"
#include "locking/registry_lock_hooks.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

using sorvi_test::file_exists;
using sorvi_test::TempDir;

bool is_dir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A clean locking layer whose pauses are recorded instead of slept.
class DirectoryLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
    sorvi::set_lock_sleep_function([this](int ms) { pauses_.push_back(ms); });
    root_ = dir_.file("Locks");
  }
  void TearDown() override {
    sorvi::reset_locking();
    sorvi::reset_daemon_client();
  }
  int pauses_of(int ms) const {
    int n = 0;
    for (int p : pauses_) n += p == ms ? 1 : 0;
    return n;
  }

  TempDir dir_;
  std::string root_;
  std::vector<int> pauses_;
};

TEST_F(DirectoryLockTest, SetLockRootCreatesOneLevel) {
  EXPECT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  EXPECT_TRUE(is_dir(root_));
  EXPECT_EQ(sorvi::set_lock_root(root_.c_str()), 0) << "an existing root is fine";
  EXPECT_EQ(sorvi::set_lock_root(dir_.file("missing/Locks").c_str()), sorvi::kLockRootMissing);
  EXPECT_FALSE(file_exists(dir_.file("missing")));
  EXPECT_EQ(sorvi::set_lock_root(std::string(600, 'x').c_str()), sorvi::kLockRootMissing);
}

TEST_F(DirectoryLockTest, AcquireAndReleaseMakeAndRemoveTheDirectory) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", 20), 0);
  EXPECT_TRUE(is_dir(root_ + "/staticid.dat"));
  EXPECT_EQ(sorvi::release_lock("staticid.dat", 0), 0);
  EXPECT_FALSE(file_exists(root_ + "/staticid.dat"));
  EXPECT_TRUE(pauses_.empty());
}

TEST_F(DirectoryLockTest, NegativeWaitLocksNothing) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(sorvi::release_lock(nullptr, 0), sorvi::kLockNotRemovable);
  pauses_.clear();
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", -1), 0);
  EXPECT_FALSE(file_exists(root_ + "/staticid.dat"));
  // Even a vanished root is not made again.
  sorvi::set_lock_root(dir_.file("gone").c_str());
  rmdir(dir_.file("gone").c_str());
  EXPECT_EQ(sorvi::acquire_lock("x", -5), 0);
  EXPECT_FALSE(file_exists(dir_.file("gone")));
  EXPECT_TRUE(pauses_.empty());
}

TEST_F(DirectoryLockTest, WaitOneGivesUpAfterSixAttempts) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(mkdir((root_ + "/staticid.dat").c_str(), 0777), 0);
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", 1), sorvi::kLockTimedOut);
  EXPECT_EQ(pauses_, std::vector<int>(6, 200));
}

TEST_F(DirectoryLockTest, DefaultWaitGivesUpAfter101Attempts) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(mkdir((root_ + "/staticid.dat").c_str(), 0777), 0);
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", 20), sorvi::kLockTimedOut);
  EXPECT_EQ(pauses_of(200), 101);
}

TEST_F(DirectoryLockTest, WaitOneTakesAboutOnePointTwoSeconds) {
  sorvi::set_lock_sleep_function(nullptr);
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(mkdir((root_ + "/held").c_str(), 0777), 0);
  double start = locking_test::now_seconds();
  EXPECT_EQ(sorvi::acquire_lock("held", 1), sorvi::kLockTimedOut);
  double took = locking_test::now_seconds() - start;
  EXPECT_GE(took, 1.19);
  EXPECT_LT(took, 3.0);
}

TEST_F(DirectoryLockTest, LocksAreNotReentrant) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(sorvi::acquire_lock("A", 1), 0);
  EXPECT_EQ(sorvi::acquire_lock("A", 1), sorvi::kLockTimedOut);
  EXPECT_EQ(sorvi::release_lock("A", 0), 0);
  EXPECT_EQ(sorvi::acquire_lock("A", 1), 0);
}

TEST_F(DirectoryLockTest, NullNameIsDefaultLock) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  EXPECT_EQ(sorvi::acquire_lock(nullptr, 1), 0);
  EXPECT_TRUE(is_dir(root_ + "/DEFAULT_LOCK"));
  EXPECT_EQ(sorvi::release_lock(nullptr, 0), 0);
  EXPECT_FALSE(file_exists(root_ + "/DEFAULT_LOCK"));
}

TEST_F(DirectoryLockTest, ReleaseOfUnheldLockTriesFiveTimes) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  EXPECT_EQ(sorvi::release_lock("never", 3), sorvi::kLockNotRemovable);
  EXPECT_EQ(pauses_, std::vector<int>(5, 10));
}

TEST_F(DirectoryLockTest, ReleaseFailsWhileTheDirectoryHoldsFiles) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(sorvi::acquire_lock("busy", 1), 0);
  sorvi_test::write_file(root_ + "/busy/file", "x");
  EXPECT_EQ(sorvi::release_lock("busy", 0), sorvi::kLockNotRemovable);
  EXPECT_TRUE(is_dir(root_ + "/busy"));
}

TEST_F(DirectoryLockTest, VanishedRootIsMadeAgain) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(rmdir(root_.c_str()), 0);
  EXPECT_EQ(sorvi::acquire_lock("A", 1), 0);
  EXPECT_TRUE(is_dir(root_ + "/A"));
}

TEST_F(DirectoryLockTest, UncreatableRootGivesMinusTwoAtOnce) {
  sorvi::set_lock_root(dir_.file("no/such/dir").c_str());
  EXPECT_EQ(sorvi::acquire_lock("A", 0), sorvi::kLockRootMissing);
  EXPECT_TRUE(pauses_.empty());
}

TEST_F(DirectoryLockTest, OverlongLockPathIsRefused) {
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  std::string name(520, 'n');
  EXPECT_EQ(sorvi::acquire_lock(name.c_str(), 0), sorvi::kLockRootMissing);
  EXPECT_EQ(sorvi::release_lock(name.c_str(), 0), sorvi::kLockNotRemovable);
  EXPECT_TRUE(pauses_.empty());
}

TEST_F(DirectoryLockTest, UnsetRootIsTheDefaultRoot) {
  EXPECT_EQ(sorvi::lock_root(), "");
  const std::string name = "sorvi-test-" + std::to_string(getpid());
  ASSERT_EQ(sorvi::acquire_lock(name.c_str(), 1), 0);
  EXPECT_EQ(sorvi::lock_root(), "/tmp/VEXA_Locks");
  EXPECT_TRUE(is_dir(std::string("/tmp/VEXA_Locks/") + name));
  EXPECT_EQ(sorvi::release_lock(name.c_str(), 0), 0);
  EXPECT_EQ(sorvi::set_lock_root(""), 0);
  EXPECT_EQ(sorvi::lock_root(), "/tmp/VEXA_Locks");
}

TEST_F(DirectoryLockTest, LockRootWithTrailingSeparatorGetsNoSecondOne) {
  ASSERT_EQ(sorvi::set_lock_root((root_ + "/").c_str()), 0);
  ASSERT_EQ(sorvi::acquire_lock("A", 1), 0);
  EXPECT_TRUE(is_dir(root_ + "/A"));
  EXPECT_EQ(sorvi::release_lock("A", 0), 0);
}

// A stale lock directory with wait 0: the waiter polls without end until
// another process removes the directory.
TEST_F(DirectoryLockTest, WaitZeroWaitsUntilAnotherProcessReleases) {
  sorvi::set_lock_sleep_function(nullptr);
  ASSERT_EQ(sorvi::set_lock_root(root_.c_str()), 0);
  ASSERT_EQ(mkdir((root_ + "/staticid.dat").c_str(), 0777), 0);
  pid_t releaser = fork();
  ASSERT_GE(releaser, 0);
  if (releaser == 0) {
    execl(locking_test::probe_program().c_str(), "locking_probe", "init", root_.c_str(), "0", "sleep", "1500",
          "release", "staticid.dat", "0", static_cast<char*>(nullptr));
    _exit(127);
  }
  double start = locking_test::now_seconds();
  EXPECT_EQ(sorvi::acquire_lock("staticid.dat", 0), 0);
  double took = locking_test::now_seconds() - start;
  EXPECT_EQ(locking_test::wait_for_exit(releaser, 30), 0);
  EXPECT_GE(took, 1.4);
  EXPECT_TRUE(is_dir(root_ + "/staticid.dat")) << "taken by the waiter";
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
  std::string profile_body(const std::string& extra) const {
    const std::string& d = profile_.dir().path();
    return "[C/C++ Vexa Kelvar]\nKELV=" + d + "/suite\nWORKDIR=" + d + "/work\nPERMDIR=" + d + "/perm\n" + extra;
  }
  void use_profile(const std::string& extra) {
    profile_.rewrite(profile_body(extra));
    mkdir(profile_.dir().file("perm").c_str(), 0777);
    mkdir(profile_.dir().file("suite").c_str(), 0777);
  }

  sorvi_test::ProfileFixture profile_;
};

TEST_F(LockingInitTest, DirectoryModeSetsTheGivenRootOnce) {
  use_profile("");
  const std::string first = profile_.dir().file("first");
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(first.c_str(), true);
  sorvi::initialise_locking(profile_.dir().file("second").c_str(), true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "directory mode says nothing";
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), first);
  EXPECT_TRUE(is_dir(first));
  EXPECT_FALSE(file_exists(profile_.dir().file("second")));
}

TEST_F(LockingInitTest, EmptyDirectoryMeansPermLocks) {
  use_profile("");
  sorvi::initialise_locking("", false);
  EXPECT_EQ(sorvi::lock_root(), profile_.dir().file("perm") + "/Locks");
  EXPECT_TRUE(is_dir(profile_.dir().file("perm/Locks")));
}

TEST_F(LockingInitTest, DaemonThatCannotStartFallsBackToDirectories) {
  use_profile("USE_DAEMON_LOCKING=TRUE\n");
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(profile_.dir().file("Locks").c_str(), true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Initialising Daemon Locking.. CreateProcess failed (2)\nfailed.\nReverting to directory locking\n");
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), profile_.dir().file("Locks"));
  EXPECT_EQ(sorvi::daemon_client_port_file(), profile_.dir().file("perm") + "/VEXA_DAEMON_PORT.DAT");
}

TEST_F(LockingInitTest, QuietFallbackPrintsOnlyTheStartFailure) {
  use_profile("USE_DAEMON_LOCKING=t\n");
  // A daemon program that cannot be executed.
  sorvi_test::write_file(profile_.dir().file("suite/vexa_locking_daemon"), "not a program");
  chmod(profile_.dir().file("suite/vexa_locking_daemon").c_str(), 0644);
  testing::internal::CaptureStdout();
  sorvi::initialise_locking(nullptr, false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateProcess failed (13)\n");
  EXPECT_FALSE(sorvi::daemon_locking_active());
  EXPECT_EQ(sorvi::lock_root(), profile_.dir().file("perm") + "/Locks");
}

TEST_F(LockingInitTest, RegistryHooksLockStaticidUnderPermLocks) {
  use_profile("STATICID_LOCK_WAIT_TIME=1\n");
  const std::string lock_dir = profile_.dir().file("perm/Locks/staticid.dat");
  EXPECT_EQ(sorvi::registry_read_start_hook(), 0);
  EXPECT_EQ(sorvi::registry_lock_hook(), 0);
  EXPECT_TRUE(is_dir(lock_dir));
  sorvi::registry_read_finish_hook();
  // The wait comes from the profile: one second, then -1.
  sorvi::set_lock_sleep_function([](int) {});
  EXPECT_EQ(sorvi::registry_lock_hook(), sorvi::kLockTimedOut);
  EXPECT_EQ(sorvi::registry_unlock_hook(), 0);
  EXPECT_FALSE(file_exists(lock_dir));
}

TEST_F(LockingInitTest, RegistryHookWithoutPermDirectoryGivesMinusTwo) {
  use_profile("");
  rmdir(profile_.dir().file("perm").c_str());
  EXPECT_EQ(sorvi::registry_lock_hook(), sorvi::kLockRootMissing);
  EXPECT_EQ(sorvi::registry_unlock_hook(), sorvi::kLockNotRemovable);
}

}  // namespace
