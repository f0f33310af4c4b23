// The INI reader and writer behind the profile and the settings store.
#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "config/settings_store.h"
#include "support/test_support.h"

namespace {

using sorvi::IniDocument;
using sorvi_test::read_file;
using sorvi_test::TempDir;
using sorvi_test::write_file;

TEST(IniFileTest, FirstMatchWinsAndGarbageIsIgnored) {
  IniDocument doc = IniDocument::parse(
      "stray=before any section\n"
      "[One]\n"
      "key=first\n"
      "KEY=second\n"
      "\x01\x02 binary junk\n"
      "a=b=c\n"
      "[one]\n"
      "key=third\n"
      "other=x\n"
      "[Two\n"
      "k=unterminated header\n");
  EXPECT_EQ(doc.value("one", "Key").value_or("?"), "first");
  EXPECT_EQ(doc.value("One", "a").value_or("?"), "b=c");
  EXPECT_FALSE(doc.value("One", "other").has_value());
  EXPECT_FALSE(doc.value("One", "stray").has_value());
  EXPECT_EQ(doc.value("Two", "k").value_or("?"), "unterminated header");
  EXPECT_EQ(doc.section_names(), (std::vector<std::string>{"One", "Two"}));
}

TEST(IniFileTest, WriteReplacesAppendsOrAddsASection) {
  TempDir dir;
  const std::string path = dir.file("p.ini");
  write_file(path, "; head comment\r\n[A]\r\nx=1\r\n; inner\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(sorvi::ini_write(path, "a", "X", "10"));
  EXPECT_EQ(read_file(path), "; head comment\r\n[A]\r\nX=10\r\n; inner\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(sorvi::ini_write(path, "A", "z", "3"));
  EXPECT_EQ(read_file(path), "; head comment\r\n[A]\r\nX=10\r\n; inner\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(sorvi::ini_write(path, "C", "w", "4"));
  EXPECT_EQ(read_file(path), "; head comment\r\n[A]\r\nX=10\r\n; inner\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
  EXPECT_EQ(sorvi::ini_load(path).value("c", "W").value_or("?"), "4");
}

TEST(IniFileTest, WriteCreatesAMissingFileButNotAMissingDirectory) {
  TempDir dir;
  ASSERT_TRUE(sorvi::ini_write(dir.file("new.ini"), "S", "k", "v"));
  EXPECT_EQ(read_file(dir.file("new.ini")), "[S]\nk=v\n");
  EXPECT_FALSE(sorvi::ini_write(dir.file("no/such/dir.ini"), "S", "k", "v"));
}

TEST(SettingsStoreTest, PerUserFileOrTheProfileItself) {
  TempDir config;
  sorvi_test::ScopedEnv xdg("XDG_CONFIG_HOME", config.path());
  sorvi_test::ProfileFixture profile;
  EXPECT_EQ(sorvi::settings_store_path(), config.path() + "/Vexa/Sorvi.ini");
  ASSERT_TRUE(sorvi::settings_write_int("Font", "Height", 120));
  EXPECT_EQ(sorvi::settings_read_int("Font", "Height", 100), 120);
  EXPECT_EQ(read_file(config.path() + "/Vexa/Sorvi.ini"), "[Font]\nHeight=120\n");

  profile.rewrite("[C/C++ Vexa Kelvar]\nREGISTRY_ENABLED=F\n");
  sorvi::reset_settings_store();
  EXPECT_EQ(sorvi::settings_store_path(), profile.profile_path());
  EXPECT_EQ(sorvi::settings_read_int("Font", "Height", 100), 100);
  ASSERT_TRUE(sorvi::settings_write_string("Font", "FaceName", "Courier New"));
  EXPECT_EQ(read_file(profile.profile_path()),
            "[C/C++ Vexa Kelvar]\nREGISTRY_ENABLED=F\n[Font]\nFaceName=Courier New\n");
}

}  // namespace
