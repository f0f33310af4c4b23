// Start-up of the real program: help text, batch mode without a display,
// the fatal report file, the main window, and the single-instance hand-over
// between two real processes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/app/main_frame.h"
#include "gui/app/sorvi_app.h"
#include "support/test_support.h"

namespace {

using sorvi_test::ProfileFixture;
using sorvi_test::run_program;
using sorvi_test::TempDir;

const char kHelp[] =
    "Command line options are:\n  -Block=\n  -CoverageMode\n  -End=\n  -EndOfFile\n  -FindText=\n"
    "  -Hilight=\n  -Help\n  -IncludeLines=\n  -Procnum=\n  -Start=\n  -XrefSet=\n  -Language=\n"
    "  -VMODE\n  -NDXIncludes\n";

std::vector<std::string> profile_env(const ProfileFixture& profile) {
  return {"KELVAR=" + profile.dir().path(), "PROGRAMDATA=" + profile.dir().file("pd"),
          "XDG_RUNTIME_DIR=" + profile.dir().path(), "XDG_CONFIG_HOME=" + profile.dir().file("config"),
          "QT_QPA_PLATFORM=offscreen"};
}

TEST(ProgramTest, HelpInBatchModeNeedsNoDisplay) {
  ProfileFixture profile;
  std::vector<std::string> env = profile_env(profile);
  env.push_back("QT_QPA_PLATFORM");
  env.push_back("DISPLAY");
  env.push_back("WAYLAND_DISPLAY");
  sorvi_test::RunResult r = run_program(SORVI_EXE, {"-Help", "-VMODE"}, env, profile.dir().path(), 20);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kHelp);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(sorvi_test::file_exists(profile.dir().file("sorvi.err")));
}

TEST(ProgramTest, BatchModeWithoutADocumentEndsAtOnce) {
  ProfileFixture profile;
  QElapsedTimer timer;
  timer.start();
  sorvi_test::RunResult r =
      run_program(SORVI_EXE, {"-VMODE", "/no/such/file.ref"}, profile_env(profile), profile.dir().path(), 20);
  EXPECT_EQ(r.status, 0);
  EXPECT_LT(timer.elapsed(), 10000);
}

TEST(ProgramTest, MissingProfileSectionLeavesOnlyTheReportInTheErrorFile) {
  TempDir dir;
  sorvi_test::write_file(dir.file("Kelvar.ini"), "[Elsewhere]\nA=1\n");
  sorvi_test::RunResult r = run_program(
      SORVI_EXE, {"-VMODE"},
      {"KELVAR=" + dir.path(), "PROGRAMDATA=" + dir.file("pd"), "QT_QPA_PLATFORM=offscreen"}, dir.path(), 20);
  EXPECT_EQ(r.status, 0);
  std::string err = sorvi_test::read_file(dir.file("sorvi.err"));
  EXPECT_EQ(err.rfind(" ************************************************************\n"
                      " ****             Implementation restriction             ****\n",
                      0),
            0u);
  EXPECT_NE(err.find("\n Required Section \"[C/C++ Vexa Kelvar]\"\n not found in " + dir.path() +
                     "/Kelvar.ini\n \n\n Ensure Kelvar.ini file above exists.\n"),
            std::string::npos);
  const std::string closing =
      "\n ****   Issue found while running Quorvane   ****\n"
      " ************************************************************\n\n\n";
  ASSERT_GT(err.size(), closing.size());
  EXPECT_EQ(err.substr(err.size() - closing.size()), closing);
}

TEST(ProgramTest, WithoutADisplayTheWindowCannotOpenAndSaysWhy) {
  ProfileFixture profile;
  std::vector<std::string> env = profile_env(profile);
  env.push_back("QT_QPA_PLATFORM");
  env.push_back("DISPLAY");
  env.push_back("WAYLAND_DISPLAY");
  sorvi_test::RunResult r = run_program(SORVI_EXE, {}, env, profile.dir().path(), 20);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("needs a display"), std::string::npos);
}

TEST(MainFrameTest, TitleAndStatusPanes) {
  ProfileFixture profile;
  sorvi::CSorviFrame frame;
  EXPECT_EQ(frame.windowTitle(), "Vexa Sorvi");
  frame.update_caption("demo.ref");
  EXPECT_EQ(frame.windowTitle(), "Vexa Sorvi - demo.ref");
  QList<QLabel*> panes = frame.statusBar()->findChildren<QLabel*>();
  QStringList texts;
  for (QLabel* l : panes) texts << l->text();
  EXPECT_TRUE(texts.contains("CAP"));
  EXPECT_TRUE(texts.contains("NUM"));
  EXPECT_TRUE(texts.contains("SCRL"));
}

// Waits for a started process while the event loop runs.
bool wait_running(QProcess& p, int ms) {
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return p.state() == QProcess::NotRunning;
}

QProcessEnvironment process_env(const ProfileFixture& profile) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const std::string& e : profile_env(profile)) {
    size_t eq = e.find('=');
    env.insert(QString::fromStdString(e.substr(0, eq)), QString::fromStdString(e.substr(eq + 1)));
  }
  return env;
}

class HandOverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.rewrite("[C/C++ Vexa Kelvar]\nONE_SORVI=TRUE\nKELV=" + profile_.dir().path() + "\n");
    sorvi_test::reset_core_state();
    runtime_ = std::make_unique<sorvi_test::ScopedEnv>("XDG_RUNTIME_DIR", profile_.dir().path());
    sorvi::set_message_box_handler([this](const std::string& text) { messages_.push_back(text); });
  }
  void TearDown() override {
    sorvi::set_message_box_handler(nullptr);
    sorvi_test::reset_core_state();
  }
  ProfileFixture profile_;
  std::unique_ptr<sorvi_test::ScopedEnv> runtime_;
  std::vector<std::string> messages_;
};

TEST_F(HandOverTest, SecondStartHandsItsOptionsToTheRunningInstanceAndEnds) {
  sorvi::CSorviApp running;
  ASSERT_TRUE(running.InitInstance("", false));
  QProcess second;
  second.setProcessEnvironment(process_env(profile_));
  second.setWorkingDirectory(QString::fromStdString(profile_.dir().path()));
  second.start(SORVI_EXE, {"-Procnum=5", "/Start=3", "-VMODE"});
  ASSERT_TRUE(wait_running(second, 15000));
  EXPECT_EQ(second.exitCode(), 0);
  // The running instance handles the message once its sender was answered.
  QElapsedTimer t;
  t.start();
  while (messages_.empty() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(sorvi::startup_options().Procnum, 5);
  EXPECT_EQ(sorvi::startup_options().Start, 3);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Unable to determine document name"}));
  EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
}

TEST_F(HandOverTest, SecondStartWithoutArgumentsOpensASecondWindow) {
  sorvi::CSorviApp running;
  ASSERT_TRUE(running.InitInstance("", false));
  QProcess second;
  second.setProcessEnvironment(process_env(profile_));
  second.start(SORVI_EXE, {});
  EXPECT_FALSE(wait_running(second, 1500)) << "a second window should have stayed open";
  second.kill();
  second.waitForFinished(5000);
  EXPECT_TRUE(messages_.empty());
}

}  // namespace

namespace {

QStringList legend_texts(const sorvi::CSorviFrame& frame) {
  QStringList texts;
  for (int i = 0; i < 4; ++i) {
    if (auto* l = frame.legend_bar()->findChild<QLabel*>(QStringLiteral("legend_text_%1").arg(1401 + i))) {
      texts << l->text();
    }
  }
  return texts;
}

TEST(LegendTest, CoverageModeShowsFourEntriesInStatusOrder) {
  ProfileFixture profile;
  sorvi::startup_options().CoverageMode = true;
  sorvi::CSorviApp app;
  ASSERT_TRUE(app.InitInstance("", false));
  EXPECT_TRUE(app.frame()->legend_bar()->isVisible());
  EXPECT_EQ(legend_texts(*app.frame()),
            (QStringList{"Not Executed", "Executed", "Branch/Decision not executed", "Not executable"}));
  sorvi_test::reset_core_state();
}

TEST(LegendTest, PassFailWordingAndNoLegendOutsideCoverageMode) {
  ProfileFixture profile;
  {
    sorvi::CSorviApp app;
    ASSERT_TRUE(app.InitInstance("", false));
    EXPECT_FALSE(app.frame()->legend_bar()->isVisible());
  }
  sorvi::startup_options().CoverageMode = true;
  sorvi::startup_options().CoveragePassFail = true;
  sorvi::CSorviApp app;
  ASSERT_TRUE(app.InitInstance("", false));
  EXPECT_EQ(legend_texts(*app.frame()),
            (QStringList{"Not Covered", "Covered", "Branch/Decision not covered", "Not executable"}));
  sorvi_test::reset_core_state();
}

}  // namespace
