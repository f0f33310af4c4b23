// The penalty catalogue: per language, the texts of the programming
// standards that the analysis reports as violations ("12 S"), with their
// references to external coding standards.
//
// One catalogue per language code 0..17 (any other code is taken as 0),
// created on first load and kept for the process until
// release_penalty_catalogues. A catalogue has 1001 entries (index 0..1000);
// the report configuration (report_config.h) keeps its entries with the same
// indexes.
//
// Typical use by a document and the violation reader:
//   load_penalty_catalogue(language, nullptr, false, false, glh_or_null);
//   load_report_configuration(...);                        // report_config.h
//   int index = find_penalty_entry('S', 12, language);
//   const PenaltyEntry* entry = penalty_entry(language, index);
//   ViolationTexts texts = compose_violation_texts('S', 12, language, analysis_text);
#pragma once

#include <string>
#include <vector>

#include "base/lists.h"

namespace sorvi {

constexpr int kPenaltyEntryCount = 1001;
constexpr int kMaxPenalties = 1000;
constexpr int kStandardsLanguageCount = 18;  // language codes 0..17
constexpr int kDefaultStandardsColumn = 50;
constexpr size_t kStandardsTextMax = 200;

// Load statuses.
constexpr int kPenaltiesLoaded = 0;
constexpr int kPenaltiesGlhNotRead = 1;
constexpr int kPenaltyFileNotOpened = 101;
constexpr int kTooManyPenalties = 102;

struct PenaltyEntry {
  std::string text = "<no penalty>";
  char letter = '\0';
  int code_d = 0;
  int penalty_number = 0;
  int standard_number = 0;
  int parameter = 0;        // the figure that stands for "***" in the text
  int has_parameter = 0;    // 1 when the text held "***"
  std::string standards_text;  // reference of the selected external standard (<= 200)
  int is_mr = 0;            // 1 when the text contains "(MR)"
  int in_use = 1;
  int code_b = 0;
  int code_c = 0;
  int not_used = 0;         // 1 when the text starts with "Not Used" (any case)
  // Where the parameter figure stands in `text` (-1: not known).
  int parameter_offset = -1;
};

struct PenaltyCatalogue {
  int language = 0;
  std::vector<PenaltyEntry> entries;  // kPenaltyEntryCount
  std::vector<charlist> references;   // per entry: its external-standard references
  std::string external_standard;      // the selected external standard (<= 100)
  // Entry index found earlier per letter A-Z and standard number 0..999
  // (0: not cached).
  std::vector<unsigned short> lookup_cache;
  // Languages 2, 6, 13, 16: standard numbers whose letter was "s", ascending.
  int_list s_standards;
  bool loaded = false;
};

// Loads the catalogue of a language once. A catalogue already loaded is
// kept and 0 returned. Otherwise, from the GLH file's GLQ repository when
// `glh_path` is given (status 0 when read, 1 otherwise), else from the
// language's "pen.dat" (penalty_file_path): 0 loaded; 101 the file cannot
// be opened (with `report`, "Can't open penalty file %s\n" on channel B);
// 102 the count on line 1 exceeds 1000 (with `report`, an error block on
// channel B; the first 1000 penalties are loaded either way). `strip`
// removes the tails " (added by Kelvar)", " (added by Vexa)", " (ref.
// removed)". 0 with nothing done when memory runs out.
int load_penalty_catalogue(int language, const char* explicit_path, bool report, bool strip, const char* glh_path);

// Where the language's "pen.dat" is: the explicit path when given; the
// language variant of "PENFILE" when it names a regular file; the language's
// data path when it exists; else "PENFILE", defaulting to that data path.
std::string penalty_file_path(int language, const char* explicit_path);

// The catalogue of a language, or null when none has been created.
const PenaltyCatalogue* find_penalty_catalogue(int language);
// Entry `index` (0..1000) of a language's catalogue; null otherwise.
const PenaltyEntry* penalty_entry(int language, int index);
// The external-standard references of an entry; null when there is no entry.
const charlist* penalty_references(int language, int index);
// Languages 2, 6, 13, 16: the standard numbers whose letter was "s" in
// "pen.dat". Empty for others.
const int_list& s_standard_numbers(int language);

// The entry index of the standard (letter, number): a cached index; else the
// first entry with exactly this letter and this non-zero standard number
// (cached when the letter is A-Z in either case and the number is 0..999);
// else the last entry whose penalty_number is `fallback_penalty_number`, or
// -1 without a fallback (-1), or 999 when nothing matches the fallback. For
// language 0 only the cache is asked: the cached index or 0.
int find_penalty_entry(char letter, int standard_number, int language, int fallback_penalty_number = -1);

// The texts of one violation record.
struct ViolationTexts {
  int entry = -1;         // catalogue entry, -1 when the standard has no penalty text
  std::string main_text;  // may be empty
  bool has_extra_text = false;
  std::string extra_text;
};

// Composes a violation's main and extra texts from the text the analysis
// wrote (null or empty: none) and the catalogue entry of (letter, number).
// Call it only for a violation record that is kept. When the catalogue text
// carries a parameter figure and the analysis text gives another figure at
// the same place, the catalogue entry takes the new figure (text and
// parameter). Without a catalogue entry the analysis text is the main text.
ViolationTexts compose_violation_texts(char letter, int standard_number, int language, const char* analysis_text);

// Frees every catalogue (at program exit).
void release_penalty_catalogues();
// The same, for tests that start clean.
void reset_penalty_catalogues();
// Frees one language's catalogue, so that the next load reads it again.
void release_penalty_catalogue(int language);

}  // namespace sorvi
