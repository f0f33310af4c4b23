// Generation over whole sample analysis sets: what every code line and
// rule must satisfy, the same text from the GLH repository as from plain
// work files, streaming into the rich-text writer, and a work directory
// left as it was.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "annotate/rtf_writer.h"
#include "annotate_fixture.h"
#include "samplegen/sample_set_writer.h"

namespace annotate_test {
namespace {

// Name, size and modification time of every file of a directory. (Reads
// from the repository may make short-lived copies beside the work files;
// none may stay, and no work file may change.)
std::map<std::string, std::pair<long long, long long>> directory_state(const std::string& dir) {
  std::map<std::string, std::pair<long long, long long>> state;
  DIR* d = opendir(dir.c_str());
  if (!d) return state;
  while (dirent* e = readdir(d)) {
    if (std::string(e->d_name) == "." || std::string(e->d_name) == "..") continue;
    struct stat st {};
    const std::string path = dir + "/" + e->d_name;
    if (stat(path.c_str(), &st) == 0) {
      state[e->d_name] = {static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL +
                                                                 st.st_mtim.tv_nsec};
    }
  }
  closedir(d);
  return state;
}

class SampleSetTest : public AnnotateTest {
 protected:
  void make_set(int lines, int language = 2) {
    sorvi_sample::SampleSetOptions o;
    o.output_dir = dir() + "/set";
    o.target_lines = lines;
    o.language = language;
    set_ = sorvi_sample::write_sample_set(o);
    ASSERT_TRUE(set_.ok) << set_.error;
    kelvar_ = std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set_.root);
    reset_state();
  }

  void TearDown() override {
    for (sorvi::AnnotationContext* c : contexts_) sorvi::FreeAnnotationContext(c);
    contexts_.clear();
    reset_state();
    kelvar_.reset();
    AnnotateTest::TearDown();
  }

  const sorvi_sample::SampleModule& module() const { return set_.modules[0]; }

  sorvi::AnnotationContext* context(int flags, bool vmode = false, bool with_glh = true) {
    const sorvi_sample::SampleModule& m = module();
    sorvi::AnnotationContext* c = keep(sorvi::CreateAnnotationContext(
        set_.work_dir + m.stem + ".ref", -1, -1, m.source_path, "", nullptr, false, vmode, false, false, false,
        with_glh ? set_.work_dir + m.stem + ".glh" : std::string(), flags, false));
    if (c) sorvi::SetRunOptions(c, m.language, nullptr, 0, nullptr, nullptr);
    return c;
  }

  sorvi_sample::SampleSetSummary set_;
  std::unique_ptr<sorvi_test::ScopedEnv> kelvar_;
};

TEST_F(SampleSetTest, EveryAnnotationOverASampleModule) {
  make_set(600);
  const auto before = directory_state(set_.work_dir);
  sorvi::AnnotationContext* c = context(2047);
  ASSERT_NE(c, nullptr);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_TRUE(c->blocksLoaded && c->coverageLoaded && c->violationsLoaded && c->dataflowLoaded && c->indexLoaded);
  EXPECT_TRUE(c->mainMoved);  // main is the first record and stands last in the text

  // Every reformatted line once, in order, as a code line.
  int next = 1;
  int procedure_rules = 0;
  int coverage_notes = 0;
  for (const sorvi::AnnotatedLine& l : lines) {
    if (l.style == 0 && l.text.size() >= 6 && l.text != " ") {
      EXPECT_EQ(l.text.substr(0, 6), format("%6d", next)) << l.text;
      ++next;
    }
    procedure_rules += l.style == 1 ? 1 : 0;
    coverage_notes += l.text.rfind("Combined Coverage : Block ", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(next - 1, module().ref_lines);
  // Each procedure opens and closes with a procedure rule.
  EXPECT_EQ(procedure_rules, 2 * static_cast<int>(module().procedures.size()));
  // At most one combined note per real block.
  int real_blocks = 0;
  for (const sorvi_sample::SampleBlock& b : module().blocks) real_blocks += b.dummy ? 0 : 1;
  EXPECT_GT(coverage_notes, 0);
  EXPECT_LE(coverage_notes, real_blocks);
  EXPECT_EQ(lines.back().text, " ");
  EXPECT_EQ(directory_state(set_.work_dir), before);
}

TEST_F(SampleSetTest, TheRepositoryGivesTheSameText) {
  make_set(300);
  const std::vector<sorvi::AnnotatedLine> from_files = generate(context(2047));
  // Without the plain work files every one comes from the GLH file.
  for (const std::string& name : module().glh_documents) std::remove((set_.work_dir + name).c_str());
  reset_state();
  const auto before = directory_state(set_.work_dir);
  const std::vector<sorvi::AnnotatedLine> from_repository = generate(context(2047));
  ASSERT_EQ(from_repository.size(), from_files.size());
  for (size_t i = 0; i < from_files.size(); ++i) {
    EXPECT_EQ(from_repository[i].style, from_files[i].style) << i;
    EXPECT_EQ(from_repository[i].text, from_files[i].text) << i;
  }
  EXPECT_EQ(directory_state(set_.work_dir), before);
}

TEST_F(SampleSetTest, BatchReportStreamsIntoTheRichTextWriter) {
  make_set(400);
  sorvi::AnnotationContext* c = context(0, true);
  ASSERT_TRUE(c->annotated);
  const std::string path = dir() + "/report.aref.rtf";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  sorvi::RtfStreamWriter writer(out, sorvi::RtfFont(), sorvi::SwitchedOn(), 0);
  sorvi::AnnotatedLineList list(&writer);
  ASSERT_TRUE(sorvi::GenerateAnnotatedLines(c, list));
  EXPECT_TRUE(writer.finish());
  std::fclose(out);
  const std::string rtf = sorvi_test::read_file(path);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
  EXPECT_EQ(rtf.substr(rtf.size() - 7), "\\par\n}\n");
  // The generated list kept nothing: the writer took every chunk.
  EXPECT_TRUE(list.take_chunk().empty());
  EXPECT_GT(list.size(), static_cast<size_t>(module().ref_lines));
}

TEST_F(SampleSetTest, ATestCaseShowsItsOwnCountsAndNoCurrentResults) {
  make_set(300);
  sorvi::AnnotationContext* all_runs = context(sorvi::kFlagBlocks | sorvi::kFlagCode | sorvi::kFlagCoverage);
  sorvi::AnnotationContext* one_run = context(sorvi::kFlagBlocks | sorvi::kFlagCode | sorvi::kFlagCoverage);
  sorvi::SetRunOptions(one_run, 2, nullptr, 1, set_.sequence.c_str(), set_.tests_dir.c_str());
  int current = 0, combined = 0, differ = 0;
  const std::vector<sorvi::AnnotatedLine> a = generate(all_runs);
  const std::vector<sorvi::AnnotatedLine> b = generate(one_run);
  for (const sorvi::AnnotatedLine& l : a) current += l.text.rfind("Current Coverage", 0) == 0 ? 1 : 0;
  for (const sorvi::AnnotatedLine& l : b) {
    EXPECT_NE(l.text.rfind("Current Coverage", 0), 0u) << l.text;
    combined += l.text.rfind("Combined Coverage", 0) == 0 ? 1 : 0;
  }
  ASSERT_TRUE(one_run->coverageLoaded);
  EXPECT_TRUE(one_run->currentCounts.empty());
  EXPECT_GT(current, 0);
  EXPECT_GT(combined, 0);
  // Run 1 alone counts less than the three runs together somewhere.
  ASSERT_EQ(one_run->combinedCounts.size(), all_runs->combinedCounts.size());
  for (size_t i = 0; i < all_runs->combinedCounts.size(); ++i) {
    EXPECT_LE(one_run->combinedCounts[i], all_runs->combinedCounts[i]);
    differ += one_run->combinedCounts[i] != all_runs->combinedCounts[i] ? 1 : 0;
  }
  EXPECT_GT(differ, 0);
}

TEST_F(SampleSetTest, ACppModuleWithItsMainStart) {
  make_set(300, 6);
  sorvi::AnnotationContext* c = context(2047);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_GT(c->mainStart, 0);
  EXPECT_EQ(c->mainName, "main");
  EXPECT_TRUE(c->mainMoved);
  // The main procedure's first real block starts at the recorded line.
  bool found = false;
  for (const sorvi::ProcedureBlocks& p : c->procedures) {
    if (p.name != "main") continue;
    found = true;
    EXPECT_EQ(p.blocks[p.hasDummyStart ? 1 : 0].startLine, c->mainStart);
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(lines.back().text, " ");
}

}  // namespace
}  // namespace annotate_test
