// The command line as the framework sees it: option words go to the option
// parser, the first plain argument is the file to open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvi {

enum class ShellCommand { FileNew, FileOpen, FileNothing };

class CSorviCommandLineInfo {
 public:
  // One argument, the switch character removed when is_flag is true.
  void ParseParam(const std::string& param, bool is_flag, bool is_last);

  std::string file_name;
  ShellCommand shell_command = ShellCommand::FileNew;
};

// An argument split into its flag state and text. An argument that begins
// with '-' is always an option word. One that begins with '/' is an option
// word only when it names no existing file or directory and the option
// table recognises the word; otherwise it is a file name.
struct ClassifiedArgument {
  bool is_flag;
  std::string text;  // switch character removed for a flag
};
ClassifiedArgument classify_argument(const std::string& arg);

// Parses the arguments after the program name (args[0] is the program) the
// way start-up does, updating the program's StartupOptions.
CSorviCommandLineInfo parse_command_line(const std::vector<std::string>& args);

// Replaces each pair of consecutive colons, left to right, by two carets;
// the result is cut to 259 characters.
std::string escape_double_colons(const std::string& name);
// The reverse: each pair of carets becomes a pair of colons.
std::string unescape_double_carets(const std::string& name);

// The forwarded command line of a second instance: the argument count
// (program name included) as a 32-bit little-endian integer, then each
// argument after the program name followed by a NUL byte.
std::vector<uint8_t> build_forwarded_command_line(const std::vector<std::string>& args);
// Splits a payload back into arguments (a placeholder program name first).
// False when the payload is shorter than its count says or the count is
// not positive; whatever arrived intact is still returned.
bool split_forwarded_command_line(const std::vector<uint8_t>& payload, std::vector<std::string>* args);

// The receiving side: parses the forwarded options into StartupOptions and
// gives back the file name (empty when none came).
std::string receive_forwarded_command_line(const std::vector<uint8_t>& payload);

}  // namespace sorvi
