#include "base/string_routines.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <strings.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"

namespace sorvi {
namespace {

const char* or_empty(const char* text) { return text ? text : ""; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex_digit(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_blank(char c) { return c == ' ' || c == '\t'; }
char to_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Decimal digits, or "0x"/"0X" followed by hexadecimal digits. Returns the
// position after them, or null when there are none.
const char* skip_integer_digits(const char* p) {
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    const char* start = p + 2;
    p = start;
    while (is_hex_digit(*p)) ++p;
    return p == start ? nullptr : p;
  }
  const char* start = p;
  while (is_digit(*p)) ++p;
  return p == start ? nullptr : p;
}

bool is_floating(const char* p) {
  if (*p == '+' || *p == '-') ++p;
  int digits = 0;
  bool dot = false;
  for (; *p; ++p) {
    if (is_digit(*p)) {
      ++digits;
    } else if (*p == '.' && !dot) {
      dot = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    const char* start = p;
    while (is_digit(*p)) ++p;
    if (p == start) return false;
  }
  return *p == '\0';
}

int clamp_to_int(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

// ---- splitting -----------------------------------------------------------

void report_split_memory_overflow(const char* line) {
  set_report_exit_status(14);
  channel_a(kReportOpenProblem);
  report_printf("Error in analysing supplied line - %s - memory overflow", or_empty(line));
  channel_a(kReportClose);
}

bool split_line(const char* line, char separator, charlist& out, bool reversed) {
  const char* text = or_empty(line);
  charlist pieces;
  try {
    const char* start = text;
    for (;;) {
      const char* end = separator ? std::strchr(start, separator) : nullptr;
      if (allocation_fails()) throw std::bad_alloc();
      if (!end) {
        pieces.emplace_back(start);
        break;
      }
      pieces.emplace_back(start, static_cast<size_t>(end - start));
      start = end + 1;
    }
  } catch (const std::bad_alloc&) {
    report_split_memory_overflow(text);
    return false;
  }
  if (reversed) reverse_charlist(pieces);
  out.swap(pieces);
  return true;
}

bool split_line_at_strings(const char* line, const std::vector<std::string>& separators, string_int_list& out) {
  const char* text = or_empty(line);
  string_int_list pieces;
  try {
    const char* start = text;
    for (;;) {
      int which = -1;
      const char* hit = find_earliest(start, separators, true, &which);
      if (allocation_fails()) throw std::bad_alloc();
      if (!hit) {
        pieces.push_back(StringIntEntry{-1, std::string(start)});
        break;
      }
      pieces.push_back(StringIntEntry{which, std::string(start, static_cast<size_t>(hit - start))});
      start = hit + separators[static_cast<size_t>(which)].size();
    }
  } catch (const std::bad_alloc&) {
    report_split_memory_overflow(text);
    return false;
  }
  out.swap(pieces);
  return true;
}

// ---- numbers ---------------------------------------------------------------

int parse_fixed_width_int(const char* text, int width, int& value) {
  value = 0;
  if (!text || width < 1 || width > 16) return 0;
  int64_t weight = 1;
  for (int i = 1; i < width; ++i) weight *= 10;
  int64_t sum = 0;
  bool negative = false;
  bool minus_seen = false;
  bool digits_seen = false;
  int taken = 0;
  while (taken < width) {
    char c = text[taken];
    if (is_digit(c)) {
      digits_seen = true;
      sum += (c - '0') * weight;
    } else if (c == ' ' && !digits_seen) {
      // a leading blank
    } else if (c == '-' && !digits_seen && !minus_seen) {
      minus_seen = true;
      negative = true;
    } else {
      break;  // the end of the text, a blank after the digits or any other character
    }
    ++taken;
    weight /= 10;
  }
  value = clamp_to_int(negative ? -sum : sum);
  return taken;
}

bool is_number(const char* text, int mode) {
  const char* p = or_empty(text);
  if (!*p) return false;
  switch (mode) {
    case kNumberCInteger: {
      p = skip_integer_digits(p);
      if (!p) return false;
      while (*p && std::strchr("LUlu", *p)) ++p;
      return *p == '\0';
    }
    case kNumberSigned: {
      if (*p == '+' || *p == '-') ++p;
      p = skip_integer_digits(p);
      return p && *p == '\0';
    }
    case kNumberFloating:
      return is_floating(p);
    case kNumberExpression:
      for (; *p; ++p) {
        if (!is_digit(*p) && !is_blank(*p) && !std::strchr("()+-*", *p)) return false;
      }
      return true;
    case kNumberDigitsOnly:
      for (; *p; ++p) {
        if (!is_digit(*p)) return false;
      }
      return true;
    default:
      return false;
  }
}

// ---- words -------------------------------------------------------------------

int count_words(const char* text) {
  int words = 0;
  bool in_word = false;
  for (const char* p = or_empty(text); *p; ++p) {
    if (is_blank(*p)) {
      in_word = false;
    } else if (!in_word) {
      in_word = true;
      ++words;
    }
  }
  return words;
}

const char* nth_word(const char* text, int n) {
  if (!text || n < 1) return nullptr;
  int words = 0;
  bool in_word = false;
  for (const char* p = text; *p; ++p) {
    if (is_blank(*p)) {
      in_word = false;
    } else if (!in_word) {
      in_word = true;
      if (++words == n) return p;
    }
  }
  return nullptr;
}

std::string copy_nth_word(const char* text, int n) {
  const char* start = nth_word(text, n);
  if (!start) return std::string();
  const char* end = start;
  while (*end && !is_blank(*end)) ++end;
  return std::string(start, static_cast<size_t>(end - start));
}

// ---- characters --------------------------------------------------------------

int upper_case(char* text) {
  if (!text) return 0;
  int changed = 0;
  for (char* p = text; *p; ++p) {
    char u = to_upper(*p);
    if (u != *p) {
      *p = u;
      ++changed;
    }
  }
  return changed;
}

int upper_case(std::string& text) {
  int changed = 0;
  for (char& c : text) {
    char u = to_upper(c);
    if (u != c) {
      c = u;
      ++changed;
    }
  }
  return changed;
}

int upper_case_copy(const char* text, std::string& out) {
  out = or_empty(text);
  return upper_case(out);
}

bool is_all_ascii(const char* text) {
  for (const char* p = or_empty(text); *p; ++p) {
    if (static_cast<unsigned char>(*p) >= 128) return false;
  }
  return true;
}

int count_char(const char* text, char c) {
  int n = 0;
  for (const char* p = or_empty(text); *p; ++p) {
    if (*p == c) ++n;
  }
  return n;
}

int remove_char(char* text, char c) {
  if (!text || c == '\0') return 0;
  char* out = text;
  int removed = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == c) {
      ++removed;
    } else {
      *out++ = *p;
    }
  }
  *out = '\0';
  return removed;
}

int remove_char(std::string& text, char c) {
  size_t before = text.size();
  text.erase(std::remove(text.begin(), text.end(), c), text.end());
  return static_cast<int>(before - text.size());
}

int replace_char(char* text, char from, char to, bool all, bool outside_quotes) {
  if (!text || from == '\0') return 0;
  int replaced = 0;
  bool quoted = false;
  for (char* p = text; *p; ++p) {
    if (*p == from && !(outside_quotes && quoted)) {
      *p = to;
      ++replaced;
      if (!all) break;
      continue;
    }
    if (*p == '"') quoted = !quoted;
  }
  return replaced;
}

int trim_trailing(char* text, const char* set, int max) {
  if (!text) return 0;
  const char* chars = set ? set : " ";
  size_t len = std::strlen(text);
  int removed = 0;
  while (len > 0 && (max < 0 || removed < max) && std::strchr(chars, text[len - 1])) {
    text[--len] = '\0';
    ++removed;
  }
  return removed;
}

int trim_trailing(std::string& text, const char* set, int max) {
  const char* chars = set ? set : " ";
  int removed = 0;
  while (!text.empty() && text.back() != '\0' && (max < 0 || removed < max) && std::strchr(chars, text.back())) {
    text.pop_back();
    ++removed;
  }
  return removed;
}

int count_leading_blanks(const char* text) {
  int n = 0;
  for (const char* p = or_empty(text); is_blank(*p); ++p) ++n;
  return n;
}

// ---- quoting ---------------------------------------------------------------

int strip_quotes(std::string& text) {
  size_t lead = 0;
  while (lead < text.size() && is_blank(text[lead])) ++lead;
  text.erase(0, lead);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  int removed = 0;
  if (!text.empty() && text.front() == '"') {
    text.erase(0, 1);
    ++removed;
  }
  if (!text.empty() && text.back() == '"') {
    text.pop_back();
    ++removed;
  }
  return removed;
}

int strip_quotes(char* text) {
  if (!text) return 0;
  std::string s(text);
  int removed = strip_quotes(s);
  // The result is never longer than the original, so it fits in place.
  std::memcpy(text, s.c_str(), s.size() + 1);
  return removed;
}

std::string quote_text(const char* text) {
  const char* t = or_empty(text);
  if (std::strchr(t, '"')) return t;
  return std::string("\"") + t + "\"";
}

// ---- searching and comparing -----------------------------------------------

const char* find_case_insensitive(const char* text, const char* search) {
  if (!text) return nullptr;
  const char* s = or_empty(search);
  size_t n = std::strlen(s);
  for (const char* p = text;; ++p) {
    if (strncasecmp(p, s, n) == 0) return p;
    if (!*p) return nullptr;
  }
}

const char* find_earliest(const char* text, const std::vector<std::string>& searches, bool case_sensitive,
                          int* which) {
  if (which) *which = -1;
  if (!text) return nullptr;
  const char* best = nullptr;
  for (size_t i = 0; i < searches.size(); ++i) {
    if (searches[i].empty()) continue;
    const char* hit = case_sensitive ? std::strstr(text, searches[i].c_str())
                                     : find_case_insensitive(text, searches[i].c_str());
    if (hit && (!best || hit < best)) {
      best = hit;
      if (which) *which = static_cast<int>(i);
    }
  }
  return best;
}

int compare_text(const char* left, const char* right, bool case_sensitive) {
  const char* l = or_empty(left);
  const char* r = or_empty(right);
  if (!*l && !*r) return 0;
  if (!*l) return 1;
  if (!*r) return -1;
  int cmp = case_sensitive ? std::strcmp(l, r) : strcasecmp(l, r);
  return cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
}

}  // namespace sorvi
