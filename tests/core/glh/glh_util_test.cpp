// Work files kept in a GLH file: presence, storage mode, extraction and
// reading in memory.
#include "glh/glh_util.h"

#include "glh_fixture.h"

namespace sorvi {
namespace {

using sorvi_sample::GlhWriter;

const char kSource[] = "/src/demo.c";

// demo.glh holds the work files; bare.glh one work file but no
// "File_Header"; text.glh is no HDF5 file; missing.glh is not there.
class GlhWorkFileTest : public glh_test::GlhTest {
 protected:
  void SetUp() override {
    GlhTest::SetUp();
    out_ = path("out.txt");
    GlhWriter w(path("demo.glh"));
    w.add_repository("GLQ_Repository", 6);
    w.add_work_file(kSource, "demo_2.sif", {{"line 1", "", "line 3"}, false, {{"aux one", "aux two"}}, {}});
    w.add_work_file(kSource, "five.ref", {{"l1", "l2", "l3", "l4", "l5"}, false, {}, {}});
    w.add_work_file(kSource, "empty.ref", {{}, false, {}, {}});
    w.add_work_file(kSource, "chunks.ref", {{"abc", "", "def\n", "ghi"}, true, {}, {}});
    w.add_work_file(kSource, "mode2.ref", {{"x"}, false, {}, std::vector<int>{1, 0, 0, 0, 0, 0, 1, 2}});
    w.add_work_file(kSource, "sub?deep.sif", {{"deep"}, false, {}, {}});
    // Counts that disagree with the dataset.
    w.add_work_file(kSource, "overcount.ref", {{"a", "b"}, false, {}, std::vector<int>{2, 0, 0, 0, 0, 0, 3, 0}});
    w.add_work_file(kSource, "negative.ref", {{"a"}, false, {}, std::vector<int>{1, 0, 0, 0, 0, 0, -1, 0}});
    w.add_work_file(kSource, "overchunk.ref", {{"a"}, true, {}, std::vector<int>{1, 0, 0, 0, 0, 0, 4, 1}});
    w.add_work_file("$$CFG_REPOSITORY$$", "staticid", {{"/src/demo.c"}, false, {}, {}});
    w.add_group("plain", std::vector<int>{0, 6});
    w.add_text_document("plain", "notes", {{"n"}, false, {}, {}});
    ASSERT_TRUE(w.close());
    GlhWriter bare(path("bare.glh"), std::nullopt);
    bare.add_work_file(kSource, "demo_2.sif", {{"only"}, false, {}, {}});
    ASSERT_TRUE(bare.close());
    sorvi_test::write_file(path("text.glh"), "plain text, not HDF5\n");
  }

  // The result and what the output file then holds.
  std::string extract(const char* name, const char* file, int append) {
    const int result = glh_extract_text(kSource, name, path(file).c_str(), out_.c_str(), append);
    const bool written = sorvi_test::file_exists(out_);
    return std::to_string(result) + (written ? " [" + sorvi_test::read_file(out_) + "]" : " none");
  }

  std::string out_;
};

TEST_F(GlhWorkFileTest, ExtractsLinesWithLineEndsAndChunksUnchanged) {
  struct Case {
    const char* name;
    const char* file;
    int append;
    const char* before;  // the output file's content, or null for none
    const char* result;
  };
  const Case cases[] = {
      {"demo_2.sif", "demo.glh", 0, "old content\n", "1 [line 1\n\nline 3\n]"},
      {"sub?deep.sif", "demo.glh", 1, "line 1\n", "1 [line 1\ndeep\n]"},
      {"mode2.ref", "demo.glh", 0, nullptr, "1 [x\n]"},  // modes other than 1 are lines
      {"empty.ref", "demo.glh", 1, "kept\n", "1 [kept\n]"},
      {"empty.ref", "demo.glh", 0, "kept\n", "1 []"},
      {"chunks.ref", "demo.glh", 0, nullptr, "1 [abcdef\nghi]"},
      {"chunks.ref", "demo.glh", 1, "abcdef\nghi", "1 [abcdef\nghiabcdef\nghi]"},
      // Extraction opens the file on its own, without the "File_Header" check.
      {"demo_2.sif", "bare.glh", 0, nullptr, "1 [only\n]"},
      {"missing.ref", "demo.glh", 0, nullptr, "0 none"},
      {"overcount.ref", "demo.glh", 0, nullptr, "0 none"},
      {"negative.ref", "demo.glh", 0, nullptr, "0 none"},
      {"overchunk.ref", "demo.glh", 0, nullptr, "0 none"},
      {"demo_2.sif", "text.glh", 0, nullptr, "0 none"},
  };
  for (const Case& c : cases) {
    std::remove(out_.c_str());
    if (c.before) sorvi_test::write_file(out_, c.before);
    EXPECT_EQ(extract(c.name, c.file, c.append), c.result) << c.name << " from " << c.file;
  }
  const std::string nowhere = path("no/such/dir/out.txt");
  for (const char* name : {"demo_2.sif", "chunks.ref", "empty.ref"}) {
    EXPECT_EQ(glh_extract_text(kSource, name, path("demo.glh").c_str(), nowhere.c_str(), 0), 0) << name;
  }
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", path("demo.glh").c_str(), "", 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", path("demo.glh").c_str(), nullptr, 0), 0);
}

TEST_F(GlhWorkFileTest, BlocksOfTheProfileSizeMakeTheSameText) {
  for (int size : {2, 1, 4, 5, 6, 0, -3}) {
    use_profile("GLH_BLOCK_SIZE=" + std::to_string(size) + "\n");
    EXPECT_EQ(glh_block_size(), size);
    sorvi_test::write_file(out_, "previous\n");
    EXPECT_EQ(extract("five.ref", "demo.glh", 0), "1 [l1\nl2\nl3\nl4\nl5\n]") << size;
    EXPECT_EQ(extract("five.ref", "demo.glh", 1), "1 [l1\nl2\nl3\nl4\nl5\nl1\nl2\nl3\nl4\nl5\n]") << size;
  }
}

// Texts are read straight from the file where their storage allows it and
// through the library otherwise (compressed, compact): the same text either
// way, in blocks that cross the storage's chunks or not.
TEST_F(GlhWorkFileTest, EveryStorageOfATextExtractsTheSameText) {
  using sorvi_sample::GlhTextStorage;
  for (int size : {65536, 3}) {
    use_profile("GLH_BLOCK_SIZE=" + std::to_string(size) + "\n");
    for (GlhTextStorage storage : {GlhTextStorage::kChunked, GlhTextStorage::kCompressed, GlhTextStorage::kCompact}) {
      GlhWriter w(path("stored.glh"));
      w.add_work_file(kSource, "five.ref", {{"l1", "", "l3", "l4", "l5"}, false, {}, {}, storage});
      w.add_work_file(kSource, "chunks.ref", {{"abc", "", "def\n", "ghi"}, true, {}, {}, storage});
      ASSERT_TRUE(w.close());
      EXPECT_EQ(extract("five.ref", "stored.glh", 0), "1 [l1\n\nl3\nl4\nl5\n]") << static_cast<int>(storage);
      EXPECT_EQ(extract("chunks.ref", "stored.glh", 0), "1 [abcdef\nghi]") << static_cast<int>(storage);
    }
  }
}

TEST_F(GlhWorkFileTest, BlockSizeIsReadOncePerProcess) {
  use_profile("GLH_BLOCK_SIZE=2\n");
  EXPECT_EQ(glh_block_size(), 2);
  profile_->rewrite("[C/C++ Vexa Kelvar]\nGLH_BLOCK_SIZE=7\n");
  EXPECT_EQ(glh_block_size(), 2);
  reset_glh_block_size();
  EXPECT_EQ(glh_block_size(), 7);
}

// Whether the work file is present (1 or 0) and stored in chunks, and the
// block read in memory, line by line up to one past the last entry, or
// "none".
std::string work_file(const char* source, const char* name, const std::string& file) {
  std::string dump = std::to_string(glh_work_file_present(source, name, file.c_str()));
  if (glh_text_storage_is_chunked(source, name, file.c_str())) dump += " chunked";
  GlhTextBlock* block = glh_read_text(source, name, file.c_str());
  if (!block) return dump + " none";
  dump += " " + block->name + " entries " + std::to_string(block->entry_count) + " slots " +
          std::to_string(block->entries.size()) + (block->single_slot ? " single" : "") +
          (block->hdf5_owned ? " owned" : "") + " [";
  for (int i = 0; i <= block->entry_count; ++i) dump += std::string(block->line(static_cast<size_t>(i))) + "|";
  dump += "] " + block->auxiliary1.value_or("-") + "/" + block->auxiliary2.value_or("-");
  glh_free_text_block(&block);
  EXPECT_EQ(block, nullptr);
  return dump;
}

// Text documents of DOC repositories are read in memory; every level of a
// name must exist, and the document's own dataset is no further level.
TEST_F(GlhWorkFileTest, PresentAndReadOnlyWhenEveryLevelExists) {
  struct Case {
    const char* source;
    const char* name;
    const char* file;
    const char* result;
  };
  const Case cases[] = {
      {kSource, "demo_2.sif", "demo.glh", "1 demo_2.sif entries 3 slots 3 owned [line 1||line 3||] aux one/aux two"},
      {"$$CFG_REPOSITORY$$", "staticid", "demo.glh", "1 staticid entries 1 slots 1 owned [/src/demo.c||] -/-"},
      {kSource, "empty.ref", "demo.glh", "1 empty.ref entries 0 slots 1 single [|] -/-"},
      {kSource, "sub?deep.sif", "demo.glh", "1 sub/deep.sif entries 1 slots 1 owned [deep||] -/-"},
      {kSource, "chunks.ref", "demo.glh", "1 chunked chunks.ref entries 4 slots 4 owned [abc||def\n|ghi||] -/-"},
      {kSource, "mode2.ref", "demo.glh", "1 chunked mode2.ref entries 1 slots 1 owned [x||] -/-"},
      {"plain", "notes", "demo.glh", "1 none"},  // not a DOC repository
      {kSource, "overcount.ref", "demo.glh", "1 none"},
      {kSource, "negative.ref", "demo.glh", "1 none"},
      // Reading goes through the library open, which checks "File_Header".
      {kSource, "demo_2.sif", "bare.glh", "1 none"},
      {kSource, "missing.ref", "demo.glh", "0 none"},
      {kSource, "nosub?deep.sif", "demo.glh", "0 none"},
      {kSource, "sub?deep.sif?more", "demo.glh", "0 none"},
      {kSource, "demo_2.sif?Document", "demo.glh", "0 none"},
      {"/src/other.c", "demo_2.sif", "demo.glh", "0 none"},
      {"missing?level", "demo_2.sif", "demo.glh", "0 none"},
      {"", "demo_2.sif", "demo.glh", "0 none"},
      {kSource, "", "demo.glh", "0 none"},
      {kSource, "demo_2.sif", "text.glh", "0 none"},
      {kSource, "demo_2.sif", "missing.glh", "0 none"},
  };
  testing::internal::CaptureStderr();
  for (const Case& c : cases)
    EXPECT_EQ(work_file(c.source, c.name, path(c.file)), c.result) << c.name << " in " << c.file;
  EXPECT_EQ(work_file(kSource, "demo_2.sif", ""), "0 none");
  EXPECT_EQ(glh_work_file_present(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace sorvi
