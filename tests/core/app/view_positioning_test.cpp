// Where a view puts its caret from Start=, End=, EndOfFile and the
// remembered line; the views' text search.
#include <gtest/gtest.h>

#include <string>

#include "app/view_positioning.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

class ViewPositioningTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi_test::reset_core_state(); }
  void TearDown() override { sorvi_test::reset_core_state(); }
  sorvi::StartupOptions& o = sorvi::startup_options();
};

TEST_F(ViewPositioningTest, StartAlonePutsTheCaretAtItsLine) {
  o.Start = 10;
  sorvi::remembered_line() = 30;
  sorvi::ViewPositioning p = sorvi::plan_view_positioning(100, true);
  EXPECT_TRUE(p.activate);
  EXPECT_TRUE(p.caret);
  EXPECT_FALSE(p.select);
  EXPECT_EQ(p.caret_line, 9);
  EXPECT_EQ(o.Start, 0);
  // A positive Start keeps the remembered line from moving the caret.
  EXPECT_EQ(sorvi::remembered_line(), 30);
}

TEST_F(ViewPositioningTest, StartAndEndSelectTheWholeLines) {
  o.Start = 10;
  o.End = 12;
  sorvi::ViewPositioning p = sorvi::plan_view_positioning(100, true);
  EXPECT_TRUE(p.select);
  EXPECT_EQ(p.first_line, 9);
  EXPECT_EQ(p.end_line, 12);  // the start of line 13
  EXPECT_EQ(o.Start, 0);
  EXPECT_EQ(o.End, 0);
  // An End past the text selects to its end.
  o.Start = 99;
  o.End = 400;
  p = sorvi::plan_view_positioning(100, false);
  EXPECT_EQ(p.first_line, 98);
  EXPECT_EQ(p.end_line, 100);
  // Consumed: the next view positions nothing.
  p = sorvi::plan_view_positioning(100, false);
  EXPECT_FALSE(p.activate || p.select || p.caret);
}

TEST_F(ViewPositioningTest, EndOfFileGoesToTheLastLineOfALongerText) {
  o.EndOfFile = true;
  sorvi::ViewPositioning p = sorvi::plan_view_positioning(1, false);
  EXPECT_TRUE(p.activate);
  EXPECT_FALSE(p.caret);
  EXPECT_FALSE(o.EndOfFile);
  o.EndOfFile = true;
  p = sorvi::plan_view_positioning(5, false);
  EXPECT_TRUE(p.caret);
  EXPECT_EQ(p.caret_line, 4);
}

TEST_F(ViewPositioningTest, RememberedLineIsUsedOnceAndClamped) {
  sorvi::remembered_line() = 46;
  sorvi::ViewPositioning p = sorvi::plan_view_positioning(100, false);
  EXPECT_FALSE(p.caret);
  EXPECT_EQ(sorvi::remembered_line(), 46);
  p = sorvi::plan_view_positioning(100, true);
  EXPECT_TRUE(p.caret);
  EXPECT_EQ(p.caret_line, 45);
  EXPECT_EQ(p.scroll_line, 45);
  EXPECT_EQ(sorvi::remembered_line(), 0);
  sorvi::remembered_line() = 500;
  p = sorvi::plan_view_positioning(100, true);
  EXPECT_EQ(p.scroll_line, 90);
  EXPECT_EQ(p.caret_line, 99);
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
