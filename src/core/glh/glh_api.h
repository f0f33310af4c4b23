// The HDF5 call layer of the GLH repository code.
//
// Every HDF5 call of the repository code goes through one wrapper here. A
// wrapper calls one HDF5 function under a guard (a C++ exception escaping
// the call comes back as -1), and takes, behind the HDF5 function's own
// arguments, the source file name and line of its caller for the
// diagnostics. It returns what the HDF5 function returns (an identifier, a
// count or a status; negative means failure).
//
// Diagnostics are written only when the profile sets "PRINTDATE" explicitly
// false (decided once, at the first diagnostic), all in the current
// directory, appended and closed at once:
//   "glhapi.log"          one line per failed call of a logging wrapper;
//   "glhapiexception.log" one line per trapped exception;
//   "glhapihandles.log"   the open-object report of HDFFclose.
// Source file names are written without their folders. HDF5 1.10
// identifiers are 64-bit: results and identifiers are written in fields of
// at least 12 characters that widen for larger values.
#pragma once

#include <hdf5.h>

#include <cstddef>
#include <string>

namespace sorvi {

// Files and property lists.
// HDFFopen and HDFGopen switch HDF5's automatic error printing off during
// the call, so an open of something missing is silent; neither logs.
hid_t HDFFopen(const char* name, unsigned flags, hid_t access_list, const char* file, int line);
// With handle_report set (and diagnostics on), writes "glhapihandles.log"
// before closing when anything besides the file itself is still open.
herr_t HDFFclose(hid_t file_id, int handle_report, const char* file, int line);
// read_write as kept in a library handle: 0 gives 1 (read-only) at once, a
// positive flag 0 (writable); a negative flag asks HDF5 for the file's intent.
int HDFintentReadOnly(hid_t file_id, int read_write, const char* file, int line);
// A file access list with both library version bounds at the latest.
hid_t HDFdenseStorageProperty(const char* file, int line);
hid_t HDFPcreateFileAccess(const char* file, int line);
hid_t HDFPcreateDatasetXfer(const char* file, int line);
herr_t HDFPclose(hid_t list, const char* file, int line);
herr_t HDFget_libversion(unsigned* major, unsigned* minor, unsigned* release, const char* file, int line);

// Groups and links.
hid_t HDFGopen(hid_t loc, const char* name, const char* file, int line);
herr_t HDFGclose(hid_t group, const char* file, int line);
htri_t HDFLexists(hid_t loc, const char* name, const char* file, int line);

// Datasets. HDFDopen checks the link with HDFLexists first and gives -1
// without calling HDF5 when it is missing.
hid_t HDFDopen(hid_t loc, const char* name, const char* file, int line);
hid_t HDFDopenimpl(hid_t loc, const char* name, const char* file, int line);
herr_t HDFDclose(hid_t dataset, const char* file, int line);
herr_t HDFDread(hid_t dataset, hid_t mem_type, hid_t mem_space, hid_t file_space, hid_t xfer, void* buf,
                const char* file, int line);
hid_t HDFDget_space(hid_t dataset, const char* file, int line);
herr_t HDFDvlen_reclaim(hid_t type, hid_t space, hid_t xfer, void* buf, const char* file, int line);

// Attributes.
htri_t HDFAexists(hid_t obj, const char* name, const char* file, int line);
hid_t HDFAopen(hid_t obj, const char* name, const char* file, int line);
hid_t HDFAopen_name(hid_t loc, const char* name, const char* file, int line);
herr_t HDFAclose(hid_t attr, const char* file, int line);
// The space of an attribute, to size the buffer of a read.
hid_t HDFAget_space(hid_t attr, const char* file, int line);
herr_t HDFAreadNativeInt(hid_t attr, int* buf, const char* file, int line);
herr_t HDFAreadStdRefDsetreg(hid_t attr, hdset_reg_ref_t* buf, const char* file, int line);
int HDFAget_num_attrs(hid_t loc, const char* file, int line);
// Visits the attributes in creation order, native order, from the first.
herr_t HDFAiterate(hid_t loc, H5A_operator2_t op, void* op_data, const char* file, int line);

// Dataset region references.
hid_t HDFRdereferenceDatasetRegion(hid_t obj, const hdset_reg_ref_t* ref, const char* file, int line);
hid_t HDFRget_region(hid_t dataset, const hdset_reg_ref_t* ref, const char* file, int line);

// Dataspaces. HDFSget_simple_extent_dims writes one entry per dimension:
// callers pass arrays of H5S_MAX_RANK entries.
hid_t HDFScreate_simple(int rank, const hsize_t* dims, const hsize_t* maxdims, const char* file, int line);
herr_t HDFSclose(hid_t space, const char* file, int line);
// Replaces the selection with start and count, no stride.
herr_t HDFSselect_hyperslab(hid_t space, const hsize_t* start, const hsize_t* count, const char* file, int line);
hssize_t HDFSget_select_npoints(hid_t space, const char* file, int line);
int HDFSget_simple_extent_dims(hid_t space, hsize_t* dims, hsize_t* maxdims, const char* file, int line);
hssize_t HDFSget_simple_extent_npoints(hid_t space, const char* file, int line);

// Datatypes.
hid_t HDFTcopyCS1(const char* file, int line);
herr_t HDFTset_size(hid_t type, size_t size, const char* file, int line);
herr_t HDFTset_sizeVariable(hid_t type, const char* file, int line);
hid_t HDFTarray_createNativeInt(unsigned rank, const hsize_t* dims, const char* file, int line);
hid_t HDFTcreateCompound(size_t size, const char* file, int line);
herr_t HDFTinsert(hid_t type, const char* name, size_t offset, hid_t member, const char* file, int line);
herr_t HDFTclose(hid_t type, const char* file, int line);

// Open objects and their names.
ssize_t HDFFget_obj_ids(hid_t file_id, size_t max_objs, hid_t* ids, const char* file, int line);
ssize_t HDFIget_name(hid_t id, char* name, size_t size, const char* file, int line);

// --- Diagnostics ---

// True when diagnostics are written; decided on the first call from the
// profile ("PRINTDATE" present and false) and kept for the process.
bool glh_diagnostics_on();
// Back to undecided (tests).
void reset_glh_diagnostics();

// The program's name as the logs show it: the edition's executable name when
// an edition is selected, otherwise the program's first argument without
// folder and extension.
std::string glh_process_name();

// Appends one "glhapi.log" line (when diagnostics are on). has_id false
// writes 12 blanks in place of the identifier.
void glh_log_failure(long long result, bool has_id, long long id, const char* wrapper, const char* caller_file,
                     int caller_line);
// Appends one "glhapiexception.log" line (when diagnostics are on).
// own_line is the line of the wrapper at which the exception was caught;
// caller_file may be null.
void glh_log_exception(const char* wrapper, int own_line, const char* caller_file, int caller_line);

}  // namespace sorvi
