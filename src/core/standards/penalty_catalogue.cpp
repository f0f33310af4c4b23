#include "standards/penalty_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "base/fatal_report.h"
#include "base/file_utils.h"
#include "base/string_routines.h"
#include "base/text_reader.h"
#include "config/profile.h"
#include "glh/glq_records.h"
#include "standards/glq_standards.h"
#include "standards/standards_models.h"

namespace sorvi {
namespace {

constexpr int kCacheLetters = 26;
constexpr int kCacheNumbers = 1000;
constexpr int kTextReadMax = 1040;
constexpr int kLineBufferSize = 520;
constexpr const char kStandardsColumnPhrase[] = "STANDARDS TEXT MUST BE";
constexpr const char kParameterMark[] = "***";

// ---- the catalogues of the process ----------------------------------------------

struct CatalogueStore {
  std::unique_ptr<PenaltyCatalogue> by_language[kStandardsLanguageCount];
};

CatalogueStore& store() {
  static CatalogueStore s;
  return s;
}

int normalise_language(int language) { return language < 0 || language >= kStandardsLanguageCount ? 0 : language; }

std::unique_ptr<PenaltyCatalogue> new_catalogue(int language) {
  auto cat = std::make_unique<PenaltyCatalogue>();
  cat->language = language;
  cat->entries.resize(kPenaltyEntryCount);
  cat->references.resize(kPenaltyEntryCount);
  cat->lookup_cache.assign(static_cast<size_t>(kCacheLetters) * kCacheNumbers, 0);
  return cat;
}

// ---- character classes (ASCII only) ---------------------------------------------

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
char to_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool has_letter_or_digit(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return is_digit(c) || is_letter(c); });
}

bool starts_with_ignoring_case(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (to_upper(text[i]) != to_upper(prefix[i])) return false;
  }
  return true;
}

// strncasecmp over ASCII letters only, stopping at the end of either text.
bool differ_ignoring_case(const std::string& a, const std::string& b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    char ca = i < a.size() ? a[i] : '\0';
    char cb = i < b.size() ? b[i] : '\0';
    if (to_upper(ca) != to_upper(cb)) return true;
    if (ca == '\0') return false;
  }
  return false;
}

// A non-negative integer at the start of the text after blanks; false when
// no digit stands there or the figure does not fit an int.
bool parse_leading_count(const char* text, int& value) {
  while (is_blank(*text)) ++text;
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  if (!is_digit(*text)) return false;
  long long v = 0;
  while (is_digit(*text)) {
    v = v * 10 + (*text++ - '0');
    if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  }
  value = static_cast<int>(negative ? -v : v);
  return true;
}

// ---- references to external standards ---------------------------------------------

struct TokenHit {
  size_t position;
  int row;
};

// Every place where a model's reference token or short name stands in the
// text with a blank on each side (a prefix-match model needs the blank before
// only). The text is taken with a blank added at each end, so a token right
// at the standards column or at the end of the text counts.
std::vector<TokenHit> find_reference_tokens(const std::string& padded) {
  std::vector<TokenHit> hits;
  const std::vector<StandardsModel>& models = standards_models();
  for (int row = 0; row < kStandardsModelCount; ++row) {
    const StandardsModel& model = models[static_cast<size_t>(row)];
    std::vector<std::string> words{model_reference_token(row)};
    if (*model.short_name && words[0] != model.short_name) words.emplace_back(model.short_name);
    for (const std::string& word : words) {
      for (size_t from = 0;;) {
        size_t p = padded.find(word, from);
        if (p == std::string::npos) break;
        from = p + 1;
        size_t end = p + word.size();
        bool blank_before = p > 0 && is_blank(padded[p - 1]);
        bool blank_after = end < padded.size() && is_blank(padded[end]);
        if (blank_before && (blank_after || model.prefix_match)) hits.push_back({p, row});
      }
    }
  }
  return hits;
}

// Fills the entry's reference list from the part of its text at and after
// the standards column: each reference runs from a model's token to the next
// token of any model (or the end), blanks trimmed. References are added per
// model in table order, each text once; the first reference of the selected
// external standard becomes the entry's standards_text.
void collect_references(const std::string& part, int selected_row, charlist& references, std::string& standards_text) {
  const std::string padded = " " + part + " ";
  std::vector<TokenHit> hits = find_reference_tokens(padded);
  std::vector<size_t> starts;
  for (const TokenHit& h : hits) starts.push_back(h.position);
  std::sort(starts.begin(), starts.end());
  for (const TokenHit& h : hits) {
    auto next = std::upper_bound(starts.begin(), starts.end(), h.position);
    size_t end = next == starts.end() ? padded.size() : *next;
    std::string reference = padded.substr(h.position, end - h.position);
    while (!reference.empty() && is_blank(reference.back())) reference.pop_back();
    if (reference.empty()) continue;
    if (!find_in_charlist(reference.c_str(), references, true)) references.push_back(reference);
    if (h.row == selected_row && standards_text.empty()) {
      standards_text = reference.substr(0, kStandardsTextMax);
    }
  }
}

// ---- one penalty line ------------------------------------------------------------------

struct PenaltyColumns {
  int penalty_number = 0;
  int code_b = 0;
  int code_c = 0;
  int code_d = 0;
  int parameter = 0;
  int standard_number = 0;
  char letter = '\0';
};

bool keeps_s_list(int language) { return language == 2 || language == 6 || language == 13 || language == 16; }

// Removes every occurrence of `tail`, keeping the parameter's place in step.
void remove_tail(PenaltyEntry& entry, const std::string& tail) {
  for (size_t p = entry.text.find(tail); p != std::string::npos; p = entry.text.find(tail, p)) {
    entry.text.erase(p, tail.size());
    // The tails hold no digit, so one never overlaps the figure.
    if (entry.parameter_offset >= 0 && p < static_cast<size_t>(entry.parameter_offset)) {
      entry.parameter_offset -= static_cast<int>(tail.size());
    }
  }
}

void fill_entry(PenaltyCatalogue& cat, int index, const PenaltyColumns& cols, std::string text, int column,
                int selected_row, bool strip) {
  PenaltyEntry& entry = cat.entries[static_cast<size_t>(index)];
  char letter = cols.letter;

  if (!has_letter_or_digit(text)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "<%d %c no description>", cols.standard_number, letter);
    text = buffer;  // a NUL letter ends the text there, as the C format does
  }
  if (keeps_s_list(cat.language) && letter == 's') {
    add_to_int_list(cat.s_standards, cols.standard_number, true);
    letter = 'S';
  }
  if (text.size() > static_cast<size_t>(column)) {
    collect_references(text.substr(static_cast<size_t>(column)), selected_row,
                       cat.references[static_cast<size_t>(index)], entry.standards_text);
    text.resize(static_cast<size_t>(column));
  }
  while (!text.empty() && is_blank(text.back())) text.pop_back();

  entry.text = text;
  size_t mark = entry.text.find(kParameterMark);
  if (mark != std::string::npos) {
    entry.has_parameter = 1;
    entry.text.replace(mark, std::strlen(kParameterMark), std::to_string(cols.parameter));
    entry.parameter_offset = static_cast<int>(mark);
  }
  if (strip) {
    static const char* const kTails[] = {" (added by Kelvar)", " (added by Vexa)", " (ref. removed)"};
    for (const char* tail : kTails) {
      if (entry.text.find(tail) != std::string::npos) {
        remove_tail(entry, tail);
        break;
      }
    }
  }
  entry.is_mr = entry.text.find("(MR)") != std::string::npos ? 1 : 0;
  entry.not_used = starts_with_ignoring_case(entry.text, "Not Used") ? 1 : 0;
  entry.letter = letter;
  entry.code_d = cols.code_d;
  entry.penalty_number = cols.penalty_number;
  entry.standard_number = cols.standard_number;
  entry.parameter = cols.parameter;
  entry.code_b = cols.code_b;
  entry.code_c = cols.code_c;
}

// Reads the columns 1-22 of the next record. False at the end of the file.
bool read_columns(FILE* f, PenaltyColumns& cols) {
  bool eof = false;
  cols.penalty_number = Readfixedint(f, 5, &eof);
  cols.code_b = Readfixedint(f, 2, &eof);
  cols.code_c = Readfixedint(f, 1, &eof);
  cols.code_d = Readfixedint(f, 2, &eof);
  cols.parameter = Readfixedint(f, 5, &eof);
  cols.standard_number = Readfixedint(f, 5, &eof);
  if (eof) return false;
  int skipped = read_text_char(f);
  int letter = read_text_char(f);
  if (skipped == EOF || letter == EOF) return false;
  cols.letter = static_cast<char>(letter);
  return true;
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

int load_from_file(PenaltyCatalogue& cat, const std::string& path, bool report, bool strip) {
  FileHandle file(path.empty() || path.size() > kMaxPath ? nullptr : std::fopen(path.c_str(), "r"));
  if (!file) {
    if (report) {
      channel_b(kReportOpenProblem);
      report_printf("Can't open penalty file %s\n", path.c_str());
      channel_b(kReportClose);
    }
    return kPenaltyFileNotOpened;
  }
  FILE* f = file.get();
  int status = kPenaltiesLoaded;

  char first[kLineBufferSize];
  int overflow = 0;
  read_line(f, first, sizeof first, false, false, false, &overflow);
  int count = 0;
  parse_leading_count(first, count);
  int column = kDefaultStandardsColumn;
  if (const char* phrase = std::strstr(first, kStandardsColumnPhrase)) {
    int value = 0;
    if (parse_leading_count(phrase + std::strlen(kStandardsColumnPhrase), value)) column = std::max(value, 0);
  }
  if (count > kMaxPenalties) {
    if (report) {
      channel_b(kReportOpenProblem);
      report_printf("Current maximum number of penalties is %d\n", kMaxPenalties);
      channel_b(kReportClose, "Configuration error - too many penalties in pen file");
    }
    status = kTooManyPenalties;
  }

  const int selected_row = find_standards_model(cat.external_standard);
  int taken = 0;
  PenaltyColumns cols;
  while (taken < kMaxPenalties && read_columns(f, cols)) {
    if (cols.penalty_number <= 0) continue;
    char text[kTextReadMax + 1];
    read_line(f, text, sizeof text, false, false, false, &overflow);
    fill_entry(cat, taken, cols, text, column, selected_row, strip);
    ++taken;
  }
  file.reset();

  const std::string filler = std::string("<No Text from ") + language_file_prefix(cat.language) + "pen.dat>";
  for (int i = taken; i < kPenaltyEntryCount; ++i) cat.entries[static_cast<size_t>(i)].text = filler;
  return status;
}

// Loads the entries held in the GLQ repository: type 90 gives an entry's
// numbers and texts, type 93 its references and the codes b and c.
int load_from_glh(PenaltyCatalogue& cat, const char* glh_path) {
  GlqStandardsData data;
  if (!read_glq_standards(glh_path, cat.language, false, data)) return kPenaltiesGlhNotRead;
  for (const GlhRecord& r : data.penalty_records) {
    const int type = r.fields[kGlFieldType];
    const int index = r.fields[kGlqFieldEntry];
    if (index < 0 || index >= kPenaltyEntryCount) continue;
    PenaltyEntry& entry = cat.entries[static_cast<size_t>(index)];
    if (type == kGlqPenalty) {
      entry.penalty_number = r.fields[kGlqPenaltyNumber];
      entry.letter = static_cast<char>(r.fields[kGlqPenaltyLetter]);
      entry.code_d = r.fields[kGlqPenaltyCodeD];
      entry.standard_number = r.fields[kGlqPenaltyStandardNumber];
      entry.parameter = r.fields[kGlqPenaltyParameter];
      entry.has_parameter = r.fields[kGlqPenaltyHasParameter];
      entry.is_mr = r.fields[kGlqPenaltyIsMr];
      const std::string type_string = r.key.value_or("");
      entry.standards_text = type_string == kGlqNoTypeString ? std::string() : type_string.substr(0, kStandardsTextMax);
      const std::string name = r.value.value_or("");
      entry.text = name == kGlqNoNameString ? std::string() : name;
      entry.parameter_offset = -1;
    } else if (type == kGlqReferences) {
      charlist& refs = cat.references[static_cast<size_t>(index)];
      refs.clear();
      for (std::string& item : split_glq_list(r.value.value_or(""))) refs.push_back(std::move(item));
      entry.code_b = r.fields[kGlqReferencesCodeB];
      entry.code_c = r.fields[kGlqReferencesCodeC];
    }
  }
  return kPenaltiesLoaded;
}

// The catalogue that stands in for language 0 until one is loaded for it.
void make_language_zero_catalogue() {
  std::unique_ptr<PenaltyCatalogue>& slot = store().by_language[0];
  if (slot) return;
  std::unique_ptr<PenaltyCatalogue> cat = new_catalogue(0);
  for (PenaltyEntry& entry : cat->entries) entry.text = "Penalty text not available";
  slot = std::move(cat);
}

// The position of the parameter figure in the entry's text: where "***"
// was replaced, else the first place where its decimal stands alone.
size_t parameter_position(const PenaltyEntry& entry) {
  const std::string figure = std::to_string(entry.parameter);
  if (entry.parameter_offset >= 0 && static_cast<size_t>(entry.parameter_offset) <= entry.text.size() &&
      entry.text.compare(static_cast<size_t>(entry.parameter_offset), figure.size(), figure) == 0) {
    return static_cast<size_t>(entry.parameter_offset);
  }
  for (size_t p = entry.text.find(figure); p != std::string::npos; p = entry.text.find(figure, p + 1)) {
    bool alone_before = p == 0 || !is_digit(entry.text[p - 1]);
    size_t end = p + figure.size();
    bool alone_after = end >= entry.text.size() || !is_digit(entry.text[end]);
    if (alone_before && alone_after) return p;
  }
  return std::string::npos;
}

// Composing step 2: the analysis text repeats the catalogue text up to the
// figure and then gives a figure of its own, which the entry takes over.
void take_new_parameter(PenaltyEntry& entry, const std::string& analysis) {
  const size_t place = parameter_position(entry);
  if (place == std::string::npos) return;
  if (analysis.size() < place || analysis.compare(0, place, entry.text, 0, place) != 0) return;
  size_t p = place;
  long long value = 0;
  size_t digits = 0;
  while (p < analysis.size() && is_digit(analysis[p]) && digits < 10) {
    value = value * 10 + (analysis[p++] - '0');
    ++digits;
  }
  if (digits == 0 || value > std::numeric_limits<int>::max()) return;
  const std::string old_figure = std::to_string(entry.parameter);
  entry.text.replace(place, old_figure.size(), std::to_string(value));
  entry.parameter = static_cast<int>(value);
  entry.parameter_offset = static_cast<int>(place);
}

}  // namespace

std::string penalty_file_path(int language, const char* explicit_path) {
  if (explicit_path && *explicit_path) return explicit_path;
  int code = normalise_language(language);
  if (code == 17) code = 0;
  const std::string key = language_variable_name(code, "PENFILE");
  if (const char* value = get_profile_string(key.c_str(), nullptr, false, nullptr)) {
    std::string path = value;
    if (is_regular_file(path)) return path;
  }
  const std::string data_path = language_data_path("pen.dat", code);
  if (is_regular_file(data_path)) return data_path;
  const char* value = get_profile_string("PENFILE", data_path.c_str(), false, nullptr);
  return value ? value : data_path;
}

int load_penalty_catalogue(int language, const char* explicit_path, bool report, bool strip, const char* glh_path) {
  language = normalise_language(language);
  std::unique_ptr<PenaltyCatalogue>& slot = store().by_language[language];
  if (slot && slot->loaded) return kPenaltiesLoaded;
  try {
    slot = new_catalogue(language);
    slot->external_standard = select_external_standard(language);
    int status;
    if (glh_path && *glh_path) {
      status = load_from_glh(*slot, glh_path);
      slot->loaded = status == kPenaltiesLoaded;
      return status;
    }
    status = load_from_file(*slot, penalty_file_path(language, explicit_path), report, strip);
    if (status == kPenaltyFileNotOpened) return status;
    slot->loaded = true;
    make_language_zero_catalogue();
    return status;
  } catch (const std::bad_alloc&) {
    slot.reset();
    return kPenaltiesLoaded;
  }
}

const PenaltyCatalogue* find_penalty_catalogue(int language) {
  if (language < 0 || language >= kStandardsLanguageCount) language = 0;
  return store().by_language[language].get();
}

const PenaltyEntry* penalty_entry(int language, int index) {
  const PenaltyCatalogue* cat = find_penalty_catalogue(language);
  if (!cat || index < 0 || index >= kPenaltyEntryCount) return nullptr;
  return &cat->entries[static_cast<size_t>(index)];
}

const charlist* penalty_references(int language, int index) {
  const PenaltyCatalogue* cat = find_penalty_catalogue(language);
  if (!cat || index < 0 || index >= kPenaltyEntryCount) return nullptr;
  return &cat->references[static_cast<size_t>(index)];
}

const int_list& s_standard_numbers(int language) {
  static const int_list kEmpty;
  const PenaltyCatalogue* cat = find_penalty_catalogue(language);
  return cat ? cat->s_standards : kEmpty;
}

int find_penalty_entry(char letter, int standard_number, int language, int fallback_penalty_number) {
  language = normalise_language(language);
  PenaltyCatalogue* cat = store().by_language[language].get();
  const bool cacheable = is_letter(letter) && standard_number >= 0 && standard_number < kCacheNumbers;
  unsigned short* cached = nullptr;
  if (cat && cacheable) {
    cached = &cat->lookup_cache[static_cast<size_t>(to_upper(letter) - 'A') * kCacheNumbers +
                                static_cast<size_t>(standard_number)];
  }
  if (language == 0) return cached && *cached > 0 ? *cached : 0;
  if (cached && *cached > 0) return *cached;
  if (!cat) return fallback_penalty_number == -1 ? -1 : 999;
  if (standard_number != 0) {
    for (int i = 0; i < kPenaltyEntryCount; ++i) {
      const PenaltyEntry& entry = cat->entries[static_cast<size_t>(i)];
      if (entry.letter == letter && entry.standard_number == standard_number) {
        if (cached) *cached = static_cast<unsigned short>(i);
        return i;
      }
    }
  }
  if (fallback_penalty_number == -1) return -1;
  int found = 999;
  for (int i = 0; i < kPenaltyEntryCount; ++i) {
    if (cat->entries[static_cast<size_t>(i)].penalty_number == fallback_penalty_number) found = i;
  }
  return found;
}

ViolationTexts compose_violation_texts(char letter, int standard_number, int language, const char* analysis_text) {
  ViolationTexts out;
  const std::string analysis = analysis_text ? analysis_text : "";
  language = normalise_language(language);
  PenaltyCatalogue* cat = store().by_language[language].get();
  const int index = find_penalty_entry(letter, standard_number, language);
  if (!cat || index < 0 || index > 999) {
    out.main_text = analysis;
    return out;
  }
  out.entry = index;
  PenaltyEntry& entry = cat->entries[static_cast<size_t>(index)];

  if (entry.has_parameter && entry.parameter > 0 && differ_ignoring_case(analysis, entry.text, 40)) {
    take_new_parameter(entry, analysis);
  }
  const std::string& text = entry.text;
  const size_t n = std::min<size_t>(text.size(), 13);
  if (!analysis.empty() && differ_ignoring_case(analysis, text, n)) {
    out.main_text = analysis;
    return out;
  }
  if (analysis.size() >= text.size() && analysis != text && analysis.find("(added by ") == std::string::npos &&
      analysis.find(" (ref. removed)") == std::string::npos) {
    out.has_extra_text = true;
    out.extra_text = analysis;
    if (letter == 'S' && analysis.size() >= 48 && analysis[45] == ':' && analysis[46] == ' ') {
      out.main_text = analysis.substr(47);
      if (text.size() > 44) {
        out.has_extra_text = false;
        out.extra_text.clear();
      }
    }
  }
  return out;
}

void release_penalty_catalogues() {
  for (std::unique_ptr<PenaltyCatalogue>& slot : store().by_language) slot.reset();
}

void release_penalty_catalogue(int language) {
  if (language >= 0 && language < kStandardsLanguageCount) store().by_language[language].reset();
}

void reset_penalty_catalogues() { release_penalty_catalogues(); }

}  // namespace sorvi
