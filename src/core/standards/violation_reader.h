// The programming-standards violations of an analysed module, read from
// its violation work files into two sorted lists: violations at a line
// (`lineViolations`) and violations of a procedure as a whole
// (`procedureViolations`).
//
// Files, in this order: "<stem>.sif", ".pf1", ".pf2", ".pf3", ".pfj",
// ".pf6", ".pf5" (the module files), then, when a system name is given,
// "<system>.xfs" and "<system>.sfs" from the work directory (the system
// files, repository "SYSTEM"). Each is opened in repository-first mode; a
// file that does not open is skipped.
//
// Record lines (after the module, procedure and type fields of 4
// characters each; positions count from column 13):
//   101 violation       - 12 characters skipped; line (7, columns 25-31)
//                         and two further 7-character numbers; standard
//                         number (7, signed); when not 0: the letter after
//                         blanks, a text switch (3, signed) and the rest of
//                         the line as the analysis text (used when the
//                         switch is not 0);
//   801 related place   - 12 characters skipped; first line (8), then
//                         "%d %d %d %d %d %d %d %c": place module, a second
//                         integer, place line, two further integers, the
//                         violation's line, its standard number and letter;
//   804 follow-up       - 12 characters skipped; line (7), then "%d %c %d":
//                         standard number, letter, a further integer.
//
// The reading's module is the first non-zero module number met across the
// files in order. Violation texts come from the penalty catalogue of the
// language (penalty_catalogue.h), which must be loaded, and which
// standards are reported from its report configuration (report_config.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/dynamic_string.h"
#include "base/large_array.h"
#include "workfiles/block_file.h"

namespace sorvi {

struct IndexRecord;

// A further place involved in a violation (type 801).
struct RelatedLocation {
  int module_number = 0;  // the reading's module
  int procedure_number = 0;
  int first_line = 0;
  int first_original_line = 0;  // with an index and a file filter
  std::string first_file;
  int place_module = 0;  // 0: the reading's module
  int second = 0;
  int place_line = 0;
  int place_original_line = 0;  // with an index and a file filter
  std::string place_file;
  int fourth = 0;  // 0: the reading's module
  int fifth = 0;
  int violation_line = 0;
  char letter = '\0';
  int standard_number = 0;
};

// A record that follows a violation and stands in for it (type 804).
struct FollowUp {
  int module_number = 0;
  int procedure_number = 0;
  int line = 0;
  int standard_number = 0;
  int value = 0;
  char letter = '\0';
};

// A text that may be absent, told apart from an empty one, in the room of
// one pointer: most violations carry no text of their own, and a module may
// hold hundreds of thousands of them.
class ViolationText {
 public:
  ViolationText() = default;
  ViolationText(const ViolationText& other) : text_(other.text_ ? new std::string(*other.text_) : nullptr) {}
  ViolationText(ViolationText&&) noexcept = default;
  ViolationText& operator=(const ViolationText& other) {
    if (this != &other) text_.reset(other.text_ ? new std::string(*other.text_) : nullptr);
    return *this;
  }
  ViolationText& operator=(ViolationText&&) noexcept = default;
  ViolationText& operator=(std::string text) {
    text_.reset(new std::string(std::move(text)));
    return *this;
  }
  bool has_value() const { return text_ != nullptr; }
  explicit operator bool() const { return has_value(); }
  const std::string& operator*() const { return *text_; }
  const std::string* operator->() const { return text_.get(); }
  bool operator==(const ViolationText& other) const {
    return has_value() == other.has_value() && (!has_value() || *text_ == *other.text_);
  }

 private:
  std::unique_ptr<std::string> text_;
};

struct Violation {
  int line = 0;           // reformatted line, 0 when the violation has none
  int excluded_mark = 0;  // -1 for the placeholder of an excluded file
  int standard_number = 0;
  char letter = '\0';     // upper case; NUL for standard number 0
  int module_number = 0;
  int procedure_number = 0;
  ViolationText main_text;   // may be absent (no text)
  ViolationText extra_text;  // may be absent (no text)
  int source_line = 0;       // original line; set only with a file filter
  std::vector<RelatedLocation> related;  // newest match first
  bool has_follow_up = false;
  FollowUp follow_up;
};
using violation_list = large_vector<Violation>;

// What the reader needs to know of the module besides its files.
struct ViolationReadContext {
  int language = 0;                       // penalty catalogue and report configuration
  const char* glh_file = nullptr;         // the module's GLH file (may be null)
  const char* repository_name = nullptr;  // the module's repository name (its source path)
  // The block table: a violation at line 0 of a procedure is placed, for
  // the tests below, at the procedure's lastLine. May be null.
  const std::vector<ProcedureBlocks>* procedures = nullptr;
  // The module's main file for the exclusion test; null or empty: the
  // index's main file.
  const char* main_file = nullptr;
};

// Reads the violations of a module into the two lists (emptied first).
//   stem      - the module's work-file stem (a relative stem is placed in
//               the work directory);
//   procedure - below 1: every violation; otherwise only that procedure's;
//   index     - the module's index record, or null: with it, each
//               violation's original file and line are found, a violation
//               in a file excluded from the report is dropped, and the
//               violations of the "flattened" standards have their line
//               converted to a reformatted line;
//   file_filter - null or empty, or a source file: only violations in that
//               file are kept (with an index) and the main list is ordered
//               by `source_line` instead of `line`; a filter naming an
//               excluded file reads nothing and gives one placeholder;
//   system_name - null or empty, or the system whose ".xfs" and ".sfs"
//               files are read too.
// Main list: violations with a line, or without a procedure; without a
// filter in line order with duplicates (same line, letter, standard number
// and texts) dropped, with a filter in `source_line` order (0 first).
// Procedure list: violations of a procedure without a line, by procedure
// number. Related places are attached after all files are read.
// True when at least one file was read without a read error (and for the
// placeholder).
bool read_violations(const char* stem, violation_list& line_violations, violation_list& procedure_violations,
                     int procedure, const IndexRecord* index, const char* file_filter, const char* system_name,
                     const ViolationReadContext& context);

// True for the standards whose violations give a flattened (expanded)
// line: letter "S" with a number from the language's "s" list, "Q" 3-5,
// and "S" or "Q" 113, 115, 145-147, 152, 153, 155, 156, 176.
bool is_flattened_line_standard(char letter, int standard_number, int language);

}  // namespace sorvi
