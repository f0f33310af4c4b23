#include "workfiles/sf1_reader.h"

#include <algorithm>
#include <new>

#include "base/safe_output.h"
#include "config/profile.h"
#include "workfiles/index_file.h"
#include "workfiles/record_line.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kSourceNameRecord = 106;
constexpr int kMainStartRecord = 118;
constexpr int kProcedureRecord = 124;

bool slot_is_empty(const DynamicString& slot) { return !slot || slot->empty(); }

// Trailing blanks off, then one pair of surrounding double quotes.
std::string source_name_text(std::string text) {
  trim_trailing_blanks(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

}  // namespace

bool read_sf1_file(const char* stem, DynamicString& source_name, int* main_start, std::string* main_name,
                   procedure_list* procedures, bool name_only, const char* glh_file, bool load_index,
                   Sf1Reading* reading) {
  Sf1Reading local;
  Sf1Reading& r = reading ? *reading : local;
  r = Sf1Reading{};
  try {
    const std::string path = stem_file(stem, ".sf1");
    if (path.empty()) return false;
    WorkFile file;
    if (slot_is_empty(source_name)) {
      file = open_work_file(path.c_str(), nullptr, nullptr, nullptr, kOpenPlainFirst);
    } else {
      file = open_work_file(path.c_str(), glh_file, source_name->c_str(), nullptr, kOpenRepositoryFirst);
    }
    FILE* stream = work_file_stream(file.get());
    if (!stream) return false;
    r.opened = true;

    std::string text;
    while (read_record_line(stream, text)) {
      RecordLine line(text);
      const RecordHead head = line.head();
      if (r.module_number == 0 && head.module_number != 0) r.module_number = head.module_number;

      if (head.type == kSourceNameRecord) {
        if (slot_is_empty(source_name)) {
          line.skip(33);
          // A name holding a NUL or another control byte names no file: it
          // is refused, so nothing is ever opened at a path cut from it.
          std::string name = source_name_text(line.rest());
          if (is_clean_path(name)) source_name = std::move(name);
        }
        r.source_record = true;
      } else if (head.type == kProcedureRecord && !name_only) {
        line.skip(13);
        const int kind = line.next_char();
        const int first_line = line.fixed(9);
        const int last_line = line.fixed(9);
        const int number = line.fixed(5);
        line.skip(5);
        std::string name = line.rest(kRecordLineMax);
        // The name is a text: a NUL byte ends it (a name of NULs is empty).
        name.erase(std::min(name.find('\0'), name.size()));
        trim_trailing_blanks(name);
        if (name.empty()) {
          r.procedure_error = true;
          break;
        }
        if (procedures && !add_procedure(*procedures, name.c_str(), kind == 'Y' ? 1 : 0, first_line, last_line,
                                         number, 0, false, true, kind == 'P' ? 1 : 0)) {
          r.procedure_error = true;
          break;
        }
      } else if (head.type == kMainStartRecord && main_start) {
        int start = 0;
        std::string word;
        if (line.scan_int(nullptr) && line.scan_int(nullptr) && line.scan_int(&start) && line.scan_int(nullptr) &&
            line.scan_word(&word)) {
          *main_start = start;
          if (main_name) *main_name = word;
        } else {
          *main_start = -1;
        }
      }
    }
    close_work_file(file);

    const bool ok = r.source_record && !r.procedure_error;
    if (ok && load_index) {
      const std::string sf1_stem = path.substr(0, path.size() - 4);
      int status = kIndexNotOpened;
      r.index = read_index_file(source_name ? source_name->c_str() : "", sf1_stem.c_str(), r.module_number,
                                glh_file, &status);
      r.index_status = status;
    }
    return ok;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool resolve_module_source(const char* stem, const char* repository_name, const char* source_name,
                           const char* glh_path, std::string& source, std::string& glh_file) {
  source.clear();
  glh_file.clear();
  try {
    if (glh_path && *glh_path) {
      glh_file = glh_path;
    } else if (repository_name && *repository_name) {
      glh_file = work_file_path((std::string(repository_name) + ".glh").c_str());
    } else {
      glh_file = stem_file(stem, ".glh");
    }
    if (source_name && *source_name) {
      source = source_name;
    } else {
      DynamicString slot;
      read_sf1_file(stem, slot, nullptr, nullptr, nullptr, true, nullptr, false);
      if (slot) source = *slot;
    }
    return !source.empty();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool relocate_procedures(const procedure_list& procedures, procedure_list& relocated) {
  relocated.clear();
  try {
    for (const ProcedureRecord& p : procedures) {
      const char* name = dynamic_string_text(p.name);
      int first_line = p.first_line;
      int last_line = p.last_line;
      bool found = false;
      for (const IndexRecord& record : index_records()) {
        for (size_t i = 1; i < record.file_limits.size() && !found; ++i) {
          if (!name || record.file_limits[i].file_name != name) continue;
          found = true;
          const int reformatted_first = reformatted_line_of(record, p.first_line);
          if (reformatted_first > 0) {
            first_line = reformatted_first;
            last_line = reformatted_line_of(record, p.last_line);
          }
        }
        if (found) break;
      }
      if (!add_procedure(relocated, name, p.is_y_kind, first_line, last_line, p.procedure_number, p.spare, false,
                         true, p.is_p_kind)) {
        return false;
      }
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace sorvi
