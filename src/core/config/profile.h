// The suite profile: the shared INI file found through KELVAR, its layered
// lookup (tool section, compiler section, main section), typed readers,
// writes, and the suite, work and permanent directories.
//
// Text results live in per-operation buffers: the next call of the same
// operation overwrites them, so callers copy what they keep. Everything runs
// on the user-interface thread.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

// Values longer than this are cut, as the suite's 520-byte buffers cut them.
constexpr size_t kProfileValueMax = 519;

// An edition of the suite: its number and title.
struct Edition {
  int number;
  const char* title;
};
// The six editions, in table order (1, 2, 5, 6, 7, 8).
const std::vector<Edition>& editions();
// The executable base names of an edition (main, GUI and console variants),
// and its executables of the suite's main tool and unit-test tool.
std::vector<std::string> edition_executable_names(const Edition& e);
std::string edition_main_tool(const Edition& e);
std::string edition_unit_test_tool(const Edition& e);

// Chooses the edition from the program's own path; run once at start-up.
void select_edition(const std::string& program_path);
// The selected edition's number, 0 for the full suite.
int selected_edition();

// Sets the profile path for the file name (empty: "Kelvar.ini"), checks the
// main section (a fatal report when it is missing) and builds the memory copy.
void locate_profile(const char* file_name);

const char* profile_file_path();
const char* profile_full_path();
const char* profile_main_section();
const char* product_title();

// The ProgramData folder with a trailing "/": $PROGRAMDATA or /etc/.
std::string program_data_folder();
// Where a bare profile file name lives: the ProgramData folder + "Vexa/".
std::string default_profile_directory();

const char* get_profile_string(const char* name, const char* def, bool mandatory, const char* message);
const char* get_profile_path(const char* name, const char* def, bool mandatory, const char* message);
bool get_profile_bool(const char* name, bool def, bool mandatory);
bool get_profile_bool_if_present(const char* name, bool def, bool force);
int get_profile_int(const char* name, int def, bool mandatory, const char* message);
char get_profile_char(const char* name, char def, bool mandatory, const char* message);

bool set_profile_string(const char* name, const char* value);
bool set_profile_int(const char* name, int value);
bool set_profile_bool(const char* name, bool value);

// The whole section as "key=value" texts in file order; empty when the
// section does not exist or has no entries.
std::vector<std::string> get_profile_section(const char* section);

const char* suite_file_path(const char* relative);
const char* work_file_path(const char* relative);
// Makes `directory` the work directory that work_file_path answers with
// from now on, in place of WORKDIR (the annotation generator moves it to the
// directory of the file it shows). Made a full path with a trailing "/".
void set_work_directory(const char* directory);
const char* perm_file_path(const char* relative);

// The path of a language's data file in the suite ("cpp/cpppen.dat").
const char* language_data_path(const char* file_name, int code);

// The current directory when first asked, with a trailing "/".
const char* start_in_directory();

// Forgets everything: located profile, caches, edition, memory copy.
void reset_profile();

}  // namespace sorvi
