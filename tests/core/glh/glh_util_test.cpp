// Work files kept in a GLH file: presence, storage mode, extraction and
// reading in memory.
#include "glh/glh_util.h"

#include "glh_fixture.h"

namespace sorvi {
namespace {

using sorvi_sample::GlhTextDocumentContent;
using sorvi_sample::GlhWriter;

const char kSource[] = "/src/demo.c";

class GlhWorkFileTest : public glh_test::GlhTest {
 protected:
  void SetUp() override {
    GlhTest::SetUp();
    glh_ = path("demo.glh");
    out_ = path("out.txt");
    GlhWriter w(glh_);
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
  }

  std::string extracted() const { return sorvi_test::read_file(out_); }

  std::string glh_;
  std::string out_;
};

TEST_F(GlhWorkFileTest, PresentOnlyWhenEveryLevelExists) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif", glh_.c_str()), 1);
  EXPECT_EQ(glh_work_file_present(kSource, "sub?deep.sif", glh_.c_str()), 1);
  EXPECT_EQ(glh_work_file_present("$$CFG_REPOSITORY$$", "staticid", glh_.c_str()), 1);
  EXPECT_EQ(glh_work_file_present(kSource, "demo_3.sif", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present(kSource, "nosub?deep.sif", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present(kSource, "sub?deep.sif?more", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present("/src/other.c", "demo_2.sif", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present("missing?level", "demo_2.sif", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif", path("missing.glh").c_str()), 0);
  EXPECT_EQ(glh_work_file_present("", "demo_2.sif", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present(kSource, "", glh_.c_str()), 0);
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif", ""), 0);
  EXPECT_EQ(glh_work_file_present(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  // The document's dataset is a member, not a further level of groups.
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif?Document", glh_.c_str()), 0);
}

TEST_F(GlhWorkFileTest, ChunkedWhenTheStorageModeIsAboveZero) {
  EXPECT_TRUE(glh_text_storage_is_chunked(kSource, "chunks.ref", glh_.c_str()));
  EXPECT_TRUE(glh_text_storage_is_chunked(kSource, "mode2.ref", glh_.c_str()));
  EXPECT_FALSE(glh_text_storage_is_chunked(kSource, "demo_2.sif", glh_.c_str()));
  EXPECT_FALSE(glh_text_storage_is_chunked(kSource, "missing.ref", glh_.c_str()));
}

TEST_F(GlhWorkFileTest, ExtractsLinesWithLineEnds) {
  sorvi_test::write_file(out_, "old content\n");
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", glh_.c_str(), out_.c_str(), 0), 1);
  EXPECT_EQ(extracted(), "line 1\n\nline 3\n");
  EXPECT_EQ(glh_extract_text(kSource, "sub?deep.sif", glh_.c_str(), out_.c_str(), 1), 1);
  EXPECT_EQ(extracted(), "line 1\n\nline 3\ndeep\n");
}

TEST_F(GlhWorkFileTest, StorageModesOtherThanOneAreLines) {
  EXPECT_EQ(glh_extract_text(kSource, "mode2.ref", glh_.c_str(), out_.c_str(), 0), 1);
  EXPECT_EQ(extracted(), "x\n");
}

TEST_F(GlhWorkFileTest, BlocksOfTheProfileSizeMakeTheSameText) {
  for (int size : {2, 1, 4, 5, 6, 0, -3}) {
    use_profile("GLH_BLOCK_SIZE=" + std::to_string(size) + "\n");
    EXPECT_EQ(glh_block_size(), size);
    sorvi_test::write_file(out_, "previous\n");
    EXPECT_EQ(glh_extract_text(kSource, "five.ref", glh_.c_str(), out_.c_str(), 0), 1) << size;
    EXPECT_EQ(extracted(), "l1\nl2\nl3\nl4\nl5\n") << size;
    EXPECT_EQ(glh_extract_text(kSource, "five.ref", glh_.c_str(), out_.c_str(), 1), 1) << size;
    EXPECT_EQ(extracted(), "l1\nl2\nl3\nl4\nl5\nl1\nl2\nl3\nl4\nl5\n") << size;
  }
}

TEST_F(GlhWorkFileTest, BlockSizeIsReadOncePerProcess) {
  use_profile("GLH_BLOCK_SIZE=2\n");
  EXPECT_EQ(glh_block_size(), 2);
  profile_->rewrite("[C/C++ Vexa Kelvar]\nGLH_BLOCK_SIZE=7\n");
  EXPECT_EQ(glh_block_size(), 2);
  reset_glh_block_size();
  EXPECT_EQ(glh_block_size(), 7);
  use_profile("");
  EXPECT_EQ(glh_block_size(), 65536);
}

TEST_F(GlhWorkFileTest, EmptyTextMakesAnEmptyFileUnlessAppending) {
  sorvi_test::write_file(out_, "kept\n");
  EXPECT_EQ(glh_extract_text(kSource, "empty.ref", glh_.c_str(), out_.c_str(), 1), 1);
  EXPECT_EQ(extracted(), "kept\n");
  EXPECT_EQ(glh_extract_text(kSource, "empty.ref", glh_.c_str(), out_.c_str(), 0), 1);
  EXPECT_TRUE(sorvi_test::file_exists(out_));
  EXPECT_EQ(extracted(), "");
}

TEST_F(GlhWorkFileTest, ChunksAreWrittenUnchanged) {
  EXPECT_EQ(glh_extract_text(kSource, "chunks.ref", glh_.c_str(), out_.c_str(), 0), 1);
  EXPECT_EQ(extracted(), "abcdef\nghi");
  EXPECT_EQ(glh_extract_text(kSource, "chunks.ref", glh_.c_str(), out_.c_str(), 1), 1);
  EXPECT_EQ(extracted(), "abcdef\nghiabcdef\nghi");
}

TEST_F(GlhWorkFileTest, FailuresWriteNothingAndGiveZero) {
  const std::string nowhere = path("no/such/dir/out.txt");
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", glh_.c_str(), nowhere.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "chunks.ref", glh_.c_str(), nowhere.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "empty.ref", glh_.c_str(), nowhere.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "missing.ref", glh_.c_str(), out_.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", glh_.c_str(), "", 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", glh_.c_str(), nullptr, 0), 0);
  EXPECT_FALSE(sorvi_test::file_exists(out_));
  // Library_Header counts that the dataset does not hold.
  EXPECT_EQ(glh_extract_text(kSource, "overcount.ref", glh_.c_str(), out_.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "negative.ref", glh_.c_str(), out_.c_str(), 0), 0);
  EXPECT_EQ(glh_extract_text(kSource, "overchunk.ref", glh_.c_str(), out_.c_str(), 0), 0);
}

TEST_F(GlhWorkFileTest, ReadsALineStoredTextInMemory) {
  GlhTextBlock* block = glh_read_text(kSource, "demo_2.sif", glh_.c_str());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->name, "demo_2.sif");
  EXPECT_EQ(block->entry_count, 3);
  EXPECT_FALSE(block->single_slot);
  EXPECT_TRUE(block->hdf5_owned);
  EXPECT_STREQ(block->line(0), "line 1");
  EXPECT_STREQ(block->line(1), "");
  EXPECT_STREQ(block->line(2), "line 3");
  EXPECT_STREQ(block->line(3), "");
  EXPECT_EQ(block->auxiliary1, std::optional<std::string>("aux one"));
  EXPECT_EQ(block->auxiliary2, std::optional<std::string>("aux two"));
  glh_free_text_block(&block);
  EXPECT_EQ(block, nullptr);

  block = glh_read_text("$$CFG_REPOSITORY$$", "staticid", glh_.c_str());
  ASSERT_NE(block, nullptr);
  EXPECT_STREQ(block->line(0), "/src/demo.c");
  EXPECT_FALSE(block->auxiliary1.has_value());
  glh_free_text_block(&block);
}

TEST_F(GlhWorkFileTest, EmptyTextReadsAsOneEmptySlot) {
  GlhTextBlock* block = glh_read_text(kSource, "empty.ref", glh_.c_str());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->entry_count, 0);
  EXPECT_TRUE(block->single_slot);
  EXPECT_FALSE(block->hdf5_owned);
  ASSERT_EQ(block->entries.size(), 1u);
  EXPECT_STREQ(block->line(0), "");
  glh_free_text_block(&block);
}

TEST_F(GlhWorkFileTest, ReadTextNeedsATextDocumentOfADocRepository) {
  EXPECT_EQ(glh_read_text("plain", "notes", glh_.c_str()), nullptr);
  EXPECT_EQ(glh_read_text(kSource, "missing.ref", glh_.c_str()), nullptr);
  EXPECT_EQ(glh_read_text(kSource, "overcount.ref", glh_.c_str()), nullptr);
  EXPECT_EQ(glh_read_text(kSource, "negative.ref", glh_.c_str()), nullptr);
  EXPECT_EQ(glh_read_text(kSource, "demo_2.sif", path("missing.glh").c_str()), nullptr);
  EXPECT_EQ(glh_read_text("", "demo_2.sif", glh_.c_str()), nullptr);
  GlhTextBlock* none = nullptr;
  glh_free_text_block(&none);
  glh_free_text_block(nullptr);
}

TEST_F(GlhWorkFileTest, AFileWithoutFileHeaderCannotBeReadButCanBeExtracted) {
  // Extraction opens the file on its own; reading goes through the library
  // open, which checks "File_Header".
  const std::string bare = path("bare.glh");
  {
    GlhWriter w(bare, std::nullopt);
    w.add_work_file(kSource, "demo_2.sif", {{"only"}, false, {}, {}});
    ASSERT_TRUE(w.close());
  }
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif", bare.c_str()), 1);
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", bare.c_str(), out_.c_str(), 0), 1);
  EXPECT_EQ(extracted(), "only\n");
  EXPECT_EQ(glh_read_text(kSource, "demo_2.sif", bare.c_str()), nullptr);
}

TEST_F(GlhWorkFileTest, NotAnHdf5FileGivesNothing) {
  const std::string text = path("text.glh");
  sorvi_test::write_file(text, "plain text, not HDF5\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(glh_work_file_present(kSource, "demo_2.sif", text.c_str()), 0);
  EXPECT_FALSE(glh_text_storage_is_chunked(kSource, "demo_2.sif", text.c_str()));
  EXPECT_EQ(glh_extract_text(kSource, "demo_2.sif", text.c_str(), out_.c_str(), 0), 0);
  EXPECT_EQ(glh_read_text(kSource, "demo_2.sif", text.c_str()), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace sorvi
