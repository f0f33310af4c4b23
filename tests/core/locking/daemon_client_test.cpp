// The daemon client in this process, where no MPI is started: the
// requests that end before any connection, and the port file checks.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "locking/daemon_client.h"
#include "support/test_support.h"

namespace {

struct DaemonClientTest : ::testing::Test {
  void SetUp() override { sorvi::reset_daemon_client(); }
  void TearDown() override { sorvi::reset_daemon_client(); }
  sorvi_test::TempDir dir;
  std::string port_file = dir.file("VEXA_DAEMON_PORT.DAT");
};

// A process id that is not running: a child that has ended and been reaped.
std::string ended_pid() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return std::to_string(child);
}

TEST_F(DaemonClientTest, NegativeBoundReturnsAtOnceWithoutReadingAnything) {
  EXPECT_EQ(sorvi::daemon_lock_request("staticid.dat", -1), 0);
  EXPECT_EQ(sorvi::daemon_unlock_request("staticid.dat", -20), 0);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "") << "the daemon was not looked for";
}

// Port files that end the reach before MPI: path -> reach, errno of the
// open, port name length, the result of a later request.
TEST_F(DaemonClientTest, PortFilesThatCannotServe) {
  sorvi_test::write_file(dir.file("plain"), "");
  sorvi_test::write_file(dir.file("stale"), "123.0:456\n" + ended_pid() + "\n/u\n");
  sorvi_test::write_file(dir.file("portonly"), "123.0:456\n");
  sorvi_test::write_file(dir.file("long"), std::string(300, '7') + "\n" + ended_pid() + "\n/u\n");
  const struct {
    std::string path;
    std::string expected;
  } rows[] = {
      {dir.file("missing"), "-7 errno 2 name 0 lock -7"},
      {dir.file("plain/VEXA_DAEMON_PORT.DAT"), "-9 errno 20 name 0 lock -9"},
      {"/tmp/" + std::string(260, 'p'), "-9 errno 36 name 0 lock -9"},
      // Left by a daemon that ended: it names a process that holds no lock.
      {dir.file("stale"), "-8 errno 0 name 10 lock -8"},
      {dir.file("long"), "-8 errno 0 name 255 lock -8"},
      // Without the daemon's process id it names nobody that can be checked.
      {dir.file("portonly"), "-8 errno 0 name 10 lock -8"},
  };
  for (const auto& row : rows) {
    sorvi::reset_daemon_client();
    std::string got = std::to_string(sorvi::reach_daemon(row.path.c_str()));
    got += " errno " + std::to_string(sorvi::daemon_client_open_error());
    got += " name " + std::to_string(sorvi::daemon_client_port_name().size());
    got += " lock " + std::to_string(sorvi::daemon_lock_request("staticid.dat", 3));
    EXPECT_EQ(got, row.expected) << row.path.substr(0, 60);
    EXPECT_FALSE(sorvi::daemon_client_reached());
  }
}

TEST_F(DaemonClientTest, NullPathMeansThePortFileInTheCurrentDirectory) {
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(sorvi::daemon_lock_request("x", 1), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "VEXA_DAEMON_PORT.DAT");
}

TEST_F(DaemonClientTest, StartFailureIsPrintedWithTheErrorCode) {
  sorvi_test::ProfileFixture profile;
  testing::internal::CaptureStdout();
  EXPECT_EQ(sorvi::start_or_reach_daemon(port_file.c_str()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "CreateProcess failed (2)\n");
}

}  // namespace
