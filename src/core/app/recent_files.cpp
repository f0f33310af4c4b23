#include "app/recent_files.h"

#include <algorithm>
#include <cctype>

#include "config/settings_store.h"

namespace sorvi {
namespace {

const char kSection[] = "Recent File List";

std::string entry_name(int i) { return "File" + std::to_string(i + 1); }

bool same_path(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void store(const std::vector<std::string>& files) {
  for (int i = 0; i < kRecentFileCount; ++i) {
    settings_write_string(kSection, entry_name(i), i < static_cast<int>(files.size()) ? files[i] : std::string());
  }
}

}  // namespace

std::vector<std::string> recent_files() {
  std::vector<std::string> files;
  for (int i = 0; i < kRecentFileCount; ++i) {
    std::string path = settings_read_string(kSection, entry_name(i), std::string());
    if (!path.empty()) files.push_back(path);
  }
  return files;
}

void add_recent_file(const std::string& path) {
  // The store keeps one value to a line.
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return;
  std::vector<std::string> files = recent_files();
  files.erase(std::remove_if(files.begin(), files.end(), [&](const std::string& f) { return same_path(f, path); }),
              files.end());
  files.insert(files.begin(), path);
  if (files.size() > static_cast<size_t>(kRecentFileCount)) files.resize(kRecentFileCount);
  store(files);
}

void remove_recent_file(const std::string& path) {
  std::vector<std::string> files = recent_files();
  files.erase(std::remove_if(files.begin(), files.end(), [&](const std::string& f) { return same_path(f, path); }),
              files.end());
  store(files);
}

}  // namespace sorvi
