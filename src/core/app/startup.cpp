#include "app/startup.h"

#include "app/single_instance.h"
#include "base/file_utils.h"
#include "base/process_info.h"
#include "config/profile.h"
#include "config/settings_store.h"

namespace sorvi {
namespace {

std::string& help_path() {
  static std::string path;
  return path;
}

// The program's directory, "Kelvar" and the help extension.
std::string help_path_for(const std::string& program) {
  size_t slash = program.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
  return dir + "Kelvar.chm";
}

}  // namespace

const std::string& help_file_path() { return help_path(); }

bool startup_before_window(const std::vector<std::string>& args) {
  const std::string program = program_path();
  select_edition(program);
  // File dates read their two profile switches through the profile.
  set_file_date_settings_source({[] { return get_profile_bool("FFTIMEOUT", false, false); },
                                 [] { return get_profile_int("DST_OFFSET", 3600, false, nullptr); }});
  help_path() = help_path_for(program);
  if (get_profile_bool("ONE_SORVI", false, false)) {
    if (hand_over_to_running_instance(args) == HandOver::Forwarded) return false;
  }
  choose_settings_store();
  return true;
}

CSorviCommandLineInfo startup_parse_command_line(const std::vector<std::string>& args) {
  CSorviCommandLineInfo info = parse_command_line(args);
  if (info.shell_command == ShellCommand::FileNew) info.shell_command = ShellCommand::FileNothing;
  info.file_name = escape_double_colons(info.file_name);
  return info;
}

}  // namespace sorvi
