// The start-up steps that need no window: edition and profile, the help
// file path, the single-instance rule, the settings store, and the parsing
// of the command line into StartupOptions.
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"

namespace sorvi {

// Edition and profile, help file path, single instance, settings store.
// False means stop: the command line went to a running instance.
bool startup_before_window(const std::vector<std::string>& args);

// Parses the command line ("new" with no file becomes "nothing") and escapes
// double colons in the file name.
CSorviCommandLineInfo startup_parse_command_line(const std::vector<std::string>& args);

// The program's help file: its directory, "Kelvar" and the help extension.
const std::string& help_file_path();

}  // namespace sorvi
