// The violation list's columns, the result list's Hilight= row and
// scrolling, the edit warning given once, list font heights, and the HTML
// view's URLs, anchors and text sizes.
#include <gtest/gtest.h>

#include <tuple>

#include "app/html_view_rules.h"
#include "app/list_view_rules.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "help/help_links.h"
#include "support/test_support.h"

namespace {

class ListViewRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi_test::reset_core_state(); }
  void TearDown() override { sorvi_test::reset_core_state(); }
};

TEST_F(ListViewRulesTest, ViolationColumnsAreSixthsOfTheWidth) {
  sorvi::ListSortTable table;
  const std::vector<sorvi::ListColumn> columns =
      table.set_up(sorvi::kViolationListColumns, sorvi::kViolationListColumnCount, 600);
  ASSERT_EQ(columns.size(), 6u);
  // Half a sixth for the code, three for the text, one for each other column.
  const int widths[] = {50, 100, 100, 300, 100, 100};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(columns[i].width, widths[i], 1) << i;
    EXPECT_TRUE(table.has_slot(i));
  }
  // Source lines sort as numbers: 9 before 10 going up, after it going down.
  const std::vector<std::string> lines = {"10", "9"};
  EXPECT_EQ(table.click(4, lines), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(table.click(4, lines), (std::vector<size_t>{1, 0}));
  // The penalty texts sort as text, ignoring case.
  const std::vector<std::string> texts = {"b", "A", "c"};
  EXPECT_EQ(table.click(3, texts), (std::vector<size_t>{1, 0, 2}));
  EXPECT_EQ(sorvi::violation_row_source_line("123"), 123);
  EXPECT_EQ(sorvi::violation_row_source_line(""), 0);
}

TEST_F(ListViewRulesTest, EditWarningIsGivenOnce) {
  EXPECT_TRUE(sorvi::take_violation_edit_warning());
  EXPECT_FALSE(sorvi::take_violation_edit_warning());
  sorvi_test::reset_core_state();
  EXPECT_TRUE(sorvi::take_violation_edit_warning());
}

TEST_F(ListViewRulesTest, HilightSelectsItsRowOnce) {
  std::vector<std::vector<std::string>> cells;
  for (int i = 1; i <= 40; ++i) cells.push_back({std::to_string(i), "name"});
  EXPECT_EQ(sorvi::take_hilight_row(cells), -1);
  sorvi::startup_options().Hilight = 30;
  EXPECT_EQ(sorvi::take_hilight_row(cells), 29);
  EXPECT_EQ(sorvi::startup_options().Hilight, 0);
  EXPECT_EQ(sorvi::take_hilight_row(cells), -1);
  // A value no row has stays for later.
  sorvi::startup_options().Hilight = 99;
  EXPECT_EQ(sorvi::take_hilight_row(cells), -1);
  EXPECT_EQ(sorvi::startup_options().Hilight, 99);
  // Rows without cells are passed over; the first cell is read as atoi does.
  sorvi::startup_options().Hilight = 7;
  EXPECT_EQ(sorvi::take_hilight_row({{}, {" 7 :x"}}), 1);
}

TEST_F(ListViewRulesTest, RowsBeyondTheTwelfthScrollToTheNextRow) {
  const std::pair<int, int> rows[] = {{29, 30}, {11, -1}, {12, 13}, {39, 39}, {40, -1}, {-1, -1}};
  for (const auto& [row, scroll] : rows) EXPECT_EQ(sorvi::hilight_scroll_row(row, 40), scroll) << row;
  EXPECT_EQ(sorvi::third_visible_line_top(10), 8);
  EXPECT_EQ(sorvi::third_visible_line_top(1), 0);
}

TEST_F(ListViewRulesTest, ResultListColumnsShareTheWidth) {
  const std::vector<sorvi::ListColumn> c = sorvi::result_list_columns({"A", "B", "C", "D"}, 402);
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[3].title, "D");
  EXPECT_EQ(c[3].position, 3);
  EXPECT_EQ(c[0].width, 100);
  EXPECT_TRUE(sorvi::result_list_columns({}, 100).empty());
  EXPECT_EQ(sorvi::result_list_columns({"A"}, -5)[0].width, 0);
}

TEST_F(ListViewRulesTest, FontHeightsKeepTheirStoredMeaning) {
  EXPECT_EQ(sorvi::logical_font_height(8, 96), -11);
  EXPECT_EQ(sorvi::logical_font_height(10, 96), -13);
  EXPECT_EQ(sorvi::logical_font_height(0, 96), 0);
  const std::tuple<int, int, double> points[] = {{-16, 96, 12.0}, {16, 96, 12.0}, {0, 96, 0.0}, {-16, 0, 0.0}};
  for (const auto& [height, dpi, pt] : points) EXPECT_DOUBLE_EQ(sorvi::logical_font_points(height, dpi), pt);
}

class HtmlViewRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi_test::reset_core_state(); }
  void TearDown() override { sorvi_test::reset_core_state(); }
  sorvi_test::ProfileFixture profile_;
};

TEST_F(HtmlViewRulesTest, TheAnchorIsAppendedOnceThenForgotten) {
  EXPECT_EQ(sorvi::html_navigation_url("C:\\rep\\std.htm"), "file:///C:/rep/std.htm");
  sorvi::html_anchor() = "#standard_s12";
  EXPECT_EQ(sorvi::html_navigation_url("/s/standards.htm"), "file:///s/standards.htm#standard_s12");
  EXPECT_EQ(sorvi::html_anchor(), "");
  EXPECT_EQ(sorvi::html_navigation_url("/s/standards.htm"), "file:///s/standards.htm");
  sorvi::html_anchor() = "#a";
  EXPECT_EQ(sorvi::html_navigation_url("http://host\\p.htm"), "http://host/p.htm#a");
  // Nothing to navigate to keeps the anchor.
  sorvi::html_anchor() = "#b";
  EXPECT_EQ(sorvi::html_navigation_url(""), "");
  EXPECT_EQ(sorvi::html_anchor(), "#b");
}

TEST_F(HtmlViewRulesTest, LateAnchorOnlyForALocationWithoutOne) {
  EXPECT_EQ(sorvi::html_late_anchor_url("file:///p.htm"), "");
  sorvi::html_anchor() = "#x";
  EXPECT_EQ(sorvi::html_late_anchor_url("file:///p.htm#y"), "");
  EXPECT_EQ(sorvi::html_anchor(), "#x");
  EXPECT_EQ(sorvi::html_late_anchor_url("file:///p.htm"), "file:///p.htm#x");
  EXPECT_EQ(sorvi::html_anchor(), "");
}

TEST_F(HtmlViewRulesTest, FiveTextSizesLargestFirst) {
  const int expected[] = {4, 3, 2, 1, 0};
  for (int i = 0; i < sorvi::kHtmlTextSizeCount; ++i) EXPECT_EQ(sorvi::html_text_size_of_command(i), expected[i]);
  for (int s = 1; s < 5; ++s) EXPECT_GT(sorvi::html_text_scale(s), sorvi::html_text_scale(s - 1));
  EXPECT_EQ(sorvi::html_text_scale(2), 1.0);
  EXPECT_EQ(sorvi::html_text_scale(7), sorvi::html_text_scale(0));
  EXPECT_TRUE(sorvi::html_text_size_to_store(0, 3));
  EXPECT_FALSE(sorvi::html_text_size_to_store(3, 3));
}

}  // namespace
