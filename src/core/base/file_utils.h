// File and path utilities shared by the readers and writers: existence,
// path parts, sizes, deletion, temporary files, line counts, names, command
// lines and file dates.
#pragma once

#include <functional>
#include <string>

namespace sorvi {

// Paths longer than this are refused like a failed open.
constexpr size_t kMaxPath = 519;

// True when the path is not empty, exists and is a regular file.
bool is_regular_file(const std::string& path);
bool is_directory(const std::string& path);

// Appends "/" unless the text already ends in '/' or '\'. An empty text stays empty.
std::string with_trailing_separator(const std::string& dir);

// The absolute form of a path: an existing path resolved like realpath, a
// missing one made absolute from the current directory with "." and ".."
// folded. Empty when the current directory cannot be read.
std::string full_path(const std::string& path);

// Creates the directory and its parents; true when it exists afterwards.
bool make_directories(const std::string& path);

// The current directory with a trailing "/", or empty when it cannot be read.
std::string current_directory();

// ---- paths -------------------------------------------------------------------

// False for a path that starts with a drive letter, ":" and "\", or with
// "/"; true otherwise, also for an empty path.
bool is_relative_path(const std::string& path);

// A path split at its last "\", "/" or ":" (work files written on Windows
// may carry any of them): `directory` keeps that separator, `file_name` is
// the rest. The file name splits at its last ".": `base_name` before it,
// `extension` from the "." on (empty when there is none), so that
// file_name == base_name + extension.
struct PathParts {
  std::string directory;
  std::string file_name;
  std::string base_name;
  std::string extension;
};
PathParts split_path(const std::string& path);
std::string directory_part(const std::string& path);
std::string file_name_part(const std::string& path);
std::string base_name_part(const std::string& path);
std::string extension_part(const std::string& path);

// ---- files -----------------------------------------------------------------

// The size in bytes; 0 for a missing file.
long long file_size(const std::string& path);
// The same as a floating value (for sizes beyond any int).
double file_size_as_double(const std::string& path);

// Deletes the file only when the path has a directory part and names a
// regular file: makes it writable first. Returns success.
bool delete_file(const std::string& path);
// Creates the file empty (truncating one that exists). Returns success.
bool create_empty_file(const std::string& path);
// Gives the owner write permission / takes write permission from everyone.
bool make_file_writable(const std::string& path);
bool make_file_read_only(const std::string& path);

// Creates a new empty file with a unique name starting with `prefix`
// (separators in it become "_"), readable and writable by the owner only,
// and returns its path: in `directory` when that exists, else in the
// system's temporary directory ($TMPDIR, else /tmp), else in ".". Empty
// when no file could be created.
std::string temporary_file_name(const std::string& directory, const std::string& prefix);

// The number of lines of the file, a line longer than 2080 characters
// counting once for every 2080 characters begun; with `distinct`, a line
// equal (ignoring case) to the line before is not counted. LF and CR LF
// line ends alike. -1 when the file cannot be opened.
int count_lines(const std::string& path, bool distinct);

// ---- names -------------------------------------------------------------------

// The process's log suffix (empty: none).
void set_log_suffix(const std::string& suffix);
const std::string& log_suffix();
// base, then "_" and the log suffix when one is set, then ".log".
std::string log_file_name(const std::string& base);

// True for a null or empty text or one starting with "<Default" (any case).
bool is_default_name(const char* text);

// The command line made from a template and up to two arguments (null or
// empty means none). When the template holds "%1" the line is the text
// before it, the first argument in double quotes, and the text after it.
// Otherwise it is the template, in double quotes unless it starts with
// one, then, when there is a first argument, a blank and that argument, in
// double quotes unless it starts with one. Then the first "%2" is replaced
// by the second argument, or by a blank when there is none; without "%2" a
// second argument is appended after a blank.
std::string compose_command_line(const char* command_template, const char* first, const char* second);

// ---- file dates ----------------------------------------------------------------

// Where file_date gets its two profile values: the switch FFTIMEOUT
// (default false) and the integer DST_OFFSET (default 3600). The profile
// sits above this layer, so start-up installs readers that ask it; each is
// called at most once per process, when first needed. Without a reader
// the default applies.
struct FileDateSettingsSource {
  std::function<bool()> log_timeouts;  // FFTIMEOUT
  std::function<int()> dst_offset;     // DST_OFFSET
};
void set_file_date_settings_source(FileDateSettingsSource source);

// The file's modification time (seconds since the epoch), read through its
// status up to 10 times, 10 ms apart, until a read succeeds. When more than one attempt
// was needed and the profile switch FFTIMEOUT is on, a line saying so is
// appended to "timeout.dat" in the current directory. With `report`, a
// failure writes an error block on channel B (opened with 101, closed
// with 2). When the current local time is in daylight saving, the profile
// integer DST_OFFSET (default 3600) is subtracted. -1 when no date was
// obtained. FFTIMEOUT and DST_OFFSET are each read once per process.
long long file_date(const std::string& path, bool report);

// Forgets the log suffix, the settings source and the values read once.
void reset_file_utils_state();

}  // namespace sorvi
