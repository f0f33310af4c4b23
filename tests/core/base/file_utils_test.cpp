#include "base/file_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>

#include "base_fixture.h"

namespace sorvi {
namespace {

using sorvi_test::TempDir;

// Path text -> relative?, then directory | file name | base name | extension.
TEST(Paths, RelativeAndParts) {
  const std::pair<const char*, const char*> rows[] = {
      {"", "rel||||"},
      {"a", "rel||a|a|"},
      {"dir/file.c", "rel|dir/|file.c|file|.c"},
      {"C:", "rel|C:|||"},
      {"c:/dir", "rel|c:/|dir|dir|"},
      {"1:\\dir", "rel|1:\\|dir|dir|"},
      {"C:\\dir", "abs|C:\\|dir|dir|"},
      {"/usr", "abs|/|usr|usr|"},
      {"C:\\work\\sub/name.ext.c", "abs|C:\\work\\sub/|name.ext.c|name.ext|.c"},
      {"C:file.c", "rel|C:|file.c|file|.c"},
      {"/a.b/noext", "abs|/a.b/|noext|noext|"},
      {"dir/", "rel|dir/|||"},
  };
  for (const auto& [path, dump] : rows) {
    const PathParts p = split_path(path);
    EXPECT_EQ(std::string(is_relative_path(path) ? "rel|" : "abs|") + p.directory + "|" + p.file_name + "|" +
                  p.base_name + "|" + p.extension,
              dump);
  }
}

TEST(Files, DeleteNeedsADirectoryPartAndTakesReadOnlyFiles) {
  TempDir dir;
  sorvi_test::ScopedCwd cwd(dir.path());
  const std::string f = dir.file("data.txt");
  sorvi_test::write_file(f, "12345");
  EXPECT_EQ(file_size(f), 5);
  ASSERT_EQ(chmod(f.c_str(), 0444), 0);
  EXPECT_FALSE(delete_file("data.txt"));
  EXPECT_TRUE(delete_file("./data.txt"));
  EXPECT_EQ(file_size(f), 0);  // a missing file
  EXPECT_FALSE(delete_file(f));
  EXPECT_FALSE(delete_file(dir.path()));
}

TEST(Files, TemporaryNamesAreCreatedForTheOwnerOnly) {
  TempDir dir;
  const std::string a = temporary_file_name(dir.path(), "twf");
  const std::string b = temporary_file_name(dir.path() + "/", "twf");
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir.path() + "/twf", 0), 0u) << a;
  EXPECT_EQ(b.rfind(dir.path() + "/twf", 0), 0u) << b;
  struct stat st;
  ASSERT_EQ(stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  // Without the directory: the system's temporary directory, separators in the prefix made "_".
  TempDir system_tmp;
  sorvi_test::ScopedEnv tmpdir("TMPDIR", system_tmp.path());
  const std::string c = temporary_file_name(dir.file("no-such-dir"), "TC1?m?a/b.c");
  EXPECT_EQ(c.rfind(system_tmp.path() + "/TC1?m?a_b.c", 0), 0u) << c;
}

// ---- file dates ----------------------------------------------------------------

// Sets TZ until destroyed; the base's destructor runs after TZ is back, so
// that the time zone rules follow it again.
struct ReloadTimeZone {
  ~ReloadTimeZone() { tzset(); }
};
struct ScopedTimeZone : ReloadTimeZone {
  explicit ScopedTimeZone(const char* tz) : env("TZ", std::string(tz)) { tzset(); }
  sorvi_test::ScopedEnv env;
};

// A file dated 1000000000 in a scratch directory that is the current one.
class FileDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_file_utils_state();
    sorvi_test::write_file(file_, "x");
    struct utimbuf times = {1000000000, 1000000000};
    utime(file_.c_str(), &times);
  }
  void TearDown() override { reset_file_utils_state(); }
  // A settings source (timeout log on, offset 1800) that counts how often each value is asked for.
  void install_source() {
    set_file_date_settings_source({[this] { return ++log_reads_, true; }, [this] { return ++offset_reads_, 1800; }});
  }
  TempDir dir_;
  sorvi_test::ScopedCwd cwd_{dir_.path()};
  std::string file_ = dir_.file("work.stb");
  int log_reads_ = 0;
  int offset_reads_ = 0;
};

TEST_F(FileDateTest, DaylightSavingSubtractsTheOffsetReadOnce) {
  install_source();
  {
    ScopedTimeZone tz("UTC0");
    EXPECT_EQ(file_date(file_, true), 1000000000);
  }
  ScopedTimeZone tz("XXX0YYY,0/0,J365/25");  // daylight saving all year round
  EXPECT_EQ(file_date(file_, false), 1000000000 - 1800);
  EXPECT_EQ(file_date(file_, false), 1000000000 - 1800);
  // One attempt sufficed each time: the timeout switch was never asked for.
  EXPECT_EQ(std::to_string(log_reads_) + "," + std::to_string(offset_reads_), "0,1");
  reset_file_utils_state();  // without a source the offset is 3600
  EXPECT_EQ(file_date(file_, false), 1000000000 - 3600);
}

TEST_F(FileDateTest, FailuresAreReportedAndLoggedToTimeoutDatWhenTheSwitchIsOn) {
  sorvi_test::ReportCapture report;
  const std::string too_long = dir_.file(std::string(300, 'n'));
  EXPECT_EQ(file_date(too_long, true), -1);
  EXPECT_FALSE(sorvi_test::file_exists(dir_.file("timeout.dat")));  // the switch defaults to off
  reset_file_utils_state();                                         // forgets the switch read once
  install_source();
  const std::string missing = dir_.file("gone.pol");
  EXPECT_EQ(file_date(missing, true), -1);
  EXPECT_EQ(file_date(missing, false), -1);
  EXPECT_EQ(log_reads_, 1);
  const std::string line = "\nDate not obtained for file " + missing + " after 10 attempts\n\n";
  EXPECT_EQ(sorvi_test::read_file(dir_.file("timeout.dat")), line + line);
  EXPECT_EQ(sorvi_test::report_dump(report), " B101 B2 B101 B2 Trying to get date properties for file \"" + too_long +
                                                 "\"\nReturn code from file stat routine is -1\n"
                                                 "Unable to access file \"" +
                                                 missing + "\"\nThe file may have been moved or renamed\n");
}

}  // namespace
}  // namespace sorvi
