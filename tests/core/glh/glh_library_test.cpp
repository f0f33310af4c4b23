// Opening GLH files, repositories and documents, and reading records whole
// and through indexes, from files the test writer builds.
#include <functional>
#include <tuple>

#include "glh/glh_library.h"
#include "glh/glq_records.h"
#include "glh_fixture.h"

// HDF5 1.10 itself loses some metadata-cache blocks on the error paths of
// damaged files (tests/lsan.supp); our own handles are checked by the
// open-object counts.
extern "C" const char* __lsan_default_suppressions() { return "leak:libhdf5_serial.so\n"; }

namespace sorvi {
namespace {

using glh_test::GlhTest;
using glh_test::open_objects;
using glh_test::OpenDocument;
using sorvi_sample::GlhIndexKey;
using sorvi_sample::GlhRecordDocumentContent;
using sorvi_sample::GlhWriter;

// Model description records holding the texts, with the Library_Header
// and the keys of a "Penaltys" index when given.
GlhRecordDocumentContent models(const std::vector<std::string>& texts,
                                const std::optional<std::vector<int>>& header = std::nullopt,
                                const std::optional<std::vector<GlhIndexKey>>& keys = std::nullopt) {
  std::vector<sorvi_sample::GlhRecordContent> records;
  for (const std::string& t : texts) records.push_back(sorvi_sample::glq_model_description_record(t));
  GlhRecordDocumentContent content;
  content.rows = sorvi_sample::encode_gl_records(records);
  content.library_header = header;
  if (keys) content.indexes.push_back({"Penaltys", *keys});
  return content;
}

std::string text(const std::optional<std::string>& t) {
  if (!t) return "-";
  return t->size() > 40 ? std::to_string(t->size()) + " chars" : *t;
}

// "name(kind):" and each record's key|value, or "none".
std::string records_of(const GlhRecordSet* set) {
  if (!set) return "none";
  std::string dump = set->name + "(" + std::to_string(set->kind) + "):";
  for (const GlhRecord& r : set->records) dump += " " + text(r.key) + "|" + text(r.value);
  return dump;
}

// The record sets of an index, or "none".
std::string index_of(GlhDocument* doc, const char* name) {
  GlhRecordSetList* list = glh_read_index(doc, name, kGlhIndexKindPenalties);
  std::string dump = list ? "" : "none";
  for (size_t i = 0; list && i < list->sets.size(); ++i) dump += (i ? "; " : "") + records_of(&list->sets[i]);
  glh_free_record_set_list(&list);
  EXPECT_EQ(list, nullptr);
  return dump;
}

// A GLQ repository with a small penalty catalogue, indexed, and the model
// descriptions.
class GlhCatalogueTest : public GlhTest {
 protected:
  void SetUp() override {
    GlhTest::SetUp();
    file_ = path("cat.glh");
    GlhWriter w(file_, std::vector<int>{77, 14, 1001});
    w.add_repository("GLQ_Repository", 6);
    GlhRecordDocumentContent pen;
    pen.rows = sorvi_sample::encode_gl_records({
        sorvi_sample::glq_penalty_record(0, 1, 'S', 2, 12, 40, true, false, "MISRA 12.1", "Use of *** bytes"),
        sorvi_sample::glq_references_record(0, 3, 4, "MISRA-C:2004 12.1;CWE 190"),
        sorvi_sample::glq_penalty_record(1, 2, 'C', 0, 7, 0, false, true, "T", "N"),
        sorvi_sample::glq_references_record(1, 0, 0, std::string(2500, 'r')),
    });
    // Keys in an order that is neither alphabetical nor the rows' order.
    pen.indexes.push_back(
        {"Penaltys",
         {GlhIndexKey{"7 C", {2, 3, 4, 5}, true}, GlhIndexKey{"12 S", {0, 1}, false}, GlhIndexKey{"0 A", {}, false}}});
    w.add_record_document("GLQ_Repository", kGlqPenalties, pen);
    w.add_record_document("GLQ_Repository", kGlqModelDescriptions, models({"\"MISRA-C:2004\":M:Mandatory"}));
    // Groups whose type the letters or the header give.
    w.add_group("GLQ_Repository", std::vector<int>{3, 9});
    w.add_group("\\src\\demo.c", std::vector<int>{4, 9});
    w.add_group("outer/inner", std::vector<int>{5, 2});
    w.add_group("bare", std::nullopt);
    w.add_repository("DYN_Repository", 11);
    w.add_dyn_document("DYN_Repository", "run1", models({"d"}).rows);
    ASSERT_TRUE(w.close());
  }

  std::string file_;
};

TEST_F(GlhCatalogueTest, ReadsTheWholeTableInTheCallingOrder) {
  OpenDocument d(file_, "glq", kGlqPenalties);
  ASSERT_NE(d.doc, nullptr);
  EXPECT_EQ(d.lib->file_header0, 77);
  EXPECT_EQ(d.repo->name, "GLQ_Repository");
  EXPECT_EQ(d.repo->type, kGlhTypeGLQ);
  // Six rows for four records: the table was read once for the long records.
  EXPECT_EQ(d.doc->row_count, 6);
  EXPECT_EQ(d.doc->entry_count, 4);
  EXPECT_EQ(d.doc->long_records, (std::vector<std::pair<int, int>>{{3, 2}}));
  GlhRecordSet* set = glh_read_all_records(d.doc);
  EXPECT_EQ(records_of(set),
            "Everything(1): MISRA 12.1|Use of *** bytes -|MISRA-C:2004 12.1;CWE 190 T|N -|2500 chars");
  glh_free_record_set(&set);
  EXPECT_EQ(set, nullptr);
}

TEST_F(GlhCatalogueTest, ReadsAnIndexInCreationOrder) {
  OpenDocument d(file_, "GLQ_Repository", kGlqPenalties);
  EXPECT_EQ(index_of(d.doc, "Penaltys"),
            "7 C(10): T|N -|2500 chars; 12 S(10): MISRA 12.1|Use of *** bytes -|MISRA-C:2004 12.1;CWE 190; 0 A(10):");
  // The index groups stay open with the document.
  EXPECT_EQ(H5Fget_obj_count(d.lib->file, H5F_OBJ_GROUP), 5);
  glh_close_document(&d.doc);
  EXPECT_EQ(H5Fget_obj_count(d.lib->file, H5F_OBJ_GROUP), 1);
}

TEST_F(GlhCatalogueTest, MissingIndexOrDocumentGivesNothing) {
  OpenDocument d(file_, "glqueue", kGlqModelDescriptions);
  EXPECT_EQ(index_of(d.doc, "Penaltys"), "none");
  GlhDocument* pen = glh_open_document(kGlqPenalties, d.repo);
  EXPECT_EQ(index_of(pen, "Nothing"), "none");
  EXPECT_EQ(index_of(pen, ""), "none");
  glh_close_document(&pen);
  glh_close_document(&d.doc);
  for (const char* name : {"$$VEXA_CPP_PENALTIES$$", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(glh_open_document(name, d.repo), nullptr);
  EXPECT_EQ(H5Fget_obj_count(d.lib->file, H5F_OBJ_ALL), 2);
}

// Which files open, and how: "file header value 0, read-write flag,
// read-only intent", or "none"; nothing is left open either way.
TEST_F(GlhCatalogueTest, OnlyGlhFilesWithTheirFileHeaderOpen) {
  const std::optional<std::vector<int>> headers[] = {std::vector<int>{5, 14, 1001},
                                                     std::vector<int>{5, 14, 1001, 9, 9, 9, 9, 9, 9, 9, 9, 9},
                                                     std::vector<int>{5, 14, 1000},
                                                     std::vector<int>{5, 15, 1001},
                                                     std::vector<int>{5, 14},
                                                     std::nullopt};
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(GlhWriter(path("h" + std::to_string(i) + ".glh"), headers[i]).close());
  const std::string cat = sorvi_test::read_file(file_);
  sorvi_test::write_file(path("text.glh"), "This is not an HDF5 file at all.\n");
  sorvi_test::write_file(path("empty.glh"), "");
  sorvi_test::write_file(path("truncated.glh"), cat.substr(0, cat.size() / 2));
  sorvi_test::write_file(path("signature.glh"), cat.substr(0, 1) + "X" + cat.substr(2));  // the superblock's
  const std::tuple<std::string, const char*, std::string> cases[] = {
      {"h0.glh", "READ_ONLY", "5 0 1"},  {"h1.glh", "READ_ONLY", "5 0 1"},     {"h2.glh", "READ_ONLY", "none"},
      {"h3.glh", "READ_ONLY", "none"},   {"h4.glh", "READ_ONLY", "none"},      {"h5.glh", "READ_ONLY", "none"},
      {"h0.glh", "read_write", "5 0 1"}, {"h0.glh", "", "5 0 1"},              {"h0.glh", nullptr, "5 0 1"},
      {"h0.glh", "READ_WRITE", "5 1 0"}, {"text.glh", "READ_ONLY", "none"},    {"empty.glh", "READ_ONLY", "none"},
      {"missing.glh", "READ_ONLY", "none"}, {"truncated.glh", "READ_ONLY", "none"},
      {"signature.glh", "READ_ONLY", "none"}, {std::string(600, 'd'), "READ_ONLY", "none"}};
  testing::internal::CaptureStderr();
  for (const auto& [name, mode, result] : cases) {
    GlhLibrary* lib = glh_open_library(path(name).c_str(), mode);
    EXPECT_EQ(lib ? std::to_string(lib->file_header0) + " " + std::to_string(lib->read_write) + " " +
                        std::to_string(HDFintentReadOnly(lib->file, -1, __FILE__, __LINE__))
                  : "none",
              result)
        << name << " " << (mode ? mode : "(null)");
    glh_close_library(&lib);
    EXPECT_EQ(open_objects(), 0) << name;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(glh_open_library("", "READ_ONLY"), nullptr);
  EXPECT_EQ(glh_open_library(nullptr, "READ_ONLY"), nullptr);
  EXPECT_EQ(HDFintentReadOnly(-1, 0, __FILE__, __LINE__), 1);
  EXPECT_EQ(HDFintentReadOnly(-1, 1, __FILE__, __LINE__), 0);
}

// Damage inside the file's metadata (not its signature): whatever HDF5 makes
// of it, the reader gives a result or nothing, never crashes, and leaves
// nothing open.
TEST_F(GlhCatalogueTest, CorruptMetadataNeverCrashes) {
  const std::string good = sorvi_test::read_file(file_);
  for (size_t at = 48; at < good.size(); at += 97) {
    std::string bad = good;
    for (size_t i = at; i < at + 8 && i < bad.size(); ++i) bad[i] = static_cast<char>(bad[i] ^ 0x5a);
    sorvi_test::write_file(path("bad.glh"), bad);
    {
      OpenDocument d(path("bad.glh"), "glq", kGlqPenalties);
      GlhRecordSet* set = glh_read_all_records(d.doc);
      glh_free_record_set(&set);
      index_of(d.doc, "Penaltys");
    }
    EXPECT_EQ(open_objects(), 0) << "damage at " << at;
  }
}

// A record document "doc", changed after writing by `damage`, read whole and
// through its index: "none" when it does not open, else its row and entry
// counts, its records, its index and the groups then open.
TEST_F(GlhTest, DamagedRecordDocumentsGiveNothingAndLeaveNothingOpen) {
  const auto broken = [](int rows_in_header) {
    // A three-row record without its middle row runs past the last row.
    const std::vector<int> header = {rows_in_header, 0, 0, 0, 0, 0, 1, 0};
    GlhRecordDocumentContent c = models({std::string(2500, 'x')}, header);
    c.rows.erase(c.rows.begin() + 1);
    return c;
  };
  const std::vector<GlhIndexKey> keys = {GlhIndexKey{"first", {0, 1}, false}, GlhIndexKey{"late", {5, 6, 7}, true}};
  GlhRecordDocumentContent eight = models({"m0", "m1", "m2", "m3", "m4", "m5", "m6", "m7"}, std::nullopt, keys);
  eight.extensible = true;
  const std::function<void(hid_t)> none;
  struct Case {
    const char* what;
    GlhRecordDocumentContent content;
    std::function<void(hid_t)> damage;
    std::string result;
  };
  const Case cases[] = {
      {"equal counts open without reading the table", broken(1), none, "1/1 none index none groups 2"},
      {"different counts with an unreadable table fail the open", broken(2), none, "none"},
      {"the header's row count bounds the table",
       models({"one", "two", "three"}, std::vector<int>{2, 0, 0, 0, 0, 0, 3, 0}), none,
       "2/3 Everything(1): -|one -|two -|- index none groups 2"},
      {"a header far longer than the reader takes", models({"x"}, std::vector<int>(3000, 1)), none,
       "1/1 Everything(1): -|x index none groups 2"},
      {"a header of more than 4096 values", models({"x"}, std::vector<int>(5000, 1)), none, "none"},
      {"no table", models({"x"}), [](hid_t f) { H5Ldelete(f, "GLQ_Repository/doc/GL_Records", H5P_DEFAULT); }, "none"},
      {"no header", models({"x"}),
       [](hid_t f) { H5Adelete_by_name(f, "GLQ_Repository/doc", "Library_Header", H5P_DEFAULT); }, "none"},
      {"a region outside the table", eight,
       [](hid_t f) {
         const hsize_t smaller[1] = {3};
         hid_t dataset = H5Dopen2(f, "GLQ_Repository/doc/GL_Records", H5P_DEFAULT);
         EXPECT_GE(H5Dset_extent(dataset, smaller), 0);
         H5Dclose(dataset);
       },
       "8/8 Everything(1): -|m0 -|m1 -|m2 index none groups 2"},
      {"a key that is no region reference", models({"m"}, std::nullopt, {{GlhIndexKey{"k", {0}, false}}}),
       [](hid_t f) {
         hid_t space = H5Screate(H5S_SCALAR);
         H5Aclose(H5Acreate_by_name(f, "GLQ_Repository/doc/Index/Penaltys/By_Name", "bad", H5T_NATIVE_INT, space,
                                    H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT));
         H5Sclose(space);
       },
       "1/1 Everything(1): -|m index none groups 2"},
      {"an index without keys", models({"m"}, std::nullopt, std::vector<GlhIndexKey>{}), none,
       "1/1 Everything(1): -|m index none groups 2"},
  };
  for (const Case& c : cases) {
    const std::string file = path("doc.glh");
    {
      GlhWriter w(file);
      w.add_repository("GLQ_Repository", 6);
      EXPECT_TRUE(w.add_record_document("GLQ_Repository", "doc", c.content)) << c.what;
      if (c.damage) c.damage(w.file());
      ASSERT_TRUE(w.close()) << c.what;
    }
    OpenDocument d(file, "glq", "doc");
    std::string result = "none";
    if (d.doc) {
      GlhRecordSet* set = glh_read_all_records(d.doc);
      result = std::to_string(d.doc->row_count) + "/" + std::to_string(d.doc->entry_count) + " " + records_of(set) +
               " index " + index_of(d.doc, "Penaltys");
      result += " groups " + std::to_string(H5Fget_obj_count(d.lib->file, H5F_OBJ_GROUP));
      glh_free_record_set(&set);
    } else {
      EXPECT_EQ(H5Fget_obj_count(d.lib->file, H5F_OBJ_ALL), 2) << c.what;
    }
    EXPECT_EQ(result, c.result) << c.what;
  }
}

TEST_F(GlhCatalogueTest, DynDocumentsOpenTheMembersPresent) {
  OpenDocument run(file_, "DYN", "run1");
  ASSERT_NE(run.doc, nullptr);
  EXPECT_GE(run.doc->dyn_workfile_sets[0], 0);   // "branch"
  EXPECT_EQ(run.doc->dyn_workfile_sets[1], -1);  // "lcsaj" is absent
  EXPECT_GE(run.doc->dyn_coverage_sets[0], 0);   // "ter1"
  EXPECT_EQ(H5Fget_obj_count(run.lib->file, H5F_OBJ_DATASET), 3);
  glh_close_document(&run.doc);
  EXPECT_EQ(H5Fget_obj_count(run.lib->file, H5F_OBJ_ALL), 2);
}

TEST_F(GlhCatalogueTest, RepositoryByPathTakesItsTypeFromTheLettersOrTheHeader) {
  GlhLibrary* lib = glh_open_library(file_.c_str(), "READ_ONLY");
  // The letters win over the header; a missing header leaves value 0 at 0.
  const std::pair<const char*, std::string> cases[] = {
      {"GLQ_Repository", "GLQ_Repository " + std::to_string(kGlhTypeGLQ) + " 3"},
      {"/src/demo.c", "\\src\\demo.c 9 4"},
      {"outer?inner", "outer/inner 2 5"},
      {"bare", "bare " + std::to_string(kGlhTypeNone) + " 0"},
      {"missing?inner", "none"},
      {"outer?missing", "none"},
      {"", "none"}};
  testing::internal::CaptureStderr();
  for (const auto& [name, result] : cases) {
    GlhRepository* repo = glh_open_repository_by_path(name, lib);
    EXPECT_EQ(repo ? repo->name + " " + std::to_string(repo->type) + " " + std::to_string(repo->repository_header0)
                   : "none",
              result)
        << name;
    glh_close_repository(&repo);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  glh_close_library(&lib);
}

}  // namespace
}  // namespace sorvi
