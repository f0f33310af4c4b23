#include "standards/glq_standards.h"

#include "glh/glh_library.h"
#include "glh/glq_records.h"

namespace sorvi {

const char* glq_penalty_document(int language) {
  if (language == 2) return kGlqCPenalties;
  if (language == 6) return kGlqCppPenalties;
  return kGlqPenalties;
}

const char* glq_model_description_document(int language) {
  if (language == 2) return kGlqCModelDescriptions;
  if (language == 6) return kGlqCppModelDescriptions;
  return kGlqModelDescriptions;
}

namespace {

// Reads every record of one document of the repository; false when the
// document cannot be opened or read.
bool read_document(GlhRepository* repository, const char* name, std::vector<GlhRecord>& out) {
  GlhDocument* document = glh_open_document(name, repository);
  if (!document) return false;
  GlhRecordSet* set = glh_read_all_records(document);
  bool ok = set != nullptr;
  if (set) {
    out = std::move(set->records);
    glh_free_record_set(&set);
  }
  glh_close_document(&document);
  return ok;
}

}  // namespace

bool read_glq_standards(const char* glh_path, int language, bool with_descriptions, GlqStandardsData& out) {
  out = GlqStandardsData();
  if (!glh_path || !*glh_path) return false;
  GlhLibrary* library = glh_open_library(glh_path, "READ_ONLY");
  if (!library) return false;
  GlhRepository* repository = glh_open_repository_by_type("glq", library);
  bool ok = false;
  // Memory running out while copying must not leave the file open.
  try {
    if (repository && with_descriptions) {
      std::vector<GlhRecord> records;
      if (read_document(repository, glq_model_description_document(language), records)) {
        for (const GlhRecord& r : records) {
          if (r.fields[kGlFieldType] == kGlqModelDescription) out.model_descriptions.push_back(r.value.value_or(""));
        }
      }
    }
    if (repository) ok = read_document(repository, glq_penalty_document(language), out.penalty_records);
  } catch (...) {
    ok = false;
  }
  glh_close_repository(&repository);
  glh_close_library(&library);
  return ok;
}

std::vector<std::string> split_glq_list(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

}  // namespace sorvi
