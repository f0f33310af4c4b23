// Where Sorvi keeps its per-user settings (recent files, window placement,
// fonts and colours): a per-user INI file, $XDG_CONFIG_HOME/Vexa/Sorvi.ini,
// or, when "REGISTRY_ENABLED" is false, the suite profile file itself. Batch
// mode and the program's windows read and write the same store.
#pragma once

#include <string>

namespace sorvi {

// Decides the store from "REGISTRY_ENABLED"; done once at start-up.
void choose_settings_store();
// The store's file (choosing it first when nobody has yet).
std::string settings_store_path();
// The per-user file: $XDG_CONFIG_HOME/Vexa/Sorvi.ini or ~/.config/Vexa/Sorvi.ini.
std::string user_settings_file();

std::string settings_read_string(const std::string& section, const std::string& entry, const std::string& def);
int settings_read_int(const std::string& section, const std::string& entry, int def);
bool settings_write_string(const std::string& section, const std::string& entry, const std::string& value);
bool settings_write_int(const std::string& section, const std::string& entry, int value);

void reset_settings_store();

}  // namespace sorvi
