#include "standards/violation_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <new>
#include <strings.h>

#include "base/file_utils.h"
#include "base/lists.h"
#include "base/sorted_runs.h"
#include "config/profile.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"
#include "workfiles/record_line.h"
#include "workfiles/stem_files.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

constexpr int kViolationRecord = 101;
constexpr int kRelatedRecord = 801;
constexpr int kFollowUpRecord = 804;

constexpr const char* kModuleExtensions[] = {".sif", ".pf1", ".pf2", ".pf3", ".pfj", ".pf6", ".pf5"};
constexpr const char* kSystemExtensions[] = {".xfs", ".sfs"};
constexpr const char* kSystemRepository = "SYSTEM";

char upper(int c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); }

bool has_text(const char* text) { return text && *text; }

// An original place: the file that holds a line and the line in it.
struct Place {
  bool known = false;                // a file holds the line
  const std::string* file = nullptr;  // its name, held by the index record
  int original_line = 0;
  std::string file_name() const { return file ? *file : std::string(); }
};

// The original file and line of reformatted line R, as
// get_original_line_and_file finds them, through the given record.
Place place_of_reformatted(const IndexRecord& index, int reformatted_line) {
  Place place;
  int flattened = flattened_line(index, reformatted_line);
  const bool unknown = flattened == 0;
  if (unknown) flattened = 1;
  const FileLimits* file = containing_file(index, flattened, occurrence_count(index, reformatted_line, flattened));
  if (!file) return place;
  place.known = true;
  place.file = &file->file_name;
  place.original_line = unknown ? 0 : original_line_in(index, *file, flattened);
  return place;
}

// The original file and line of flattened line v itself.
Place place_of_flattened(const IndexRecord& index, int flattened, int reformatted_line) {
  Place place;
  const FileLimits* file = containing_file(index, flattened, occurrence_count(index, reformatted_line, flattened));
  if (!file) return place;
  place.known = true;
  place.file = &file->file_name;
  place.original_line = original_line_in(index, *file, flattened);
  return place;
}

bool same_file(const std::string& file, const char* filter) {
  if (strcasecmp(file.c_str(), filter) == 0) return true;
  const std::string a = full_path(file);
  const std::string b = full_path(filter);
  return !a.empty() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool same_texts(const Violation& a, const Violation& b) {
  return a.letter == b.letter && a.standard_number == b.standard_number && a.main_text == b.main_text &&
         a.extra_text == b.extra_text;
}

constexpr size_t kNoViolation = static_cast<size_t>(-1);

// The violations kept at each line, to find one equal to a new record: an
// open-addressed table from a line to the last violation kept there, and
// from each violation the one kept before it at its line.
class KeptAtLine {
 public:
  size_t last(int line) const {
    if (slots_.empty()) return kNoViolation;
    for (size_t i = slot_of(line);; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i].index == kNoViolation) return kNoViolation;
      if (slots_[i].line == line) return slots_[i].index;
    }
  }
  size_t before(size_t index) const { return before_[index]; }

  // Records violation `index` (each index once, counting up from 0) at the line.
  void add(int line, size_t index) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    size_t i = slot_of(line);
    while (slots_[i].index != kNoViolation && slots_[i].line != line) i = (i + 1) & (slots_.size() - 1);
    if (slots_[i].index == kNoViolation) ++used_;
    if (before_.size() <= index) before_.resize(index + 1, kNoViolation);
    before_[index] = slots_[i].index;
    slots_[i].line = line;
    slots_[i].index = index;
  }

 private:
  struct Slot {
    int line = 0;
    size_t index = kNoViolation;
  };

  size_t slot_of(int line) const {
    return static_cast<size_t>((static_cast<uint64_t>(static_cast<uint32_t>(line)) * 0x9E3779B97F4A7C15ull) >> 20) &
           (slots_.size() - 1);
  }

  void grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old) {
      if (s.index == kNoViolation) continue;
      size_t i = slot_of(s.line);
      while (slots_[i].index != kNoViolation) i = (i + 1) & (slots_.size() - 1);
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::vector<size_t> before_;
  size_t used_ = 0;
};

// Puts the list in the order of its keys, one (key, tie) pair per element,
// all distinct, where the tie is the element's position or its negation.
// The elements move in place along the cycles of the permutation; a list
// already in order is left alone.
void order_by_keys(violation_list& list, std::vector<std::pair<long long, long long>>& keys) {
  if (std::is_sorted(keys.begin(), keys.end())) return;
  std::sort(keys.begin(), keys.end());
  // The element that belongs at position k.
  auto from = [&keys](size_t k) {
    const long long tie = keys[k].second;
    return static_cast<size_t>(tie < 0 ? -tie : tie);
  };
  std::vector<bool> placed(list.size(), false);
  for (size_t start = 0; start < list.size(); ++start) {
    if (placed[start] || from(start) == start) continue;
    Violation held = std::move(list[start]);
    size_t at = start;
    for (;;) {
      placed[at] = true;
      const size_t source = from(at);
      if (source == start) {
        list[at] = std::move(held);
        break;
      }
      list[at] = std::move(list[source]);
      at = source;
    }
  }
}

// The violation a following type-804 record may stand in for.
struct LastViolation {
  violation_list* list = nullptr;
  size_t position = 0;
  int raw_line = 0;
  char letter = '\0';
  int standard_number = 0;
};

class ViolationReading {
 public:
  ViolationReading(violation_list& lines, violation_list& procedures, int procedure, const IndexRecord* index,
                   const char* file_filter, const ViolationReadContext& context)
      : lines_(lines), procedures_(procedures), procedure_(procedure), index_(index), context_(context) {
    if (has_text(file_filter)) filter_ = file_filter;
    if (has_text(context.main_file)) {
      main_file_ = context.main_file;
    } else if (index) {
      main_file_ = index->main_file();
    }
    if (context.procedures) {
      for (const ProcedureBlocks& p : *context.procedures) last_lines_.emplace(p.number, p.lastLine);
    }
  }

  bool filter_excluded() const {
    return !filter_.empty() && is_file_excluded(filter_.c_str(), context_.language, main_file_.c_str());
  }

  void add_placeholder() {
    if (!is_standard_reported('S', 1, context_.language)) return;
    Violation v;
    v.line = 1;
    v.excluded_mark = -1;
    v.standard_number = 1;
    v.letter = 'S';
    v.main_text = std::string();
    v.extra_text = std::string();
    v.source_line = 1;
    lines_.push_back(std::move(v));
  }

  // Reads one file; true when it was read to its end without a read error.
  // Makes room for `lines` more violations at once, so that the list does
  // not move while it grows.
  void expect(size_t lines) {
    try {
      lines_.reserve(lines_.size() + lines);
    } catch (const std::bad_alloc&) {
      // It grows as it goes.
    }
  }

  bool read_file(FILE* stream, bool system_file) {
    std::string text;
    const char* data = nullptr;
    size_t size = 0;
    LastViolation pending;
    while (read_record_line(stream, text, &data, &size)) {
      RecordLine line(data, size);
      const RecordHead head = line.head();
      if (module_ == 0 && head.module_number != 0) module_ = head.module_number;
      LastViolation previous = pending;
      pending = LastViolation{};
      switch (head.type) {
        case kViolationRecord:
          if ((head.module_number == 0 || head.module_number == module_) &&
              (procedure_ < 1 || procedure_ == head.procedure_number)) {
            pending = read_violation(line, head, system_file);
          }
          break;
        case kRelatedRecord:
          read_related(line, head);
          break;
        case kFollowUpRecord:
          if (previous.list) read_follow_up(line, head, previous);
          break;
        default:
          break;
      }
    }
    return !std::ferror(stream);
  }

  // Puts the lists in their orders. Each record was appended as it was
  // read; the orders are those of inserting each in turn before the first
  // record with a greater key: by line, or with a file filter by source
  // line where a record of source line 0 goes to the front; procedure
  // violations by procedure number.
  void sort_lists() {
    // Records mostly come in line order, in a few runs: merged in place.
    auto by_line = [](const Violation& a, const Violation& b) { return a.line < b.line; };
    auto by_procedure = [](const Violation& a, const Violation& b) { return a.procedure_number < b.procedure_number; };
    const bool lines_merged = filter_.empty() && merge_sorted_runs(lines_, by_line);
    const bool procedures_merged = merge_sorted_runs(procedures_, by_procedure);
    if (lines_merged && procedures_merged) return;
    std::vector<std::pair<long long, long long>> keys(lines_merged ? 0 : lines_.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      const long long position = static_cast<long long>(i);
      if (filter_.empty()) {
        keys[i] = {lines_[i].line, position};
      } else {
        // Source line 0 goes to the front, the later record first.
        const int line = lines_[i].source_line;
        keys[i] = {line, line == 0 ? -position : position};
      }
    }
    if (!lines_merged) order_by_keys(lines_, keys);
    if (procedures_merged) return;
    keys.resize(procedures_.size());
    for (size_t i = 0; i < procedures_.size(); ++i) keys[i] = {procedures_[i].procedure_number, static_cast<long long>(i)};
    order_by_keys(procedures_, keys);
  }

  // Attaches each related place to the first main-list violation it names.
  void match_related() {
    if (related_.empty()) return;
    // The main list's positions by line, in list order within a line.
    std::vector<std::pair<int, size_t>> by_line(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) by_line[i] = {lines_[i].line, i};
    if (!std::is_sorted(by_line.begin(), by_line.end())) std::sort(by_line.begin(), by_line.end());
    auto first_match = [&](int line, char letter, int standard, bool letter_d_only) -> size_t {
      auto it = std::lower_bound(by_line.begin(), by_line.end(), std::pair<int, size_t>(line, 0));
      for (; it != by_line.end() && it->first == line; ++it) {
        const Violation& v = lines_[it->second];
        if (letter_d_only && v.letter != 'D') continue;
        if (v.standard_number == standard && v.letter == letter) return it->second;
      }
      return lines_.size();
    };
    for (RelatedLocation& r : related_) {
      r.module_number = module_;
      const char letter = upper(static_cast<unsigned char>(r.letter));
      size_t at = first_match(r.violation_line, letter, r.standard_number, false);
      bool by_letter_d = false;
      if (r.violation_line == 0) {
        const size_t d = first_match(r.first_line, letter, r.standard_number, true);
        if (d < at) {
          at = d;
          by_letter_d = true;
        }
      }
      if (at >= lines_.size()) continue;
      Violation& v = lines_[at];
      const int target = (r.place_line == 0 || r.place_line == v.line) ? r.first_line : r.place_line;
      if (target == v.line && (v.module_number == 0 || v.module_number == r.module_number)) continue;
      if (by_letter_d && target == 6) continue;
      v.related.push_back(std::move(r));
    }
    // Each match went to the front of its violation's list.
    for (Violation& v : lines_) std::reverse(v.related.begin(), v.related.end());
  }

 private:
  LastViolation read_violation(RecordLine& line, const RecordHead& head, bool system_file) {
    line.skip(12);
    const int raw_line = line.fixed(7);
    line.fixed(7);
    line.fixed(7);
    int standard = 0;
    bool ended = false;
    line.fixed_signed(7, &standard, &ended);
    if (ended) standard = 0;
    char letter = '\0';
    int text_switch = 0;
    std::string analysis;
    if (standard != 0) {
      line.skip_blanks();
      const int c = line.next_char();
      if (c < 0) {
        ended = true;
      } else {
        letter = upper(c);
        line.fixed_signed(3, &text_switch, &ended);
        if (ended) text_switch = 0;
      }
      if (!ended) {
        analysis = line.rest(kRecordTextMax);
        trim_trailing_blanks(analysis);
      }
    }

    if (!is_standard_reported(letter, standard, context_.language)) return LastViolation{};
    if (raw_line < 0) return LastViolation{};

    Violation v;
    v.standard_number = standard;
    v.letter = letter;
    v.module_number = head.module_number == 0 && !system_file ? module_ : head.module_number;
    v.procedure_number = head.procedure_number;
    v.line = raw_line;

    // The place the tests look at.
    const bool procedure_without_line = raw_line == 0 && head.procedure_number > 0;
    Place place;
    if (index_) {
      if (procedure_without_line) {
        place = place_of_reformatted(*index_, last_line_of(head.procedure_number));
      } else if (is_flattened_line_standard(letter, standard, context_.language)) {
        v.line = reformatted_line_of(*index_, raw_line);
        if (v.line < 0) return LastViolation{};
        place = place_of_flattened(*index_, raw_line, v.line);
      } else {
        place = place_of_reformatted(*index_, raw_line);
      }
      if (place.known && excluded(*place.file)) return LastViolation{};
      if (!filter_.empty() && !procedure_without_line && !(place.known && same_file(*place.file, filter_.c_str()))) {
        return LastViolation{};
      }
    }
    if (!filter_.empty()) v.source_line = std::max(0, place.original_line);

    if (standard != 0) {
      ViolationTexts texts =
          compose_violation_texts(letter, standard, context_.language, text_switch != 0 ? analysis.c_str() : nullptr);
      if (!texts.main_text.empty()) v.main_text = std::move(texts.main_text);
      if (texts.has_extra_text) v.extra_text = std::move(texts.extra_text);
    }

    LastViolation taken;
    taken.raw_line = raw_line;
    taken.letter = letter;
    taken.standard_number = standard;
    if (v.line != 0 || v.procedure_number == 0) {
      if (filter_.empty()) {
        // A record equal to one already kept at its line is dropped.
        for (size_t i = kept_at_line_.last(v.line); i != kNoViolation; i = kept_at_line_.before(i)) {
          if (same_texts(lines_[i], v)) return LastViolation{};
        }
        kept_at_line_.add(v.line, lines_.size());
      }
      taken.list = &lines_;
      taken.position = lines_.size();
      lines_.push_back(std::move(v));
    } else {
      taken.list = &procedures_;
      taken.position = procedures_.size();
      procedures_.push_back(std::move(v));
    }
    return taken;
  }

  void read_related(RecordLine& line, const RecordHead& head) {
    line.skip(12);
    RelatedLocation r;
    r.procedure_number = head.procedure_number;
    r.first_line = line.fixed(8);
    int values[7] = {0, 0, 0, 0, 0, 0, 0};
    for (int& value : values) {
      if (!line.scan_int(&value)) return;
    }
    if (!line.scan_char(&r.letter)) return;
    r.place_module = values[0];
    r.second = values[1];
    r.place_line = values[2];
    r.fourth = values[3];
    r.fifth = values[4];
    r.violation_line = values[5];
    r.standard_number = values[6];
    if (r.second < 1 && r.place_line < 1) return;
    if (index_ && !filter_.empty()) {
      const Place first = place_of_reformatted(*index_, r.first_line);
      r.first_file = first.file_name();
      r.first_original_line = first.original_line;
      const Place place = place_of_reformatted(*index_, r.place_line);
      r.place_file = place.file_name();
      r.place_original_line = place.original_line;
    }
    related_.push_back(std::move(r));
  }

  void read_follow_up(RecordLine& line, const RecordHead& head, const LastViolation& previous) {
    line.skip(12);
    FollowUp f;
    f.module_number = head.module_number;
    f.procedure_number = head.procedure_number;
    f.line = line.fixed(7);
    if (!line.scan_int(&f.standard_number) || !line.scan_char(&f.letter) || !line.scan_int(&f.value)) return;
    if (f.line != previous.raw_line || upper(static_cast<unsigned char>(f.letter)) != previous.letter ||
        f.standard_number != previous.standard_number) {
      return;
    }
    Violation& v = (*previous.list)[previous.position];
    v.has_follow_up = true;
    v.follow_up = f;
  }

  // Whether the report leaves out the file; the answer for the last file
  // asked is kept, as violations mostly come from one file after another.
  bool excluded(const std::string& file) {
    if (!excluded_known_ || file != excluded_file_) {
      excluded_file_ = file;
      excluded_ = is_file_excluded(file.c_str(), context_.language, main_file_.c_str());
      excluded_known_ = true;
    }
    return excluded_;
  }

  int last_line_of(int procedure_number) const {
    auto it = last_lines_.find(procedure_number);
    return it == last_lines_.end() ? 0 : it->second;
  }

  violation_list& lines_;
  violation_list& procedures_;
  int procedure_;
  const IndexRecord* index_;
  const ViolationReadContext& context_;
  std::string filter_;
  std::string main_file_;
  std::map<int, int> last_lines_;
  KeptAtLine kept_at_line_;
  std::string excluded_file_;
  bool excluded_known_ = false;
  bool excluded_ = false;
  std::vector<RelatedLocation> related_;
  int module_ = 0;
};

}  // namespace

bool is_flattened_line_standard(char letter, int standard_number, int language) {
  const char l = upper(static_cast<unsigned char>(letter));
  if (l != 'S' && l != 'Q') return false;
  switch (standard_number) {
    case 113:
    case 115:
    case 145:
    case 146:
    case 147:
    case 152:
    case 153:
    case 155:
    case 156:
    case 176:
      return true;
    default:
      break;
  }
  if (l == 'Q') return standard_number >= 3 && standard_number <= 5;
  return int_list_contains(s_standard_numbers(language), standard_number);
}

bool read_violations(const char* stem, violation_list& line_violations, violation_list& procedure_violations,
                     int procedure, const IndexRecord* index, const char* file_filter, const char* system_name,
                     const ViolationReadContext& context) {
  line_violations.clear();
  procedure_violations.clear();
  try {
    ViolationReading reading(line_violations, procedure_violations, procedure, index, file_filter, context);
    if (reading.filter_excluded()) {
      reading.add_placeholder();
      return true;
    }

    // Every file is opened first, so that the list makes room for a
    // violation per line of them all at once.
    struct Source {
      WorkFile file;
      bool system_file = false;
    };
    std::vector<Source> sources;
    auto open_one_file = [&](const std::string& path, const char* repository, bool system_file) {
      if (path.empty()) return;
      WorkFile file = open_work_file(path.c_str(), context.glh_file, repository, nullptr, kOpenRepositoryFirst);
      if (!work_file_stream(file.get())) return;
      sources.push_back(Source{std::move(file), system_file});
    };
    for (const char* extension : kModuleExtensions) {
      open_one_file(stem_file(stem, extension), context.repository_name, false);
    }
    if (has_text(system_name)) {
      for (const char* extension : kSystemExtensions) {
        open_one_file(std::string(work_file_path((std::string(system_name) + extension).c_str())),
                      kSystemRepository, true);
      }
    }
    size_t lines = 0;
    for (const Source& source : sources) lines += lines_ahead(work_file_stream(source.file.get()));
    reading.expect(lines);
    bool read_one = false;
    for (Source& source : sources) {
      if (reading.read_file(work_file_stream(source.file.get()), source.system_file)) read_one = true;
      close_work_file(source.file);
    }
    reading.sort_lists();
    reading.match_related();
    return read_one;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace sorvi
