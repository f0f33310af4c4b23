// Shared set-up of the work-file readers' tests: a profile whose work
// directory is a temporary folder, the line-number width back at 6, and
// writers of the fixed-column lines the readers take.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "support/test_support.h"
#include "workfiles/block_file.h"

namespace work_readers_test {

// "%*d" of a value: right-aligned in `width` characters.
inline std::string field(int value, int width) {
  char text[64];
  std::snprintf(text, sizeof text, "%*d", width, value);
  return text;
}

// The three 4-character fields every record line starts with.
inline std::string head(int module, int procedure, int type) {
  return field(module, 4) + field(procedure, 4) + field(type, 4);
}

// Lines joined with LF, each ended by one.
inline std::string lines(const std::vector<std::string>& all) {
  std::string text;
  for (const std::string& l : all) text += l + "\n";
  return text;
}

// Deterministic junk for the damaged-input tests: digits, blanks, minus
// signs, letters, quotes, tabs and line ends (LF, CR LF, lone CR), with
// now and then a very long line.
inline std::string junk_text(unsigned seed, size_t size) {
  static const char kAlphabet[] = "0123456789          ---TtFfSQDYP\"\t\n\n\n\r";
  std::string text;
  unsigned state = seed * 2654435761u + 1;
  while (text.size() < size) {
    state = state * 1103515245u + 12345u;
    const unsigned r = (state >> 8) % 1000;
    if (r == 0) {
      text.append(5000, '7');
    } else {
      text += kAlphabet[r % (sizeof kAlphabet - 1)];
    }
  }
  return text;
}

class WorkReadersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_ = std::make_unique<sorvi_test::ProfileFixture>();
    sorvi::make_directories(work());
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(profile_->dir().path());
    sorvi::reset_line_number_width();
  }

  void TearDown() override {
    sorvi::reset_line_number_width();
    cwd_.reset();
    profile_.reset();
  }

  // Rewrites the profile with the default directories and extra lines.
  void use_profile(const std::string& extra_lines) {
    const std::string dir = profile_->dir().path();
    profile_->rewrite("[C/C++ Vexa Kelvar]\nKELV=" + dir + "/suite\nWORKDIR=" + work() + "\nPERMDIR=" + dir +
                      "/perm\n" + extra_lines);
  }

  std::string work() const { return profile_->dir().path() + "/work"; }
  std::string work_path(const std::string& name) const { return work() + "/" + name; }
  std::string write_work_file(const std::string& name, const std::string& content) const {
    const std::string path = work_path(name);
    sorvi_test::write_file(path, content);
    return path;
  }

  std::unique_ptr<sorvi_test::ProfileFixture> profile_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
};

// A block table of procedures given as (dummy start, dummy exit, block line
// ranges), numbered from 1.
struct ProcedureLayout {
  bool dummy_start = false;
  bool dummy_exit = false;
  std::vector<std::pair<int, int>> blocks;
};

inline std::vector<sorvi::ProcedureBlocks> block_table(const std::vector<ProcedureLayout>& layouts) {
  std::vector<sorvi::ProcedureBlocks> table;
  int number = 0;
  for (const ProcedureLayout& s : layouts) {
    sorvi::ProcedureBlocks p;
    p.name = "p" + std::to_string(++number);
    p.number = number;
    p.hasDummyStart = s.dummy_start;
    p.hasDummyExit = s.dummy_exit;
    for (const auto& range : s.blocks) {
      sorvi::BlockSpan span;
      span.startLine = range.first;
      span.endLine = range.second;
      p.blocks.push_back(span);
    }
    p.blockCount = static_cast<int>(p.blocks.size());
    const int last_real = p.blockCount - (s.dummy_exit ? 2 : 1);
    if (last_real >= 0) p.lastLine = p.blocks[static_cast<size_t>(last_real)].endLine;
    table.push_back(p);
  }
  return table;
}

}  // namespace work_readers_test
