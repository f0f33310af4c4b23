// A writer of GLH repository files for tests and sample sets.
//
// It builds files exactly as the repository reader expects them: the root
// attribute "File_Header", typed repository groups with "Repository_Header",
// record documents ("Library_Header", "GL_Records" rows, records longer than
// one row, "Index"/<name>/"By_Name" with one dataset-region-reference
// attribute per key in creation order), text documents ("Document" of
// variable-length strings, one line or one chunk per entry, "Auxiliary"),
// DYN documents, and module work-file groups below the root.
//
// Record encoding: a record's text is the key text, one separator character
// ('|') and the value text (or only the one that is present). The text is cut
// into rows of at most 1000 characters. Field 4 of every row holds the number
// of rows of the record from that row on (k in the first row, 1 in the last),
// so exactly one row of every record has field 4 below 2; field 12 holds the
// characters in the row, field 13 (first row) the key length. Continuation
// rows carry no other integers.
#pragma once

#include <hdf5.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvi_sample {

// One raw row of "GL_Records" (name: at most 1000 characters are stored).
struct GlhRow {
  std::array<int32_t, 14> fields{};
  std::string name;
};

// One record to encode. Fields 4, 12 and 13 are set by the encoder. An empty
// key counts as no key.
struct GlhRecordContent {
  std::array<int32_t, 14> fields{};
  std::optional<std::string> key;
  std::optional<std::string> value;
};

std::vector<GlhRow> encode_gl_record(const GlhRecordContent& record);
std::vector<GlhRow> encode_gl_records(const std::vector<GlhRecordContent>& records);
// The number of records in rows written by the encoder (rows with field 4
// below 2).
int count_encoded_records(const std::vector<GlhRow>& rows);

// GLQ records laid out as src/core/glh/glq_records.h describes.
GlhRecordContent glq_model_description_record(const std::string& text);
// An empty type string or name is stored as its placeholder.
GlhRecordContent glq_penalty_record(int entry, int penalty_number, char letter, int code_d, int standard_number,
                                    int parameter, bool has_parameter, bool is_mr, const std::string& type_string,
                                    const std::string& name);
GlhRecordContent glq_report_entry_record(int entry, int reported, int category, int reserved, char category_letter,
                                         int special, int value_a);
GlhRecordContent glq_annotation_record(int entry, int value_b, const std::string& annotations);
GlhRecordContent glq_references_record(int entry, int code_b, int code_c, const std::string& references);

// One key of an index: the rows its region reference selects, as a point
// selection or as hyperslabs (one per run of consecutive rows).
struct GlhIndexKey {
  std::string key;
  std::vector<hsize_t> rows;
  bool hyperslabs = false;
};

struct GlhIndexContent {
  std::string name;               // for example "Penaltys"
  std::vector<GlhIndexKey> keys;  // written in this (creation) order
};

struct GlhRecordDocumentContent {
  std::vector<GlhRow> rows;
  // Default: position 0 the number of rows, position 6 the number of records.
  std::optional<std::vector<int>> library_header;
  std::vector<GlhIndexContent> indexes;
  // Chunked with an unlimited maximum, so a test can change its extent.
  bool extensible = false;
};

// How a text document's "Document" dataset is laid out in the file:
// contiguous (as the suite writes it), or in HDF5 chunks of two entries,
// the same compressed, or kept in the object header (compact).
enum class GlhTextStorage { kContiguous, kChunked, kCompressed, kCompact };

struct GlhTextDocumentContent {
  std::vector<std::string> entries;
  bool chunked = false;  // Library_Header position 7 = 1
  std::optional<std::pair<std::string, std::string>> auxiliary;
  // Default: {entries, 0, 0, 0, 0, 0, entries, chunked ? 1 : 0}.
  std::optional<std::vector<int>> library_header;
  GlhTextStorage storage = GlhTextStorage::kContiguous;
};

class GlhWriter {
 public:
  // Creates (or truncates) the file with both library version bounds at the
  // latest; writes "File_Header" unless it is nullopt.
  explicit GlhWriter(const std::string& path,
                     const std::optional<std::vector<int>>& file_header = std::vector<int>{0, 14, 1001});
  ~GlhWriter();
  GlhWriter(const GlhWriter&) = delete;
  GlhWriter& operator=(const GlhWriter&) = delete;

  // False once anything failed.
  bool ok() const { return ok_; }
  hid_t file() const { return file_; }

  // A group at an HDF5 path below the root (parents made as needed), with
  // "Repository_Header" unless nullopt. An existing group gets the header.
  bool add_group(const std::string& hdf5_path, const std::optional<std::vector<int>>& repository_header);
  // The group of a repository type ("GLQ_Repository") with header {0, code}.
  bool add_repository(const std::string& group_name, int type_code);

  // Documents below a group at an HDF5 path; `name` is a document name,
  // mapped as the reader maps it ('/' -> '\', '?' -> '/').
  bool add_record_document(const std::string& group_path, const std::string& name, const GlhRecordDocumentContent& doc);
  bool add_text_document(const std::string& group_path, const std::string& name, const GlhTextDocumentContent& doc);
  // A DYN document: "GL_Records" with the given rows, "$$workfiles$$" with
  // "branch" and "$$coverage$$" with "ter1" (small int datasets).
  bool add_dyn_document(const std::string& group_path, const std::string& name, const std::vector<GlhRow>& rows);

  // A module's work file: the group named by the source path mapped as a
  // document name, with "Repository_Header" {0, 9}, holding a text document
  // named by the file name.
  bool add_work_file(const std::string& source_path, const std::string& file_name, const GlhTextDocumentContent& doc);

  // Closes the file; later calls fail.
  bool close();

 private:
  hid_t open_or_make_group(const std::string& hdf5_path);
  hid_t make_document_group(const std::string& group_path, const std::string& name);

  hid_t file_ = -1;
  bool ok_ = true;
};

// The HDF5 path of a document name ('/' -> '\', '?' -> '/').
std::string glh_document_path(const std::string& name);

}  // namespace sorvi_sample
