#include "base/process_info.h"

#include <climits>
#include <unistd.h>

namespace sorvi {
namespace {

std::vector<std::string>& arguments() {
  static std::vector<std::string> args;
  return args;
}

}  // namespace

void set_process_arguments(int argc, const char* const* argv) {
  arguments().clear();
  for (int i = 0; i < argc && argv; ++i) arguments().emplace_back(argv[i] ? argv[i] : "");
}

const std::vector<std::string>& process_arguments() { return arguments(); }

std::string process_command_line() {
  std::string line;
  for (const std::string& a : arguments()) {
    if (!line.empty()) line += ' ';
    line += a;
  }
  return line;
}

std::string program_path() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return std::string(buf, static_cast<size_t>(n));
  return arguments().empty() ? std::string() : arguments().front();
}

}  // namespace sorvi
