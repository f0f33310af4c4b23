#include "app/startup.h"

#include "app/single_instance.h"
#include "base/file_utils.h"
#include "base/process_info.h"
#include "config/profile.h"
#include "config/settings_store.h"

namespace sorvi {

bool startup_before_window(const std::vector<std::string>& args) {
  const std::string program = program_path();
  select_edition(program);
  // File dates read their two profile switches through the profile.
  set_file_date_settings_source({[] { return get_profile_bool("FFTIMEOUT", false, false); },
                                 [] { return get_profile_int("DST_OFFSET", 3600, false, nullptr); }});
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
