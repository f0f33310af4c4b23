// The records of the GLH repository code: the handles of an open GLH file,
// repository and document, and the decoded GL records they yield.
//
// A GLH file is an HDF5 file. Directly below its root sit typed repository
// groups ("GLQ_Repository", "DOC_Repository", ...); each holds one group per
// document. A record document keeps its records as rows of a 1060-byte
// compound ("fields": 14 native ints at offset 0, "name": a 1001-byte C string
// at offset 56) in the dataset "GL_Records", with named indexes below "Index";
// a text document keeps its lines or chunks as variable-length strings in
// "Document". Every handle here belongs to the caller that opened it and is
// released only by the matching close or free operation.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvi {

// An HDF5 identifier as the handles keep it; kGlhNone means "not open".
using GlhId = int64_t;
constexpr GlhId kGlhNone = -1;

// Shape of a GL record row.
constexpr int kGlFieldCount = 14;
constexpr size_t kGlNameSize = 1001;  // 1000 characters and the NUL
constexpr size_t kGlRowSize = 1060;   // bytes of one row in memory
constexpr size_t kGlNameOffset = 56;  // offset of "name" in a row
constexpr int kGlRowTextMax = 1000;   // characters of text one row carries
constexpr int kGlMaxRecordRows = 10;  // a longer record is skipped

// Integer fields of a row with a storage meaning; the others belong to the
// reader of the record type (see glq_records.h for the GLQ repository).
constexpr int kGlFieldType = 3;         // record type code (80, 90 to 93, ...)
constexpr int kGlFieldRows = 4;         // first row: rows the record occupies
constexpr int kGlFieldTextLength = 12;  // characters of text in this row
constexpr int kGlFieldFirstPart = 13;   // first row: length of the key text

// Repository type codes, named by the first three letters of a type name.
enum GlhRepositoryType : int {
  kGlhTypeNone = -1,
  kGlhTypeGLB = 0,
  kGlhTypeGLC = 1,  // also "GLK"
  kGlhTypeGLD = 2,
  kGlhTypeGLM = 3,
  kGlhTypeGLN = 4,
  kGlhTypeGLP = 5,
  kGlhTypeGLQ = 6,
  kGlhTypeGLT = 7,
  kGlhTypeGLX = 8,
  kGlhTypeDOC = 9,
  kGlhTypeGLS = 10,
  kGlhTypeDYN = 11,
};

// Index kind of the penalty index "Penaltys".
constexpr int kGlhIndexKindPenalties = 10;
// Kind of the record set that holds a whole table.
constexpr int kGlhRecordSetWhole = 1;

// An open GLH file.
struct GlhLibrary {
  std::string path;
  GlhId file = kGlhNone;
  int read_write = 0;    // 0 read-only, 1 read-write
  int file_header0 = 0;  // "File_Header" value 0, carried only
};

// An open repository group.
struct GlhRepository {
  std::string name;  // group path, for example "GLQ_Repository"
  int type = kGlhTypeNone;
  GlhId group = kGlhNone;
  GlhId file = kGlhNone;
  int read_write = 0;
  int repository_header0 = 0;  // "Repository_Header" value 0, carried only
};

// Slots for the indexes of a document that have been read.
constexpr int kGlhIndexSlots = 21;
// Datasets a DYN document may hold below "$$workfiles$$" and "$$coverage$$".
constexpr int kGlhDynWorkfileSets = 4;
constexpr int kGlhDynCoverageSets = 11;

// An open document. Library_Header positions 1 to 5 are carried only.
struct GlhDocument {
  std::string name;  // in HDF5 form (after name mapping)
  int header5 = 0;
  int header2 = 0;
  int header1 = 0;
  int header4 = 0;
  int header3 = 0;
  int type = kGlhTypeNone;  // the repository's type code
  GlhId file = kGlhNone;
  int read_write = 0;
  GlhId repository_group = kGlhNone;  // borrowed from the repository handle
  GlhId group = kGlhNone;
  GlhId records = kGlhNone;      // "GL_Records", or "Document" for DOC
  GlhId auxiliary = kGlhNone;    // "Auxiliary"
  GlhId index_group = kGlhNone;  // "Index"
  // (record index, extra rows) of every record longer than 1000 characters.
  std::vector<std::pair<int, int>> long_records;
  int entry_count = 0;   // Library_Header position 6
  int row_count = 0;     // Library_Header position 0
  int text_storage = 0;  // Library_Header position 7 (1: chunks)
  // Per read index: the index group and its "By_Name" group (two spare).
  std::array<std::array<GlhId, 4>, kGlhIndexSlots> index_slots;
  // DYN documents only.
  GlhId dyn_workfiles = kGlhNone;
  GlhId dyn_coverage = kGlhNone;
  std::array<GlhId, kGlhDynWorkfileSets> dyn_workfile_sets;
  std::array<GlhId, kGlhDynCoverageSets> dyn_coverage_sets;

  GlhDocument() {
    for (auto& slot : index_slots) slot.fill(kGlhNone);
    dyn_workfile_sets.fill(kGlhNone);
    dyn_coverage_sets.fill(kGlhNone);
  }
};

// A decoded GL record: the integers of its first row (field 4 set to 0,
// field 12 the total text length, field 13 the key length), and its text
// split into a key and a value.
struct GlhRecord {
  std::array<int32_t, kGlFieldCount> fields{};
  std::optional<std::string> key;
  std::optional<std::string> value;
};

// The records of a whole table ("Everything", kind 1) or of one index key
// (named after the key, of the caller's index kind).
struct GlhRecordSet {
  int32_t kind = 0;
  std::string name;
  std::vector<GlhRecord> records;
};

// One record set per key of an index, in the keys' creation order.
struct GlhRecordSetList {
  std::vector<GlhRecordSet> sets;
};

}  // namespace sorvi
