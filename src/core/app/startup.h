// The start-up steps that need no window: edition and profile, the
// single-instance rule, the settings store, and the parsing of the command
// line into StartupOptions. (The help commands find the help file in the
// suite directory when they are used.)
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"

namespace sorvi {

// Edition and profile, single instance, settings store.
// False means stop: the command line went to a running instance.
bool startup_before_window(const std::vector<std::string>& args);

// Parses the command line ("new" with no file becomes "nothing") and escapes
// double colons in the file name.
CSorviCommandLineInfo startup_parse_command_line(const std::vector<std::string>& args);

}  // namespace sorvi
