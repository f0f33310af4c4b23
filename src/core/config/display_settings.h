// Fonts and text colours the user keeps per view kind, and the status
// colour table that colours each coverage status alike in the legend, the
// annotated text and the rich-text output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sorvi {

// The stored font record: the fields of a logical font, in stored order.
struct FontRecord {
  int Height = 100;  // tenths of a point for the plain source view
  int Width = 0;
  int Escapement = 0;
  int Orientation = 0;
  int Weight = 400;
  int Italic = 0;
  int Underline = 0;
  int StrikeOut = 0;
  int CharSet = 0;
  int OutPrecision = 3;
  int ClipPrecision = 2;
  int Quality = 1;
  int PitchAndFamily = 49;  // fixed pitch, modern family
  std::string FaceName = "Courier New";
};

// A colour packed as red + 256 * green + 65536 * blue.
using PackedColour = uint32_t;
PackedColour pack_colour(int red, int green, int blue);
int colour_red(PackedColour c);
int colour_green(PackedColour c);
int colour_blue(PackedColour c);

// None when "USE_DEFAULT_FONT" is true; otherwise every entry of the
// section, each falling back to the given defaults.
std::optional<FontRecord> read_view_font(const std::string& section, const FontRecord& defaults);
// 0 (black) when "USE_DEFAULT_COLOUR" is true, else "Colour" of the section.
PackedColour read_view_colour(const std::string& section, PackedColour def);
bool write_view_font(const std::string& section, const FontRecord& font);
bool write_view_colour(const std::string& section, PackedColour colour);

// A rich-text character format, as the writer and the views use it.
struct CharFormat {
  int height_twips = 200;
  PackedColour colour = 0;
  std::string face = "Courier New";
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  int char_set = 0;
  int pitch_and_family = 49;
};
// Height in twips is twice the height passed; bold above weight 500.
CharFormat font_to_char_format(const FontRecord& font, PackedColour colour, int height);

// The plain source view's font and colour: the defaults and colour 0, or,
// unless "USE_DEFAULT_FONT" is true, the "Font" section and its "Colour".
struct ViewFont {
  FontRecord font;
  PackedColour colour = 0;
};
ViewFont plain_source_view_font();

// Status colour table: 48 entries of a used flag and a colour.
constexpr int kStatusColourCount = 48;
void clear_status_colours();
// Entry 5 becomes the colour; the first call in the process also sets the
// default colours of entries 0 to 4 and 6 to 8.
void set_default_status_colours(int red, int green, int blue);
PackedColour status_colour(int code);
bool status_colour_used(int code);
void reset_status_colours();

// The 3D border shades of a legend colour button: each component plus 120
// (at most 255) on the light side, minus 50 (0 below 1) on the dark side.
PackedColour colour_button_light_shade(PackedColour c);
PackedColour colour_button_dark_shade(PackedColour c);

}  // namespace sorvi
