#include "base/lists.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "support/test_support.h"

namespace sorvi {
namespace {

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_allocation_faults(); }
  void TearDown() override { reset_allocation_faults(); }
  sorvi_test::ReportCapture report;
};

TEST_F(ListsTest, SortedIntListStaysAscendingWithoutDuplicates) {
  int_list list;
  for (int v : {5, 3, 5, 7}) EXPECT_TRUE(add_to_int_list(list, v, true));
  EXPECT_EQ(list, (int_list{3, 5, 7}));
  EXPECT_TRUE(add_to_int_list(list, 4, true));
  EXPECT_TRUE(add_to_int_list(list, -1, true));
  EXPECT_TRUE(add_to_int_list(list, 9, true));
  EXPECT_EQ(list, (int_list{-1, 3, 4, 5, 7, 9}));
}

TEST_F(ListsTest, UnsortedIntListInsertsAtFrontKeepingDuplicates) {
  int_list list;
  for (int v : {5, 3, 5, 7}) EXPECT_TRUE(add_to_int_list(list, v, false));
  EXPECT_EQ(list, (int_list{7, 5, 3, 5}));
  EXPECT_TRUE(int_list_contains(list, 3));
  EXPECT_FALSE(int_list_contains(list, 4));
  EXPECT_FALSE(int_list_contains(int_list{}, 0));
}

TEST_F(ListsTest, CharlistFrontAndTailOrder) {
  charlist list;
  EXPECT_TRUE(add_to_charlist(list, "b", false));
  EXPECT_TRUE(add_to_charlist(list, "a", true));
  EXPECT_TRUE(add_to_charlist_reporting(list, "c", false));
  EXPECT_TRUE(append_to_charlist(list, nullptr));
  EXPECT_EQ(list, (charlist{"a", "b", "c", ""}));
  reverse_charlist(list);
  EXPECT_EQ(list, (charlist{"", "c", "b", "a"}));
}

TEST_F(ListsTest, CharlistSearches) {
  charlist list{"Alpha", "", "beta"};
  charlist other{"Gamma"};
  ASSERT_NE(find_in_charlist("ALPHA", list, false), nullptr);
  EXPECT_EQ(find_in_charlist("ALPHA", list, false), &list[0]);
  EXPECT_EQ(find_in_charlist("ALPHA", list, true), nullptr);
  EXPECT_EQ(find_in_charlist("Alpha", list, true), &list[0]);
  // Null and empty texts are equal to each other.
  EXPECT_EQ(find_in_charlist(nullptr, list, true), &list[1]);
  EXPECT_EQ(find_in_charlist("", list, false), &list[1]);
  EXPECT_EQ(find_in_charlist("Al", list, false), nullptr);

  EXPECT_EQ(find_in_charlist_by_pointer(list[2].c_str(), list), &list[2]);
  std::string copy = list[2];
  EXPECT_EQ(find_in_charlist_by_pointer(copy.c_str(), list), nullptr);

  EXPECT_EQ(find_in_charlist_prefix("BETAMAX", 4, list, false), &list[2]);
  EXPECT_EQ(find_in_charlist_prefix("BETAMAX", 4, list, true), nullptr);
  EXPECT_EQ(find_in_charlist_prefix("betamax", 5, list, true), nullptr);

  EXPECT_EQ(find_in_charlists("gamma", list, other, false), &other[0]);
  EXPECT_EQ(find_in_charlists("beta", list, other, true), &list[2]);
  EXPECT_EQ(find_in_charlists("delta", list, other, false), nullptr);
}

TEST_F(ListsTest, StringIntListOrderAndReverse) {
  string_int_list list;
  EXPECT_TRUE(add_to_string_int_list(list, 2, "two", false));
  EXPECT_TRUE(add_to_string_int_list(list, 1, "one", true));
  EXPECT_TRUE(add_to_string_int_list_reporting(list, 3, nullptr, false));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].value, 1);
  EXPECT_EQ(list[0].text, "one");
  EXPECT_EQ(list[2].value, 3);
  EXPECT_EQ(list[2].text, "");
  reverse_string_int_list(list);
  EXPECT_EQ(list[0].text, "");
  EXPECT_EQ(list[2].text, "one");
}

TEST_F(ListsTest, NamedIntListAppendsOnlyToNonEmptyList) {
  named_int_list list;
  NamedIntEntry* first = add_to_named_int_list(list, "first", true);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->values.empty());
  add_to_int_list(first->values, 11, false);
  NamedIntEntry* second = add_to_named_int_list(list, "second", true);
  NamedIntEntry* front = add_to_named_int_list(list, "front", false);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].name, "front");
  EXPECT_EQ(list[1].name, "first");
  EXPECT_EQ(list[2].name, "second");
  // Entries handed out earlier stay where they were.
  EXPECT_EQ(first, &list[1]);
  EXPECT_EQ(second, &list[2]);
  EXPECT_EQ(front, &list[0]);
  EXPECT_EQ(first->values, (int_list{11}));
}

TEST_F(ListsTest, IntPairListOrder) {
  int_pair_list list;
  EXPECT_EQ(add_to_int_pair_list(list, 1, 2, false), 1);
  EXPECT_EQ(add_to_int_pair_list(list, 3, 4, true), 1);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].first, 3);
  EXPECT_EQ(list[0].second, 4);
  EXPECT_EQ(list[1].first, 1);
}

TEST_F(ListsTest, ProcedureRecordsKeepTheirFields) {
  procedure_list list;
  ProcedureRecord* p = add_procedure(list, "main", 1, 10, 20, 3, 0, false, true, 0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->is_y_kind, 1);
  EXPECT_EQ(p->is_p_kind, 0);
  EXPECT_EQ(p->first_line, 10);
  EXPECT_EQ(p->last_line, 20);
  EXPECT_EQ(p->procedure_number, 3);
  EXPECT_EQ(p->spare, 0);
  ASSERT_TRUE(p->name.has_value());
  EXPECT_EQ(*p->name, "main");
  add_procedure(list, "helper", 0, 30, 40, 4, 7, false, true, 1);
  add_procedure(list, nullptr, 0, 1, 2, 5, 0, true, true, 0);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_FALSE(list[0].name.has_value());
  EXPECT_EQ(*list[2].name, "helper");
  EXPECT_EQ(list[2].spare, 7);
  EXPECT_EQ(list[2].is_p_kind, 1);
}

TEST_F(ListsTest, FindProcedureMatchesNameAndKind) {
  procedure_list list;
  add_procedure(list, "", 0, 1, 2, 1, 0, false, true, 0);
  add_procedure(list, "f", 0, 1, 2, 2, 0, false, true, 0);
  add_procedure(list, "f", 1, 3, 4, 3, 0, false, true, 0);
  const procedure_list& view = list;
  ASSERT_NE(find_procedure(view, "f", 0, false), nullptr);
  EXPECT_EQ(find_procedure(view, "f", 0, false)->procedure_number, 2);
  EXPECT_EQ(find_procedure(view, "f", 1, true)->procedure_number, 3);
  EXPECT_EQ(find_procedure(view, "F", 0, false), nullptr);
  // Records without a name never match, not even an empty name.
  EXPECT_EQ(find_procedure(view, "", 0, false), nullptr);
  EXPECT_EQ(find_procedure(list, "f", 2, true), nullptr);
}

// ---- allocation failures ----------------------------------------------------

TEST_F(ListsTest, IntListOverflowEndsWithExitStatus14OnChannelA) {
  int_list list{1};
  fail_allocation_after(0);
  EXPECT_FALSE(add_to_int_list(list, 2, true));
  EXPECT_EQ(list, (int_list{1}));
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].code, 100);
  EXPECT_EQ(report.calls()[0].text, "Error in adding new int list element - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
}

TEST_F(ListsTest, CharlistOverflowReportsOnlyInReportingVariant) {
  charlist list;
  fail_allocation_after(0);
  EXPECT_FALSE(add_to_charlist(list, "x", false));
  EXPECT_TRUE(report.calls().empty());
  fail_allocation_after(0);
  EXPECT_FALSE(add_to_charlist_reporting(list, "x", false));
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].code, 100);
  EXPECT_EQ(report.calls()[0].text, "Error in adding new charlist element - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
  EXPECT_TRUE(list.empty());
}

TEST_F(ListsTest, StringIntOverflowMessage) {
  string_int_list list;
  fail_allocation_after(0);
  EXPECT_FALSE(add_to_string_int_list_reporting(list, 1, "x", true));
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].text, "Error in adding new string int list element - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
}

TEST_F(ListsTest, NamedIntListOverflowMessagesForEntryAndName) {
  named_int_list list;
  fail_allocation_after(0);
  EXPECT_EQ(add_to_named_int_list(list, "a", true), nullptr);
  fail_allocation_after(1);
  EXPECT_EQ(add_to_named_int_list(list, "b", true), nullptr);
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(report.calls().size(), 2u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].text, "Can't create new named_int_list element in add_to_named_int_list ");
  EXPECT_EQ(report.calls()[1].text, "Error in adding new named list entry name - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
}

TEST_F(ListsTest, ProcedureOverflowGoesToChannelBWhenAsked) {
  procedure_list list;
  fail_allocation_after(0);
  EXPECT_EQ(add_procedure(list, "p", 0, 1, 2, 1, 0, false, false, 0), nullptr);
  EXPECT_TRUE(report.calls().empty());
  EXPECT_EQ(report_exit_status(), 0);
  fail_allocation_after(0);
  EXPECT_EQ(add_procedure(list, "p", 0, 1, 2, 1, 0, false, true, 0), nullptr);
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].channel, 'B');
  EXPECT_EQ(report.calls()[0].code, 100);
  EXPECT_EQ(report.calls()[0].text, "Error in adding new procedure - memory overflow");
  EXPECT_EQ(report_exit_status(), 14);
  EXPECT_TRUE(list.empty());
}

TEST_F(ListsTest, IntPairOverflowIsSilent) {
  int_pair_list list;
  fail_allocation_after(0);
  EXPECT_EQ(add_to_int_pair_list(list, 1, 2, false), 0);
  EXPECT_TRUE(report.calls().empty());
  EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace sorvi
