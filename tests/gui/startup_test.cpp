// Start-up of the real program: batch mode and the missing display, the
// fatal report file, and the single-instance hand-over between a running
// window and a second start of the program.
#include <gtest/gtest.h>

#include <QProcess>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "gui/app/single_instance_server.h"

#include "config/startup_options.h"
#include "window_fixture.h"

namespace {

using sorvi_gui_test::wait_until;
using sorvi_test::file_exists;
using sorvi_test::read_file;
using sorvi_test::run_program;
using sorvi_test::TempDir;

// A stream socket at a path: listening (a squatter's), or connected to one
// (-1 when nobody listens there).
int unix_socket(const std::string& path, bool listening) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  path.copy(a.sun_path, sizeof a.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (listening ? SOCK_NONBLOCK : 0), 0);
  const timeval limit{60, 0};  // nothing here waits for ever
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  const bool ok = listening ? bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 8) == 0
                            : connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (!ok) close(fd);
  return ok ? fd : -1;
}

TEST(HandOverPathTest, ASquattedSocketPathIsNeitherJoinedNorTaken) {
  for (const std::string squat : {"file", "symlink", "open directory", "foreign socket", "foreign directory"}) {
    if (squat.rfind("foreign", 0) == 0 && geteuid() != 0) continue;  // only root can give files away
    TempDir tmp;
    sorvi_test::ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt), tmpdir("TMPDIR", tmp.path());
    const std::string path = sorvi::single_instance_socket_path();
    const std::string dir = path.substr(0, path.rfind('/'));
    mkdir(dir.c_str(), 0700);
    const std::string target = squat == "symlink" ? tmp.file("elsewhere") : path;
    const int squatter = squat == "file" ? -1 : unix_socket(target, true);
    if (squat == "file") sorvi_test::write_file(path, "");
    if (squat == "symlink") ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    if (squat == "open directory") ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
    if (squat == "foreign socket") ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    if (squat == "foreign directory") ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    struct stat before {}, after {};
    lstat(path.c_str(), &before);
    const bool handed = sorvi::hand_over_to_running_instance({"sorvi", "-Procnum=1"}) != sorvi::HandOver::NoInstance;
    const bool listening = sorvi::SingleInstanceServer({}, {}).listen();
    int reached = 0;
    for (int fd; squatter >= 0 && (fd = accept(squatter, nullptr, nullptr)) >= 0; ++reached) close(fd);
    const bool kept = lstat(path.c_str(), &after) == 0 && after.st_ino == before.st_ino;
    EXPECT_EQ(squat + (handed ? ": handed" : ": kept") + (listening ? ", listening" : ", closed") + ", reached " +
                  std::to_string(reached) + (kept ? ", left alone" : ", replaced"),
              squat + ": kept, closed, reached 0, left alone");
    if (squatter >= 0) close(squatter);
  }
}

TEST(ProgramTest, BatchModeNeedsNoDisplayAndTheWindowSaysWhyItCannotOpen) {
  sorvi_test::ProfileFixture profile;
  const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + profile.dir().path(),
                                        "XDG_CONFIG_HOME=" + profile.dir().file("config"), "QT_QPA_PLATFORM",
                                        "DISPLAY", "WAYLAND_DISPLAY"};
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"-Help", "-VMODE"}, "0|" + std::string(sorvi::help_text()) + "|"},
      {{"-VMODE", "/no/such/file.ref"}, "0||"},
      {{}, "1||Sorvi needs a display for its window (set DISPLAY, or use -VMODE to write reports)\n"},
  };
  for (const auto& [args, expected] : rows) {
    const sorvi_test::RunResult r = run_program(SORVI_EXE, args, env, profile.dir().path(), 60);
    EXPECT_EQ(std::to_string(r.status) + "|" + r.out + "|" + r.err, expected) << args.size();
    EXPECT_FALSE(file_exists(profile.dir().file("sorvi.err")));
  }
}

TEST(ProgramTest, MissingProfileSectionLeavesOnlyTheReportInTheErrorFile) {
  TempDir dir;
  sorvi_test::write_file(dir.file("Kelvar.ini"), "[Elsewhere]\nA=1\n");
  sorvi_test::RunResult r = run_program(
      SORVI_EXE, {"-VMODE"}, {"KELVAR=" + dir.path(), "PROGRAMDATA=" + dir.file("pd"), "QT_QPA_PLATFORM=offscreen"},
      dir.path(), 60);
  EXPECT_EQ(r.status, 0);
  // The boxed report alone: its first banner line, the missing section, its closing lines.
  const std::string err = read_file(dir.file("sorvi.err"));
  EXPECT_EQ(err.substr(0, 61), " ************************************************************");
  EXPECT_NE(err.find("\n Required Section \"[C/C++ Vexa Kelvar]\"\n not found in " + dir.path() + "/Kelvar.ini\n"),
            std::string::npos);
  const std::string closing = "\n ****   Issue found while running Quorvane   ****\n " + std::string(60, '*') + "\n\n\n";
  EXPECT_EQ(err.substr(err.size() - std::min(err.size(), closing.size())), closing);
}

// A window started in this process with ONE_SORVI set, and second starts
// of the real program beside it (with this process's variables).
class HandOverTest : public sorvi_gui_test::WindowTest {
 protected:
  void SetUp() override {
    add_to_profile("ONE_SORVI=TRUE");
    second_env_ = QProcessEnvironment::systemEnvironment();
  }

  // Runs a second start while the window takes messages, until it ends
  // (its exit status) or `until` holds (-1, and the start is ended). What
  // it writes goes to a file, so it never waits for a reader.
  int second_start(const QStringList& args, const std::function<bool()>& until = [] { return false; }) {
    QProcess second;
    second.setProcessEnvironment(second_env_);
    second.setWorkingDirectory(QString::fromStdString(work_));
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.setStandardOutputFile(QString::fromStdString(dir_.file("second.out")));
    second.start(SORVI_EXE, args);
    const bool ended = wait_until([&] { return second.state() == QProcess::NotRunning || until(); }, 60000);
    const bool running = !ended || second.state() != QProcess::NotRunning;
    if (running) second.kill();
    second.waitForFinished(10000);
    out_ = read_file(dir_.file("second.out"));
    return running ? -1 : second.exitCode();
  }
  QProcessEnvironment second_env_;
  std::string out_;
};

TEST_F(HandOverTest, SecondStartHandsItsCommandLineToTheRunningWindow) {
  start();
  // Options alone: stored, and the window says that no document was named.
  EXPECT_EQ(second_start({"-Procnum=5", "/Start=3"}), 0) << out_;
  EXPECT_EQ(out_, "");
  ASSERT_TRUE(wait_until([&] { return !messages_.empty(); }));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Unable to determine document name"}));
  EXPECT_EQ(sorvi::startup_options().Procnum, 5);
  EXPECT_EQ(sorvi::startup_options().Start, 3);
  // A file: the window opens it.
  EXPECT_EQ(second_start({"demo_1.ref", "-Language=2"}), 0) << out_;
  ASSERT_TRUE(wait_until([&] { return !app_->documents()->documents().empty(); }));
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - demo.c - Reformatted");
}

TEST_F(HandOverTest, BatchStartBesideARunningWindowWritesItsOwnReport) {
  start();
  EXPECT_EQ(second_start({"-VMODE", "demo_1.ref", "-Language=2"}), 0) << out_;
  EXPECT_TRUE(file_exists(work_ + "demo_1.aref.rtf"));
  EXPECT_TRUE(app_->documents()->documents().empty());
  // A forwarded command line neither turns the window to batch mode nor
  // ends it with a language that cannot be configured.
  app_->OnCopyData(sorvi::build_forwarded_command_line({"sorvi", "-VMODE", "-Language=99", "demo_1.ref"}));
  EXPECT_FALSE(sorvi::startup_options().VMODE);
  EXPECT_EQ(sorvi::startup_options().Language, 2);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Cannot configure Standards for language code \"99\""}));
  EXPECT_TRUE(app_->documents()->documents().empty());
}

TEST_F(HandOverTest, AFloodOfBadCommandLinesLeavesTheWindowAlive) {
  const std::string path = sorvi::single_instance_socket_path();
  auto flood = [&] {  // once the started program listens
    const int idle = unix_socket(path, false);  // a connection that never sends
    if (idle < 0) return false;
    const char bad[] = {9, 0, 0, 0, 'a', 0};  // nine arguments announced, one sent
    for (int i = 0, fd; i < 4000 && (fd = unix_socket(path, false)) >= 0; ++i) {
      send(fd, bad, sizeof bad, MSG_NOSIGNAL);
      close(fd);
    }
    // An oversized command line is answered with a refusal.
    const int big = unix_socket(path, false);
    const std::string huge = std::string("\x02\0\0\0", 4) + std::string(2 << 20, 'a');
    send(big, huge.data(), huge.size(), MSG_NOSIGNAL);
    char answer = 1;
    EXPECT_EQ(recv(big, &answer, 1, 0) == 1 && answer == 0, true) << "refusal";
    EXPECT_EQ(sorvi::hand_over_to_running_instance({"sorvi", "-Procnum=1"}), sorvi::HandOver::Forwarded);
    pollfd p{idle, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 60000) == 1 && recv(idle, &answer, 1, 0) == 0, true) << "the idle connection is dropped";
    close(big);
    close(idle);
    return true;
  };
  EXPECT_EQ(second_start({}, flood), -1) << "the window ended: " << out_;
}

TEST_F(HandOverTest, SecondStartWithoutArgumentsOpensASecondWindow) {
  start();
  // On the minimal platform a painted window is saved as an image file in
  // the working directory.
  second_env_.insert("QT_QPA_PLATFORM", "minimal");
  second_env_.insert("QT_DEBUG_BACKINGSTORE", "1");
  const std::string image = work_ + "output0000.png";
  EXPECT_EQ(second_start({}, [&] { return file_exists(image); }), -1) << out_;
  EXPECT_TRUE(file_exists(image));
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
