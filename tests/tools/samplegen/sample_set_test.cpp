// The sample-set writer as a whole: options, file selection, repeatability,
// the generated code itself, and the sorvi-samplegen tool.
#include <dirent.h>

#include <algorithm>
#include <cstdlib>

#include "base/file_utils.h"
#include "samplegen_fixture.h"

namespace samplegen_test {
namespace {

using sorvi_sample::SampleSetOptions;

// Every regular file below a directory, relative paths in sorted order.
void list_files(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
  DIR* dir = opendir((root + relative).c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = relative + name;
    if (sorvi::is_directory(root + path)) {
      list_files(root, path + "/", out);
    } else {
      out.push_back(path);
    }
  }
  closedir(dir);
  std::sort(out.begin(), out.end());
}

SampleSetSummary write_into(const std::string& dir, uint64_t seed, int lines, int language = 2) {
  SampleSetOptions o;
  o.output_dir = dir;
  o.seed = seed;
  o.target_lines = lines;
  o.language = language;
  return sorvi_sample::write_sample_set(o);
}

TEST(SampleSetOptions, RefusesWhatItCannotWrite) {
  sorvi_test::TempDir dir;
  const auto refused = [&](void (*change)(SampleSetOptions&)) {
    SampleSetOptions o;
    o.output_dir = dir.file("x");
    change(o);
    const SampleSetSummary s = sorvi_sample::write_sample_set(o);
    return !s.ok && !s.error.empty();
  };
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.output_dir.clear(); }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.modules = 0; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.language = 3; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.procedures = 10000; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.target_lines = 5; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.max_blocks = 7; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.line_width = 5; }));
  EXPECT_TRUE(refused([](SampleSetOptions& o) { o.sequence = "a/b"; }));
  EXPECT_FALSE(sorvi_test::file_exists(dir.file("x/Kelvar.ini")));
  EXPECT_EQ(sorvi_sample::describe_sample_set(sorvi_sample::write_sample_set(SampleSetOptions())),
            "sample set not written: no output directory\n");
}

TEST(SampleSetOptions, FileListsNameWhatIsWritten) {
  unsigned files = 0;
  std::string bad;
  ASSERT_TRUE(sorvi_sample::parse_sample_files("all,-glh,-testcases", files, bad));
  EXPECT_EQ(files, sorvi_sample::kSampleAllFiles & ~(sorvi_sample::kSampleGlh | sorvi_sample::kSampleTestCases));
  ASSERT_TRUE(sorvi_sample::parse_sample_files("ref,index", files, bad));
  EXPECT_EQ(files, sorvi_sample::kSampleRef | sorvi_sample::kSampleIndex);
  EXPECT_FALSE(sorvi_sample::parse_sample_files("ref,bogus", files, bad));
  EXPECT_EQ(bad, "bogus");

  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.path();
  o.target_lines = 80;
  o.files = sorvi_sample::kSampleRef | sorvi_sample::kSampleIndex;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  std::vector<std::string> written;
  list_files(s.root, "", written);
  EXPECT_EQ(written, (std::vector<std::string>{"work/demo_1.ndx", "work/demo_1.ref", "work/demo_1.smi"}));
  EXPECT_EQ(s.modules[0].files.size(), 3u);
}

TEST(SampleSetOptions, TinySetStillHasEveryPart) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.path();
  o.target_lines = 10;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  EXPECT_LT(m.ref_lines, 60);
  ASSERT_EQ(m.procedures.size(), 1u);
  EXPECT_EQ(m.procedures[0].name, "main");
  EXPECT_GT(m.procedures[0].block_count, 0);
}

TEST(SampleSetOptions, ProcedureCountAndBlockLimitAreKept) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.path();
  o.target_lines = 3000;
  o.procedures = 25;
  o.max_blocks = 12;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  EXPECT_EQ(m.procedures.size(), 25u);
  for (const sorvi_sample::SampleProcedure& p : m.procedures) EXPECT_LE(p.block_count, 12) << p.name;
  EXPECT_GT(m.ref_lines, 2700);
  EXPECT_LT(m.ref_lines, 3600);
}

TEST(SampleSetRepeatability, SameSeedSameBytesOtherSeedOtherCode) {
  sorvi_test::TempDir dir;
  const SampleSetSummary a = write_into(dir.file("a"), 42, 500);
  const SampleSetSummary b = write_into(dir.file("b"), 42, 500);
  const SampleSetSummary c = write_into(dir.file("c"), 43, 500);
  ASSERT_TRUE(a.ok && b.ok && c.ok);
  std::vector<std::string> files_a;
  std::vector<std::string> files_b;
  list_files(a.root, "", files_a);
  list_files(b.root, "", files_b);
  ASSERT_EQ(files_a, files_b);
  ASSERT_GT(files_a.size(), 25u);
  const auto with_root = [](std::string text, const std::string& root) {
    for (size_t p = text.find(root); p != std::string::npos; p = text.find(root, p))
      text.replace(p, root.size(), "<root>/");
    return text;
  };
  for (const std::string& f : files_a) {
    if (f.size() > 4 && f.compare(f.size() - 4, 4, ".glh") == 0) continue;  // HDF5 files carry times
    if (f == "work/staticid.dat") continue;                                 // checksums of different paths
    EXPECT_EQ(with_root(sorvi_test::read_file(a.root + f), a.root),
              with_root(sorvi_test::read_file(b.root + f), b.root))
        << f;
  }
  EXPECT_NE(sorvi_test::read_file(a.root + "src/demo.c"), sorvi_test::read_file(c.root + "src/demo.c"));
}

// The generated code is real C and C++: a compiler accepts it.
TEST(SampleCode, CompilersAcceptTheSources) {
  if (std::system("cc --version > /dev/null 2>&1") != 0 || std::system("c++ --version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no compiler";
  }
  sorvi_test::TempDir dir;
  const SampleSetSummary c = write_into(dir.file("c"), 5, 1500);
  const SampleSetSummary cpp = write_into(dir.file("cpp"), 5, 1500, 6);
  ASSERT_TRUE(c.ok && cpp.ok);
  EXPECT_EQ(std::system(("cc -std=c99 -fsyntax-only -w " + c.modules[0].source_path).c_str()), 0);
  EXPECT_EQ(std::system(("c++ -std=c++17 -fsyntax-only -w " + cpp.modules[0].source_path).c_str()), 0);
  EXPECT_EQ(cpp.modules[0].source_path, cpp.source_dir + "demo.cpp");
  // C++ procedures declared in the header are qualified by the module's namespace.
  bool qualified = false;
  for (const sorvi_sample::SampleProcedure& p : cpp.modules[0].procedures) {
    qualified = qualified || p.name.compare(0, 6, "demo::") == 0;
  }
  EXPECT_TRUE(qualified);
}

#ifdef SORVI_SAMPLEGEN_EXE
TEST(SampleGenTool, WritesASetAndDescribesIt) {
  sorvi_test::TempDir dir;
  const sorvi_test::RunResult r =
      sorvi_test::run_program(SORVI_SAMPLEGEN_EXE, {"--seed", "3", "--lines=200", "--modules", "2", dir.file("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Module 2 " + dir.file("out") + "/src/legacy/demo.c (stem demo_2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("sorvi " + dir.file("out") + "/work/demo_1.ref"), std::string::npos);
  EXPECT_TRUE(sorvi_test::file_exists(dir.file("out/work/demo_2.glh")));
  EXPECT_TRUE(sorvi_test::file_exists(dir.file("out/Kelvar.ini")));
}

TEST(SampleGenTool, BadArgumentsAreRefused) {
  sorvi_test::TempDir dir;
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--lines", "3", dir.path()},
                                               {"--language", "ada", dir.path()},
                                               {"--files", "ref,nothing", dir.path()},
                                               {"--bogus", "1", dir.path()},
                                               {dir.path(), dir.file("second")}}) {
    const sorvi_test::RunResult r = sorvi_test::run_program(SORVI_SAMPLEGEN_EXE, args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("sorvi-samplegen: "), std::string::npos);
  }
  const sorvi_test::RunResult help = sorvi_test::run_program(SORVI_SAMPLEGEN_EXE, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.compare(0, 38, "usage: sorvi-samplegen [options] OUTPU"), 0);
}
#endif

}  // namespace
}  // namespace samplegen_test
