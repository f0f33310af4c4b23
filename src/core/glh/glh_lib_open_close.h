// Process-wide set-up of the HDF5 library for the GLH repository code: start
// and end of the library, automatic error printing switched off, and the two
// datatypes every read uses (the GL record row and the variable string).
#pragma once

#include <hdf5.h>

namespace sorvi {

// Starts HDF5, builds the GL record type and the variable string type, and
// switches HDF5's automatic error printing off. Returns 1 when it
// initialised, 0 when the library was already open. Runs once at program
// start; the repository operations also call it on first use.
int glh_lib_open();

// Ends HDF5 (every identifier it handed out becomes invalid). Returns 1 when
// it closed, 0 when the library was not open.
int glh_lib_close();

bool glh_lib_is_open();

// The shared datatypes; -1 while the library is not open.
hid_t glh_gl_record_type();
hid_t glh_variable_string_type();

// A fresh GL record type (1060-byte compound: "fields", 14 native ints at
// offset 0; "name", a 1001-byte C string at offset 56). The caller closes it
// with HDFTclose. -1 on failure.
hid_t glh_build_gl_record_type(const char* file, int line);

// Reads GL record rows with the shared type; when that read fails, retries
// once with a freshly built type, closing it afterwards.
herr_t glh_read_gl_rows(hid_t dataset, hid_t mem_space, hid_t file_space, hid_t xfer, void* buf, const char* file,
                        int line);

}  // namespace sorvi
