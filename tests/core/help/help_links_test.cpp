// Standards help links and the readings that lead to them.
#include <gtest/gtest.h>

#include "help/help_links.h"
#include "support/test_support.h"

namespace {

class HelpLinksTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi::reset_help_links(); }
  void TearDown() override { sorvi::reset_help_links(); }
  sorvi_test::ProfileFixture profile_;
};

TEST_F(HelpLinksTest, LinksFollowTheLayoutChosenOnce) {
  EXPECT_EQ(sorvi::standards_help_link('M', 21), "standards_info/html/standards.htm#standard_m21");
  profile_.rewrite("[C/C++ Vexa Kelvar]\nUPDATED_HTML_STANDARD_LINKS=FALSE\n");
  EXPECT_EQ(sorvi::standards_help_link('C', 5), "standards_info/html/standards.htm#standard_c5");
  sorvi::reset_help_links();
  EXPECT_EQ(sorvi::standards_help_link('C', 5), "Standards_and_MISRA_info/Standard/standard.html#standard_c5");
}

TEST_F(HelpLinksTest, ViolationLinesInBothFormsAndFormats) {
  char letter = 0;
  int number = 0;
  ASSERT_TRUE(sorvi::parse_violation_line("(M) STATIC VIOLATION     : 78 S : Macro parameter.", false, &letter, &number));
  EXPECT_EQ(letter, 'S');
  EXPECT_EQ(number, 78);
  ASSERT_TRUE(sorvi::parse_violation_line("/* (I) NAMING VIOLATION     :  5 H : Unused. */", false, &letter, &number));
  EXPECT_EQ(letter, 'H');
  EXPECT_EQ(number, 5);
  ASSERT_TRUE(sorvi::parse_violation_line("(Mandatory)  VIOLATION : 12 C : Too complex", true, &letter, &number));
  EXPECT_EQ(letter, 'C');
  EXPECT_EQ(number, 12);
  EXPECT_FALSE(sorvi::parse_violation_line("(Mandatory)  VIOLATION : 12 C : Too complex", false, &letter, &number));
  EXPECT_FALSE(sorvi::parse_violation_line("    12    2    0     1 T   x = 1;", false, &letter, &number));
  EXPECT_FALSE(sorvi::parse_violation_line("(M) STATIC VIOLATION     : x8 S : text", false, &letter, &number));
  EXPECT_FALSE(sorvi::parse_violation_line("(M) STATIC VIOLATION     : 78 SS : text", false, &letter, &number));
  EXPECT_FALSE(sorvi::parse_violation_line("", false, &letter, &number));
}

TEST_F(HelpLinksTest, ListIdentifiersAndDocumentUrls) {
  char letter = 0;
  int number = 0;
  ASSERT_TRUE(sorvi::parse_violation_identifier("105 D", &letter, &number));
  EXPECT_EQ(number, 105);
  EXPECT_EQ(letter, 'D');
  EXPECT_FALSE(sorvi::parse_violation_identifier("D 105", &letter, &number));
  EXPECT_FALSE(sorvi::parse_violation_identifier("105", &letter, &number));
  EXPECT_EQ(sorvi::html_document_url("C:\\rep\\std.htm"), "file:///C:/rep/std.htm");
  EXPECT_EQ(sorvi::html_document_url("/suite/standards_info/html/standards.htm"),
            "file:///suite/standards_info/html/standards.htm");
  EXPECT_EQ(sorvi::html_document_url("http://host\\a.htm"), "http://host/a.htm");
  EXPECT_EQ(sorvi::html_document_url(""), "");
  EXPECT_EQ(sorvi::html_text_size(), 0);
  profile_.rewrite("[C/C++ Vexa Kelvar]\nSORVI_HTML_FONT_SIZE=7\n");
  EXPECT_EQ(sorvi::html_text_size(), 0);
  profile_.rewrite("[C/C++ Vexa Kelvar]\nSORVI_HTML_FONT_SIZE=3\n");
  EXPECT_EQ(sorvi::html_text_size(), 3);
}

}  // namespace
