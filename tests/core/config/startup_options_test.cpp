// Option words: recognition, values, and the start-line helpers.
#include <gtest/gtest.h>

#include "config/coverage_labels.h"
#include "config/startup_options.h"
#include "support/test_support.h"

namespace {

using sorvi::ParseOptionWord;
using sorvi::startup_options;

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi_test::reset_core_state(); }
  void TearDown() override { sorvi_test::reset_core_state(); }
  sorvi_test::ProfileFixture profile_;
};

TEST_F(OptionsTest, FreshRecordHoldsTheInitialValues) {
  const sorvi::StartupOptions& o = startup_options();
  EXPECT_EQ(o.Procnum, -1);
  EXPECT_EQ(o.Block, -1);
  EXPECT_EQ(o.TC, -1);
  EXPECT_EQ(o.Modnum, -1);
  EXPECT_EQ(o.Start, 0);
  EXPECT_EQ(o.Flags, 0);
  EXPECT_FALSE(o.VMODE);
  EXPECT_TRUE(o.XrefSet.empty());
}

TEST_F(OptionsTest, WordsMatchByPrefixWithoutRegardToCase) {
  EXPECT_TRUE(ParseOptionWord("procnum=5"));
  EXPECT_EQ(startup_options().Procnum, 5);
  EXPECT_TRUE(ParseOptionWord("PROCNUM=6"));
  EXPECT_EQ(startup_options().Procnum, 6);
  EXPECT_TRUE(ParseOptionWord("Procnum=abc"));
  EXPECT_EQ(startup_options().Procnum, 0);
  EXPECT_TRUE(ParseOptionWord("Block=12x"));
  EXPECT_EQ(startup_options().Block, 12);
  EXPECT_TRUE(ParseOptionWord("Start=-4"));
  EXPECT_EQ(startup_options().Start, -4);
  EXPECT_FALSE(ParseOptionWord("Procnum"));
  EXPECT_FALSE(ParseOptionWord("Zebra=1"));
  EXPECT_FALSE(ParseOptionWord(""));
}

TEST_F(OptionsTest, OnlyAnUpperCaseVSelectsTheVWords) {
  EXPECT_FALSE(ParseOptionWord("vmode"));
  EXPECT_FALSE(startup_options().VMODE);
  EXPECT_TRUE(ParseOptionWord("VmOdE"));
  EXPECT_TRUE(startup_options().VMODE);
  EXPECT_FALSE(ParseOptionWord("violationMode"));
  EXPECT_TRUE(ParseOptionWord("ViolationMode"));
  EXPECT_TRUE(startup_options().ViolationMode);
}

TEST_F(OptionsTest, PrefixPairsDoNotCaptureEachOther) {
  EXPECT_TRUE(ParseOptionWord("EndOfFile"));
  EXPECT_TRUE(startup_options().EndOfFile);
  EXPECT_EQ(startup_options().End, 0);
  EXPECT_TRUE(ParseOptionWord("End=9"));
  EXPECT_EQ(startup_options().End, 9);
  EXPECT_TRUE(ParseOptionWord("Sfrfile=a.sfr"));
  EXPECT_EQ(startup_options().Sfrfile, "a.sfr");
  EXPECT_EQ(startup_options().Start, 0);
  EXPECT_TRUE(ParseOptionWord("Seqwrk=/tmp/seq"));
  EXPECT_TRUE(ParseOptionWord("Seq=nightly"));
  EXPECT_EQ(startup_options().Seqwrk, "/tmp/seq");
  EXPECT_EQ(startup_options().Seq, "nightly");
}

TEST_F(OptionsTest, IncludeLinesNeedsTwoNumbers) {
  EXPECT_FALSE(ParseOptionWord("IncludeLines=12"));
  EXPECT_TRUE(ParseOptionWord("IncludeLines=12,30"));
  EXPECT_EQ(startup_options().IncludeLines[0], 12);
  EXPECT_EQ(startup_options().IncludeLines[1], 30);
  EXPECT_FALSE(ParseOptionWord("IncludeLines=x,3"));
}

TEST_F(OptionsTest, CoverageModeSetsFlagsOnlyUntilALaterFlagsWord) {
  EXPECT_TRUE(ParseOptionWord("CoverageMode"));
  EXPECT_TRUE(ParseOptionWord("Flags=7"));
  EXPECT_EQ(startup_options().Flags, 7);
  sorvi::reset_startup_options();
  EXPECT_TRUE(ParseOptionWord("Flags=7"));
  EXPECT_TRUE(ParseOptionWord("CoverageMode"));
  EXPECT_EQ(startup_options().Flags, 384);
  EXPECT_TRUE(ParseOptionWord("CoveragePassFail"));
  EXPECT_TRUE(startup_options().CoveragePassFail);
}

TEST_F(OptionsTest, StandardsModelIsConvertedUnlessTheProfileSaysNo) {
  EXPECT_TRUE(ParseOptionWord("StandardsModel=MISRA-C:1998"));
  EXPECT_EQ(startup_options().StandardsModel, "MISRA");
  EXPECT_TRUE(ParseOptionWord("StandardsModel=JSF++ AV"));
  EXPECT_EQ(startup_options().StandardsModel, "AV");
  EXPECT_TRUE(ParseOptionWord("StandardsModel=MISRA-C:2004"));
  EXPECT_EQ(startup_options().StandardsModel, "MISRA-C:2004");
  profile_.rewrite("[C/C++ Vexa Kelvar]\nCONVERT_MODEL_STRINGS=FALSE\n");
  EXPECT_TRUE(ParseOptionWord("StandardsModel=MISRA-C:1998"));
  EXPECT_EQ(startup_options().StandardsModel, "MISRA-C:1998");
}

TEST_F(OptionsTest, HelpWritesTheExactTextAndIsRecognisedByPrefix) {
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(ParseOptionWord("Help"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Command line options are:\n  -Block=\n  -CoverageMode\n  -End=\n  -EndOfFile\n  -FindText=\n"
            "  -Hilight=\n  -Help\n  -IncludeLines=\n  -Procnum=\n  -Start=\n  -XrefSet=\n  -Language=\n"
            "  -VMODE\n  -NDXIncludes\n");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(ParseOptionWord("helpful"));
  EXPECT_FALSE(::testing::internal::GetCapturedStdout().empty());
  EXPECT_FALSE(sorvi::IsOptionWord("hel"));
}

TEST_F(OptionsTest, StartLineMovesTheRangeWithIt) {
  EXPECT_FALSE(sorvi::is_start_line(0));
  startup_options().Start = 10;
  startup_options().End = 10;
  EXPECT_TRUE(sorvi::is_start_line(10));
  sorvi::move_start_line(14);
  EXPECT_EQ(startup_options().Start, 14);
  EXPECT_EQ(startup_options().End, 14);
  startup_options().End = 20;
  sorvi::move_start_line(17);
  EXPECT_EQ(startup_options().End, 23);
  startup_options().End = 0;
  sorvi::move_start_line(30);
  EXPECT_EQ(startup_options().End, 0);
}

TEST_F(OptionsTest, CoverageLabelsInBothWordings) {
  EXPECT_EQ(sorvi::coverage_label(3), "");
  sorvi::fill_coverage_labels(false);
  EXPECT_EQ(sorvi::coverage_label(2), "Not Executed");
  EXPECT_EQ(sorvi::coverage_label(3), "Executed");
  EXPECT_EQ(sorvi::coverage_label(6), "Branch/Decision not executed");
  EXPECT_EQ(sorvi::coverage_label(8), "Not executable");
  EXPECT_EQ(sorvi::coverage_label(9), "");
  EXPECT_EQ(sorvi::coverage_label_indices().executed, 3);
  sorvi::clear_coverage_labels();
  sorvi::fill_coverage_labels(true);
  EXPECT_EQ(sorvi::coverage_label(2), "");
  EXPECT_EQ(sorvi::coverage_label(3), "Not Covered");
  EXPECT_EQ(sorvi::coverage_label(4), "Covered");
  EXPECT_EQ(sorvi::coverage_label(7), "Branch/Decision not covered");
  EXPECT_EQ(sorvi::coverage_label_indices().executed, 4);
  EXPECT_EQ(sorvi::coverage_label_indices().not_executed, 3);
  EXPECT_EQ(sorvi::coverage_label_indices().branch, 7);
}

}  // namespace
