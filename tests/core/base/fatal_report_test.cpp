// The fatal report: banner bytes, exit statuses, and the two channels. The
// cases that end the process run as death tests in a scratch directory and
// read the "sorvi.err" the child left behind.
#include <gtest/gtest.h>

#include "app/report_hooks.h"
#include "base/fatal_report.h"
#include "base/message_output.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

using sorvi_test::read_file;
using sorvi_test::ScopedCwd;
using sorvi_test::TempDir;

const char kProblemBanner[] =
    " ************************************************************\n"
    " ****                Problem Encountered                 ****\n"
    " ****          Check the program being analysed          ****\n"
    " ****                 compiles and then                  ****\n"
    " ****              contact Vexa Technical support        ****\n"
    " ****               either locally or at:                ****\n"
    " ****                                                    ****\n"
    " ****           support@vexa-technical.example           ****\n"
    " ****                                                    ****\n"
    " ****       quoting the following error message:         ****\n"
    "\n";

const char kRestrictionBanner[] =
    " ************************************************************\n"
    " ****             Implementation restriction             ****\n"
    " ****              contact Vexa Technical support        ****\n"
    " ****               either locally or at:                ****\n"
    " ****                                                    ****\n"
    " ****           support@vexa-technical.example           ****\n"
    " ****                                                    ****\n"
    " ****       quoting the following error message:         ****\n"
    "\n";

const char kClosing[] =
    "\n"
    " ****   Issue found while running Quorvane   ****\n"
    " ************************************************************\n"
    "\n"
    "\n";

class FatalReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Forking keeps the scratch directory the parent made.
    GTEST_FLAG_SET(death_test_style, "fast");
    sorvi::reset_fatal_report();
    sorvi_test::reset_core_state();
  }
  void TearDown() override { sorvi::reset_fatal_report(); }
  TempDir dir_;
};

TEST_F(FatalReportTest, ProblemBlockWritesBannerLinesAndClosingThenExitsZero) {
  {
    ScopedCwd cwd(dir_.path());
    EXPECT_EXIT(
        {
          sorvi::report_error(101, nullptr);
          sorvi::report_printf("first line %d\n", 1);
          std::fprintf(stderr, "second line\n");
          sorvi::report_error(2, nullptr);
        },
        ::testing::ExitedWithCode(0), "");
  }
  EXPECT_EQ(read_file(dir_.file("sorvi.err")),
            std::string(kProblemBanner) + "first line 1\nsecond line\n" + kClosing);
}

TEST_F(FatalReportTest, OneShotRestrictionWritesTextFollowedByTwoNewlines) {
  {
    ScopedCwd cwd(dir_.path());
    EXPECT_EXIT(sorvi::report_error(0, "Something ran out"), ::testing::ExitedWithCode(0), "");
  }
  EXPECT_EQ(read_file(dir_.file("sorvi.err")), std::string(kRestrictionBanner) + "Something ran out\n\n" + kClosing);
}

TEST_F(FatalReportTest, CodesChooseTheBannerKind) {
  ScopedCwd cwd(dir_.path());
  EXPECT_EXIT(sorvi::report_error(99, "x"), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(dir_.file("sorvi.err")).substr(0, sizeof kRestrictionBanner - 1), kRestrictionBanner);
  EXPECT_EXIT(sorvi::report_error(102, "x"), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(dir_.file("sorvi.err")).substr(0, sizeof kProblemBanner - 1), kProblemBanner);
}

TEST_F(FatalReportTest, PendingExitStatusIsUsedAtTheClose) {
  ScopedCwd cwd(dir_.path());
  EXPECT_EXIT(
      {
        sorvi::set_report_exit_status(14);
        sorvi::report_error(100, "Error in adding new int list element - memory overflow");
      },
      ::testing::ExitedWithCode(14), "");
}

TEST_F(FatalReportTest, ChannelBWithoutBatchModeShowsTheMessageAndExitsOne) {
  ScopedCwd cwd(dir_.path());
  EXPECT_EXIT(
      {
        sorvi::install_report_hooks();
        sorvi::channel_b(100, "Profile variable WORKDIR is undefined");
      },
      ::testing::ExitedWithCode(1), "Cannot execute Sorvi command\nProfile variable WORKDIR is undefined");
  EXPECT_FALSE(sorvi_test::file_exists(dir_.file("sorvi.err")));
}

TEST_F(FatalReportTest, ChannelBOpeningEndsInteractiveRunsAtOnce) {
  ScopedCwd cwd(dir_.path());
  EXPECT_EXIT(
      {
        sorvi::install_report_hooks();
        sorvi::channel_b(101);
        std::fprintf(stderr, "never written\n");
        std::exit(7);
      },
      ::testing::ExitedWithCode(1), "Cannot execute Sorvi command\n");
}

TEST_F(FatalReportTest, ChannelBInBatchModeWritesTheErrorFileWithThePlainText) {
  {
    ScopedCwd cwd(dir_.path());
    EXPECT_EXIT(
        {
          sorvi::install_report_hooks();
          sorvi::startup_options().VMODE = true;
          sorvi::channel_b(100, "Profile variable WORKDIR is undefined");
        },
        ::testing::ExitedWithCode(0), "");
  }
  EXPECT_EQ(read_file(dir_.file("sorvi.err")),
            std::string(kProblemBanner) + "Profile variable WORKDIR is undefined\n\n" + kClosing);
}

TEST_F(FatalReportTest, ChannelAFallsBackToChannelBAndUninstalledChannelBDoesNothing) {
  std::vector<int> seen;
  sorvi::channel_a(100, "nobody listens");  // must simply return
  sorvi::set_channel_b_hook([&](int code, const char*) { seen.push_back(code); });
  sorvi::channel_a(1);
  sorvi::channel_a(2);
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(MessageOutputTest, ShowModesChooseTheStream) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  sorvi::message_output(3, 0, "silent %d", 1);
  sorvi::message_output(3, 2, "to stderr %d\n", 2);
  sorvi::message_output(3, 5, "to stdout %s\n", "x");
  sorvi::message_output(3, 1, "%s", "");
  sorvi::message_output(32, 1, "bad channel\n");
  std::string out = ::testing::internal::GetCapturedStdout();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(out, "to stdout x\n");
  EXPECT_EQ(err, "to stderr 2\n");
}

TEST(MessageOutputTest, LongTextsArriveWhole) {
  std::string long_text(10000, 'q');
  long_text[4095] = 'A';
  long_text[4096] = 'B';
  ::testing::internal::CaptureStdout();
  sorvi::message_output(0, 1, "%s", long_text.c_str());
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), long_text);
}

}  // namespace
