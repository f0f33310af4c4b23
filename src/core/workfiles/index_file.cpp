#include "workfiles/index_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "base/safe_output.h"
#include "base/string_routines.h"
#include "base/text_reader.h"
#include "config/profile.h"
#include "workfiles/module_registry.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

// The reformatted text's header lines before the first source line.
constexpr int kHeaderLines = 5;
// Longest path an include record may name (longer ones are never kept).
constexpr int kPathBuffer = static_cast<int>(kMaxPath) + 2;

struct IndexState {
  std::list<IndexRecord> records;
  // The source map last loaded, kept until another one is asked for.
  std::string source_map_path;
  std::multimap<int, std::string> source_map;
  bool source_map_loaded = false;
};

IndexState& state() {
  static IndexState s;
  return s;
}

std::string text_of(const char* text) { return text ? text : ""; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Memory overflow while loading: exit status 14 and the message with code
// 100 on channel B (which ends the program unless the hook returns).
void report_overflow(const char* message) {
  set_report_exit_status(14);
  channel_b(kReportProblem, message);
}

struct LoadFailed {};  // a memory overflow already reported

// Reads one whitespace-separated decimal integer (an optional sign, then
// digits, ended by whitespace or the end of the file). `line_ended` is set
// when the character that ended it was the line end.
// The next character as read_text_char gives it (CR LF -> LF), read here
// without a call per character: the index's line table is a million
// numbers for a module of a million lines.
inline int next_text_char(FILE* stream) {
  const int c = getc_unlocked(stream);
  if (c != '\r') return c;
  const int next = getc_unlocked(stream);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, stream);
  return '\r';
}

bool read_int_token(FILE* stream, int& value, bool* line_ended = nullptr) {
  int c = next_text_char(stream);
  while (c != EOF && is_space(c)) c = next_text_char(stream);
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = next_text_char(stream);
  }
  if (c < '0' || c > '9') return false;
  long long number = 0;
  while (c >= '0' && c <= '9') {
    number = number * 10 + (c - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) return false;
    c = next_text_char(stream);
  }
  if (c != EOF && !is_space(c)) return false;
  if (negative) number = -number;
  if (number > INT_MAX || number < INT_MIN) return false;
  value = static_cast<int>(number);
  if (line_ended && c == '\n') *line_ended = true;
  return true;
}

bool is_include_start(const IndexRecord& record, int line) {
  return std::binary_search(record.sorted_include_starts.begin(), record.sorted_include_starts.end(), line);
}

// ---- the source map ----------------------------------------------------------

// Lines "<start> <number> <path>": the path runs from where its word starts
// to the end of the line. Other lines are passed over.
void load_source_map(const std::string& path, const char* glh_file, const char* repository_name) {
  IndexState& s = state();
  if (s.source_map_loaded && s.source_map_path == path) return;
  s.source_map.clear();
  s.source_map_path = path;
  s.source_map_loaded = true;
  WorkFile source = open_work_file(path.c_str(), glh_file, repository_name, nullptr, kOpenDatasetFirst);
  FILE* stream = work_file_stream(source.get());
  if (!stream) return;
  std::string line;
  while (read_any_line(stream, line)) {
    const char* text = line.c_str();
    char* after = nullptr;
    const long start = std::strtol(text, &after, 10);
    if (after == text || start < INT_MIN || start > INT_MAX) continue;
    text = after;
    std::strtol(text, &after, 10);
    if (after == text) continue;
    text = after;
    while (*text && is_space(static_cast<unsigned char>(*text))) ++text;
    if (!*text) continue;
    s.source_map.emplace(static_cast<int>(start), std::string(text));
  }
}

// True when the source map lists the include that starts at `start`.
bool listed_in_source_map(int start, const std::string& include_path) {
  const auto range = state().source_map.equal_range(start);
  for (auto it = range.first; it != range.second; ++it) {
    const std::string& mapped = it->second;
    if (!is_relative_path(mapped)) {
      if (equal_ignoring_case(mapped, include_path)) return true;
    } else {
      const std::string name = file_name_part(include_path);
      if (find_case_insensitive(name.c_str(), mapped.c_str())) return true;
    }
  }
  return false;
}

// ---- the header -----------------------------------------------------------------

// The source name from the first line, or the caller's name (".c" appended
// when it has no extension) when the line's name cannot be trusted.
std::string source_name_of(const std::string& first_line, const std::string& caller) {
  std::string name;
  bool replace = false;
  if (!first_line.empty() && first_line[0] == '"') {
    const size_t closing = first_line.rfind('"');
    if (closing == 0) {
      replace = true;
    } else {
      name = first_line.substr(1, closing - 1);
      if (get_profile_bool("WRITE_FILES_FSLASH", false, false)) std::replace(name.begin(), name.end(), '/', '\\');
    }
  } else {
    name = first_line.substr(0, first_line.find_first_of(" \t"));
    if (extension_part(name).size() < 2) {
      replace = true;
    } else if (!extension_part(caller).empty() && !equal_ignoring_case(name, caller)) {
      replace = true;
    }
  }
  if (!is_clean_path(name)) replace = true;
  if (replace) name = extension_part(caller).empty() ? caller + ".c" : caller;
  return name;
}

// ---- derived tables ----------------------------------------------------------

// Depth of every limits record: how many records before it in the list
// enclose its range. Counted by divide and conquer over the list order, so
// a file with very many includes still loads in O(k log^2 k).
class EnclosingCounter {
 public:
  explicit EnclosingCounter(std::vector<FileLimits>& limits) : limits_(limits), tree_(0) {
    for (const FileLimits& f : limits_) ends_.push_back(f.end);
    std::sort(ends_.begin(), ends_.end());
    ends_.erase(std::unique(ends_.begin(), ends_.end()), ends_.end());
    tree_.assign(ends_.size() + 1, 0);
    for (FileLimits& f : limits_) f.depth = 0;
  }

  void run() { solve(0, limits_.size()); }

 private:
  size_t rank(int end) const {
    return static_cast<size_t>(std::lower_bound(ends_.begin(), ends_.end(), end) - ends_.begin()) + 1;
  }
  void add(size_t at, int delta) {
    for (; at < tree_.size(); at += at & (~at + 1)) tree_[at] += delta;
  }
  int below(size_t at) const {  // how many added ends rank below `at`
    int sum = 0;
    for (size_t i = at - 1; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }

  void solve(size_t lo, size_t hi) {
    if (hi - lo < 2) return;
    const size_t mid = lo + (hi - lo) / 2;
    solve(lo, mid);
    solve(mid, hi);
    std::vector<size_t> left, right;
    for (size_t i = lo; i < mid; ++i) left.push_back(i);
    for (size_t i = mid; i < hi; ++i) right.push_back(i);
    auto by_start = [this](size_t a, size_t b) { return limits_[a].start < limits_[b].start; };
    std::sort(left.begin(), left.end(), by_start);
    std::sort(right.begin(), right.end(), by_start);
    size_t next = 0;
    int added = 0;
    for (size_t j : right) {
      while (next < left.size() && limits_[left[next]].start <= limits_[j].start) {
        add(rank(limits_[left[next]].end), 1);
        ++added;
        ++next;
      }
      limits_[j].depth += added - below(rank(limits_[j].end));
    }
    for (size_t i = 0; i < next; ++i) add(rank(limits_[left[i]].end), -1);
  }

  std::vector<FileLimits>& limits_;
  std::vector<int> ends_;
  std::vector<int> tree_;
};

void mark_bare(IndexRecord& record) {
  // The lines asked about (the limits of the nested files), and in one pass
  // over the table which of them it holds.
  std::vector<int> asked;
  for (const FileLimits& f : record.file_limits) {
    if (f.depth <= 0) continue;
    asked.push_back(f.start);
    asked.push_back(f.end);
  }
  std::sort(asked.begin(), asked.end());
  asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
  std::vector<char> held(asked.size(), 0);
  if (!asked.empty()) {
    for (const int line : record.line_table) {
      const auto it = std::lower_bound(asked.begin(), asked.end(), line);
      if (it != asked.end() && *it == line) held[static_cast<size_t>(it - asked.begin())] = 1;
    }
  }
  auto present = [&](int line) {
    const auto it = std::lower_bound(asked.begin(), asked.end(), line);
    return it != asked.end() && *it == line && held[static_cast<size_t>(it - asked.begin())] != 0;
  };
  for (FileLimits& f : record.file_limits) {
    f.bare = f.depth > 0 && !present(f.start) && !present(f.end) ? 1 : 0;
  }
}

// Slot v: the reformatted line that starts flattened line v. A flattened
// line skipped by the table takes the slot before it; a repeated include
// start keeps its first line.
void build_reverse_table(IndexRecord& record) {
  large_vector<int>& slots = record.reverse_table;
  const int last_slot = std::min(record.max_line, kMaxReverseLine);
  slots.assign(static_cast<size_t>(last_slot) + 1, 0);
  int previous = 0;
  for (size_t position = 0; position < record.line_table.size(); ++position) {
    const int v = record.line_table[position];
    if (v > previous + 1 && previous < last_slot) {
      const int fill = slots[static_cast<size_t>(previous)];
      const int stop = std::min(v - 1, last_slot);
      for (int slot = previous + 1; slot <= stop; ++slot) slots[static_cast<size_t>(slot)] = fill;
    }
    if (!(v == previous && is_include_start(record, v)) && v >= previous && v <= last_slot) {
      slots[static_cast<size_t>(v)] = static_cast<int>(position) + 1;
    }
    previous = v;
  }
}

// ---- loading ---------------------------------------------------------------------

struct LoadResult {
  int status = kIndexNotOpened;
  IndexRecord* record = nullptr;
};

FileLimits main_file_limits(const std::string& name) {
  FileLimits main;
  main.start = 1;
  main.end = kMainFileEnd;
  main.sequence = 0;
  main.file_name = name;
  main.is_file = is_regular_file(name) ? 1 : 0;
  return main;
}

// Reads the include records; false on a format error.
bool read_includes(FILE* stream, IndexRecord& record, bool use_source_map) {
  int count = 0;
  bool line_ended = false;
  if (!read_int_token(stream, count, &line_ended) || count < 0) return false;
  if (!line_ended) skip_to_line_end(stream, nullptr);

  std::vector<char> buffer(static_cast<size_t>(kPathBuffer));
  int sequence = 1;
  for (int i = 0; i < count; ++i) {
    int start = 0, end = 0;
    if (!read_int_token(stream, start) || !read_int_token(stream, end)) return false;
    bool end_of_line = false, end_of_file = false;
    const int length = read_counted_string(stream, buffer.data(), kPathBuffer, 0, 1, &end_of_line, &end_of_file);
    if (length < 0) return false;
    skip_to_line_end(stream, nullptr);
    record.include_starts.push_back(start);
    if (length > static_cast<int>(kMaxPath)) continue;  // a path too long to name any file

    const char* path_text = buffer.data();
    while (*path_text == ' ' || *path_text == '\t') ++path_text;
    if (allocation_fails()) {
      report_overflow("Error in adding new file name string from index file - memory overflow");
      throw LoadFailed();
    }
    std::string path(path_text);
    if (!is_clean_path(path)) continue;  // names no file; never opened
    const bool kept = use_source_map ? listed_in_source_map(start, path) : is_regular_file(path);
    if (!kept) continue;
    if (allocation_fails()) {
      report_overflow("Error in adding new file limits record - memory overflow");
      throw LoadFailed();
    }
    FileLimits limits;
    limits.start = start;
    limits.end = end;
    limits.sequence = sequence++;
    limits.is_file = is_regular_file(path) ? 1 : 0;
    limits.file_name = std::move(path);
    record.file_limits.push_back(std::move(limits));
  }
  record.include_start_count = static_cast<int>(record.include_starts.size());
  record.sorted_include_starts = record.include_starts;
  std::sort(record.sorted_include_starts.begin(), record.sorted_include_starts.end());
  record.sorted_include_starts.erase(
      std::unique(record.sorted_include_starts.begin(), record.sorted_include_starts.end()),
      record.sorted_include_starts.end());
  return true;
}

// Reads n and the n table entries; false on a format error.
bool read_line_table(FILE* stream, IndexRecord& record) {
  int count = 0;
  if (!read_int_token(stream, count) || count < 0 || count > INT_MAX - kHeaderLines) return false;
  if (allocation_fails()) {
    report_overflow("Error in adding new index table - memory overflow");
    throw LoadFailed();
  }
  // The count is not trusted for the reservation: the table grows with what
  // the file really holds.
  record.line_table.reserve(static_cast<size_t>(std::min(count, 1 << 16)) + kHeaderLines);
  int last = 0;
  for (int i = 0; i < count; ++i) {
    int v = 0;
    if (!read_int_token(stream, v) || v < 0) return false;
    record.line_table.push_back(v);
    record.max_line = std::max(record.max_line, v);
    last = v;
  }
  record.n = count;
  for (int i = 0; i < kHeaderLines; ++i) record.line_table.push_back(last);
  return true;
}

LoadResult load_index(const std::string& source_name, const char* stem, int module_number, const char* glh_file,
                      int* file_status, int* repository_status) {
  LoadResult result;
  if (source_name.empty()) return result;

  std::string stem_text = text_of(stem);
  if (stem_text.empty()) {
    if (module_number >= 1) {
      stem_text = base_name_part(source_name) + "_" + std::to_string(module_number);
    } else {
      stem_text = retrieve_workname_stem(source_name.c_str(), true, glh_file);
    }
  }
  const std::string stem_path = is_relative_path(stem_text) ? std::string(work_file_path(stem_text.c_str())) : stem_text;
  const std::string glh = glh_file && *glh_file ? std::string(glh_file) : stem_path + ".glh";

  const std::string source_map = stem_path + ".smi";
  const bool use_source_map = work_file_exists(source_map.c_str(), glh.c_str(), source_name.c_str());
  if (use_source_map) load_source_map(source_map, glh.c_str(), source_name.c_str());

  const std::string index_path = stem_path + ".ndx";
  WorkFile source = open_work_file(index_path.c_str(), glh.c_str(), source_name.c_str(), nullptr, kOpenDatasetFirst);
  work_file_statuses(source.get(), file_status, repository_status);
  FILE* stream = work_file_stream(source.get());
  if (!stream) return result;

  result.status = kIndexFormatError;
  std::string first, header1, header2;
  if (!read_any_line(stream, first) || !read_any_line(stream, header1) || !read_any_line(stream, header2)) {
    return result;
  }
  const std::string name = source_name_of(first, source_name);
  if (module_number < 1) module_number = module_number_of(name.c_str(), false, glh_file);

  if (allocation_fails()) {
    report_overflow("Error in adding new index record - memory overflow");
    throw LoadFailed();
  }
  IndexRecord record;
  record.module_number = module_number;
  record.work_directory = std::string(work_file_path(""));
  record.header1 = header1.substr(0, kIndexHeaderMax);
  record.header2 = header2.substr(0, kIndexHeaderMax);
  if (allocation_fails()) {
    report_overflow("Error in adding new file limits record - memory overflow");
    throw LoadFailed();
  }
  record.file_limits.push_back(main_file_limits(name));

  if (!read_includes(stream, record, use_source_map)) return result;
  if (!read_line_table(stream, record)) return result;

  EnclosingCounter(record.file_limits).run();
  mark_bare(record);
  if (allocation_fails()) {
    report_overflow("Error in adding new index table - memory overflow");
    throw LoadFailed();
  }
  build_reverse_table(record);

  IndexState& s = state();
  s.records.push_front(std::move(record));
  result.status = kIndexLoaded;
  result.record = &s.records.front();
  return result;
}

}  // namespace

const std::string& IndexRecord::main_file() const {
  static const std::string none;
  return file_limits.empty() ? none : file_limits.front().file_name;
}

IndexRecord* read_index_file(const char* source_name, const char* stem, int module_number, const char* glh_file,
                             int* status, int* file_status, int* repository_status) {
  if (file_status) *file_status = kStatusNotTried;
  if (repository_status) *repository_status = kStatusNotTried;
  LoadResult result;
  try {
    result = load_index(text_of(source_name), stem, module_number, glh_file, file_status, repository_status);
  } catch (const LoadFailed&) {
    result = LoadResult();
    result.status = kIndexFormatError;
  } catch (const std::bad_alloc&) {
    report_overflow("Error in adding new index table - memory overflow");
    result = LoadResult();
    result.status = kIndexFormatError;
  }
  if (status) *status = result.status;
  return result.record;
}

const std::list<IndexRecord>& index_records() { return state().records; }

IndexRecord* find_index_record(int module_number) {
  std::string directory;
  try {
    directory = work_file_path("");
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (IndexRecord& record : state().records) {
    if (record.module_number == module_number && record.work_directory && *record.work_directory == directory) {
      return &record;
    }
  }
  return nullptr;
}

void free_index_record(IndexRecord* record) {
  if (!record) return;
  state().records.remove_if([record](const IndexRecord& r) { return &r == record; });
}

void reset_index_records() { state() = IndexState(); }

// ---- mapping -----------------------------------------------------------------------

int flattened_line(const IndexRecord& record, int reformatted_line) {
  const long long rows = static_cast<long long>(record.line_table.size());
  if (reformatted_line <= kHeaderLines || reformatted_line > rows) return 0;
  const int entry = record.line_table[static_cast<size_t>(reformatted_line) - 1];
  if (entry != 0) return entry;
  if (reformatted_line == kHeaderLines + 1) return 1;
  return reformatted_line < rows ? record.line_table[static_cast<size_t>(reformatted_line)] : 0;
}

int occurrence_count(const IndexRecord& record, int reformatted_line, int flattened) {
  const long long rows = static_cast<long long>(record.line_table.size());
  if (reformatted_line <= kHeaderLines || reformatted_line > rows) return 0;
  if (!is_include_start(record, flattened)) return 0;
  const large_vector<int>& table = record.line_table;
  const size_t at = static_cast<size_t>(reformatted_line) - 1;  // the entry of R
  if (reformatted_line < rows && table[at + 1] == flattened) {
    int count = 0;
    for (size_t i = at + 1; i > 0 && table[i - 1] == flattened; --i) ++count;
    return count;
  }
  if (reformatted_line < 2) return 0;
  return table[at - 1] != flattened ? 1 : 0;
}

const FileLimits* containing_file(const IndexRecord& record, int flattened, int occurrence) {
  const FileLimits* best = nullptr;
  long long best_size = 0;
  long long same_start = 0;  // records so far (this one included) starting at the line
  const long long allowed = flattened == 1 ? static_cast<long long>(occurrence) + 1 : occurrence;
  for (const FileLimits& f : record.file_limits) {
    if (f.start == flattened) ++same_start;
    if (f.start > flattened || flattened > f.end) continue;
    const bool candidate = occurrence == 0 || flattened > f.start || same_start <= allowed;
    if (!candidate) continue;
    const long long size = static_cast<long long>(f.end) - f.start;
    if (!best || size <= best_size) {
      best = &f;
      best_size = size;
    }
  }
  return best;
}

int original_line_in(const IndexRecord& record, const FileLimits& file, int flattened) {
  long long nested = 0;
  for (const FileLimits& g : record.file_limits) {
    if (g.depth == file.depth + 1 && g.start >= file.start && g.end <= file.end && g.end < flattened) {
      nested += static_cast<long long>(g.end) - g.start;
    }
  }
  const long long line = static_cast<long long>(flattened) - file.start + 1 - nested;
  return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, line)));
}

int reformatted_line_of(const IndexRecord& record, int flattened) {
  if (flattened >= 0 && static_cast<size_t>(flattened) < record.reverse_table.size() &&
      record.reverse_table[static_cast<size_t>(flattened)] > 0) {
    return record.reverse_table[static_cast<size_t>(flattened)];
  }
  const large_vector<int>& table = record.line_table;
  for (size_t i = table.size(); i > 0; --i) {
    if (table[i - 1] == flattened) return static_cast<int>(i);
  }
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i] > flattened) return static_cast<int>(i);
  }
  return 0;
}

int get_original_line_and_file(int reformatted_line, int module_number, int* original_line, std::string* file_path,
                               std::string* directory, bool report, int* is_file) {
  try {
    const IndexRecord* record = find_index_record(module_number);
    if (!record) {
      if (report) {
        channel_b(kReportOpenProblem);
        report_printf("Cannot find module number %d in records from index file\n", module_number);
        channel_b(kReportClose);
      }
      return -1;
    }
    int flattened = flattened_line(*record, reformatted_line);
    const bool unknown = flattened == 0;
    if (unknown) flattened = 1;
    const int occurrence = occurrence_count(*record, reformatted_line, flattened);
    const FileLimits* file = containing_file(*record, flattened, occurrence);
    if (!file) {
      if (report) {
        channel_b(kReportOpenProblem);
        report_printf("Cannot find file containing line %d in records from index file\n", flattened);
        report_printf("Original line number was %d\n", reformatted_line);
        report_printf("Looking in source file \"%s\", with module number %d\n", record->main_file().c_str(),
                      module_number);
        channel_b(kReportClose);
      }
      return -1;
    }
    if (file_path) *file_path = file->file_name;
    if (is_file) *is_file = file->is_file;
    if (directory) *directory = directory_part(file->file_name);
    if (original_line) *original_line = unknown ? 0 : original_line_in(*record, *file, flattened);
    return file->depth;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

int original_line_of(int reformatted_line, int module_number) {
  int line = 0;
  const int depth = get_original_line_and_file(reformatted_line, module_number, &line, nullptr, nullptr, false, nullptr);
  if (depth >= 0 && line > 0) return line;
  return reformatted_line >= 1 && reformatted_line <= kHeaderLines ? 0 : 1;
}

std::string original_file_of(int reformatted_line, int module_number, bool full) {
  try {
    std::string path;
    if (get_original_line_and_file(reformatted_line, module_number, nullptr, &path, nullptr, false, nullptr) < 0) {
      return "File not found";
    }
    return full ? path : file_name_part(path);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

}  // namespace sorvi
