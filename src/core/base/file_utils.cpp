#include "base/file_utils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/fatal_report.h"
#include "base/text_reader.h"

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

// ---- paths -------------------------------------------------------------------

bool is_relative_path(const std::string& path) {
  if (path.empty()) return true;
  if (path[0] == '/') return false;
  const unsigned char first = static_cast<unsigned char>(path[0]);
  const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
  if (path.size() >= 3 && letter && path[1] == ':' && path[2] == '\\') return false;
  return true;
}

PathParts split_path(const std::string& path) {
  PathParts parts;
  size_t cut = path.find_last_of("\\/:");
  size_t file_start = cut == std::string::npos ? 0 : cut + 1;
  parts.directory = path.substr(0, file_start);
  parts.file_name = path.substr(file_start);
  size_t dot = parts.file_name.rfind('.');
  if (dot == std::string::npos) {
    parts.base_name = parts.file_name;
  } else {
    parts.base_name = parts.file_name.substr(0, dot);
    parts.extension = parts.file_name.substr(dot);
  }
  return parts;
}

std::string directory_part(const std::string& path) { return split_path(path).directory; }
std::string file_name_part(const std::string& path) { return split_path(path).file_name; }
std::string base_name_part(const std::string& path) { return split_path(path).base_name; }
std::string extension_part(const std::string& path) { return split_path(path).extension; }

// ---- files -----------------------------------------------------------------

long long file_size(const std::string& path) {
  if (path.empty()) return 0;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return static_cast<long long>(st.st_size);
  // Status unavailable: measure by seeking to the end.
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  long long size = 0;
  if (fseeko(f, 0, SEEK_END) == 0) {
    off_t end = ftello(f);
    if (end > 0) size = static_cast<long long>(end);
  }
  std::fclose(f);
  return size;
}

double file_size_as_double(const std::string& path) { return static_cast<double>(file_size(path)); }

bool make_file_writable(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  return chmod(path.c_str(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR) == 0;
}

bool make_file_read_only(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  return chmod(path.c_str(), (st.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) | S_IRUSR) == 0;
}

bool delete_file(const std::string& path) {
  if (path.empty() || path == file_name_part(path)) return false;
  if (!is_regular_file(path)) return false;
  make_file_writable(path);
  return std::remove(path.c_str()) == 0;
}

bool create_empty_file(const std::string& path) {
  if (path.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  return std::fclose(f) == 0;
}

namespace {

std::string system_temporary_directory() {
  const char* env = std::getenv("TMPDIR");
  if (env && is_directory(env)) return env;
  if (is_directory("/tmp")) return "/tmp";
  return std::string();
}

}  // namespace

std::string temporary_file_name(const std::string& directory, const std::string& prefix) {
  std::string dir = is_directory(directory) ? directory : system_temporary_directory();
  if (dir.empty()) dir = ".";
  std::string safe_prefix = prefix;
  for (char& c : safe_prefix) {
    if (c == '/' || c == '\\') c = '_';
  }
  std::string pattern = with_trailing_separator(dir) + safe_prefix + "XXXXXX";
  if (pattern.size() > kMaxPath) return std::string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());  // creates the file with mode 0600
  if (fd < 0) return std::string();
  close(fd);
  return name.data();
}

int count_lines(const std::string& path, bool distinct) {
  const size_t kPiece = 2080;
  FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  int count = 0;
  std::string previous;
  std::string line;
  bool have_previous = false;
  auto finish_piece = [&]() {
    if (!distinct || !have_previous || strcasecmp(previous.c_str(), line.c_str()) != 0) ++count;
    previous.swap(line);
    line.clear();
    have_previous = true;
  };
  bool pending = false;  // characters read since the last line end
  for (;;) {
    int c = read_text_char(f);
    if (c == EOF) break;
    if (c == '\n') {
      finish_piece();
      pending = false;
      continue;
    }
    if (line.size() == kPiece) finish_piece();
    line.push_back(static_cast<char>(c));
    pending = true;
  }
  if (pending) finish_piece();
  std::fclose(f);
  return count;
}

// ---- names -------------------------------------------------------------------

namespace {

struct FileUtilsState {
  std::string log_suffix;
  FileDateSettingsSource date_settings;
  bool log_timeouts_read = false;
  bool log_timeouts = false;
  bool dst_offset_read = false;
  int dst_offset = 3600;
};

FileUtilsState& file_utils_state() {
  static FileUtilsState s;
  return s;
}

bool log_timeouts_setting() {
  FileUtilsState& s = file_utils_state();
  if (!s.log_timeouts_read) {
    s.log_timeouts_read = true;
    s.log_timeouts = s.date_settings.log_timeouts ? s.date_settings.log_timeouts() : false;
  }
  return s.log_timeouts;
}

int dst_offset_setting() {
  FileUtilsState& s = file_utils_state();
  if (!s.dst_offset_read) {
    s.dst_offset_read = true;
    s.dst_offset = s.date_settings.dst_offset ? s.date_settings.dst_offset() : 3600;
  }
  return s.dst_offset;
}

}  // namespace

void set_log_suffix(const std::string& suffix) { file_utils_state().log_suffix = suffix; }
const std::string& log_suffix() { return file_utils_state().log_suffix; }

std::string log_file_name(const std::string& base) {
  const std::string& suffix = log_suffix();
  return suffix.empty() ? base + ".log" : base + "_" + suffix + ".log";
}

bool is_default_name(const char* text) { return !text || !*text || strncasecmp(text, "<Default", 8) == 0; }

std::string compose_command_line(const char* command_template, const char* first, const char* second) {
  const std::string templ = command_template ? command_template : "";
  const std::string arg1 = first ? first : "";
  const std::string arg2 = second ? second : "";
  auto quoted = [](const std::string& s) { return (!s.empty() && s[0] == '"') ? s : "\"" + s + "\""; };
  std::string line;
  size_t placeholder = templ.find("%1");
  if (placeholder != std::string::npos) {
    line = templ.substr(0, placeholder) + "\"" + arg1 + "\"" + templ.substr(placeholder + 2);
  } else {
    line = quoted(templ);
    if (!arg1.empty()) line += " " + quoted(arg1);
  }
  size_t second_at = line.find("%2");
  if (second_at != std::string::npos) {
    line.replace(second_at, 2, arg2.empty() ? std::string(" ") : arg2);
  } else if (!arg2.empty()) {
    line += " " + arg2;
  }
  return line;
}

// ---- file dates ----------------------------------------------------------------

void set_file_date_settings_source(FileDateSettingsSource source) {
  FileUtilsState& s = file_utils_state();
  s.date_settings = std::move(source);
}

long long file_date(const std::string& path, bool report) {
  const int kAttempts = 10;
  struct stat st;
  int rc = -1;
  int saved_errno = 0;
  int attempts = 0;
  while (attempts < kAttempts) {
    ++attempts;
    rc = path.empty() ? -1 : stat(path.c_str(), &st);
    if (rc == 0) break;
    saved_errno = path.empty() ? ENOENT : errno;
    // A file on a busy network share may answer on a later try.
    if (attempts < kAttempts) usleep(10 * 1000);
  }
  const bool obtained = rc == 0;
  if (attempts > 1 && log_timeouts_setting()) {
    FILE* log = std::fopen("timeout.dat", "a");
    if (log) {
      std::fprintf(log, obtained ? "\nDate obtained for file %s after %d attempts\n\n"
                                 : "\nDate not obtained for file %s after %d attempts\n\n",
                   path.c_str(), attempts);
      std::fclose(log);
    }
  }
  if (!obtained) {
    if (report) {
      channel_b(kReportOpenProblem);
      if (saved_errno == ENOENT || saved_errno == ENOTDIR) {
        report_printf("Unable to access file \"%s\"\n", path.c_str());
        report_printf("The file may have been moved or renamed\n");
      } else {
        report_printf("Trying to get date properties for file \"%s\"\n", path.c_str());
        report_printf("Return code from file stat routine is %d\n", rc);
      }
      channel_b(kReportClose);
    }
    return -1;
  }
  long long date = static_cast<long long>(st.st_mtime);
  // Status times of the suite's own platform came out one hour late while
  // daylight saving was in force; the suite's dates carry the same
  // correction so that they compare equal with those its other tools wrote.
  std::time_t now = std::time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) && local.tm_isdst > 0) date -= dst_offset_setting();
  return date;
}

void reset_file_utils_state() { file_utils_state() = FileUtilsState(); }

}  // namespace sorvi
