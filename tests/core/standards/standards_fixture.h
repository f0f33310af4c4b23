// Shared set-up of the standards tests: a profile whose suite directory is
// a temporary folder, the catalogues and configurations released before and
// after each test, and writers of "pen.dat" and "report.dat" lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/file_utils.h"
#include "standards/report_config.h"
#include "support/test_support.h"

namespace standards_test {

// One "pen.dat" penalty line: the fixed columns 1-22, then the text.
inline std::string pen_line(int penalty_number, int standard_number, char letter, const std::string& text,
                            int parameter = 0, int code_b = 0, int code_c = 0, int code_d = 0) {
  char columns[64];
  std::snprintf(columns, sizeof columns, "%5d%2d%1d%2d%5d%5d %c", penalty_number, code_b, code_c, code_d, parameter,
                standard_number, letter);
  return columns + text + "\n";
}

class StandardsTest : public ::testing::Test {
 protected:
  void SetUp() override { use_profile(""); }

  void TearDown() override {
    sorvi::release_standards_data();
    profile_.reset();
  }

  // The profile's main section with KELV and the given extra lines; the
  // directory stays the same for the whole test.
  void use_profile(const std::string& extra_lines) {
    sorvi::release_standards_data();
    if (!profile_) profile_ = std::make_unique<sorvi_test::ProfileFixture>();
    profile_->rewrite("[C/C++ Vexa Kelvar]\nKELV=" + suite() + "\nWORKDIR=" + dir() + "/work\n" + extra_lines);
  }

  std::string dir() const { return profile_->dir().path(); }
  std::string suite() const { return dir() + "/suite/"; }

  // Writes a file below the suite directory, making its folders.
  std::string write_suite_file(const std::string& relative, const std::string& content) const {
    const std::string path = suite() + relative;
    sorvi::make_directories(sorvi::directory_part(path));
    sorvi_test::write_file(path, content);
    return path;
  }

  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
};

}  // namespace standards_test
