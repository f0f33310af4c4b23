// The daemon's lock table, the lock message record and the port file.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>

#include "locking/daemon_lock_table.h"
#include "locking/daemon_port_file.h"
#include "locking/lock_message.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

using sorvi::DaemonLockTable;

// A table whose idea of running processes the test controls.
struct TableTest : ::testing::Test {
  std::set<int> running = {100, 200, 300};
  DaemonLockTable table{[this](int pid) { return running.count(pid) > 0; }};
};

TEST_F(TableTest, LockIsGrantedOnceAndNotReentrant) {
  EXPECT_EQ(table.handle(1, 100, "staticid.dat"), 0);
  EXPECT_EQ(table.holder("staticid.dat"), 100);
  EXPECT_EQ(table.handle(1, 200, "staticid.dat"), sorvi::kDaemonReplyHeld);
  EXPECT_EQ(table.handle(1, 100, "staticid.dat"), sorvi::kDaemonReplyHeld);
  EXPECT_EQ(table.handle(1, 200, "other"), 0) << "names are independent";
}

TEST_F(TableTest, UnlockReleasesOnlyTheHoldersLock) {
  ASSERT_EQ(table.lock(100, "A"), 0);
  EXPECT_EQ(table.handle(2, 200, "A"), sorvi::kDaemonReplyNotHeld);
  EXPECT_EQ(table.holder("A"), 100);
  EXPECT_EQ(table.handle(2, 100, "A"), 0);
  EXPECT_EQ(table.holder("A"), 0);
  EXPECT_EQ(table.handle(2, 100, "A"), sorvi::kDaemonReplyNotHeld);
  EXPECT_EQ(table.held_count(), 0u);
}

TEST_F(TableTest, LockOfEndedHolderPassesOn) {
  ASSERT_EQ(table.lock(100, "A"), 0);
  running.erase(100);
  EXPECT_EQ(table.lock(200, "A"), 0);
  EXPECT_EQ(table.holder("A"), 200);
  EXPECT_EQ(table.unlock(100, "A"), sorvi::kDaemonReplyNotHeld);
}

TEST_F(TableTest, TestAndUnknownOperations) {
  EXPECT_EQ(table.handle(100, 300, "Test Daemon"), 0);
  EXPECT_EQ(table.handle(7, 300, "A"), sorvi::kDaemonReplyUnknownOperation);
  EXPECT_EQ(table.held_count(), 0u);
}

TEST(ProcessIsRunning, SeesLiveEndedAndZombieProcesses) {
  EXPECT_TRUE(sorvi::process_is_running(getpid()));
  EXPECT_FALSE(sorvi::process_is_running(0));
  EXPECT_FALSE(sorvi::process_is_running(-4));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  // Not yet reaped: a zombie has ended.
  siginfo_t info;
  ASSERT_EQ(waitid(P_PID, child, &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(sorvi::process_is_running(child));
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(sorvi::process_is_running(child));
}

TEST(LockMessage, NameIsCopiedWithBounds) {
  sorvi::LockMessage m;
  std::memset(&m, 'x', sizeof m);
  sorvi::fill_lock_message(&m, 42, "staticid.dat");
  EXPECT_EQ(m.value, 42);
  EXPECT_STREQ(m.name, "staticid.dat");
  EXPECT_EQ(m.name[sorvi::kLockNameSize - 1], '\0');
  std::string long_name(2000, 'n');
  sorvi::fill_lock_message(&m, 1, long_name.c_str());
  EXPECT_EQ(std::string(m.name), std::string(1039, 'n'));
  sorvi::fill_lock_message(&m, 1, nullptr);
  EXPECT_STREQ(m.name, "");
  EXPECT_EQ(offsetof(sorvi::LockMessage, name), 4u);
}

struct PortFileTest : ::testing::Test {
  sorvi_test::TempDir dir;
  std::string path = dir.file("VEXA_DAEMON_PORT.DAT");
};

TEST_F(PortFileTest, ReadsTheThreeLines) {
  sorvi_test::write_file(path, "1234.0:5678\n4321\n/run/x.uri\n");
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, "1234.0:5678\n") << "the line end is kept";
  EXPECT_EQ(sorvi::port_name_without_line_end(info.port_name), "1234.0:5678");
  EXPECT_EQ(info.pid, 4321);
  EXPECT_EQ(info.rendezvous_file, "/run/x.uri");
}

TEST_F(PortFileTest, CrLfAndMissingLines) {
  sorvi_test::write_file(path, "p:1\r\n77\r\n/u\r\n");
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(sorvi::port_name_without_line_end(info.port_name), "p:1");
  EXPECT_EQ(info.pid, 77);
  EXPECT_EQ(info.rendezvous_file, "/u");

  sorvi_test::write_file(path, "only-a-port");
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, "only-a-port");
  EXPECT_EQ(info.pid, 0);
  EXPECT_EQ(info.rendezvous_file, "");

  sorvi_test::write_file(path, "");
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, "");
}

TEST_F(PortFileTest, BadProcessIdsReadAsNone) {
  for (const char* pid : {"-5", "0", "12x", "99999999999", "", " 12"}) {
    sorvi_test::write_file(path, std::string("p\n") + pid + "\n/u\n");
    sorvi::DaemonPortInfo info;
    ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
    EXPECT_EQ(info.pid, 0) << pid;
  }
}

TEST_F(PortFileTest, LongFirstLineIsCutAt255) {
  sorvi_test::write_file(path, std::string(300, 'a') + "\n12\n/u\n");
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, std::string(255, 'a'));
  EXPECT_EQ(info.pid, 12) << "the lines after the whole first line";

  sorvi_test::write_file(path, std::string(254, 'b') + "\n");
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, std::string(254, 'b') + "\n");
  sorvi_test::write_file(path, std::string(255, 'c') + "\n");
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name, std::string(255, 'c')) << "no room left for the line end";
}

TEST_F(PortFileTest, HugeFileIsReadOnlyInPart) {
  sorvi_test::write_file(path, std::string(1 << 20, 'z'));
  sorvi::DaemonPortInfo info;
  ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_EQ(info.port_name.size(), 255u);
  EXPECT_EQ(info.pid, 0);
}

TEST_F(PortFileTest, MissingFileCannotBeRead) {
  sorvi::DaemonPortInfo info;
  EXPECT_FALSE(sorvi::read_daemon_port_file(path, &info));
  EXPECT_FALSE(sorvi::read_daemon_port_file("", &info));
}

TEST_F(PortFileTest, WriteThenRead) {
  ASSERT_TRUE(sorvi::write_daemon_port_file(path, "9.0:1", 55, "/r.uri"));
  EXPECT_EQ(sorvi_test::read_file(path), "9.0:1\n55\n/r.uri\n");
  EXPECT_FALSE(sorvi::write_daemon_port_file(dir.file("no/such/file"), "p", 1, "/u"));
}

// The daemon's lock, held by another process, tells who runs.
TEST_F(PortFileTest, LockHolderIsSeenFromAnotherProcess) {
  EXPECT_EQ(sorvi::daemon_lock_holder(path), 0) << "no lock file";
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    int other = 0;
    int fd = sorvi::take_daemon_lock(path, &other);
    char c = fd >= 0 ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) _exit(1);
    if (read(release[0], &c, 1) < 0) _exit(1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  EXPECT_EQ(sorvi::daemon_lock_holder(path), holder);
  int other = 0;
  EXPECT_EQ(sorvi::take_daemon_lock(path, &other), -1);
  EXPECT_EQ(other, holder);

  sorvi::DaemonPortInfo info;
  info.pid = holder;
  EXPECT_TRUE(sorvi::daemon_port_file_is_live(path, info));
  info.pid = holder + 1;
  EXPECT_FALSE(sorvi::daemon_port_file_is_live(path, info)) << "another daemon's port file";
  info.pid = 0;
  EXPECT_TRUE(sorvi::daemon_port_file_is_live(path, info)) << "nothing to check against";

  ASSERT_EQ(write(release[1], "x", 1), 1);
  EXPECT_EQ(locking_test::wait_for_exit(holder, 10), 0);
  EXPECT_EQ(sorvi::daemon_lock_holder(path), 0) << "released when the holder ended";
  info.pid = holder;
  EXPECT_FALSE(sorvi::daemon_port_file_is_live(path, info));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

}  // namespace
