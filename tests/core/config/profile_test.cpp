// The suite profile: locating it, the layered lookup, typed readers, the
// memory copy, writes, and the directory variables.
#include "config/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "support/test_support.h"

namespace {

using namespace sorvi_test;

const std::string kLayered =
    "; the suite's shared profile\n[C/C++ Vexa Kelvar]\nTOOL_SECTION=Tool\nCURRENT_COMPILER=\n"
    "COMPILER_SELECTED=GCC 12\nONLY_MAIN=main\nIN_ALL=main\nEMPTY_IN_TOOL=main\nEMPTY_MARK=<vexa_empty_string>\n"
    "B1=T\nB2=true\nB3=F\nB4=false\nB5=yes\nI1=TRUE\nI2=12abc\nI3=\nI4=-7\nC1=Hello\n"
    "QUOTED=\"quoted value\"\nTWO_QUOTES=\"\"\nONE_QUOTED=\"x\"\n  SPACED   =   padded value  \n"
    "garbage line without equals\n=no key\n"
    "[Tool]\nIN_ALL=tool\nEMPTY_IN_TOOL=\n; comment\nTOOL_KEY=tool\nX = 1\n"
    "[C/C++ GCC 12 Vexa Kelvar]\nIN_ALL=compiler\nEMPTY_IN_TOOL=compiler\nCOMPILER_ONLY=compiler\n";

// Every channel call: channel, code, text.
std::string calls(const ReportCapture& capture) {
  std::string out;
  for (const ReportCall& c : capture.calls()) out += c.channel + std::to_string(c.code) + " " + c.text + "|";
  return out;
}

// What the typed readers answer for each key, "|" after each: s (text, default
// "def"), b (flag with default false, then with default true), i (number,
// default 5), c (character code, default 'z').
std::string lookups(char type, std::initializer_list<const char*> keys) {
  std::string out;
  for (const char* key : keys) {
    if (type == 's') out += sorvi::get_profile_string(key, "def", false, nullptr);
    if (type == 'b') out += std::to_string(sorvi::get_profile_bool(key, false, false));
    if (type == 'b') out += std::to_string(sorvi::get_profile_bool(key, true, false));
    if (type == 'i') out += std::to_string(sorvi::get_profile_int(key, 5, false, nullptr));
    if (type == 'c') out += std::to_string(sorvi::get_profile_char(key, 'z', false, nullptr));
    out += "|";
  }
  return out;
}

TEST(ProfileLookupTest, ToolThenCompilerThenMainSectionAndTypedReaders) {
  ProfileFixture profile(kLayered);
  // An empty value falls through to the next section; the memory copy unquotes values longer than two characters.
  EXPECT_EQ(lookups('s', {"IN_ALL", "COMPILER_ONLY", "only_main", "EMPTY_IN_TOOL", "NOWHERE", "EMPTY_MARK", "SPACED",
                          "QUOTED", "TWO_QUOTES", "ONE_QUOTED"}),
            "tool|compiler|main|compiler|def||padded value|quoted value|\"\"|x|");
  EXPECT_EQ(lookups('b', {"B1", "B2", "B3", "B4", "B5", "MISSING"}), "11|11|00|00|01|01|");
  EXPECT_EQ(lookups('i', {"I1", "I2", "I3", "I4", "B3"}), "1|12|5|-7|0|");
  EXPECT_EQ(lookups('c', {"C1", "MISSING", "EMPTY_MARK"}), "72|122|0|");
  EXPECT_EQ(sorvi::get_profile_string("NOWHERE", nullptr, false, nullptr), nullptr);
}

TEST(ProfileLookupTest, MemoryCopyHidesLaterChangesUntilTurnedOffAndCrLfReadsAlike) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\r\nV=1\r\nB=TRUE\r\nLONG=" + std::string(600, 'a') + "\r\n");
  // Values are cut as the suite's buffers cut them.
  EXPECT_EQ(lookups('i', {"V"}) + lookups('b', {"B"}) + lookups('s', {"LONG"}), "1|11|" + std::string(519, 'a') + "|");
  write_file(profile.profile_path(), "[C/C++ Vexa Kelvar]\nV=2\n");
  EXPECT_EQ(lookups('i', {"V"}), "1|");
  profile.rewrite("[C/C++ Vexa Kelvar]\nLOAD_INI_TO_MEMORY=F\nV=1\n");
  write_file(profile.profile_path(), "[C/C++ Vexa Kelvar]\nLOAD_INI_TO_MEMORY=F\nV=22\n");
  sorvi::reset_profile();  // the file's clock may not have moved
  EXPECT_EQ(lookups('i', {"V"}), "22|");
}

TEST(ProfileLookupTest, MissingMandatoryValuesAndAMissingMainSectionAreReported) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nNOTBOOL=maybe\n");
  ReportCapture capture;
  EXPECT_EQ(sorvi::get_profile_string("WORKDIR", nullptr, true, nullptr), nullptr);
  sorvi::get_profile_path("X", "ignored default", true, "caller's own words");
  EXPECT_TRUE(sorvi::get_profile_bool("NOTBOOL", true, true));
  EXPECT_EQ(sorvi::get_profile_int("NOINT", 3, true, nullptr), 3);
  const std::string in = " is undefined in\n" + profile.profile_path() + "\n|";
  EXPECT_EQ(calls(capture), "B100 Profile variable WORKDIR" + in +
                                "B100 caller's own words|A100 Profile variable NOTBOOL" + in +
                                "A100 Profile variable NOINT" + in);
  // Without the main section (names match with regard to case here) locating reports a restriction block.
  profile.rewrite("[Some Other Section]\nA=1\n[c/c++ vexa kelvar]\nB=2\n");
  capture.clear();
  sorvi::locate_profile("");
  EXPECT_EQ(calls(capture) + capture.lines(),
            "A1 |A2 | Required Section \"[C/C++ Vexa Kelvar]\"\n not found in " + profile.profile_path() +
                "\n \n\n Ensure Kelvar.ini file above exists.\n Windows 7 Users should ensure the KELVAR environment "
                "variable exists.\n");
}

TEST(ProfileLocateTest, WithoutAProfileInKelvarTheProgramDataFolderServes) {
  TempDir empty, programdata;
  ScopedEnv kelvar("KELVAR", empty.path() + "   ");
  ScopedEnv pd("PROGRAMDATA", programdata.path() + "/");
  ReportCapture capture;  // the missing main section is reported
  // No profile in either place: the if-present reader keeps its default.
  sorvi_test::reset_core_state();
  EXPECT_TRUE(sorvi::get_profile_bool_if_present("PRINTDATE", true, false));
  EXPECT_FALSE(sorvi::get_profile_bool_if_present("PRINTDATE", false, false));
  mkdir(programdata.file("Vexa").c_str(), 0700);
  write_file(programdata.file("Vexa/Kelvar.ini"), "[C/C++ Vexa Kelvar]\nFROM=programdata\n");
  sorvi_test::reset_core_state();
  EXPECT_EQ(lookups('s', {"FROM"}), "programdata|");
  EXPECT_EQ(std::string(sorvi::profile_file_path()), programdata.path() + "/Vexa/Kelvar.ini");
  sorvi_test::reset_core_state();
}

TEST(ProfileWriteTest, WritesLandInTheSectionThatHoldsTheKeyAndKeepTheRest) {
  ProfileFixture profile(kLayered);
  // IN_ALL is in every section: the tool section wins.
  ASSERT_TRUE(sorvi::set_profile_string("ONLY_MAIN", "changed") && sorvi::set_profile_bool("TOOL_KEY", false) &&
              sorvi::set_profile_int("COMPILER_ONLY", 42) && sorvi::set_profile_string("IN_ALL", "new") &&
              sorvi::set_profile_string("BRAND_NEW", "fresh"));
  std::string expected = kLayered;
  for (auto [from, to] : {std::pair<std::string, std::string>{"ONLY_MAIN=main\n", "ONLY_MAIN=changed\n"},
                          {"TOOL_KEY=tool\n", "TOOL_KEY=FALSE\n"},
                          {"COMPILER_ONLY=compiler\n", "COMPILER_ONLY=42\n"},
                          {"IN_ALL=tool\n", "IN_ALL=new\n"},
                          {"=no key\n", "=no key\nBRAND_NEW=fresh\n"}}) {
    expected.replace(expected.find(from), from.size(), to);
  }
  EXPECT_EQ(read_file(profile.profile_path()), expected);
  // The memory copy follows the writes; a section reads whole, in file order, without comments.
  EXPECT_EQ(lookups('s', {"ONLY_MAIN", "BRAND_NEW"}) + lookups('b', {"TOOL_KEY"}), "changed|fresh|00|");
  EXPECT_EQ(sorvi::get_profile_section("tool"),
            (std::vector<std::string>{"IN_ALL=new", "EMPTY_IN_TOOL=", "TOOL_KEY=FALSE", "X = 1"}));
}

TEST(ProfileDirectoryTest, SuiteWorkPermanentAndLanguageDirectories) {
  ProfileFixture profile(
      "[C/C++ Vexa Kelvar]\nKELV=/opt/kelvar  \nWORKDIR=/w/./x/../work\n"
      "CTLDIR_OVERRIDE=/over\nTLDIR_OVERRIDE=/zero/\n");
  EXPECT_STREQ(sorvi::suite_file_path("Help/Kelvar.pdf"), "/opt/kelvar/Help/Kelvar.pdf");
  EXPECT_STREQ(sorvi::work_file_path("a.ref"), "/w/work/a.ref");
  EXPECT_STREQ(sorvi::language_data_path("pen.dat", 2), "/over/cpen.dat");
  EXPECT_STREQ(sorvi::language_data_path("report.dat", 0), "/zero/creport.dat");
  // Without PERMDIR: the per-user folder, made when asked for.
  TempDir data;
  ScopedEnv xdg("XDG_DATA_HOME", data.path());
  profile.rewrite("[C/C++ Vexa Kelvar]\n");
  EXPECT_EQ(std::string(sorvi::perm_file_path("Locks")), data.path() + "/Vexa/Toolsuite_C_CPP/9.4.1/Locks");
  EXPECT_TRUE(sorvi_test::file_exists(data.path() + "/Vexa/Toolsuite_C_CPP/9.4.1"));
  // Without KELV: the variable, the command line and the current directory are reported.
  ReportCapture capture;
  sorvi::suite_file_path("x");
  EXPECT_TRUE(
      std::regex_match(capture.lines(), std::regex("Profile variable KELV is undefined in " + profile.profile_path() +
                                                   "\n\nCurrent command line:\n.*\n\nCurrent directory:\n.*/\n\n")))
      << capture.lines();
}

TEST(EditionTest, ProgramNameOrNeighbourToolSelectsTheEdition) {
  TempDir dir;
  write_file(dir.file("birch9.4.1.ini"), "[C/C++ Birch]\nWHO=birch\n");
  ScopedEnv kelvar("KELVAR", dir.path());
  ScopedEnv pd("PROGRAMDATA", dir.file("programdata"));
  ReportCapture capture;  // editions 5 and 1 below have no profile here
  sorvi_test::reset_core_state();
  sorvi::select_edition(dir.file("BirchW.bin"));
  EXPECT_EQ(std::string(sorvi::profile_main_section()) + " " + lookups('s', {"WHO"}), "C/C++ Birch birch|");
  // A tool of edition 5 beside the program selects it; edition 1's main tool comes first.
  std::string dump = std::to_string(sorvi::selected_edition());
  for (const char* neighbour : {"cedar_unit", "alder_kelvar"}) {
    write_file(dir.file(neighbour), "");
    sorvi_test::reset_core_state();
    sorvi::select_edition(dir.file("sorvi"));
    dump += std::to_string(sorvi::selected_edition());
  }
  EXPECT_EQ(dump, "251");
  sorvi_test::reset_core_state();
}

}  // namespace
