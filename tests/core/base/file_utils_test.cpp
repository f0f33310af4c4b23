#include "base/file_utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <utime.h>

#include "base/fatal_report.h"
#include "config/profile.h"
#include "support/test_support.h"

namespace sorvi {
namespace {

using sorvi_test::TempDir;

mode_t mode_of(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

TEST(Paths, RelativeOrNot) {
  EXPECT_TRUE(is_relative_path(""));
  EXPECT_TRUE(is_relative_path("a"));
  EXPECT_TRUE(is_relative_path("dir/file.c"));
  EXPECT_TRUE(is_relative_path("C:"));
  EXPECT_TRUE(is_relative_path("c:/dir"));
  EXPECT_TRUE(is_relative_path("1:\\dir"));
  EXPECT_FALSE(is_relative_path("C:\\dir"));
  EXPECT_FALSE(is_relative_path("/usr"));
}

TEST(Paths, SplitAtLastSeparatorAndDot) {
  PathParts p = split_path("C:\\work\\sub/name.ext.c");
  EXPECT_EQ(p.directory, "C:\\work\\sub/");
  EXPECT_EQ(p.file_name, "name.ext.c");
  EXPECT_EQ(p.base_name, "name.ext");
  EXPECT_EQ(p.extension, ".c");
  EXPECT_EQ(directory_part("C:file.c"), "C:");
  EXPECT_EQ(file_name_part("C:file.c"), "file.c");
  EXPECT_EQ(base_name_part("/a.b/noext"), "noext");
  EXPECT_EQ(extension_part("/a.b/noext"), "");
  EXPECT_EQ(directory_part("plain"), "");
  EXPECT_EQ(file_name_part("dir/"), "");
}

TEST(Files, SizeCreateDeleteAndModes) {
  TempDir dir;
  std::string f = dir.file("data.txt");
  EXPECT_EQ(file_size(f), 0);
  sorvi_test::write_file(f, "12345");
  EXPECT_EQ(file_size(f), 5);
  EXPECT_DOUBLE_EQ(file_size_as_double(f), 5.0);
  EXPECT_TRUE(create_empty_file(f));
  EXPECT_EQ(file_size(f), 0);
  EXPECT_TRUE(is_regular_file(f));

  EXPECT_TRUE(make_file_read_only(f));
  EXPECT_EQ(mode_of(f) & 0222, 0u);
  EXPECT_TRUE(make_file_writable(f));
  EXPECT_NE(mode_of(f) & 0200, 0u);
  EXPECT_TRUE(make_file_read_only(f));
  // Deleting makes a read-only file writable first.
  EXPECT_TRUE(delete_file(f));
  EXPECT_FALSE(sorvi_test::file_exists(f));
  EXPECT_FALSE(delete_file(f));
  EXPECT_FALSE(delete_file(dir.path()));
  EXPECT_FALSE(create_empty_file(dir.file("missing/x")));
}

TEST(Files, DeleteRefusesAPathWithoutDirectory) {
  TempDir dir;
  sorvi_test::ScopedCwd cwd(dir.path());
  sorvi_test::write_file("bare.txt", "x");
  EXPECT_FALSE(delete_file("bare.txt"));
  EXPECT_TRUE(sorvi_test::file_exists("bare.txt"));
  EXPECT_TRUE(delete_file("./bare.txt"));
  EXPECT_FALSE(sorvi_test::file_exists("bare.txt"));
}

TEST(Files, TemporaryNamesAreCreatedForTheOwnerOnly) {
  TempDir dir;
  std::string a = temporary_file_name(dir.path(), "twf");
  std::string b = temporary_file_name(dir.path() + "/", "twf");
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir.path() + "/twf", 0), 0u) << a;
  EXPECT_TRUE(is_regular_file(a));
  EXPECT_EQ(file_size(a), 0);
  EXPECT_EQ(mode_of(a), 0600u);

  TempDir system_tmp;
  sorvi_test::ScopedEnv tmpdir("TMPDIR", system_tmp.path());
  std::string c = temporary_file_name(dir.file("no-such-dir"), "TC1?m?a/b.c");
  ASSERT_FALSE(c.empty());
  EXPECT_EQ(c.rfind(system_tmp.path() + "/TC1?m?a_b.c", 0), 0u) << c;
  EXPECT_TRUE(is_regular_file(c));
}

TEST(Files, CountLines) {
  TempDir dir;
  std::string f = dir.file("lines.txt");
  sorvi_test::write_file(f, "a\nA\nb\r\nB\r\n\n\nlast");
  EXPECT_EQ(count_lines(f, false), 7);
  EXPECT_EQ(count_lines(f, true), 4);
  sorvi_test::write_file(f, "");
  EXPECT_EQ(count_lines(f, false), 0);
  sorvi_test::write_file(f, std::string(2080, 'x') + "\n" + std::string(2081, 'y') + "\n");
  EXPECT_EQ(count_lines(f, false), 3);
  EXPECT_EQ(count_lines(dir.file("missing"), false), -1);
}

TEST(Names, LogFileNameAndDefaultName) {
  reset_file_utils_state();
  EXPECT_EQ(log_file_name("glhapi"), "glhapi.log");
  set_log_suffix("3");
  EXPECT_EQ(log_file_name("glhapi"), "glhapi_3.log");
  reset_file_utils_state();
  EXPECT_EQ(log_suffix(), "");

  EXPECT_TRUE(is_default_name(nullptr));
  EXPECT_TRUE(is_default_name(""));
  EXPECT_TRUE(is_default_name("<default model>"));
  EXPECT_TRUE(is_default_name("<DEFAULT>"));
  EXPECT_FALSE(is_default_name(" <Default>"));
  EXPECT_FALSE(is_default_name("MISRA"));
}

TEST(Names, CommandLineTemplates) {
  EXPECT_EQ(compose_command_line("edit %1", "a.c", nullptr), "edit \"a.c\"");
  EXPECT_EQ(compose_command_line("edit %1 -line %2", "a.c", "12"), "edit \"a.c\" -line 12");
  EXPECT_EQ(compose_command_line("edit %1 -line %2", "a.c", ""), "edit \"a.c\" -line  ");
  EXPECT_EQ(compose_command_line("/opt/my editor", "a b.c", nullptr), "\"/opt/my editor\" \"a b.c\"");
  EXPECT_EQ(compose_command_line("\"ed\"", "\"x.c\"", "+3"), "\"ed\" \"x.c\" +3");
  EXPECT_EQ(compose_command_line("ed", nullptr, nullptr), "\"ed\"");
  EXPECT_EQ(compose_command_line("ed", "", "-n"), "\"ed\" -n");
  EXPECT_EQ(compose_command_line("ed %2", "f", "-n"), "\"ed -n\" \"f\"");
}

// ---- file dates ----------------------------------------------------------------

// Sets TZ for the test; the time zone rules follow TZ again when it goes.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) : env_("TZ", std::string(tz)) { tzset(); }

 private:
  struct Reload {
    ~Reload() { tzset(); }
  };
  Reload reload_;  // destroyed after env_ has put TZ back
  sorvi_test::ScopedEnv env_;
};

// Daylight saving all year round.
const char kAlwaysDaylightSaving[] = "XXX0YYY,0/0,J365/25";

class FileDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_file_utils_state();
    sorvi_test::write_file(file_, "x");
    struct utimbuf times = {1000000000, 1000000000};
    utime(file_.c_str(), &times);
  }
  void TearDown() override { reset_file_utils_state(); }

  void install_source(bool log, int offset) {
    set_file_date_settings_source(FileDateSettingsSource{
        [this, log] {
          ++log_reads_;
          return log;
        },
        [this, offset] {
          ++offset_reads_;
          return offset;
        }});
  }

  TempDir dir_;
  std::string file_ = dir_.file("work.stb");
  int log_reads_ = 0;
  int offset_reads_ = 0;
};

TEST_F(FileDateTest, WithoutDaylightSavingTheStatusTimeIsKept) {
  ScopedTimeZone tz("UTC0");
  install_source(true, 1800);
  EXPECT_EQ(file_date(file_, true), 1000000000);
  // One attempt sufficed: the timeout switch was never asked for.
  EXPECT_EQ(log_reads_, 0);
  EXPECT_EQ(offset_reads_, 0);
}

TEST_F(FileDateTest, DaylightSavingSubtractsTheOffsetReadOnce) {
  ScopedTimeZone tz(kAlwaysDaylightSaving);
  EXPECT_EQ(file_date(file_, false), 1000000000 - 3600);
  reset_file_utils_state();
  install_source(false, 1800);
  EXPECT_EQ(file_date(file_, false), 1000000000 - 1800);
  EXPECT_EQ(file_date(file_, false), 1000000000 - 1800);
  EXPECT_EQ(offset_reads_, 1);
}

TEST_F(FileDateTest, MissingFileIsLoggedToTimeoutDatAndReported) {
  sorvi_test::ScopedCwd cwd(dir_.path());
  sorvi_test::ReportCapture report;
  install_source(true, 3600);
  std::string missing = dir_.file("gone.pol");
  EXPECT_EQ(file_date(missing, true), -1);
  EXPECT_EQ(file_date(missing, false), -1);
  EXPECT_EQ(log_reads_, 1);
  std::string line = "\nDate not obtained for file " + missing + " after 10 attempts\n\n";
  EXPECT_EQ(sorvi_test::read_file(dir_.file("timeout.dat")), line + line);
  ASSERT_EQ(report.calls().size(), 2u);
  EXPECT_EQ(report.calls()[0].channel, 'B');
  EXPECT_EQ(report.calls()[0].code, 101);
  EXPECT_EQ(report.calls()[1].channel, 'B');
  EXPECT_EQ(report.calls()[1].code, 2);
  EXPECT_EQ(report.lines(), "Unable to access file \"" + missing + "\"\nThe file may have been moved or renamed\n");
}

TEST_F(FileDateTest, FailedStatusReadIsReportedWithItsReturnCode) {
  sorvi_test::ScopedCwd cwd(dir_.path());
  sorvi_test::ReportCapture report;
  std::string too_long = dir_.file(std::string(300, 'n'));
  EXPECT_EQ(file_date(too_long, true), -1);
  EXPECT_EQ(report.lines(), "Trying to get date properties for file \"" + too_long +
                                "\"\nReturn code from file stat routine is -1\n");
  // The timeout switch defaults to off: no log.
  EXPECT_FALSE(sorvi_test::file_exists(dir_.file("timeout.dat")));
}

TEST_F(FileDateTest, ProfileReadersCanServeTheSettings) {
  sorvi_test::ProfileFixture profile(
      "[C/C++ Vexa Kelvar]\n"
      "FFTIMEOUT=TRUE\n"
      "DST_OFFSET=60\n");
  set_file_date_settings_source(FileDateSettingsSource{
      [] { return get_profile_bool("FFTIMEOUT", false, false); },
      [] { return get_profile_int("DST_OFFSET", 3600, false, nullptr); }});
  ScopedTimeZone tz(kAlwaysDaylightSaving);
  sorvi_test::ScopedCwd cwd(dir_.path());
  EXPECT_EQ(file_date(file_, false), 1000000000 - 60);
  EXPECT_EQ(file_date(dir_.file("none"), false), -1);
  EXPECT_TRUE(sorvi_test::file_exists(dir_.file("timeout.dat")));
}

}  // namespace
}  // namespace sorvi
