#include "standards/report_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "base/text_reader.h"
#include "config/model_names.h"
#include "config/profile.h"
#include "glh/glq_records.h"
#include "standards/glq_standards.h"
#include "standards/penalty_catalogue.h"
#include "standards/standards_models.h"

namespace sorvi {
namespace {

constexpr int kLineBufferSize = 520;
constexpr size_t kTitleMax = 100;
constexpr size_t kModelLineShort = 21;
constexpr int kSectionEndCode = 2000;
constexpr const char kUnitTestMark[] = "Kelrun Requires";
constexpr const char kValuesMark[] = "\"PDTMCSFVA:";
constexpr size_t kValueWidth = 8;

// ---- the configurations of the process ----------------------------------------------

struct ConfigurationStore {
  std::unique_ptr<ReportConfiguration> by_language[kStandardsLanguageCount];
};

ConfigurationStore& store() {
  static ConfigurationStore s;
  return s;
}

std::unique_ptr<ReportConfiguration> new_configuration(int language) {
  auto cfg = std::make_unique<ReportConfiguration>();
  cfg->language = language;
  cfg->entries.resize(kPenaltyEntryCount);
  cfg->model = kNoModelName;
  cfg->header_mode = profile_header_mode();
  return cfg;
}

// ---- small text helpers (ASCII only) ------------------------------------------------------

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (to_upper(a[i]) != to_upper(b[i])) return false;
  }
  return true;
}

void trim_trailing_blanks(std::string& text) {
  while (!text.empty() && is_blank(text.back())) text.pop_back();
}

bool is_quoted(const std::string& line) { return line.size() >= 2 && line.front() == '"' && line.back() == '"'; }

// An integer at `p` after blanks (optional sign); `p` moves past it. False,
// with `p` unchanged, when no digit stands there. Clamped to the int range.
bool parse_int(const char*& p, int& value) {
  const char* q = p;
  while (is_blank(*q)) ++q;
  bool negative = false;
  if (*q == '-' || *q == '+') negative = *q++ == '-';
  if (!is_digit(*q)) return false;
  long long v = 0;
  while (is_digit(*q)) {
    if (v <= std::numeric_limits<int>::max()) v = v * 10 + (*q - '0');
    ++q;
  }
  if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  value = static_cast<int>(negative ? -v : v);
  p = q;
  return true;
}

// The next data line: empty lines and "#" lines are skipped and the first
// character of the line after them is dropped (every data line starts with
// one filler character). At most 519 characters are kept. False at the end.
bool next_data_line(FILE* f, bool skip_leading_blanks, std::string& line) {
  skip_comment_lines(f);
  char buffer[kLineBufferSize];
  int overflow = 0;
  if (read_line(f, buffer, sizeof buffer, skip_leading_blanks, false, true, &overflow) < 0) return false;
  line = buffer;
  return true;
}

// Where `"name` followed by a double quote or a colon stands in the text:
// the position of that quote or colon, or npos.
size_t find_quoted_name(const std::string& text, const std::string& name) {
  if (name.empty()) return std::string::npos;
  const std::string needle = "\"" + name;
  for (size_t p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) {
    size_t after = p + needle.size();
    if (after < text.size() && (text[after] == '"' || text[after] == ':')) return after;
  }
  return std::string::npos;
}

// A number of at most 8 characters at `p`: leading blanks, an optional "-",
// digits. `digits` receives how many digits it had.
int parse_value_field(const std::string& text, size_t p, int& digits) {
  const size_t end = std::min(text.size(), p + kValueWidth);
  digits = 0;
  while (p < end && is_blank(text[p])) ++p;
  bool negative = false;
  if (p < end && text[p] == '-') {
    negative = true;
    ++p;
  }
  int value = 0;
  while (p < end && is_digit(text[p])) {
    value = value * 10 + (text[p++] - '0');
    ++digits;
  }
  return negative ? -value : value;
}

// ---- section 1: model lines --------------------------------------------------------------------

void read_model_lines(FILE* f, ReportConfiguration& cfg) {
  const bool selected = !is_no_model(cfg.model);
  const std::string match = model_name_for_matching(cfg.model);
  bool found = false;
  std::string line;
  while (next_data_line(f, true, line)) {
    if (!line.empty() && line[0] == '-') break;
    trim_trailing_blanks(line);
    if (!is_quoted(line)) continue;
    const std::string inner = line.substr(1, line.size() - 2);
    const size_t colons = static_cast<size_t>(std::count(line.begin(), line.end(), ':'));
    (colons > 1 ? cfg.model_descriptions : cfg.model_names).push_back(inner);
    if (!selected) continue;
    if (!found) {
      found = line.size() < kModelLineShort && inner == match;
      continue;
    }
    // "<model>:<letter>:<title>" names the title of a category.
    const size_t m = match.size();
    if (inner.size() >= m + 3 && inner.compare(0, m, match) == 0 && inner[m] == ':' && inner[m + 2] == ':') {
      const char letter = inner[m + 1];
      if (letter == 'M' || letter == 'C' || letter == 'O' || letter == 'I') {
        cfg.titles[static_cast<size_t>(category_from_letter(letter) - 1)] = inner.substr(m + 3, kTitleMax);
      }
    }
  }
  if (selected && !found) cfg.model = kNoModelName;
}

// ---- section 2: one line per standard -------------------------------------------------------------

// Walks the annotation of the selected model after its name, up to the
// closing quote: ":<digits>" is the model's rule number, ":kvend <c>" the
// kvend character, ":vals <a> <b>" a value pair, ":<c>" the category letter.
// Returns the category letter found (NUL when none).
char scan_model_annotation(const std::string& text, size_t p, ReportEntry& entry, int group, ReportConfiguration& cfg) {
  char category_letter = '\0';
  while (p < text.size() && text[p] != '"') {
    if (text[p] != ':') {
      ++p;
      continue;
    }
    ++p;
    if (p < text.size() && is_digit(text[p])) {
      long long number = 0;
      for (int n = 0; n < 10 && p < text.size() && is_digit(text[p]); ++n) number = number * 10 + (text[p++] - '0');
      if (number > std::numeric_limits<int>::max()) number = std::numeric_limits<int>::max();
      entry.rule_number = static_cast<int>(number);
      cfg.group_flags[static_cast<size_t>(group)] = 1;
    } else if (text.compare(p, 6, "kvend ") == 0) {
      p += 6;
      if (p < text.size() && text[p] != '"') entry.kvend = text[p++];
    } else if (text.compare(p, 5, "vals ") == 0) {
      p += 5;
      const char* start = text.c_str() + p;
      const char* q = start;
      int first = 0;
      int second = 0;
      if (parse_int(q, first) && parse_int(q, second)) add_to_int_pair_list(entry.value_pairs, first, second, false);
      p += static_cast<size_t>(q - start);
    } else if (p < text.size() && text[p] != '"') {
      category_letter = text[p++];
    }
  }
  return category_letter;
}

void apply_standard_line(ReportConfiguration& cfg, int number, char letter, char default_letter,
                         const std::string& text) {
  const int index = find_penalty_entry(letter, number, cfg.language);
  if (index < 0 || index > 999) return;
  ReportEntry& entry = cfg.entries[static_cast<size_t>(index)];
  const PenaltyEntry* penalty = penalty_entry(cfg.language, index);
  const int code_d = penalty ? penalty->code_d : 0;
  const int group = violation_group(letter);
  const bool selected = !is_no_model(cfg.model);

  if (text.find(kUnitTestMark) != std::string::npos) entry.needs_unit_test = 1;

  for (const std::string& name : cfg.model_names) {
    size_t after = find_quoted_name(text, name);
    size_t open = after - name.size() - 1;
    if (after == std::string::npos) {
      const std::string display = model_name_for_display(name);
      if (display != name) after = find_quoted_name(text, display);
      open = after - display.size() - 1;
    }
    if (after == std::string::npos) continue;
    size_t close = text.find('"', after);
    if (close == std::string::npos) close = text.size();
    const std::string annotation = text.substr(open + 1, close - open - 1);
    if (!find_in_charlist(annotation.c_str(), entry.model_annotations, true)) {
      entry.model_annotations.push_back(annotation);
    }
  }

  if (to_upper(letter) == 'Q' || (number == 23 && to_upper(letter) == 'S')) entry.special = 1;

  const size_t values = text.find(kValuesMark);
  if (values != std::string::npos) {
    const size_t p = values + std::strlen(kValuesMark);
    int digits = 0;
    entry.value_a = parse_value_field(text, p, digits);
    entry.value_b = parse_value_field(text, p + kValueWidth, digits);
    for (int d = digits; d > 0 && d < static_cast<int>(kValueWidth); ++d) entry.value_b *= 10;
  }

  char model_letter = '\0';
  const size_t named = selected ? find_quoted_name(text, model_name_for_matching(cfg.model)) : std::string::npos;
  if (!selected || named != std::string::npos) {
    entry.reported = 1;
    if (selected && code_d == 0) cfg.group_flags[static_cast<size_t>(group)] = 1;
    if (named != std::string::npos) model_letter = scan_model_annotation(text, named, entry, group, cfg);
  } else if (code_d == 1) {
    cfg.group_flags[static_cast<size_t>(group)] = 1;
  }

  entry.category = category_from_letter(model_letter ? model_letter : default_letter, &entry.category_letter);
  entry.default_category = category_from_letter(default_letter, &entry.default_category_letter);
}

// Returns false after the report on an unrecognised code.
bool read_standard_lines(FILE* f, ReportConfiguration& cfg) {
  std::string line;
  while (next_data_line(f, false, line)) {
    const char* p = line.c_str();
    int code = 0;
    if (!parse_int(p, code)) continue;
    if (code == kSectionEndCode) break;
    if (code > 1000) {
      if (code == 1001 || code == 1002) continue;  // a figure for the report tools
      channel_b(kReportProblem, "unrecognised code number > 1000 in report.dat");
      return false;
    }
    if (code < 0) continue;
    while (is_blank(*p)) ++p;
    const char letter = *p ? *p++ : '\0';
    while (is_blank(*p)) ++p;
    const char default_letter = *p ? *p++ : '\0';
    apply_standard_line(cfg, code, letter, default_letter, p);
  }
  return true;
}

// ---- section 3 and the exclusion file ----------------------------------------------------------------

void read_exclusions(FILE* f, charlist& exclusions) {
  std::string line;
  while (next_data_line(f, true, line)) {
    if (!line.empty() && line[0] == '-') break;
    trim_trailing_blanks(line);
    if (is_quoted(line) && line.size() > 2) exclusions.push_back(line.substr(1, line.size() - 2));
  }
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

FILE* open_for_reading(const std::string& path) {
  return path.empty() || path.size() > kMaxPath ? nullptr : std::fopen(path.c_str(), "r");
}

// The model lines of report.dat name models in their matching form; they are
// kept in display form, and description lines "<name>:..." follow.
void rename_models_for_display(ReportConfiguration& cfg) {
  for (std::string& name : cfg.model_names) {
    const std::string display = model_name_for_display(name);
    if (display == name) continue;
    for (std::string& description : cfg.model_descriptions) {
      if (description.size() > name.size() && description.compare(0, name.size(), name) == 0 &&
          description[name.size()] == ':') {
        description = display + description.substr(name.size());
      }
    }
    name = display;
  }
}

// The configuration held in the GLQ repository: model descriptions, then
// type 91 (reported and the fields after it) and type 92 (annotations and
// value_b).
bool load_from_glh(ReportConfiguration& cfg, const char* glh_path) {
  GlqStandardsData data;
  if (!read_glq_standards(glh_path, cfg.language, true, data)) return false;
  for (std::string& description : data.model_descriptions) cfg.model_descriptions.push_back(std::move(description));
  for (const GlhRecord& r : data.penalty_records) {
    const int type = r.fields[kGlFieldType];
    const int index = r.fields[kGlqFieldEntry];
    if (index < 0 || index >= kPenaltyEntryCount) continue;
    ReportEntry& entry = cfg.entries[static_cast<size_t>(index)];
    if (type == kGlqReportEntry) {
      entry.reported = r.fields[kGlqReportReported];
      entry.category = r.fields[kGlqReportCategory];
      entry.reserved = r.fields[kGlqReportReserved];
      entry.category_letter = static_cast<char>(r.fields[kGlqReportCategoryLetter]);
      entry.special = r.fields[kGlqReportSpecial];
      entry.value_a = r.fields[kGlqReportValueA];
    } else if (type == kGlqAnnotations) {
      entry.model_annotations.clear();
      for (std::string& item : split_glq_list(r.value.value_or(""))) entry.model_annotations.push_back(std::move(item));
      entry.value_b = r.fields[kGlqAnnotationsValueB];
    }
  }
  return true;
}

int load_configuration(ReportConfiguration& cfg, const std::string& path, const char* model_name,
                       const char* glh_path) {
  FileHandle file(open_for_reading(path));
  if (!file) {
    if (glh_path && *glh_path) {
      cfg.model = select_standards_model(cfg.language, model_name);
      const bool read = load_from_glh(cfg, glh_path);
      cfg.loaded = read;
      return read ? 0 : 1;
    }
    // Without its report data every standard is reported.
    cfg.model = kNoModelName;
    for (ReportEntry& entry : cfg.entries) entry.reported = 1;
    cfg.loaded = true;
    return kReportFileNotOpened;
  }
  cfg.model = select_standards_model(cfg.language, model_name);
  read_model_lines(file.get(), cfg);
  if (!read_standard_lines(file.get(), cfg)) return kReportBadCode;
  read_exclusions(file.get(), cfg.exclusions);
  file.reset();
  FileHandle excludes(open_for_reading(exclusion_file_path()));
  if (excludes) read_exclusions(excludes.get(), cfg.exclusions);
  rename_models_for_display(cfg);
  cfg.loaded = true;
  return kReportLoaded;
}

}  // namespace

std::string report_file_path(int language, const char* explicit_path) {
  if (explicit_path && *explicit_path) return explicit_path;
  int code = language < 0 || language > 17 ? 0 : language;
  if (code == 17) code = 0;
  const std::string data_path = language_data_path("report.dat", code);
  const std::string key = language_variable_name(code, "REPFILE");
  const char* value = get_profile_string(key.c_str(), data_path.c_str(), false, nullptr);
  const std::string path = value ? value : data_path;
  return is_regular_file(path) ? path : data_path;
}

std::string exclusion_file_path() {
  const std::string def = std::string(start_in_directory()) + "qr_h_excludes.dat";
  const char* value = get_profile_string("QR_HEADER_EXCLUDES_DAT", def.c_str(), false, nullptr);
  return value ? value : def;
}

char profile_header_mode() {
  char mode = to_upper(get_profile_char("STANDARDS_REPORT_HEADERS", 'A', false, nullptr));
  if (mode == '\0') mode = 'A';
  if (mode == 'A' && get_profile_bool("QR_SOURCE_NAME_INCLUDE_ONLY", false, false)) mode = 'H';
  return mode;
}

int load_report_configuration(const char* explicit_path, int language, const char* model_name, const char* glh_path) {
  if (language < 0 || language > 17) {
    char message[96];
    std::snprintf(message, sizeof message, "Cannot configure Standards for language code \"%d\"", language);
    channel_b(kReportProblem, message);
    return kReportBadLanguage;
  }
  std::unique_ptr<ReportConfiguration>& slot = store().by_language[language];
  try {
    slot = new_configuration(language);
    return load_configuration(*slot, report_file_path(language, explicit_path), model_name, glh_path);
  } catch (const std::bad_alloc&) {
    slot.reset();
    return kReportNotAllocated;
  }
}

ReportConfiguration* report_configuration(int language) {
  if (language < 0 || language > 17) return nullptr;
  std::unique_ptr<ReportConfiguration>& slot = store().by_language[language];
  if (!slot) {
    try {
      slot = new_configuration(language);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return slot.get();
}

const ReportEntry* report_entry(int language, int index) {
  if (index < 0 || index >= kPenaltyEntryCount) return nullptr;
  ReportConfiguration* cfg = report_configuration(language);
  return cfg ? &cfg->entries[static_cast<size_t>(index)] : nullptr;
}

bool is_standard_reported(char letter, int standard_number, int language) {
  if (language < 0 || language > 17) return true;
  const ReportConfiguration* cfg = store().by_language[language].get();
  if (!cfg || !cfg->loaded) return true;
  const int index = find_penalty_entry(letter, standard_number, language);
  if (index < 0 || index >= kPenaltyEntryCount) return true;
  return cfg->entries[static_cast<size_t>(index)].reported != 0;
}

int violation_group(char letter) {
  switch (to_upper(letter)) {
    case 'S': return 0;
    case 'J': return 1;
    case 'C': return 2;
    case 'D': return 3;
    case 'X': return 4;
    case 'I': return 5;
    case 'U': return 6;
    default: return 7;
  }
}

int category_from_letter(char letter, char* resolved) {
  int category = 1;
  char out = 'M';
  switch (letter) {
    case 'O': category = 2; out = 'O'; break;
    case 'I': category = 3; out = 'I'; break;
    case 'C': category = 4; out = 'C'; break;
    default: break;
  }
  if (resolved) *resolved = out;
  return category;
}

std::string category_title(int language, int category) {
  static const char* const kDefaults[] = {"Mandatory", "Optional", "Informational", "Checking"};
  if (category < 1 || category > 4) return " ";
  const size_t slot = static_cast<size_t>(category - 1);
  const ReportConfiguration* cfg = language >= 0 && language <= 17 ? store().by_language[language].get() : nullptr;
  if (cfg && !cfg->titles[slot].empty()) return cfg->titles[slot];
  return kDefaults[slot];
}

bool is_file_excluded(const char* file, int language, const char* main_file) {
  if (!file || !*file) return false;
  const ReportConfiguration* cfg = report_configuration(language);
  if (!cfg) return false;
  const std::string path = file;
  const std::string main = main_file ? main_file : "";
  switch (cfg->header_mode) {
    case 'S':
      return !main.empty() && !equal_ignoring_case(path, main);
    case 'H':
      return !main.empty() && !equal_ignoring_case(base_name_part(path), base_name_part(main));
    case 'A': {
      if (find_in_charlist(path.c_str(), cfg->exclusions, false)) return true;
      std::string directory = directory_part(path);
      if (directory.empty()) return false;
      if (find_in_charlist(directory.c_str(), cfg->exclusions, false)) return true;
      directory.pop_back();
      return !directory.empty() && find_in_charlist(directory.c_str(), cfg->exclusions, false);
    }
    default:
      return false;
  }
}

void release_report_configurations() {
  for (std::unique_ptr<ReportConfiguration>& slot : store().by_language) slot.reset();
}

void reset_report_configurations() { release_report_configurations(); }

void release_standards_data() {
  release_report_configurations();
  release_penalty_catalogues();
}

}  // namespace sorvi
