#include "base/string_routines.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "base_fixture.h"

namespace sorvi {
namespace {

// Runs an in-place routine on a copy of the text: its result, then the text.
template <typename Routine>
std::string in_place(const char* text, Routine routine) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s", text);
  const int n = routine(buffer);
  return std::to_string(n) + "[" + buffer + "]";
}

std::string split_result(bool ok, const charlist& pieces) {
  std::string out = std::to_string(ok);
  for (const std::string& p : pieces) out += "[" + p + "]";
  return out + " ";
}

TEST(Splitting, PiecesInOrderOrReversedAndTheOverflowReport) {
  charlist out{"stale"};
  sorvi_test::ReportCapture report;
  std::string dump = split_result(split_line("a,b,", ',', out, false), out);
  dump += split_result(split_line("a,b,", ',', out, true), out);
  dump += split_result(split_line(nullptr, ',', out, false), out);
  fail_allocation_after(1);
  dump += split_result(split_line("a,b", ',', out, false), out);
  reset_allocation_faults();
  EXPECT_EQ(dump + sorvi_test::report_dump(report) + " exit " + std::to_string(report_exit_status()),
            "1[a][b][] 1[][b][a] 1[] 0[]  A101 A2 Error in analysing supplied line - a,b - memory overflow exit 14");
  // Each piece carries the index of the separator that ended it; at one place the lowest index wins.
  string_int_list pieces;
  ASSERT_TRUE(split_line_at_strings("a::b;xaby", {";", "::", "ab", "a", ""}, pieces));
  dump.clear();
  for (const StringIntEntry& p : pieces) dump += "[" + p.text + "]" + std::to_string(p.value);
  EXPECT_EQ(dump, "[]3[]1[b]0[x]2[y]-1");
}

TEST(Numbers, FixedWidthFieldsAndNumberChecks) {
  // text, width -> characters taken : value
  const std::tuple<const char*, int, const char*> fields[] = {
      {"  12", 4, "4:12"},    {"12  ", 4, "2:1200"}, {" -12", 4, "4:-12"},
      {"1x34", 4, "1:1000"},  {"", 4, "0:0"},        {"--1", 3, "1:0"},
      {"123456", 3, "3:123"}, {"5", 17, "0:0"},      {"9999999999999999", 16, "16:2147483647"},
  };
  for (const auto& [text, width, dump] : fields) {
    int value = -99;
    const int taken = parse_fixed_width_int(text, width, value);
    EXPECT_EQ(std::to_string(taken) + ":" + std::to_string(value), dump) << text << " w=" << width;
  }
  const std::tuple<const char*, int, bool> numbers[] = {
      {"123", 0, true},  {"0x1fUL", 0, true}, {"0X", 0, false},  {"12lu", 0, true},   {"-1", 0, false},
      {"1 2", 0, false}, {"", 0, false},      {"12a", 0, false}, {"+12", 1, true},    {"-0x1F", 1, true},
      {"12L", 1, false}, {"+", 1, false},     {"1.5", 2, true},  {"-.5e+3", 2, true}, {"1.2.3", 2, false},
      {"e5", 2, false},  {"1e5e5", 2, false}, {"1e", 2, false},  {"2E-7", 2, true},   {"(1+2)*3 - 4", 3, true},
      {"1/2", 3, false}, {"007", 4, true},    {"+7", 4, false},  {"12", 5, false},    {nullptr, 4, false},
  };
  for (const auto& [text, mode, expected] : numbers) {
    EXPECT_EQ(is_number(text, mode), expected) << '"' << (text ? text : "null") << "\" mode " << mode;
  }
}

TEST(TextRoutines, WordsCharactersQuotesAndSearches) {
  const char* text = "  one\ttwo   three ";
  EXPECT_EQ(nth_word(text, 2), text + 6);
  EXPECT_EQ(nth_word(text, 4), nullptr);
  EXPECT_EQ(copy_nth_word(text, 3) + copy_nth_word(text, 9), "three");
  EXPECT_EQ(in_place("abC1d", [](char* t) { return upper_case(t); }), "3[ABC1D]");
  EXPECT_EQ(in_place("text\t  ", [](char* t) { return trim_trailing(t); }), "2[text\t]");
  EXPECT_EQ(in_place("text.;;.", [](char* t) { return trim_trailing(t, ".;", 2); }), "2[text.;]");
  EXPECT_EQ(in_place("  \"C:\\dir\\f.c\"  ", [](char* t) { return strip_quotes(t); }), "2[C:\\dir\\f.c]");
  EXPECT_EQ(quote_text("a b") + quote_text("\"a b\"") + quote_text(nullptr), "\"a b\"\"a b\"\"\"");

  const char* hello = "Hello World";
  EXPECT_EQ(find_case_insensitive(hello, "WORLD"), hello + 6);
  EXPECT_EQ(find_case_insensitive(hello, "planet"), nullptr);
  int which = 99;
  EXPECT_EQ(find_earliest(hello, {"World", "lo", "l"}, true, &which), hello + 2);
  EXPECT_EQ(which, 2);
  EXPECT_EQ(find_earliest(hello, {"WORLD"}, false, &which), hello + 6);
  EXPECT_EQ(find_earliest(hello, {"WORLD"}, true, &which), nullptr);
  EXPECT_EQ(which, -1);
  // An empty left side sorts last.
  EXPECT_GT(compare_text(nullptr, "a", true), 0);
  EXPECT_EQ(compare_text("abc", "ABC", false), 0);
}

}  // namespace
}  // namespace sorvi
