#include "glh/glh_lib_open_close.h"

#include "glh/glh_api.h"
#include "glh/glh_handles.h"

namespace sorvi {
namespace {

struct LibraryState {
  bool open = false;
  hid_t record_type = -1;
  hid_t string_type = -1;
  H5E_auto2_t saved_handler = nullptr;
  void* saved_data = nullptr;
};

LibraryState& library_state() {
  static LibraryState s;
  return s;
}

}  // namespace

hid_t glh_build_gl_record_type(const char* file, int line) {
  hid_t name_type = HDFTcopyCS1(file, line);
  if (name_type < 0) return -1;
  if (HDFTset_size(name_type, kGlNameSize, file, line) < 0) {
    HDFTclose(name_type, file, line);
    return -1;
  }
  const hsize_t field_dims[1] = {kGlFieldCount};
  hid_t fields_type = HDFTarray_createNativeInt(1, field_dims, file, line);
  hid_t record_type = fields_type < 0 ? -1 : HDFTcreateCompound(kGlRowSize, file, line);
  bool ok = record_type >= 0 && HDFTinsert(record_type, "fields", 0, fields_type, file, line) >= 0 &&
            HDFTinsert(record_type, "name", kGlNameOffset, name_type, file, line) >= 0;
  if (fields_type >= 0) HDFTclose(fields_type, file, line);
  HDFTclose(name_type, file, line);
  if (!ok) {
    if (record_type >= 0) HDFTclose(record_type, file, line);
    return -1;
  }
  return record_type;
}

int glh_lib_open() {
  LibraryState& s = library_state();
  if (s.open) return 0;
  H5open();
  // Nothing of HDF5's own error printing reaches the user: failures come
  // back as results and, when switched on, as diagnostic lines.
  H5Eget_auto2(H5E_DEFAULT, &s.saved_handler, &s.saved_data);
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  s.record_type = glh_build_gl_record_type(__FILE__, __LINE__);
  s.string_type = HDFTcopyCS1(__FILE__, __LINE__);
  if (s.string_type >= 0 && HDFTset_sizeVariable(s.string_type, __FILE__, __LINE__) < 0) {
    HDFTclose(s.string_type, __FILE__, __LINE__);
    s.string_type = -1;
  }
  s.open = true;
  return 1;
}

int glh_lib_close() {
  LibraryState& s = library_state();
  if (!s.open) return 0;
  H5close();
  s = LibraryState();
  return 1;
}

bool glh_lib_is_open() { return library_state().open; }

hid_t glh_gl_record_type() { return library_state().record_type; }

hid_t glh_variable_string_type() { return library_state().string_type; }

herr_t glh_read_gl_rows(hid_t dataset, hid_t mem_space, hid_t file_space, hid_t xfer, void* buf, const char* file,
                        int line) {
  herr_t status = HDFDread(dataset, glh_gl_record_type(), mem_space, file_space, xfer, buf, file, line);
  if (status >= 0) return status;
  hid_t fresh = glh_build_gl_record_type(file, line);
  if (fresh < 0) return status;
  status = HDFDread(dataset, fresh, mem_space, file_space, xfer, buf, file, line);
  HDFTclose(fresh, file, line);
  return status;
}

}  // namespace sorvi
