// The annotation line texts over the hand-worked module's catalogue and
// index, in the cases the module's text does not reach: violation texts and
// the UR-anomaly emitter, its cursor and its line lookup.
#include <random>

#include "annotate/line_texts.h"
#include "hand_module.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"

namespace annotate_test {
namespace {

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
    sorvi::Violation v;
    v.line = 1, v.module_number = 1, v.standard_number = row.standard, v.letter = row.letter;
    if (row.main_text) v.main_text = std::string(row.main_text);
    if (row.extra_text) v.extra_text = std::string(row.extra_text);
    EXPECT_EQ(sorvi::violation_text(v, 2, nullptr, row.comment), row.expected);
  }
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
  int status = -1;
  sorvi::IndexRecord* index = sorvi::read_index_file(source_path().c_str(), "demo_1", 1, nullptr, &status);
  ASSERT_NE(index, nullptr) << status;
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
    sorvi::ur_anomaly_list list(random() % 60);
    for (sorvi::UrAnomaly& a : list) {
      a.undefined_line = static_cast<int>(random() % 12);
      a.referenced_line = static_cast<int>(random() % 12);
      a.name = std::string(1, static_cast<char>('a' + random() % 26));
    }
    for (sorvi::UrPass pass : {sorvi::UrPass::kUndefined, sorvi::UrPass::kReferenced}) {
      const sorvi::UrLineIndex lookup(list, pass);
      Notes plain, fast;
      size_t walked = 0, found = 0;
      // Line after line, as a walk asks, then lines in any order.
      for (int step = 0; step < 40; ++step) {
        const int line = step < 14 ? step : static_cast<int>(random() % 14);
        plain.at(walked = sorvi::emit_ur_anomalies(plain.out, list, walked, line, pass, false, nullptr));
        fast.at(found = sorvi::emit_ur_anomalies(fast.out, list, found, line, pass, false, nullptr, &lookup));
      }
      ASSERT_EQ(fast.dump(), plain.dump());
    }
  }
}

}  // namespace
}  // namespace annotate_test
