// The module registry: the name checksum, the record format, matching,
// stems, the messages of the error report, the GLH copy and the lock.
#include "workfiles/module_registry.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/string_routines.h"
#include "workfiles_fixture.h"

namespace sorvi {
namespace {

using sorvi_test::ReportCall;

// One registry line as the suite writes it.
std::string record(int checksum, const std::string& name, const std::string& tail = "") {
  char head[32];
  std::snprintf(head, sizeof head, "%5d%5d%5d", 1, checksum, static_cast<int>(name.size()));
  return head + name + tail + "\n";
}

class RegistryTest : public workfiles_test::WorkfilesTest {
 protected:
  void write_registry(const std::string& text) { sorvi_test::write_file(work("staticid.dat"), text); }
  std::string src(const std::string& name) { return other(name); }
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
  EXPECT_EQ(name_checksum("/ab/c.d"), 90848);
  EXPECT_EQ(name_checksum("/AB/C.D"), 90848);
  EXPECT_EQ(name_checksum("/ab/./x/../c.d"), 90848) << "the full path folds . and ..";
}

TEST(NameChecksum, HighBytesCountAsNegativeAndTheResultIsAMagnitude) {
  // a0 = '/' ^ -23 = -58, a1 = -23: h = -58 * 65536 - 23 = -3801111.
  EXPECT_EQ(name_checksum("/\xE9\xE9"), 1111);
  // Upper-casing leaves bytes of 128 and above alone.
  EXPECT_NE(name_checksum("/\xE9\xE9"), name_checksum("/\xC9\xC9"));
}

TEST(NameChecksum, RelativeNamesUseTheCurrentDirectory) {
  sorvi_test::TempDir dir;
  sorvi_test::ScopedCwd cwd(dir.path());
  EXPECT_EQ(name_checksum("util.c"), name_checksum((full_path(".") + "/UTIL.C").c_str()));
  EXPECT_EQ(name_checksum(""), 0);
  EXPECT_EQ(name_checksum(nullptr), 0);
}

// ---- reading and matching --------------------------------------------------------

TEST_F(RegistryTest, TwoFilesWithOneBaseNameAreToldApartByChecksum) {
  const std::string first = src("a/util.c"), second = src("b/util.c");
  ASSERT_NE(name_checksum(first.c_str()), name_checksum(second.c_str()));
  write_registry(record(name_checksum(first.c_str()), "util", " 7 2") + record(name_checksum(second.c_str()), "util", " 7 6"));
  EXPECT_EQ(module_number_of(second.c_str(), false), 2);
  EXPECT_EQ(retrieve_workname_stem(second.c_str(), false), "util_2");
  EXPECT_EQ(language_code_of(second.c_str()), 6);
  EXPECT_EQ(module_number_of(first.c_str(), false), 1);
  EXPECT_EQ(retrieve_workname_stem(first.c_str(), false), "util_1");
  EXPECT_EQ(language_code_of(first.c_str()), 2);
  EXPECT_EQ(module_number_of(src("c/util.c").c_str(), false), 0);
  EXPECT_EQ(retrieve_workname_stem(src("c/util.c").c_str(), false), "util");
  ASSERT_EQ(module_registry().size(), 2u);
  EXPECT_EQ(module_registry()[1].values, (int_list{name_checksum(second.c_str()), 6, 7}));
}

TEST_F(RegistryTest, NameOnlyRecordMatchesAnyFileOfItsName) {
  write_registry(record(12345, "main", " 0 2") + record(0, "main", " 0 0") + record(0, "other"));
  for (const char* dir : {"x/", "y/z/"}) {
    const std::string file = src(std::string(dir) + "Main.cpp");
    EXPECT_EQ(module_number_of(file.c_str(), false), 2);
    EXPECT_EQ(retrieve_workname_stem(file.c_str(), false), "Main");
    EXPECT_EQ(language_code_of(file.c_str()), 0);
  }
  EXPECT_EQ(module_number_of("other.c", false), 3);
}

TEST_F(RegistryTest, RecordWithoutTrailingIntegersHasLanguageZero) {
  const std::string file = src("demo.c");
  write_registry(record(name_checksum(file.c_str()), "demo") + record(1, "next", "   4   13"));
  EXPECT_EQ(module_number_of(file.c_str(), false), 1);
  EXPECT_EQ(language_code_of(file.c_str()), 0);
  ASSERT_EQ(module_registry().size(), 2u);
  EXPECT_EQ(module_registry()[0].values, (int_list{name_checksum(file.c_str()), 0, 0}));
  EXPECT_EQ(module_registry()[1].values, (int_list{1, 13, 4}));
}

TEST_F(RegistryTest, PathsDifferingInCaseMatchTheSameRecord) {
  const std::string file = src("dir/Util.C");
  std::string shouted = file;
  upper_case(shouted);
  write_registry(record(name_checksum(file.c_str()), "UTIL", " 1 2"));
  EXPECT_EQ(name_checksum(file.c_str()), name_checksum(shouted.c_str()));
  EXPECT_EQ(module_number_of(shouted.c_str(), false), 1);
  EXPECT_EQ(retrieve_workname_stem(file.c_str(), false), "Util_1") << "the stem keeps the file's own spelling";
}

TEST_F(RegistryTest, EmptyRegistryKnowsNoFile) {
  write_registry("");
  EXPECT_EQ(module_number_of(src("demo.c").c_str(), false), 0);
  EXPECT_TRUE(module_registry().empty());
  EXPECT_EQ(retrieve_workname_stem(src("demo.c").c_str(), false), "demo");
  EXPECT_EQ(language_code_of(src("demo.c").c_str()), 0);
}

TEST_F(RegistryTest, NamesKeepTheirBlanksAndCrLfLinesRead) {
  write_registry("    1    5    6my mod 3 16\r\n    2    0    3abc\r\n");
  ASSERT_TRUE(load_module_registry(nullptr, nullptr));
  EXPECT_EQ(names(), (std::vector<std::string>{"my mod", "abc"}));
  EXPECT_EQ(module_registry()[0].values, (int_list{5, 16, 3}));
}

TEST_F(RegistryTest, StemOfAModuleNumber) {
  write_registry(record(11, "alpha", " 0 2") + record(22, "beta", " 0 2"));
  std::string stem;
  EXPECT_TRUE(module_stem(2, false, false, stem));
  EXPECT_EQ(stem, "beta");
  EXPECT_TRUE(module_stem(2, true, false, stem));
  EXPECT_EQ(stem, "beta_2");
  EXPECT_FALSE(module_stem(3, true, false, stem));
  EXPECT_EQ(stem, "");
  EXPECT_FALSE(module_stem(0, false, false, stem));
}

// ---- broken records and messages -------------------------------------------------

TEST_F(RegistryTest, NameCutByTheEndOfTheFileIsReported) {
  write_registry(record(11, "alpha", " 0 2") + "    2   22   10abc");
  sorvi_test::ReportCapture capture;
  EXPECT_TRUE(load_module_registry(nullptr, nullptr));
  EXPECT_EQ(names(), (std::vector<std::string>{"alpha"}));
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[1].code, 2);
  EXPECT_EQ(capture.lines(), "Premature end-of-file found when reading\nfile name characters in staticid.dat\n");
}

TEST_F(RegistryTest, LanguageCodeMissingAfterTheFirstIntegerIsReported) {
  write_registry(record(11, "alpha", " 0 2") + record(22, "beta", " 5") + record(33, "gamma", " 0 2"));
  sorvi_test::ReportCapture capture;
  load_module_registry(nullptr, nullptr);
  EXPECT_EQ(names(), (std::vector<std::string>{"alpha"})) << "reading stops at the broken record";
  EXPECT_EQ(capture.lines(), "Premature end-of-file found when reading\nlanguage code integer in staticid.dat\n");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[1].code, 2);
}

TEST_F(RegistryTest, FixedFieldsThatAreNotFiveCharactersEndTheReadingQuietly) {
  for (const std::string& bad : {std::string("1        5    3abc 0 2\n"), std::string("    1    5\n"),
                                 std::string("\n"), std::string("    1    5   -3abc 0 2\n")}) {
    write_registry(record(11, "alpha", " 0 2") + bad + record(33, "gamma", " 0 2"));
    sorvi_test::ReportCapture capture;
    load_module_registry(nullptr, nullptr);
    EXPECT_EQ(names(), (std::vector<std::string>{"alpha"})) << bad;
    EXPECT_TRUE(capture.calls().empty()) << bad;
  }
}

TEST_F(RegistryTest, HugeNameLengthIsBoundedByTheFile) {
  write_registry("    1    5999991234567890");
  sorvi_test::ReportCapture capture;
  load_module_registry(nullptr, nullptr);
  EXPECT_TRUE(module_registry().empty());
  EXPECT_EQ(capture.lines(), "Premature end-of-file found when reading\nfile name characters in staticid.dat\n");
}

TEST_F(RegistryTest, MissingRegistryIsReportedWithItsPath) {
  sorvi_test::ReportCapture capture;
  EXPECT_FALSE(load_module_registry(nullptr, nullptr));
  ASSERT_EQ(capture.calls().size(), 1u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 100);
  EXPECT_EQ(capture.calls()[0].text, "Error trying to open " + work("staticid.dat"));
  EXPECT_TRUE(module_registry().empty());
}

TEST_F(RegistryTest, RegistryPathIsMadeFromTheWorkDirectory) {
  EXPECT_EQ(registry_path((work_dir_ + "   ").c_str()), work("staticid.dat"));
  EXPECT_EQ(registry_path(work_dir_.substr(0, work_dir_.size() - 1).c_str()), work("staticid.dat"));
}

TEST_F(RegistryTest, ModuleNumberMessages) {
  write_registry(record(11, "alpha", " 0 2"));
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(module_number_of("", true), 0);
  EXPECT_EQ(capture.lines(), "Cannot find staticid number for null file\n");
  capture.clear();
  const std::string file = src("beta.c");
  EXPECT_EQ(module_number_of(file.c_str(), true), 0);
  EXPECT_EQ(capture.lines(), "Cannot find source file \"" + file + "\" in staticid.dat file\nModule number unavailable\n" +
                                 "Checksum for file is " + std::to_string(name_checksum(file.c_str())) + "\n");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[1].code, 2);
}

TEST_F(RegistryTest, StemMessagesListTheRegistry) {
  write_registry(record(11, "alpha", " 0 2") + record(22, "beta", " 0 2"));
  sorvi_test::ReportCapture capture;
  const std::string file = src("gamma.c");
  EXPECT_EQ(retrieve_workname_stem(file.c_str(), true), "gamma");
  EXPECT_EQ(capture.lines(), "Can't get module number for file \"" + file + "\" in retrieve_workname_stem\n" +
                                 "Checksum generated for stem gamma is " +
                                 std::to_string(name_checksum(file.c_str())) + "\n" +
                                 "Stored staticid.dat records (name : checksum) are:\nalpha : 11\nbeta : 22\n");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');

  capture.clear();
  std::string stem;
  EXPECT_FALSE(module_stem(5, true, true, stem));
  ASSERT_EQ(capture.calls().size(), 1u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[0].text, "Unable to get stem for module 5 in staticid.dat");
}

// ---- where the registry comes from ----------------------------------------------

TEST_F(RegistryTest, CopyInTheGlhFileWinsAndLeavesNothingBehind) {
  write_registry(record(11, "plain", " 0 2"));
  const std::string glh = work("demo.glh");
  {
    sorvi_sample::GlhWriter w(glh);
    const std::string line = record(22, "fromglh", " 0 6");
    w.add_work_file("$$CFG_REPOSITORY$$", "staticid", {{line.substr(0, line.size() - 1)}, false, {}, {}});
    ASSERT_TRUE(w.close());
  }
  const int entries = workfiles_test::directory_entries(work_dir_);
  ASSERT_TRUE(load_module_registry(nullptr, glh.c_str()));
  EXPECT_EQ(names(), (std::vector<std::string>{"fromglh"}));
  EXPECT_EQ(module_registry()[0].values, (int_list{22, 6, 0}));
  EXPECT_EQ(workfiles_test::directory_entries(work_dir_), entries) << "the temporary copy is gone";

  // A GLH file without a copy leaves the plain file.
  const std::string empty_glh = work("empty.glh");
  {
    sorvi_sample::GlhWriter w(empty_glh);
    ASSERT_TRUE(w.close());
  }
  ASSERT_TRUE(load_module_registry(nullptr, empty_glh.c_str()));
  EXPECT_EQ(names(), (std::vector<std::string>{"plain"}));
}

TEST_F(RegistryTest, QueriesLoadOnceAndReloadForAnotherGlhFile) {
  write_registry(record(0, "first"));
  EXPECT_EQ(module_number_of("first.c", false), 1);
  write_registry(record(0, "second"));
  EXPECT_EQ(module_number_of("second.c", false), 0) << "kept for the process";
  ensure_module_registry(nullptr);
  EXPECT_EQ(names(), (std::vector<std::string>{"first"}));
  ensure_module_registry(work("none.glh").c_str());
  EXPECT_EQ(names(), (std::vector<std::string>{"second"}));
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
