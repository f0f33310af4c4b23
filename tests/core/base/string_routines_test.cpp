#include "base/string_routines.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "support/test_support.h"

namespace sorvi {
namespace {

class SplitTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_allocation_faults(); }
  void TearDown() override { reset_allocation_faults(); }
  sorvi_test::ReportCapture report;
};

TEST_F(SplitTest, TrailingSeparatorGivesFinalEmptyPiece) {
  charlist out{"stale"};
  ASSERT_TRUE(split_line("a,b,", ',', out, false));
  EXPECT_EQ(out, (charlist{"a", "b", ""}));
  ASSERT_TRUE(split_line("a,b,", ',', out, true));
  EXPECT_EQ(out, (charlist{"", "b", "a"}));
  ASSERT_TRUE(split_line(",,", ',', out, false));
  EXPECT_EQ(out, (charlist{"", "", ""}));
  ASSERT_TRUE(split_line(nullptr, ',', out, false));
  EXPECT_EQ(out, (charlist{""}));
  ASSERT_TRUE(split_line("abc", ',', out, false));
  EXPECT_EQ(out, (charlist{"abc"}));
}

TEST_F(SplitTest, SplitFailureWritesErrorBlockWithExitStatus14) {
  charlist out{"kept"};
  fail_allocation_after(1);
  EXPECT_FALSE(split_line("a,b", ',', out, false));
  EXPECT_EQ(out, (charlist{"kept"}));
  ASSERT_EQ(report.calls().size(), 2u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].code, 101);
  EXPECT_EQ(report.calls()[1].code, 2);
  EXPECT_EQ(report.lines(), "Error in analysing supplied line - a,b - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
}

TEST_F(SplitTest, SplitAtStringsRecordsWhichSeparatorEndedEachPiece) {
  string_int_list out;
  ASSERT_TRUE(split_line_at_strings("a::b;c", {";", "::"}, out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].text, "a");
  EXPECT_EQ(out[0].value, 1);
  EXPECT_EQ(out[1].text, "b");
  EXPECT_EQ(out[1].value, 0);
  EXPECT_EQ(out[2].text, "c");
  EXPECT_EQ(out[2].value, -1);
  // Found at the same place: the lowest index wins, and its length is cut.
  ASSERT_TRUE(split_line_at_strings("xaby", {"ab", "a", ""}, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].text, "x");
  EXPECT_EQ(out[0].value, 0);
  EXPECT_EQ(out[1].text, "y");
  ASSERT_TRUE(split_line_at_strings("xaby", {"a", "ab"}, out));
  EXPECT_EQ(out[1].text, "by");
  fail_allocation_after(0);
  EXPECT_FALSE(split_line_at_strings("q", {";"}, out));
  EXPECT_EQ(report.lines(), "Error in analysing supplied line - q - memory overflow");
}

struct FixedCase {
  const char* text;
  int width;
  int value;
  int taken;
};

TEST(FixedWidthParse, RightAlignedFields) {
  const FixedCase cases[] = {
      {"  12", 4, 12, 4},   {"12  ", 4, 1200, 2}, {" -12", 4, -12, 4}, {"12", 4, 1200, 2},
      {"1x34", 4, 1000, 1}, {"    ", 4, 0, 4},    {"", 4, 0, 0},       {"-", 1, 0, 1},
      {"--1", 3, 0, 1},     {"123456", 3, 123, 3}, {"9", 0, 0, 0},     {"5", 17, 0, 0},
  };
  for (const FixedCase& c : cases) {
    int value = -99;
    EXPECT_EQ(parse_fixed_width_int(c.text, c.width, value), c.taken) << c.text << " w=" << c.width;
    EXPECT_EQ(value, c.value) << c.text << " w=" << c.width;
  }
  int value = 0;
  EXPECT_EQ(parse_fixed_width_int("9999999999999999", 16, value), 16);
  EXPECT_EQ(value, 2147483647);
}

struct NumberCase {
  const char* text;
  int mode;
  bool expected;
};

TEST(NumberCheck, FiveModes) {
  const NumberCase cases[] = {
      {"123", 0, true},     {"0x1fUL", 0, true},  {"0X", 0, false},    {"12lu", 0, true},   {"-1", 0, false},
      {"1 2", 0, false},    {"", 0, false},       {"12a", 0, false},   {"+12", 1, true},    {"-0x1F", 1, true},
      {"12L", 1, false},    {"+", 1, false},      {"1.5", 2, true},    {"-.5e+3", 2, true}, {"1.2.3", 2, false},
      {"e5", 2, false},     {"1e5e5", 2, false},  {"1e", 2, false},    {"2E-7", 2, true},   {"(1+2)*3 - 4", 3, true},
      {"1/2", 3, false},    {"007", 4, true},     {"+7", 4, false},    {"12", 5, false},    {"12", -1, false},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(is_number(c.text, c.mode), c.expected) << '"' << c.text << "\" mode " << c.mode;
  }
  EXPECT_FALSE(is_number(nullptr, 4));
}

TEST(Words, BlankIsSpaceOrTab) {
  const char* text = "  one\ttwo   three ";
  EXPECT_EQ(count_words(text), 3);
  EXPECT_EQ(count_words(nullptr), 0);
  EXPECT_EQ(nth_word(text, 2), text + 6);
  EXPECT_EQ(nth_word(text, 4), nullptr);
  EXPECT_EQ(nth_word(text, 0), nullptr);
  EXPECT_EQ(copy_nth_word(text, 3), "three");
  EXPECT_EQ(copy_nth_word(text, 1), "one");
  EXPECT_EQ(copy_nth_word(text, 9), "");
}

TEST(CharacterRoutines, CaseCountsRemovalAndReplacement) {
  char text[] = "abC1d";
  EXPECT_EQ(upper_case(text), 3);
  EXPECT_STREQ(text, "ABC1D");
  std::string out;
  EXPECT_EQ(upper_case_copy("x-y", out), 2);
  EXPECT_EQ(out, "X-Y");

  EXPECT_TRUE(is_all_ascii("plain text~"));
  EXPECT_FALSE(is_all_ascii("caf\xc3\xa9"));
  EXPECT_EQ(count_char("a,b,,c", ','), 3);

  char removal[] = "a,b,,c";
  EXPECT_EQ(remove_char(removal, ','), 3);
  EXPECT_STREQ(removal, "abc");

  char first[] = "a.b.c";
  EXPECT_EQ(replace_char(first, '.', '/', false, false), 1);
  EXPECT_STREQ(first, "a/b.c");
  char quoted[] = "a b \"c d\" e";
  EXPECT_EQ(replace_char(quoted, ' ', '_', true, true), 3);
  EXPECT_STREQ(quoted, "a_b_\"c d\"_e");
}

TEST(CharacterRoutines, TrimmingAndLeadingBlanks) {
  char a[] = "text   ";
  EXPECT_EQ(trim_trailing(a), 3);
  EXPECT_STREQ(a, "text");
  char b[] = "text.;;.";
  EXPECT_EQ(trim_trailing(b, ".;", 2), 2);
  EXPECT_STREQ(b, "text.;");
  char c[] = "text\t ";
  EXPECT_EQ(trim_trailing(c), 1);
  EXPECT_STREQ(c, "text\t");
  std::string s = "   ";
  EXPECT_EQ(trim_trailing(s), 3);
  EXPECT_EQ(s, "");
  EXPECT_EQ(count_leading_blanks(" \t x "), 3);
  EXPECT_EQ(count_leading_blanks(nullptr), 0);
}

TEST(Quoting, StripAndQuote) {
  char a[] = "  \"C:\\dir\\f.c\"  ";
  EXPECT_EQ(strip_quotes(a), 2);
  EXPECT_STREQ(a, "C:\\dir\\f.c");
  std::string b = "\"open";
  EXPECT_EQ(strip_quotes(b), 1);
  EXPECT_EQ(b, "open");
  std::string c = "plain";
  EXPECT_EQ(strip_quotes(c), 0);
  std::string d = "\"";
  EXPECT_EQ(strip_quotes(d), 1);
  EXPECT_EQ(d, "");
  EXPECT_EQ(quote_text("a b"), "\"a b\"");
  EXPECT_EQ(quote_text("\"a b\""), "\"a b\"");
  EXPECT_EQ(quote_text(nullptr), "\"\"");
}

TEST(Searching, CaseInsensitiveAndEarliest) {
  const char* text = "Hello World";
  EXPECT_EQ(find_case_insensitive(text, "WORLD"), text + 6);
  EXPECT_EQ(find_case_insensitive(text, "planet"), nullptr);
  EXPECT_EQ(find_case_insensitive(text, ""), text);
  EXPECT_EQ(find_case_insensitive(nullptr, "a"), nullptr);

  int which = 99;
  EXPECT_EQ(find_earliest(text, {"World", "lo", "l"}, true, &which), text + 2);
  EXPECT_EQ(which, 2);
  EXPECT_EQ(find_earliest(text, {"lo W", "lo"}, true, &which), text + 3);
  EXPECT_EQ(which, 0);
  EXPECT_EQ(find_earliest(text, {"WORLD"}, true, &which), nullptr);
  EXPECT_EQ(which, -1);
  EXPECT_EQ(find_earliest(text, {"WORLD"}, false, &which), text + 6);
}

TEST(Searching, ComparisonPutsEmptyLast) {
  EXPECT_EQ(compare_text("", nullptr, true), 0);
  EXPECT_GT(compare_text(nullptr, "a", true), 0);
  EXPECT_LT(compare_text("a", "", true), 0);
  EXPECT_EQ(compare_text("abc", "ABC", false), 0);
  EXPECT_GT(compare_text("abc", "ABC", true), 0);
  EXPECT_LT(compare_text("abc", "abd", false), 0);
}

}  // namespace
}  // namespace sorvi
