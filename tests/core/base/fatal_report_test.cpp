// The fatal report: banner bytes, exit statuses, and the two channels.
#include "base/fatal_report.h"

#include <gtest/gtest.h>

#include "app/report_hooks.h"
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

void undefined_workdir_on_channel_b() {
  sorvi::install_report_hooks();
  sorvi::channel_b(100, "Profile variable WORKDIR is undefined");
}

// Each row's action runs in a child process in a fresh scratch directory: the
// exit status, what the child wrote to standard error (a pattern), and the
// "sorvi.err" it left ("-" for none).
TEST(FatalReportTest, EndingsBannersAndErrorFiles) {
  GTEST_FLAG_SET(death_test_style, "fast");  // forking keeps the scratch directory
  const std::tuple<void (*)(), int, const char*, std::string> rows[] = {
      {[] {
         sorvi::report_error(101, nullptr);
         sorvi::report_printf("first line %d\n", 1);
         std::fprintf(stderr, "second line\n");
         sorvi::report_error(2, nullptr);
       },
       0, "", std::string(kProblemBanner) + "first line 1\nsecond line\n" + kClosing},
      {[] { sorvi::report_error(0, "Something ran out"); }, 0, "",
       std::string(kRestrictionBanner) + "Something ran out\n\n" + kClosing},
      // Codes below 100 give the restriction banner (100 and above: rows 1 and 6); a pending status is the exit's.
      {[] {
         sorvi::set_report_exit_status(14);
         sorvi::report_error(99, "x");
       },
       14, "", std::string(kRestrictionBanner) + "x\n\n" + kClosing},
      // Channel B shows its message and ends at once, unless in batch mode (-VMODE).
      {undefined_workdir_on_channel_b, 1, "Cannot execute Sorvi command\nProfile variable WORKDIR is undefined", "-"},
      {[] {
         sorvi::install_report_hooks();
         sorvi::channel_b(101);
         std::fprintf(stderr, "never written\n");
         std::exit(7);
       },
       1, "Cannot execute Sorvi command\n", "-"},
      {[] {
         sorvi::startup_options().VMODE = true;
         undefined_workdir_on_channel_b();
       },
       0, "", std::string(kProblemBanner) + "Profile variable WORKDIR is undefined\n\n" + kClosing},
  };
  for (const auto& [action, status, err, file] : rows) {
    sorvi::reset_fatal_report();
    sorvi_test::reset_core_state();
    TempDir dir;
    {
      ScopedCwd cwd(dir.path());
      EXPECT_EXIT(action(), ::testing::ExitedWithCode(status), err) << file;
    }
    const std::string err_file = dir.file("sorvi.err");
    EXPECT_EQ(sorvi_test::file_exists(err_file) ? read_file(err_file) : "-", file);
  }
  sorvi::reset_fatal_report();
}

TEST(FatalReportTest, ChannelAFallsBackToChannelBAndUninstalledChannelBDoesNothing) {
  sorvi::reset_fatal_report();
  std::vector<int> seen;
  sorvi::channel_a(100, "nobody listens");  // must simply return
  sorvi::set_channel_b_hook([&](int code, const char*) { seen.push_back(code); });
  sorvi::channel_a(7, "heard");
  EXPECT_EQ(seen, (std::vector<int>{7}));
  sorvi::reset_fatal_report();
}

TEST(MessageOutputTest, ShowModesChooseTheStreamAndLongTextsArriveWhole) {
  const std::string long_text = std::string(4095, 'q') + "AB" + std::string(5903, 'q');
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  sorvi::message_output(3, 0, "silent %d", 1);
  sorvi::message_output(3, 2, "to stderr %d\n", 2);
  sorvi::message_output(3, 5, "to stdout %s\n", "x");
  sorvi::message_output(32, 1, "bad channel\n");
  sorvi::message_output(0, 1, "%s", long_text.c_str());
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "to stdout x\n" + long_text);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "to stderr 2\n");
}

}  // namespace
