// Harnesses of the GLH repository: a file's raw bytes, and well-formed
// files whose headers, records, indexes and texts come from the input.
#include <hdf5.h>
#include <unistd.h>

#include "fuzz_harness.h"
#include "glh/glh_library.h"
#include "glh/glh_util.h"
#include "glh/glq_records.h"
#include "harness_internal.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/violation_reader.h"
#include "samplegen/glh_writer.h"
#include "workfiles/block_file.h"
#include "workfiles/dataflow_reader.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"

namespace sorvi_fuzz {

namespace {

void read_records(sorvi::GlhDocument* doc) {
  if (!doc) return;
  sorvi::GlhRecordSet* set = sorvi::glh_read_all_records(doc);
  sorvi::glh_free_record_set(&set);
  sorvi::GlhRecordSetList* list = sorvi::glh_read_index(doc, "Penaltys", sorvi::kGlhIndexKindPenalties);
  sorvi::glh_free_record_set_list(&list);
}

// Everything Sorvi reads from a GLH file, from the library calls up to the
// readers that take their work files from it.
int exercise_glh(FuzzRun& run, FuzzSet& set, const std::string& glh) {
  const sorvi_sample::SampleModule& m = set.module();
  const char* path = glh.c_str();
  if (sorvi::GlhLibrary* lib = sorvi::glh_open_library(path, "READ_ONLY")) {
    for (const char* type : {"glq", "doc", "dyn", "xyz"}) {
      sorvi::GlhRepository* repo = sorvi::glh_open_repository_by_type(type, lib);
      for (const char* name : {sorvi::kGlqCPenalties, sorvi::kGlqCModelDescriptions, "staticid"}) {
        sorvi::GlhDocument* doc = sorvi::glh_open_document(name, repo);
        read_records(doc);
        sorvi::glh_close_document(&doc);
      }
      sorvi::glh_close_repository(&repo);
    }
    sorvi::GlhRepository* repo = sorvi::glh_open_repository_by_path(m.source_path.c_str(), lib);
    sorvi::GlhDocument* doc = sorvi::glh_open_document((m.stem + ".sif").c_str(), repo);
    read_records(doc);
    sorvi::glh_close_document(&doc);
    sorvi::glh_close_repository(&repo);
    sorvi::glh_close_library(&lib);
  }
  const std::string out = set.root() + "tmp/extracted.txt";
  for (const std::string& name : {m.stem + ".sif", m.stem + ".blk"}) {
    sorvi::glh_work_file_present(m.source_path.c_str(), name.c_str(), path);
    sorvi::glh_text_storage_is_chunked(m.source_path.c_str(), name.c_str(), path);
    sorvi::GlhTextBlock* block = sorvi::glh_read_text(m.source_path.c_str(), name.c_str(), path);
    if (block) {
      for (int i = 0; i < block->entry_count; ++i) block->line(static_cast<size_t>(i));
    }
    sorvi::glh_free_text_block(&block);
    sorvi::glh_extract_text(m.source_path.c_str(), name.c_str(), path, out.c_str(), 0);
    unlink(out.c_str());
  }
  if (read_whole_file(glh) != read_whole_file(glh)) run.fail("unstable GLH file");
  sorvi::load_module_registry(nullptr, path);
  sorvi::load_penalty_catalogue(m.language, nullptr, false, false, path);
  sorvi::load_report_configuration(nullptr, m.language, nullptr, path);
  int status = -1;
  const sorvi::IndexRecord* index =
      sorvi::read_index_file(m.source_path.c_str(), m.stem.c_str(), m.module_number, path, &status);
  std::vector<sorvi::ProcedureBlocks> procedures;
  sorvi::read_block_file(m.stem.c_str(), path, m.source_path.c_str(), 0, procedures);
  sorvi::DataflowLists lists;
  sorvi::read_dataflow_file(m.stem.c_str(), path, m.source_path.c_str(), 0, lists);
  sorvi::ViolationReadContext context;
  context.language = m.language;
  context.glh_file = path;
  context.repository_name = m.source_path.c_str();
  context.procedures = &procedures;
  sorvi::violation_list lines, procs;
  sorvi::read_violations(m.stem.c_str(), lines, procs, 0, index, nullptr, nullptr, context);
  // Every file, group, dataset and attribute opened is closed again (the
  // library keeps its two record datatypes for the process).
  const unsigned kinds_checked = H5F_OBJ_FILE | H5F_OBJ_GROUP | H5F_OBJ_DATASET | H5F_OBJ_ATTR;
  if (H5Fget_obj_count(H5F_OBJ_ALL, kinds_checked) > 0) {
    std::string kinds;
    for (auto [type, name] : {std::pair<unsigned, const char*>{H5F_OBJ_FILE, "file"}, {H5F_OBJ_GROUP, "group"},
                              {H5F_OBJ_DATASET, "dataset"}, {H5F_OBJ_ATTR, "attribute"}}) {
      const ssize_t n = H5Fget_obj_count(H5F_OBJ_ALL, type);
      if (n > 0) kinds += " " + std::to_string(n) + " " + name;
    }
    return run.fail("HDF5 objects left open:" + kinds);
  }
  return 0;
}

std::vector<int> fuzzed_header(ByteReader& in, int length) {
  std::vector<int> values;
  for (int i = 0; i < length; ++i) values.push_back(in.range(-2, 40));
  return values;
}

// A record document: records encoded as the suite encodes them, or raw
// rows, an optional fuzzed Library_Header and a "Penaltys" index.
sorvi_sample::GlhRecordDocumentContent fuzzed_records(ByteReader& in) {
  sorvi_sample::GlhRecordDocumentContent doc;
  const uint8_t mode = in.byte();
  const int count = in.range(0, 24);
  if (mode & 1) {
    for (int i = 0; i < count; ++i) {
      sorvi_sample::GlhRow row;
      for (int32_t& f : row.fields) f = (in.byte() & 1) ? static_cast<int32_t>(in.u32()) : in.range(-2, 1002);
      row.name = in.text(255);
      if (in.byte() & 1) row.name.append(in.range(0, 1100), 'x');
      doc.rows.push_back(row);
    }
  } else {
    std::vector<sorvi_sample::GlhRecordContent> records;
    for (int i = 0; i < count; ++i) {
      sorvi_sample::GlhRecordContent r;
      for (int32_t& f : r.fields) f = in.range(-2, 1002);
      r.fields[sorvi::kGlFieldType] = in.range(79, 94);
      if (in.byte() & 1) r.key = in.text(255);
      if (in.byte() & 1) r.value = in.text(255) + std::string(in.range(0, 3) == 3 ? in.range(0, 3000) : 0, 'v');
      records.push_back(r);
    }
    doc.rows = sorvi_sample::encode_gl_records(records);
  }
  if (mode & 2) doc.library_header = fuzzed_header(in, in.range(0, 9));
  if (mode & 4) {
    sorvi_sample::GlhIndexContent index;
    index.name = "Penaltys";
    const int keys = in.range(0, 4);
    for (int k = 0; k < keys; ++k) {
      sorvi_sample::GlhIndexKey key;
      key.key = in.text(20);
      key.hyperslabs = in.byte() & 1;
      const int rows = in.range(0, 5);
      for (int r = 0; r < rows && !doc.rows.empty(); ++r)
        key.rows.push_back(static_cast<hsize_t>(in.range(0, static_cast<int>(doc.rows.size()) - 1)));
      index.keys.push_back(key);
    }
    doc.indexes.push_back(index);
  }
  return doc;
}

sorvi_sample::GlhTextDocumentContent fuzzed_text(ByteReader& in) {
  sorvi_sample::GlhTextDocumentContent doc;
  const uint8_t mode = in.byte();
  const int count = in.range(0, 30);
  for (int i = 0; i < count; ++i) doc.entries.push_back(in.text(200));
  doc.chunked = mode & 1;
  if (mode & 2) doc.library_header = fuzzed_header(in, in.range(0, 9));
  if (mode & 4) doc.auxiliary = std::make_pair(in.text(50), in.text(50));
  return doc;
}

}  // namespace

int fuzz_glh_file(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  FuzzRun run(*set);
  const std::string relative = "work/" + set->module().stem + ".glh";
  // HDF5 keeps checksums over its names: the bytes stay as they came.
  run.put(relative, data, size, false);
  exercise_glh(run, *set, set->root() + relative);
  return run.finish();
}

int fuzz_glh_content(const uint8_t* data, size_t size) {
  FuzzSet* set = fuzz_set();
  if (!set) return 0;
  const sorvi_sample::SampleModule& m = set->module();
  const std::string relative = "work/" + m.stem + ".glh";
  const std::string path = set->root() + relative;
  ByteReader in(data, size);
  {
    const uint8_t mode = in.byte();
    std::optional<std::vector<int>> file_header = std::vector<int>{0, 14, 1001};
    if (mode & 1) file_header = fuzzed_header(in, in.range(0, 4));
    sorvi_sample::GlhWriter writer(path, file_header);
    writer.add_repository("GLQ_Repository", (mode & 2) ? in.range(-1, 12) : 6);
    writer.add_record_document("GLQ_Repository", sorvi::kGlqCPenalties, fuzzed_records(in));
    if (mode & 4) writer.add_record_document("GLQ_Repository", sorvi::kGlqCModelDescriptions, fuzzed_records(in));
    writer.add_work_file(m.source_path, m.stem + ".sif", fuzzed_text(in));
    if (mode & 8) writer.add_work_file(m.source_path, m.stem + ".blk", fuzzed_text(in));
    if (mode & 16) writer.add_work_file("$$CFG_REPOSITORY$$", "staticid", fuzzed_text(in));
    writer.close();
  }
  FuzzRun run(*set);
  run.put(relative, read_whole_file(path), false);
  exercise_glh(run, *set, path);
  return run.finish();
}

}  // namespace sorvi_fuzz
