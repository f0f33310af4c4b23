// Shared set-up of the GLH tests: a temporary directory that is also the
// current directory (the diagnostic logs land there), a profile, the HDF5
// library open, and a check that no test leaves an HDF5 object open.
#pragma once

#include <gtest/gtest.h>
#include <hdf5.h>

#include <memory>
#include <string>

#include "glh/glh_api.h"
#include "glh/glh_lib_open_close.h"
#include "glh/glh_library.h"
#include "glh/glh_util.h"
#include "samplegen/glh_writer.h"
#include "support/test_support.h"

namespace glh_test {

// Every file, dataset, group and attribute HDF5 holds open in this process.
inline ssize_t open_objects() {
  return H5Fget_obj_count(static_cast<hid_t>(H5F_OBJ_ALL),
                          H5F_OBJ_FILE | H5F_OBJ_DATASET | H5F_OBJ_GROUP | H5F_OBJ_ATTR);
}

// Identifiers of the kinds that are not file objects.
struct IdCounts {
  hsize_t spaces = 0, types = 0, lists = 0;
  static IdCounts now() {
    IdCounts c;
    H5Inmembers(H5I_DATASPACE, &c.spaces);
    H5Inmembers(H5I_DATATYPE, &c.types);
    H5Inmembers(H5I_GENPROP_LST, &c.lists);
    return c;
  }
};

// A document opened through its library and repository (each null when it
// did not open), closed again in reverse order.
struct OpenDocument {
  OpenDocument(const std::string& file, const char* type, const char* name)
      : lib(sorvi::glh_open_library(file.c_str(), "READ_ONLY")),
        repo(sorvi::glh_open_repository_by_type(type, lib)),
        doc(sorvi::glh_open_document(name, repo)) {}
  ~OpenDocument() {
    sorvi::glh_close_document(&doc);
    sorvi::glh_close_repository(&repo);
    sorvi::glh_close_library(&lib);
    EXPECT_TRUE(!doc && !repo && !lib) << "a close left its handle set";
  }
  sorvi::GlhLibrary* lib;
  sorvi::GlhRepository* repo;
  sorvi::GlhDocument* doc;
};

class GlhTest : public ::testing::Test {
 protected:
  // The profile's main section; extra lines go below it.
  void use_profile(const std::string& extra_lines) {
    profile_.reset();  // puts the environment back before the next one
    profile_ = std::make_unique<sorvi_test::ProfileFixture>("[C/C++ Vexa Kelvar]\n" + extra_lines);
    sorvi::reset_glh_diagnostics();
    sorvi::reset_glh_block_size();
  }

  void SetUp() override {
    use_profile("");
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(dir_.path());
    sorvi::glh_lib_open();
    ids_ = IdCounts::now();
  }

  void TearDown() override {
    EXPECT_EQ(open_objects(), 0) << "an HDF5 object was left open";
    const IdCounts ids = IdCounts::now();
    EXPECT_EQ(ids.spaces, ids_.spaces) << "a dataspace was left open";
    EXPECT_EQ(ids.types, ids_.types) << "a datatype was left open";
    EXPECT_EQ(ids.lists, ids_.lists) << "a property list was left open";
    sorvi::glh_lib_close();
    cwd_.reset();
    profile_.reset();
    sorvi::reset_glh_diagnostics();
    sorvi::reset_glh_block_size();
  }

  std::string path(const std::string& name) const { return dir_.file(name); }

  sorvi_test::TempDir dir_;
  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
  IdCounts ids_;
};

}  // namespace glh_test
