// The module registry: the name checksum, the record format, matching,
// stems, the messages of the error report, and the lock.
#include "workfiles/module_registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "base/string_routines.h"
#include "locking/named_lock.h"
#include "workfiles_fixture.h"

namespace sorvi {
namespace {

// One registry line as the suite writes it.
std::string record(int checksum, const std::string& name, const std::string& tail = "") {
  char head[32];
  std::snprintf(head, sizeof head, "%5d%5d%5d", 1, checksum, static_cast<int>(name.size()));
  return head + name + tail + "\n";
}

using workfiles_test::reported;

class RegistryTest : public workfiles_test::WorkfilesTest {
 protected:
  void write_registry(const std::string& text) { sorvi_test::write_file(work("staticid.dat"), text); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const NamedIntEntry& e : module_registry()) out.push_back(e.name);
    return out;
  }
};

// ---- checksum ---------------------------------------------------------------------

TEST(NameChecksum, FoldsTheUpperCasedFullPath) {
  // "/AB/C.D": a0 = '/'+'C', a1 = 'A'+'.', a2 = 'B'+'D', a3 = '/';
  // ((114 ^ 134) << 16) + (111 ^ 47) = 15990848, remainder 90848.
  // "/\xE9\xE9": bytes count as negative, a0 = '/' ^ -23 = -58, a1 = -23:
  // h = -58 * 65536 - 23 = -3801111, and the result is a magnitude. Upper-casing
  // leaves bytes of 128 and above alone: "/\xC9\xC9" gives -26 * 65536 - 55.
  const std::vector<std::pair<const char*, int>> rows = {
      {"/ab/c.d", 90848},   {"/AB/C.D", 90848},   {"/ab/./x/../c.d", 90848}, {"/\xE9\xE9", 1111},
      {"/\xC9\xC9", 3991}, {"", 0},              {nullptr, 0}};
  for (const auto& row : rows) EXPECT_EQ(name_checksum(row.first), row.second) << (row.first ? row.first : "null");
  // A relative name is taken in the current directory.
  sorvi_test::TempDir dir;
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(name_checksum("util.c"), name_checksum((full_path(".") + "/UTIL.C").c_str()));
}

// ---- reading and matching --------------------------------------------------------

// Registry text -> "loaded? entries as name/language/spare", then "| module
// number, stem and language" of each file asked, then what was reported.
TEST_F(RegistryTest, RecordsAndMatchingAsDumped) {
  const std::string a = other("a/util.c"), b = other("b/util.c"), demo = other("demo.c"), util = other("dir/Util.C");
  std::string shouted = util;
  upper_case(shouted);
  const std::string alpha = record(11, "alpha", " 0 2"), gamma = record(33, "gamma", " 0 2");
  const std::string premature = " B101 B2 [Premature end-of-file found when reading\n";
  const struct {
    std::string registry;  // "<none>": no file
    std::vector<std::string> asked;
    std::string expected;
  } rows[] = {
      // Two files with one base name are told apart by their checksums.
      {record(name_checksum(a.c_str()), "util", " 7 2") + record(name_checksum(b.c_str()), "util", " 7 6"),
       {b, a, other("c/util.c")},
       "1 util/2/7 util/6/7 | 2 util_2 6 | 1 util_1 2 | 0 util 0"},
      // A name-only record (checksum and language 0) matches any file of its name.
      {record(12345, "main", " 0 2") + record(0, "main", " 0 0") + record(0, "other"),
       {other("x/Main.cpp"), other("y/z/Main.cpp"), "other.c"},
       "1 main/2/0 main/0/0 other/0/0 | 2 Main 0 | 2 Main 0 | 3 other 0"},
      {record(name_checksum(demo.c_str()), "demo") + record(1, "next", "   4   13"), {demo},
       "1 demo/0/0 next/13/4 | 1 demo_1 0"},
      // Paths differing in case match the same record; the stem keeps the file's spelling.
      {record(name_checksum(util.c_str()), "UTIL", " 1 2"), {shouted, util},
       "1 UTIL/2/1 | 1 UTIL_1 2 | 1 Util_1 2"},
      {"", {demo}, "1 | 0 demo 0"},
      {"    1    5    6my mod 3 16\r\n    2    0    3abc\r\n", {}, "1 my mod/16/3 abc/0/0"},
      // Fixed fields that are not five characters end the reading quietly.
      {alpha + "1        5    3abc 0 2\n" + gamma, {}, "1 alpha/2/0"},
      {alpha + "    1    5\n" + gamma, {}, "1 alpha/2/0"},
      {alpha + "\n" + gamma, {}, "1 alpha/2/0"},
      {alpha + "    1    5   -3abc 0 2\n" + gamma, {}, "1 alpha/2/0"},
      // A broken record ends the reading with a report.
      {alpha + "    2   22   10abc", {}, "1 alpha/2/0" + premature + "file name characters in staticid.dat\n]"},
      {alpha + record(22, "beta", " 5") + gamma, {},
       "1 alpha/2/0" + premature + "language code integer in staticid.dat\n]"},
      {"    1    5999991234567890", {}, "1" + premature + "file name characters in staticid.dat\n]"},
      {"<none>", {}, "0 B100:Error trying to open " + work("staticid.dat")},
  };
  for (const auto& row : rows) {
    std::remove(work("staticid.dat").c_str());
    if (row.registry != "<none>") write_registry(row.registry);
    reset_module_registry();
    sorvi_test::ReportCapture capture;
    std::string out = std::to_string(load_module_registry(nullptr, nullptr));
    for (const NamedIntEntry& e : module_registry()) {
      out += " " + e.name + "/" + std::to_string(e.values[1]) + "/" + std::to_string(e.values[2]);
    }
    const std::string report = reported(capture);
    for (const std::string& file : row.asked) {
      out += " | " + std::to_string(module_number_of(file.c_str(), false)) + " " +
             retrieve_workname_stem(file.c_str(), false) + " " + std::to_string(language_code_of(file.c_str()));
    }
    EXPECT_EQ(out + report, row.expected) << row.registry;
  }
}

TEST_F(RegistryTest, StemsAndMessages) {
  write_registry(record(11, "alpha", " 0 2") + record(22, "beta", " 0 2"));
  const std::string gamma = other("gamma.c");
  const std::string gamma_sum = std::to_string(name_checksum(gamma.c_str()));
  auto stem_of = [](int number, bool with_number, bool report) {
    std::string stem = "stale";
    return std::to_string(module_stem(number, with_number, report, stem)) + " " + stem;
  };
  EXPECT_EQ(stem_of(2, false, false) + ", " + stem_of(2, true, false) + ", " + stem_of(3, true, false) + ", " +
                stem_of(0, false, false),
            "1 beta, 1 beta_2, 0 , 0 ");
  const std::vector<std::pair<std::function<std::string()>, std::string>> rows = {
      {[&] { return stem_of(5, true, true); }, "0  B101:Unable to get stem for module 5 in staticid.dat"},
      {[] { return std::to_string(module_number_of("", true)); },
       "0 B101 B2 [Cannot find staticid number for null file\n]"},
      {[&] { return std::to_string(module_number_of(gamma.c_str(), true)); },
       "0 B101 B2 [Cannot find source file \"" + gamma + "\" in staticid.dat file\nModule number unavailable\n" +
           "Checksum for file is " + gamma_sum + "\n]"},
      {[&] { return retrieve_workname_stem(gamma.c_str(), true); },
       "gamma B101 B2 [Can't get module number for file \"" + gamma + "\" in retrieve_workname_stem\n" +
           "Checksum generated for stem gamma is " + gamma_sum + "\n" +
           "Stored staticid.dat records (name : checksum) are:\nalpha : 11\nbeta : 22\n]"},
  };
  for (const auto& row : rows) {
    sorvi_test::ReportCapture capture;
    const std::string result = row.first();
    EXPECT_EQ(result + reported(capture), row.second);
  }
}

TEST_F(RegistryTest, ReadsUnderTheLockAndReleasesIt) {
  write_registry(record(0, "stale"));
  // Another process holds the lock; while we wait it rewrites the registry
  // and lets go.
  ASSERT_TRUE(make_directories(lock_directory()));
  int pauses = 0;
  set_lock_sleep_function([&](int) {
    if (++pauses == 3) {
      write_registry(record(0, "fresh"));
      rmdir(lock_directory().c_str());
    }
  });
  ASSERT_TRUE(load_module_registry(nullptr, nullptr));
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(names(), (std::vector<std::string>{"fresh"}));
  EXPECT_TRUE(sorvi::is_directory(profile_->dir().file("perm/Locks")));
  EXPECT_FALSE(sorvi::is_directory(lock_directory())) << "the lock is released";
}

TEST_F(RegistryTest, ReadsAfterTheWaitRunsOut) {
  use_profile("STATICID_LOCK_WAIT_TIME=1\n");
  write_registry(record(0, "alpha"));
  ASSERT_TRUE(make_directories(lock_directory()));
  int pauses = 0;
  set_lock_sleep_function([&](int) { ++pauses; });
  ASSERT_TRUE(load_module_registry(nullptr, nullptr));
  EXPECT_EQ(names(), (std::vector<std::string>{"alpha"}));
  EXPECT_GE(pauses, 5);
}

TEST_F(RegistryTest, TwoProcessesReadTheRegistryAtOnce) {
  write_registry(record(11, "alpha", " 0 2") + record(22, "beta", " 0 6"));
  auto read_many = [this] {
    bool ok = true;
    for (int i = 0; i < 25; ++i) {
      ok = load_module_registry(nullptr, nullptr) && names() == std::vector<std::string>{"alpha", "beta"} && ok;
    }
    return ok;
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(read_many() ? 0 : 1);
  EXPECT_TRUE(read_many());
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_FALSE(sorvi::is_directory(lock_directory()));
}

}  // namespace
}  // namespace sorvi
