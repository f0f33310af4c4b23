// The daemon's lock table, the port file, and the daemon client where it
// ends before any connection.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>

#include "locking/daemon_client.h"
#include "locking/daemon_lock_table.h"
#include "locking/daemon_port_file.h"
#include "locking_test_support.h"
#include "support/test_support.h"

namespace {

// Runs requests against a table whose idea of running processes and of
// time the script controls, and gives one word per step:
//   OP PID NAME      a request (1 lock, 2 unlock, 100 test, others unknown):
//                    the reply, 1 for "queued"
//   giveup PID NAME  a queued asker's wait ends
//   pass             the locks handed on, as [NAME:PID ...]
//   end PID          the process ends
//   at MS            the time is now MS
//   holder NAME      the holder ("0" when free)
std::string run_table(const std::string& script) {
  std::set<int> running = {100, 200, 300};
  sorvi::DaemonLockTable table([&](int pid) { return running.count(pid) > 0; });
  std::istringstream in(script);
  std::string step, out, name;
  int64_t now = 0;
  int pid = 0;
  while (in >> step) {
    if (step == "end" && in >> pid) {
      running.erase(pid);
    } else if (step == "at") {
      in >> now;
    } else if (step == "holder" && in >> name) {
      out += std::to_string(table.holder(name)) + " ";
    } else if (step == "giveup" && in >> pid >> name) {
      table.give_up(pid, name, now);
    } else if (step == "pass") {
      std::string grants;
      for (const auto& g : table.pass_on(now)) grants += (grants.empty() ? "" : " ") + g.first + ":" + std::to_string(g.second);
      out += "[" + grants + "] ";
    } else if (in >> pid >> name) {
      out += std::to_string(table.handle(std::stoi(step), pid, name, now)) + " ";
    }
  }
  return out;
}

TEST(DaemonLockTable, Scripts) {
  const locking_test::Row rows[] = {
      // Granted once; another asker is queued, the holder itself refused;
      // names are independent.
      {"1 100 A holder A 1 200 A 1 100 A 1 200 B holder B", "0 100 1 -1 0 200 "},
      // Only the holder releases; a second release finds nothing.
      {"1 100 A 2 200 A holder A 2 100 A holder A 2 100 A", "0 -3 100 0 0 -3 "},
      {"100 300 Test 7 300 A holder A", "0 -4 0 "},
      // The lock of a holder that ended passes to the next asker, or to
      // the first waiter rather than a newcomer.
      {"1 100 A end 100 1 200 A holder A 2 100 A", "0 0 200 -3 "},
      {"1 100 A 1 200 A end 100 1 300 A pass holder A", "0 1 1 [A:200] 200 "},
      // First come, first served.
      {"1 100 A 1 200 A 1 300 A 2 100 A pass holder A pass", "0 1 1 0 [A:200] 200 [] "},
      // A waiter whose wait ended keeps its place, and the lock waits for it
      // to ask again, for the grace time only.
      {"1 100 A 1 200 A 1 300 A at 100 giveup 200 A 2 100 A pass at 200 1 300 A 1 200 A holder A",
       "0 1 1 0 [] 1 0 200 "},
      {"1 100 A 1 200 A 1 300 A giveup 200 A 2 100 A at 3001 pass holder A", "0 1 1 0 [A:300] 300 "},
      {"1 100 A 1 200 A 1 300 A giveup 200 A end 200 2 100 A pass holder A", "0 1 1 0 [A:300] 300 "},
  };
  for (const auto& row : rows) EXPECT_EQ(run_table(row.input), row.expected) << row.input;
}

// A zombie has ended.
TEST(ProcessIsRunning, ZombiesHaveEnded) {
  EXPECT_TRUE(sorvi::process_is_running(getpid()));
  pid_t child = fork();
  if (child == 0) _exit(0);
  siginfo_t info;
  ASSERT_EQ(waitid(P_PID, child, &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(sorvi::process_is_running(child));
  EXPECT_EQ(sorvi::process_start_time(child), "");
  waitpid(child, nullptr, 0);
}

// Port file content -> port name | process id | rendezvous file.
TEST(PortFile, Reading) {
  sorvi_test::TempDir dir;
  const std::string path = dir.file("VEXA_DAEMON_PORT.DAT");
  const locking_test::Row rows[] = {
      {"1234.0:5678\n4321\n/run/x.uri\n", "1234.0:5678\\n|4321|/run/x.uri"},
      {"p:1\r\n77\r\n/u\r\n", "p:1\\n|77|/u"},
      {"only-a-port", "only-a-port|0|"},
      {"", "|0|"},
      // Process ids: positive decimal numbers that fit an int, or none.
      {"p\n-5\n/u\n", "p\\n|0|/u"},
      {"p\n99999999999\n", "p\\n|0|"},
      // The first line is cut at 255 characters, its line end kept only
      // when it fits; the other lines follow the whole first line.
      {std::string(300, 'a') + "\n12\n/u\n", std::string(255, 'a') + "|12|/u"},
      {std::string(254, 'b') + "\n", std::string(254, 'b') + "\\n|0|"},
      {std::string(255, 'c') + "\n9\n", std::string(255, 'c') + "|9|"},
      {std::string(1 << 20, 'z'), std::string(255, 'z') + "|0|"},
  };
  for (const auto& row : rows) {
    sorvi_test::write_file(path, row.input);
    sorvi::DaemonPortInfo info;
    ASSERT_TRUE(sorvi::read_daemon_port_file(path, &info));
    std::string name = sorvi::port_name_without_line_end(info.port_name);
    if (name.size() < info.port_name.size()) name += "\\n";
    EXPECT_EQ(name + "|" + std::to_string(info.pid) + "|" + info.rendezvous_file, row.expected)
        << row.input.substr(0, 40);
  }
  ASSERT_TRUE(sorvi::write_daemon_port_file(path, "9.0:1", 55, "/r.uri"));
  EXPECT_EQ(sorvi_test::read_file(path), "9.0:1\n55\n/r.uri\n");
  EXPECT_FALSE(sorvi::write_daemon_port_file(dir.file("no/such/file"), "p", 1, "/u"));
}

// The daemon client in this process, where no MPI is started. Port files
// that end the reach before any connection: path -> reach, errno of the
// open, port name length, the result of a later request.
TEST(DaemonClient, PortFilesThatCannotServe) {
  sorvi_test::TempDir dir;
  sorvi_test::write_file(dir.file("plain"), "");
  sorvi_test::write_file(dir.file("stale"), "123.0:456\n2147483647\n/u\n");
  sorvi_test::write_file(dir.file("portonly"), "123.0:456\n");
  const locking_test::Row rows[] = {
      {dir.file("missing"), "-7 errno 2 name 0 lock -7"},
      {dir.file("plain/VEXA_DAEMON_PORT.DAT"), "-9 errno 20 name 0 lock -9"},
      {"/tmp/" + std::string(260, 'p'), "-9 errno 36 name 0 lock -9"},
      // Left by a daemon that ended: it names a process that does not run.
      {dir.file("stale"), "-8 errno 0 name 10 lock -8"},
      // Without the daemon's process id it names nobody that can be checked.
      {dir.file("portonly"), "-8 errno 0 name 10 lock -8"},
  };
  for (const auto& row : rows) {
    sorvi::reset_daemon_client();
    std::string got = std::to_string(sorvi::reach_daemon(row.input.c_str()));
    got += " errno " + std::to_string(sorvi::daemon_client_open_error());
    got += " name " + std::to_string(sorvi::daemon_client_port_name().size());
    got += " lock " + std::to_string(sorvi::daemon_lock_request("staticid.dat", 3));
    EXPECT_EQ(got, row.expected) << row.input.substr(0, 60);
    EXPECT_FALSE(sorvi::daemon_client_reached());
  }
  // A request before any reach looks for the port file in the current directory.
  sorvi::reset_daemon_client();
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(sorvi::daemon_lock_request("x", 1), sorvi::kDaemonPortFileUnreadable);
  EXPECT_EQ(sorvi::daemon_client_port_file(), "VEXA_DAEMON_PORT.DAT");
  sorvi::reset_daemon_client();
}

}  // namespace
