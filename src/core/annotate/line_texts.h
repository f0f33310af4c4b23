// The texts of the annotation lines that the annotated walk places between
// code lines: violation and cross-reference lines, procedure-level
// violations, coverage notes, data-flow notes and possible UR anomalies,
// and the three rules.
//
// Every emitter appends its lines to a NoteOutput (which counts them as
// inserted lines), takes a cursor into its sorted list and returns the
// cursor at which it stopped, so that the next call continues from there
// and one walk reads each list once.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "standards/violation_reader.h"
#include "workfiles/dataflow_reader.h"

namespace sorvi {

class AnnotatedLineList;
struct IndexRecord;

// ---- rules -----------------------------------------------------------------

// 78 "=", 78 "-", and 39 repetitions of "- "; built once for the process.
const std::string& procedure_rule_text();
const std::string& block_rule_text();
const std::string& note_rule_text();

// ---- output ----------------------------------------------------------------

// Where the walk's lines go, with the count of lines other than code lines.
class NoteOutput {
 public:
  explicit NoteOutput(AnnotatedLineList& lines) : lines_(lines) {}
  // An annotation line: counted as inserted.
  void note(int style, std::string_view text);
  // A code line (or another line that does not count as inserted).
  void code(int style, std::string_view text);
  long inserted() const { return inserted_; }
  AnnotatedLineList& lines() { return lines_; }

 private:
  AnnotatedLineList& lines_;
  long inserted_ = 0;
};

// ---- line reading ------------------------------------------------------------

// Reads one line, keeping at most `max` characters of it and reading past
// the rest. LF and CR LF end a line alike; NUL bytes are dropped. False at
// the end of the file when no character was read; `terminated` tells
// whether a line end was met.
bool read_bounded_line(FILE* stream, std::string& line, size_t max, bool* terminated);

// ---- original lines ------------------------------------------------------------

// Maps reformatted line R through an index record as
// get_original_line_and_file does: returns the file's depth, or -1 when the
// record is null or no file holds the line; `original_line` gets 0 for an
// unknown line. Either out may be null.
int map_reformatted_line(const IndexRecord* index, int reformatted_line, int* original_line, std::string* file);

// The original line only: the mapped line when known, else 0 for a header
// line (1..5) and 1 for any other line.
int original_line_only(const IndexRecord* index, int reformatted_line);

// ---- violations ----------------------------------------------------------------

// The ".ref" file whose lines a source listing quotes after each violation,
// and how many of its lines were read so far.
struct RefQuote {
  FILE* stream = nullptr;
  int lines_read = 0;
};

// The text of one violation: head (label and level), "%2d %c : ", the
// standards reference, the message; in a listing the quoted ".ref" line;
// in comment form wrapped in "/* " ... " */".
std::string violation_text(const Violation& violation, int language, RefQuote* ref, bool comment);

// The cross-reference line of a violation's first related location.
std::string cross_reference_text(const Violation& violation, bool listing, bool comment);

// The violations of line L (the reformatted line, or in a listing the
// original line): records before L are passed over, records at L are
// taken, the first record after L stays as the cursor. A record with a
// follow-up produces nothing; the excluded-file placeholder gives
// "/* Violations excluded for this file */" (style 9), any other record its
// violation text (style 6); each is followed by its cross-reference line
// (style 6) when it has a related location.
size_t emit_line_violations(NoteOutput& out, const violation_list& list, size_t cursor, int line, bool listing,
                            RefQuote* ref, bool comment, int language);

// The procedure-level violations of procedure P: a block rule before the
// first (unless `without_rule`), then each text (style 7).
size_t emit_procedure_violations(NoteOutput& out, const violation_list& list, size_t cursor, int procedure,
                                 bool without_rule, bool comment, int language);

// The first record of procedure P or later, found from the head of the
// list (the same place a walk from the head reaches).
size_t procedure_violations_start(const violation_list& list, int procedure);

// ---- coverage ------------------------------------------------------------------

// The coverage notes of block B (as shown) at running block count t: a note
// rule, the current note, the combined note. An empty array stands for
// counts that were not loaded; an index past its end likewise.
void emit_coverage_notes(NoteOutput& out, int block, int running_count, bool instrumented,
                         const std::vector<int>& current_counts, const std::vector<int>& combined_counts);

// ---- data flow -------------------------------------------------------------------

enum class DataflowNotes { kFirstUses, kLastDefinitions };

// The data-flow notes of (procedure P, block B). First uses: heading, names,
// note rule. Last definitions: note rule, heading, names.
size_t emit_dataflow_notes(NoteOutput& out, const dataflow_list& list, size_t cursor, DataflowNotes kind,
                           int procedure, int block);

// The first item of (P, B) or later, found from the head of the list.
size_t dataflow_notes_start(const dataflow_list& list, int procedure, int block);

// ---- UR anomalies ------------------------------------------------------------------

enum class UrPass { kUndefined, kReferenced };

// The positions of a list's anomalies by the line a pass looks at, so that
// a pass finds its next match without reading past every anomaly that does
// not match.
class UrLineIndex {
 public:
  UrLineIndex(const ur_anomaly_list& list, UrPass pass);
  // The first position at or after `from` whose line is `line`; the list's
  // size when there is none.
  size_t find(int line, size_t from) const;
  // False when the positions could not be gathered (no memory).
  bool usable() const { return usable_; }

 private:
  std::vector<std::pair<int, size_t>> entries_;  // (line, position), ascending
  size_t size_;
  mutable size_t hint_ = 0;  // where the previous question's answer lay
  bool usable_ = false;
};

// The UR anomalies of line L in one pass: from the cursor the first
// matching record is sought; it and the matching records directly after it
// are taken, and the first record after them that does not match becomes
// the cursor. Nothing matching leaves the cursor where it was. With `map`
// the two line numbers are shown as original lines (through `index`).
// `lookup`, when given, must have been built from `list` for this pass.
size_t emit_ur_anomalies(NoteOutput& out, const ur_anomaly_list& list, size_t cursor, int line, UrPass pass,
                         bool map, const IndexRecord* index, const UrLineIndex* lookup = nullptr);

// ---- process-wide state ----------------------------------------------------------

// The two profile switches of violation texts, read once on first use:
// SORVI_ALT_VIOLATION_FORMAT (default off) and RTF_REF_LINE_NUMBERS
// (default on).
bool alternative_violation_format();
bool ref_line_numbers_kept();

// Forgets the switches read once (tests start clean with it).
void reset_line_text_state();

}  // namespace sorvi
