// Shared set-up of the annotation tests: a profile in a fresh temporary
// directory with a work directory, a source directory and a suite
// directory; writers of the fixed-column lines of the work files; and a
// comparison of generated lines with a table of (style, text).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "annotate/annotated_lines.h"
#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "support/test_support.h"

namespace annotate_test {

using Expected = std::vector<sorvi::AnnotatedLine>;

// The three rules.
inline const std::string kProcRule(78, '=');
inline const std::string kBlockRule(78, '-');
inline const std::string kNoteRule =
    "- - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - ";

inline std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
inline std::string format(const char* fmt, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, fmt);
  const int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

// A ".ref" line: the number (W = 6), the flag and the code.
inline std::string ref_line(int line, char flag, const std::string& code) {
  return format("%6d%c", line, flag) + code + "\n";
}

// Generated lines, one "style|text|" a line.
inline std::string dump(const std::vector<sorvi::AnnotatedLine>& lines) {
  std::string text;
  for (const sorvi::AnnotatedLine& l : lines) text += format("%2d|", l.style) + l.text + "|\n";
  return text;
}

inline void expect_lines(const std::vector<sorvi::AnnotatedLine>& lines, const Expected& expected) {
  EXPECT_EQ(dump(lines), dump(expected));
}

class AnnotateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* d : {"work", "src", "suite", "suite/c", "perm"}) mkdir(profile_.dir().file(d).c_str(), 0755);
    cwd_.emplace(dir());
    use_profile("");
  }

  void TearDown() override {
    for (sorvi::AnnotationContext* c : contexts_) sorvi::FreeAnnotationContext(c);
    reset_state();
    cwd_.reset();
  }

  static void reset_state() {
    sorvi_test::reset_core_state();
    sorvi::reset_annotation_state();
    sorvi::reset_line_number_width();
  }

  // The main section with the directories and the given extra lines.
  void use_profile(const std::string& extra_lines) {
    profile_.rewrite("[C/C++ Vexa Kelvar]\nKELV=" + dir() + "/suite/\nWORKDIR=" + dir() + "/work/\nPERMDIR=" + dir() +
                     "/perm/\nUSE_DAEMON_LOCKING=FALSE\n" + extra_lines);
    reset_state();
  }

  std::string dir() const { return profile_.dir().path(); }
  std::string work(const std::string& name) const { return dir() + "/work/" + name; }
  void write(const std::string& path, const std::string& content) const { sorvi_test::write_file(path, content); }

  // A context freed at the end of the test.
  sorvi::AnnotationContext* keep(sorvi::AnnotationContext* c) {
    if (c) contexts_.push_back(c);
    return c;
  }

  // Every line of a generation, or an empty list when none was produced.
  static std::vector<sorvi::AnnotatedLine> generate(sorvi::AnnotationContext* c, bool* made = nullptr) {
    sorvi::AnnotatedLineList list;
    const bool ok = sorvi::GenerateAnnotatedLines(c, list);
    if (made) *made = ok;
    return list.lines();
  }

  sorvi_test::ProfileFixture profile_;
  std::optional<sorvi_test::ScopedCwd> cwd_;
  std::vector<sorvi::AnnotationContext*> contexts_;
};

}  // namespace annotate_test
