// The procedures file (".sf1") of an analysed module: the module's source
// file name, its procedures, and where the main program starts.
//
// Record lines (after the module, procedure and type fields of 4
// characters each, columns 1-12; positions below count from column 13):
//   106 source name - 33 characters skipped, then the name (column 46 on,
//                     at most 520 characters; trailing blanks and one pair
//                     of surrounding double quotes removed);
//   124 procedure   - 13 characters skipped, the kind letter (column 26),
//                     first line (9), last line (9), procedure number (5),
//                     5 characters skipped, the name (rest of the line,
//                     trailing blanks removed; an empty name is an error);
//   118 main start  - the rest of the line as "%*d %*d %d %d %s": the
//                     main program's start line and its name.
// Other record types are read past.
#pragma once

#include <string>

#include "base/dynamic_string.h"
#include "base/lists.h"

namespace sorvi {

struct IndexRecord;

// What a reading found besides its outputs.
struct Sf1Reading {
  bool opened = false;
  bool source_record = false;  // a type-106 record was read
  bool procedure_error = false;  // a procedure record without a name ended the reading
  int module_number = 0;       // the module of the first line whose module is not 0
  IndexRecord* index = nullptr;  // with load_index: the index loaded (index_file.h owns it), or null
  int index_status = 1;          // read_index_file's status (kIndexNotOpened until tried)
};

// Reads "<stem>.sf1" (a relative stem is placed in the work directory).
//   source_name - the name slot. When it holds a name, the file is opened in
//                 repository-first mode with that name as the repository
//                 name in `glh_file`, and a type-106 record only marks
//                 success; when empty, the file is opened as a plain file
//                 and the first type-106 record fills the slot;
//   main_start, main_name - when main_start is given, each type-118 record
//                 sets the start line (-1 when its line does not match the
//                 format) and main_name (when given) the name; left alone
//                 without such a record;
//   procedures  - each type-124 record is appended (is_y_kind for kind "Y",
//                 is_p_kind for kind "P"); may be null;
//   name_only   - type-124 records are not read;
//   load_index  - after a successful reading, the module's index file is
//                 loaded (read_index_file) for the source name, the stem of
//                 the ".sf1" path and the module number found, with
//                 `glh_file` (null: "<stem>.glh").
// True when the file opened and held a type-106 record, and no procedure
// record ended the reading early. Records read before an error stay.
bool read_sf1_file(const char* stem, DynamicString& source_name, int* main_start, std::string* main_name,
                   procedure_list* procedures, bool name_only, const char* glh_file, bool load_index,
                   Sf1Reading* reading = nullptr);

// The source name and GLH file of a module.
//   glh_file - the given path; without one, "<stem>.glh", or, when a
//              repository name (the cross-reference set) is given, that
//              name with ".glh" in the work directory;
//   source   - the given name; without one, the name recorded in
//              "<stem>.sf1" (read as a plain file, name only).
// True when a source name is known.
bool resolve_module_source(const char* stem, const char* repository_name, const char* source_name,
                           const char* glh_path, std::string& source, std::string& glh_file);

// Relocates procedures through include limits: each procedure is searched,
// in the loaded index records (index_records(), newest first), among the
// include files' limits records (not the main file's) for a file name equal
// to the procedure's name (case-sensitive). When found and the reformatted
// line of its first_line (reformatted_line_of of that record) is positive,
// the procedure is added to `relocated` with first_line and last_line
// replaced by their reformatted lines; otherwise unchanged. Records keep
// their order. False when memory ran out ("Error in adding new procedure -
// memory overflow" has then been reported).
bool relocate_procedures(const procedure_list& procedures, procedure_list& relocated);

}  // namespace sorvi
