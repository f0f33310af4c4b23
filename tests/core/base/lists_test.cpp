#include "base/lists.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "base_fixture.h"

namespace sorvi {
namespace {

TEST(ListsTest, SortedIntListStaysAscendingWithoutDuplicates) {
  int_list list;
  for (int v : {5, 3, 5, 7, 4, -1, 9, 3}) EXPECT_TRUE(add_to_int_list(list, v, true));
  EXPECT_EQ(list, (int_list{-1, 3, 4, 5, 7, 9}));
}

TEST(ListsTest, FrontInsertionAndAppendingKeepEntriesInPlace) {
  int_list ints;
  for (int v : {5, 3, 5, 7}) EXPECT_TRUE(add_to_int_list(ints, v, false));
  EXPECT_EQ(ints, (int_list{7, 5, 3, 5}));
  EXPECT_TRUE(int_list_contains(ints, 3) && !int_list_contains(ints, 4));
  int_pair_list pairs;
  EXPECT_EQ(add_to_int_pair_list(pairs, 1, 2, false), 1);
  EXPECT_EQ(add_to_int_pair_list(pairs, 3, 4, true), 1);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(std::to_string(pairs[0].first) + std::to_string(pairs[0].second) + std::to_string(pairs[1].first), "341");
  // A named list appends only when it is not empty; entries handed out never move.
  named_int_list named;
  NamedIntEntry* first = add_to_named_int_list(named, "first", true);
  NamedIntEntry* second = add_to_named_int_list(named, "second", true);
  NamedIntEntry* front = add_to_named_int_list(named, "front", false);
  ASSERT_EQ(named.size(), 3u);
  EXPECT_EQ(named[0].name + named[1].name + named[2].name, "frontfirstsecond");
  EXPECT_TRUE(front == &named[0] && first == &named[1] && second == &named[2]);
}

TEST(ListsTest, Searches) {
  const charlist list{"Alpha", "", "beta"};
  const charlist other{"Gamma"};
  EXPECT_EQ(find_in_charlist("ALPHA", list, false), &list[0]);
  EXPECT_EQ(find_in_charlist("ALPHA", list, true), nullptr);
  EXPECT_EQ(find_in_charlist(nullptr, list, true), &list[1]);  // null and empty texts are equal
  EXPECT_EQ(find_in_charlist("Al", list, false), nullptr);
  const std::string copy = list[2];
  EXPECT_EQ(find_in_charlist_by_pointer(list[2].c_str(), list), &list[2]);
  EXPECT_EQ(find_in_charlist_by_pointer(copy.c_str(), list), nullptr);
  EXPECT_EQ(find_in_charlist_prefix("BETAMAX", 4, list, false), &list[2]);
  EXPECT_EQ(find_in_charlist_prefix("BETAMAX", 4, list, true), nullptr);
  EXPECT_EQ(find_in_charlist_prefix("betamax", 5, list, true), nullptr);
  EXPECT_EQ(find_in_charlists("gamma", list, other, false), &other[0]);
  EXPECT_EQ(find_in_charlists("beta", list, other, true), &list[2]);

  procedure_list procedures;
  add_procedure(procedures, "", 0, 1, 2, 1, 0, false, true, 0);
  add_procedure(procedures, "f", 0, 1, 2, 2, 0, false, true, 0);
  add_procedure(procedures, "f", 1, 3, 4, 3, 0, false, true, 0);
  add_procedure(procedures, nullptr, 0, 1, 2, 4, 0, true, true, 0);
  auto number = [](const ProcedureRecord* p) { return p ? std::to_string(p->procedure_number) : "-"; };
  // name, kind, kind asked for -> the procedure number found. Records without a name never match.
  const std::tuple<const char*, int, bool, const char*> rows[] = {
      {"f", 1, false, "2"}, {"f", 1, true, "3"}, {"F", 0, false, "-"}, {"", 0, false, "-"}, {"f", 2, true, "-"}};
  for (const auto& [name, kind, match_kind, found] : rows) {
    EXPECT_EQ(number(find_procedure(procedures, name, kind, match_kind)), found) << name << kind << match_kind;
  }
}

// A failed allocation: what the operation returned, what the fatal report
// was told and the exit status it was given.
TEST(ListsTest, AllocationFailures) {
  int_list ints{1};
  named_int_list named;
  procedure_list procedures;
  int_pair_list pairs;
  auto failing = [](int successes, auto operation) {
    sorvi_test::ReportCapture report;
    fail_allocation_after(successes);
    const int result = operation();
    reset_allocation_faults();
    return std::to_string(result) + sorvi_test::report_dump(report) + " exit " + std::to_string(report_exit_status());
  };
  EXPECT_EQ(failing(0, [&] { return add_to_int_list(ints, 2, true); }),
            "0 A100 Error in adding new int list element - memory overflow exit 14");
  EXPECT_EQ(failing(0, [&] { return add_to_named_int_list(named, "a", true) != nullptr; }),
            "0 A100 Can't create new named_int_list element in add_to_named_int_list  exit 14");
  EXPECT_EQ(failing(1, [&] { return add_to_named_int_list(named, "b", true) != nullptr; }),
            "0 A100 Error in adding new named list entry name - memory overflow exit 14");
  EXPECT_EQ(failing(0, [&] { return add_procedure(procedures, "p", 0, 1, 2, 1, 0, false, false, 0) != nullptr; }),
            "0 exit 0");
  EXPECT_EQ(failing(0, [&] { return add_procedure(procedures, "p", 0, 1, 2, 1, 0, false, true, 0) != nullptr; }),
            "0 B100 Error in adding new procedure - memory overflow exit 14");
  EXPECT_EQ(failing(0, [&] { return add_to_int_pair_list(pairs, 1, 2, false); }), "0 exit 0");
  // A failed addition adds nothing.
  EXPECT_EQ(ints.size() + named.size() + procedures.size() + pairs.size(), 1u);
}

}  // namespace
}  // namespace sorvi
