// Shared set-up of the standards tests: a profile whose suite directory is
// a temporary folder, the catalogues and configurations released before and
// after each test, a writer of "pen.dat" lines, and one-line dumps of the
// catalogue's and the configuration's entries and of the fatal report.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

#include "base/file_utils.h"
#include "standards/penalty_catalogue.h"
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

// Every channel call of the fatal report, then its lines.
inline std::string report_calls(const sorvi_test::ReportCapture& capture) {
  std::string out;
  for (const auto& c : capture.calls()) out += c.channel + std::to_string(c.code) + " " + c.text + "|";
  return out + capture.lines();
}

// " name=value" for each value v that differs from its default d.
inline std::string fields(std::initializer_list<std::tuple<const char*, int, int>> values) {
  std::string out;
  for (const auto& [name, v, d] : values) out += v == d ? "" : " " + std::string(name) + "=" + std::to_string(v);
  return out;
}

// "[text]", the standard, then the fields that differ from a fresh entry's; "none" without an entry.
inline std::string entry_dump(int language, int index) {
  const sorvi::PenaltyEntry* e = sorvi::penalty_entry(language, index);
  if (!e) return "none";
  return "[" + e->text + "]" + (e->letter ? " std=" + std::to_string(e->standard_number) + e->letter : "") +
         fields({{"pen", e->penalty_number, 0}, {"b", e->code_b, 0}, {"c", e->code_c, 0}, {"d", e->code_d, 0},
                 {"par", e->parameter, 0}, {"has", e->has_parameter, 0}, {"mr", e->is_mr, 0}, {"use", e->in_use, 1},
                 {"notused", e->not_used, 0}}) +
         (e->standards_text.empty() ? "" : " ref=" + e->standards_text);
}

// The report entry's fields that differ from a fresh entry's, then its model annotations (the entry must exist).
inline std::string report_dump(int language, int index) {
  const sorvi::ReportEntry* e = sorvi::report_entry(language, index);
  auto category = [](const char* name, int n, char letter) {
    return n || letter != ' ' ? " " + std::string(name) + "=" + std::to_string(n) + letter : std::string();
  };
  std::string out = fields({{"rep", e->reported, 0}}) + category("cat", e->category, e->category_letter) +
                    category("default", e->default_category, e->default_category_letter) +
                    fields({{"res", e->reserved, 0}, {"special", e->special, 0}, {"a", e->value_a, 0},
                            {"b", e->value_b, 0}, {"unit", e->needs_unit_test, 0}, {"rule", e->rule_number, -1}});
  for (const std::string& a : e->model_annotations) out += " \"" + a + "\"";
  return out;
}

class StandardsTest : public ::testing::Test {
 protected:
  void SetUp() override { use_profile(""); }

  // The profile's main section with KELV and the given extra lines; the
  // directory stays the same for the whole test. (The profile fixture
  // releases the catalogues and configurations when it goes.)
  void use_profile(const std::string& extra_lines) {
    sorvi::release_standards_data();
    profile_.rewrite("[C/C++ Vexa Kelvar]\nKELV=" + suite() + "\nWORKDIR=" + dir() + "/work\n" + extra_lines);
  }
  std::string dir() const { return profile_.dir().path(); }
  std::string suite() const { return dir() + "/suite/"; }

  // Writes a file below the suite directory, making its folders.
  std::string write_suite_file(const std::string& relative, const std::string& content) const {
    const std::string path = suite() + relative;
    sorvi::make_directories(sorvi::directory_part(path));
    sorvi_test::write_file(path, content);
    return path;
  }

  sorvi_test::ProfileFixture profile_;
};

}  // namespace standards_test
