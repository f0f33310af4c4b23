#include "standards/penalty_catalogue.h"

#include <gtest/gtest.h>

#include "standards_fixture.h"

namespace {

using namespace sorvi;
using standards_test::pen_line;

class PenaltyCatalogueTest : public standards_test::StandardsTest {
 protected:
  // Writes C++'s pen.dat where the suite keeps it and loads it.
  int load_cpp(const std::string& content, bool report = false, bool strip = false) {
    write_suite_file("cpp/cpppen.dat", content);
    return load_penalty_catalogue(6, nullptr, report, strip, nullptr);
  }
  const PenaltyEntry& entry(int index, int language = 6) { return *penalty_entry(language, index); }
};

// ---- reading pen.dat -------------------------------------------------------------

TEST_F(PenaltyCatalogueTest, ParameterIsSubstitutedForTheStars) {
  ASSERT_EQ(load_cpp("1\n" + pen_line(1, 12, 'S', "Procedure exceeds *** lines", 40)), kPenaltiesLoaded);
  EXPECT_EQ(find_penalty_entry('S', 12, 6), 0);
  EXPECT_EQ(entry(0).text, "Procedure exceeds 40 lines");
  EXPECT_EQ(entry(0).has_parameter, 1);
  EXPECT_EQ(entry(0).parameter, 40);
  EXPECT_EQ(entry(0).penalty_number, 1);
  EXPECT_EQ(entry(0).letter, 'S');
}

TEST_F(PenaltyCatalogueTest, ColumnsAreStoredAndEntriesAfterTheLastGetTheFiller) {
  ASSERT_EQ(load_cpp("2\n" + pen_line(7, 3, 'C', "First", 0, 12, 3, 45) + pen_line(8, 4, 'D', "Second")), 0);
  EXPECT_EQ(entry(0).code_b, 12);
  EXPECT_EQ(entry(0).code_c, 3);
  EXPECT_EQ(entry(0).code_d, 45);
  EXPECT_EQ(entry(1).text, "Second");
  EXPECT_EQ(entry(2).text, "<No Text from cpppen.dat>");
  EXPECT_EQ(entry(1000).text, "<No Text from cpppen.dat>");
  EXPECT_EQ(entry(1).in_use, 1);
  // Language 0 stands in with its own texts until it is loaded.
  EXPECT_EQ(penalty_entry(0, 5)->text, "Penalty text not available");
}

TEST_F(PenaltyCatalogueTest, FirstEntryWithTheStandardWins) {
  ASSERT_EQ(load_cpp("2\n" + pen_line(1, 12, 'S', "first") + pen_line(2, 12, 'S', "second")), 0);
  EXPECT_EQ(find_penalty_entry('S', 12, 6), 0);
  EXPECT_EQ(find_penalty_entry('S', 12, 6), 0);
}

TEST_F(PenaltyCatalogueTest, TooManyPenaltiesLoadsTheFirstThousand) {
  std::string content = "1200\n";
  for (int i = 1; i <= 1200; ++i) content += pen_line(i, i, 'S', "text " + std::to_string(i));
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(load_cpp(content, true), kTooManyPenalties);
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[1].code, 2);
  EXPECT_EQ(capture.calls()[1].text, "Configuration error - too many penalties in pen file");
  EXPECT_EQ(capture.lines(), "Current maximum number of penalties is 1000\n");
  EXPECT_EQ(entry(999).text, "text 1000");
  EXPECT_EQ(entry(1000).text, "<No Text from cpppen.dat>");
  EXPECT_EQ(find_penalty_entry('S', 1001, 6), -1);
}

TEST_F(PenaltyCatalogueTest, LinesBeyondAThousandAreNotReadWhateverTheCount) {
  std::string content = "10\n";
  for (int i = 1; i <= 5000; ++i) content += pen_line(i, i % 999 + 1, 'S', "t");
  EXPECT_EQ(load_cpp(content), kPenaltiesLoaded);
  EXPECT_EQ(entry(999).penalty_number, 1000);
}

TEST_F(PenaltyCatalogueTest, MissingFileGivesStatus101OrTheReport) {
  EXPECT_EQ(load_penalty_catalogue(6, (dir() + "/none.dat").c_str(), false, false, nullptr), kPenaltyFileNotOpened);
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(load_penalty_catalogue(6, (dir() + "/none.dat").c_str(), true, false, nullptr), kPenaltyFileNotOpened);
  EXPECT_EQ(capture.lines(), "Can't open penalty file " + dir() + "/none.dat\n");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  // A failed load leaves the catalogue unloaded: a later load reads the file.
  EXPECT_EQ(load_cpp("1\n" + pen_line(1, 2, 'S', "x")), 0);
  EXPECT_EQ(entry(0).text, "x");
}

TEST_F(PenaltyCatalogueTest, ACatalogueIsLoadedOnce) {
  ASSERT_EQ(load_cpp("1\n" + pen_line(1, 2, 'S', "old")), 0);
  EXPECT_EQ(load_cpp("1\n" + pen_line(1, 2, 'S', "new")), 0);
  EXPECT_EQ(entry(0).text, "old");
}

TEST_F(PenaltyCatalogueTest, TextWithoutLetterOrDigitIsReplaced) {
  ASSERT_EQ(load_cpp("2\n" + pen_line(1, 12, 'S', " -- ; ") + pen_line(2, 13, 'C', "")), 0);
  EXPECT_EQ(entry(0).text, "<12 S no description>");
  EXPECT_EQ(entry(1).text, "<13 C no description>");
}

TEST_F(PenaltyCatalogueTest, LowerCaseSGoesToTheListForCFamilies) {
  ASSERT_EQ(load_cpp("2\n" + pen_line(1, 30, 's', "flat") + pen_line(2, 4, 's', "flat too")), 0);
  EXPECT_EQ(entry(0).letter, 'S');
  EXPECT_EQ(s_standard_numbers(6), (int_list{4, 30}));
  write_suite_file("ada/adapen.dat", "1\n" + pen_line(1, 30, 's', "kept"));
  ASSERT_EQ(load_penalty_catalogue(5, nullptr, false, false, nullptr), 0);
  EXPECT_EQ(entry(0, 5).letter, 's');
  EXPECT_TRUE(s_standard_numbers(5).empty());
}

TEST_F(PenaltyCatalogueTest, StripSwitchRemovesTheFirstTailFound) {
  const std::string content = "2\n" + pen_line(1, 1, 'S', "A (added by Vexa) B (added by Vexa) (ref. removed)") +
                              pen_line(2, 2, 'S', "C (ref. removed)");
  ASSERT_EQ(load_cpp(content, false, true), 0);
  EXPECT_EQ(entry(0).text, "A B (ref. removed)");
  EXPECT_EQ(entry(1).text, "C");
  release_penalty_catalogues();
  ASSERT_EQ(load_cpp(content, false, false), 0);
  EXPECT_EQ(entry(1).text, "C (ref. removed)");
}

TEST_F(PenaltyCatalogueTest, MrAndNotUsedFlags) {
  ASSERT_EQ(load_cpp("2\n" + pen_line(1, 1, 'S', "Rule (MR) text") + pen_line(2, 2, 'S', "NOT USED any more")), 0);
  EXPECT_EQ(entry(0).is_mr, 1);
  EXPECT_EQ(entry(0).not_used, 0);
  EXPECT_EQ(entry(1).not_used, 1);
  EXPECT_EQ(entry(1).is_mr, 0);
}

// ---- references to external standards ---------------------------------------------

TEST_F(PenaltyCatalogueTest, ReferencesAreCutAtTheColumnAndListedInModelOrder) {
  use_profile("CPPEXTERNAL_STANDARD=CERT\n");
  const std::string text = std::string("Bad cast") + std::string(12, ' ') + "CWE 190 CERT EXP30-C MISRA-C2 12.1";
  ASSERT_EQ(load_cpp("1 STANDARDS TEXT MUST BE 20\n" + pen_line(1, 5, 'S', text)), 0);
  EXPECT_EQ(entry(0).text, "Bad cast");
  EXPECT_EQ(*penalty_references(6, 0), (charlist{"MISRA-C2 12.1", "CERT EXP30-C", "CWE 190"}));
  EXPECT_EQ(entry(0).standards_text, "CERT EXP30-C");
}

TEST_F(PenaltyCatalogueTest, ExternalStandardIsConvertedAndMustBeKnown) {
  use_profile("EXTERNAL_STANDARD=MISRA-C2\n");
  const std::string text = std::string(50, ' ') + "MISRA 33 MISRA-C2 12.1 xCERT 5";
  ASSERT_EQ(load_cpp("1\n" + pen_line(1, 5, 'S', "Desc" + text.substr(4))), 0);
  EXPECT_EQ(find_penalty_catalogue(6)->external_standard, "MISRA-C:2004");
  // A reference runs up to the next token; "xCERT" is none.
  EXPECT_EQ(entry(0).standards_text, "MISRA-C2 12.1 xCERT 5");
  EXPECT_EQ(*penalty_references(6, 0), (charlist{"MISRA 33", "MISRA-C2 12.1 xCERT 5"}));

  use_profile("EXTERNAL_STANDARD=UNKNOWN\n");
  ASSERT_EQ(load_cpp("1\n" + pen_line(1, 5, 'S', "Desc" + text.substr(4))), 0);
  EXPECT_EQ(find_penalty_catalogue(6)->external_standard, "");
  EXPECT_EQ(entry(0).standards_text, "");
}

// ---- bad input ----------------------------------------------------------------------------

TEST_F(PenaltyCatalogueTest, NumericColumnsHoldingLettersCountPositionally) {
  std::string line = pen_line(1, 7, 'S', "letters");
  line[4] = 'A';
  ASSERT_EQ(load_cpp("1\n" + line), 0);
  EXPECT_EQ(entry(0).penalty_number, 'A' - '0');
  EXPECT_EQ(entry(0).text, "letters");
}

TEST_F(PenaltyCatalogueTest, ZeroPenaltyNumberTakesNoEntryAndReadingGoesOnAtOnce) {
  std::string zero = pen_line(0, 9, 'S', "");
  zero.pop_back();  // no line end: the next record's columns follow directly
  ASSERT_EQ(load_cpp("1\n" + zero + pen_line(4, 12, 'S', "next")), 0);
  EXPECT_EQ(entry(0).penalty_number, 4);
  EXPECT_EQ(entry(0).text, "next");
}

TEST_F(PenaltyCatalogueTest, TruncatedLinesAndEndOfFileInTheColumnsAreSafe) {
  EXPECT_EQ(load_cpp("3\n    1 0\n" + pen_line(2, 3, 'S', "after") + "    3 0 0"), 0);
  EXPECT_EQ(entry(1000).text, "<No Text from cpppen.dat>");
  release_penalty_catalogues();
  EXPECT_EQ(load_cpp(""), 0);
  EXPECT_EQ(entry(0).text, "<No Text from cpppen.dat>");
}

TEST_F(PenaltyCatalogueTest, LongTextIsCutAndTheNextLineStillReads) {
  const std::string content = "2 STANDARDS TEXT MUST BE 5000\n" + pen_line(1, 1, 'S', std::string(3000, 'x')) +
                              pen_line(2, 2, 'C', "short");
  ASSERT_EQ(load_cpp(content), 0);
  EXPECT_EQ(entry(0).text.size(), 1040u);
  EXPECT_EQ(entry(1).text, "short");
}

TEST_F(PenaltyCatalogueTest, CrLfLinesReadLikeLf) {
  std::string first = pen_line(1, 12, 'S', "crlf text  ");
  std::string second = pen_line(2, 13, 'C', "two");
  first.insert(first.size() - 1, "\r");
  second.insert(second.size() - 1, "\r");
  ASSERT_EQ(load_cpp("1\r\n" + first + second), 0);
  EXPECT_EQ(entry(0).text, "crlf text");
  EXPECT_EQ(entry(1).text, "two");
}

// ---- location --------------------------------------------------------------------------------

TEST_F(PenaltyCatalogueTest, FileLocationFollowsTheProfile) {
  const std::string data_path = suite() + "cpp/cpppen.dat";
  EXPECT_EQ(penalty_file_path(6, nullptr), data_path);  // "PENFILE" defaults to the data path
  use_profile("PENFILE=/elsewhere/pen.dat\n");
  EXPECT_EQ(penalty_file_path(6, nullptr), "/elsewhere/pen.dat");
  write_suite_file("cpp/cpppen.dat", "0\n");
  EXPECT_EQ(penalty_file_path(6, nullptr), suite() + "cpp/cpppen.dat");
  const std::string own = write_suite_file("own.dat", "0\n");
  use_profile("CPPPENFILE=" + own + "\n");
  EXPECT_EQ(penalty_file_path(6, nullptr), own);
  EXPECT_EQ(penalty_file_path(6, "/given.dat"), "/given.dat");
  EXPECT_EQ(penalty_file_path(17, nullptr), suite() + "cpen.dat");
}

// ---- lookup ----------------------------------------------------------------------------------

TEST_F(PenaltyCatalogueTest, LookupFallsBackOnThePenaltyNumber) {
  ASSERT_EQ(load_cpp("3\n" + pen_line(5, 1, 'S', "a") + pen_line(6, 2, 'S', "b") + pen_line(5, 3, 'C', "c")), 0);
  EXPECT_EQ(find_penalty_entry('Z', 1, 6), -1);
  EXPECT_EQ(find_penalty_entry('Z', 1, 6, 5), 2);  // the last entry with that number
  EXPECT_EQ(find_penalty_entry('Z', 1, 6, 77), 999);
  EXPECT_EQ(find_penalty_entry('S', 0, 6), -1);  // number 0 never matches
  // The letter must match exactly, but the cache is shared by both cases.
  EXPECT_EQ(find_penalty_entry('s', 2, 6), -1);
  EXPECT_EQ(find_penalty_entry('S', 2, 6), 1);
  EXPECT_EQ(find_penalty_entry('s', 2, 6), 1);
}

TEST_F(PenaltyCatalogueTest, LanguageZeroAsksOnlyTheCache) {
  write_suite_file("cpen.dat", "1\n" + pen_line(1, 4, 'S', "zero"));
  ASSERT_EQ(load_penalty_catalogue(0, nullptr, false, false, nullptr), 0);
  EXPECT_EQ(find_penalty_entry('S', 4, 0), 0);
  EXPECT_EQ(find_penalty_entry('C', 9, 0), 0);
  EXPECT_EQ(find_penalty_entry('C', 9, 42), 0);  // an unknown language is 0
  EXPECT_EQ(penalty_entry(42, 0)->text, "zero");
}

// ---- composing a violation's texts -------------------------------------------------------------

class ComposeTest : public PenaltyCatalogueTest {
 protected:
  void SetUp() override {
    PenaltyCatalogueTest::SetUp();
    const std::string content = "4\n" + pen_line(1, 12, 'S', "Procedure exceeds *** lines of code", 40) +
                                pen_line(2, 13, 'S', "Unused variable") +
                                pen_line(3, 14, 'S', "Declaration of this object hides another one of the name") +
                                pen_line(4, 15, 'S', "Short");
    ASSERT_EQ(load_cpp(content), 0);
  }
};

TEST_F(ComposeTest, NewFigureReplacesTheCatalogueFigure) {
  ViolationTexts t = compose_violation_texts('S', 12, 6, "Procedure exceeds 55 lines of code");
  EXPECT_EQ(t.entry, 0);
  EXPECT_EQ(entry(0).text, "Procedure exceeds 55 lines of code");
  EXPECT_EQ(entry(0).parameter, 55);
  EXPECT_EQ(t.main_text, "");
  EXPECT_FALSE(t.has_extra_text);
  compose_violation_texts('S', 12, 6, "Procedure exceeds 7 lines of code");
  EXPECT_EQ(entry(0).text, "Procedure exceeds 7 lines of code");
  // A text that does not repeat the catalogue text up to the figure changes nothing.
  compose_violation_texts('S', 12, 6, "Routine exceeds 99 lines of code");
  EXPECT_EQ(entry(0).parameter, 7);
}

TEST_F(ComposeTest, DifferentTextBecomesTheMainText) {
  ViolationTexts t = compose_violation_texts('S', 13, 6, "Something else entirely");
  EXPECT_EQ(t.entry, 1);
  EXPECT_EQ(t.main_text, "Something else entirely");
  EXPECT_FALSE(t.has_extra_text);
}

TEST_F(ComposeTest, LongerTextWithTheSameStartBecomesTheExtraText) {
  ViolationTexts t = compose_violation_texts('S', 13, 6, "UNUSED VARIABLE count in main");
  EXPECT_EQ(t.main_text, "");
  ASSERT_TRUE(t.has_extra_text);
  EXPECT_EQ(t.extra_text, "UNUSED VARIABLE count in main");
  EXPECT_FALSE(compose_violation_texts('S', 13, 6, "Unused variable").has_extra_text);
  EXPECT_FALSE(compose_violation_texts('S', 13, 6, "Unused variable x (added by Vexa)").has_extra_text);
  EXPECT_FALSE(compose_violation_texts('S', 13, 6, "Unused variable x (ref. removed)").has_extra_text);
  EXPECT_FALSE(compose_violation_texts('S', 13, 6, "").has_extra_text);
}

TEST_F(ComposeTest, StaticTextWithAColonAtColumn46GivesItsRemainder) {
  const std::string head = "Declaration of this object hides another one :";
  ASSERT_EQ(head.size(), 46u);
  ViolationTexts t = compose_violation_texts('S', 14, 6, (head + " name x").c_str());
  EXPECT_EQ(t.main_text, "name x");
  EXPECT_FALSE(t.has_extra_text);  // the catalogue text is longer than 44

  const std::string shorter = "Short" + std::string(40, '.') + ": rest";
  t = compose_violation_texts('S', 15, 6, shorter.c_str());
  EXPECT_EQ(t.main_text, "rest");
  EXPECT_EQ(t.extra_text, shorter);
}

TEST_F(ComposeTest, UnknownStandardKeepsTheAnalysisText) {
  ViolationTexts t = compose_violation_texts('X', 500, 6, "analysis says");
  EXPECT_EQ(t.entry, -1);
  EXPECT_EQ(t.main_text, "analysis says");
}

}  // namespace
