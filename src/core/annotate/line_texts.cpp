#include "annotate/line_texts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "annotate/annotated_lines.h"
#include "base/text_reader.h"
#include "config/profile.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"

namespace sorvi {
namespace {

constexpr int kRuleLength = 78;
constexpr int kHeaderLineCount = 5;
constexpr size_t kQuotedLineMax = 519;

const char kExcludedText[] = "/* Violations excluded for this file */";
const char kNoPenaltyText[] = "Penalty Text Unavailable";

// The profile switches read once for the process.
struct TextSwitches {
  std::optional<bool> alternative_format;
  std::optional<bool> ref_line_numbers;
};

TextSwitches& text_switches() {
  static TextSwitches switches;
  return switches;
}

// Appends the value as "%*lld" writes it: right-aligned in blanks to the
// width, wider when it needs more characters.
void append_int(std::string& text, long long value, int width = 0) {
  char digits[24];
  int n = 0;
  unsigned long long magnitude =
      value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (value < 0) digits[n++] = '-';
  if (width > n) text.append(static_cast<size_t>(width - n), ' ');
  while (n > 0) text.push_back(digits[--n]);
}

std::string format_int(const char* format, long long value) {
  char buffer[48];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  return std::string(buffer, n > 0 ? static_cast<size_t>(std::min<int>(n, sizeof buffer - 1)) : 0);
}

const char* default_label(char letter) {
  switch (letter) {
    case 'C':
    case 'c':
      return "COMPLEXITY VIOLATION : ";
    case 'D':
    case 'd':
      return "DATAFLOW VIOLATION   : ";
    case 'H':
    case 'h':
      return "NAMING VIOLATION     : ";
    case 'I':
    case 'i':
      return "INFOFLOW VIOLATION   : ";
    case 'S':
    case 's':
      return "STATIC VIOLATION     : ";
    case 'X':
    case 'x':
      return "XREF VIOLATION       : ";
    case 'Z':
    case 'z':
      return "USER VIOLATION       : ";
    default:
      return "VIOLATION            : ";
  }
}

// Appends the head of a violation line: label alone, or with the level in front.
void append_violation_head(std::string& text, const Violation& v, int language, int entry_index) {
  const bool alternative = alternative_violation_format();
  const char* label = alternative ? "VIOLATION : " : default_label(v.letter);
  const ReportEntry* report = entry_index >= 0 ? report_entry(language, entry_index) : nullptr;
  if (report && !alternative) {
    const char level = report->category_letter;
    if (level != ' ' && level != '\0') {
      text += '(';
      text += level;
      text += ") ";
    }
    text += label;
    return;
  }
  const std::string level = report ? category_title(language, report->category) : std::string(" ");
  if (level.empty() || level[0] == ' ' || level[0] == '\0') {
    text += label;
    return;
  }
  // "%-11s %s": the bracketed title padded to 11 characters (a longer one
  // keeps all of its characters), a blank, the label.
  const size_t start = text.size();
  text += '(';
  text += level;
  text += ')';
  if (text.size() - start < 11) text.append(11 - (text.size() - start), ' ');
  text += ' ';
  text += label;
}

// A quoted ".ref" line without its number: leading blanks, the number and
// the blanks after it go; the flag character stays.
std::string without_line_number(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  while (i < line.size() && line[i] == ' ') ++i;
  return line.substr(i);
}

// Appends the ".ref" line of the violation, or its number when the file was
// already read past it.
void append_ref_quote(std::string& text, int line, RefQuote& ref) {
  if (line <= ref.lines_read) {
    text += format_int(" : %lld", line);
    return;
  }
  bool terminated = false;
  std::string skipped;
  while (ref.lines_read < line - 1) {
    if (!read_bounded_line(ref.stream, skipped, 0, &terminated)) return;
    ++ref.lines_read;
  }
  std::string quoted;
  if (!read_bounded_line(ref.stream, quoted, kQuotedLineMax, &terminated)) return;
  ++ref.lines_read;
  text += " : ";
  text += ref_line_numbers_kept() ? quoted : without_line_number(quoted);
}

int key_of(const Violation& v, bool listing) { return listing ? v.source_line : v.line; }

void add_note(NoteOutput& out, const char* prefix, int block, long long count) {
  std::string text;
  text.reserve(64);
  text += prefix;
  text += "Block ";
  append_int(text, block);
  text += ' ';
  const char* word = "executed";
  if (count < 0) {
    word = "partially executed";
    count = -count;
  }
  if (count == 0) {
    text += "has not been executed";
  } else {
    text += "has been ";
    text += word;
    if (count == 1) {
      text += " once";
    } else if (count == 2) {
      text += " twice";
    } else {
      text += ' ';
      append_int(text, count);
      text += " times";
    }
  }
  out.note(count == 0 ? kStyleNotExecuted : kStyleExecutedNote, std::move(text));
}

const int* count_at(const std::vector<int>& counts, int running_count) {
  if (running_count < 0 || static_cast<size_t>(running_count) >= counts.size()) return nullptr;
  return &counts[static_cast<size_t>(running_count)];
}

int ur_line(const UrAnomaly& a, UrPass pass) {
  return pass == UrPass::kUndefined ? a.undefined_line : a.referenced_line;
}

}  // namespace

// ---- rules -------------------------------------------------------------------------

const std::string& procedure_rule_text() {
  static const std::string text(kRuleLength, '=');
  return text;
}

const std::string& block_rule_text() {
  static const std::string text(kRuleLength, '-');
  return text;
}

const std::string& note_rule_text() {
  static const std::string text = [] {
    std::string t;
    for (int i = 0; i < kRuleLength / 2; ++i) t += "- ";
    return t;
  }();
  return text;
}

// ---- output ------------------------------------------------------------------------

void NoteOutput::note(int style, std::string_view text) {
  lines_.add_view(style, text, true);
  ++inserted_;
}

void NoteOutput::code(int style, std::string_view text) { lines_.add_view(style, text); }

// ---- line reading --------------------------------------------------------------------

bool read_bounded_line(FILE* stream, std::string& line, size_t max, bool* terminated) {
  line.clear();
  if (terminated) *terminated = false;
  if (!stream) return false;
  bool room = true;  // false once memory ran out: the rest is read past
  const int scanned = scan_text_line(stream, [&](const char* run, size_t n) {
    // NUL bytes are dropped.
    for (size_t start = 0; start < n && room && line.size() < max;) {
      const char* nul = static_cast<const char*>(std::memchr(run + start, '\0', n - start));
      const size_t stop = nul ? static_cast<size_t>(nul - run) : n;
      try {
        line.append(run + start, std::min(stop - start, max - line.size()));
      } catch (...) {
        room = false;
      }
      start = stop + 1;
    }
  });
  if (scanned == 0) return false;
  if (terminated && scanned == 1) *terminated = true;
  return true;
}

// ---- original lines ----------------------------------------------------------------------

int map_reformatted_line(const IndexRecord* index, int reformatted_line, int* original_line, std::string* file) {
  try {
    if (original_line) *original_line = 0;
    if (!index) return -1;
    int flattened = flattened_line(*index, reformatted_line);
    const bool unknown = flattened == 0;
    if (unknown) flattened = 1;
    const FileLimits* limits =
        containing_file(*index, flattened, occurrence_count(*index, reformatted_line, flattened));
    if (!limits) return -1;
    if (file) *file = limits->file_name;
    if (original_line) *original_line = unknown ? 0 : original_line_in(*index, *limits, flattened);
    return limits->depth;
  } catch (...) {
    return -1;
  }
}

int original_line_only(const IndexRecord* index, int reformatted_line) {
  int line = 0;
  if (map_reformatted_line(index, reformatted_line, &line, nullptr) >= 0 && line > 0) return line;
  return reformatted_line >= 1 && reformatted_line <= kHeaderLineCount ? 0 : 1;
}

// ---- violations ------------------------------------------------------------------------

std::string violation_text(const Violation& v, int language, RefQuote* ref, bool comment) {
  try {
    const int entry_index = find_penalty_entry(v.letter, v.standard_number, language);
    const PenaltyEntry* entry = entry_index >= 0 ? penalty_entry(language, entry_index) : nullptr;

    std::string text;
    text.reserve(128);
    if (comment) text += "/* ";
    append_violation_head(text, v, language, entry_index);

    // "%2d %c : " as a C string holds it: a NUL letter ends it after the number.
    append_int(text, v.standard_number, 2);
    text += ' ';
    if (v.letter != '\0') {
      text += v.letter;
      text += " : ";
    }

    if (entry && !entry->standards_text.empty()) {
      text += entry->standards_text;
      text += ": ";
    }

    const bool has_main = v.main_text.has_value();
    if (!entry || entry->text.empty()) {
      text += has_main && !v.main_text->empty() ? *v.main_text : std::string(kNoPenaltyText);
    } else if (v.extra_text.has_value()) {
      text += *v.extra_text;
    } else {
      text += entry->text;
      if (has_main) {
        if (entry_index != 0) text += " : ";
        text += *v.main_text;
      }
    }

    if (ref && ref->stream) append_ref_quote(text, v.line, *ref);
    if (comment) text += " */";
    return text;
  } catch (...) {
    return std::string();
  }
}

std::string cross_reference_text(const Violation& v, bool listing, bool comment) {
  try {
    if (v.related.empty()) return std::string();
    const RelatedLocation& r = v.related.front();
    int module = r.place_module != 0 ? r.place_module : r.module_number;
    int line = r.place_line;
    if (module == v.module_number && line == v.line) {
      module = r.module_number;
      line = r.first_line;
    }

    int original = 0;
    std::string file;
    if (line > 0) {
      if (find_index_record(module)) {
        if (get_original_line_and_file(line, module, &original, &file, nullptr, false, nullptr) < 0) {
          original = 0;
          file.clear();
        }
      } else {
        module_stem(module, false, false, file);
      }
    }

    std::string text;
    if (listing && original > 0) {
      text = format_int("    See also line %lld ", original) + file;
    } else {
      text = format_int("    See also Ref. line %lld ", line);
    }
    if (module != 0 && module != v.module_number) {
      std::string name;
      if (module_stem(module, false, false, name) && !name.empty()) {
        text += "(" + name + ")";
      } else {
        text += format_int("(Module %lld)", module);
      }
    }
    if (comment) text = "/*" + text + " */";
    return text;
  } catch (...) {
    return std::string();
  }
}

size_t emit_line_violations(NoteOutput& out, const violation_list& list, size_t cursor, int line, bool listing,
                            RefQuote* ref, bool comment, int language) {
  size_t i = cursor;
  try {
    while (i < list.size() && key_of(list[i], listing) < line) ++i;
    for (; i < list.size() && key_of(list[i], listing) == line; ++i) {
      const Violation& v = list[i];
      if (v.has_follow_up) continue;
      if (v.excluded_mark == -1) {
        out.note(kStyleDataflow, kExcludedText);
      } else {
        out.note(kStyleViolation, violation_text(v, language, ref, comment));
      }
      if (!v.related.empty()) out.note(kStyleViolation, cross_reference_text(v, listing, comment));
    }
    return i;
  } catch (...) {
    return i;
  }
}

size_t emit_procedure_violations(NoteOutput& out, const violation_list& list, size_t cursor, int procedure,
                                 bool without_rule, bool comment, int language) {
  size_t i = cursor;
  try {
    while (i < list.size() && list[i].procedure_number < procedure) ++i;
    bool first = true;
    for (; i < list.size() && list[i].procedure_number == procedure; ++i) {
      const Violation& v = list[i];
      if (v.has_follow_up) continue;
      if (first && !without_rule) out.note(kStyleBlockRule, block_rule_text());
      first = false;
      out.note(kStyleProcViolation, violation_text(v, language, nullptr, comment));
    }
    return i;
  } catch (...) {
    return i;
  }
}

size_t procedure_violations_start(const violation_list& list, int procedure) {
  size_t i = 0;
  // The list is ordered by procedure number: a binary search finds the
  // place a walk from the head would stop at.
  size_t count = list.size();
  while (count > 0) {
    const size_t half = count / 2;
    if (list[i + half].procedure_number < procedure) {
      i += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return i;
}

// ---- coverage --------------------------------------------------------------------------

void emit_coverage_notes(NoteOutput& out, int block, int running_count, bool instrumented,
                         const std::vector<int>& current_counts, const std::vector<int>& combined_counts) {
  try {
    const int* current = count_at(current_counts, running_count);
    const int* combined = count_at(combined_counts, running_count);
    const bool show_current = current && (*current != 0 || instrumented);
    const bool show_combined = combined && (*combined != 0 || instrumented);
    if (!show_current && !show_combined) return;
    out.note(kStyleNoteRule, note_rule_text());
    if (show_current) add_note(out, "Current Coverage  : ", block, *current);
    if (show_combined) add_note(out, "Combined Coverage : ", block, *combined);
  } catch (...) {
    return;
  }
}

// ---- data flow ---------------------------------------------------------------------------

size_t emit_dataflow_notes(NoteOutput& out, const dataflow_list& list, size_t cursor, DataflowNotes kind,
                           int procedure, int block) {
  size_t i = cursor;
  try {
    while (i < list.size() && (list[i].procedure_number < procedure ||
                               (list[i].procedure_number == procedure && list[i].block_number < block))) {
      ++i;
    }
    bool any = false;
    for (; i < list.size() && list[i].procedure_number == procedure && list[i].block_number == block; ++i) {
      if (!any) {
        if (kind == DataflowNotes::kFirstUses) {
          out.note(kStyleDataflow, "Variables referenced as first action : ");
        } else {
          out.note(kStyleNoteRule, note_rule_text());
          out.note(kStyleDataflow, "Variables defined as last action : ");
        }
        any = true;
      }
      out.note(kStyleDataflow, list[i].name);
    }
    if (any && kind == DataflowNotes::kFirstUses) out.note(kStyleNoteRule, note_rule_text());
    return i;
  } catch (...) {
    return i;
  }
}

size_t dataflow_notes_start(const dataflow_list& list, int procedure, int block) {
  auto before = [procedure, block](const DataflowItem& item) {
    return item.procedure_number < procedure || (item.procedure_number == procedure && item.block_number < block);
  };
  return static_cast<size_t>(std::partition_point(list.begin(), list.end(), before) - list.begin());
}

// ---- UR anomalies ------------------------------------------------------------------------

UrLineIndex::UrLineIndex(const ur_anomaly_list& list, UrPass pass) : size_(list.size()) {
  try {
    entries_.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) entries_.emplace_back(ur_line(list[i], pass), i);
    std::sort(entries_.begin(), entries_.end());
    usable_ = true;
  } catch (...) {
    entries_.clear();
  }
}

size_t UrLineIndex::find(int line, size_t from) const {
  const std::pair<int, size_t> key(line, from);
  // A walk asks line after line, so the answer mostly lies at or a few
  // places after the previous one: those are looked at first, and only a
  // question from further away searches the whole table.
  size_t at = 0;
  if (hint_ <= entries_.size() && (hint_ == 0 || entries_[hint_ - 1] < key)) {
    constexpr size_t kSteps = 8;
    at = hint_;
    const size_t stop = std::min(entries_.size(), hint_ + kSteps);
    while (at < stop && entries_[at] < key) ++at;
    if (at == stop && at < entries_.size() && entries_[at] < key) {
      const auto rest = entries_.begin() + static_cast<std::ptrdiff_t>(at);
      at = static_cast<size_t>(std::lower_bound(rest, entries_.end(), key) - entries_.begin());
    }
  } else {
    at = static_cast<size_t>(std::lower_bound(entries_.begin(), entries_.end(), key) - entries_.begin());
  }
  hint_ = at;
  if (at == entries_.size() || entries_[at].first != line) return size_;
  return entries_[at].second;
}

size_t emit_ur_anomalies(NoteOutput& out, const ur_anomaly_list& list, size_t cursor, int line, UrPass pass,
                         bool map, const IndexRecord* index, const UrLineIndex* lookup) {
  size_t i = cursor;
  if (lookup && lookup->usable()) {
    i = lookup->find(line, cursor);
  } else {
    while (i < list.size() && ur_line(list[i], pass) != line) ++i;
  }
  if (i >= list.size()) return cursor;
  try {
    for (; i < list.size() && ur_line(list[i], pass) == line; ++i) {
    const UrAnomaly& a = list[i];
    int undefined_line = a.undefined_line;
    int referenced_line = a.referenced_line;
    if (map) {
      undefined_line = original_line_only(index, undefined_line);
      referenced_line = original_line_only(index, referenced_line);
    }
    std::string text = "Possible UR ANOMALY : " + a.name + " : ";
    const bool undefined_first = pass == UrPass::kUndefined;
    text += undefined_first ? "(Undefined Line " : "(Referenced Line ";
    append_int(text, undefined_first ? undefined_line : referenced_line);
    text += undefined_first ? " - Referenced Line " : " - Undefined Line ";
    append_int(text, undefined_first ? referenced_line : undefined_line);
    text += ')';
    out.note(kStyleViolation, std::move(text));
    }
  } catch (...) {
  }
  return i;
}

// ---- process-wide state ------------------------------------------------------------------

bool alternative_violation_format() {
  TextSwitches& s = text_switches();
  if (!s.alternative_format) s.alternative_format = get_profile_bool("SORVI_ALT_VIOLATION_FORMAT", false, false);
  return *s.alternative_format;
}

bool ref_line_numbers_kept() {
  TextSwitches& s = text_switches();
  if (!s.ref_line_numbers) s.ref_line_numbers = get_profile_bool("RTF_REF_LINE_NUMBERS", true, false);
  return *s.ref_line_numbers;
}

void reset_line_text_state() { text_switches() = TextSwitches(); }

}  // namespace sorvi
