#include "base/dynamic_string.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base_fixture.h"

namespace sorvi {
namespace {

std::string show(const DynamicString& slot) {
  const char* text = dynamic_string_text(slot);
  return text ? "[" + std::string(text) + "]" : "null";
}

// An operation's result, then the slot after it.
std::string result(bool ok, const DynamicString& slot) { return std::to_string(ok) + show(slot); }

// Each operation's result and the slot after it; allocation failures leave the slot alone.
TEST(DynamicStringTest, SetAppendFreeAndAllocationFailures) {
  sorvi_test::ReportCapture report;
  DynamicString slot;
  std::string dump;
  for (const char* text : {"abc", static_cast<const char*>(nullptr), "", "longer text"}) {
    dump += result(set_dynamic_string(slot, text, true), slot);
  }
  free_dynamic_string(slot);
  dump += show(slot) + " ";
  // Appending takes at most `max` characters; a null text changes nothing.
  for (auto [text, max] : {std::pair<const char*, int>{nullptr, -1}, {"abcdef", 3}, {"XYZ", -1}, {"123", 0}}) {
    dump += result(append_dynamic_string(slot, text, max), slot);
  }
  for (bool report_failure : {false, true}) {
    fail_allocation_after(0);
    dump += result(set_dynamic_string(slot, "abc", report_failure), slot);
  }
  fail_allocation_after(0);
  dump += result(append_dynamic_string(slot, "q", -1), slot);
  reset_allocation_faults();
  EXPECT_EQ(dump + sorvi_test::report_dump(report),
            "1[abc]1null1[]1[longer text]null 1null1[abc]1[abcXYZ]1[abcXYZ]0[abcXYZ]0[abcXYZ]0[abcXYZ]"
            " A101 A2 Unable to allocate memory for dynamic string.\nString being allocated is \"abc\", length 3\n");
}

}  // namespace
}  // namespace sorvi
