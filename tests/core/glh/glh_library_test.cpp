// Opening GLH files, repositories and documents, and reading records whole
// and through indexes, from files the test writer builds.
#include <cstdio>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "glh/glh_library.h"
#include "glh/glq_records.h"
#include "glh_fixture.h"

namespace sorvi {
namespace {

using glh_test::GlhTest;
using glh_test::open_objects;
using sorvi_sample::encode_gl_record;
using sorvi_sample::encode_gl_records;
using sorvi_sample::GlhIndexContent;
using sorvi_sample::GlhIndexKey;
using sorvi_sample::GlhRecordDocumentContent;
using sorvi_sample::GlhRow;
using sorvi_sample::GlhWriter;

// A file with the GLQ repository holding a small penalty catalogue with an
// index, and the model descriptions.
class GlhCatalogueTest : public GlhTest {
 protected:
  void SetUp() override {
    GlhTest::SetUp();
    file_ = path("cat.glh");
    GlhWriter w(file_, std::vector<int>{77, 14, 1001});
    w.add_repository("GLQ_Repository", 6);
    GlhRecordDocumentContent pen;
    pen.rows = encode_gl_records({
        sorvi_sample::glq_penalty_record(0, 1, 'S', 2, 12, 40, true, false, "MISRA 12.1", "Use of *** bytes"),
        sorvi_sample::glq_references_record(0, 3, 4, "MISRA-C:2004 12.1;CWE 190"),
        sorvi_sample::glq_penalty_record(1, 2, 'C', 0, 7, 0, false, true, "", ""),
        sorvi_sample::glq_references_record(1, 0, 0, std::string(2500, 'r')),
    });
    // Keys in an order that is neither alphabetical nor the rows' order.
    pen.indexes.push_back(
        {"Penaltys",
         {GlhIndexKey{"7 C", {2, 3, 4, 5}, true}, GlhIndexKey{"12 S", {0, 1}, false}, GlhIndexKey{"0 A", {}, false}}});
    w.add_record_document("GLQ_Repository", kGlqPenalties, pen);
    GlhRecordDocumentContent models;
    models.rows = encode_gl_records({sorvi_sample::glq_model_description_record("\"MISRA-C:2004\":M:Mandatory")});
    w.add_record_document("GLQ_Repository", kGlqModelDescriptions, models);
    ASSERT_TRUE(w.close());
  }

  std::string file_;
};

TEST_F(GlhCatalogueTest, ReadsTheWholeTableInTheCallingOrder) {
  GlhLibrary* lib = glh_open_library(file_.c_str(), "READ_ONLY");
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(lib->file_header0, 77);
  EXPECT_EQ(lib->read_write, 0);
  EXPECT_EQ(lib->path, file_);
  GlhRepository* repo = glh_open_repository_by_type("glq", lib);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(repo->name, "GLQ_Repository");
  EXPECT_EQ(repo->type, kGlhTypeGLQ);
  GlhDocument* doc = glh_open_document(kGlqPenalties, repo);
  ASSERT_NE(doc, nullptr);
  // Six rows for four records: the table was read once for the long records.
  EXPECT_EQ(doc->row_count, 6);
  EXPECT_EQ(doc->entry_count, 4);
  EXPECT_EQ(doc->long_records, (std::vector<std::pair<int, int>>{{3, 2}}));

  GlhRecordSet* set = glh_read_all_records(doc);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->name, "Everything");
  EXPECT_EQ(set->kind, 1);
  ASSERT_EQ(set->records.size(), 4u);
  const GlhRecord& p = set->records[0];
  EXPECT_EQ(p.fields[kGlFieldType], kGlqPenalty);
  EXPECT_EQ(p.fields[kGlqFieldEntry], 0);
  EXPECT_EQ(p.fields[kGlqPenaltyNumber], 1);
  EXPECT_EQ(p.fields[kGlqPenaltyLetter], 'S');
  EXPECT_EQ(p.fields[kGlqPenaltyCodeD], 2);
  EXPECT_EQ(p.fields[kGlqPenaltyStandardNumber], 12);
  EXPECT_EQ(p.fields[kGlqPenaltyParameter], 40);
  EXPECT_EQ(p.fields[kGlqPenaltyHasParameter], 1);
  EXPECT_EQ(p.fields[kGlqPenaltyIsMr], 0);
  EXPECT_EQ(p.key, std::optional<std::string>("MISRA 12.1"));
  EXPECT_EQ(p.value, std::optional<std::string>("Use of *** bytes"));
  EXPECT_EQ(set->records[1].fields[kGlqReferencesCodeB], 3);
  EXPECT_EQ(set->records[1].value, std::optional<std::string>("MISRA-C:2004 12.1;CWE 190"));
  EXPECT_EQ(set->records[2].key, std::optional<std::string>(kGlqNoTypeString));
  EXPECT_EQ(set->records[2].value, std::optional<std::string>(kGlqNoNameString));
  EXPECT_EQ(set->records[3].value, std::optional<std::string>(std::string(2500, 'r')));
  EXPECT_EQ(set->records[3].fields[kGlFieldTextLength], 2500);

  glh_free_record_set(&set);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(glh_close_document(&doc), 0);
  EXPECT_EQ(doc, nullptr);
  EXPECT_GE(glh_close_repository(&repo), 0);
  EXPECT_EQ(repo, nullptr);
  EXPECT_GE(glh_close_library(&lib), 0);
  EXPECT_EQ(lib, nullptr);
}

TEST_F(GlhCatalogueTest, ReadsAnIndexInCreationOrder) {
  GlhLibrary* lib = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("GLQ_Repository", lib);
  GlhDocument* doc = glh_open_document(kGlqPenalties, repo);
  ASSERT_NE(doc, nullptr);
  GlhRecordSetList* list = glh_read_index(doc, "Penaltys", kGlhIndexKindPenalties);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->sets.size(), 3u);
  EXPECT_EQ(list->sets[0].name, "7 C");
  EXPECT_EQ(list->sets[1].name, "12 S");
  EXPECT_EQ(list->sets[2].name, "0 A");
  for (const GlhRecordSet& s : list->sets) EXPECT_EQ(s.kind, 10);
  ASSERT_EQ(list->sets[0].records.size(), 2u);
  EXPECT_EQ(list->sets[0].records[0].fields[kGlqPenaltyStandardNumber], 7);
  EXPECT_EQ(list->sets[0].records[1].value, std::optional<std::string>(std::string(2500, 'r')));
  ASSERT_EQ(list->sets[1].records.size(), 2u);
  EXPECT_EQ(list->sets[1].records[0].key, std::optional<std::string>("MISRA 12.1"));
  EXPECT_TRUE(list->sets[2].records.empty());
  // The index groups stay open with the document.
  EXPECT_EQ(H5Fget_obj_count(lib->file, H5F_OBJ_GROUP), 5);
  glh_free_record_set_list(&list);
  EXPECT_EQ(list, nullptr);
  glh_close_document(&doc);
  EXPECT_EQ(H5Fget_obj_count(lib->file, H5F_OBJ_GROUP), 1);
  glh_close_repository(&repo);
  glh_close_library(&lib);
}

TEST_F(GlhCatalogueTest, MissingIndexOrRecordsGiveNothing) {
  GlhLibrary* lib = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib);
  GlhDocument* models = glh_open_document(kGlqModelDescriptions, repo);
  ASSERT_NE(models, nullptr);
  EXPECT_EQ(glh_read_index(models, "Penaltys", 10), nullptr);
  GlhDocument* pen = glh_open_document(kGlqPenalties, repo);
  EXPECT_EQ(glh_read_index(pen, "Nothing", 10), nullptr);
  EXPECT_EQ(glh_read_index(pen, "", 10), nullptr);
  EXPECT_EQ(glh_open_document("$$VEXA_CPP_PENALTIES$$", repo), nullptr);
  EXPECT_EQ(glh_open_document("", repo), nullptr);
  EXPECT_EQ(glh_open_document(nullptr, repo), nullptr);
  glh_close_document(&pen);
  glh_close_document(&models);
  EXPECT_EQ(H5Fget_obj_count(lib->file, H5F_OBJ_ALL), 2);
  glh_close_repository(&repo);
  glh_close_library(&lib);
}

TEST_F(GlhCatalogueTest, NullHandlesDoNothing) {
  EXPECT_EQ(glh_open_repository_by_type("glq", nullptr), nullptr);
  EXPECT_EQ(glh_open_repository_by_path("GLQ_Repository", nullptr), nullptr);
  EXPECT_EQ(glh_open_document("x", nullptr), nullptr);
  EXPECT_EQ(glh_read_all_records(nullptr), nullptr);
  EXPECT_EQ(glh_read_index(nullptr, "Penaltys", 10), nullptr);
  GlhLibrary* lib = nullptr;
  GlhRepository* repo = nullptr;
  GlhDocument* doc = nullptr;
  GlhRecordSet* set = nullptr;
  GlhRecordSetList* list = nullptr;
  EXPECT_EQ(glh_close_library(&lib), -1);
  EXPECT_EQ(glh_close_library(nullptr), -1);
  EXPECT_EQ(glh_close_repository(&repo), -1);
  EXPECT_EQ(glh_close_document(&doc), 0);
  glh_free_record_set(&set);
  glh_free_record_set_list(&list);
  glh_free_record_set(nullptr);
}

TEST_F(GlhCatalogueTest, RepositoryTypesNameTheirGroups) {
  GlhLibrary* lib = glh_open_library(file_.c_str(), nullptr);
  ASSERT_NE(lib, nullptr);
  for (const char* name : {"glq", "GLQ", "glqueue"}) {
    GlhRepository* repo = glh_open_repository_by_type(name, lib);
    EXPECT_NE(repo, nullptr) << name;
    glh_close_repository(&repo);
  }
  EXPECT_EQ(glh_open_repository_by_type("xyz", lib), nullptr);
  EXPECT_EQ(glh_open_repository_by_type("gl", lib), nullptr);
  // A type the file has no group for.
  EXPECT_EQ(glh_open_repository_by_type("glb", lib), nullptr);
  glh_close_library(&lib);
}

TEST_F(GlhTest, FileHeaderMustSay14And1001) {
  struct Case {
    std::optional<std::vector<int>> header;
    bool opens;
  };
  const Case cases[] = {
      {std::vector<int>{5, 14, 1001}, true},  {std::vector<int>{5, 14, 1001, 9, 9, 9, 9, 9, 9, 9, 9, 9}, true},
      {std::vector<int>{5, 14, 1000}, false}, {std::vector<int>{5, 15, 1001}, false},
      {std::vector<int>{5, 14}, false},       {std::nullopt, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string file = path("h" + std::to_string(n++) + ".glh");
    {
      GlhWriter w(file, c.header);
      ASSERT_TRUE(w.close());
    }
    GlhLibrary* lib = glh_open_library(file.c_str(), "READ_ONLY");
    EXPECT_EQ(lib != nullptr, c.opens) << file;
    if (lib) {
      EXPECT_EQ(lib->file_header0, 5);
    }
    glh_close_library(&lib);
    // A rejected file is closed again.
    EXPECT_EQ(open_objects(), 0) << file;
  }
}

TEST_F(GlhTest, ReadWriteModeOnlyForTheExactWord) {
  const std::string file = path("rw.glh");
  {
    GlhWriter w(file);
    ASSERT_TRUE(w.close());
  }
  for (const char* mode : {"READ_ONLY", "read_write", "", "READ_WRITE"}) {
    GlhLibrary* lib = glh_open_library(file.c_str(), mode);
    ASSERT_NE(lib, nullptr);
    const bool writable = std::string(mode) == "READ_WRITE";
    EXPECT_EQ(lib->read_write, writable ? 1 : 0) << mode;
    EXPECT_EQ(HDFintentReadOnly(lib->file, -1, __FILE__, __LINE__), writable ? 0 : 1) << mode;
    glh_close_library(&lib);
  }
  EXPECT_EQ(HDFintentReadOnly(-1, 0, __FILE__, __LINE__), 1);
  EXPECT_EQ(HDFintentReadOnly(-1, 1, __FILE__, __LINE__), 0);
}

TEST_F(GlhTest, FilesThatAreNotGlhFilesGiveNothing) {
  sorvi_test::write_file(path("text.glh"), "This is not an HDF5 file at all.\n");
  sorvi_test::write_file(path("empty.glh"), "");
  {
    GlhWriter w(path("good.glh"));
    w.add_repository("GLQ_Repository", 6);
    GlhRecordDocumentContent doc;
    doc.rows = encode_gl_records({sorvi_sample::glq_model_description_record(std::string(5000, 'm'))});
    w.add_record_document("GLQ_Repository", kGlqModelDescriptions, doc);
    ASSERT_TRUE(w.close());
  }
  const std::string good = sorvi_test::read_file(path("good.glh"));
  ASSERT_GT(good.size(), 2000u);
  sorvi_test::write_file(path("truncated.glh"), good.substr(0, good.size() / 2));
  std::string signature = good;
  signature[1] = 'X';  // the superblock signature
  sorvi_test::write_file(path("signature.glh"), signature);
  std::string too_long(600, 'd');
  for (const std::string& name : {path("text.glh"), path("empty.glh"), path("truncated.glh"), path("signature.glh"),
                                  path("missing.glh"), path(too_long), std::string()}) {
    testing::internal::CaptureStderr();
    GlhLibrary* lib = glh_open_library(name.c_str(), "READ_ONLY");
    EXPECT_EQ(lib, nullptr) << name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    glh_close_library(&lib);
    EXPECT_EQ(open_objects(), 0) << name;
  }
  EXPECT_EQ(glh_open_library(nullptr, "READ_ONLY"), nullptr);
}

// HDF5 1.10 itself loses some metadata-cache blocks on the error paths of
// damaged files; the leak checker is told to ignore what is allocated while
// this lives (HDF5's free lists are emptied first, so those blocks are new).
// Our own handles are still checked by the open-object counts.
class HdfLeaksIgnored {
 public:
  HdfLeaksIgnored() {
    H5garbage_collect();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
  }
  ~HdfLeaksIgnored() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
  }
};

// Damage inside the file's metadata (not its signature): whatever HDF5 makes
// of it, the reader gives a result or nothing, never crashes, and leaves
// nothing open.
TEST_F(GlhTest, CorruptMetadataNeverCrashes) {
  {
    GlhWriter w(path("good.glh"));
    w.add_repository("GLQ_Repository", 6);
    GlhRecordDocumentContent doc;
    doc.rows = encode_gl_records(
        {sorvi_sample::glq_model_description_record("m1"), sorvi_sample::glq_model_description_record("m2")});
    doc.indexes.push_back({"Penaltys", {GlhIndexKey{"k", {1}, false}}});
    w.add_record_document("GLQ_Repository", kGlqModelDescriptions, doc);
    ASSERT_TRUE(w.close());
  }
  const std::string good = sorvi_test::read_file(path("good.glh"));
  HdfLeaksIgnored ignored;
  for (size_t at = 48; at < good.size(); at += 97) {
    std::string bad = good;
    for (size_t i = at; i < at + 8 && i < bad.size(); ++i) bad[i] = static_cast<char>(bad[i] ^ 0x5a);
    sorvi_test::write_file(path("bad.glh"), bad);
    GlhLibrary* lib = glh_open_library(path("bad.glh").c_str(), "READ_ONLY");
    GlhRepository* repo = glh_open_repository_by_type("glq", lib);
    GlhDocument* doc = glh_open_document(kGlqModelDescriptions, repo);
    GlhRecordSet* set = glh_read_all_records(doc);
    GlhRecordSetList* list = glh_read_index(doc, "Penaltys", 10);
    glh_free_record_set_list(&list);
    glh_free_record_set(&set);
    glh_close_document(&doc);
    glh_close_repository(&repo);
    glh_close_library(&lib);
    EXPECT_EQ(open_objects(), 0) << "damage at " << at;
  }
}

class GlhDocumentTest : public GlhTest {
 protected:
  // Writes a GLQ repository holding one record document and opens it.
  GlhRepository* open_repository_with(const std::string& name, const GlhRecordDocumentContent& content) {
    file_ = path("doc.glh");
    {
      GlhWriter w(file_);
      w.add_repository("GLQ_Repository", 6);
      EXPECT_TRUE(w.add_record_document("GLQ_Repository", name, content));
      EXPECT_TRUE(w.close());
    }
    lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
    return glh_open_repository_by_type("glq", lib_);
  }

  void TearDown() override {
    glh_close_library(&lib_);
    GlhTest::TearDown();
  }

  std::string file_;
  GlhLibrary* lib_ = nullptr;
};

TEST_F(GlhDocumentTest, QuestionMarkNamesANestedDocument) {
  GlhRecordDocumentContent content;
  content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("nested")});
  GlhRepository* repo = open_repository_with("a?b/c", content);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(H5Lexists(repo->group, "a", H5P_DEFAULT), 1);
  EXPECT_EQ(H5Lexists(repo->group, "a/b\\c", H5P_DEFAULT), 1);
  GlhDocument* doc = glh_open_document("a?b/c", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->name, "a/b\\c");
  GlhRecordSet* set = glh_read_all_records(doc);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->records.size(), 1u);
  EXPECT_EQ(set->records[0].value, std::optional<std::string>("nested"));
  glh_free_record_set(&set);
  glh_close_document(&doc);
  // Levels that are not there are quiet misses.
  testing::internal::CaptureStderr();
  EXPECT_EQ(glh_open_document("a?x/c", repo), nullptr);
  EXPECT_EQ(glh_open_document("x?b/c", repo), nullptr);
  EXPECT_EQ(glh_open_document("a/b/c", repo), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, EqualCountsOpenWithoutReadingTheTable) {
  GlhRecordDocumentContent content;
  // A three-row record without its middle row runs past the last row: the
  // table cannot be read.
  content.rows = encode_gl_record(sorvi_sample::glq_model_description_record(std::string(2500, 'x')));
  content.rows.erase(content.rows.begin() + 1);
  content.library_header = std::vector<int>{1, 0, 0, 0, 0, 0, 1, 0};
  GlhRepository* repo = open_repository_with("broken", content);
  GlhDocument* doc = glh_open_document("broken", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->long_records.empty());
  EXPECT_EQ(glh_read_all_records(doc), nullptr);
  glh_close_document(&doc);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, DifferentCountsWithAnUnreadableTableFailTheOpen) {
  GlhRecordDocumentContent content;
  content.rows = encode_gl_record(sorvi_sample::glq_model_description_record(std::string(2500, 'x')));
  content.rows.erase(content.rows.begin() + 1);
  content.library_header = std::vector<int>{2, 0, 0, 0, 0, 0, 1, 0};
  GlhRepository* repo = open_repository_with("broken", content);
  EXPECT_EQ(glh_open_document("broken", repo), nullptr);
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_ALL), 2);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, HeaderRowCountBoundsTheTable) {
  GlhRecordDocumentContent content;
  content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("one"),
                                    sorvi_sample::glq_model_description_record("two"),
                                    sorvi_sample::glq_model_description_record("three")});
  content.library_header = std::vector<int>{2, 0, 0, 0, 0, 0, 3, 0};
  GlhRepository* repo = open_repository_with("models", content);
  GlhDocument* doc = glh_open_document("models", repo);
  ASSERT_NE(doc, nullptr);
  GlhRecordSet* set = glh_read_all_records(doc);
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->records.size(), 3u);
  EXPECT_EQ(set->records[1].value, std::optional<std::string>("two"));
  EXPECT_FALSE(set->records[2].value.has_value());
  glh_free_record_set(&set);
  glh_close_document(&doc);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, MissingTableOrHeaderFailsARecordDocument) {
  file_ = path("parts.glh");
  {
    GlhWriter w(file_);
    w.add_repository("GLQ_Repository", 6);
    w.add_group("GLQ_Repository/no_records", std::nullopt);
    hid_t g = H5Gopen2(w.file(), "GLQ_Repository/no_records", H5P_DEFAULT);
    const int header[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    const hsize_t dims[1] = {8};
    hid_t space = H5Screate_simple(1, dims, nullptr);
    hid_t attr = H5Acreate2(g, "Library_Header", H5T_NATIVE_INT, space, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(attr, H5T_NATIVE_INT, header);
    H5Aclose(attr);
    H5Sclose(space);
    H5Gclose(g);
    GlhRecordDocumentContent content;
    content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("x")});
    w.add_record_document("GLQ_Repository", "no_header", content);
    g = H5Gopen2(w.file(), "GLQ_Repository/no_header", H5P_DEFAULT);
    H5Adelete(g, "Library_Header");
    H5Gclose(g);
    // A header far longer than the reader takes is still read.
    content.library_header = std::vector<int>(3000, 1);
    w.add_record_document("GLQ_Repository", "long_header", content);
    content.library_header = std::vector<int>(5000, 1);
    w.add_record_document("GLQ_Repository", "huge_header", content);
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib_);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(glh_open_document("no_records", repo), nullptr);
  EXPECT_EQ(glh_open_document("no_header", repo), nullptr);
  GlhDocument* doc = glh_open_document("long_header", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->row_count, 1);
  EXPECT_EQ(doc->entry_count, 1);
  glh_close_document(&doc);
  EXPECT_EQ(glh_open_document("huge_header", repo), nullptr);
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_ALL), 2);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, RegionOutsideTheTableFailsTheIndex) {
  GlhRecordDocumentContent content;
  for (int i = 0; i < 8; ++i) {
    GlhRow r = encode_gl_record(sorvi_sample::glq_model_description_record("m" + std::to_string(i)))[0];
    content.rows.push_back(r);
  }
  content.extensible = true;
  content.indexes.push_back({"Penaltys", {GlhIndexKey{"first", {0, 1}, false}, GlhIndexKey{"late", {5, 6, 7}, true}}});
  file_ = path("shrunk.glh");
  {
    GlhWriter w(file_);
    w.add_repository("GLQ_Repository", 6);
    ASSERT_TRUE(w.add_record_document("GLQ_Repository", "models", content));
    hid_t dataset = H5Dopen2(w.file(), "GLQ_Repository/models/GL_Records", H5P_DEFAULT);
    const hsize_t smaller[1] = {3};
    ASSERT_GE(H5Dset_extent(dataset, smaller), 0);
    H5Dclose(dataset);
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib_);
  GlhDocument* doc = glh_open_document("models", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(glh_read_index(doc, "Penaltys", 10), nullptr);
  // The failed read closed the index groups it opened.
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_GROUP), 2);
  glh_close_document(&doc);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, KeysThatAreNotRegionReferencesFailTheIndex) {
  GlhRecordDocumentContent content;
  content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("m")});
  content.indexes.push_back({"Penaltys", {GlhIndexKey{"good", {0}, false}}});
  file_ = path("keys.glh");
  {
    GlhWriter w(file_);
    w.add_repository("GLQ_Repository", 6);
    ASSERT_TRUE(w.add_record_document("GLQ_Repository", "models", content));
    hid_t by_name = H5Gopen2(w.file(), "GLQ_Repository/models/Index/Penaltys/By_Name", H5P_DEFAULT);
    const int value[4] = {1, 2, 3, 4};
    const hsize_t dims[1] = {4};
    hid_t space = H5Screate_simple(1, dims, nullptr);
    hid_t attr = H5Acreate2(by_name, "bad", H5T_NATIVE_INT, space, H5P_DEFAULT, H5P_DEFAULT);
    H5Awrite(attr, H5T_NATIVE_INT, value);
    H5Aclose(attr);
    H5Sclose(space);
    H5Gclose(by_name);
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib_);
  GlhDocument* doc = glh_open_document("models", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(glh_read_index(doc, "Penaltys", 10), nullptr);
  glh_close_document(&doc);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, IndexWithoutKeysGivesNothing) {
  GlhRecordDocumentContent content;
  content.rows = encode_gl_records({sorvi_sample::glq_model_description_record("m")});
  content.indexes.push_back({"Empty", {}});
  file_ = path("order.glh");
  {
    GlhWriter w(file_);
    w.add_repository("GLQ_Repository", 6);
    ASSERT_TRUE(w.add_record_document("GLQ_Repository", "models", content));
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_type("glq", lib_);
  GlhDocument* doc = glh_open_document("models", repo);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(glh_read_index(doc, "Empty", 10), nullptr);
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_GROUP), 2);
  glh_close_document(&doc);
  glh_close_repository(&repo);
}

TEST_F(GlhDocumentTest, DocAndDynDocumentsOpenTheirOwnMembers) {
  file_ = path("kinds.glh");
  {
    GlhWriter w(file_);
    w.add_repository("DOC_Repository", 9);
    w.add_text_document("DOC_Repository", "readme", {{"one", "two"}, false, std::nullopt, std::nullopt});
    w.add_repository("DYN_Repository", 11);
    w.add_dyn_document("DYN_Repository", "run1", encode_gl_records({sorvi_sample::glq_model_description_record("d")}));
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* docs = glh_open_repository_by_type("doc", lib_);
  GlhDocument* text = glh_open_document("readme", docs);
  ASSERT_NE(text, nullptr);
  EXPECT_GE(text->records, 0);
  EXPECT_EQ(text->entry_count, 2);
  EXPECT_EQ(text->type, kGlhTypeDOC);
  // A text is no table of records.
  EXPECT_EQ(glh_read_all_records(text), nullptr);
  glh_close_document(&text);
  glh_close_repository(&docs);

  GlhRepository* dyn = glh_open_repository_by_type("DYN", lib_);
  GlhDocument* run = glh_open_document("run1", dyn);
  ASSERT_NE(run, nullptr);
  EXPECT_GE(run->dyn_workfiles, 0);
  EXPECT_GE(run->dyn_coverage, 0);
  EXPECT_GE(run->dyn_workfile_sets[0], 0);   // "branch"
  EXPECT_EQ(run->dyn_workfile_sets[1], -1);  // "lcsaj" is absent
  EXPECT_GE(run->dyn_coverage_sets[0], 0);   // "ter1"
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_DATASET), 3);
  glh_close_document(&run);
  EXPECT_EQ(H5Fget_obj_count(lib_->file, H5F_OBJ_ALL), 2);
  glh_close_repository(&dyn);
}

TEST_F(GlhDocumentTest, RepositoryByPathTakesItsTypeFromTheLettersOrTheHeader) {
  file_ = path("paths.glh");
  {
    GlhWriter w(file_);
    w.add_group("GLQ_Repository", std::vector<int>{3, 9});
    w.add_group("\\src\\demo.c", std::vector<int>{4, 9});
    w.add_group("outer/inner", std::vector<int>{5, 2});
    w.add_group("bare", std::nullopt);
    ASSERT_TRUE(w.close());
  }
  lib_ = glh_open_library(file_.c_str(), "READ_ONLY");
  GlhRepository* repo = glh_open_repository_by_path("GLQ_Repository", lib_);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(repo->type, kGlhTypeGLQ);  // the letters win over the header
  EXPECT_EQ(repo->repository_header0, 3);
  glh_close_repository(&repo);
  repo = glh_open_repository_by_path("/src/demo.c", lib_);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(repo->name, "\\src\\demo.c");
  EXPECT_EQ(repo->type, kGlhTypeDOC);
  EXPECT_EQ(repo->repository_header0, 4);
  glh_close_repository(&repo);
  repo = glh_open_repository_by_path("outer?inner", lib_);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(repo->type, kGlhTypeGLD);
  glh_close_repository(&repo);
  repo = glh_open_repository_by_path("bare", lib_);
  ASSERT_NE(repo, nullptr);
  EXPECT_EQ(repo->type, kGlhTypeNone);
  EXPECT_EQ(repo->repository_header0, 0);
  glh_close_repository(&repo);
  testing::internal::CaptureStderr();
  EXPECT_EQ(glh_open_repository_by_path("missing?inner", lib_), nullptr);
  EXPECT_EQ(glh_open_repository_by_path("outer?missing", lib_), nullptr);
  EXPECT_EQ(glh_open_repository_by_path("", lib_), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace sorvi
