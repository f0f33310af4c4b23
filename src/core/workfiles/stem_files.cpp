#include "workfiles/stem_files.h"

#include <new>

#include "base/file_utils.h"
#include "config/profile.h"

namespace sorvi {

std::string stem_file(const char* stem, const char* extension) {
  if (!stem || !*stem) return std::string();
  std::string name = std::string(stem) + (extension ? extension : "");
  if (is_relative_path(name)) return std::string(work_file_path(name.c_str()));
  return name;
}

WorkFile open_stem_work_file(const char* stem, const char* extension, const char* glh_file,
                             const char* repository_name) {
  std::string path;
  try {
    path = stem_file(stem, extension);
  } catch (const std::bad_alloc&) {
    return WorkFile();
  }
  if (path.empty()) return WorkFile();
  return open_work_file(path.c_str(), glh_file, repository_name, nullptr, kOpenRepositoryFirst);
}

}  // namespace sorvi
