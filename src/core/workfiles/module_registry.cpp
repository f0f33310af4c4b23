#include "workfiles/module_registry.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "base/safe_output.h"
#include "base/string_routines.h"
#include "base/text_reader.h"
#include "config/profile.h"
#include "locking/registry_lock_hooks.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kFieldWidth = 5;

struct RegistryState {
  named_int_list records;
  bool loaded = false;
  std::string work_directory;  // where the registry was loaded from
  std::string glh_file;        // the GLH file it was loaded with ("" for none)
};

RegistryState& state() {
  static RegistryState s;
  return s;
}

std::string text_of(const char* text) { return text ? text : ""; }

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool is_digit(int c) { return c >= '0' && c <= '9'; }

// One of the optional integers after the name: characters up to the first
// digit are skipped, then digits are taken up to a blank or the line end
// (a line end before any digit means the integer is absent). `line_ended`
// and `at_end` tell whether the read consumed the line end or met the end
// of the file.
bool read_trailing_int(FILE* stream, int& value, bool& line_ended, bool& at_end) {
  int c = read_text_char(stream);
  while (c != EOF && c != '\n' && !is_digit(c)) c = read_text_char(stream);
  if (c == EOF) {
    at_end = true;
    return false;
  }
  if (c == '\n') {
    line_ended = true;
    return false;
  }
  long long number = 0;
  while (is_digit(c)) {
    if (number < INT32_MAX) number = number * 10 + (c - '0');
    c = read_text_char(stream);
  }
  value = number > INT32_MAX ? INT32_MAX : static_cast<int>(number);
  if (c == '\n') line_ended = true;
  if (c == EOF) at_end = true;
  return true;
}

enum class ReadEnd { kEndOfFile, kBrokenSilently, kNameCut, kLanguageMissing };

// One right-aligned field of exactly five characters on the current line.
bool read_field(FILE* stream, int& value, bool& at_end) {
  bool end_of_line = false;
  const int taken = Readfixedintex(stream, kFieldWidth, &value, &at_end, &end_of_line);
  return !at_end && !end_of_line && taken == kFieldWidth;
}

// Reads records into `records` until the end of the file or a broken record.
ReadEnd read_records(FILE* stream, named_int_list& records) {
  for (;;) {
    int ignored = 0, checksum = 0, length = 0;
    bool at_end = false;
    if (!read_field(stream, ignored, at_end)) return at_end ? ReadEnd::kEndOfFile : ReadEnd::kBrokenSilently;
    if (!read_field(stream, checksum, at_end) || !read_field(stream, length, at_end) || length < 0) {
      return ReadEnd::kBrokenSilently;
    }
    std::string name;
    for (int i = 0; i < length; ++i) {
      const int c = read_text_char(stream);
      if (c == EOF) return ReadEnd::kNameCut;
      name.push_back(static_cast<char>(c));
    }

    int spare = 0, language = 0;
    bool line_ended = false;
    if (read_trailing_int(stream, spare, line_ended, at_end)) {
      if (line_ended || at_end || !read_trailing_int(stream, language, line_ended, at_end)) {
        return ReadEnd::kLanguageMissing;
      }
      if (!line_ended && !at_end) skip_to_line_end(stream, nullptr);
    } else {
      spare = 0;
      language = 0;
    }

    NamedIntEntry* entry = add_to_named_int_list(records, name.c_str(), true);
    if (!entry) return ReadEnd::kBrokenSilently;
    entry->values = {checksum, language, spare};
    if (at_end) return ReadEnd::kEndOfFile;
  }
}

void report_block(const std::string& first, const std::string& second) {
  channel_b(kReportOpenProblem);
  report_printf("%s", first.c_str());
  report_printf("%s", second.c_str());
  channel_b(kReportClose);
}

// The index (from 0) of the first record that matches the file, or -1.
// `checksum` gets the file's name checksum when it was needed.
int find_record(const std::string& file_name, int* checksum_out) {
  const std::string base = base_name_part(file_name);
  bool have_checksum = false;
  int checksum = 0;
  const named_int_list& records = state().records;
  for (size_t i = 0; i < records.size(); ++i) {
    const NamedIntEntry& record = records[i];
    // A name holding a control byte matches no file.
    if (!is_clean_path(record.name) || !equal_ignoring_case(record.name, base)) continue;
    const int stored = record.values.size() > kRegistryChecksum ? record.values[kRegistryChecksum] : 0;
    const int language = record.values.size() > kRegistryLanguage ? record.values[kRegistryLanguage] : 0;
    if (stored == 0 && language == 0) return static_cast<int>(i);
    if (!have_checksum) {
      checksum = name_checksum(file_name.c_str());
      have_checksum = true;
    }
    if (stored == checksum) return static_cast<int>(i);
  }
  if (checksum_out) *checksum_out = have_checksum ? checksum : name_checksum(file_name.c_str());
  return -1;
}

bool is_name_only(const NamedIntEntry& record) {
  return record.values.size() > kRegistryLanguage && record.values[kRegistryChecksum] == 0 &&
         record.values[kRegistryLanguage] == 0;
}

std::string with_number(const std::string& text, int number) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "_%d", number);
  return text + digits;
}

}  // namespace

int name_checksum(const char* file_name) {
  try {
    const std::string name = text_of(file_name);
    std::string full = name.empty() ? std::string() : full_path(name);
    if (full.empty() || full.size() > kMaxPath) full = name;
    upper_case(full);
    uint32_t accumulators[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < full.size(); ++i) {
      accumulators[i % 4] += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(full[i])));
    }
    const uint32_t a0 = accumulators[0] ^ accumulators[2];
    const uint32_t a1 = accumulators[1] ^ accumulators[3];
    const int32_t h = static_cast<int32_t>((a0 << 16) + a1);
    int32_t r = h % 100000;
    if (r < 0) r = -r;
    return r;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

std::string registry_path(const char* work_directory) {
  std::string dir = text_of(work_directory);
  trim_trailing(dir);
  const std::string path = with_trailing_separator(dir) + kRegistryFileName;
  const std::string full = full_path(path);
  return full.empty() ? path : full;
}

bool load_module_registry(const char* work_directory, const char* glh_file) {
  RegistryState& s = state();
  std::string directory, path;
  try {
    directory = work_directory ? std::string(work_directory) : std::string(work_file_path(""));
    path = registry_path(directory.c_str());
  } catch (const std::bad_alloc&) {
    return false;
  }
  s.loaded = true;
  s.work_directory = directory;
  s.glh_file = text_of(glh_file);

  registry_lock_hook();
  registry_read_start_hook();
  WorkFile source = open_work_file(path.c_str(), glh_file, kRegistryRepositoryName, kRegistryDatasetName,
                                   kOpenRepositoryFirst);
  FILE* stream = work_file_stream(source.get());
  s.records.clear();
  ReadEnd end = ReadEnd::kEndOfFile;
  if (stream) {
    try {
      end = read_records(stream, s.records);
    } catch (const std::bad_alloc&) {
      end = ReadEnd::kBrokenSilently;
    }
  }
  close_work_file(source);
  registry_read_finish_hook();
  registry_unlock_hook();

  if (!stream) {
    const std::string message = "Error trying to open " + path;
    channel_b(kReportProblem, message.c_str());
    return false;
  }
  if (end == ReadEnd::kNameCut) {
    report_block("Premature end-of-file found when reading\n", "file name characters in staticid.dat\n");
  } else if (end == ReadEnd::kLanguageMissing) {
    report_block("Premature end-of-file found when reading\n", "language code integer in staticid.dat\n");
  }
  return true;
}

void ensure_module_registry(const char* glh_file) {
  RegistryState& s = state();
  std::string directory;
  try {
    directory = work_file_path("");
  } catch (const std::bad_alloc&) {
    return;
  }
  if (s.loaded && s.work_directory == directory && (!glh_file || s.glh_file == glh_file)) return;
  load_module_registry(directory.c_str(), glh_file);
}

const named_int_list& module_registry() { return state().records; }

int module_number_of(const char* file_name, bool report, const char* glh_file) {
  try {
    const std::string name = text_of(file_name);
    if (name.empty()) {
      if (report) {
        channel_b(kReportOpenProblem);
        report_printf("Cannot find staticid number for null file\n");
        channel_b(kReportClose);
      }
      return 0;
    }
    ensure_module_registry(glh_file);
    int checksum = 0;
    const int index = find_record(name, &checksum);
    if (index >= 0) return index + 1;
    if (report) {
      channel_b(kReportOpenProblem);
      report_printf("Cannot find source file \"%s\" in staticid.dat file\n", name.c_str());
      report_printf("Module number unavailable\n");
      report_printf("Checksum for file is %d\n", checksum);
      channel_b(kReportClose);
    }
    return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int language_code_of(const char* file_name, const char* glh_file) {
  try {
    const std::string name = text_of(file_name);
    if (name.empty()) return 0;
    ensure_module_registry(glh_file);
    const int index = find_record(name, nullptr);
    if (index < 0) return 0;
    const NamedIntEntry& record = state().records[static_cast<size_t>(index)];
    return record.values.size() > kRegistryLanguage ? record.values[kRegistryLanguage] : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

std::string retrieve_workname_stem(const char* file_name, bool report, const char* glh_file) {
  try {
    const std::string name = text_of(file_name);
    const std::string base = base_name_part(name);
    ensure_module_registry(glh_file);
    int checksum = 0;
    const int index = find_record(name, &checksum);
    if (index >= 0) {
      const NamedIntEntry& record = state().records[static_cast<size_t>(index)];
      return is_name_only(record) ? base : with_number(base, index + 1);
    }
    if (report) {
      channel_b(kReportOpenProblem);
      report_printf("Can't get module number for file \"%s\" in retrieve_workname_stem\n", name.c_str());
      report_printf("Checksum generated for stem %s is %d\n", base.c_str(), checksum);
      report_printf("Stored staticid.dat records (name : checksum) are:\n");
      for (const NamedIntEntry& record : state().records) {
        const int stored = record.values.empty() ? 0 : record.values[kRegistryChecksum];
        report_printf("%s : %d\n", record.name.c_str(), stored);
      }
      channel_b(kReportClose);
    }
    return base;
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

bool module_stem(int module_number, bool with_number_suffix, bool report, std::string& stem, const char* glh_file) {
  stem.clear();
  try {
    ensure_module_registry(glh_file);
    const named_int_list& records = state().records;
    if (module_number >= 1 && static_cast<size_t>(module_number) <= records.size() &&
        is_clean_path(records[static_cast<size_t>(module_number) - 1].name)) {
      const std::string& name = records[static_cast<size_t>(module_number) - 1].name;
      stem = with_number_suffix ? with_number(name, module_number) : name;
      return true;
    }
    if (report) {
      char message[96];
      std::snprintf(message, sizeof message, "Unable to get stem for module %d in staticid.dat", module_number);
      channel_b(kReportOpenProblem, message);
    }
    return false;
  } catch (const std::bad_alloc&) {
    stem.clear();
    return false;
  }
}

void reset_module_registry() { state() = RegistryState(); }

}  // namespace sorvi
