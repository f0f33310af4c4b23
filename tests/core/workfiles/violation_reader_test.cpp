#include "standards/violation_reader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "samplegen/glh_writer.h"
#include "work_readers_fixture.h"
#include "workfiles/index_file.h"

namespace {

using sorvi::Violation;
using sorvi::violation_list;
using work_readers_test::field;
using work_readers_test::head;
using work_readers_test::lines;
using work_readers_test::WorkReadersTest;

constexpr int kCpp = 6;

// One "pen.dat" penalty line: the fixed columns 1-22, then the text.
std::string pen_line(int penalty_number, int standard_number, char letter, const std::string& text, int parameter = 0) {
  char columns[64];
  std::snprintf(columns, sizeof columns, "%5d%2d%1d%2d%5d%5d %c", penalty_number, 0, 0, 0, parameter, standard_number,
                letter);
  return columns + text + "\n";
}

// A type-101 record.
std::string violation(int module, int procedure, int line, int standard, char letter, int text_switch = 0,
                      const std::string& text = "") {
  return head(module, procedure, 101) + std::string(12, '0') + field(line, 7) + field(0, 7) + field(0, 7) +
         field(standard, 7) + " " + letter + field(text_switch, 3) + text;
}

// A type-801 record.
std::string related(int procedure, int first_line, int place_module, int second, int place_line, int violation_line,
                    int standard, char letter) {
  return head(5, procedure, 801) + std::string(12, '0') + field(first_line, 8) + " " + std::to_string(place_module) +
         " " + std::to_string(second) + " " + std::to_string(place_line) + " 0 0 " + std::to_string(violation_line) +
         " " + std::to_string(standard) + " " + letter;
}

// A type-804 record.
std::string follow_up(int line, int standard, char letter) {
  return head(5, 0, 804) + std::string(12, '0') + field(line, 7) + " " + std::to_string(standard) + " " + letter +
         " 1";
}

std::string text_of(const sorvi::DynamicString& s) { return s ? *s : std::string("<none>"); }

// "line standard letter" of each violation.
std::vector<std::string> summary(const violation_list& list) {
  std::vector<std::string> out;
  for (const Violation& v : list) {
    out.push_back(std::to_string(v.line) + " " + std::to_string(v.standard_number) + " " +
                  (v.letter ? std::string(1, v.letter) : std::string("-")));
  }
  return out;
}

class ViolationReaderTest : public WorkReadersTest {
 protected:
  void SetUp() override {
    WorkReadersTest::SetUp();
    load_standards("");
  }

  void TearDown() override {
    sorvi::release_standards_data();
    WorkReadersTest::TearDown();
  }

  // The C++ catalogue and a report configuration without a model that
  // reports every listed standard but 40 S.
  void load_standards(const std::string& profile_lines) {
    use_profile(profile_lines);
    sorvi::release_standards_data();
    const std::string pen = work_path("cpppen.dat");
    sorvi_test::write_file(pen, "8\n" + pen_line(1, 12, 'S', "Twelve standard text") +
                                    pen_line(2, 3, 'Q', "Flattened Q three") +
                                    pen_line(3, 20, 's', "Flattened s twenty") +
                                    pen_line(4, 40, 'S', "Switched off standard") +
                                    pen_line(5, 7, 'D', "Dataflow seven") +
                                    pen_line(6, 50, 'S', "Parameter *** limit", 10) +
                                    pen_line(7, 1, 'S', "Excluded file standard") +
                                    pen_line(8, 113, 'S', "Expanded one thirteen"));
    ASSERT_EQ(sorvi::load_penalty_catalogue(kCpp, pen.c_str(), false, false, nullptr), sorvi::kPenaltiesLoaded);
    const std::string report = work_path("cppreport.dat");
    sorvi_test::write_file(report,
                           "# report\n \"MISRA-C:2004\"\n ----\n 12 S M a\n 3 Q M b\n 20 S M c\n 7 D M d\n"
                           " 50 S M e\n 1 S M f\n 113 S M g\n 2000\n ----\n");
    ASSERT_EQ(sorvi::load_report_configuration(report.c_str(), kCpp, nullptr, nullptr), sorvi::kReportLoaded);
  }

  bool read(const std::string& stem, int procedure = 0, const sorvi::IndexRecord* index = nullptr,
            const char* filter = nullptr, const std::vector<sorvi::ProcedureBlocks>* procedures = nullptr,
            const char* system = nullptr) {
    sorvi::ViolationReadContext context;
    context.language = kCpp;
    context.procedures = procedures;
    return sorvi::read_violations(stem.c_str(), lines_, procs_, procedure, index, filter, system, context);
  }

  violation_list lines_;
  violation_list procs_;
};

// ---- type 101 ----------------------------------------------------------------------------

TEST_F(ViolationReaderTest, StandardNumberZeroHasNoLetterAndNoText) {
  write_work_file("z.sif", lines({violation(5, 0, 8, 0, 'S', 1, "ignored text"),
                                  // The standard field is cut by the line end: standard 0.
                                  head(5, 0, 101) + std::string(12, '0') + field(9, 7) + field(0, 14) + "   12"}));
  ASSERT_TRUE(read("z"));
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"8 0 -", "9 0 -"}));
  EXPECT_FALSE(lines_[0].main_text);
  EXPECT_FALSE(lines_[0].extra_text);
  EXPECT_EQ(lines_[0].module_number, 5);
}

TEST_F(ViolationReaderTest, LineOrderAndDuplicatesMerged) {
  write_work_file("d.sif", lines({violation(5, 1, 30, 12, 'S'), violation(5, 1, 10, 12, 's'),
                                  violation(5, 1, 20, 7, 'D'), violation(5, 1, 10, 12, 'S'),
                                  violation(5, 1, 10, 12, 'S', 1, "A completely different analysis text"),
                                  violation(5, 2, 10, 7, 'D')}));
  ASSERT_TRUE(read("d"));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"10 12 S", "10 12 S", "10 7 D", "20 7 D", "30 12 S"}));
  EXPECT_FALSE(lines_[0].main_text);
  EXPECT_EQ(text_of(lines_[1].main_text), "A completely different analysis text");
  EXPECT_EQ(lines_[2].procedure_number, 2);
  EXPECT_EQ(lines_[0].source_line, 0);  // no filter
}

TEST_F(ViolationReaderTest, TheTextSwitchDecidesWhetherTheAnalysisTextIsUsed) {
  write_work_file("t.sif", lines({violation(5, 1, 10, 12, 'S', 0, "Another text entirely"),
                                  violation(5, 1, 11, 12, 'S', 1, "Another text entirely   ")}));
  ASSERT_TRUE(read("t"));
  ASSERT_EQ(lines_.size(), 2u);
  EXPECT_FALSE(lines_[0].main_text);
  EXPECT_EQ(text_of(lines_[1].main_text), "Another text entirely");
}

TEST_F(ViolationReaderTest, ProcedureViolationsAndDroppedRecords) {
  write_work_file("p.sif", lines({violation(5, 3, 0, 12, 'S'), violation(5, 1, 0, 7, 'D'), violation(5, 3, 0, 7, 'D'),
                                  violation(5, 0, 0, 12, 'S'),   // no line, no procedure: main list
                                  violation(5, 1, 12, 40, 'S'),  // switched off
                                  violation(5, 1, -4, 12, 'S'),  // negative line
                                  violation(5, 2, 0, 12, 'S')}));
  ASSERT_TRUE(read("p"));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"0 12 S"}));
  ASSERT_EQ(procs_.size(), 4u);
  EXPECT_EQ(procs_[0].procedure_number, 1);
  EXPECT_EQ(procs_[1].procedure_number, 2);
  EXPECT_EQ(procs_[2].procedure_number, 3);
  EXPECT_EQ(procs_[2].standard_number, 12);
  EXPECT_EQ(procs_[3].procedure_number, 3);
  EXPECT_EQ(procs_[3].standard_number, 7);

  // A procedure filter.
  ASSERT_TRUE(read("p", 3));
  EXPECT_TRUE(lines_.empty());
  EXPECT_EQ(procs_.size(), 2u);
}

TEST_F(ViolationReaderTest, TheLastParameterFigureOfAKeptRecordStays) {
  write_work_file("f.sif", lines({violation(5, 1, 10, 50, 'S', 1, "Parameter 20 limit"),
                                  violation(5, 1, 11, 50, 'S', 1, "Parameter 30 limit"),
                                  violation(5, 1, -1, 50, 'S', 1, "Parameter 99 limit")}));
  ASSERT_TRUE(read("f"));
  EXPECT_EQ(lines_.size(), 2u);
  const int entry = sorvi::find_penalty_entry('S', 50, kCpp);
  const sorvi::PenaltyEntry* e = sorvi::penalty_entry(kCpp, entry);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->text, "Parameter 30 limit");
  EXPECT_EQ(e->parameter, 30);
}

// ---- modules and files --------------------------------------------------------------------

TEST_F(ViolationReaderTest, TheReadingsModuleAndTheFilesInOrder) {
  write_work_file("m.sif", lines({violation(0, 1, 5, 12, 'S'), head(0, 0, 999) + "other"}));
  write_work_file("m.pf1", lines({violation(7, 1, 6, 12, 'S'), violation(8, 1, 7, 12, 'S')}));
  write_work_file("m.pfj", lines({violation(0, 1, 8, 12, 'S')}));
  write_work_file("m.pf4", lines({violation(7, 1, 9, 12, 'S')}));  // not a violation file
  write_work_file("m.pf5", lines({violation(7, 1, 10, 12, 'S')}));
  ASSERT_TRUE(read("m"));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"5 12 S", "6 12 S", "8 12 S", "10 12 S"}));
  // Module 0 before any other module stays 0; afterwards it is the reading's.
  EXPECT_EQ(lines_[0].module_number, 0);
  EXPECT_EQ(lines_[1].module_number, 7);
  EXPECT_EQ(lines_[2].module_number, 7);

  lines_.push_back(Violation{});
  EXPECT_FALSE(read("nothing"));
  EXPECT_TRUE(lines_.empty());
}

TEST_F(ViolationReaderTest, SystemFilesKeepModuleZero) {
  write_work_file("s.sif", lines({violation(4, 1, 5, 12, 'S')}));
  write_work_file("sys.xfs", lines({violation(0, 1, 6, 12, 'S'), violation(9, 1, 7, 12, 'S')}));
  write_work_file("sys.sfs", lines({violation(4, 1, 8, 12, 'S')}));
  ASSERT_TRUE(read("s", 0, nullptr, nullptr, nullptr, "sys"));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"5 12 S", "6 12 S", "8 12 S"}));
  EXPECT_EQ(lines_[1].module_number, 0);
  // Without a system name they are not read.
  ASSERT_TRUE(read("s"));
  EXPECT_EQ(lines_.size(), 1u);
}

TEST_F(ViolationReaderTest, ReadsTheRepositoryCopy) {
  const std::string source = "/src/g.c";
  const std::string glh = work_path("g.glh");
  {
    sorvi_sample::GlhWriter w(glh);
    sorvi_sample::GlhTextDocumentContent doc;
    doc.entries = {violation(2, 1, 14, 12, 'S')};
    ASSERT_TRUE(w.add_work_file(source, "g.pf2", doc));
    ASSERT_TRUE(w.close());
  }
  sorvi::ViolationReadContext context;
  context.language = kCpp;
  context.glh_file = glh.c_str();
  context.repository_name = source.c_str();
  ASSERT_TRUE(sorvi::read_violations("g", lines_, procs_, 0, nullptr, nullptr, nullptr, context));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"14 12 S"}));
}

// ---- follow-ups ------------------------------------------------------------------------------

TEST_F(ViolationReaderTest, AFollowUpStandsInForTheViolationBeforeIt) {
  write_work_file("u.sif",
                  lines({violation(5, 1, 10, 12, 'S'), follow_up(10, 12, 's'),
                         violation(5, 1, 20, 12, 'S'), follow_up(20, 7, 'D'),  // another standard
                         violation(5, 1, 30, 12, 'S'), head(5, 1, 999), follow_up(30, 12, 'S'),  // not directly after
                         violation(5, 1, 10, 12, 'S'), follow_up(10, 12, 'S'),  // after a dropped duplicate
                         violation(5, 4, 0, 7, 'D'), follow_up(0, 7, 'D')}));
  ASSERT_TRUE(read("u"));
  ASSERT_EQ(lines_.size(), 3u);
  EXPECT_TRUE(lines_[0].has_follow_up);
  EXPECT_EQ(lines_[0].follow_up.line, 10);
  EXPECT_EQ(lines_[0].follow_up.letter, 's');
  EXPECT_EQ(lines_[0].follow_up.value, 1);
  EXPECT_FALSE(lines_[1].has_follow_up);
  EXPECT_FALSE(lines_[2].has_follow_up);
  ASSERT_EQ(procs_.size(), 1u);
  EXPECT_TRUE(procs_[0].has_follow_up);
}

// ---- related places ---------------------------------------------------------------------------

TEST_F(ViolationReaderTest, RelatedPlacesAttachToTheFirstMatchingViolation) {
  write_work_file("r.sif",
                  lines({violation(5, 1, 10, 12, 'S'), violation(5, 1, 10, 12, 'S', 1, "Second text for line ten"),
                         violation(5, 1, 15, 7, 'D'),
                         related(1, 10, 0, 1, 25, 10, 12, 'S'),  // attached, target 25
                         related(1, 31, 0, 1, 10, 10, 12, 'S'),  // place = own line: target 31
                         related(1, 10, 0, 1, 10, 10, 12, 'S'),  // target = own line, same module: dropped
                         related(1, 10, 0, 0, 0, 10, 12, 'S'),   // second and third below 1: ignored
                         related(1, 15, 0, 1, 40, 0, 7, 'D'),    // letter-D rule, target 40
                         related(1, 15, 0, 1, 6, 0, 7, 'D'),     // letter-D rule with target 6: dropped
                         related(1, 10, 0, 1, 99, 11, 12, 'S')}));  // no violation at 11
  ASSERT_TRUE(read("r"));
  ASSERT_EQ(lines_.size(), 3u);
  ASSERT_EQ(lines_[0].related.size(), 2u);
  // The newest match comes first.
  EXPECT_EQ(lines_[0].related[0].first_line, 31);
  EXPECT_EQ(lines_[0].related[1].place_line, 25);
  EXPECT_EQ(lines_[0].related[1].module_number, 5);
  EXPECT_EQ(lines_[0].related[1].standard_number, 12);
  EXPECT_TRUE(lines_[1].related.empty());
  ASSERT_EQ(lines_[2].related.size(), 1u);
  EXPECT_EQ(lines_[2].related[0].place_line, 40);
}

// ---- with an index ---------------------------------------------------------------------------

class ViolationIndexTest : public ViolationReaderTest {
 protected:
  void SetUp() override {
    ViolationReaderTest::SetUp();
    main_ = work_path("demo.c");
    include_ = work_path("inc.h");
    sorvi_test::write_file(main_, "int main;\n");
    sorvi_test::write_file(include_, "int x;\n");
    // Reformatted lines 6-15 come from flattened 1, 2, 3, 10-15, 4; the
    // include spans flattened lines 10-15.
    write_work_file("demo_5.ndx", "\"" + main_ + "\"\nh1\nh2\n1\n10 15 " + std::to_string(include_.size()) + " " +
                                      include_ + "\n15\n0 0 0 0 0 1 2 3 10 11 12 13 14 15 4\n");
    write_work_file("demo_5.sif",
                    lines({violation(5, 1, 15, 12, 'S'),  // main file line 4
                           violation(5, 1, 11, 12, 'S'),  // include line 3
                           violation(5, 1, 7, 12, 'S'),   // main file line 2
                           violation(5, 1, 12, 3, 'Q'),   // flattened 12: reformatted 11, include
                           violation(5, 1, 2, 20, 'S'),   // "s" standard, flattened 2: reformatted 7
                           violation(5, 1, 1, 113, 'S'),  // flattened 1: reformatted 6
                           violation(5, 2, 0, 7, 'D')}));  // procedure 2 ends at reformatted 12
  }

  const sorvi::IndexRecord* load_index() {
    int status = -1;
    const sorvi::IndexRecord* index =
        sorvi::read_index_file(main_.c_str(), work_path("demo_5").c_str(), 5, nullptr, &status);
    EXPECT_EQ(status, sorvi::kIndexLoaded);
    return index;
  }

  std::string main_;
  std::string include_;
};

TEST_F(ViolationIndexTest, FlattenedStandardsGiveReformattedLines) {
  const sorvi::IndexRecord* index = load_index();
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(read("demo_5", 0, index));
  EXPECT_EQ(summary(lines_),
            (std::vector<std::string>{"6 113 S", "7 12 S", "7 20 S", "11 12 S", "11 3 Q", "15 12 S"}));
  EXPECT_EQ(procs_.size(), 1u);
}

TEST_F(ViolationIndexTest, ViolationsInExcludedFilesAreDropped) {
  load_standards("STANDARDS_REPORT_HEADERS=S\n");
  const sorvi::IndexRecord* index = load_index();
  ASSERT_NE(index, nullptr);
  auto table = work_readers_test::block_table({{false, false, {{6, 8}}}, {false, false, {{9, 12}}}});
  ASSERT_TRUE(read("demo_5", 0, index, nullptr, &table));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"6 113 S", "7 12 S", "7 20 S", "15 12 S"}));
  // Procedure 2's last line lies in the include.
  EXPECT_TRUE(procs_.empty());
}

TEST_F(ViolationIndexTest, AFileFilterKeepsThatFileInSourceLineOrder) {
  const sorvi::IndexRecord* index = load_index();
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(read("demo_5", 0, index, main_.c_str()));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"6 113 S", "7 12 S", "7 20 S", "15 12 S"}));
  EXPECT_EQ(lines_[0].source_line, 1);
  EXPECT_EQ(lines_[1].source_line, 2);
  EXPECT_EQ(lines_[3].source_line, 4);
  // A procedure violation without a line is kept whatever its file.
  EXPECT_EQ(procs_.size(), 1u);

  ASSERT_TRUE(read("demo_5", 0, index, include_.c_str()));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"11 12 S", "11 3 Q"}));
  EXPECT_EQ(lines_[0].source_line, 3);
}

TEST_F(ViolationIndexTest, HeaderLinesHaveSourceLineZeroAndGoToTheFront) {
  write_work_file("zero.sif", lines({violation(5, 1, 7, 12, 'S'), violation(5, 1, 3, 12, 'S'),
                                     violation(5, 1, 2, 12, 'S'), violation(5, 1, 6, 12, 'S'),
                                     violation(5, 1, 2, 12, 'S')}));
  const sorvi::IndexRecord* index = load_index();
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(read("zero", 0, index, main_.c_str()));
  // With a filter there is no duplicate test; later zeros come first.
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"2 12 S", "2 12 S", "3 12 S", "6 12 S", "7 12 S"}));
  EXPECT_EQ(lines_[0].source_line, 0);
  EXPECT_EQ(lines_[2].source_line, 0);
  EXPECT_EQ(lines_[3].source_line, 1);

  // Without a filter the two records at line 2 are one.
  ASSERT_TRUE(read("zero", 0, index));
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"2 12 S", "3 12 S", "6 12 S", "7 12 S"}));
}

TEST_F(ViolationIndexTest, AFilterOnAnExcludedFileGivesThePlaceholder) {
  load_standards("STANDARDS_REPORT_HEADERS=S\n");
  const sorvi::IndexRecord* index = load_index();
  ASSERT_NE(index, nullptr);
  ASSERT_TRUE(read("demo_5", 0, index, include_.c_str()));
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_EQ(lines_[0].excluded_mark, -1);
  EXPECT_EQ(summary(lines_), (std::vector<std::string>{"1 1 S"}));
  EXPECT_EQ(lines_[0].source_line, 1);
  EXPECT_TRUE(procs_.empty());
}

TEST_F(ViolationReaderTest, JunkNeverCrashes) {
  for (unsigned seed = 1; seed <= 100; ++seed) {
    const std::string junk = work_readers_test::junk_text(seed, 3000);
    write_work_file("junk.sif", junk);
    write_work_file("junk.pf1", junk.substr(junk.size() / 2) + junk.substr(0, junk.size() / 2));
    EXPECT_TRUE(read("junk", static_cast<int>(seed % 3)));
    EXPECT_TRUE(std::is_sorted(lines_.begin(), lines_.end(),
                               [](const Violation& a, const Violation& b) { return a.line < b.line; }));
  }
}

}  // namespace
