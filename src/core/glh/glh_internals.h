// Building blocks of the GLH repository operations: repository type names,
// document name mapping, level-by-level link tests, integer headers, the
// decoding of GL record rows, and the reading of a document's table and
// indexes.
#pragma once

#include <hdf5.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "glh/glh_handles.h"

namespace sorvi {

// One GL record row as HDF5 reads it with the GL record type.
struct GlRow {
  int32_t fields[kGlFieldCount];
  char name[kGlNameSize];
};
static_assert(sizeof(GlRow) == kGlRowSize, "a GL record row is 1060 bytes");

// Most rows read at once (whole table or one index key), to bound the
// memory a damaged file can make us take (about 1.1 GB).
constexpr size_t kGlhMaxReadRows = size_t{1} << 20;

// The type code named by the first three characters of a type name (either
// case); kGlhTypeNone when they name no type or the name is shorter.
int glh_type_code(const char* type_name);
// The group name of a type code ("GLQ_Repository"), or null.
const char* glh_repository_group_name(int code);

// A document name in HDF5 form: every '/' becomes '\' and every '?' becomes
// '/', so a '?' separates levels of nested groups.
std::string glh_map_name(const std::string& name);

// True when every level of the '/'-separated path exists below loc, tested
// one level at a time so a missing middle group gives false quietly.
bool glh_path_exists(hid_t loc, const std::string& path, const char* file, int line);

// Reads the 1-D native int attribute `name` of obj into values[0..max-1]
// (values it does not hold are set to 0). Returns false when the attribute
// is missing, unreadable, or holds more than 4096 values.
bool glh_read_int_header(hid_t obj, const char* name, int* values, int max_values, const char* file, int line);

// The number of records in a run of rows: rows not all 0 whose field 4 is
// below 2.
size_t glh_count_records(const GlRow* rows, size_t count);

// Decodes a run of rows into records. row_limit (Library_Header position 0)
// bounds the walk of a whole table; pass -1 for an index key's rows. The
// result holds exactly glh_count_records entries; a record of more than 10
// rows leaves its slot all 0. Returns false, with `out` emptied, when a
// record runs past the last row.
bool glh_decode_rows(const GlRow* rows, size_t count, long long row_limit, std::vector<GlhRecord>& out);

// Decodes one record from its first row and span (1 to 10 rows).
GlhRecord glh_decode_record(const GlRow* rows, int span);

// (record index, extra rows) for every record longer than 1000 characters.
std::vector<std::pair<int, int>> glh_long_records(const std::vector<GlhRecord>& records);

// Reads the whole records dataset of a document into a record set of kind 1
// named "Everything"; null on failure.
GlhRecordSet* glh_read_table(const GlhDocument& doc);

// Reads an index of a document (see glh_read_index); the index groups stay
// open in a slot of the document. Null on failure, with the groups this call
// opened closed again.
GlhRecordSetList* glh_read_index_sets(GlhDocument& doc, const char* index_name, int kind);

// Closes every object a document handle holds open (not its repository
// group) and marks them none.
void glh_close_document_objects(GlhDocument& doc);

}  // namespace sorvi
