// The daemon client in this process, where no MPI is started: the
// requests that end before any connection, and the port file checks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "locking/daemon_client.h"
#include "locking/named_lock.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

struct DaemonClientTest : ::testing::Test {
  void SetUp() override { sorvi::reset_daemon_client(); }
  void TearDown() override { sorvi::reset_daemon_client(); }
  sorvi_test::TempDir dir;
  std::string port_file = dir.file("VEXA_DAEMON_PORT.DAT");
};

// A process id that is not running: a child that has ended and been reaped.
int ended_pid() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST_F(DaemonClientTest, NegativeBoundReturnsAtOnceWithoutReadingAnything) {
  EXPECT_EQ(sorvi::daemon_lock_request("staticid.dat", -1), 0);
  EXPECT_EQ(sorvi::daemon_unlock_request("staticid.dat", -20), 0);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "") << "the daemon was not looked for";
  EXPECT_FALSE(sorvi::daemon_client_reached());
}

TEST_F(DaemonClientTest, MissingPortFileGivesMinusSeven) {
  EXPECT_EQ(sorvi::reach_daemon(port_file.c_str()), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_client_port_file(), port_file);
  // Requests use the stored port file and return its result at once.
  EXPECT_EQ(sorvi::daemon_lock_request("staticid.dat", 0), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_unlock_request("staticid.dat", 5), sorvi::kDaemonPortFileUnreadable);
}

TEST_F(DaemonClientTest, NullPathMeansThePortFileInTheCurrentDirectory) {
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(sorvi::reach_daemon(nullptr), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "VEXA_DAEMON_PORT.DAT");
  // A request before any reach looks there too.
  sorvi::reset_daemon_client();
  EXPECT_EQ(sorvi::daemon_lock_request("x", 1), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "VEXA_DAEMON_PORT.DAT");
}

TEST_F(DaemonClientTest, OverlongPortFilePathCannotBeOpened) {
  std::string path = "/tmp/" + std::string(260, 'p');
  EXPECT_EQ(sorvi::reach_daemon(path.c_str()), sorvi::kDaemonPortFileUnreadable);
}

// A port file left by a daemon that ended names a process that no longer
// holds the daemon's lock: -8 at once, without MPI.
TEST_F(DaemonClientTest, StalePortFileGivesMinusEightAtOnce) {
  sorvi_test::write_file(port_file, "123.0:456\n" + std::to_string(ended_pid()) + "\n" + port_file + ".uri\n");
  double start = locking_test::now_seconds();
  EXPECT_EQ(sorvi::reach_daemon(port_file.c_str()), sorvi::kDaemonNotAccepting);
  EXPECT_LT(locking_test::now_seconds() - start, 1.0);
  EXPECT_FALSE(sorvi::daemon_client_reached());
  EXPECT_EQ(sorvi::daemon_client_port_name(), "123.0:456\n");
  EXPECT_EQ(sorvi::daemon_lock_request("staticid.dat", 3), sorvi::kDaemonNotAccepting);
}

TEST_F(DaemonClientTest, LongFirstLineGivesOnly255Characters) {
  sorvi_test::write_file(port_file, std::string(300, '7') + "\n" + std::to_string(ended_pid()) + "\n/u\n");
  EXPECT_EQ(sorvi::reach_daemon(port_file.c_str()), sorvi::kDaemonNotAccepting);
  EXPECT_EQ(sorvi::daemon_client_port_name(), std::string(255, '7'));
}

TEST_F(DaemonClientTest, StartFailureIsPrintedWithTheErrorCode) {
  sorvi_test::ProfileFixture profile;
  testing::internal::CaptureStdout();
  EXPECT_EQ(sorvi::start_or_reach_daemon(port_file.c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateProcess failed (2)\n");
}

TEST_F(DaemonClientTest, StartedProgramIsNotWaitedForBeyondOneSecond) {
  // A stand-in for the daemon that records its argument and ends.
  sorvi_test::ProfileFixture profile;
  const std::string suite = profile.dir().file("suite");
  ASSERT_EQ(mkdir(suite.c_str(), 0777), 0);
  const std::string program = suite + "/vexa_locking_daemon";
  const std::string record = dir.file("started");
  sorvi_test::write_file(program, "#!/bin/sh\necho \"$#:$1\" > " + record + "\n");
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  testing::internal::CaptureStdout();
  double start = locking_test::now_seconds();
  EXPECT_EQ(sorvi::start_or_reach_daemon(port_file.c_str()), 1);
  double took = locking_test::now_seconds() - start;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_GE(took, 0.99);
  EXPECT_LT(took, 5.0);
  ASSERT_TRUE(locking_test::wait_for_file(record, 10));
  EXPECT_EQ(sorvi_test::read_file(record), "1:" + port_file + "\n");
  EXPECT_FALSE(sorvi::daemon_client_reached()) << "reached only once it answers";
  locking_test::reap_ended_children();
}

}  // namespace
