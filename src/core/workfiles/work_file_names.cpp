#include "workfiles/work_file_names.h"

#include <cstdio>
#include <new>

#include "base/file_utils.h"
#include "config/profile.h"

namespace sorvi {
namespace {

std::string text_of(const char* text) { return text ? text : ""; }

std::string numbered(const char* format, const std::string& text, int number) {
  char digits[32];
  std::snprintf(digits, sizeof digits, format, number);
  return text + digits;
}

}  // namespace

std::string test_case_result_file(const char* work_file, int test_case, const char* result_directory) {
  try {
    const PathParts parts = split_path(text_of(work_file));
    return with_trailing_separator(text_of(result_directory)) + numbered("_tc%d", parts.base_name, test_case) +
           parts.extension;
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

std::string test_case_repository_name(const char* sequence) {
  try {
    return "$$SEQUENCE$$" + text_of(sequence);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

std::string test_case_dataset_name(int test_case, const char* module_repository_name, const char* work_file) {
  try {
    return numbered("TC%d", std::string(), test_case) + '?' + text_of(module_repository_name) + '?' +
           file_name_part(text_of(work_file));
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

WorkFile open_test_case_work_file(const char* work_file, int test_case, const char* result_directory,
                                  const char* sequence, const char* module_repository_name, const char* glh_file) {
  std::string path, repository, dataset;
  try {
    path = test_case_result_file(work_file, test_case, result_directory);
    repository = test_case_repository_name(sequence);
    dataset = test_case_dataset_name(test_case, module_repository_name, work_file);
  } catch (const std::bad_alloc&) {
  }
  return open_work_file(path.c_str(), glh_file, repository.c_str(), dataset.c_str(), kOpenPlainFirst);
}

int policy_history_name(int module_number, int step_back, const char* source_file, const char* glh_file,
                        const char* repository_name, bool bare, std::string& name) {
  name.clear();
  try {
    std::string base = base_name_part(text_of(source_file));
    if (module_number >= 1) base = numbered("_%d", base, module_number);

    int count = 0;
    for (;;) {
      const std::string candidate = work_file_path(numbered(".pol.%03d", base, count + 1).c_str());
      if (!work_file_exists(candidate.c_str(), glh_file, repository_name)) break;
      ++count;
    }
    if (count == 0) return 0;

    const std::string history = numbered(".pol.%03d", base, count <= step_back ? 1 : count - step_back);
    name = bare ? history : std::string(work_file_path(history.c_str()));
    return count;
  } catch (const std::bad_alloc&) {
    name.clear();
    return 0;
  }
}

}  // namespace sorvi
