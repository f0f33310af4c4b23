// The recent-file list of the File menu: at most four paths, newest first,
// kept in the settings store (section "Recent File List", entries "File1"
// to "File4") so that it outlives the program.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

constexpr int kRecentFileCount = 4;

// The stored list, newest first, without empty entries.
std::vector<std::string> recent_files();
// Puts the path at the front (an entry naming the same path, compared
// without regard to case, goes), keeps four, and stores the list.
void add_recent_file(const std::string& path);
// Removes the path (a file that could not be opened any more).
void remove_recent_file(const std::string& path);

}  // namespace sorvi
