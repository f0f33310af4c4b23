#include "app/command_line.h"

#include "base/file_utils.h"
#include "config/startup_options.h"

namespace sorvi {

void CSorviCommandLineInfo::ParseParam(const std::string& param, bool is_flag, bool is_last) {
  bool recognised = is_flag && ParseOptionWord(param);
  if (recognised && !is_last) return;
  // The framework's handling: the first plain argument is the file name;
  // its own switches (print, DDE, automation, registration) are ignored.
  if (!is_flag && file_name.empty()) file_name = param;
  if (is_last && shell_command == ShellCommand::FileNew && !file_name.empty()) {
    shell_command = ShellCommand::FileOpen;
  }
}

ClassifiedArgument classify_argument(const std::string& arg) {
  if (!arg.empty() && arg[0] == '-') return {true, arg.substr(1)};
  if (!arg.empty() && arg[0] == '/') {
    bool names_something = is_regular_file(arg) || is_directory(arg);
    if (!names_something && IsOptionWord(arg.substr(1))) return {true, arg.substr(1)};
  }
  return {false, arg};
}

CSorviCommandLineInfo parse_command_line(const std::vector<std::string>& args) {
  CSorviCommandLineInfo info;
  for (size_t i = 1; i < args.size(); ++i) {
    ClassifiedArgument a = classify_argument(args[i]);
    info.ParseParam(a.text, a.is_flag, i + 1 == args.size());
  }
  return info;
}

namespace {

std::string exchange_pairs(const std::string& name, char from, char to) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == from && i + 1 < name.size() && name[i + 1] == from) {
      out += to;
      out += to;
      ++i;
    } else {
      out += name[i];
    }
  }
  if (out.size() > 259) out.resize(259);
  return out;
}

}  // namespace

std::string escape_double_colons(const std::string& name) { return exchange_pairs(name, ':', '^'); }
std::string unescape_double_carets(const std::string& name) { return exchange_pairs(name, '^', ':'); }

std::vector<uint8_t> build_forwarded_command_line(const std::vector<std::string>& args) {
  std::vector<uint8_t> payload;
  const uint32_t count = static_cast<uint32_t>(args.size());
  for (int shift = 0; shift < 32; shift += 8) payload.push_back(static_cast<uint8_t>((count >> shift) & 0xFF));
  for (size_t i = 1; i < args.size(); ++i) {
    payload.insert(payload.end(), args[i].begin(), args[i].end());
    payload.push_back(0);
  }
  return payload;
}

bool split_forwarded_command_line(const std::vector<uint8_t>& payload, std::vector<std::string>* args) {
  args->clear();
  if (payload.size() < 4) return false;
  int32_t count = static_cast<int32_t>(static_cast<uint32_t>(payload[0]) | static_cast<uint32_t>(payload[1]) << 8 |
                                       static_cast<uint32_t>(payload[2]) << 16 |
                                       static_cast<uint32_t>(payload[3]) << 24);
  if (count <= 0) return false;
  args->push_back(std::string());
  size_t at = 4;
  for (int32_t i = 1; i < count; ++i) {
    size_t end = at;
    while (end < payload.size() && payload[end] != 0) ++end;
    if (end >= payload.size()) return false;  // count says more than arrived
    args->emplace_back(reinterpret_cast<const char*>(payload.data()) + at, end - at);
    at = end + 1;
  }
  return true;
}

std::string receive_forwarded_command_line(const std::vector<uint8_t>& payload) {
  std::vector<std::string> args;
  split_forwarded_command_line(payload, &args);
  // Arguments that arrived intact are parsed; the last one is parsed as last.
  CSorviCommandLineInfo info = parse_command_line(args);
  return info.file_name;
}

}  // namespace sorvi
