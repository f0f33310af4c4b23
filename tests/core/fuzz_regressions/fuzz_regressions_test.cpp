// Replays every stored fuzz input through the harness of its target: the
// seed corpora (fuzz/corpus/<target>/) and the inputs that once crashed,
// hung or broke a promise (fuzz/regressions/<target>/), and generated junk
// through the harnesses of the text readers. Each harness checks its
// reader's promises and that the sample set is left byte for byte as it
// was; under the sanitizer build any memory or undefined-behaviour fault
// ends the test.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "fuzz_harness.h"
#include "harness_internal.h"

// HDF5 1.10 loses a metadata-cache entry on some damaged GLH files (see
// tests/lsan.supp); the replays of such files must not fail on it when the
// suite runs without that file.
extern "C" const char* __lsan_default_suppressions() { return "leak:libhdf5_serial.so\n"; }

namespace {

const std::string kFuzzDir = std::string(SORVI_SOURCE_DIR) + "/fuzz/";

std::vector<std::string> files_in(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string path = dir + "/" + e->d_name;
      struct stat st;
      if (e->d_name[0] != '.' && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) files.push_back(path);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class FuzzReplay : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzReplay, StoredInputsKeepEveryPromise) {
  const std::string target = GetParam();
  sorvi_fuzz::FuzzFunction run = sorvi_fuzz::find_fuzz_target(target);
  ASSERT_NE(run, nullptr);
  const std::vector<std::string> corpus = files_in(kFuzzDir + "corpus/" + target);
  EXPECT_FALSE(corpus.empty()) << "no seeds for " << target;
  std::vector<std::string> inputs = corpus;
  for (const std::string& f : files_in(kFuzzDir + "regressions/" + target)) inputs.push_back(f);
  for (const std::string& path : inputs) {
    const std::string bytes = bytes_of(path);
    const int rc = run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(rc, 0) << path << ": " << sorvi_fuzz::fuzz_failure();
  }
}

// The batch seeds are whole, valid sets: each run writes its report
// without a single fatal report, so the fuzzer starts from the far end.
TEST(FuzzSeeds, BatchSeedsWriteTheirReports) {
  for (const std::string& path : files_in(kFuzzDir + "corpus/batch")) {
    const std::string bytes = bytes_of(path);
    ASSERT_EQ(sorvi_fuzz::fuzz_batch(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0)
        << sorvi_fuzz::fuzz_failure();
    EXPECT_EQ(sorvi_fuzz::fuzz_last_run().reports_added, 1) << path;
    EXPECT_EQ(sorvi_fuzz::fuzz_last_run().report_calls, 0) << path;
  }
}

std::vector<std::string> target_names() {
  std::vector<std::string> names;
  for (const sorvi_fuzz::FuzzTarget& t : sorvi_fuzz::fuzz_targets()) names.push_back(t.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(target_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Deterministic junk of what the fixed-column readers take apart: digits,
// blanks, minus signs, kind and flag letters, quotes, tabs and line ends
// (LF, CR LF, lone CR), with now and then a very long line.
std::string junk_text(unsigned seed, size_t size) {
  static const char kAlphabet[] = "0123456789          ---TtFfSQDYP\"\t\n\n\n\r";
  std::string text;
  unsigned state = seed * 2654435761u + 1;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    const unsigned r = (state >> 8) % 1000;
    text += r == 0 ? std::string(5000, '7') : std::string(1, kAlphabet[r % (sizeof kAlphabet - 1)]);
  }
  return text;
}

class JunkReplay : public ::testing::TestWithParam<std::string> {};

TEST_P(JunkReplay, GeneratedJunkKeepsEveryPromise) {
  sorvi_fuzz::FuzzFunction run = sorvi_fuzz::find_fuzz_target(GetParam());
  ASSERT_NE(run, nullptr);
  for (unsigned seed = 1; seed <= 150; ++seed) {
    const std::string junk = junk_text(seed, 3000);
    EXPECT_EQ(run(reinterpret_cast<const uint8_t*>(junk.data()), junk.size()), 0)
        << "seed " << seed << ": " << sorvi_fuzz::fuzz_failure();
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, JunkReplay,
                         ::testing::Values("block_file", "block_flags", "counts", "procedures", "dataflow",
                                           "violations"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Every folder of stored inputs belongs to a target, so none is skipped
// unseen.
TEST(FuzzReplayFolders, EveryFolderNamesATarget) {
  for (const char* kind : {"corpus", "regressions"}) {
    const std::string dir = kFuzzDir + kind;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        EXPECT_NE(sorvi_fuzz::find_fuzz_target(e->d_name), nullptr) << kind << "/" << e->d_name;
      }
      closedir(d);
    }
  }
}

// The harness frame notices a run that writes into the set, adds a file or
// leaves a lock behind, and puts the set back for the next run.
TEST(FuzzRunCheck, NoticesWritesAndLeftovers) {
  sorvi_fuzz::FuzzSet* set = sorvi_fuzz::fuzz_set();
  ASSERT_NE(set, nullptr);
  const std::string ref = set->work() + set->module().stem + ".ref";
  const std::string original = bytes_of(ref);
  {
    sorvi_fuzz::FuzzRun run(*set);
    sorvi_fuzz::write_whole_file(ref, "changed");
    EXPECT_EQ(run.finish(), 1);
    EXPECT_EQ(sorvi_fuzz::fuzz_failure(), "file changed: work/" + set->module().stem + ".ref");
  }
  {
    sorvi_fuzz::FuzzRun run(*set);
    sorvi_fuzz::write_whole_file(set->work() + "new.rtf", "{\\rtf1}");
    EXPECT_EQ(run.finish(false), 1);
    EXPECT_EQ(sorvi_fuzz::fuzz_failure(), "file added: work/new.rtf");
  }
  {
    sorvi_fuzz::FuzzRun run(*set);
    sorvi_fuzz::write_whole_file(set->work() + "new.rtf", "{\\rtf1}");
    EXPECT_EQ(run.finish(true), 0);
  }
  {
    sorvi_fuzz::FuzzRun run(*set);
    ASSERT_EQ(mkdir((set->root() + "perm/Locks").c_str(), 0777) == 0 || errno == EEXIST, true);
    ASSERT_EQ(mkdir((set->root() + "perm/Locks/staticid.dat").c_str(), 0777), 0);
    EXPECT_EQ(run.finish(), 1);
    EXPECT_EQ(sorvi_fuzz::fuzz_failure(), "left behind: perm/Locks/staticid.dat");
  }
  // Put back as written: a clean run passes again.
  EXPECT_EQ(bytes_of(ref), original);
  sorvi_fuzz::FuzzRun run(*set);
  EXPECT_EQ(run.finish(), 0) << sorvi_fuzz::fuzz_failure();
}

}  // namespace
