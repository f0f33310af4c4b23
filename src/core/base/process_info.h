// What the process knows of how it was started: its arguments, joined for
// reports, and its own path.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

void set_process_arguments(int argc, const char* const* argv);
const std::vector<std::string>& process_arguments();
// The arguments, program name first, joined by single blanks.
std::string process_command_line();
// The program's own absolute path ("/proc/self/exe"), or argv[0].
std::string program_path();

}  // namespace sorvi
