// The list views' columns from descriptors, the compare routines of each
// sort kind, and the order a column-heading click gives.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/list_sorting.h"

namespace {

using sorvi::ListColumnDescriptor;
using sorvi::ListSortTable;

std::vector<std::string> arrange(const std::vector<std::string>& texts, const std::vector<size_t>& order) {
  std::vector<std::string> out;
  for (size_t i : order) out.push_back(texts.at(i));
  return out;
}

TEST(ListCompareTest, EachSortKindHasItsRoutine) {
  // Texts ignoring case (3 and 6) and with case (4); pairs by the first
  // number, then the second (5); any other kind the leading integer.
  const struct {
    int kind;
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {3, "abc", "ABC", 0},     {6, "Zeta", "alpha", 1},  {3, "ab", "abc", -1},       {4, "ABC", "abc", -1},
      {4, "b", "B", 1},         {5, "2 : 10", "10 : 1", -1}, {5, "3 : 9", "3 : 10", -1}, {5, "3:4", " 3 :  4", 0},
      {0, "9", "10", -1},       {1, "78 S", "100 M", -1}, {7, "x", "0", 0},           {2, "-5", "  +3", -1},
  };
  for (const auto& c : cases) {
    const int r = sorvi::compare_list_texts(c.kind, c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.kind << " " << c.a << " " << c.b;
  }
}

TEST(ListCompareTest, NumbersAreReadSafely) {
  const std::pair<const char*, int> integers[] = {
      {"  42abc", 42}, {"-7", -7}, {"abc", 0}, {"+", 0}, {"", 0},
      {"99999999999999999999999", 2147483647}, {"-99999999999999999999999", -2147483647 - 1}};
  for (const auto& [text, value] : integers) EXPECT_EQ(sorvi::leading_integer(text), value) << text;
  const std::tuple<const char*, int, int> pairs[] = {{"12 : 34", 12, 34}, {"12 34", 12, 0}, {": 5", 0, 0}};
  for (const auto& [text, first, second] : pairs) {
    int a = -1, b = -1;
    sorvi::read_integer_pair(text, &a, &b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(first, second)) << text;
  }
}

TEST(ListSortTest, DescriptorsMakeColumnsAndSlots) {
  const ListColumnDescriptor d[] = {
      {"Name", 0.5f, 0, 3},
      {"Hidden", 0.25f, -1, 0},
      {"Count", 0.25f, 2, 0},
  };
  ListSortTable table;
  const std::vector<sorvi::ListColumn> columns = table.set_up(d, 3, 401);
  // A descriptor with slot -1 makes no column.
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].title, "Name");
  EXPECT_EQ(columns[0].position, 0);
  EXPECT_EQ(columns[0].width, 200);
  EXPECT_EQ(columns[1].title, "Count");
  EXPECT_EQ(columns[1].position, 1);
  EXPECT_EQ(columns[1].width, 100);
  // Slot 1 lies between two made slots and stays empty.
  EXPECT_TRUE(table.has_slot(0));
  EXPECT_FALSE(table.has_slot(1));
  EXPECT_TRUE(table.has_slot(2));
  EXPECT_FALSE(table.has_slot(3));
  EXPECT_FALSE(table.has_slot(-1));
  EXPECT_TRUE(table.direction(2));
  EXPECT_TRUE(table.click(1, {"a", "b"}).empty());
  EXPECT_TRUE(table.set_up(nullptr, 3, 100).empty());
}

TEST(ListSortTest, IntegerColumnClickedTwiceGoesLargestFirstThenSmallestFirst) {
  const ListColumnDescriptor d[] = {{"Line", 1.0f, 0, 0}};
  ListSortTable table;
  table.set_up(d, 1, 100);
  const std::vector<std::string> lines = {"9", "10", "2", "100"};
  EXPECT_EQ(arrange(lines, table.click(0, lines)), (std::vector<std::string>{"100", "10", "9", "2"}));
  EXPECT_FALSE(table.direction(0));
  EXPECT_EQ(arrange(lines, table.click(0, lines)), (std::vector<std::string>{"2", "9", "10", "100"}));
  EXPECT_TRUE(table.direction(0));
}

TEST(ListSortTest, TextColumnsGoAToZFirstAndPairsLikeNumbers) {
  const ListColumnDescriptor d[] = {{"Text", 0.5f, 0, 3}, {"Pair", 0.5f, 1, 5}};
  ListSortTable table;
  table.set_up(d, 2, 100);
  const std::vector<std::string> texts = {"beta", "Alpha", "gamma"};
  EXPECT_EQ(arrange(texts, table.click(0, texts)), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(arrange(texts, table.click(0, texts)), (std::vector<std::string>{"gamma", "beta", "Alpha"}));
  const std::vector<std::string> pairs = {"1 : 5", "2 : 1", "1 : 7"};
  EXPECT_EQ(arrange(pairs, table.click(1, pairs)), (std::vector<std::string>{"2 : 1", "1 : 7", "1 : 5"}));
}

TEST(ListSortTest, EqualRowsKeepTheirOrder) {
  const std::vector<std::string> texts = {"5 a", "3", "5 b", "5 c"};
  EXPECT_EQ(arrange(texts, sorvi::list_sort_order(0, true, texts)),
            (std::vector<std::string>{"5 a", "5 b", "5 c", "3"}));
  EXPECT_TRUE(sorvi::list_sort_order(0, true, {}).empty());
}

}  // namespace
