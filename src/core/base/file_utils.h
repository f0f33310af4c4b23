// File and path utilities shared by the readers and writers.
#pragma once

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

}  // namespace sorvi
