// The suite profile: locating it, the layered lookup, typed readers, the
// memory copy, writes, and the directory variables.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/fatal_report.h"
#include "config/languages.h"
#include "config/profile.h"
#include "support/test_support.h"

namespace {

using sorvi_test::ProfileFixture;
using sorvi_test::read_file;
using sorvi_test::ReportCapture;
using sorvi_test::ScopedEnv;
using sorvi_test::TempDir;
using sorvi_test::write_file;

const char kLayered[] =
    "; the suite's shared profile\n"
    "[C/C++ Vexa Kelvar]\n"
    "TOOL_SECTION=Tool\n"
    "CURRENT_COMPILER=\n"
    "COMPILER_SELECTED=GCC 12\n"
    "ONLY_MAIN=main\n"
    "IN_ALL=main\n"
    "EMPTY_IN_TOOL=main\n"
    "EMPTY_MARK=<vexa_empty_string>\n"
    "B1=T\nB2=true\nB3=F\nB4=false\nB5=yes\n"
    "I1=TRUE\nI2=12abc\nI3=\nI4=-7\n"
    "C1=Hello\n"
    "QUOTED=\"quoted value\"\n"
    "TWO_QUOTES=\"\"\n"
    "ONE_QUOTED=\"x\"\n"
    "  SPACED   =   padded value  \n"
    "garbage line without equals\n"
    "=no key\n"
    "[Tool]\n"
    "IN_ALL=tool\n"
    "EMPTY_IN_TOOL=\n"
    "TOOL_KEY=tool\n"
    "[C/C++ GCC 12 Vexa Kelvar]\n"
    "IN_ALL=compiler\n"
    "EMPTY_IN_TOOL=compiler\n"
    "COMPILER_ONLY=compiler\n";

TEST(ProfileLookupTest, ToolThenCompilerThenMainSection) {
  ProfileFixture profile(kLayered);
  EXPECT_STREQ(sorvi::get_profile_string("IN_ALL", "def", false, nullptr), "tool");
  EXPECT_STREQ(sorvi::get_profile_string("COMPILER_ONLY", "def", false, nullptr), "compiler");
  EXPECT_STREQ(sorvi::get_profile_string("ONLY_MAIN", "def", false, nullptr), "main");
  // An empty value in the tool section falls through to the compiler section.
  EXPECT_STREQ(sorvi::get_profile_string("EMPTY_IN_TOOL", "def", false, nullptr), "compiler");
  EXPECT_STREQ(sorvi::get_profile_string("NOWHERE", "def", false, nullptr), "def");
  EXPECT_EQ(sorvi::get_profile_string("NOWHERE", nullptr, false, nullptr), nullptr);
  // Names match without regard to case.
  EXPECT_STREQ(sorvi::get_profile_string("only_main", "def", false, nullptr), "main");
}

TEST(ProfileLookupTest, EmptyMarkerGivesAnEmptyTextInsteadOfTheDefault) {
  ProfileFixture profile(kLayered);
  EXPECT_STREQ(sorvi::get_profile_string("EMPTY_MARK", "def", false, nullptr), "");
}

TEST(ProfileLookupTest, TypedReadersConvertText) {
  ProfileFixture profile(kLayered);
  EXPECT_TRUE(sorvi::get_profile_bool("B1", false, false));
  EXPECT_TRUE(sorvi::get_profile_bool("B2", false, false));
  EXPECT_FALSE(sorvi::get_profile_bool("B3", true, false));
  EXPECT_FALSE(sorvi::get_profile_bool("B4", true, false));
  EXPECT_TRUE(sorvi::get_profile_bool("B5", true, false));
  EXPECT_FALSE(sorvi::get_profile_bool("B5", false, false));
  EXPECT_TRUE(sorvi::get_profile_bool("MISSING", true, false));
  EXPECT_EQ(sorvi::get_profile_int("I1", 5, false, nullptr), 1);
  EXPECT_EQ(sorvi::get_profile_int("I2", 5, false, nullptr), 12);
  EXPECT_EQ(sorvi::get_profile_int("I3", 5, false, nullptr), 5);
  EXPECT_EQ(sorvi::get_profile_int("I4", 5, false, nullptr), -7);
  EXPECT_EQ(sorvi::get_profile_int("B3", 5, false, nullptr), 0);
  EXPECT_EQ(sorvi::get_profile_char("C1", 'z', false, nullptr), 'H');
  EXPECT_EQ(sorvi::get_profile_char("MISSING", 'z', false, nullptr), 'z');
  EXPECT_EQ(sorvi::get_profile_char("EMPTY_MARK", 'z', false, nullptr), '\0');
  EXPECT_STREQ(sorvi::get_profile_string("SPACED", nullptr, false, nullptr), "padded value");
}

TEST(ProfileLookupTest, MemoryCopyUnquotesValuesLongerThanTwoCharacters) {
  ProfileFixture profile(kLayered);
  EXPECT_STREQ(sorvi::get_profile_string("QUOTED", nullptr, false, nullptr), "quoted value");
  EXPECT_STREQ(sorvi::get_profile_string("TWO_QUOTES", nullptr, false, nullptr), "\"\"");
  EXPECT_STREQ(sorvi::get_profile_string("ONE_QUOTED", nullptr, false, nullptr), "x");
}

TEST(ProfileLookupTest, MemoryCopyHidesLaterChangesUntilTurnedOff) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nV=1\n");
  EXPECT_EQ(sorvi::get_profile_int("V", 0, false, nullptr), 1);
  write_file(profile.profile_path(), "[C/C++ Vexa Kelvar]\nV=2\n");
  EXPECT_EQ(sorvi::get_profile_int("V", 0, false, nullptr), 1);

  profile.rewrite("[C/C++ Vexa Kelvar]\nLOAD_INI_TO_MEMORY=F\nV=1\n");
  EXPECT_EQ(sorvi::get_profile_int("V", 0, false, nullptr), 1);
  write_file(profile.profile_path(), "[C/C++ Vexa Kelvar]\nLOAD_INI_TO_MEMORY=F\nV=22\n");
  sorvi::reset_profile();  // the file's clock may not have moved
  EXPECT_EQ(sorvi::get_profile_int("V", 0, false, nullptr), 22);
}

TEST(ProfileLookupTest, OverlongValuesAreCut) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nLONG=" + std::string(2000, 'a') + "\n");
  EXPECT_EQ(std::string(sorvi::get_profile_string("LONG", nullptr, false, nullptr)).size(), 519u);
}

TEST(ProfileLookupTest, CrLfProfilesReadAlike) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\r\nA=one\r\nB=TRUE\r\n");
  EXPECT_STREQ(sorvi::get_profile_string("A", nullptr, false, nullptr), "one");
  EXPECT_TRUE(sorvi::get_profile_bool("B", false, false));
}

TEST(ProfileMandatoryTest, MissingTextGoesToChannelBWithTheDefaultOrCallersMessage) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\n");
  ReportCapture capture;
  EXPECT_EQ(sorvi::get_profile_string("WORKDIR", nullptr, true, nullptr), nullptr);
  ASSERT_EQ(capture.calls().size(), 1u);
  EXPECT_EQ(capture.calls()[0].channel, 'B');
  EXPECT_EQ(capture.calls()[0].code, 100);
  EXPECT_EQ(capture.calls()[0].text, "Profile variable WORKDIR is undefined in\n" + profile.profile_path() + "\n");
  capture.clear();
  sorvi::get_profile_path("X", "ignored default", true, "caller's own words");
  ASSERT_EQ(capture.calls().size(), 1u);
  EXPECT_EQ(capture.calls()[0].text, "caller's own words");
}

TEST(ProfileMandatoryTest, MissingBooleanOrIntegerGoesToChannelA) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nNOTBOOL=maybe\n");
  ReportCapture capture;
  EXPECT_TRUE(sorvi::get_profile_bool("NOTBOOL", true, true));
  EXPECT_EQ(sorvi::get_profile_int("NOINT", 3, true, nullptr), 3);
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].channel, 'A');
  EXPECT_EQ(capture.calls()[0].code, 100);
  EXPECT_EQ(capture.calls()[0].text, "Profile variable NOTBOOL is undefined in\n" + profile.profile_path() + "\n");
  EXPECT_EQ(capture.calls()[1].text, "Profile variable NOINT is undefined in\n" + profile.profile_path() + "\n");
}

TEST(ProfileLocateTest, MissingMainSectionIsReportedAsARestrictionBlock) {
  ProfileFixture profile("[Some Other Section]\nA=1\n[c/c++ vexa kelvar]\nB=2\n");
  ReportCapture capture;
  sorvi::locate_profile("");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 1);
  EXPECT_EQ(capture.calls()[1].code, 2);
  EXPECT_EQ(capture.lines(), " Required Section \"[C/C++ Vexa Kelvar]\"\n not found in " + profile.profile_path() +
                                 "\n \n\n Ensure Kelvar.ini file above exists.\n Windows 7 Users should ensure the "
                                 "KELVAR environment variable exists.\n");
}

TEST(ProfileLocateTest, KelvarWithoutProfileFallsBackToProgramData) {
  TempDir empty, programdata;
  ScopedEnv kelvar("KELVAR", empty.path() + "   ");
  ScopedEnv pd("PROGRAMDATA", programdata.path());
  mkdir(programdata.file("Vexa").c_str(), 0700);
  write_file(programdata.file("Vexa/Kelvar.ini"), "[C/C++ Vexa Kelvar]\nFROM=programdata\n");
  sorvi_test::reset_core_state();
  EXPECT_STREQ(sorvi::get_profile_string("FROM", nullptr, false, nullptr), "programdata");
  EXPECT_EQ(std::string(sorvi::profile_file_path()), programdata.path() + "/Vexa/Kelvar.ini");
  sorvi_test::reset_core_state();
}

TEST(ProfileLocateTest, WithoutKelvarTheBareNameLivesInTheDefaultDirectory) {
  TempDir programdata;
  ScopedEnv kelvar("KELVAR", std::nullopt);
  ScopedEnv pd("PROGRAMDATA", programdata.path() + "/");
  ReportCapture capture;  // no profile there: the missing section is reported
  sorvi_test::reset_core_state();
  sorvi::locate_profile("");
  EXPECT_STREQ(sorvi::profile_file_path(), "Kelvar.ini");
  EXPECT_EQ(std::string(sorvi::profile_full_path()), programdata.path() + "/Vexa/Kelvar.ini");
  EXPECT_NE(capture.lines().find("not found in " + programdata.path() + "/Vexa/Kelvar.ini"), std::string::npos);
  sorvi_test::reset_core_state();
}

TEST(ProfileLocateTest, IfPresentReaderIgnoresAMissingProfileUnlessForced) {
  TempDir programdata;
  ScopedEnv kelvar("KELVAR", std::nullopt);
  ScopedEnv pd("PROGRAMDATA", programdata.path());
  ReportCapture capture;
  sorvi_test::reset_core_state();
  EXPECT_TRUE(sorvi::get_profile_bool_if_present("PRINTDATE", true, false));
  EXPECT_FALSE(sorvi::get_profile_bool_if_present("PRINTDATE", false, false));
  sorvi_test::reset_core_state();
}

TEST(ProfileWriteTest, WritesLandInTheSectionThatHoldsTheKeyAndKeepTheRest) {
  ProfileFixture profile(kLayered);
  ASSERT_TRUE(sorvi::set_profile_string("ONLY_MAIN", "changed"));
  ASSERT_TRUE(sorvi::set_profile_bool("TOOL_KEY", false));
  ASSERT_TRUE(sorvi::set_profile_int("COMPILER_ONLY", 42));
  ASSERT_TRUE(sorvi::set_profile_string("BRAND_NEW", "fresh"));
  std::string expected = kLayered;
  auto replace = [&](const std::string& from, const std::string& to) {
    size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  replace("ONLY_MAIN=main\n", "ONLY_MAIN=changed\n");
  replace("TOOL_KEY=tool\n", "TOOL_KEY=FALSE\n");
  replace("COMPILER_ONLY=compiler\n", "COMPILER_ONLY=42\n");
  replace("=no key\n", "=no key\nBRAND_NEW=fresh\n");
  EXPECT_EQ(read_file(profile.profile_path()), expected);
  // The memory copy follows the writes.
  EXPECT_STREQ(sorvi::get_profile_string("ONLY_MAIN", nullptr, false, nullptr), "changed");
  EXPECT_FALSE(sorvi::get_profile_bool("TOOL_KEY", true, false));
  EXPECT_STREQ(sorvi::get_profile_string("BRAND_NEW", nullptr, false, nullptr), "fresh");
}

TEST(ProfileWriteTest, ToolSectionWinsOverCompilerSection) {
  ProfileFixture profile(kLayered);
  ASSERT_TRUE(sorvi::set_profile_string("IN_ALL", "new"));
  std::string text = read_file(profile.profile_path());
  EXPECT_NE(text.find("[Tool]\nIN_ALL=new\n"), std::string::npos);
  EXPECT_NE(text.find("IN_ALL=main\n"), std::string::npos);
  EXPECT_NE(text.find("IN_ALL=compiler\n"), std::string::npos);
}

TEST(ProfileSectionTest, WholeSectionInFileOrder) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nA=1\n[Extra]\nX = 1\n; comment\nY=two\n");
  EXPECT_EQ(sorvi::get_profile_section("extra"), (std::vector<std::string>{"X = 1", "Y=two"}));
  EXPECT_TRUE(sorvi::get_profile_section("Nope").empty());
}

TEST(ProfileDirectoryTest, SuiteWorkAndPermanentDirectories) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nKELV=/opt/kelvar  \nWORKDIR=/w/./x/../work\nPERMDIR=/perm/\n");
  EXPECT_STREQ(sorvi::suite_file_path("Help/Kelvar.pdf"), "/opt/kelvar/Help/Kelvar.pdf");
  EXPECT_STREQ(sorvi::work_file_path("a.ref"), "/w/work/a.ref");
  EXPECT_STREQ(sorvi::perm_file_path("Locks"), "/perm/Locks");
  EXPECT_STREQ(sorvi::language_data_path("pen.dat", 6), "/opt/kelvar/cpp/cpppen.dat");
  EXPECT_STREQ(sorvi::language_data_path("pen.dat", 0), "/opt/kelvar/cpen.dat");
}

TEST(ProfileDirectoryTest, LanguageDataOverride) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\nKELV=/opt/kelvar\nCTLDIR_OVERRIDE=/over\nTLDIR_OVERRIDE=/zero/\n");
  EXPECT_STREQ(sorvi::language_data_path("pen.dat", 2), "/over/cpen.dat");
  EXPECT_STREQ(sorvi::language_data_path("report.dat", 0), "/zero/creport.dat");
  EXPECT_STREQ(sorvi::language_data_path("pen.dat", 6), "/opt/kelvar/cpp/cpppen.dat");
}

TEST(ProfileDirectoryTest, MissingKelvIsReportedWithCommandLineAndDirectory) {
  ProfileFixture profile("[C/C++ Vexa Kelvar]\n");
  ReportCapture capture;
  sorvi::suite_file_path("x");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 1);
  EXPECT_EQ(capture.calls()[1].code, 2);
  const std::string& lines = capture.lines();
  EXPECT_EQ(lines.rfind("Profile variable KELV is undefined in " + profile.profile_path() + "\n\nCurrent command line:\n", 0),
            0u);
  EXPECT_NE(lines.find("\n\nCurrent directory:\n"), std::string::npos);
  EXPECT_EQ(lines.substr(lines.size() - 3), "/\n\n");
}

TEST(ProfileDirectoryTest, PermanentDirectoryDefaultsToThePerUserFolder) {
  TempDir data;
  ScopedEnv xdg("XDG_DATA_HOME", data.path());
  ProfileFixture profile("[C/C++ Vexa Kelvar]\n");
  EXPECT_EQ(std::string(sorvi::perm_file_path("Locks")), data.path() + "/Vexa/Toolsuite_C_CPP/9.4.1/Locks");
  EXPECT_TRUE(sorvi_test::file_exists(data.path() + "/Vexa/Toolsuite_C_CPP/9.4.1"));
}

TEST(LanguageTest, KeyNamesAndNames) {
  EXPECT_EQ(sorvi::language_key_name(2, "TLDIR_OVERRIDE", true, true), "CTLDIR_OVERRIDE");
  EXPECT_EQ(sorvi::language_key_name(6, "PENFILE_", false, false), "PENFILE_cpp");
  EXPECT_EQ(sorvi::language_key_name(0, "penfile", true, false), "PENFILE");
  EXPECT_EQ(sorvi::language_key_name(17, "penfile", true, false), "PENFILE");
  EXPECT_EQ(sorvi::language_key_name(18, "penfile", true, false), "penfile");
  EXPECT_EQ(sorvi::language_key_name(-1, "penfile", true, false), "penfile");
  EXPECT_STREQ(sorvi::language_name(6), "C++");
  EXPECT_STREQ(sorvi::language_name(16), "C#");
  EXPECT_STREQ(sorvi::language_name(17), "");
  EXPECT_STREQ(sorvi::language_short_name(10), "");
}

TEST(EditionTest, ProgramNameOrNeighbourToolSelectsTheEdition) {
  TempDir dir;
  write_file(dir.file("birch9.4.1.ini"), "[C/C++ Birch]\nWHO=birch\n");
  write_file(dir.file("Kelvar.ini"), "[C/C++ Vexa Kelvar]\nWHO=full\n");
  ScopedEnv kelvar("KELVAR", dir.path());
  ScopedEnv pd("PROGRAMDATA", dir.file("programdata"));
  ReportCapture capture;  // editions 5 and 1 below have no profile here
  sorvi_test::reset_core_state();
  sorvi::select_edition(dir.file("BirchW.bin"));
  EXPECT_EQ(sorvi::selected_edition(), 2);
  EXPECT_STREQ(sorvi::profile_main_section(), "C/C++ Birch");
  EXPECT_STREQ(sorvi::product_title(), "Birch");
  EXPECT_STREQ(sorvi::get_profile_string("WHO", nullptr, false, nullptr), "birch");

  sorvi_test::reset_core_state();
  sorvi::select_edition(dir.file("sorvi"));
  EXPECT_EQ(sorvi::selected_edition(), 0);
  EXPECT_STREQ(sorvi::get_profile_string("WHO", nullptr, false, nullptr), "full");

  // A tool of edition 5 beside the program selects it; edition 1's main tool comes first.
  write_file(dir.file("cedar_unit"), "");
  sorvi_test::reset_core_state();
  sorvi::select_edition(dir.file("sorvi"));
  EXPECT_EQ(sorvi::selected_edition(), 5);
  write_file(dir.file("alder_kelvar"), "");
  sorvi_test::reset_core_state();
  sorvi::select_edition(dir.file("sorvi"));
  EXPECT_EQ(sorvi::selected_edition(), 1);
  sorvi_test::reset_core_state();
}

}  // namespace
