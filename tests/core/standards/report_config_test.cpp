#include "standards/report_config.h"

#include <gtest/gtest.h>

#include "standards/standards_models.h"
#include "standards_fixture.h"

namespace {

using namespace sorvi;
using standards_test::pen_line;

// C's catalogue used by every test: entry index i holds standard i + 1 "S",
// except entry 4 ("5 S", code_d 1), entry 5 ("9 Q") and entry 6 ("23 S").
std::string c_pen_dat() {
  std::string content = "7\n";
  for (int i = 1; i <= 4; ++i) content += pen_line(i, i, 'S', "Standard " + std::to_string(i));
  return content + pen_line(5, 5, 'S', "Checked standard", 0, 0, 0, 1) + pen_line(6, 9, 'Q', "Q standard") +
         pen_line(7, 23, 'S', "twenty-three");
}

// A report.dat with every data line led by its filler character.
std::string report_dat(const std::string& models, const std::string& standards, const std::string& exclusions = "") {
  return "# report configuration\n\n" + models + " ----\n" + standards + " 2000\n" + exclusions + " ----\n";
}

const std::string kModels = " \"MISRA-C:2004\"\n \"MISRA-C:2004:M:Required rules\"\n \"CERT\"\n";

class ReportConfigTest : public standards_test::StandardsTest {
 protected:
  // Loads the catalogue and the report configuration afresh: the status, the model ("-": none), the
  // violation group flags, then every entry of the first eight that differs from a fresh one.
  std::string load(const std::string& content, const char* model = nullptr) {
    release_standards_data();
    write_suite_file("c/cpen.dat", c_pen_dat());
    EXPECT_EQ(load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
    write_suite_file("c/creport.dat", content);
    std::string dump = std::to_string(load_report_configuration(nullptr, 2, model, nullptr));
    const ReportConfiguration& c = *report_configuration(2);
    dump += " " + (c.model == kNoModelName ? "-" : c.model) + " ";
    for (int flag : c.group_flags) dump += std::to_string(flag);
    for (const std::string& file : c.exclusions) dump += (&file == &c.exclusions[0] ? " excluded " : " ") + file;
    for (int i = 0; i < 8; ++i) {
      const std::string entry = standards_test::report_dump(2, i);
      if (!entry.empty()) dump += " " + std::to_string(i) + ":" + entry;
    }
    return dump;
  }
};

TEST_F(ReportConfigTest, ReportDatToEntries) {
  sorvi_test::ReportCapture capture;
  const std::pair<std::string, std::string> rows[] = {
      // Without a model every listed standard is reported, in its category.
      {report_dat(kModels, " 1 S M text\n 2 S O text\n"),
       "0 - 00000000 0: rep=1 cat=1M default=1M 1: rep=1 cat=2O default=2O"},
      // Standards missing from the catalogue (or with another letter) are ignored.
      {report_dat("", " 77 S M text\n 1 C M wrong letter\n 1 S M right\n"), "0 - 00000000 0: rep=1 cat=1M default=1M"},
      // The filler character is never data: without it "12" reads as 2.
      {" ----\n12 S M x\n 2000\n", "0 - 00000000 1: rep=1 cat=1M default=1M"},
      // 23 "S" and every "Q" are special; "PDTMCSFVA:" values, scaled to 8 digits, and the unit-test mark.
      {report_dat("", " 23 S M x\n 1 S M \"PDTMCSFVA:00000012345\" Kelrun Requires unit\n"),
       "0 - 00000000 0: rep=1 cat=1M default=1M a=12 b=34500000 unit=1 6: rep=1 cat=1M default=1M special=1"},
      // Codes above 1000 are settings; an unknown one ends the reading with a message.
      {report_dat("", " 1001 5\n 1002 0.5\n 1 S M x\n"), "0 - 00000000 0: rep=1 cat=1M default=1M"},
      {report_dat("", " 1500 S M\n 1 S M x\n"), "104 - 00000000"},
      // Bad lines are skipped, long ones cut; the line after a long one still reads.
      {" ----\n abc S M\n 1\n 2 S\n -5 S M\n 99999999999 S M\n", "104 - 00000000 1: rep=1 cat=1M default=1M"},
      {" \"" + std::string(3000, 'M') + "\"\n ----\n 1 S M " + std::string(3000, 'x') + "\n 2 S M y\n",
       "0 - 00000000 0: rep=1 cat=1M default=1M 1: rep=1 cat=1M default=1M"},
      // Section three lists excluded directories and paths, quoted.
      {report_dat("", "", " \"/usr/include\"\n unquoted\n \"/opt/lib.h\"\n"),
       "0 - 00000000 excluded /usr/include /opt/lib.h"},
  };
  for (const auto& [content, expected] : rows) EXPECT_EQ(load(content), expected) << content.substr(0, 60);
  EXPECT_EQ(load_report_configuration(nullptr, 18, nullptr, nullptr), kReportBadLanguage);
  const std::string unknown_code = "B100 unrecognised code number > 1000 in report.dat|";
  EXPECT_EQ(standards_test::report_calls(capture),
            unknown_code + unknown_code + "B100 Cannot configure Standards for language code \"18\"|");
  // Without report.dat every penalty is reported, silently.
  EXPECT_EQ(load_report_configuration((dir() + "/none.dat").c_str(), 2, "MISRA-C:2004", nullptr), kReportFileNotOpened);
  EXPECT_EQ(report_configuration(2)->model + "|" + standards_test::report_dump(2, 0) + "|" +
                standards_test::report_dump(2, 1000),
            std::string(kNoModelName) + "| rep=1| rep=1");
}

// report.dat text and a model -> the dump: only the standards the model names are reported.
TEST_F(ReportConfigTest, SelectedModels) {
  const std::tuple<std::string, const char*, std::string> rows[] = {
      // The model's annotation gives the rule number and may change the category.
      {report_dat(
           kModels,
           " 1 S O \"MISRA-C:2004:12:C\" \"CERT:EXP30-C\"\n 2 S O \"MISRA-C:2004X\" other\n 3 S I \"MISRA-C:2004\"\n"),
       "MISRA-C2",
       "0 MISRA-C:2004 10000000 0: rep=1 cat=4C default=2O rule=12 \"MISRA-C:2004:12:C\" \"CERT:EXP30-C\" 1: cat=2O "
       "default=2O 2: rep=1 cat=3I default=3I \"MISRA-C:2004\""},
      // A group is flagged when the model names one of its standards or one has code_d set.
      {report_dat(kModels, " 1 S M \"MISRA-C:2004\"\n 5 S M none\n 9 Q M \"MISRA-C:2004:7\"\n"), "MISRA-C:2004",
       "0 MISRA-C:2004 10000001 0: rep=1 cat=1M default=1M \"MISRA-C:2004\" 4: cat=1M default=1M 5: rep=1 cat=1M "
       "default=1M special=1 rule=7 \"MISRA-C:2004:7\""},
      // A model report.dat does not list falls back to none; without the filler the model line's quote is lost.
      {report_dat(" \"CERT\"\n", " 1 S M x\n"), "MISRA-C:2004", "0 - 00000000 0: rep=1 cat=1M default=1M"},
      {"\"MISRA-C:2004\"\n----\n 1 S M \"MISRA-C:2004\"\n 2000\n", "MISRA-C:2004",
       "0 - 00000000 0: rep=1 cat=1M default=1M"},
  };
  for (const auto& [content, model, expected] : rows) EXPECT_EQ(load(content, model), expected) << content;
  load(std::get<0>(rows[0]), "MISRA-C2");  // the model's description titles its category
  EXPECT_EQ(category_title(2, 1) + "|" + category_title(2, 2), "Required rules|Optional");
}

}  // namespace
