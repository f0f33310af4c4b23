// Start-up of the real program: batch mode and the missing display, the
// fatal report file, and the single-instance hand-over between a running
// window and a second start of the program.
#include <gtest/gtest.h>

#include <QProcess>

#include "config/startup_options.h"
#include "window_fixture.h"

namespace {

using sorvi_gui_test::wait_until;
using sorvi_test::file_exists;
using sorvi_test::read_file;
using sorvi_test::run_program;
using sorvi_test::TempDir;

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
  // (its exit status) or `until` holds (-1, and the start is ended).
  int second_start(const QStringList& args, const std::function<bool()>& until = [] { return false; }) {
    QProcess second;
    second.setProcessEnvironment(second_env_);
    second.setWorkingDirectory(QString::fromStdString(work_));
    second.start(SORVI_EXE, args);
    const bool ended = wait_until([&] { return second.state() == QProcess::NotRunning || until(); }, 60000);
    if (!ended || second.state() != QProcess::NotRunning) {
      second.kill();
      second.waitForFinished(10000);
      return -1;
    }
    out_ = second.readAllStandardOutput().toStdString() + second.readAllStandardError().toStdString();
    return second.exitCode();
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
