// The annotation line texts: violation and cross-reference lines, the
// emitters and their cursors, coverage, data-flow and UR-anomaly notes.
#include <cstdio>
#include <random>

#include "annotate/line_texts.h"
#include "annotate_fixture.h"
#include "config/profile.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"

namespace annotate_test {
namespace {

using sorvi::Violation;

class LineTextsTest : public AnnotateTest {
 protected:
  void SetUp() override {
    AnnotateTest::SetUp();
    write(suite("c/cpen.dat"), "    4 STANDARDS TEXT MUST BE 50\n" + pen_line(1, 1, 'X', "Unused cross reference") +
                                   pen_line(2, 12, 'S', padded("Assignment in expression", 50) + "MISRA-C2 13.1") +
                                   pen_line(3, 5, 'H', "Name too short") + pen_line(4, 3, 'C', "Procedure too complex"));
    write(suite("c/creport.dat"), "# report\n------\n   1 X M\n  12 S M\n   5 H O\n   3 C I\n 2000\n------\n");
    load("EXTERNAL_STANDARD=MISRA-C:2004\n");
  }

  // Loads the catalogue and configuration again under a new profile.
  void load(const std::string& profile_lines) {
    use_profile(profile_lines);
    ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
    ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, nullptr, nullptr), 0);
  }

  static std::string padded(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
  }

  static Violation violation(int line, int standard, char letter, const char* main_text = nullptr,
                             const char* extra_text = nullptr) {
    Violation v;
    v.line = line;
    v.standard_number = standard;
    v.letter = letter;
    v.module_number = 1;
    if (main_text) v.main_text = std::string(main_text);
    if (extra_text) v.extra_text = std::string(extra_text);
    return v;
  }

  static std::string text(const Violation& v, bool comment = false) {
    return sorvi::violation_text(v, 2, nullptr, comment);
  }
};

// ---- violation texts -----------------------------------------------------------------

TEST_F(LineTextsTest, LabelsByLetterInEitherCase) {
  // None of these is in the catalogue: label, number and letter, then the
  // record's own text or "Penalty Text Unavailable".
  EXPECT_EQ(text(violation(1, 8, 'h')), "NAMING VIOLATION     :  8 h : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 'C')), "COMPLEXITY VIOLATION :  8 C : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 'd')), "DATAFLOW VIOLATION   :  8 d : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 'I')), "INFOFLOW VIOLATION   :  8 I : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 's')), "STATIC VIOLATION     :  8 s : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 'X')), "XREF VIOLATION       :  8 X : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 8, 'z')), "USER VIOLATION       :  8 z : Penalty Text Unavailable");
  EXPECT_EQ(text(violation(1, 123, 'Q', "its own text")), "VIOLATION            : 123 Q : its own text");
}

TEST_F(LineTextsTest, LevelFromTheReportCategoryLetter) {
  EXPECT_EQ(text(violation(1, 12, 'S')), "(M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression");
  EXPECT_EQ(text(violation(1, 5, 'H')), "(O) NAMING VIOLATION     :  5 H : Name too short");
  EXPECT_EQ(text(violation(1, 5, 'H'), true), "/* (O) NAMING VIOLATION     :  5 H : Name too short */");
}

TEST_F(LineTextsTest, ABlankCategoryLetterLeavesTheLabelAlone) {
  const int entry = sorvi::find_penalty_entry('H', 5, 2);
  ASSERT_GT(entry, 0);
  sorvi::report_configuration(2)->entries[static_cast<size_t>(entry)].category_letter = ' ';
  EXPECT_EQ(text(violation(1, 5, 'H')), "NAMING VIOLATION     :  5 H : Name too short");
  EXPECT_EQ(text(violation(1, 5, 'H'), true), "/* NAMING VIOLATION     :  5 H : Name too short */");
}

TEST_F(LineTextsTest, TheAlternativeHeadShowsThePaddedCategoryTitle) {
  load("EXTERNAL_STANDARD=MISRA-C:2004\nSORVI_ALT_VIOLATION_FORMAT=TRUE\n");
  EXPECT_EQ(text(violation(1, 12, 'S')), "(Mandatory) VIOLATION : 12 S : MISRA-C2 13.1: Assignment in expression");
  EXPECT_EQ(text(violation(1, 5, 'H')), "(Optional)  VIOLATION :  5 H : Name too short");
  EXPECT_EQ(text(violation(1, 3, 'C'), true), "/* (Informational) VIOLATION :  3 C : Procedure too complex */");
  // No category: the title is a blank and the label stands alone.
  const int entry = sorvi::find_penalty_entry('H', 5, 2);
  sorvi::report_configuration(2)->entries[static_cast<size_t>(entry)].category = 0;
  EXPECT_EQ(text(violation(1, 5, 'H')), "VIOLATION :  5 H : Name too short");
}

TEST_F(LineTextsTest, TheSwitchesAreReadOncePerProcess) {
  EXPECT_FALSE(sorvi::alternative_violation_format());
  EXPECT_TRUE(sorvi::ref_line_numbers_kept());
  sorvi_test::write_file(profile_->profile_path(),
                         sorvi_test::read_file(profile_->profile_path()) + "SORVI_ALT_VIOLATION_FORMAT=TRUE\n"
                                                                            "RTF_REF_LINE_NUMBERS=FALSE\n");
  sorvi::reset_profile();
  EXPECT_FALSE(sorvi::alternative_violation_format());
  EXPECT_TRUE(sorvi::ref_line_numbers_kept());
  sorvi::reset_line_text_state();
  EXPECT_TRUE(sorvi::alternative_violation_format());
  EXPECT_FALSE(sorvi::ref_line_numbers_kept());
}

TEST_F(LineTextsTest, TheThreeMessageRules) {
  // Extra text replaces the catalogue text.
  EXPECT_EQ(text(violation(1, 3, 'C', nullptr, "Procedure too complex, depth 4")),
            "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex, depth 4");
  // Main text follows the catalogue text after " : ".
  EXPECT_EQ(text(violation(1, 3, 'C', "in f")), "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex : in f");
  // The catalogue's first entry takes it without " : ".
  ASSERT_EQ(sorvi::find_penalty_entry('X', 1, 2), 0);
  EXPECT_EQ(text(violation(1, 1, 'X', "abc")), "(M) XREF VIOLATION       :  1 X : Unused cross referenceabc");
  // An entry without text: the record's text, or "Penalty Text Unavailable".
  const int entry = sorvi::find_penalty_entry('H', 5, 2);
  const_cast<sorvi::PenaltyEntry*>(sorvi::penalty_entry(2, entry))->text.clear();
  EXPECT_EQ(text(violation(1, 5, 'H', "own")), "(O) NAMING VIOLATION     :  5 H : own");
  EXPECT_EQ(text(violation(1, 5, 'H')), "(O) NAMING VIOLATION     :  5 H : Penalty Text Unavailable");
}

TEST_F(LineTextsTest, ListingsQuoteTheRefLine) {
  const std::string ref = work("quote.ref");
  write(ref, ref_line(1, ' ', "header") + ref_line(2, 'T', "  x = 1;") + ref_line(3, 'F', "  y = 2;"));
  FILE* stream = std::fopen(ref.c_str(), "rb");
  ASSERT_NE(stream, nullptr);
  sorvi::RefQuote quote;
  quote.stream = stream;
  Violation v = violation(2, 5, 'H');
  EXPECT_EQ(sorvi::violation_text(v, 2, &quote, true),
            "/* (O) NAMING VIOLATION     :  5 H : Name too short :      2T  x = 1; */");
  EXPECT_EQ(quote.lines_read, 2);
  // A line already read past is named by its number.
  EXPECT_EQ(sorvi::violation_text(v, 2, &quote, true), "/* (O) NAMING VIOLATION     :  5 H : Name too short : 2 */");
  // Beyond the end of the file: nothing appended, the count stays.
  v.line = 9;
  EXPECT_EQ(sorvi::violation_text(v, 2, &quote, false), "(O) NAMING VIOLATION     :  5 H : Name too short");
  EXPECT_EQ(quote.lines_read, 3);
  std::fclose(stream);

  // Without the line numbers: leading blanks, number and blanks go.
  load("RTF_REF_LINE_NUMBERS=FALSE\n");
  stream = std::fopen(ref.c_str(), "rb");
  quote = sorvi::RefQuote();
  quote.stream = stream;
  v.line = 3;
  EXPECT_EQ(sorvi::violation_text(v, 2, &quote, false), "(O) NAMING VIOLATION     :  5 H : Name too short : F  y = 2;");
  std::fclose(stream);
}

// ---- cross-references --------------------------------------------------------------------

class CrossReferenceTest : public LineTextsTest {
 protected:
  void SetUp() override {
    LineTextsTest::SetUp();
    write(work("staticid.dat"), format("%5d%5d%5d%s\n", 1, 0, 4, "demo") + format("%5d%5d%5d%s\n", 2, 0, 4, "util"));
  }

  static Violation with_place(int place_module, int place_line, int first_line) {
    Violation v = violation(12, 5, 'H');
    sorvi::RelatedLocation r;
    r.module_number = 1;
    r.place_module = place_module;
    r.place_line = place_line;
    r.first_line = first_line;
    v.related.push_back(r);
    return v;
  }
};

TEST_F(CrossReferenceTest, TargetModuleAndLine) {
  // Another module with a name in the registry.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(2, 40, 12), false, false), "    See also Ref. line 40 (util)");
  // A module the registry does not know.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(7, 40, 12), false, false), "    See also Ref. line 40 (Module 7)");
  // Module 0 is the reading's own module: no suffix.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(0, 30, 12), false, false), "    See also Ref. line 30 ");
  // The violation's own place: the first line instead.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(1, 12, 17), false, false), "    See also Ref. line 17 ");
  EXPECT_EQ(sorvi::cross_reference_text(with_place(2, 40, 12), false, true), "/*    See also Ref. line 40 (util) */");
}

TEST_F(CrossReferenceTest, ListingsNameTheOriginalLineAndFile) {
  write(work("demo_1.ndx"), "\"/src/demo.c\"\none\ntwo\n0\n12\n0 0 0 0 0 1 2 3 4 5 6 7\n");
  int status = -1;
  sorvi::IndexRecord* index = sorvi::read_index_file("/src/demo.c", "demo_1", 1, nullptr, &status);
  ASSERT_NE(index, nullptr) << status;
  EXPECT_EQ(sorvi::cross_reference_text(with_place(0, 10, 12), true, true), "/*    See also line 5 /src/demo.c */");
  // Not a listing: the reformatted line.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(0, 10, 12), false, false), "    See also Ref. line 10 ");
  // A header line has no original line.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(0, 3, 12), true, false), "    See also Ref. line 3 ");
  // Without an index, the registry's name of the module.
  EXPECT_EQ(sorvi::cross_reference_text(with_place(2, 40, 12), true, false), "    See also Ref. line 40 (util)");
  sorvi::free_index_record(index);
}

// ---- emitters and cursors ------------------------------------------------------------------

TEST_F(LineTextsTest, TwoViolationsAtALineLeaveTheCursorOnTheNext) {
  sorvi::violation_list list = {violation(10, 5, 'H'), violation(12, 5, 'H'), violation(12, 3, 'C'),
                                violation(15, 12, 'S')};
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  size_t cursor = 0;
  cursor = sorvi::emit_line_violations(out, list, cursor, 12, false, nullptr, false, 2);
  EXPECT_EQ(cursor, 3u);
  EXPECT_EQ(out.inserted(), 2);
  // Nothing at 13 or 14: the cursor stays on the violation at 15.
  EXPECT_EQ(sorvi::emit_line_violations(out, list, cursor, 13, false, nullptr, false, 2), 3u);
  cursor = sorvi::emit_line_violations(out, list, cursor, 15, false, nullptr, false, 2);
  EXPECT_EQ(cursor, 4u);
  expect_lines(lines.lines(), {
                                  {6, "(O) NAMING VIOLATION     :  5 H : Name too short"},
                                  {6, "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex"},
                                  {6, "(M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression"},
                              });
}

TEST_F(LineTextsTest, FollowUpsExclusionsAndListingOrder) {
  Violation followed = violation(5, 5, 'H');
  followed.has_follow_up = true;
  Violation excluded = violation(1, 1, 'S');
  excluded.excluded_mark = -1;
  excluded.source_line = 1;
  Violation in_listing = violation(40, 3, 'C');
  in_listing.source_line = 2;
  sorvi::RelatedLocation r;
  r.module_number = 1;
  r.place_line = 30;
  in_listing.related.push_back(r);
  followed.source_line = 2;
  const sorvi::violation_list list = {excluded, followed, in_listing};

  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  size_t cursor = sorvi::emit_line_violations(out, list, 0, 1, true, nullptr, true, 2);
  cursor = sorvi::emit_line_violations(out, list, cursor, 2, true, nullptr, true, 2);
  EXPECT_EQ(cursor, 3u);
  expect_lines(lines.lines(), {
                                  {9, "/* Violations excluded for this file */"},
                                  {6, "/* (I) COMPLEXITY VIOLATION :  3 C : Procedure too complex */"},
                                  {6, "/*    See also Ref. line 30  */"},
                              });
}

TEST_F(LineTextsTest, ProcedureLevelViolations) {
  Violation followed = violation(0, 3, 'C');
  followed.has_follow_up = true;
  sorvi::violation_list list = {violation(0, 5, 'H'), followed, violation(0, 3, 'C'), violation(0, 12, 'S')};
  list[0].procedure_number = 1;
  list[1].procedure_number = 3;
  list[2].procedure_number = 3;
  list[3].procedure_number = 4;

  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  // Procedure 2 has none: no rule, the cursor stops at procedure 3.
  size_t cursor = sorvi::emit_procedure_violations(out, list, 0, 2, false, false, 2);
  EXPECT_EQ(cursor, 1u);
  cursor = sorvi::emit_procedure_violations(out, list, cursor, 3, false, false, 2);
  EXPECT_EQ(cursor, 3u);
  cursor = sorvi::emit_procedure_violations(out, list, cursor, 4, true, true, 2);
  EXPECT_EQ(cursor, 4u);
  expect_lines(lines.lines(),
               {
                   {2, kBlockRule},
                   {7, "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex"},
                   {7, "/* (M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression */"},
               });
  EXPECT_EQ(sorvi::procedure_violations_start(list, 3), 1u);
  EXPECT_EQ(sorvi::procedure_violations_start(list, 5), 4u);
}

// ---- coverage notes --------------------------------------------------------------------------

TEST_F(LineTextsTest, CoverageNotes) {
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  const std::vector<int> current = {-3, 1, 0, 0, 2};
  const std::vector<int> combined = {7, 2, 0, 5, 4};
  sorvi::emit_coverage_notes(out, 4, 0, true, current, combined);
  sorvi::emit_coverage_notes(out, 2, 1, true, current, combined);
  sorvi::emit_coverage_notes(out, 9, 2, true, current, combined);
  // Never run and not instrumented: no note at all.
  sorvi::emit_coverage_notes(out, 3, 2, false, current, combined);
  // Only the combined count is not 0.
  sorvi::emit_coverage_notes(out, 5, 3, false, current, combined);
  // No current results; a count past the end of an array is absent too.
  sorvi::emit_coverage_notes(out, 6, 4, false, {}, combined);
  sorvi::emit_coverage_notes(out, 7, 5, true, current, combined);
  EXPECT_EQ(out.inserted(), 13);
  expect_lines(lines.lines(), {
                                  {3, kNoteRule},
                                  {4, "Current Coverage  : Block 4 has been partially executed 3 times"},
                                  {4, "Combined Coverage : Block 4 has been executed 7 times"},
                                  {3, kNoteRule},
                                  {4, "Current Coverage  : Block 2 has been executed once"},
                                  {4, "Combined Coverage : Block 2 has been executed twice"},
                                  {3, kNoteRule},
                                  {5, "Current Coverage  : Block 9 has not been executed"},
                                  {5, "Combined Coverage : Block 9 has not been executed"},
                                  {3, kNoteRule},
                                  {4, "Combined Coverage : Block 5 has been executed 5 times"},
                                  {3, kNoteRule},
                                  {4, "Combined Coverage : Block 6 has been executed 4 times"},
                              });
}

TEST_F(LineTextsTest, PartlyExecutedOnceAndTwice) {
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  sorvi::emit_coverage_notes(out, 1, 0, true, {-1}, {-2});
  expect_lines(lines.lines(), {
                                  {3, kNoteRule},
                                  {4, "Current Coverage  : Block 1 has been partially executed once"},
                                  {4, "Combined Coverage : Block 1 has been partially executed twice"},
                              });
}

// ---- data-flow notes ---------------------------------------------------------------------------

TEST_F(LineTextsTest, FirstUsesCloseAndLastDefinitionsOpenWithANoteRule) {
  const sorvi::dataflow_list list = {{1, 1, "a"}, {2, 1, "b"}, {2, 2, "c"}, {2, 2, "d"}, {2, 4, "e"}, {3, 1, "f"}};
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  size_t cursor = sorvi::emit_dataflow_notes(out, list, 0, sorvi::DataflowNotes::kFirstUses, 2, 2);
  EXPECT_EQ(cursor, 4u);
  // Nothing for (2, 3): the cursor stays on (2, 4).
  cursor = sorvi::emit_dataflow_notes(out, list, cursor, sorvi::DataflowNotes::kLastDefinitions, 2, 3);
  EXPECT_EQ(cursor, 4u);
  cursor = sorvi::emit_dataflow_notes(out, list, cursor, sorvi::DataflowNotes::kLastDefinitions, 2, 4);
  EXPECT_EQ(cursor, 5u);
  expect_lines(lines.lines(), {
                                  {9, "Variables referenced as first action : "},
                                  {9, "c"},
                                  {9, "d"},
                                  {3, kNoteRule},
                                  {3, kNoteRule},
                                  {9, "Variables defined as last action : "},
                                  {9, "e"},
                              });
  EXPECT_EQ(sorvi::dataflow_notes_start(list, 2, 2), 2u);
  EXPECT_EQ(sorvi::dataflow_notes_start(list, 1, 1), 0u);
  EXPECT_EQ(sorvi::dataflow_notes_start(list, 9, 1), 6u);
}

// ---- UR anomalies --------------------------------------------------------------------------------

sorvi::ur_anomaly_list anomalies() {
  sorvi::ur_anomaly_list list(5);
  const int lines[5][2] = {{10, 30}, {12, 20}, {12, 40}, {15, 20}, {30, 12}};
  const char* names[5] = {"a", "b", "c", "d", "e"};
  for (size_t i = 0; i < 5; ++i) {
    list[i].undefined_line = lines[i][0];
    list[i].referenced_line = lines[i][1];
    list[i].name = names[i];
  }
  return list;
}

TEST_F(LineTextsTest, UrAnomaliesInTwoPasses) {
  const sorvi::ur_anomaly_list list = anomalies();
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  // Undefined pass: both anomalies of line 12, the cursor after them.
  size_t undefined = sorvi::emit_ur_anomalies(out, list, 0, 12, sorvi::UrPass::kUndefined, false, nullptr);
  EXPECT_EQ(undefined, 3u);
  // Referenced pass at 20: the records that do not match are passed over;
  // only the first run of matches is taken.
  size_t referenced = sorvi::emit_ur_anomalies(out, list, 0, 20, sorvi::UrPass::kReferenced, false, nullptr);
  EXPECT_EQ(referenced, 2u);
  // No match: the cursor stays where it was.
  EXPECT_EQ(sorvi::emit_ur_anomalies(out, list, referenced, 21, sorvi::UrPass::kReferenced, false, nullptr), 2u);
  referenced = sorvi::emit_ur_anomalies(out, list, referenced, 20, sorvi::UrPass::kReferenced, false, nullptr);
  EXPECT_EQ(referenced, 4u);
  expect_lines(lines.lines(), {
                                  {6, "Possible UR ANOMALY : b : (Undefined Line 12 - Referenced Line 20)"},
                                  {6, "Possible UR ANOMALY : c : (Undefined Line 12 - Referenced Line 40)"},
                                  {6, "Possible UR ANOMALY : b : (Referenced Line 20 - Undefined Line 12)"},
                                  {6, "Possible UR ANOMALY : d : (Referenced Line 20 - Undefined Line 15)"},
                              });
}

TEST_F(LineTextsTest, UrAnomalyLinesMappedToOriginalLines) {
  write(work("demo_1.ndx"), "\"/src/demo.c\"\none\ntwo\n0\n40\n" + number_lines([] {
                              std::vector<int> t(40);
                              for (int i = 5; i < 40; ++i) t[static_cast<size_t>(i)] = i - 4;
                              return t;
                            }(), 4, 10));
  int status = -1;
  sorvi::IndexRecord* index = sorvi::read_index_file("/src/demo.c", "demo_1", 1, nullptr, &status);
  ASSERT_NE(index, nullptr);
  sorvi::ur_anomaly_list list = anomalies();
  list[0].undefined_line = 3;    // a header line: 0
  list[0].referenced_line = 99;  // unknown: 1
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out(lines);
  sorvi::emit_ur_anomalies(out, list, 0, 3, sorvi::UrPass::kUndefined, true, index);
  sorvi::emit_ur_anomalies(out, list, 0, 12, sorvi::UrPass::kReferenced, true, index);
  expect_lines(lines.lines(), {
                                  {6, "Possible UR ANOMALY : a : (Undefined Line 0 - Referenced Line 1)"},
                                  {6, "Possible UR ANOMALY : e : (Referenced Line 7 - Undefined Line 25)"},
                              });
  sorvi::free_index_record(index);
}

TEST_F(LineTextsTest, TheLineLookupFindsWhatAWalkFromTheCursorFinds) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    sorvi::ur_anomaly_list list(random() % 30);
    for (sorvi::UrAnomaly& a : list) {
      a.undefined_line = static_cast<int>(random() % 12);
      a.referenced_line = static_cast<int>(random() % 12);
      a.name = "v";
    }
    for (sorvi::UrPass pass : {sorvi::UrPass::kUndefined, sorvi::UrPass::kReferenced}) {
      const sorvi::UrLineIndex lookup(list, pass);
      sorvi::AnnotatedLineList plain_lines, fast_lines;
      sorvi::NoteOutput plain(plain_lines), fast(fast_lines);
      size_t plain_cursor = 0, fast_cursor = 0;
      for (int line = 0; line < 14; ++line) {
        plain_cursor = sorvi::emit_ur_anomalies(plain, list, plain_cursor, line, pass, false, nullptr);
        fast_cursor = sorvi::emit_ur_anomalies(fast, list, fast_cursor, line, pass, false, nullptr, &lookup);
        ASSERT_EQ(plain_cursor, fast_cursor);
      }
      ASSERT_EQ(plain.inserted(), fast.inserted());
    }
  }
}

// ---- rules and line reading ----------------------------------------------------------------------

TEST_F(LineTextsTest, Rules) {
  EXPECT_EQ(sorvi::procedure_rule_text(), std::string(78, '='));
  EXPECT_EQ(sorvi::block_rule_text(), std::string(78, '-'));
  EXPECT_EQ(sorvi::note_rule_text(), kNoteRule);
  EXPECT_EQ(sorvi::note_rule_text().size(), 78u);
}

TEST_F(LineTextsTest, BoundedLines) {
  const std::string path = work("lines.txt");
  write(path, std::string("ab\r\ncd\ref\n") + std::string(3, '\0') + "g" + std::string(10, 'x') + "\nlast");
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string line;
  bool terminated = false;
  ASSERT_TRUE(sorvi::read_bounded_line(f, line, 100, &terminated));
  EXPECT_EQ(line, "ab");
  EXPECT_TRUE(terminated);
  ASSERT_TRUE(sorvi::read_bounded_line(f, line, 100, &terminated));
  EXPECT_EQ(line, "cd\ref");  // a lone CR is an ordinary character
  ASSERT_TRUE(sorvi::read_bounded_line(f, line, 4, &terminated));
  EXPECT_EQ(line, "gxxx");  // NULs dropped, the rest read past
  ASSERT_TRUE(sorvi::read_bounded_line(f, line, 100, &terminated));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(terminated);
  EXPECT_FALSE(sorvi::read_bounded_line(f, line, 100, &terminated));
  std::fclose(f);
}

}  // namespace
}  // namespace annotate_test
