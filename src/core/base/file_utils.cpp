#include "base/file_utils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sorvi {

bool is_regular_file(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_directory(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string with_trailing_separator(const std::string& dir) {
  if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir;
  return dir + '/';
}

std::string current_directory() {
  std::vector<char> buf(PATH_MAX + 1);
  if (!getcwd(buf.data(), buf.size())) return std::string();
  return with_trailing_separator(buf.data());
}

std::string full_path(const std::string& path) {
  if (path.empty()) return std::string();
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  std::string joined = path;
  if (path[0] != '/') {
    std::string cwd = current_directory();
    if (cwd.empty()) return std::string();
    joined = cwd + path;
  }
  // Fold "." and ".." and repeated separators.
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= joined.size()) {
    size_t slash = joined.find('/', at);
    if (slash == std::string::npos) slash = joined.size();
    std::string part = joined.substr(at, slash - at);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  if (out.empty()) out = "/";
  if (joined.size() > 1 && joined.back() == '/' && out != "/") out += '/';
  return out;
}

bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  if (is_directory(path)) return true;
  std::string partial;
  size_t at = 0;
  while (at < path.size()) {
    size_t slash = path.find('/', at + 1);
    if (slash == std::string::npos) slash = path.size();
    partial = path.substr(0, slash);
    if (!partial.empty() && !is_directory(partial)) {
      if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    at = slash;
  }
  return is_directory(path);
}

}  // namespace sorvi
