// Fonts and colours from the settings store, and the status colour table.
#include <gtest/gtest.h>

#include "config/display_settings.h"
#include "config/settings_store.h"
#include "support/test_support.h"

namespace {

using sorvi_test::ProfileFixture;

class DisplaySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = std::make_unique<sorvi_test::ScopedEnv>("XDG_CONFIG_HOME", profile_.dir().file("config"));
    sorvi_test::reset_core_state();
  }
  ProfileFixture profile_;
  std::unique_ptr<sorvi_test::ScopedEnv> config_;
};

TEST_F(DisplaySettingsTest, PlainSourceFontDefaultsToTenPointCourierNew) {
  sorvi::ViewFont v = sorvi::plain_source_view_font();
  sorvi::CharFormat f = sorvi::font_to_char_format(v.font, v.colour, v.font.Height);
  EXPECT_EQ(f.height_twips, 200);
  EXPECT_EQ(f.face, "Courier New");
  EXPECT_FALSE(f.bold);
  EXPECT_EQ(f.colour, 0u);
  EXPECT_EQ(f.pitch_and_family, 49);
}

TEST_F(DisplaySettingsTest, StoredFontIsReadUnlessDefaultsAreForced) {
  sorvi::FontRecord stored;
  stored.Height = 120;
  stored.Weight = 501;
  stored.Italic = 1;
  stored.FaceName = "DejaVu Sans Mono";
  ASSERT_TRUE(sorvi::write_view_font("Font", stored));
  ASSERT_TRUE(sorvi::write_view_colour("Font", sorvi::pack_colour(1, 2, 3)));
  sorvi::ViewFont v = sorvi::plain_source_view_font();
  EXPECT_EQ(v.font.Height, 120);
  EXPECT_EQ(v.font.FaceName, "DejaVu Sans Mono");
  EXPECT_EQ(v.colour, 1u + 2u * 256 + 3u * 65536);
  sorvi::CharFormat f = sorvi::font_to_char_format(v.font, v.colour, v.font.Height);
  EXPECT_EQ(f.height_twips, 240);
  EXPECT_TRUE(f.bold);
  EXPECT_TRUE(f.italic);

  stored.Weight = 500;
  EXPECT_FALSE(sorvi::font_to_char_format(stored, 0, 100).bold);

  profile_.rewrite("[C/C++ Vexa Kelvar]\nUSE_DEFAULT_FONT=TRUE\nUSE_DEFAULT_COLOUR=TRUE\n");
  sorvi::reset_settings_store();
  v = sorvi::plain_source_view_font();
  EXPECT_EQ(v.font.Height, 100);
  EXPECT_EQ(v.font.FaceName, "Courier New");
  EXPECT_EQ(v.colour, 0u);
  EXPECT_FALSE(sorvi::read_view_font("List View Font", sorvi::FontRecord()).has_value());
  EXPECT_EQ(sorvi::read_view_colour("Font", 0x123456), 0u);
}

TEST_F(DisplaySettingsTest, ListViewColourFallsBackToTheControlsColour) {
  EXPECT_EQ(sorvi::read_view_colour("Tests View Text Colour", 0x00FF00), 0x00FF00u);
  ASSERT_TRUE(sorvi::write_view_colour("Tests View Text Colour", 255));
  EXPECT_EQ(sorvi::read_view_colour("Tests View Text Colour", 0x00FF00), 255u);
}

TEST(StatusColourTest, DefaultsAndEntryFiveFollowingTheText) {
  sorvi::reset_status_colours();
  sorvi::clear_status_colours();
  EXPECT_FALSE(sorvi::status_colour_used(2));
  sorvi::set_default_status_colours(0, 0, 0);
  EXPECT_EQ(sorvi::status_colour(2), sorvi::pack_colour(0, 0, 255));
  EXPECT_EQ(sorvi::status_colour(3), sorvi::pack_colour(255, 0, 0));
  EXPECT_EQ(sorvi::status_colour(7), sorvi::pack_colour(255, 128, 64));
  EXPECT_EQ(sorvi::status_colour(8), sorvi::pack_colour(150, 150, 150));
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(sorvi::status_colour_used(i)) << i;
  EXPECT_FALSE(sorvi::status_colour_used(9));
  sorvi::set_default_status_colours(10, 20, 30);
  EXPECT_EQ(sorvi::status_colour(5), sorvi::pack_colour(10, 20, 30));
  EXPECT_EQ(sorvi::status_colour(1), sorvi::pack_colour(255, 0, 128));
  EXPECT_EQ(sorvi::status_colour(48), 0u);
  sorvi::reset_status_colours();
}

TEST(StatusColourTest, ColourButtonBorderShades) {
  sorvi::PackedColour c = sorvi::pack_colour(30, 200, 0);
  EXPECT_EQ(sorvi::colour_button_light_shade(c), sorvi::pack_colour(150, 255, 120));
  EXPECT_EQ(sorvi::colour_button_dark_shade(c), sorvi::pack_colour(0, 150, 0));
  EXPECT_EQ(sorvi::colour_button_dark_shade(sorvi::pack_colour(51, 50, 49)), sorvi::pack_colour(1, 0, 0));
}

}  // namespace
