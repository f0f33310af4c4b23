// Option words: recognition, values, and the start-line helpers.
#include "config/startup_options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "annotate/annotation_context.h"
#include "annotate/ref_document.h"
#include "support/test_support.h"

namespace {

using namespace sorvi;

// The fields of the record that differ from a fresh one, as " name=value".
std::string changed_fields(const StartupOptions& o) {
  auto fields = [](const StartupOptions& r) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "Procnum=%d Block=%d Start=%d End=%d EndOfFile=%d IncludeLines=%d,%d VMODE=%d ViolationMode=%d "
                  "Sfrfile=%s Seq=%s Seqwrk=%s CoverageMode=%d CoveragePassFail=%d Flags=%d StandardsModel=%s",
                  r.Procnum, r.Block, r.Start, r.End, r.EndOfFile, r.IncludeLines[0], r.IncludeLines[1], r.VMODE,
                  r.ViolationMode, r.Sfrfile.c_str(), r.Seq.c_str(), r.Seqwrk.c_str(), r.CoverageMode,
                  r.CoveragePassFail, r.Flags, r.StandardsModel.c_str());
    return std::istringstream(text);
  };
  std::istringstream now = fields(o), fresh = fields(StartupOptions());
  std::string out, field, fresh_field;
  while (now >> field && fresh >> fresh_field) out += field == fresh_field ? "" : " " + field;
  return out;
}

// Words given in turn to a fresh record -> whether each was recognised, then the fields changed.
TEST(OptionsTest, Words) {
  sorvi_test::ProfileFixture profile;  // and a clean option record
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      // Prefixes match without regard to case; values convert as atoi does.
      {{"procnum=5", "PROCNUM=6"}, "11 Procnum=6"},
      {{"Procnum=abc", "Block=12x", "Start=-4"}, "111 Procnum=0 Block=12 Start=-4"},
      {{"Procnum", "Zebra=1", ""}, "000"},
      // Words beginning with V are tried only for an upper-case V.
      {{"vmode", "violationMode", "VmOdE", "ViolationMode"}, "0011 VMODE=1 ViolationMode=1"},
      // Words sharing a beginning do not capture each other.
      {{"EndOfFile", "End=9", "Sfrfile=a.sfr", "Seqwrk=/tmp/seq", "Seq=nightly"},
       "11111 End=9 EndOfFile=1 Sfrfile=a.sfr Seq=nightly Seqwrk=/tmp/seq"},
      // Two numbers are needed.
      {{"IncludeLines=12,30", "IncludeLines=x,3"}, "10 IncludeLines=12,30"},
      // The coverage words set the flags, which a later Flags word replaces.
      {{"Flags=7", "CoverageMode"}, "11 CoverageMode=1 Flags=384"},
      {{"CoveragePassFail", "Flags=7"}, "11 CoveragePassFail=1 Flags=7"},
      // Model names are converted to the names the report configuration matches.
      {{"StandardsModel=MISRA-C:1998"}, "1 StandardsModel=MISRA"},
      {{"StandardsModel=JSF++ AV"}, "1 StandardsModel=AV"},
  };
  for (const auto& [words, expected] : rows) {
    reset_startup_options();
    std::string dump;
    for (const std::string& word : words) dump += ParseOptionWord(word) ? "1" : "0";
    EXPECT_EQ(dump + changed_fields(startup_options()), expected) << words.front();
  }
  profile.rewrite("[C/C++ Vexa Kelvar]\nCONVERT_MODEL_STRINGS=FALSE\n");
  EXPECT_TRUE(ParseOptionWord("StandardsModel=MISRA-C:1998"));
  EXPECT_EQ(startup_options().StandardsModel, "MISRA-C:1998");
}

TEST(OptionsTest, HelpWritesTheExactTextAndIsRecognisedByPrefix) {
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(ParseOptionWord("helpful"));
  const std::string help =
      "Command line options are:\n  -Block=\n  -CoverageMode\n  -End=\n  -EndOfFile\n  -FindText=\n"
      "  -Hilight=\n  -Help\n  -IncludeLines=\n  -Procnum=\n  -Start=\n  -XrefSet=\n  -Language=\n"
      "  -VMODE\n  -NDXIncludes\n";
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), help);
  EXPECT_FALSE(IsOptionWord("hel"));
}

// Without -Procnum= (and -Block=) a procedure-code document shows the first procedure.
TEST(OptionsTest, ProcedureCodeWithoutProcnumShowsTheFirstProcedure) {
  sorvi_test::ProfileFixture profile;  // and a clean option record
  std::unique_ptr<XtxDocument> doc = build_xtx_document(profile.dir().file("demo_1.xtx"));
  ASSERT_TRUE(doc && doc->context);
  EXPECT_EQ(doc->context->procedure, 1);
}

// Start and End -> whether Start was a start line, then Start and End after moving the start line to 20.
TEST(OptionsTest, StartLineMovesTheRangeWithIt) {
  sorvi_test::ProfileFixture profile;  // and a clean option record
  std::string dump;
  for (auto [start, end] : {std::pair<int, int>{10, 10}, {10, 16}, {10, 0}, {0, 5}}) {
    startup_options().Start = start;
    startup_options().End = end;
    dump += std::to_string(is_start_line(start)) + ":";
    move_start_line(20);
    dump += std::to_string(startup_options().Start) + "-" + std::to_string(startup_options().End) + " ";
  }
  EXPECT_EQ(dump, "1:20-20 1:20-26 1:20-0 0:20-25 ");
}

}  // namespace
