// Shared set-up of the work-file tests: a profile whose work and permanent
// directories exist in a fresh temporary directory (also the current
// directory), a clean registry, index list and locking layer, and a check
// that no test leaves an HDF5 object open.
#pragma once

#include <gtest/gtest.h>
#include <dirent.h>
#include <hdf5.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "base/file_utils.h"
#include "config/profile.h"
#include "glh/glh_lib_open_close.h"
#include "locking/named_lock.h"
#include "samplegen/glh_writer.h"
#include "support/test_support.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"

namespace workfiles_test {

inline ssize_t open_hdf5_objects() {
  if (!sorvi::glh_lib_is_open()) return 0;
  return H5Fget_obj_count(static_cast<hid_t>(H5F_OBJ_ALL),
                          H5F_OBJ_FILE | H5F_OBJ_DATASET | H5F_OBJ_GROUP | H5F_OBJ_ATTR);
}

class WorkfilesTest : public ::testing::Test {
 protected:
  // The main section with KELV, WORKDIR and PERMDIR; extra lines below.
  void use_profile(const std::string& extra_lines) {
    const std::string dir = profile_->dir().path();
    profile_->rewrite("[C/C++ Vexa Kelvar]\nKELV=" + dir + "/suite\nWORKDIR=" + dir + "/work\nPERMDIR=" + dir +
                      "/perm\n" + extra_lines);
    sorvi_test::reset_core_state();
    reset_workfiles_state();
  }

  void SetUp() override {
    profile_ = std::make_unique<sorvi_test::ProfileFixture>();
    mkdir(profile_->dir().file("work").c_str(), 0755);
    mkdir(profile_->dir().file("perm").c_str(), 0755);
    mkdir(profile_->dir().file("other").c_str(), 0755);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(profile_->dir().path());
    use_profile("");
    work_dir_ = sorvi::work_file_path("");
  }

  void TearDown() override {
    EXPECT_EQ(open_hdf5_objects(), 0) << "an HDF5 object was left open";
    reset_workfiles_state();
    cwd_.reset();
    profile_.reset();
  }

  static void reset_workfiles_state() {
    sorvi::reset_module_registry();
    sorvi::reset_index_records();
    sorvi::reset_locking();
  }

  // A file in the work directory (which ends in "/").
  std::string work(const std::string& name) const { return work_dir_ + name; }
  // A file in a directory beside the work directory.
  std::string other(const std::string& name) const { return profile_->dir().file("other/" + name); }
  std::string lock_directory() const { return profile_->dir().file("perm/Locks/staticid.dat"); }

  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
  std::string work_dir_;
};

// How many entries a directory holds (besides "." and "..").
inline int directory_entries(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return -1;
  int count = 0;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") ++count;
  }
  closedir(d);
  return count;
}

}  // namespace workfiles_test
