// The command line: framework handling of plain arguments, '/' arguments on
// Linux, double-colon escaping and the forwarded command line.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/startup.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

using sorvi::CSorviCommandLineInfo;
using sorvi::ShellCommand;
using sorvi::startup_options;

class CommandLineTest : public ::testing::Test {
 protected:
  sorvi_test::ProfileFixture profile_;
};

TEST_F(CommandLineTest, FirstPlainArgumentIsTheFileAndOptionsAreStored) {
  CSorviCommandLineInfo info =
      sorvi::parse_command_line({"sorvi", "-Procnum=3", "first.ref", "second.ref", "-vmode", "-Block=2"});
  EXPECT_EQ(info.file_name, "first.ref");
  EXPECT_EQ(info.shell_command, ShellCommand::FileOpen);
  EXPECT_EQ(startup_options().Procnum, 3);
  EXPECT_EQ(startup_options().Block, 2);
  EXPECT_FALSE(startup_options().VMODE);
}

TEST_F(CommandLineTest, NoFileMeansNothingToOpen) {
  CSorviCommandLineInfo info = sorvi::startup_parse_command_line({"sorvi", "-CoverageMode"});
  EXPECT_EQ(info.shell_command, ShellCommand::FileNothing);
  EXPECT_TRUE(info.file_name.empty());
  EXPECT_TRUE(startup_options().CoverageMode);
}

TEST_F(CommandLineTest, SlashArgumentsAreOptionsOnlyWhenTheyNameNothing) {
  sorvi_test::TempDir dir;
  sorvi_test::write_file(dir.file("Procnum=9"), "");
  CSorviCommandLineInfo info =
      sorvi::parse_command_line({"sorvi", "/PROCNUM=5", dir.file("Procnum=9"), "/Block=4"});
  EXPECT_EQ(startup_options().Procnum, 5);
  EXPECT_EQ(startup_options().Block, 4);
  EXPECT_EQ(info.file_name, dir.file("Procnum=9"));

  sorvi::reset_startup_options();
  info = sorvi::parse_command_line({"sorvi", "/no/such/file.ref", "/vmode"});
  EXPECT_EQ(info.file_name, "/no/such/file.ref");
  EXPECT_FALSE(startup_options().VMODE);
  EXPECT_FALSE(sorvi::classify_argument("/vmode").is_flag);
  EXPECT_TRUE(sorvi::classify_argument("-vmode").is_flag);
  EXPECT_EQ(sorvi::classify_argument("-vmode").text, "vmode");
}

TEST_F(CommandLineTest, DoubleColonsBecomeCaretsAndBack) {
  EXPECT_EQ(sorvi::escape_double_colons("x.htm#A::b"), "x.htm#A^^b");
  EXPECT_EQ(sorvi::escape_double_colons("a:::b"), "a^^:b");
  EXPECT_EQ(sorvi::escape_double_colons("C:\\dir\\f.sif"), "C:\\dir\\f.sif");
  EXPECT_EQ(sorvi::escape_double_colons(std::string(300, 'a')).size(), 259u);
  EXPECT_EQ(sorvi::unescape_double_carets("x.htm#A^^b^"), "x.htm#A::b^");
  CSorviCommandLineInfo info = sorvi::startup_parse_command_line({"sorvi", "page.htm#std::x"});
  EXPECT_EQ(info.file_name, "page.htm#std^^x");
}

TEST_F(CommandLineTest, ForwardedCommandLineBytes) {
  std::vector<uint8_t> payload = sorvi::build_forwarded_command_line({"/usr/bin/sorvi", "-VMODE", "a.ref"});
  const uint8_t expected[] = {3, 0, 0, 0, '-', 'V', 'M', 'O', 'D', 'E', 0, 'a', '.', 'r', 'e', 'f', 0};
  EXPECT_EQ(payload, std::vector<uint8_t>(std::begin(expected), std::end(expected)));

  std::vector<std::string> args;
  ASSERT_TRUE(sorvi::split_forwarded_command_line(payload, &args));
  EXPECT_EQ(args, (std::vector<std::string>{"", "-VMODE", "a.ref"}));
}

TEST_F(CommandLineTest, DamagedPayloadsKeepWhatArrivedIntact) {
  std::vector<std::string> args;
  EXPECT_FALSE(sorvi::split_forwarded_command_line({1, 0}, &args));
  EXPECT_FALSE(sorvi::split_forwarded_command_line({0, 0, 0, 0}, &args));
  EXPECT_FALSE(sorvi::split_forwarded_command_line({0xff, 0xff, 0xff, 0xff, 'x', 0}, &args));
  EXPECT_FALSE(sorvi::split_forwarded_command_line({9, 0, 0, 0, 'a', 0, 'b'}, &args));
  EXPECT_EQ(args, (std::vector<std::string>{"", "a"}));
}

TEST_F(CommandLineTest, ReceivingParsesOptionsAndTellsTheFile) {
  std::string file = sorvi::receive_forwarded_command_line(
      sorvi::build_forwarded_command_line({"sorvi", "-Procnum=7", "/Start=4", "x.ref"}));
  EXPECT_EQ(file, "x.ref");
  EXPECT_EQ(startup_options().Procnum, 7);
  EXPECT_EQ(startup_options().Start, 4);
  EXPECT_EQ(sorvi::receive_forwarded_command_line(sorvi::build_forwarded_command_line({"sorvi", "-Block=1"})), "");
  EXPECT_EQ(startup_options().Block, 1);
}

}  // namespace
