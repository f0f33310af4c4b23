// Fonts and colours from the settings store, and the legend's button shades.
#include "config/display_settings.h"

#include <gtest/gtest.h>

#include "config/settings_store.h"
#include "support/test_support.h"

namespace {

std::string format_dump(const sorvi::ViewFont& v) {
  const sorvi::CharFormat f = sorvi::font_to_char_format(v.font, v.colour, v.font.Height);
  return std::to_string(f.height_twips) + " " + f.face + (f.bold ? " bold" : "") + (f.italic ? " italic" : "") +
         " colour " + std::to_string(f.colour);
}

// The settings store keeps them in a per-user file, or, with REGISTRY_ENABLED false, in the profile itself.
TEST(DisplaySettingsTest, StoredFontAndColourAreReadUnlessDefaultsAreForced) {
  sorvi_test::ProfileFixture profile;
  sorvi_test::ScopedEnv config("XDG_CONFIG_HOME", profile.dir().file("config"));
  sorvi::FontRecord stored;
  stored.Height = 120;
  stored.Weight = 501;
  stored.Italic = 1;
  stored.FaceName = "DejaVu Sans Mono";
  ASSERT_TRUE(sorvi::write_view_font("Font", stored));
  ASSERT_TRUE(sorvi::write_view_colour("Font", sorvi::pack_colour(1, 2, 3)));
  EXPECT_EQ(format_dump(sorvi::plain_source_view_font()), "240 DejaVu Sans Mono bold italic colour 197121");
  EXPECT_NE(sorvi_test::read_file(profile.dir().file("config/Vexa/Sorvi.ini")).find("[Font]\nHeight=120\n"),
            std::string::npos);
  stored.Weight = 500;  // bold only above 500
  EXPECT_FALSE(sorvi::font_to_char_format(stored, 0, 100).bold);
  // A list view colour not stored falls back to the caller's.
  EXPECT_EQ(sorvi::read_view_colour("Tests View Text Colour", 0x00FF00), 0x00FF00u);

  const std::string forced =
      "[C/C++ Vexa Kelvar]\nUSE_DEFAULT_FONT=TRUE\nUSE_DEFAULT_COLOUR=TRUE\nREGISTRY_ENABLED=F\n";
  profile.rewrite(forced);
  sorvi::reset_settings_store();
  EXPECT_EQ(format_dump(sorvi::plain_source_view_font()), "200 Courier New colour 0");
  EXPECT_FALSE(sorvi::read_view_font("List View Font", sorvi::FontRecord()).has_value());
  ASSERT_TRUE(sorvi::write_view_colour("Tests View Text Colour", 255));
  EXPECT_EQ(sorvi_test::read_file(profile.profile_path()), forced + "[Tests View Text Colour]\nColour=255\n");
  EXPECT_EQ(sorvi::read_view_colour("Tests View Text Colour", 0x123456), 0u);
}

// The border shades of a legend colour button: plus 120 at most 255, minus 50 at least 0 (0 below 1).
TEST(StatusColourTest, ColourButtonBorderShades) {
  const sorvi::PackedColour c = sorvi::pack_colour(30, 200, 0);
  EXPECT_EQ(sorvi::colour_button_light_shade(c), sorvi::pack_colour(150, 255, 120));
  EXPECT_EQ(sorvi::colour_button_dark_shade(c), sorvi::pack_colour(0, 150, 0));
  EXPECT_EQ(sorvi::colour_button_dark_shade(sorvi::pack_colour(51, 50, 49)), sorvi::pack_colour(1, 0, 0));
}

}  // namespace
