// The INI reader and writer behind the profile and the settings store (whose
// files the display settings test checks).
#include "config/ini_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using namespace sorvi_test;

TEST(IniFileTest, FirstMatchWinsAndGarbageIsIgnored) {
  const sorvi::IniDocument doc = sorvi::IniDocument::parse(
      "stray=before any section\n[One]\nkey=first\nKEY=second\n\x01\x02 binary junk\na=b=c\n"
      "[one]\nkey=third\nother=x\n[Two\nk=unterminated header\n");
  std::string dump;
  for (auto [section, key] : {std::pair<const char*, const char*>{"one", "Key"},
                              {"One", "a"},
                              {"One", "other"},
                              {"One", "stray"},
                              {"Two", "k"}}) {
    dump += doc.value(section, key).value_or("-") + "|";
  }
  EXPECT_EQ(dump, "first|b=c|-|-|unterminated header|");
  EXPECT_EQ(doc.section_names(), (std::vector<std::string>{"One", "Two"}));
}

TEST(IniFileTest, WriteReplacesAppendsOrAddsASectionAndCreatesAMissingFile) {
  TempDir dir;
  const std::string path = dir.file("p.ini");
  write_file(path, "; head comment\r\n[A]\r\nx=1\r\n; inner\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(sorvi::ini_write(path, "a", "X", "10"));
  EXPECT_EQ(read_file(path), "; head comment\r\n[A]\r\nX=10\r\n; inner\r\n\r\n[B]\r\ny=2\r\n");
  ASSERT_TRUE(sorvi::ini_write(path, "A", "z", "3"));
  ASSERT_TRUE(sorvi::ini_write(path, "C", "w", "4"));
  EXPECT_EQ(read_file(path), "; head comment\r\n[A]\r\nX=10\r\n; inner\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
  EXPECT_EQ(sorvi::ini_load(path).value("c", "W").value_or("?"), "4");
  ASSERT_TRUE(sorvi::ini_write(dir.file("new.ini"), "S", "k", "v"));
  EXPECT_EQ(read_file(dir.file("new.ini")), "[S]\nk=v\n");
  EXPECT_FALSE(sorvi::ini_write(dir.file("no/such/dir.ini"), "S", "k", "v"));
}

}  // namespace
