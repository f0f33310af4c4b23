// The report configuration of a language: which standards are reported,
// in which category, with which model annotations, and which files are
// excluded from the report. Loaded from the language's "report.dat" (or from
// a GLH file's GLQ repository) for the selected standards model.
//
// One configuration per language code 0..17, created on first use and kept
// for the process until release_report_configurations. Its 1001 entries are
// indexed like the penalty catalogue's (penalty_catalogue.h), which must be
// loaded first: report.dat names standards by letter and number and the
// catalogue turns them into entry indexes.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/lists.h"

namespace sorvi {

// Load statuses.
constexpr int kReportLoaded = 0;
constexpr int kReportBadLanguage = 103;
// Returned only when the report hook returns after the message on an
// unrecognised code above 1000 in section 2.
constexpr int kReportBadCode = 104;
constexpr int kReportFileNotOpened = 200;
constexpr int kReportNotAllocated = 300;

// Violation groups by letter: S 0, J 1, C 2, D 3, X 4, I 5, U 6, other 7.
constexpr int kViolationGroupCount = 8;

struct ReportEntry {
  int reported = 0;
  int category = 0;             // 1..4 once set; 0 none
  int reserved = 0;
  char category_letter = ' ';   // "M", "O", "I", "C" once set; a blank means none
  int special = 0;              // 1 for any "Q" standard and for 23 "S"
  int value_a = 0;              // from "PDTMCSFVA:"
  int value_b = 0;              // from "PDTMCSFVA:", scaled to 8 digits
  int default_category = 0;
  char default_category_letter = ' ';
  int needs_unit_test = 0;      // the line mentions "Kelrun Requires"
  int rule_number = -1;         // the selected model's own rule number
  char kvend = '\0';            // the character after "kvend "
  int_pair_list value_pairs;    // from "vals " items
  charlist model_annotations;   // the quoted annotations naming listed models
};

struct ReportConfiguration {
  int language = 0;
  std::vector<ReportEntry> entries;  // 1001, indexed as the penalty catalogue
  std::array<int, kViolationGroupCount> group_flags{};
  charlist exclusions;  // directories and paths excluded from the report
  std::string model;    // the selected model (display form) or kNoModelName
  char header_mode = 'A';  // "A" all files, "H" main file and its headers, "S" main file only
  std::array<std::string, 4> titles;  // set by report.dat per category 1..4; empty: default
  charlist model_names;         // model lines of report.dat with at most one ":"
  charlist model_descriptions;  // model lines with more than one ":" and GLQ type 80 texts
  bool loaded = false;          // read from report.dat or the GLH file, or the fallback applied
};

// Loads the configuration of a language afresh for a model (null or empty:
// the profile's choice, select_standards_model). From the explicit path or
// report_file_path; when that cannot be opened, from the GLH file's GLQ
// repository when one is given (its status: 0 read, 1 not), else the model
// becomes kNoModelName with every entry reported (200). A language outside
// 0..17 sends "Cannot configure Standards for language code \"%d\"" with
// code 100 on channel B (103). 300 when memory runs out.
int load_report_configuration(const char* explicit_path, int language, const char* model_name, const char* glh_path);

// Where the language's "report.dat" is: the explicit path when given; the
// language variant of "REPFILE" when it names a regular file; else the
// language's data path for "report.dat".
std::string report_file_path(int language, const char* explicit_path);
// "QR_HEADER_EXCLUDES_DAT", defaulting to "qr_h_excludes.dat" in the
// directory the program started in.
std::string exclusion_file_path();

// The configuration of a language 0..17, created with its defaults on first
// use (header mode from the profile, nothing reported); null outside 0..17.
ReportConfiguration* report_configuration(int language);
// Entry `index` (0..1000); null outside, or for a language outside 0..17.
const ReportEntry* report_entry(int language, int index);

// Is the standard reported? Asks the penalty catalogue for its entry; true
// when the language has no loaded configuration or the standard has no
// entry, else the entry's `reported`.
bool is_standard_reported(char letter, int standard_number, int language);

// The group of a violation letter (either case).
int violation_group(char letter);
// The category of a letter: "M" 1, "O" 2, "I" 3, "C" 4; any other gives 1
// and, in `resolved`, "M".
int category_from_letter(char letter, char* resolved = nullptr);
// The title of category 1..4: set by report.dat, else "Mandatory",
// "Optional", "Informational", "Checking"; any other category gives " ".
std::string category_title(int language, int category);

// Is `file` excluded from the report of a module whose main file is
// `main_file`? Header mode "S": every file but the main file (case
// ignored); "H": every file whose stem differs from the main file's; "A": a
// file whose directory or full path is in the exclusion list.
bool is_file_excluded(const char* file, int language, const char* main_file);

// The header mode of the profile: "STANDARDS_REPORT_HEADERS" (first letter,
// upper-cased, default "A"); "A" becomes "H" while
// "QR_SOURCE_NAME_INCLUDE_ONLY" is set.
char profile_header_mode();

// Frees every configuration (at program exit).
void release_report_configurations();
void reset_report_configurations();

// Frees the penalty catalogues and the report configurations: the program
// calls it at exit, tests to start clean.
void release_standards_data();

}  // namespace sorvi
