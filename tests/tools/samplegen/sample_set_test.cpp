// The sample-set writer as a whole: options, file selection, repeatability,
// the generated code itself, and the sorvi-samplegen tool.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "samplegen_fixture.h"

namespace samplegen_test {
namespace {

// Every file below a directory, paths relative to it in sorted order.
std::vector<std::string> files_below(const std::string& root) {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) out.push_back(entry.path().string().substr(root.size()));
  }
  std::sort(out.begin(), out.end());
  return out;
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
  struct Row { const char* what; const char* outcome; void (*change)(SampleSetOptions&); };
  const Row rows[] = {
      {"10 lines", "written", [](SampleSetOptions& o) { o.target_lines = 10; }},
      {"no directory", "refused", [](SampleSetOptions& o) { o.output_dir.clear(); }},
      {"no module", "refused", [](SampleSetOptions& o) { o.modules = 0; }},
      {"language 3", "refused", [](SampleSetOptions& o) { o.language = 3; }},
      {"10000 procedures", "refused", [](SampleSetOptions& o) { o.procedures = 10000; }},
      {"5 lines", "refused", [](SampleSetOptions& o) { o.target_lines = 5; }},
      {"7 blocks", "refused", [](SampleSetOptions& o) { o.max_blocks = 7; }},
      {"width 5", "refused", [](SampleSetOptions& o) { o.line_width = 5; }},
      {"sequence a/b", "refused", [](SampleSetOptions& o) { o.sequence = "a/b"; }},
  };
  sorvi_test::TempDir dir;
  for (const Row& row : rows) {
    const std::string out = dir.file(std::to_string(&row - rows));
    SampleSetOptions o;
    o.output_dir = out;
    row.change(o);
    const SampleSetSummary s = sorvi_sample::write_sample_set(o);
    const bool written = s.ok && s.error.empty() && sorvi_test::file_exists(out + "/Kelvar.ini");
    const bool refused = !s.ok && !s.error.empty() && !sorvi_test::file_exists(out);
    EXPECT_EQ(written ? "written" : refused ? "refused" : "neither", std::string(row.outcome)) << row.what;
  }
}

TEST(SampleSetOptions, SizesWidthAndFileListAreKept) {
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.path();
  o.target_lines = 3000;
  o.procedures = 25;
  o.max_blocks = 12;
  o.line_width = 7;
  o.files = sorvi_sample::kSampleRef | sorvi_sample::kSampleFlags;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  EXPECT_EQ(files_below(s.root), (std::vector<std::string>{"work/demo_1.ref", "work/demo_1.stb"}));
  const SampleModule& m = s.modules[0];
  EXPECT_EQ(m.procedures.size(), 25u);
  for (const sorvi_sample::SampleProcedure& p : m.procedures) EXPECT_LE(p.block_count, 12) << p.name;
  EXPECT_GT(m.ref_lines, 2700);
  EXPECT_LT(m.ref_lines, 3600);
  // Line numbers, and the counts heading the flags file, are 7 wide.
  EXPECT_EQ(sorvi_test::read_file(s.work_dir + "demo_1.ref").substr(0, 8), "      1 ");
  char head[32];
  std::snprintf(head, sizeof head, "%7d%7d", m.ref_lines, static_cast<int>(m.branches.size()));
  EXPECT_EQ(sorvi_test::read_file(s.work_dir + "demo_1.stb").substr(0, 14), head);
}

TEST(SampleSetRepeatability, SameSeedSameBytesOtherSeedOtherCode) {
  sorvi_test::TempDir dir;
  const auto written = [&](uint64_t seed) {
    std::filesystem::remove_all(dir.file("set"));
    const SampleSetSummary s = write_into(dir.file("set"), seed, 500);
    EXPECT_TRUE(s.ok) << s.error;
    // Every file's content, but for the HDF5 files, which carry times.
    std::map<std::string, std::string> out;
    for (const auto& f : files_below(s.root)) out[f] = f.find(".glh") < f.size() ? "" : sorvi_test::read_file(s.root + f);
    return out;
  };
  const std::map<std::string, std::string> a = written(42);
  EXPECT_GT(a.size(), 25u);
  const std::map<std::string, std::string> b = written(42);
  EXPECT_EQ(b.size(), a.size());
  for (const auto& file : b) EXPECT_EQ(a.count(file.first) ? a.at(file.first) : "missing", file.second) << file.first;
  EXPECT_NE(written(43).at("src/demo.c"), a.at("src/demo.c"));
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
}

#ifdef SORVI_SAMPLEGEN_EXE
TEST(SampleGenTool, WritesTheSetItDescribesAndRefusesBadArguments) {
  sorvi_test::TempDir dir;
  const std::string out = dir.file("out");
  sorvi_test::RunResult r = sorvi_test::run_program(
      SORVI_SAMPLEGEN_EXE, {"--seed", "3", "--lines=200", "--modules", "2", "--files", "all,-glh", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Module 2 " + out + "/src/legacy/demo.c (stem demo_2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("sorvi " + out + "/work/demo_1.ref"), std::string::npos);
  EXPECT_TRUE(sorvi_test::file_exists(out + "/work/demo_2.ref") && !sorvi_test::file_exists(out + "/work/demo_2.glh"));
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"--language", "ada", dir.file("x")},
                                               {"--files", "ref,nothing", dir.file("x")},
                                               {"--bogus", "1", dir.file("x")},
                                               {dir.file("x"), dir.file("second")}}) {
    r = sorvi_test::run_program(SORVI_SAMPLEGEN_EXE, args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err.compare(0, 17, "sorvi-samplegen: "), 0) << r.err;
  }
  EXPECT_FALSE(sorvi_test::file_exists(dir.file("x")));
}
#endif

}  // namespace
}  // namespace samplegen_test
