#include "config/settings_store.h"

#include <cstdlib>

#include "base/file_utils.h"
#include "config/ini_file.h"
#include "config/profile.h"
#include "config/startup_options.h"

namespace sorvi {
namespace {

std::string& chosen() {
  static std::string path;
  return path;
}

}  // namespace

std::string user_settings_file() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string dir;
  if (xdg && *xdg) {
    dir = xdg;
  } else {
    const char* home = std::getenv("HOME");
    dir = with_trailing_separator(home && *home ? home : "/tmp") + ".config";
  }
  return with_trailing_separator(dir) + "Vexa/Sorvi.ini";
}

void choose_settings_store() {
  chosen() = get_profile_bool("REGISTRY_ENABLED", true, false) ? user_settings_file() : profile_full_path();
}

std::string settings_store_path() {
  if (chosen().empty()) choose_settings_store();
  return chosen();
}

std::string settings_read_string(const std::string& section, const std::string& entry, const std::string& def) {
  auto v = ini_load(settings_store_path()).value(section, entry);
  return v ? *v : def;
}

int settings_read_int(const std::string& section, const std::string& entry, int def) {
  auto v = ini_load(settings_store_path()).value(section, entry);
  if (!v || v->empty()) return def;
  return atoi_like(*v);
}

bool settings_write_string(const std::string& section, const std::string& entry, const std::string& value) {
  const std::string path = settings_store_path();
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) make_directories(path.substr(0, slash));
  return ini_write(path, section, entry, value);
}

bool settings_write_int(const std::string& section, const std::string& entry, int value) {
  return settings_write_string(section, entry, std::to_string(value));
}

void reset_settings_store() { chosen().clear(); }

}  // namespace sorvi
