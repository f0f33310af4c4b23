#include "standards/penalty_catalogue.h"

#include <gtest/gtest.h>

#include "standards_fixture.h"

namespace {

using namespace sorvi;
using standards_test::entry_dump;
using standards_test::pen_line;

const std::string kFiller = "[<No Text from cpppen.dat>]";

class PenaltyCatalogueTest : public standards_test::StandardsTest {
 protected:
  // Writes C++'s pen.dat where the suite keeps it and loads it afresh.
  int load_cpp(const std::string& content, bool report = false, bool strip = false) {
    release_penalty_catalogues();
    write_suite_file("cpp/cpppen.dat", content);
    return load_penalty_catalogue(6, nullptr, report, strip, nullptr);
  }
};

// pen.dat text -> load status, then the dumps of entries 0 and 1.
TEST_F(PenaltyCatalogueTest, PenDatToEntries) {
  std::string letters = pen_line(1, 7, 'S', "letters");
  letters[4] = 'A';  // a letter in a number column counts positionally, as ('A' - '0')
  std::string zero = pen_line(0, 9, 'S', "");
  zero.pop_back();  // penalty number 0 takes no entry; the next record's columns follow directly
  const std::string tails = "2\n" + pen_line(1, 1, 'S', "A (added by Vexa) B (added by Vexa) (ref. removed)") +
                            pen_line(2, 2, 'S', "C (ref. removed)");
  const std::pair<std::string, std::string> rows[] = {
      // Entries after the last get the filler.
      {"1\n" + pen_line(1, 12, 'S', "Procedure exceeds *** lines", 40),
       "0 [Procedure exceeds 40 lines] std=12S pen=1 par=40 has=1 " + kFiller},
      {"2\n" + pen_line(7, 3, 'C', "First", 0, 12, 3, 45) + pen_line(8, 4, 'D', "Second"),
       "0 [First] std=3C pen=7 b=12 c=3 d=45 [Second] std=4D pen=8"},
      // A text without a letter or digit is replaced; the flags follow the text.
      {"2\n" + pen_line(1, 12, 'S', " -- ; ") + pen_line(2, 13, 'C', ""),
       "0 [<12 S no description>] std=12S pen=1 [<13 C no description>] std=13C pen=2"},
      {"1\n" + pen_line(2, 2, 'S', "NOT USED any more (MR)"),
       "0 [NOT USED any more (MR)] std=2S pen=2 mr=1 notused=1 " + kFiller},
      // Damaged input: letters in number columns, a zero penalty number, long texts.
      {"1\n" + letters, "0 [letters] std=7S pen=17 " + kFiller},
      {"1\n" + zero + pen_line(4, 12, 'S', "next"), "0 [next] std=12S pen=4 " + kFiller},
      {"2 STANDARDS TEXT MUST BE 5000\n" + pen_line(1, 1, 'S', std::string(3000, 'x')) + pen_line(2, 2, 'C', "short"),
       "0 [" + std::string(1040, 'x') + "] std=1S pen=1 [short] std=2C pen=2"},
  };
  for (const auto& [content, expected] : rows) {
    const int status = load_cpp(content);
    EXPECT_EQ(std::to_string(status) + " " + entry_dump(6, 0) + " " + entry_dump(6, 1), expected) << content;
  }
  // The strip switch removes the first tail found.
  ASSERT_EQ(load_cpp(tails, false, true), 0);
  EXPECT_EQ(penalty_entry(6, 0)->text + "|" + penalty_entry(6, 1)->text, "A B (ref. removed)|C");
  ASSERT_EQ(load_cpp(tails), 0);
  EXPECT_EQ(penalty_entry(6, 1)->text, "C (ref. removed)");
  // Lines cut short, and the end of the file inside the columns.
  EXPECT_EQ(load_cpp("3\n    1 0\n" + pen_line(2, 3, 'S', "after") + "    3 0 0"), 0);
  EXPECT_EQ(entry_dump(6, 1000), kFiller);
  // C families list a lower-case s under S, and its standard numbers apart.
  ASSERT_EQ(load_cpp("2\n" + pen_line(1, 30, 's', "flat") + pen_line(2, 4, 's', "flat too")), 0);
  EXPECT_EQ(entry_dump(6, 0), "[flat] std=30S pen=1");
  EXPECT_EQ(s_standard_numbers(6), (int_list{4, 30}));
  // The first entry of a standard is found; the letter must match; number 0 never matches.
  ASSERT_EQ(load_cpp("3\n" + pen_line(5, 1, 'S', "a") + pen_line(6, 2, 'S', "b") + pen_line(7, 1, 'S', "c")), 0);
  EXPECT_EQ(std::to_string(find_penalty_entry('S', 1, 6)) + " " + std::to_string(find_penalty_entry('s', 2, 6)) + " " +
                std::to_string(find_penalty_entry('S', 0, 6)),
            "0 -1 -1");
}

TEST_F(PenaltyCatalogueTest, AtMostAThousandPenaltiesAreReadAndAMissingFileIsReported) {
  std::string content = "1200\n";
  for (int i = 1; i <= 1200; ++i) content += pen_line(i, i, 'S', "text " + std::to_string(i));
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(load_cpp(content, true), kTooManyPenalties);
  EXPECT_EQ(entry_dump(6, 999) + entry_dump(6, 1000), "[text 1000] std=1000S pen=1000" + kFiller);
  // A count within the limit lets no more lines in either.
  content = "10\n";
  for (int i = 1; i <= 5000; ++i) content += pen_line(i, i % 999 + 1, 'S', "t");
  EXPECT_EQ(load_cpp(content), kPenaltiesLoaded);
  EXPECT_EQ(penalty_entry(6, 999)->penalty_number, 1000);
  release_penalty_catalogues();
  const std::string none = dir() + "/none.dat";
  EXPECT_EQ(load_penalty_catalogue(6, none.c_str(), true, false, nullptr), kPenaltyFileNotOpened);
  EXPECT_EQ(standards_test::report_calls(capture),
            "B101 |B2 Configuration error - too many penalties in pen file|B101 |B2 |"
            "Current maximum number of penalties is 1000\nCan't open penalty file " + none + "\n");
}

// Letter, standard, the analysis text -> entry | main text | extra text (or -).
TEST_F(PenaltyCatalogueTest, ComposingAViolationsTexts) {
  ASSERT_EQ(load_cpp("4\n" + pen_line(1, 12, 'S', "Procedure exceeds *** lines of code", 40) +
                     pen_line(2, 13, 'S', "Unused variable") +
                     pen_line(3, 14, 'S', "Declaration of this object hides another one of the name") +
                     pen_line(4, 15, 'S', "Short")),
            0);
  const std::string shorter = "Short" + std::string(40, '.') + ": rest";
  const std::tuple<char, int, std::string, std::string> rows[] = {
      {'S', 12, "Procedure exceeds 55 lines of code", "0||-"},
      // A longer text starting alike is the extra text, unless it ends in a tail.
      {'S', 13, "UNUSED VARIABLE count in main", "1||UNUSED VARIABLE count in main"},
      {'S', 13, "Unused variable x (added by Vexa)", "1||-"},
      // A static text with a colon at column 46 gives its remainder: an extra text only for catalogue texts up to 44
      // (entry 2's is cut at the standards column, 50).
      {'S', 14, "Declaration of this object hides another one : name x", "2|name x|-"},
      {'S', 15, shorter, "3|rest|" + shorter},
  };
  for (const auto& [letter, number, text, expected] : rows) {
    const ViolationTexts t = compose_violation_texts(letter, number, 6, text.c_str());
    EXPECT_EQ(std::to_string(t.entry) + "|" + t.main_text + "|" + (t.has_extra_text ? t.extra_text : "-"), expected)
        << text;
  }
  // The new figure replaced the catalogue's.
  EXPECT_EQ(entry_dump(6, 0), "[Procedure exceeds 55 lines of code] std=12S pen=1 par=55 has=1");
}

}  // namespace
