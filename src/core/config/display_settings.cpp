#include "config/display_settings.h"

#include "config/profile.h"
#include "config/settings_store.h"

namespace sorvi {
namespace {

struct StatusEntry {
  bool used = false;
  PackedColour colour = 0;
};

struct StatusTable {
  StatusEntry entries[kStatusColourCount];
  bool defaults_set = false;
};

StatusTable& table() {
  static StatusTable t;
  return t;
}

// The record's integer entries with their stored names, in stored order.
struct IntField {
  const char* name;
  int FontRecord::*field;
};
const IntField kIntFields[] = {
    {"Height", &FontRecord::Height},
    {"Width", &FontRecord::Width},
    {"Escapement", &FontRecord::Escapement},
    {"Orientation", &FontRecord::Orientation},
    {"Weight", &FontRecord::Weight},
    {"Italic", &FontRecord::Italic},
    {"Underline", &FontRecord::Underline},
    {"StrikeOut", &FontRecord::StrikeOut},
    {"CharSet", &FontRecord::CharSet},
    {"OutPrecision", &FontRecord::OutPrecision},
    {"ClipPrecision", &FontRecord::ClipPrecision},
    {"Quality", &FontRecord::Quality},
    {"PitchAndFamily", &FontRecord::PitchAndFamily},
};

int clamp_component(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

PackedColour pack_colour(int red, int green, int blue) {
  return static_cast<PackedColour>(clamp_component(red)) | static_cast<PackedColour>(clamp_component(green)) << 8 |
         static_cast<PackedColour>(clamp_component(blue)) << 16;
}
int colour_red(PackedColour c) { return static_cast<int>(c & 0xFF); }
int colour_green(PackedColour c) { return static_cast<int>((c >> 8) & 0xFF); }
int colour_blue(PackedColour c) { return static_cast<int>((c >> 16) & 0xFF); }

std::optional<FontRecord> read_view_font(const std::string& section, const FontRecord& defaults) {
  if (get_profile_bool("USE_DEFAULT_FONT", false, false)) return std::nullopt;
  FontRecord font = defaults;
  for (const IntField& f : kIntFields) font.*f.field = settings_read_int(section, f.name, defaults.*f.field);
  font.FaceName = settings_read_string(section, "FaceName", defaults.FaceName);
  return font;
}

PackedColour read_view_colour(const std::string& section, PackedColour def) {
  if (get_profile_bool("USE_DEFAULT_COLOUR", false, false)) return 0;
  return static_cast<PackedColour>(settings_read_int(section, "Colour", static_cast<int>(def))) & 0xFFFFFF;
}

bool write_view_font(const std::string& section, const FontRecord& font) {
  bool ok = true;
  for (const IntField& f : kIntFields) ok = settings_write_int(section, f.name, font.*f.field) && ok;
  return settings_write_string(section, "FaceName", font.FaceName) && ok;
}

bool write_view_colour(const std::string& section, PackedColour colour) {
  return settings_write_int(section, "Colour", static_cast<int>(colour));
}

CharFormat font_to_char_format(const FontRecord& font, PackedColour colour, int height) {
  CharFormat f;
  f.height_twips = 2 * height;
  f.colour = colour;
  f.face = font.FaceName;
  f.bold = font.Weight > 500;
  f.italic = font.Italic != 0;
  f.underline = font.Underline != 0;
  f.strike_out = font.StrikeOut != 0;
  f.char_set = font.CharSet;
  f.pitch_and_family = font.PitchAndFamily;
  return f;
}

ViewFont plain_source_view_font() {
  ViewFont v;
  if (auto stored = read_view_font("Font", FontRecord())) {
    v.font = *stored;
    v.colour = static_cast<PackedColour>(settings_read_int("Font", "Colour", 0)) & 0xFFFFFF;
  }
  return v;
}

void clear_status_colours() {
  for (StatusEntry& e : table().entries) e = StatusEntry();
}

void set_default_status_colours(int red, int green, int blue) {
  StatusTable& t = table();
  if (!t.defaults_set) {
    const int defaults[9][3] = {{0, 0, 0},   {255, 0, 128}, {0, 0, 255},     {255, 0, 0},   {0, 128, 0},
                                {0, 0, 0},   {200, 0, 200}, {255, 128, 64}, {150, 150, 150}};
    for (int i = 0; i < 9; ++i) {
      if (i == 5) continue;
      t.entries[i] = StatusEntry{true, pack_colour(defaults[i][0], defaults[i][1], defaults[i][2])};
    }
    t.defaults_set = true;
  }
  t.entries[5] = StatusEntry{true, pack_colour(red, green, blue)};
}

PackedColour status_colour(int code) {
  if (code < 0 || code >= kStatusColourCount) return 0;
  return table().entries[code].colour;
}

bool status_colour_used(int code) { return code >= 0 && code < kStatusColourCount && table().entries[code].used; }

void reset_status_colours() { table() = StatusTable(); }

PackedColour colour_button_light_shade(PackedColour c) {
  return pack_colour(colour_red(c) + 120, colour_green(c) + 120, colour_blue(c) + 120);
}

PackedColour colour_button_dark_shade(PackedColour c) {
  auto dark = [](int v) { return v - 50 < 1 ? 0 : v - 50; };
  return pack_colour(dark(colour_red(c)), dark(colour_green(c)), dark(colour_blue(c)));
}

}  // namespace sorvi
