#include "glh/glh_library.h"

#include <cstring>
#include <memory>
#include <string>

#include "base/file_utils.h"
#include "glh/glh_api.h"
#include "glh/glh_heap_check.h"
#include "glh/glh_internals.h"
#include "glh/glh_lib_open_close.h"

namespace sorvi {
namespace {

constexpr int kFileHeaderValues = 10;
constexpr int kRepositoryHeaderValues = 100;
constexpr int kLibraryHeaderValues = 20;

const char* const kDynWorkfileSets[kGlhDynWorkfileSets] = {"branch", "lcsaj", "scope", "executable"};
const char* const kDynCoverageSets[kGlhDynCoverageSets] = {
    "ter1", "ter2", "ter3", "call", "missbra", "missfun", "misslcj", "supbra", "suplcj", "funhit", "noret"};

// Runs an operation so that no exception leaves this unit: an exception
// (only an allocation failure can raise one) gives the failure result.
template <typename R, typename Body>
R without_exceptions(R failure, Body body) {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// Reads "Repository_Header" into a repository handle. A missing header
// leaves value 0 at 0; value 1 gives the type only when none is known.
void read_repository_header(GlhRepository& repo) {
  int header[kRepositoryHeaderValues];
  if (!glh_read_int_header(repo.group, "Repository_Header", header, kRepositoryHeaderValues, __FILE__, __LINE__)) {
    return;
  }
  repo.repository_header0 = header[0];
  if (repo.type == kGlhTypeNone) repo.type = header[1];
}

GlhRepository* make_repository(const GlhLibrary& lib, const std::string& name, int type, hid_t group) {
  GlhRepository* repo = new (std::nothrow) GlhRepository;
  if (!repo) {
    HDFGclose(group, __FILE__, __LINE__);
    return nullptr;
  }
  try {
    repo->name = name;
  } catch (...) {
    HDFGclose(group, __FILE__, __LINE__);
    delete repo;
    return nullptr;
  }
  repo->type = type;
  repo->group = group;
  repo->file = lib.file;
  repo->read_write = lib.read_write;
  read_repository_header(*repo);
  return repo;
}

// Opens the DYN groups and whichever of their datasets are present.
void open_dyn_members(GlhDocument& doc) {
  if (HDFLexists(doc.group, "$$workfiles$$", __FILE__, __LINE__) > 0) {
    doc.dyn_workfiles = HDFGopen(doc.group, "$$workfiles$$", __FILE__, __LINE__);
    if (doc.dyn_workfiles < 0) doc.dyn_workfiles = kGlhNone;
  }
  if (doc.dyn_workfiles >= 0) {
    for (int i = 0; i < kGlhDynWorkfileSets; ++i) {
      hid_t id = HDFDopen(doc.dyn_workfiles, kDynWorkfileSets[i], __FILE__, __LINE__);
      doc.dyn_workfile_sets[static_cast<size_t>(i)] = id < 0 ? kGlhNone : id;
    }
  }
  if (HDFLexists(doc.group, "$$coverage$$", __FILE__, __LINE__) > 0) {
    doc.dyn_coverage = HDFGopen(doc.group, "$$coverage$$", __FILE__, __LINE__);
    if (doc.dyn_coverage < 0) doc.dyn_coverage = kGlhNone;
  }
  if (doc.dyn_coverage >= 0) {
    for (int i = 0; i < kGlhDynCoverageSets; ++i) {
      hid_t id = HDFDopen(doc.dyn_coverage, kDynCoverageSets[i], __FILE__, __LINE__);
      doc.dyn_coverage_sets[static_cast<size_t>(i)] = id < 0 ? kGlhNone : id;
    }
  }
}

GlhLibrary* open_library(const char* path, const char* mode) {
  if (!path || !*path || std::strlen(path) > kMaxPath) return nullptr;
  glh_lib_open();
  const int read_write = mode && std::strcmp(mode, "READ_WRITE") == 0 ? 1 : 0;
  hid_t access = HDFdenseStorageProperty(__FILE__, __LINE__);
  if (access < 0) return nullptr;
  hid_t file = HDFFopen(path, read_write ? H5F_ACC_RDWR : H5F_ACC_RDONLY, access, __FILE__, __LINE__);
  HDFPclose(access, __FILE__, __LINE__);
  if (file < 1) return nullptr;
  if (!glh_file_heaps_are_sound(file)) {
    HDFFclose(file, 0, __FILE__, __LINE__);
    return nullptr;
  }

  int header[kFileHeaderValues];
  bool header_ok = false;
  hid_t root = HDFGopen(file, "/", __FILE__, __LINE__);
  if (root >= 0) {
    header_ok = glh_read_int_header(root, "File_Header", header, kFileHeaderValues, __FILE__, __LINE__) &&
                header[1] == 14 && header[2] == 1001;
    HDFGclose(root, __FILE__, __LINE__);
  }
  GlhLibrary* lib = header_ok ? new (std::nothrow) GlhLibrary : nullptr;
  if (lib) {
    try {
      lib->path = path;
    } catch (...) {
      delete lib;
      lib = nullptr;
    }
  }
  if (!lib) {
    HDFFclose(file, 0, __FILE__, __LINE__);
    return nullptr;
  }
  lib->file = file;
  lib->read_write = read_write;
  lib->file_header0 = header[0];
  return lib;
}

GlhRepository* open_repository_by_type(const char* type_name, const GlhLibrary* library) {
  if (!library || library->file < 0) return nullptr;
  glh_lib_open();
  const int type = glh_type_code(type_name);
  const char* group_name = glh_repository_group_name(type);
  if (!group_name) return nullptr;
  hid_t group = HDFGopen(library->file, group_name, __FILE__, __LINE__);
  if (group < 0) return nullptr;
  return make_repository(*library, group_name, type, group);
}

GlhRepository* open_repository_by_path(const char* path, const GlhLibrary* library) {
  if (!library || library->file < 0 || !path || !*path) return nullptr;
  glh_lib_open();
  const std::string mapped = glh_map_name(path);
  if (!glh_path_exists(library->file, mapped, __FILE__, __LINE__)) return nullptr;
  hid_t group = HDFGopen(library->file, mapped.c_str(), __FILE__, __LINE__);
  if (group < 0) return nullptr;
  return make_repository(*library, mapped, glh_type_code(path), group);
}

GlhDocument* open_document(const char* name, const GlhRepository* repository) {
  if (!repository || repository->group < 0 || !name || !*name) return nullptr;
  glh_lib_open();
  std::unique_ptr<GlhDocument> doc;
  try {
    doc.reset(new GlhDocument);
    doc->name = glh_map_name(name);
  } catch (...) {
    return nullptr;
  }
  if (!glh_path_exists(repository->group, doc->name, __FILE__, __LINE__)) return nullptr;
  hid_t group = HDFGopen(repository->group, doc->name.c_str(), __FILE__, __LINE__);
  if (group < 0) return nullptr;
  doc->group = group;
  doc->type = repository->type;
  doc->repository_group = repository->group;
  doc->file = repository->file;
  doc->read_write = repository->read_write;

  const bool is_doc = doc->type == kGlhTypeDOC;
  const bool is_dyn = doc->type == kGlhTypeDYN;
  bool error = false;
  if (is_dyn) open_dyn_members(*doc);

  hid_t records = HDFDopen(doc->group, is_doc ? "Document" : "GL_Records", __FILE__, __LINE__);
  if (records >= 0) {
    doc->records = records;
  } else if (!is_doc && !is_dyn) {
    error = true;
  }

  int header[kLibraryHeaderValues];
  if (!error && glh_read_int_header(doc->group, "Library_Header", header, kLibraryHeaderValues, __FILE__, __LINE__)) {
    doc->row_count = header[0];
    doc->header1 = header[1];
    doc->header2 = header[2];
    doc->header3 = header[3];
    doc->header4 = header[4];
    doc->header5 = header[5];
    doc->entry_count = header[6];
    doc->text_storage = header[7];
  } else {
    error = true;
  }

  if (!error && !is_doc && !is_dyn && doc->row_count != doc->entry_count) {
    GlhRecordSet* all = glh_read_table(*doc);
    if (all) {
      try {
        doc->long_records = glh_long_records(all->records);
      } catch (...) {
        error = true;
      }
      delete all;
    } else {
      error = true;
    }
  }

  if (error) {
    glh_close_document_objects(*doc);
    return nullptr;
  }
  return doc.release();
}

}  // namespace

GlhLibrary* glh_open_library(const char* path, const char* mode) {
  return without_exceptions<GlhLibrary*>(nullptr, [&] { return open_library(path, mode); });
}

int glh_close_library(GlhLibrary** library) {
  if (!library || !*library) return -1;
  herr_t status = HDFFclose((*library)->file, 1, __FILE__, __LINE__);
  delete *library;
  *library = nullptr;
  return status;
}

GlhRepository* glh_open_repository_by_type(const char* type_name, const GlhLibrary* library) {
  return without_exceptions<GlhRepository*>(nullptr, [&] { return open_repository_by_type(type_name, library); });
}

GlhRepository* glh_open_repository_by_path(const char* path, const GlhLibrary* library) {
  return without_exceptions<GlhRepository*>(nullptr, [&] { return open_repository_by_path(path, library); });
}

int glh_close_repository(GlhRepository** repository) {
  if (!repository || !*repository) return -1;
  herr_t status = (*repository)->group >= 0 ? HDFGclose((*repository)->group, __FILE__, __LINE__) : -1;
  delete *repository;
  *repository = nullptr;
  return status;
}

GlhDocument* glh_open_document(const char* name, const GlhRepository* repository) {
  return without_exceptions<GlhDocument*>(nullptr, [&] { return open_document(name, repository); });
}

int glh_close_document(GlhDocument** document) {
  if (!document || !*document) return 0;
  glh_close_document_objects(**document);
  delete *document;
  *document = nullptr;
  return 0;
}

GlhRecordSet* glh_read_all_records(const GlhDocument* document) {
  if (!document) return nullptr;
  glh_lib_open();
  return without_exceptions<GlhRecordSet*>(nullptr, [&] { return glh_read_table(*document); });
}

GlhRecordSetList* glh_read_index(GlhDocument* document, const char* index_name, int kind) {
  if (!document) return nullptr;
  glh_lib_open();
  return without_exceptions<GlhRecordSetList*>(nullptr,
                                               [&] { return glh_read_index_sets(*document, index_name, kind); });
}

void glh_free_record_set(GlhRecordSet** set) {
  if (!set) return;
  delete *set;
  *set = nullptr;
}

void glh_free_record_set_list(GlhRecordSetList** list) {
  if (!list) return;
  delete *list;
  *list = nullptr;
}

}  // namespace sorvi
