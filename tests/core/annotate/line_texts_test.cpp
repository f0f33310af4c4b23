// The annotation line texts over the hand-worked module's catalogue,
// registry and index: violation and cross-reference lines, and the cases of
// the emitters and their cursors that the module's text does not reach.
#include <cstdio>
#include <random>

#include "annotate/line_texts.h"
#include "hand_module.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"

namespace annotate_test {
namespace {

using sorvi::Violation;

Violation violation(int line, int standard, char letter, const char* main_text = nullptr,
                    const char* extra_text = nullptr) {
  Violation v;
  v.line = line;
  v.standard_number = standard;
  v.letter = letter;
  v.module_number = 1;
  if (main_text) v.main_text = main_text;
  if (extra_text) v.extra_text = extra_text;
  return v;
}

// What emitters wrote: the cursors they gave back, then one "style|text|"
// a line.
struct Notes {
  sorvi::AnnotatedLineList lines;
  sorvi::NoteOutput out{lines};
  std::string cursors;
  void at(size_t cursor) { cursors += std::to_string(cursor) + " "; }
  std::string dump() const { return cursors + "\n" + annotate_test::dump(lines.lines()); }
};

class LineTextsTest : public HandModuleTest {
 protected:
  void SetUp() override {
    HandModuleTest::SetUp();
    load("");
  }

  // Loads the catalogue and configuration again under the profile lines.
  void load(const std::string& profile_lines) {
    use_profile("EXTERNAL_STANDARD=MISRA-C:2004\n" + profile_lines);
    ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
    ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, nullptr, nullptr), 0);
  }

  sorvi::IndexRecord* read_index() {
    int status = -1;
    sorvi::IndexRecord* index = sorvi::read_index_file(source_path().c_str(), "demo_1", 1, nullptr, &status);
    EXPECT_NE(index, nullptr) << status;
    return index;
  }
};

TEST_F(LineTextsTest, ViolationTexts) {
  // Stages: 0 as loaded; 1 the entry of 5 H without text and without a
  // category letter; 2 the alternative format; 3 that with 5 H in no category.
  struct Row {
    int stage, standard;
    char letter;
    const char *main_text, *extra_text;
    bool comment;
    const char* expected;
  } rows[] = {
      // Not in the catalogue: the label by letter in either case, number and
      // letter, then the record's own text or "Penalty Text Unavailable".
      {0, 8, 'h', nullptr, nullptr, false, "NAMING VIOLATION     :  8 h : Penalty Text Unavailable"},
      {0, 123, 'Q', "its own text", nullptr, false, "VIOLATION            : 123 Q : its own text"},
      // Extra text replaces the catalogue text; main text follows it after
      // " : ", except after the catalogue's first entry.
      {0, 3, 'C', "in f", nullptr, false, "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex : in f"},
      {0, 1, 'X', "abc", nullptr, false, "(M) XREF VIOLATION       :  1 X : Unused cross referenceabc"},
      {1, 5, 'H', "own", nullptr, false, "NAMING VIOLATION     :  5 H : own"},
      {1, 5, 'H', nullptr, nullptr, true, "/* NAMING VIOLATION     :  5 H : Penalty Text Unavailable */"},
      // The alternative head shows the padded category title.
      {2, 12, 'S', nullptr, nullptr, false, "(Mandatory) VIOLATION : 12 S : MISRA-C2 13.1: Assignment in expression"},
      {2, 5, 'H', nullptr, nullptr, false, "(Optional)  VIOLATION :  5 H : Name too short"},
      {2, 3, 'C', nullptr, nullptr, true, "/* (Informational) VIOLATION :  3 C : Procedure too complex */"},
      {3, 5, 'H', nullptr, nullptr, false, "VIOLATION :  5 H : Name too short"},
  };
  int stage = 0;
  for (const Row& row : rows) {
    for (; stage < row.stage; ++stage) {
      const size_t entry = static_cast<size_t>(sorvi::find_penalty_entry('H', 5, 2));
      if (stage == 0) {
        const_cast<sorvi::PenaltyEntry*>(sorvi::penalty_entry(2, static_cast<int>(entry)))->text.clear();
        sorvi::report_configuration(2)->entries[entry].category_letter = ' ';
      } else if (stage == 1) {
        load("SORVI_ALT_VIOLATION_FORMAT=TRUE\n");
      } else {
        sorvi::report_configuration(2)->entries[entry].category = 0;
      }
    }
    const Violation v = violation(1, row.standard, row.letter, row.main_text, row.extra_text);
    EXPECT_EQ(sorvi::violation_text(v, 2, nullptr, row.comment), row.expected);
  }
}

TEST_F(LineTextsTest, ListingsQuoteTheRefLine) {
  for (bool numbers : {true, false}) {
    if (!numbers) load("RTF_REF_LINE_NUMBERS=FALSE\n");
    sorvi::RefQuote quote;
    quote.stream = std::fopen(ref_path().c_str(), "rb");
    ASSERT_NE(quote.stream, nullptr);
    std::string texts;
    // A line already read past is named by its number; beyond the end of
    // the file nothing is appended.
    for (int line : {10, 10, 12, 99}) {
      const std::string text = sorvi::violation_text(violation(line, 5, 'H'), 2, &quote, line == 10);
      texts += text.substr(text.find(": Name")) + "|" + std::to_string(quote.lines_read) + "\n";
    }
    std::fclose(quote.stream);
    EXPECT_EQ(texts, numbers ? ": Name too short :     10T  g = a; */|10\n: Name too short : 10 */|10\n"
                               ": Name too short :     12T    g = 2;|12\n: Name too short|20\n"
                             : ": Name too short : T  g = a; */|10\n: Name too short : 10 */|10\n"
                               ": Name too short : T    g = 2;|12\n: Name too short|20\n");
  }
}

TEST_F(LineTextsTest, CrossReferences) {
  sorvi::IndexRecord* index = read_index();
  struct Row {
    int place_module, place_line, first_line;
    bool listing;
    const char* expected;
  } rows[] = {
      {7, 40, 12, false, "    See also Ref. line 40 (Module 7)"},  // not in the registry
      {1, 12, 17, false, "    See also Ref. line 17 "},            // the violation's own place: its first line
      // Listings name the original line and file, except for a header line
      // (no original line) and another module (no index).
      {0, 3, 12, true, "    See also Ref. line 3 "},
      {2, 40, 12, true, "    See also Ref. line 40 (util)"},
  };
  for (const Row& row : rows) {
    Violation v = violation(12, 5, 'H');
    v.related.resize(1);
    v.related[0].module_number = 1;
    v.related[0].place_module = row.place_module;
    v.related[0].place_line = row.place_line;
    v.related[0].first_line = row.first_line;
    EXPECT_EQ(sorvi::cross_reference_text(v, row.listing, false), row.expected);
  }
  sorvi::free_index_record(index);
}

// ---- emitters and cursors ------------------------------------------------------------------

TEST_F(LineTextsTest, ListingViolationsByOriginalLine) {
  // An exclusion mark, a violation shown through its follow-up record, and
  // the order by original line.
  sorvi::violation_list list = {violation(1, 1, 'S'), violation(5, 5, 'H'), violation(40, 3, 'C')};
  list[0].excluded_mark = -1;
  list[1].has_follow_up = true;
  for (size_t i = 0; i < 3; ++i) list[i].source_line = i ? 2 : 1;
  Notes n;
  n.at(sorvi::emit_line_violations(n.out, list, 0, 1, true, nullptr, true, 2));
  n.at(sorvi::emit_line_violations(n.out, list, 1, 2, true, nullptr, true, 2));
  EXPECT_EQ(n.dump(), "1 3 \n"
                      " 9|/* Violations excluded for this file */|\n"
                      " 6|/* (I) COMPLEXITY VIOLATION :  3 C : Procedure too complex */|\n");
}

TEST_F(LineTextsTest, ProcedureLevelViolations) {
  sorvi::violation_list list = {violation(0, 5, 'H'), violation(0, 3, 'C'), violation(0, 3, 'C'), violation(0, 12, 'S')};
  list[1].has_follow_up = true;
  const int procedures[] = {1, 3, 3, 4};
  for (size_t i = 0; i < list.size(); ++i) list[i].procedure_number = procedures[i];
  // Procedure 2 has none: no rule, the cursor stops at procedure 3.
  Notes n;
  n.at(sorvi::emit_procedure_violations(n.out, list, 0, 2, false, false, 2));
  n.at(sorvi::emit_procedure_violations(n.out, list, 1, 3, false, false, 2));
  n.at(sorvi::emit_procedure_violations(n.out, list, 3, 4, true, true, 2));
  n.at(sorvi::procedure_violations_start(list, 5));
  EXPECT_EQ(n.dump(), "1 3 4 4 \n 2|" + kBlockRule + "|\n" +
                          " 7|(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex|\n"
                          " 7|/* (M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression */|\n");
}

TEST_F(LineTextsTest, CoverageAndDataflowNotes) {
  Notes n;
  // Only the combined count is not 0 (with and without current results).
  sorvi::emit_coverage_notes(n.out, 5, 0, false, {0}, {5});
  sorvi::emit_coverage_notes(n.out, 6, 0, false, {}, {4});
  sorvi::emit_coverage_notes(n.out, 1, 0, true, {-1}, {-2});
  // Nothing for procedure 2 block 3: the cursor stays on (2, 4).
  const sorvi::dataflow_list list = {{2, 2, "c"}, {2, 4, "e"}, {3, 1, "f"}};
  n.at(sorvi::emit_dataflow_notes(n.out, list, 1, sorvi::DataflowNotes::kLastDefinitions, 2, 3));
  n.at(sorvi::dataflow_notes_start(list, 9, 1));
  EXPECT_EQ(n.dump(), "1 3 \n 3|" + kNoteRule + "|\n 4|Combined Coverage : Block 5 has been executed 5 times|\n 3|" +
                          kNoteRule + "|\n 4|Combined Coverage : Block 6 has been executed 4 times|\n 3|" + kNoteRule +
                          "|\n 4|Current Coverage  : Block 1 has been partially executed once|\n"
                          " 4|Combined Coverage : Block 1 has been partially executed twice|\n");
}

// ---- UR anomalies --------------------------------------------------------------------------------

TEST_F(LineTextsTest, UrAnomaliesInTwoPasses) {
  sorvi::ur_anomaly_list list(5);
  const int lines[5][2] = {{10, 30}, {12, 20}, {12, 40}, {15, 20}, {15, 12}};
  for (size_t i = 0; i < 5; ++i) {
    list[i].undefined_line = lines[i][0];
    list[i].referenced_line = lines[i][1];
    list[i].name = std::string(1, static_cast<char>('a' + i));
  }
  Notes n;
  // Undefined pass: both anomalies of line 12, the cursor after them.
  n.at(sorvi::emit_ur_anomalies(n.out, list, 0, 12, sorvi::UrPass::kUndefined, false, nullptr));
  // Referenced pass at 20: the records that do not match are passed over;
  // only the first run of matches is taken; without a match the cursor stays.
  n.at(sorvi::emit_ur_anomalies(n.out, list, 0, 20, sorvi::UrPass::kReferenced, false, nullptr));
  n.at(sorvi::emit_ur_anomalies(n.out, list, 2, 21, sorvi::UrPass::kReferenced, false, nullptr));
  n.at(sorvi::emit_ur_anomalies(n.out, list, 2, 20, sorvi::UrPass::kReferenced, false, nullptr));
  // Mapped to original lines: a header line gives 0, an unknown line 1.
  sorvi::IndexRecord* index = read_index();
  list[0].undefined_line = 3;
  list[0].referenced_line = 99;
  n.at(sorvi::emit_ur_anomalies(n.out, list, 0, 3, sorvi::UrPass::kUndefined, true, index));
  n.at(sorvi::emit_ur_anomalies(n.out, list, 0, 12, sorvi::UrPass::kReferenced, true, index));
  sorvi::free_index_record(index);
  EXPECT_EQ(n.dump(), "3 2 2 4 1 5 \n"
                      " 6|Possible UR ANOMALY : b : (Undefined Line 12 - Referenced Line 20)|\n"
                      " 6|Possible UR ANOMALY : c : (Undefined Line 12 - Referenced Line 40)|\n"
                      " 6|Possible UR ANOMALY : b : (Referenced Line 20 - Undefined Line 12)|\n"
                      " 6|Possible UR ANOMALY : d : (Referenced Line 20 - Undefined Line 15)|\n"
                      " 6|Possible UR ANOMALY : a : (Undefined Line 0 - Referenced Line 1)|\n"
                      " 6|Possible UR ANOMALY : e : (Referenced Line 7 - Undefined Line 10)|\n");
}

TEST(UrLineIndex, TheLookupFindsWhatAWalkFromTheCursorFinds) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    sorvi::ur_anomaly_list list(random() % 30);
    for (sorvi::UrAnomaly& a : list) {
      a.undefined_line = static_cast<int>(random() % 12);
      a.referenced_line = static_cast<int>(random() % 12);
      a.name = std::string(1, static_cast<char>('a' + random() % 26));
    }
    for (sorvi::UrPass pass : {sorvi::UrPass::kUndefined, sorvi::UrPass::kReferenced}) {
      const sorvi::UrLineIndex lookup(list, pass);
      Notes plain, fast;
      size_t plain_cursor = 0, fast_cursor = 0;
      for (int line = 0; line < 14; ++line) {
        plain.at(plain_cursor = sorvi::emit_ur_anomalies(plain.out, list, plain_cursor, line, pass, false, nullptr));
        fast.at(fast_cursor = sorvi::emit_ur_anomalies(fast.out, list, fast_cursor, line, pass, false, nullptr, &lookup));
      }
      ASSERT_EQ(fast.dump(), plain.dump());
    }
  }
}

}  // namespace
}  // namespace annotate_test
