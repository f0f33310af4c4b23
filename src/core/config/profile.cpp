#include "config/profile.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <pwd.h>
#include <unistd.h>

#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "base/safe_output.h"
#include "base/process_info.h"
#include "config/ini_file.h"
#include "config/languages.h"

namespace sorvi {
namespace {

const char kFullSuiteSection[] = "C/C++ Vexa Kelvar";
const char kFullSuiteTitle[] = "Vexa Kelvar";
const char kDefaultProfileName[] = "Kelvar.ini";
const char kEmptyMarker[] = "<vexa_empty_string>";
const char kMissingMarker[] = "qqzz_env_failed";
const char kUndefinedMessage[] = "Profile variable %s is undefined in\n%s\n";

struct ProfileState {
  int edition = 0;
  std::string profile_path;
  std::string file_name;
  std::string main_section = kFullSuiteSection;
  std::string title = kFullSuiteTitle;
  std::string current_section;
  std::string per_user_folder = "Toolsuite";
  std::string compiler;
  bool have_suite_dir = false, have_work_dir = false, have_perm_dir = false;
  std::string suite_dir, work_dir, perm_dir;
  std::string start_in;
  // Memory copy: upper-cased section name to its entries in file order.
  std::map<std::string, std::vector<IniEntry>> memory;
  // One result buffer per operation.
  std::string buf_full_path, buf_string, buf_path, buf_suite, buf_work, buf_perm, buf_data;
};

ProfileState& st() {
  static ProfileState s;
  return s;
}

std::string cut(std::string v) {
  if (v.size() > kProfileValueMax) v.resize(kProfileValueMax);
  return v;
}

std::string trim_trailing_blanks(std::string v) {
  while (!v.empty() && v.back() == ' ') v.pop_back();
  return v;
}

std::string format_message(const char* fmt, const std::string& a, const std::string& b) {
  int n = std::snprintf(nullptr, 0, fmt, a.c_str(), b.c_str());
  std::string out(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  std::snprintf(&out[0], out.size(), fmt, a.c_str(), b.c_str());
  out.resize(out.size() - 1);
  return out;
}

void ensure_located() {
  if (st().profile_path.empty() || st().current_section.empty()) locate_profile("");
}

// A read straight from the file, as the platform's INI functions do.
std::string direct_read(const std::string& section, const std::string& key, const std::string& def) {
  const IniDocument& doc = ini_load(profile_full_path());
  auto v = doc.value(section, key);
  return cut(v ? *v : def);
}

const IniEntry* memory_find(const std::string& section, const std::string& key) {
  auto it = st().memory.find(ascii_upper(section));
  if (it == st().memory.end()) return nullptr;
  for (const IniEntry& e : it->second) {
    if (ini_names_equal(e.key, key)) return &e;
  }
  return nullptr;
}

// A read of the suite profile: from the memory copy while it holds anything.
std::string raw_read(const std::string& section, const std::string& key, const std::string& def) {
  if (!st().memory.empty()) {
    const IniEntry* e = memory_find(section, key);
    return cut(e ? e->value : def);
  }
  return direct_read(section, key, def);
}

bool section_holds(const std::string& section, const std::string& key) {
  if (!st().memory.empty()) return memory_find(section, key) != nullptr;
  return ini_load(profile_full_path()).value(section, key).has_value();
}

bool section_exists(const std::string& section) {
  if (!st().memory.empty()) return st().memory.count(ascii_upper(section)) != 0;
  return ini_load(profile_full_path()).find_section(section) != nullptr;
}

std::string tool_section() { return direct_read(st().main_section, "TOOL_SECTION", ""); }

std::string compiler_section() {
  ProfileState& s = st();
  if (s.compiler.empty()) {
    s.compiler = direct_read(s.main_section, "CURRENT_COMPILER", "");
    if (s.compiler.empty()) s.compiler = direct_read(s.main_section, "COMPILER_SELECTED", "");
  }
  if (s.compiler.empty()) return std::string();
  return "C/C++ " + s.compiler + " " + s.title;
}

// The layered lookup: tool section, compiler section, main section.
std::string lookup(const std::string& name, const std::string& def) {
  ensure_located();
  std::string result;
  bool found = false;
  std::string tool = tool_section();
  if (!tool.empty()) {
    result = raw_read(tool, name, "");
    found = !result.empty();
  }
  if (!found) {
    std::string compiler = compiler_section();
    if (!compiler.empty()) {
      result = raw_read(compiler, name, "");
      found = !result.empty();
    }
  }
  if (!found) result = raw_read(st().main_section, name, def);
  if (result == kEmptyMarker) result.clear();
  return result;
}

void build_memory_copy() {
  ProfileState& s = st();
  s.memory.clear();
  const IniDocument& doc = ini_load(profile_full_path());
  for (const std::string& name : doc.section_names()) {
    const IniSection* section = doc.find_section(name);
    std::vector<IniEntry> entries;
    for (const std::string& line : section->raw_lines) {
      size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq);
      while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
      std::string value = line.substr(eq + 1);
      size_t b = value.find_first_not_of(" \t");
      value = b == std::string::npos ? std::string() : value.substr(b);
      entries.push_back(IniEntry{key, ini_unquote(value)});
    }
    s.memory.emplace(ascii_upper(name), std::move(entries));
  }
}

bool is_true_word(const std::string& v) {
  std::string u = ascii_upper(v);
  return u == "TRUE" || u == "T";
}

bool is_false_word(const std::string& v) {
  std::string u = ascii_upper(v);
  return u == "FALSE" || u == "F";
}

void report_undefined(int channel, const char* name, const char* message) {
  std::string text = message ? std::string(message) : format_message(kUndefinedMessage, name, profile_file_path());
  if (channel == 0) {
    channel_a(kReportProblem, text.c_str());
  } else {
    channel_b(kReportProblem, text.c_str());
  }
}

std::string local_data_folder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  std::string h = home && *home ? home : "";
  if (h.empty()) {
    if (const passwd* pw = getpwuid(getuid())) h = pw->pw_dir ? pw->pw_dir : "";
  }
  if (h.empty()) h = "/tmp";
  return with_trailing_separator(h) + ".local/share";
}

// Languages this installation enables, for the per-user folder suffix.
const int kEnabledLanguages[] = {2, 6};

}  // namespace

const std::vector<Edition>& editions() {
  static const std::vector<Edition> table = {
      {1, "Alder"}, {2, "Birch"}, {5, "Cedar"}, {6, "Dogwood"}, {7, "Elm"}, {8, "Fir"},
  };
  return table;
}

std::vector<std::string> edition_executable_names(const Edition& e) {
  std::string base = std::string(e.title);
  for (char& c : base) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return {base, base + "w", base + "c"};
}

std::string edition_main_tool(const Edition& e) { return edition_executable_names(e)[0] + "_kelvar"; }
std::string edition_unit_test_tool(const Edition& e) { return edition_executable_names(e)[0] + "_unit"; }

void select_edition(const std::string& program_path) {
  if (program_path.empty()) return;
  size_t slash = program_path.find_last_of("/\\:");
  std::string dir = slash == std::string::npos ? std::string() : program_path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? program_path : program_path.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  for (char& c : base) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

  auto edition_by_number = [](int n) -> const Edition* {
    for (const Edition& e : editions()) {
      if (e.number == n) return &e;
    }
    return nullptr;
  };
  const Edition* chosen = nullptr;
  for (int n : {1, 2, 6, 7, 5, 8}) {
    const Edition* e = edition_by_number(n);
    for (const std::string& name : edition_executable_names(*e)) {
      if (name == base) chosen = e;
    }
    if (chosen) break;
  }
  if (!chosen) {
    const std::string where = with_trailing_separator(dir.empty() ? "./" : dir);
    const std::pair<int, bool> probes[] = {{1, true}, {2, true}, {5, false}, {6, true}, {7, true}, {8, true}};
    for (const auto& probe : probes) {
      const Edition* e = edition_by_number(probe.first);
      std::string exe = probe.second ? edition_main_tool(*e) : edition_unit_test_tool(*e);
      if (is_regular_file(where + exe)) {
        chosen = e;
        break;
      }
    }
  }
  if (!chosen) return;
  ProfileState& s = st();
  s.edition = chosen->number;
  s.main_section = std::string("C/C++ ") + chosen->title;
  s.title = chosen->title;
  s.per_user_folder = chosen->title;
  std::string file = edition_executable_names(*chosen)[0] + "9.4.1.ini";
  locate_profile(file.c_str());
}

int selected_edition() { return st().edition; }

std::string program_data_folder() {
  const char* pd = std::getenv("PROGRAMDATA");
  if (pd && *pd) return with_trailing_separator(pd);
  return "/etc/";
}

std::string default_profile_directory() { return program_data_folder() + "Vexa/"; }

void locate_profile(const char* file_name) {
  ProfileState& s = st();
  s.file_name = file_name && *file_name ? file_name : kDefaultProfileName;
  const char* kelvar = std::getenv("KELVAR");
  if (kelvar) {
    std::string dir = with_trailing_separator(trim_trailing_blanks(kelvar));
    if (!is_regular_file(dir + s.file_name)) dir = default_profile_directory();
    s.profile_path = cut(dir + s.file_name);
  } else {
    s.profile_path = s.file_name;
  }
  s.current_section = s.main_section;
  s.memory.clear();

  bool found = false;
  for (const std::string& name : ini_load(profile_full_path()).section_names()) {
    found = found || name == s.main_section;
  }
  if (!found) {
    channel_a(kReportOpenRestriction);
    report_printf(" Required Section \"[%s]\"\n", s.main_section.c_str());
    report_printf(" not found in %s\n", profile_full_path());
    report_printf(" \n\n Ensure %s file above exists.\n Windows 7 Users should ensure the KELVAR environment variable exists.\n",
                  s.file_name.c_str());
    channel_a(kReportClose);
    return;
  }
  std::string load = direct_read(s.main_section, "LOAD_INI_TO_MEMORY", "T");
  if (!load.empty() && (load[0] == 't' || load[0] == 'T')) build_memory_copy();
}

const char* profile_file_path() {
  if (st().profile_path.empty()) return kDefaultProfileName;
  return st().profile_path.c_str();
}

const char* profile_full_path() {
  ProfileState& s = st();
  std::string path = s.profile_path.empty() ? kDefaultProfileName : s.profile_path;
  if (path.find_first_of("/\\") == std::string::npos) path = default_profile_directory() + path;
  s.buf_full_path = cut(path);
  return s.buf_full_path.c_str();
}

const char* profile_main_section() { return st().main_section.c_str(); }
const char* product_title() { return st().title.c_str(); }

const char* get_profile_string(const char* name, const char* def, bool mandatory, const char* message) {
  std::string lookup_default = (mandatory || !def) ? kMissingMarker : def;
  std::string v = lookup(name ? name : "", lookup_default);
  if (v == kMissingMarker) {
    if (mandatory) report_undefined(1, name, message);
    return nullptr;
  }
  st().buf_string = v;
  return st().buf_string.c_str();
}

const char* get_profile_path(const char* name, const char* def, bool mandatory, const char* message) {
  const char* v = get_profile_string(name, def, mandatory, message);
  if (!v) return nullptr;
  // A directory holding a control byte is refused for the default.
  if (!is_clean_path(v)) {
    if (!def) return nullptr;
    v = def;
  }
  st().buf_path = cut(with_trailing_separator(trim_trailing_blanks(v)));
  return st().buf_path.c_str();
}

bool get_profile_bool(const char* name, bool def, bool mandatory) {
  std::string v = lookup(name ? name : "", mandatory ? "" : (def ? "TRUE" : "FALSE"));
  if (is_true_word(v)) return true;
  if (is_false_word(v)) return false;
  if (mandatory) report_undefined(0, name, nullptr);
  return def;
}

bool get_profile_bool_if_present(const char* name, bool def, bool force) {
  if (!force) {
    ensure_located();
    if (!is_regular_file(profile_full_path())) return def;
  }
  return get_profile_bool(name, def, false);
}

int get_profile_int(const char* name, int def, bool mandatory, const char* message) {
  std::string v = lookup(name ? name : "", mandatory ? "" : std::to_string(def));
  if (!v.empty()) {
    if (is_true_word(v)) return 1;
    if (is_false_word(v)) return 0;
    return std::atoi(v.c_str());
  }
  if (mandatory) report_undefined(0, name, message);
  return def;
}

char get_profile_char(const char* name, char def, bool mandatory, const char* message) {
  char text[2] = {def, '\0'};
  const char* v = get_profile_string(name, text, mandatory, message);
  if (!v) return def;
  return v[0];
}

bool set_profile_string(const char* name, const char* value) {
  ensure_located();
  if (!name || !*name) return false;
  ProfileState& s = st();
  std::string target = s.main_section;
  std::string compiler = compiler_section();
  if (!compiler.empty() && section_exists(compiler) && section_holds(compiler, name)) target = compiler;
  std::string tool = tool_section();
  if (!tool.empty() && section_exists(tool) && section_holds(tool, name)) target = tool;
  std::string v = value ? value : "";
  bool ok = ini_write(profile_full_path(), target, name, v);
  if (!s.memory.empty()) {
    std::vector<IniEntry>& entries = s.memory[ascii_upper(target)];
    bool replaced = false;
    for (IniEntry& e : entries) {
      if (!replaced && ini_names_equal(e.key, name)) {
        e.value = v;
        replaced = true;
      }
    }
    if (!replaced) entries.push_back(IniEntry{name, v});
  }
  return ok;
}

bool set_profile_int(const char* name, int value) { return set_profile_string(name, std::to_string(value).c_str()); }

bool set_profile_bool(const char* name, bool value) { return set_profile_string(name, value ? "TRUE" : "FALSE"); }

std::vector<std::string> get_profile_section(const char* section) {
  ensure_located();
  const IniSection* s = ini_load(profile_full_path()).find_section(section ? section : "");
  if (!s) return {};
  return s->raw_lines;
}

const char* start_in_directory() {
  ProfileState& s = st();
  if (s.start_in.empty()) {
    s.start_in = current_directory();
    if (s.start_in.empty()) {
      channel_a(kReportOpenRestriction);
      report_printf("Unable to obtain start in directory.\n");
      channel_a(kReportClose);
    }
  }
  return s.start_in.c_str();
}

const char* suite_file_path(const char* relative) {
  ProfileState& s = st();
  if (!s.have_suite_dir) {
    const char* kelv = get_profile_path("KELV", nullptr, false, nullptr);
    if (!kelv) {
      std::string full = profile_full_path();
      std::string command_line = process_command_line();
      std::string start = start_in_directory();
      channel_a(kReportOpenRestriction);
      report_printf("Profile variable KELV is undefined in %s\n", full.c_str());
      report_printf("\nCurrent command line:\n%s\n", command_line.c_str());
      report_printf("\nCurrent directory:\n%s\n\n", start.c_str());
      channel_a(kReportClose);
      s.buf_suite = relative ? relative : "";
      return s.buf_suite.c_str();
    }
    s.suite_dir = kelv;
    s.have_suite_dir = true;
  }
  s.buf_suite = s.suite_dir + (relative ? relative : "");
  return s.buf_suite.c_str();
}

const char* work_file_path(const char* relative) {
  ProfileState& s = st();
  if (!s.have_work_dir) {
    const char* dir = get_profile_path("WORKDIR", nullptr, true, nullptr);
    if (!dir) {
      s.buf_work = relative ? relative : "";
      return s.buf_work.c_str();
    }
    s.work_dir = cut(with_trailing_separator(full_path(dir)));
    s.have_work_dir = true;
  }
  s.buf_work = s.work_dir + (relative ? relative : "");
  return s.buf_work.c_str();
}

void set_work_directory(const char* directory) {
  ProfileState& s = st();
  s.work_dir = cut(with_trailing_separator(full_path(directory ? directory : "")));
  s.have_work_dir = true;
}

const char* perm_file_path(const char* relative) {
  ProfileState& s = st();
  if (!s.have_perm_dir) {
    const char* dir = get_profile_path("PERMDIR", nullptr, false, nullptr);
    if (dir) {
      s.perm_dir = dir;
    } else {
      std::string data = local_data_folder();
      std::string suffix;
      for (int code : kEnabledLanguages) suffix += std::string("_") + language_short_name(code);
      std::string folder = with_trailing_separator(data) + "Vexa/" + s.per_user_folder + ascii_upper(suffix) + "/9.4.1";
      s.perm_dir = with_trailing_separator(make_directories(folder) ? folder : data);
    }
    s.have_perm_dir = true;
  }
  s.buf_perm = s.perm_dir + (relative ? relative : "");
  return s.buf_perm.c_str();
}

const char* language_data_path(const char* file_name, int code) {
  ProfileState& s = st();
  std::string file = file_name ? file_name : "";
  std::string key = language_key_name(code, "TLDIR_OVERRIDE", true, true);
  std::string short_name = language_short_name(code);
  const char* override_dir = get_profile_string(key.c_str(), nullptr, false, nullptr);
  if (override_dir) {
    std::string dir = override_dir;
    s.buf_data = with_trailing_separator(dir) + (code == 0 ? "c" : short_name) + file;
  } else if (code == 0) {
    s.buf_data = std::string(suite_file_path("")) + "c" + file;
  } else {
    s.buf_data = std::string(suite_file_path("")) + short_name + "/" + short_name + file;
  }
  s.buf_data = cut(s.buf_data);
  return s.buf_data.c_str();
}

void reset_profile() {
  st() = ProfileState();
  ini_forget_cache();
}

}  // namespace sorvi
