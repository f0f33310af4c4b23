#include "standards/report_config.h"

#include <gtest/gtest.h>

#include "standards/penalty_catalogue.h"
#include "standards/standards_models.h"
#include "standards_fixture.h"

namespace {

using namespace sorvi;
using standards_test::pen_line;

// C's catalogue used by every test: entry index i holds standard i + 1 "S",
// except the entries named here. Entry 4 ("5 S") has code_d 1.
std::string c_pen_dat() {
  std::string content = "6\n";
  for (int i = 1; i <= 4; ++i) content += pen_line(i, i, 'S', "Standard " + std::to_string(i));
  content += pen_line(5, 5, 'S', "Checked standard", 0, 0, 0, 1);
  content += pen_line(6, 9, 'Q', "Q standard");
  return content;
}

// A report.dat with every data line led by its filler character.
std::string report_dat(const std::string& models, const std::string& standards, const std::string& exclusions = "") {
  return "# report configuration\n\n" + models + " ----\n" + standards + " 2000\n" + exclusions + " ----\n";
}

class ReportConfigTest : public standards_test::StandardsTest {
 protected:
  void SetUp() override {
    StandardsTest::SetUp();
    write_suite_file("c/cpen.dat", c_pen_dat());
  }
  int load(const std::string& content, const char* model = nullptr) {
    release_standards_data();
    EXPECT_EQ(load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
    write_suite_file("c/creport.dat", content);
    return load_report_configuration(nullptr, 2, model, nullptr);
  }
  const ReportEntry& entry(int index) { return *report_entry(2, index); }
  const ReportConfiguration& config() { return *report_configuration(2); }
};

const std::string kModels = " \"MISRA-C:2004\"\n \"MISRA-C:2004:M:Required rules\"\n \"CERT\"\n";

TEST_F(ReportConfigTest, WithoutModelEveryListedStandardIsReported) {
  ASSERT_EQ(load(report_dat(kModels, " 1 S M text\n 2 S O text\n")), kReportLoaded);
  EXPECT_EQ(config().model, kNoModelName);
  EXPECT_EQ(entry(0).reported, 1);
  EXPECT_EQ(entry(1).reported, 1);
  EXPECT_EQ(entry(2).reported, 0);
  EXPECT_EQ(entry(1).category, 2);
  EXPECT_EQ(entry(1).category_letter, 'O');
  EXPECT_EQ(entry(1).default_category_letter, 'O');
  EXPECT_TRUE(is_standard_reported('S', 2, 2));
  EXPECT_FALSE(is_standard_reported('S', 3, 2));
  EXPECT_TRUE(is_standard_reported('S', 700, 2));  // no entry: nothing switches it off
}

TEST_F(ReportConfigTest, SelectedModelReportsOnlyTheStandardsItNames) {
  const std::string standards =
      " 1 S O \"MISRA-C:2004:12:C\" \"CERT:EXP30-C\"\n"
      " 2 S O \"MISRA-C:2004X\" other\n"
      " 3 S I \"MISRA-C:2004\"\n";
  ASSERT_EQ(load(report_dat(kModels, standards), "MISRA-C2"), kReportLoaded);
  EXPECT_EQ(config().model, "MISRA-C:2004");
  EXPECT_EQ(entry(0).reported, 1);
  EXPECT_EQ(entry(0).rule_number, 12);
  EXPECT_EQ(entry(0).category_letter, 'C');  // from the model's annotation
  EXPECT_EQ(entry(0).category, 4);
  EXPECT_EQ(entry(0).default_category_letter, 'O');
  EXPECT_EQ(entry(0).model_annotations, (charlist{"MISRA-C:2004:12:C", "CERT:EXP30-C"}));
  EXPECT_EQ(entry(1).reported, 0);
  EXPECT_EQ(entry(1).category_letter, 'O');
  EXPECT_EQ(entry(2).reported, 1);
  EXPECT_EQ(entry(2).rule_number, -1);
  EXPECT_EQ(category_title(2, 1), "Required rules");
  EXPECT_EQ(category_title(2, 2), "Optional");
}

TEST_F(ReportConfigTest, ModelAnnotationItems) {
  const std::string standards = " 1 S M \"MISRA-C:2004:kvend x:vals 3 -4:vals 5 6:O\"\n";
  ASSERT_EQ(load(report_dat(kModels, standards), "MISRA-C:2004"), kReportLoaded);
  EXPECT_EQ(entry(0).kvend, 'x');
  ASSERT_EQ(entry(0).value_pairs.size(), 2u);
  EXPECT_EQ(entry(0).value_pairs[0].first, 3);
  EXPECT_EQ(entry(0).value_pairs[0].second, -4);
  EXPECT_EQ(entry(0).value_pairs[1].second, 6);
  EXPECT_EQ(entry(0).category_letter, 'O');
}

TEST_F(ReportConfigTest, GroupsAreFlaggedByCodeD) {
  const std::string standards =
      " 1 S M \"MISRA-C:2004\"\n"  // named, code_d 0: group S
      " 5 S M none\n"               // not named, code_d 1: group S as well
      " 9 Q M \"MISRA-C:2004:7\"\n";
  ASSERT_EQ(load(report_dat(kModels, " 3 S M none\n"), "MISRA-C:2004"), 0);
  EXPECT_EQ(config().group_flags[0], 0);  // code_d 0 and not named
  ASSERT_EQ(load(report_dat(kModels, standards), "MISRA-C:2004"), 0);
  EXPECT_EQ(config().group_flags[0], 1);
  EXPECT_EQ(config().group_flags[7], 1);  // "Q" is in the other group
  EXPECT_EQ(entry(5).special, 1);
  EXPECT_EQ(entry(5).rule_number, 7);
}

TEST_F(ReportConfigTest, SpecialValuesAndUnitTestMark) {
  const std::string standards = " 23 S M x\n 1 S M \"PDTMCSFVA:00000012345\" Kelrun Requires unit\n";
  write_suite_file("c/cpen.dat", c_pen_dat() + pen_line(7, 23, 'S', "twenty-three"));
  ASSERT_EQ(load(report_dat("", standards)), 0);
  EXPECT_EQ(entry(6).special, 1);
  EXPECT_EQ(entry(0).special, 0);
  EXPECT_EQ(entry(0).value_a, 12);
  EXPECT_EQ(entry(0).value_b, 34500000);
  EXPECT_EQ(entry(0).needs_unit_test, 1);
  EXPECT_EQ(entry(6).needs_unit_test, 0);
}

TEST_F(ReportConfigTest, StandardMissingFromTheCatalogueIsIgnored) {
  ASSERT_EQ(load(report_dat("", " 77 S M text\n 1 C M wrong letter\n 1 S M right\n")), 0);
  int reported = 0;
  for (const ReportEntry& e : config().entries) reported += e.reported;
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(entry(0).reported, 1);
}

TEST_F(ReportConfigTest, ModelNotListedFallsBackToNoModel) {
  ASSERT_EQ(load(report_dat(" \"CERT\"\n", " 1 S M x\n"), "MISRA-C:2004"), 0);
  EXPECT_EQ(config().model, kNoModelName);
  EXPECT_EQ(entry(0).reported, 1);
}

TEST_F(ReportConfigTest, ProfileChoosesTheModelAndMatchingUsesTheShortName) {
  use_profile("CSTANDARDS_MODEL=MISRA-C:1998\n");
  ASSERT_EQ(load(report_dat(" \"MISRA\"\n \"MISRA:M:Musts\"\n", " 1 S M \"MISRA:3\"\n 2 S M none\n")), 0);
  EXPECT_EQ(config().model, "MISRA-C:1998");
  EXPECT_EQ(entry(0).reported, 1);
  EXPECT_EQ(entry(1).reported, 0);
  EXPECT_EQ(category_title(2, 1), "Musts");
  // Listed model names are kept in display form, with their descriptions.
  EXPECT_EQ(config().model_names, (charlist{"MISRA-C:1998"}));
  EXPECT_EQ(config().model_descriptions, (charlist{"MISRA-C:1998:M:Musts"}));
}

TEST_F(ReportConfigTest, FillerCharacterIsNeverData) {
  // Without a filler the quote is lost, so the model line is not one.
  ASSERT_EQ(load("\"MISRA-C:2004\"\n----\n 1 S M \"MISRA-C:2004\"\n 2000\n", "MISRA-C:2004"), 0);
  EXPECT_EQ(config().model, kNoModelName);
  EXPECT_TRUE(config().model_names.empty());
  // "12" without a filler reads as standard 2.
  ASSERT_EQ(load(" ----\n12 S M x\n 2000\n"), 0);
  EXPECT_EQ(entry(1).reported, 1);
}

TEST_F(ReportConfigTest, CodesAboveAThousand) {
  sorvi_test::ReportCapture capture;
  ASSERT_EQ(load(report_dat("", " 1001 5\n 1002 0.5\n 1 S M x\n")), 0);
  EXPECT_TRUE(capture.calls().empty());
  EXPECT_EQ(load(report_dat("", " 1500 S M\n 1 S M x\n")), kReportBadCode);
  ASSERT_EQ(capture.calls().size(), 1u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 100);
  EXPECT_EQ(capture.calls()[0].text, "unrecognised code number > 1000 in report.dat");
}

TEST_F(ReportConfigTest, LanguageOutsideTheRangeIsReported) {
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(load_report_configuration(nullptr, 18, nullptr, nullptr), kReportBadLanguage);
  EXPECT_EQ(load_report_configuration(nullptr, -1, nullptr, nullptr), kReportBadLanguage);
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 100);
  EXPECT_EQ(capture.calls()[0].text, "Cannot configure Standards for language code \"18\"");
  EXPECT_EQ(capture.calls()[1].text, "Cannot configure Standards for language code \"-1\"");
}

TEST_F(ReportConfigTest, MissingReportFileEnablesEveryPenalty) {
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, "MISRA-C:2004", nullptr),
            kReportFileNotOpened);
  EXPECT_TRUE(capture.calls().empty());
  EXPECT_EQ(config().model, kNoModelName);
  EXPECT_EQ(entry(0).reported, 1);
  EXPECT_EQ(entry(1000).reported, 1);
}

TEST_F(ReportConfigTest, BadInputNeverBreaksTheReader) {
  EXPECT_EQ(load(""), 0);
  EXPECT_EQ(load("no sections at all\n\"x\"\n"), 0);
  EXPECT_EQ(load(" ----\n abc S M\n 1\n 2 S\n -5 S M\n 99999999999 S M\n"), kReportBadCode);
  const std::string long_line = " \"" + std::string(3000, 'M') + "\"\n";
  EXPECT_EQ(load(long_line + " ----\n 1 S M " + std::string(3000, 'x') + "\n 2 S M y\n"), 0);
  EXPECT_EQ(entry(1).reported, 1);  // the line after the long one still reads
}

// ---- exclusions and header modes -------------------------------------------------------------

TEST_F(ReportConfigTest, ExclusionsFromSectionThreeAndTheExclusionFile) {
  const std::string extra = write_suite_file("excl.dat", "# more\n \"/opt/vendor/lib.h\"\n");
  use_profile("QR_HEADER_EXCLUDES_DAT=" + extra + "\n");
  ASSERT_EQ(load(report_dat("", "", " \"/usr/include\"\n unquoted\n")), 0);
  EXPECT_EQ(config().exclusions, (charlist{"/usr/include", "/opt/vendor/lib.h"}));
  EXPECT_TRUE(is_file_excluded("/usr/include/stdio.h", 2, "/src/main.c"));
  EXPECT_TRUE(is_file_excluded("/OPT/vendor/lib.h", 2, "/src/main.c"));
  EXPECT_FALSE(is_file_excluded("/opt/vendor/other.h", 2, "/src/main.c"));
  EXPECT_FALSE(is_file_excluded("/src/main.h", 2, "/src/main.c"));
}

TEST_F(ReportConfigTest, HeaderModesFromTheProfile) {
  use_profile("STANDARDS_REPORT_HEADERS=source only\n");
  ASSERT_EQ(load(report_dat("", "")), 0);
  EXPECT_EQ(config().header_mode, 'S');
  EXPECT_FALSE(is_file_excluded("/SRC/Main.c", 2, "/src/main.c"));
  EXPECT_TRUE(is_file_excluded("/src/main.h", 2, "/src/main.c"));

  use_profile("QR_SOURCE_NAME_INCLUDE_ONLY=T\n");
  ASSERT_EQ(load(report_dat("", "")), 0);
  EXPECT_EQ(config().header_mode, 'H');
  EXPECT_FALSE(is_file_excluded("/inc/MAIN.h", 2, "/src/main.c"));
  EXPECT_TRUE(is_file_excluded("/inc/util.h", 2, "/src/main.c"));
}

TEST_F(ReportConfigTest, CategoriesAndGroups) {
  EXPECT_EQ(category_title(2, 3), "Informational");
  EXPECT_EQ(category_title(2, 4), "Checking");
  EXPECT_EQ(category_title(2, 0), " ");
  EXPECT_EQ(category_title(2, 5), " ");
  char letter = 0;
  EXPECT_EQ(category_from_letter('I', &letter), 3);
  EXPECT_EQ(category_from_letter('x', &letter), 1);
  EXPECT_EQ(letter, 'M');
  EXPECT_EQ(violation_group('j'), 1);
  EXPECT_EQ(violation_group('U'), 6);
  EXPECT_EQ(violation_group('Z'), 7);
}

// ---- the model table -------------------------------------------------------------------------

TEST(StandardsModels, KnownNamesAndLanguageVariables) {
  ASSERT_EQ(standards_models().size(), 21u);
  EXPECT_EQ(find_standards_model("MISRA"), 0);
  EXPECT_EQ(find_standards_model("AV"), 3);
  EXPECT_EQ(find_standards_model("EADS-C 2"), 7);
  EXPECT_EQ(find_standards_model("MISRA-C:2012"), 20);
  EXPECT_FALSE(is_known_model("eads"));
  EXPECT_FALSE(is_known_model("MISRA-C2"));
  EXPECT_EQ(model_reference_token(1), "MISRA-C2");
  EXPECT_EQ(model_reference_token(12), "CERT");
  EXPECT_EQ(language_variable_name(6, "PENFILE"), "CPPPENFILE");
  EXPECT_EQ(language_variable_name(0, "PENFILE"), "PENFILE");
  EXPECT_EQ(language_variable_name(17, "PENFILE"), "PENFILE");
}

}  // namespace
