// Reading GLH files: open a file, a repository in it and a document, and
// read a document's records whole or through a named index.
//
// Calling order (the penalty catalogue, for example):
//   GlhLibrary* lib = glh_open_library(path, "READ_ONLY");
//   GlhRepository* repo = glh_open_repository_by_type("glq", lib);
//   GlhDocument* doc = glh_open_document("$$VEXA_PENALTIES$$", repo);
//   GlhRecordSet* set = glh_read_all_records(doc);
//   ... walk set->records by fields[kGlFieldType] (layout in glq_records.h)
//   glh_free_record_set(&set);
//   glh_close_document(&doc);
//   glh_close_repository(&repo);
//   glh_close_library(&lib);
//
// Every operation accepts a null handle and then does nothing, giving null,
// 0 or -1. A failure gives null with nothing left open. Close and free
// operations set the caller's pointer to null. A document lives inside its
// repository's lifetime, which lives inside its library's: close in reverse
// order. The HDF5 library is started on first use when the program has not
// done so (glh_lib_open).
#pragma once

#include "glh/glh_handles.h"

namespace sorvi {

// Opens a GLH file. Mode "READ_WRITE" opens it writable; any other text (or
// null) read-only. The root's "File_Header" must exist with value 1 = 14
// and value 2 = 1001; otherwise the file is closed again and null returned.
GlhLibrary* glh_open_library(const char* path, const char* mode);
// Closes the file (writing the open-handle diagnostic report first when
// diagnostics are on) and frees the handle. The HDF5 status, -1 for null.
int glh_close_library(GlhLibrary** library);

// Opens the repository of a type named by the first three letters of
// type_name ("glq", "GLQ_Repository", ...); null for letters that name no
// type or a repository the file lacks.
GlhRepository* glh_open_repository_by_type(const char* type_name, const GlhLibrary* library);
// Opens the group at a path below the root, the path mapped as document
// names are; its type comes from the path's first three letters, else from
// the group's "Repository_Header" value 1.
GlhRepository* glh_open_repository_by_path(const char* path, const GlhLibrary* library);
// Closes the group and frees the handle; the HDF5 status, -1 for null.
int glh_close_repository(GlhRepository** repository);

// Opens a document of a repository by its name (mapped: '/' -> '\',
// '?' -> '/'). Record documents need "GL_Records" and "Library_Header"; when
// Library_Header positions 0 and 6 differ, the table is read once to list
// the long records, and a table that cannot be read fails the open.
GlhDocument* glh_open_document(const char* name, const GlhRepository* repository);
// Closes everything the document holds open and frees it; 0.
int glh_close_document(GlhDocument** document);

// All records of the document's table, as a record set named "Everything"
// of kind 1; null when the table cannot be read or a record runs past the
// last row.
GlhRecordSet* glh_read_all_records(const GlhDocument* document);
// The records of each key of the named index ("Penaltys"), one record set
// of the given kind (10 for "Penaltys") per key, in the keys' creation
// order; null when the index is missing, has no keys, or a key cannot be
// read. The index groups stay open in the document until it closes.
GlhRecordSetList* glh_read_index(GlhDocument* document, const char* index_name, int kind);

void glh_free_record_set(GlhRecordSet** set);
void glh_free_record_set_list(GlhRecordSetList** list);

}  // namespace sorvi
