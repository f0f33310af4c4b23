#include "base/dynamic_string.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "support/test_support.h"

namespace sorvi {
namespace {

class DynamicStringTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_allocation_faults(); }
  void TearDown() override { reset_allocation_faults(); }
  sorvi_test::ReportCapture report;
};

TEST_F(DynamicStringTest, SettingNullFreesAndSettingAgainAllocates) {
  DynamicString slot;
  EXPECT_TRUE(set_dynamic_string(slot, "abc", true));
  EXPECT_STREQ(dynamic_string_text(slot), "abc");
  EXPECT_TRUE(set_dynamic_string(slot, nullptr, true));
  EXPECT_FALSE(slot.has_value());
  EXPECT_EQ(dynamic_string_text(slot), nullptr);
  EXPECT_TRUE(set_dynamic_string(slot, "", true));
  ASSERT_TRUE(slot.has_value());
  EXPECT_EQ(*slot, "");
  EXPECT_TRUE(set_dynamic_string(slot, "longer text", false));
  EXPECT_EQ(*slot, "longer text");
  free_dynamic_string(slot);
  EXPECT_FALSE(slot.has_value());
}

TEST_F(DynamicStringTest, SetFailureWritesErrorBlockOnlyWhenAsked) {
  DynamicString slot = std::string("old");
  fail_allocation_after(0);
  EXPECT_FALSE(set_dynamic_string(slot, "abc", false));
  EXPECT_TRUE(report.calls().empty());
  fail_allocation_after(0);
  EXPECT_FALSE(set_dynamic_string(slot, "abc", true));
  EXPECT_EQ(*slot, "old");
  ASSERT_EQ(report.calls().size(), 2u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].code, 101);
  EXPECT_EQ(report.calls()[1].channel, 'A');
  EXPECT_EQ(report.calls()[1].code, 2);
  EXPECT_EQ(report.lines(),
            "Unable to allocate memory for dynamic string.\n"
            "String being allocated is \"abc\", length 3\n");
}

TEST_F(DynamicStringTest, AppendTakesAtMostMaxCharacters) {
  DynamicString slot;
  EXPECT_TRUE(append_dynamic_string(slot, nullptr, -1));
  EXPECT_FALSE(slot.has_value());
  EXPECT_TRUE(append_dynamic_string(slot, "abcdef", 3));
  EXPECT_EQ(*slot, "abc");
  EXPECT_TRUE(append_dynamic_string(slot, "XYZ", -1));
  EXPECT_EQ(*slot, "abcXYZ");
  EXPECT_TRUE(append_dynamic_string(slot, "123", 0));
  EXPECT_EQ(*slot, "abcXYZ");
  fail_allocation_after(0);
  EXPECT_FALSE(append_dynamic_string(slot, "q", -1));
  EXPECT_EQ(*slot, "abcXYZ");
  EXPECT_TRUE(report.calls().empty());
}

TEST_F(DynamicStringTest, ReplaceFirstOrAllWithCaseSwitch) {
  DynamicString slot = std::string("a-B-b-c");
  EXPECT_TRUE(replace_in_dynamic_string(slot, "b", "xx", false, true, false));
  EXPECT_EQ(*slot, "a-B-xx-c");
  EXPECT_TRUE(replace_in_dynamic_string(slot, "X", "y", true, false, true));
  EXPECT_EQ(*slot, "a-B-yy-c");
  EXPECT_TRUE(replace_in_dynamic_string(slot, "-", nullptr, true, true, false));
  EXPECT_EQ(*slot, "aByyc");
  // No occurrence: success, but not a change.
  EXPECT_TRUE(replace_in_dynamic_string(slot, "zz", "q", true, true, false));
  EXPECT_FALSE(replace_in_dynamic_string(slot, "zz", "q", true, true, true));
  EXPECT_EQ(*slot, "aByyc");
  // The replacement text is not searched again.
  DynamicString grow = std::string("aa");
  EXPECT_TRUE(replace_in_dynamic_string(grow, "a", "aa", true, true, true));
  EXPECT_EQ(*grow, "aaaa");
  DynamicString empty;
  EXPECT_TRUE(replace_in_dynamic_string(empty, "a", "b", true, true, false));
  EXPECT_FALSE(replace_in_dynamic_string(empty, "a", "b", true, true, true));
  EXPECT_FALSE(empty.has_value());
}

}  // namespace
}  // namespace sorvi
