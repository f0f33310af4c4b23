// Where a view puts its caret from Start=, End=, EndOfFile and the
// remembered line; the views' text search.
#include <gtest/gtest.h>

#include <string>

#include "app/view_positioning.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

// The plan for one set of options, and what is left of the options and the
// remembered line afterwards, as one line of text.
std::string dump(const sorvi::ViewPositioning& p) {
  const sorvi::StartupOptions& o = sorvi::startup_options();
  std::string d;
  if (p.activate) d += "activate ";
  if (p.select) d += "select " + std::to_string(p.first_line) + ".." + std::to_string(p.end_line) + " ";
  if (p.caret) d += "caret " + std::to_string(p.caret_line) + " ";
  if (p.scroll_line >= 0) d += "scroll " + std::to_string(p.scroll_line) + " ";
  return d + "| " + std::to_string(o.Start) + " " + std::to_string(o.End) + " " + (o.EndOfFile ? "eof " : "") +
         std::to_string(sorvi::remembered_line());
}

TEST(ViewPositioningTest, OptionsAndTheRememberedLinePlaceTheCaretOnce) {
  const struct {
    int start, end;
    bool end_of_file;
    int remembered, line_count;
    bool use_remembered;
    const char* plan;
  } cases[] = {
      // A positive Start keeps the remembered line from moving the caret.
      {10, 0, false, 30, 100, true, "activate caret 9 scroll 9 | 0 0 30"},
      // Start and End select whole lines: up to the start of line End + 1.
      {10, 12, false, 0, 100, true, "activate select 9..12 scroll 9 | 0 0 0"},
      {99, 400, false, 0, 100, false, "activate select 98..100 scroll 98 | 0 0 0"},
      // Start 0 is the first line, and leaves the remembered line its say.
      {0, 0, false, 0, 100, false, "activate caret 0 scroll 0 | 0 0 0"},
      {0, 3, false, 0, 100, false, "activate select 0..3 scroll 0 | 0 0 0"},
      {-1, 0, false, 0, 100, false, "| -1 0 0"},
      // EndOfFile: the last line of a text of more than one line.
      {0, 0, true, 0, 1, false, "activate | 0 0 0"},
      {-1, 0, true, 0, 5, false, "activate caret 4 scroll 4 | -1 0 0"},
      // The remembered line only where asked for, then forgotten; clamped.
      {0, 0, false, 46, 100, false, "activate caret 0 scroll 0 | 0 0 46"},
      {0, 0, true, 46, 100, true, "activate caret 45 scroll 45 | 0 0 0"},
      {0, 0, false, 500, 100, true, "activate caret 99 scroll 90 | 0 0 0"},
  };
  for (const auto& c : cases) {
    sorvi_test::reset_core_state();
    sorvi::StartupOptions& o = sorvi::startup_options();
    o.Start = c.start;
    o.End = c.end;
    o.EndOfFile = c.end_of_file;
    sorvi::remembered_line() = c.remembered;
    EXPECT_EQ(dump(sorvi::plan_view_positioning(c.line_count, c.use_remembered)), c.plan)
        << c.start << " " << c.end << " " << c.end_of_file << " " << c.remembered;
  }
  sorvi_test::reset_core_state();
}

// Matches of `word` lying wholly in [from, to).
sorvi::TextFinder finder(const std::string& text, const std::string& word, int* calls = nullptr) {
  return [text, word, calls](long from, long to) -> long {
    if (calls) ++*calls;
    size_t at = text.find(word, static_cast<size_t>(from));
    if (at == std::string::npos || static_cast<long>(at + word.size()) > to) return -1;
    return static_cast<long>(at);
  };
}

TEST(FindTextTest, ForwardFindsTheNextMatchAndWrapsNowhere) {
  const std::string text = "abc x abc y abc z";
  const long n = static_cast<long>(text.size());
  EXPECT_EQ(sorvi::find_from_selection(true, 0, n, finder(text, "abc")), 6);
  EXPECT_EQ(sorvi::find_from_selection(true, 6, n, finder(text, "abc")), 12);
  EXPECT_EQ(sorvi::find_from_selection(true, 12, n, finder(text, "abc")), -1);
}

TEST(FindTextTest, BackwardSelectsTheLastOfThreeMatchesBeforeTheCaret) {
  std::string text;
  for (int i = 0; i < 3; ++i) text += "....needle......";
  text += "caret here";
  const long caret = static_cast<long>(text.find("caret"));
  int calls = 0;
  EXPECT_EQ(sorvi::find_from_selection(false, caret, static_cast<long>(text.size()), finder(text, "needle", &calls)),
            36);
  EXPECT_GT(calls, 2);
  EXPECT_EQ(sorvi::find_from_selection(false, 0, 100, finder(text, "needle")), -1);
  EXPECT_EQ(sorvi::find_from_selection(false, 5, 100, finder(text, "needle")), -1);
  // A match ending right at the selection start is outside the range.
  EXPECT_EQ(sorvi::find_from_selection(false, 10, 100, finder(text, "needle")), -1);
  EXPECT_EQ(sorvi::find_from_selection(false, 11, 100, finder(text, "needle")), 4);
}

}  // namespace
