#include "glh/glh_api.h"

#include <cstdio>
#include <cstring>

#include "base/process_info.h"
#include "config/profile.h"

namespace sorvi {
namespace {

const char kFailureLog[] = "glhapi.log";
const char kExceptionLog[] = "glhapiexception.log";
const char kHandlesLog[] = "glhapihandles.log";
const char kOwnSource[] = "glh_api.cpp";
const char kNoIdentifier[] = "            ";  // 12 blanks

// Longest object name the handle report asks for, and most objects listed.
constexpr size_t kNameBuffer = 520;
constexpr ssize_t kMaxListedObjects = 100;

enum class Switch { kUndecided, kOn, kOff };

Switch& diagnostics_switch() {
  static Switch s = Switch::kUndecided;
  return s;
}

// The last path component of a file name (folders split at '/', '\', ':').
std::string base_name(const char* path) {
  if (!path) return std::string();
  const char* base = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' || *p == '\\' || *p == ':') base = p + 1;
  }
  return base;
}

// Runs one HDF5 call under the guard; logs a negative result when the
// wrapper logs failures.
template <typename R, typename Call>
R guarded(const char* wrapper, int own_line, const char* file, int line, bool logs, bool has_id, long long id,
          Call call) {
  R result;
  try {
    result = call();
  } catch (...) {
    glh_log_exception(wrapper, own_line, file, line);
    return static_cast<R>(-1);
  }
  if (logs && result < 0) glh_log_failure(static_cast<long long>(result), has_id, id, wrapper, file, line);
  return result;
}

// Switches HDF5's automatic error printing off for its lifetime, putting the
// handler that was current back afterwards.
class QuietErrors {
 public:
  QuietErrors() {
    unsigned is_v2 = 1;
    if (H5Eauto_is_v2(H5E_DEFAULT, &is_v2) < 0) is_v2 = 1;
    v2_ = is_v2 != 0;
    if (v2_) {
      H5Eget_auto2(H5E_DEFAULT, &func2_, &data_);
      H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    } else {
      H5Eget_auto1(&func1_, &data_);
      H5Eset_auto1(nullptr, nullptr);
    }
  }
  ~QuietErrors() {
    if (v2_) {
      H5Eset_auto2(H5E_DEFAULT, func2_, data_);
    } else {
      H5Eset_auto1(func1_, data_);
    }
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  bool v2_ = true;
  H5E_auto2_t func2_ = nullptr;
  H5E_auto1_t func1_ = nullptr;
  void* data_ = nullptr;
};

void write_handle_report(hid_t file_id) {
  try {
    ssize_t all = H5Fget_obj_count(file_id, H5F_OBJ_ALL);
    if (all <= 1) return;
    const std::string process = glh_process_name();
    FILE* out = std::fopen(kHandlesLog, "a");
    if (!out) return;
    std::fprintf(out, "Process = %s\n\n", process.c_str());
    std::fprintf(out, "Number of objects open = %d\n\n", static_cast<int>(all));
    std::fprintf(out, "Number of Datasets open = %d\n\n", static_cast<int>(H5Fget_obj_count(file_id, H5F_OBJ_DATASET)));
    std::fprintf(out, "Number of Groups open = %d\n\n", static_cast<int>(H5Fget_obj_count(file_id, H5F_OBJ_GROUP)));
    std::fprintf(out, "Number of Datatypes open = %d\n\n",
                 static_cast<int>(H5Fget_obj_count(file_id, H5F_OBJ_DATATYPE)));
    std::fprintf(out, "Number of Attributes open = %d\n\n", static_cast<int>(H5Fget_obj_count(file_id, H5F_OBJ_ATTR)));
    if (all < kMaxListedObjects + 1) {
      std::fprintf(out, "\n\nOpen objects :\n");
      hid_t ids[kMaxListedObjects];
      ssize_t n = HDFFget_obj_ids(file_id, kMaxListedObjects, ids, __FILE__, __LINE__);
      if (n > kMaxListedObjects) n = kMaxListedObjects;
      for (ssize_t i = 0; i < n; ++i) {
        char name[kNameBuffer];
        name[0] = '\0';
        ssize_t len = HDFIget_name(ids[i], name, sizeof name, __FILE__, __LINE__);
        if (len < 0) name[0] = '\0';
        name[sizeof name - 1] = '\0';
        std::fprintf(out, "\t%s\n", name);
      }
      std::fprintf(out, "\n");
    }
    std::fclose(out);
  } catch (...) {
  }
}

}  // namespace

// --- Diagnostics ---

bool glh_diagnostics_on() {
  Switch& s = diagnostics_switch();
  if (s == Switch::kUndecided) {
    // True when unset or when the profile file is missing: only an explicit
    // false switches the logs on.
    s = get_profile_bool_if_present("PRINTDATE", true, false) ? Switch::kOff : Switch::kOn;
  }
  return s == Switch::kOn;
}

void reset_glh_diagnostics() { diagnostics_switch() = Switch::kUndecided; }

std::string glh_process_name() {
  if (int number = selected_edition()) {
    for (const Edition& e : editions()) {
      if (e.number == number) return edition_executable_names(e)[0];
    }
  }
  const std::vector<std::string>& args = process_arguments();
  // The first argument is the first word of the command line; a quoted one
  // loses its quotes.
  std::string word = args.empty() ? program_path() : args.front();
  if (!word.empty() && word[0] == '"') {
    size_t end = word.find('"', 1);
    word = word.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  word = base_name(word.c_str());
  size_t dot = word.rfind('.');
  if (dot != std::string::npos) word.resize(dot);
  return word;
}

void glh_log_failure(long long result, bool has_id, long long id, const char* wrapper, const char* caller_file,
                     int caller_line) {
  // A diagnostic never disturbs the call it reports.
  try {
    if (!glh_diagnostics_on()) return;
    const std::string process = glh_process_name();
    const std::string caller = base_name(caller_file);
    FILE* out = std::fopen(kFailureLog, "a");
    if (!out) return;
    char id_text[32];
    if (has_id) {
      std::snprintf(id_text, sizeof id_text, "%12lld", id);
    } else {
      std::snprintf(id_text, sizeof id_text, "%s", kNoIdentifier);
    }
    std::fprintf(out, "%12lld %12s %12s %30s %8d %s\n", result, id_text, process.c_str(), wrapper ? wrapper : "",
                 caller_line, caller.c_str());
    std::fclose(out);
  } catch (...) {
  }
}

void glh_log_exception(const char* wrapper, int own_line, const char* caller_file, int caller_line) {
  try {
    if (!glh_diagnostics_on()) return;
    const std::string process = glh_process_name();
    const std::string caller = base_name(caller_file);
    FILE* out = std::fopen(kExceptionLog, "a");
    if (!out) return;
    std::fprintf(out, "%12s %12s %30s %8d ", kNoIdentifier, process.c_str(), wrapper ? wrapper : "", own_line);
    if (!caller_file) {
      std::fprintf(out, "%8s %s\n", "", kOwnSource);
    } else {
      std::fprintf(out, "%8d %s %s\n", caller_line, kOwnSource, caller.c_str());
    }
    std::fclose(out);
  } catch (...) {
  }
}

// --- Files and property lists ---

hid_t HDFFopen(const char* name, unsigned flags, hid_t access_list, const char* file, int line) {
  return guarded<hid_t>("HDFFopen", __LINE__, file, line, false, false, 0, [&] {
    QuietErrors quiet;
    return H5Fopen(name, flags, access_list);
  });
}

herr_t HDFFclose(hid_t file_id, int handle_report, const char* file, int line) {
  return guarded<herr_t>("HDFFclose", __LINE__, file, line, true, true, file_id, [&] {
    if (handle_report && glh_diagnostics_on()) write_handle_report(file_id);
    return H5Fclose(file_id);
  });
}

int HDFintentReadOnly(hid_t file_id, int read_write, const char* file, int line) {
  if (read_write == 0) return 1;
  if (read_write > 0) return 0;
  return guarded<int>("HDFintentReadOnly", __LINE__, file, line, false, true, file_id, [&] {
    unsigned intent = 0;
    if (H5Fget_intent(file_id, &intent) < 0) return -1;
    return (intent & H5F_ACC_RDWR) ? 0 : 1;
  });
}

hid_t HDFdenseStorageProperty(const char* file, int line) {
  hid_t list = HDFPcreateFileAccess(file, line);
  if (list < 0) return list;
  herr_t status = guarded<herr_t>("HDFdenseStorageProperty", __LINE__, file, line, false, false, 0,
                                  [&] { return H5Pset_libver_bounds(list, H5F_LIBVER_LATEST, H5F_LIBVER_LATEST); });
  if (status < 0) {
    HDFPclose(list, file, line);
    return -1;
  }
  return list;
}

hid_t HDFPcreateFileAccess(const char* file, int line) {
  return guarded<hid_t>("HDFPcreateFileAccess", __LINE__, file, line, true, false, 0,
                        [&] { return H5Pcreate(H5P_FILE_ACCESS); });
}

hid_t HDFPcreateDatasetXfer(const char* file, int line) {
  return guarded<hid_t>("HDFPcreateDatasetXfer", __LINE__, file, line, true, false, 0,
                        [&] { return H5Pcreate(H5P_DATASET_XFER); });
}

herr_t HDFPclose(hid_t list, const char* file, int line) {
  return guarded<herr_t>("HDFPclose", __LINE__, file, line, true, true, list, [&] { return H5Pclose(list); });
}

herr_t HDFget_libversion(unsigned* major, unsigned* minor, unsigned* release, const char* file, int line) {
  return guarded<herr_t>("HDFget_libversion", __LINE__, file, line, true, false, 0,
                         [&] { return H5get_libversion(major, minor, release); });
}

// --- Groups and links ---

hid_t HDFGopen(hid_t loc, const char* name, const char* file, int line) {
  return guarded<hid_t>("HDFGopen", __LINE__, file, line, false, true, loc, [&] {
    QuietErrors quiet;
    return H5Gopen2(loc, name, H5P_DEFAULT);
  });
}

herr_t HDFGclose(hid_t group, const char* file, int line) {
  return guarded<herr_t>("HDFGclose", __LINE__, file, line, true, true, group, [&] { return H5Gclose(group); });
}

htri_t HDFLexists(hid_t loc, const char* name, const char* file, int line) {
  return guarded<htri_t>("HDFLexists", __LINE__, file, line, true, true, loc,
                         [&] { return H5Lexists(loc, name, H5P_DEFAULT); });
}

// --- Datasets ---

hid_t HDFDopen(hid_t loc, const char* name, const char* file, int line) {
  if (HDFLexists(loc, name, file, line) <= 0) return -1;
  return HDFDopenimpl(loc, name, file, line);
}

hid_t HDFDopenimpl(hid_t loc, const char* name, const char* file, int line) {
  return guarded<hid_t>("HDFDopenimpl", __LINE__, file, line, true, true, loc,
                        [&] { return H5Dopen2(loc, name, H5P_DEFAULT); });
}

herr_t HDFDclose(hid_t dataset, const char* file, int line) {
  return guarded<herr_t>("HDFDclose", __LINE__, file, line, true, true, dataset, [&] { return H5Dclose(dataset); });
}

herr_t HDFDread(hid_t dataset, hid_t mem_type, hid_t mem_space, hid_t file_space, hid_t xfer, void* buf,
                const char* file, int line) {
  return guarded<herr_t>("HDFDread", __LINE__, file, line, true, true, dataset,
                         [&] { return H5Dread(dataset, mem_type, mem_space, file_space, xfer, buf); });
}

hid_t HDFDget_space(hid_t dataset, const char* file, int line) {
  return guarded<hid_t>("HDFDget_space", __LINE__, file, line, true, true, dataset,
                        [&] { return H5Dget_space(dataset); });
}

herr_t HDFDvlen_reclaim(hid_t type, hid_t space, hid_t xfer, void* buf, const char* file, int line) {
  return guarded<herr_t>("HDFDvlen_reclaim", __LINE__, file, line, true, true, type,
                         [&] { return H5Dvlen_reclaim(type, space, xfer, buf); });
}

// --- Attributes ---

htri_t HDFAexists(hid_t obj, const char* name, const char* file, int line) {
  return guarded<htri_t>("HDFAexists", __LINE__, file, line, true, true, obj, [&] { return H5Aexists(obj, name); });
}

hid_t HDFAopen(hid_t obj, const char* name, const char* file, int line) {
  return guarded<hid_t>("HDFAopen", __LINE__, file, line, true, true, obj,
                        [&] { return H5Aopen(obj, name, H5P_DEFAULT); });
}

hid_t HDFAopen_name(hid_t loc, const char* name, const char* file, int line) {
  return guarded<hid_t>("HDFAopen_name", __LINE__, file, line, true, true, loc,
                        [&] { return H5Aopen_name(loc, name); });
}

herr_t HDFAclose(hid_t attr, const char* file, int line) {
  return guarded<herr_t>("HDFAclose", __LINE__, file, line, true, true, attr, [&] { return H5Aclose(attr); });
}

hid_t HDFAget_space(hid_t attr, const char* file, int line) {
  return guarded<hid_t>("HDFAget_space", __LINE__, file, line, true, true, attr, [&] { return H5Aget_space(attr); });
}

herr_t HDFAreadNativeInt(hid_t attr, int* buf, const char* file, int line) {
  return guarded<herr_t>("HDFAreadNativeInt", __LINE__, file, line, true, true, attr,
                         [&] { return H5Aread(attr, H5T_NATIVE_INT, buf); });
}

herr_t HDFAreadStdRefDsetreg(hid_t attr, hdset_reg_ref_t* buf, const char* file, int line) {
  return guarded<herr_t>("HDFAreadStdRefDsetreg", __LINE__, file, line, true, true, attr,
                         [&] { return H5Aread(attr, H5T_STD_REF_DSETREG, buf); });
}

int HDFAget_num_attrs(hid_t loc, const char* file, int line) {
  return guarded<int>("HDFAget_num_attrs", __LINE__, file, line, false, true, loc,
                      [&] { return H5Aget_num_attrs(loc); });
}

herr_t HDFAiterate(hid_t loc, H5A_operator2_t op, void* op_data, const char* file, int line) {
  return guarded<herr_t>("HDFAiterate", __LINE__, file, line, true, true, loc,
                         [&] { return H5Aiterate2(loc, H5_INDEX_CRT_ORDER, H5_ITER_NATIVE, nullptr, op, op_data); });
}

// --- Dataset region references ---

hid_t HDFRdereferenceDatasetRegion(hid_t obj, const hdset_reg_ref_t* ref, const char* file, int line) {
  return guarded<hid_t>("HDFRdereferenceDatasetRegion", __LINE__, file, line, true, true, obj,
                        [&] { return H5Rdereference(obj, H5R_DATASET_REGION, ref); });
}

hid_t HDFRget_region(hid_t dataset, const hdset_reg_ref_t* ref, const char* file, int line) {
  return guarded<hid_t>("HDFRget_region", __LINE__, file, line, true, true, dataset,
                        [&] { return H5Rget_region(dataset, H5R_DATASET_REGION, ref); });
}

// --- Dataspaces ---

hid_t HDFScreate_simple(int rank, const hsize_t* dims, const hsize_t* maxdims, const char* file, int line) {
  return guarded<hid_t>("HDFScreate_simple", __LINE__, file, line, true, false, 0,
                        [&] { return H5Screate_simple(rank, dims, maxdims); });
}

herr_t HDFSclose(hid_t space, const char* file, int line) {
  return guarded<herr_t>("HDFSclose", __LINE__, file, line, true, true, space, [&] { return H5Sclose(space); });
}

herr_t HDFSselect_hyperslab(hid_t space, const hsize_t* start, const hsize_t* count, const char* file, int line) {
  return guarded<herr_t>("HDFSselect_hyperslab", __LINE__, file, line, true, true, space,
                         [&] { return H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, count, nullptr); });
}

hssize_t HDFSget_select_npoints(hid_t space, const char* file, int line) {
  return guarded<hssize_t>("HDFSget_select_npoints", __LINE__, file, line, false, true, space,
                           [&] { return H5Sget_select_npoints(space); });
}

int HDFSget_simple_extent_dims(hid_t space, hsize_t* dims, hsize_t* maxdims, const char* file, int line) {
  return guarded<int>("HDFSget_simple_extent_dims", __LINE__, file, line, false, true, space,
                      [&] { return H5Sget_simple_extent_dims(space, dims, maxdims); });
}

hssize_t HDFSget_simple_extent_npoints(hid_t space, const char* file, int line) {
  return guarded<hssize_t>("HDFSget_simple_extent_npoints", __LINE__, file, line, true, true, space,
                           [&] { return H5Sget_simple_extent_npoints(space); });
}

// --- Datatypes ---

hid_t HDFTcopyCS1(const char* file, int line) {
  return guarded<hid_t>("HDFTcopyCS1", __LINE__, file, line, true, false, 0, [&] { return H5Tcopy(H5T_C_S1); });
}

herr_t HDFTset_size(hid_t type, size_t size, const char* file, int line) {
  return guarded<herr_t>("HDFTset_size", __LINE__, file, line, true, true, type,
                         [&] { return H5Tset_size(type, size); });
}

herr_t HDFTset_sizeVariable(hid_t type, const char* file, int line) {
  return guarded<herr_t>("HDFTset_sizeVariable", __LINE__, file, line, true, true, type,
                         [&] { return H5Tset_size(type, H5T_VARIABLE); });
}

hid_t HDFTarray_createNativeInt(unsigned rank, const hsize_t* dims, const char* file, int line) {
  return guarded<hid_t>("HDFTarray_createNativeInt", __LINE__, file, line, true, false, 0,
                        [&] { return H5Tarray_create2(H5T_NATIVE_INT, rank, dims); });
}

hid_t HDFTcreateCompound(size_t size, const char* file, int line) {
  return guarded<hid_t>("HDFTcreateCompound", __LINE__, file, line, true, false, 0,
                        [&] { return H5Tcreate(H5T_COMPOUND, size); });
}

herr_t HDFTinsert(hid_t type, const char* name, size_t offset, hid_t member, const char* file, int line) {
  return guarded<herr_t>("HDFTinsert", __LINE__, file, line, true, true, type,
                         [&] { return H5Tinsert(type, name, offset, member); });
}

herr_t HDFTclose(hid_t type, const char* file, int line) {
  return guarded<herr_t>("HDFTclose", __LINE__, file, line, true, true, type, [&] { return H5Tclose(type); });
}

// --- Open objects ---

ssize_t HDFFget_obj_ids(hid_t file_id, size_t max_objs, hid_t* ids, const char* file, int line) {
  return guarded<ssize_t>("HDFFget_obj_ids", __LINE__, file, line, false, true, file_id,
                          [&] { return H5Fget_obj_ids(file_id, H5F_OBJ_ALL, max_objs, ids); });
}

ssize_t HDFIget_name(hid_t id, char* name, size_t size, const char* file, int line) {
  return guarded<ssize_t>("HDFIget_name", __LINE__, file, line, false, true, id,
                          [&] { return H5Iget_name(id, name, size); });
}

}  // namespace sorvi
