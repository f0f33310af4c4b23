// Shared set-up of the annotation tests: a profile in a fresh temporary
// directory with a work directory, a source directory and a suite
// directory; writers of the fixed-column lines of the work files; and a
// comparison of generated lines with a table of (style, text).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "annotate/annotated_lines.h"
#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "base/file_utils.h"
#include "support/test_support.h"
#include "workfiles/block_file.h"

namespace annotate_test {

using Expected = std::vector<std::pair<int, std::string>>;

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

// The module, procedure and type fields every record line starts with.
inline std::string record(int module, int procedure, int type) {
  return format("%4d%4d%4d", module, procedure, type);
}

// A ".blk" procedure entry; `blocks` are (start, end) pairs.
inline std::string blk_procedure(const std::string& name, bool dummy_start, bool dummy_exit,
                                 const std::vector<std::pair<int, int>>& blocks) {
  std::string text = format("%5d", static_cast<int>(name.size())) + name + "\n";
  text += format("%5d %c %c\n", static_cast<int>(blocks.size()), dummy_start ? 'T' : 'F', dummy_exit ? 'T' : 'F');
  for (const auto& b : blocks) text += format("%6d%6d%6d%6d%6d%6d\n", 0, 0, b.first, b.second, 0, 0);
  return text;
}

// A "pen.dat" penalty line.
inline std::string pen_line(int penalty_number, int standard_number, char letter, const std::string& text) {
  return format("%5d%2d%1d%2d%5d%5d %c", penalty_number, 0, 0, 0, 0, standard_number, letter) + text + "\n";
}

// A ".sif" violation record (type 101) on reformatted line `line` (0: none).
inline std::string violation_record(int module, int procedure, int line, int standard, char letter,
                                    const std::string& text = std::string()) {
  return record(module, procedure, 101) + format("%6d%6d%7d%7d%7d%7d %c%3d", 1, 0, line, 0, 0, standard, letter,
                                                 text.empty() ? 0 : 1) +
         text + "\n";
}

// Fixed-width numbers, `per_line` to a line.
inline std::string number_lines(const std::vector<int>& values, int width, int per_line) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    text += format("%*d", width, values[i]);
    if (i % per_line == static_cast<size_t>(per_line) - 1 || i + 1 == values.size()) text += "\n";
  }
  return text;
}

inline std::string padded(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

// Generated lines, one "style|text|" a line.
inline std::string dump(const std::vector<sorvi::AnnotatedLine>& lines) {
  std::string text;
  for (const sorvi::AnnotatedLine& l : lines) text += format("%2d|", l.style) + l.text + "|\n";
  return text;
}

inline std::string dump(const Expected& expected) {
  std::vector<sorvi::AnnotatedLine> lines;
  for (const auto& [style, text] : expected) lines.push_back({style, text});
  return dump(lines);
}

inline void expect_lines(const std::vector<sorvi::AnnotatedLine>& lines, const Expected& expected) {
  EXPECT_EQ(dump(lines), dump(expected));
}

class AnnotateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_ = std::make_unique<sorvi_test::ProfileFixture>();
    for (const char* d : {"work", "src", "suite", "suite/c", "perm"}) mkdir(profile_->dir().file(d).c_str(), 0755);
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(profile_->dir().path());
    use_profile("");
  }

  void TearDown() override {
    for (sorvi::AnnotationContext* c : contexts_) sorvi::FreeAnnotationContext(c);
    contexts_.clear();
    reset_state();
    cwd_.reset();
    profile_.reset();
  }

  static void reset_state() {
    sorvi_test::reset_core_state();
    sorvi::reset_annotation_state();
    sorvi::reset_line_number_width();
  }

  // The main section with the directories and the given extra lines.
  void use_profile(const std::string& extra_lines) {
    const std::string dir = profile_->dir().path();
    profile_->rewrite("[C/C++ Vexa Kelvar]\nKELV=" + dir + "/suite/\nWORKDIR=" + dir + "/work/\nPERMDIR=" + dir +
                      "/perm/\nUSE_DAEMON_LOCKING=FALSE\n" + extra_lines);
    reset_state();
  }

  std::string dir() const { return profile_->dir().path(); }
  std::string work(const std::string& name) const { return dir() + "/work/" + name; }
  std::string src(const std::string& name) const { return dir() + "/src/" + name; }
  std::string suite(const std::string& name) const { return dir() + "/suite/" + name; }

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

  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
  std::vector<sorvi::AnnotationContext*> contexts_;
};

}  // namespace annotate_test
