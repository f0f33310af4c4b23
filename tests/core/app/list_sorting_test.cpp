// The list views' columns from descriptors, the compare routines of each
// sort kind, and the order a column-heading click gives.
#include <gtest/gtest.h>

#include <string>
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
  // Texts ignoring case (3 and 6) and with case (4).
  EXPECT_EQ(sorvi::compare_list_texts(3, "abc", "ABC"), 0);
  EXPECT_EQ(sorvi::compare_list_texts(6, "Zeta", "alpha"), 1);
  EXPECT_LT(sorvi::compare_list_texts(3, "ab", "abc"), 0);
  EXPECT_LT(sorvi::compare_list_texts(4, "ABC", "abc"), 0);
  EXPECT_GT(sorvi::compare_list_texts(4, "b", "B"), 0);
  // Pairs: by the first number, then the second.
  EXPECT_LT(sorvi::compare_list_texts(5, "2 : 10", "10 : 1"), 0);
  EXPECT_LT(sorvi::compare_list_texts(5, "3 : 9", "3 : 10"), 0);
  EXPECT_EQ(sorvi::compare_list_texts(5, "3:4", " 3 :  4"), 0);
  // Any other kind: the leading integer, numeric not textual.
  EXPECT_LT(sorvi::compare_list_texts(0, "9", "10"), 0);
  EXPECT_LT(sorvi::compare_list_texts(1, "78 S", "100 M"), 0);
  EXPECT_EQ(sorvi::compare_list_texts(7, "x", "0"), 0);
  EXPECT_LT(sorvi::compare_list_texts(2, "-5", "  +3"), 0);
}

TEST(ListCompareTest, NumbersAreReadSafely) {
  EXPECT_EQ(sorvi::leading_integer("  42abc"), 42);
  EXPECT_EQ(sorvi::leading_integer("-7"), -7);
  EXPECT_EQ(sorvi::leading_integer("abc"), 0);
  EXPECT_EQ(sorvi::leading_integer("+"), 0);
  EXPECT_EQ(sorvi::leading_integer(""), 0);
  EXPECT_EQ(sorvi::leading_integer("99999999999999999999999"), 2147483647);
  EXPECT_EQ(sorvi::leading_integer("-99999999999999999999999"), -2147483647 - 1);
  int a = -1, b = -1;
  sorvi::read_integer_pair("12 : 34", &a, &b);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 34);
  sorvi::read_integer_pair("12 34", &a, &b);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 0);
  sorvi::read_integer_pair(": 5", &a, &b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
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
