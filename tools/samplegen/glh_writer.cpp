#include "samplegen/glh_writer.h"

#include <algorithm>
#include <cstring>

#include "glh/glh_internals.h"
#include "glh/glq_records.h"

namespace sorvi_sample {
namespace {

constexpr size_t kRowSize = 1060;
constexpr size_t kNameOffset = 56;
constexpr size_t kNameSize = 1001;
constexpr size_t kRowText = 1000;
constexpr char kSeparator = '|';

struct RawRow {
  int32_t fields[14];
  char name[kNameSize];
};
static_assert(sizeof(RawRow) == kRowSize, "a GL record row is 1060 bytes");

hid_t make_record_type() {
  hid_t name = H5Tcopy(H5T_C_S1);
  H5Tset_size(name, kNameSize);
  const hsize_t dims[1] = {14};
  hid_t fields = H5Tarray_create2(H5T_NATIVE_INT, 1, dims);
  hid_t record = H5Tcreate(H5T_COMPOUND, kRowSize);
  H5Tinsert(record, "fields", 0, fields);
  H5Tinsert(record, "name", kNameOffset, name);
  H5Tclose(fields);
  H5Tclose(name);
  return record;
}

hid_t make_string_type() {
  hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, H5T_VARIABLE);
  return type;
}

bool write_int_attribute(hid_t obj, const char* name, const std::vector<int>& values) {
  if (H5Aexists(obj, name) > 0) H5Adelete(obj, name);
  const hsize_t dims[1] = {values.size()};
  hid_t space = H5Screate_simple(1, dims, nullptr);
  hid_t attr = H5Acreate2(obj, name, H5T_NATIVE_INT, space, H5P_DEFAULT, H5P_DEFAULT);
  bool ok = attr >= 0 && H5Awrite(attr, H5T_NATIVE_INT, values.data()) >= 0;
  if (attr >= 0) H5Aclose(attr);
  H5Sclose(space);
  return ok;
}

// A 1-D dataset of variable-length strings, stored as asked.
bool write_strings(hid_t loc, const char* name, const std::vector<std::string>& texts,
                   GlhTextStorage storage = GlhTextStorage::kContiguous) {
  std::vector<const char*> pointers;
  for (const std::string& t : texts) pointers.push_back(t.c_str());
  const hsize_t dims[1] = {texts.size()};
  hid_t space = H5Screate_simple(1, dims, nullptr);
  hid_t type = make_string_type();
  hid_t create = H5Pcreate(H5P_DATASET_CREATE);
  const hsize_t chunk[1] = {2};
  switch (storage) {
    case GlhTextStorage::kContiguous:
      break;
    case GlhTextStorage::kChunked:
      H5Pset_chunk(create, 1, chunk);
      break;
    case GlhTextStorage::kCompressed:
      H5Pset_chunk(create, 1, chunk);
      H5Pset_deflate(create, 6);
      break;
    case GlhTextStorage::kCompact:
      H5Pset_layout(create, H5D_COMPACT);
      break;
  }
  hid_t dataset = H5Dcreate2(loc, name, type, space, H5P_DEFAULT, create, H5P_DEFAULT);
  bool ok = dataset >= 0;
  if (ok && !texts.empty()) ok = H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, pointers.data()) >= 0;
  if (dataset >= 0) H5Dclose(dataset);
  H5Pclose(create);
  H5Tclose(type);
  H5Sclose(space);
  return ok;
}

bool write_rows(hid_t loc, const char* name, const std::vector<GlhRow>& rows, bool extensible) {
  std::vector<RawRow> raw(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    std::memset(&raw[i], 0, sizeof raw[i]);
    for (size_t f = 0; f < 14; ++f) raw[i].fields[f] = rows[i].fields[f];
    std::memcpy(raw[i].name, rows[i].name.data(), std::min(rows[i].name.size(), kRowText));
  }
  const hsize_t dims[1] = {rows.size()};
  const hsize_t unlimited[1] = {H5S_UNLIMITED};
  hid_t space = H5Screate_simple(1, dims, extensible ? unlimited : nullptr);
  hid_t create = H5Pcreate(H5P_DATASET_CREATE);
  if (extensible) {
    const hsize_t chunk[1] = {4};
    H5Pset_chunk(create, 1, chunk);
  }
  hid_t type = make_record_type();
  hid_t dataset = H5Dcreate2(loc, name, type, space, H5P_DEFAULT, create, H5P_DEFAULT);
  bool ok = dataset >= 0;
  if (ok && !raw.empty()) ok = H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, raw.data()) >= 0;
  if (dataset >= 0) H5Dclose(dataset);
  H5Tclose(type);
  H5Pclose(create);
  H5Sclose(space);
  return ok;
}

bool write_index(hid_t doc_group, const GlhIndexContent& index) {
  hid_t index_group = H5Lexists(doc_group, "Index", H5P_DEFAULT) > 0
                          ? H5Gopen2(doc_group, "Index", H5P_DEFAULT)
                          : H5Gcreate2(doc_group, "Index", H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  if (index_group < 0) return false;
  hid_t named = H5Gcreate2(index_group, index.name.c_str(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  hid_t create = H5Pcreate(H5P_GROUP_CREATE);
  H5Pset_attr_creation_order(create, H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED);
  hid_t by_name = named < 0 ? -1 : H5Gcreate2(named, "By_Name", H5P_DEFAULT, create, H5P_DEFAULT);
  H5Pclose(create);
  bool ok = by_name >= 0;
  hid_t dataset = ok ? H5Dopen2(doc_group, "GL_Records", H5P_DEFAULT) : -1;
  ok = ok && dataset >= 0;
  for (const GlhIndexKey& key : index.keys) {
    if (!ok) break;
    hid_t space = H5Dget_space(dataset);
    if (key.rows.empty()) {
      H5Sselect_none(space);
    } else if (key.hyperslabs) {
      H5Sselect_none(space);
      size_t at = 0;
      while (at < key.rows.size()) {
        size_t end = at + 1;
        while (end < key.rows.size() && key.rows[end] == key.rows[end - 1] + 1) ++end;
        const hsize_t start[1] = {key.rows[at]};
        const hsize_t count[1] = {end - at};
        H5Sselect_hyperslab(space, H5S_SELECT_OR, start, nullptr, count, nullptr);
        at = end;
      }
    } else {
      H5Sselect_elements(space, H5S_SELECT_SET, key.rows.size(), key.rows.data());
    }
    hdset_reg_ref_t ref;
    std::memset(&ref, 0, sizeof ref);
    ok = H5Rcreate(&ref, doc_group, "GL_Records", H5R_DATASET_REGION, space) >= 0;
    H5Sclose(space);
    if (!ok) break;
    hid_t scalar = H5Screate(H5S_SCALAR);
    hid_t attr = H5Acreate2(by_name, key.key.c_str(), H5T_STD_REF_DSETREG, scalar, H5P_DEFAULT, H5P_DEFAULT);
    ok = attr >= 0 && H5Awrite(attr, H5T_STD_REF_DSETREG, &ref) >= 0;
    if (attr >= 0) H5Aclose(attr);
    H5Sclose(scalar);
  }
  if (dataset >= 0) H5Dclose(dataset);
  if (by_name >= 0) H5Gclose(by_name);
  if (named >= 0) H5Gclose(named);
  H5Gclose(index_group);
  return ok;
}

bool write_int_dataset(hid_t loc, const char* name) {
  const int values[3] = {1, 2, 3};
  const hsize_t dims[1] = {3};
  hid_t space = H5Screate_simple(1, dims, nullptr);
  hid_t dataset = H5Dcreate2(loc, name, H5T_NATIVE_INT, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
  bool ok = dataset >= 0 && H5Dwrite(dataset, H5T_NATIVE_INT, H5S_ALL, H5S_ALL, H5P_DEFAULT, values) >= 0;
  if (dataset >= 0) H5Dclose(dataset);
  H5Sclose(space);
  return ok;
}

GlhRecordContent with_fields(int type, std::initializer_list<std::pair<int, int>> fields) {
  GlhRecordContent r;
  r.fields[3] = type;
  for (const auto& f : fields) r.fields[static_cast<size_t>(f.first)] = f.second;
  return r;
}

}  // namespace

std::string glh_document_path(const std::string& name) { return sorvi::glh_map_name(name); }

std::vector<GlhRow> encode_gl_record(const GlhRecordContent& record) {
  const bool has_key = record.key && !record.key->empty();
  std::string text;
  int32_t first = 0;
  if (has_key) {
    text = *record.key;
    first = static_cast<int32_t>(text.size());
    if (record.value) text += kSeparator + *record.value;
  } else if (record.value) {
    text = *record.value;
  }
  const size_t pieces = text.empty() ? 1 : (text.size() + kRowText - 1) / kRowText;
  std::vector<GlhRow> rows(pieces);
  for (size_t i = 0; i < pieces; ++i) {
    GlhRow& row = rows[i];
    if (i == 0) {
      row.fields = record.fields;
      row.fields[13] = first;
    }
    row.fields[4] = static_cast<int32_t>(pieces - i);
    row.name = text.substr(std::min(text.size(), i * kRowText), kRowText);
    row.fields[12] = static_cast<int32_t>(row.name.size());
  }
  return rows;
}

std::vector<GlhRow> encode_gl_records(const std::vector<GlhRecordContent>& records) {
  std::vector<GlhRow> rows;
  for (const GlhRecordContent& r : records) {
    std::vector<GlhRow> more = encode_gl_record(r);
    rows.insert(rows.end(), more.begin(), more.end());
  }
  return rows;
}

int count_encoded_records(const std::vector<GlhRow>& rows) {
  int n = 0;
  for (const GlhRow& row : rows) {
    if (row.fields[4] < 2) ++n;
  }
  return n;
}

GlhRecordContent glq_model_description_record(const std::string& text) {
  GlhRecordContent r = with_fields(sorvi::kGlqModelDescription, {});
  r.value = text;
  return r;
}

GlhRecordContent glq_penalty_record(int entry, int penalty_number, char letter, int code_d, int standard_number,
                                    int parameter, bool has_parameter, bool is_mr, const std::string& type_string,
                                    const std::string& name) {
  GlhRecordContent r = with_fields(sorvi::kGlqPenalty, {{sorvi::kGlqFieldEntry, entry},
                                                        {sorvi::kGlqPenaltyNumber, penalty_number},
                                                        {sorvi::kGlqPenaltyLetter, static_cast<unsigned char>(letter)},
                                                        {sorvi::kGlqPenaltyCodeD, code_d},
                                                        {sorvi::kGlqPenaltyStandardNumber, standard_number},
                                                        {sorvi::kGlqPenaltyParameter, parameter},
                                                        {sorvi::kGlqPenaltyHasParameter, has_parameter ? 1 : 0},
                                                        {sorvi::kGlqPenaltyIsMr, is_mr ? 1 : 0}});
  r.key = type_string.empty() ? std::string(sorvi::kGlqNoTypeString) : type_string;
  r.value = name.empty() ? std::string(sorvi::kGlqNoNameString) : name;
  return r;
}

GlhRecordContent glq_report_entry_record(int entry, int reported, int category, int reserved, char category_letter,
                                         int special, int value_a) {
  return with_fields(sorvi::kGlqReportEntry,
                     {{sorvi::kGlqFieldEntry, entry},
                      {sorvi::kGlqReportReported, reported},
                      {sorvi::kGlqReportCategory, category},
                      {sorvi::kGlqReportReserved, reserved},
                      {sorvi::kGlqReportCategoryLetter, static_cast<unsigned char>(category_letter)},
                      {sorvi::kGlqReportSpecial, special},
                      {sorvi::kGlqReportValueA, value_a}});
}

GlhRecordContent glq_annotation_record(int entry, int value_b, const std::string& annotations) {
  GlhRecordContent r =
      with_fields(sorvi::kGlqAnnotations, {{sorvi::kGlqFieldEntry, entry}, {sorvi::kGlqAnnotationsValueB, value_b}});
  r.value = annotations;
  return r;
}

GlhRecordContent glq_references_record(int entry, int code_b, int code_c, const std::string& references) {
  GlhRecordContent r = with_fields(
      sorvi::kGlqReferences,
      {{sorvi::kGlqFieldEntry, entry}, {sorvi::kGlqReferencesCodeB, code_b}, {sorvi::kGlqReferencesCodeC, code_c}});
  r.value = references;
  return r;
}

GlhWriter::GlhWriter(const std::string& path, const std::optional<std::vector<int>>& file_header) {
  hid_t access = H5Pcreate(H5P_FILE_ACCESS);
  H5Pset_libver_bounds(access, H5F_LIBVER_LATEST, H5F_LIBVER_LATEST);
  file_ = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, access);
  H5Pclose(access);
  ok_ = file_ >= 0;
  if (ok_ && file_header) {
    hid_t root = H5Gopen2(file_, "/", H5P_DEFAULT);
    ok_ = root >= 0 && write_int_attribute(root, "File_Header", *file_header);
    if (root >= 0) H5Gclose(root);
  }
}

GlhWriter::~GlhWriter() { close(); }

bool GlhWriter::close() {
  if (file_ < 0) return false;
  bool closed = H5Fclose(file_) >= 0;
  file_ = -1;
  return closed && ok_;
}

hid_t GlhWriter::open_or_make_group(const std::string& hdf5_path) {
  if (file_ < 0) return -1;
  if (sorvi::glh_path_exists(file_, hdf5_path, __FILE__, __LINE__)) {
    return H5Gopen2(file_, hdf5_path.c_str(), H5P_DEFAULT);
  }
  hid_t links = H5Pcreate(H5P_LINK_CREATE);
  H5Pset_create_intermediate_group(links, 1);
  hid_t group = H5Gcreate2(file_, hdf5_path.c_str(), links, H5P_DEFAULT, H5P_DEFAULT);
  H5Pclose(links);
  return group;
}

bool GlhWriter::add_group(const std::string& hdf5_path, const std::optional<std::vector<int>>& repository_header) {
  hid_t group = open_or_make_group(hdf5_path);
  bool ok = group >= 0;
  if (ok && repository_header) ok = write_int_attribute(group, "Repository_Header", *repository_header);
  if (group >= 0) H5Gclose(group);
  ok_ = ok_ && ok;
  return ok;
}

bool GlhWriter::add_repository(const std::string& group_name, int type_code) {
  return add_group(group_name, std::vector<int>{0, type_code});
}

hid_t GlhWriter::make_document_group(const std::string& group_path, const std::string& name) {
  return open_or_make_group(group_path + "/" + glh_document_path(name));
}

bool GlhWriter::add_record_document(const std::string& group_path, const std::string& name,
                                    const GlhRecordDocumentContent& doc) {
  hid_t group = make_document_group(group_path, name);
  bool ok = group >= 0 && write_rows(group, "GL_Records", doc.rows, doc.extensible);
  if (ok) {
    std::vector<int> header = doc.library_header.value_or(
        std::vector<int>{static_cast<int>(doc.rows.size()), 0, 0, 0, 0, 0, count_encoded_records(doc.rows), 0});
    ok = write_int_attribute(group, "Library_Header", header);
  }
  for (const GlhIndexContent& index : doc.indexes) {
    if (ok) ok = write_index(group, index);
  }
  if (group >= 0) H5Gclose(group);
  ok_ = ok_ && ok;
  return ok;
}

bool GlhWriter::add_text_document(const std::string& group_path, const std::string& name,
                                  const GlhTextDocumentContent& doc) {
  hid_t group = make_document_group(group_path, name);
  bool ok = group >= 0 && write_strings(group, "Document", doc.entries, doc.storage);
  if (ok && doc.auxiliary) ok = write_strings(group, "Auxiliary", {doc.auxiliary->first, doc.auxiliary->second});
  if (ok) {
    const int n = static_cast<int>(doc.entries.size());
    ok = write_int_attribute(group, "Library_Header",
                             doc.library_header.value_or(std::vector<int>{n, 0, 0, 0, 0, 0, n, doc.chunked ? 1 : 0}));
  }
  if (group >= 0) H5Gclose(group);
  ok_ = ok_ && ok;
  return ok;
}

bool GlhWriter::add_dyn_document(const std::string& group_path, const std::string& name,
                                 const std::vector<GlhRow>& rows) {
  hid_t group = make_document_group(group_path, name);
  bool ok = group >= 0 && write_rows(group, "GL_Records", rows, false);
  if (ok) {
    const int n = static_cast<int>(rows.size());
    ok = write_int_attribute(group, "Library_Header", {n, 0, 0, 0, 0, 0, count_encoded_records(rows), 0});
  }
  for (const char* sub : {"$$workfiles$$", "$$coverage$$"}) {
    if (!ok) break;
    hid_t g = H5Gcreate2(group, sub, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
    ok = g >= 0 && write_int_dataset(g, std::strcmp(sub, "$$workfiles$$") == 0 ? "branch" : "ter1");
    if (g >= 0) H5Gclose(g);
  }
  if (group >= 0) H5Gclose(group);
  ok_ = ok_ && ok;
  return ok;
}

bool GlhWriter::add_work_file(const std::string& source_path, const std::string& file_name,
                              const GlhTextDocumentContent& doc) {
  const std::string group = glh_document_path(source_path);
  return add_group(group, std::vector<int>{0, 9}) && add_text_document(group, file_name, doc);
}

}  // namespace sorvi_sample
