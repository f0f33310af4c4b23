#include "workfiles/stem_files.h"

#include "base/file_utils.h"
#include "config/profile.h"

namespace sorvi {

std::string stem_file(const char* stem, const char* extension) {
  if (!stem || !*stem) return std::string();
  std::string name = std::string(stem) + (extension ? extension : "");
  if (is_relative_path(name)) return std::string(work_file_path(name.c_str()));
  return name;
}

}  // namespace sorvi
