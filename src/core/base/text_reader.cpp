#include "base/text_reader.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/fatal_report.h"
#include "base/string_routines.h"

namespace sorvi {
namespace {

void set_flag(bool* flag) {
  if (flag) *flag = true;
}

bool is_digit(int c) { return c >= '0' && c <= '9'; }

int clamp_to_int(int64_t v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int64_t power_of_ten(int exponent) {
  int64_t p = 1;
  for (int i = 0; i < exponent; ++i) p *= 10;
  return p;
}

}  // namespace

void report_fixed_width_too_large(const char* routine, int width) {
  char text[200];
  std::snprintf(text, sizeof text,
                "Attempt to read a fixed width int greater than %d long\n"
                "                   %s called with intlen parameter %d",
                kMaxFixedIntWidth, routine, width);
  channel_b(kReportProblem, text);
}


bool buffered_chars(FILE* stream, const char** data, size_t* size) {
#ifdef __GLIBC__
  // The get area getc_unlocked itself reads; __uflow refills it and hands
  // out its first character, which is given back at once.
  if (stream->_IO_read_ptr >= stream->_IO_read_end) {
    if (__uflow(stream) == EOF) return false;
    --stream->_IO_read_ptr;
  }
  *data = stream->_IO_read_ptr;
  *size = static_cast<size_t>(stream->_IO_read_end - stream->_IO_read_ptr);
  return true;
#else
  // One character at a time elsewhere.
  static thread_local char one;
  const int c = getc(stream);
  if (c == EOF) return false;
  std::ungetc(c, stream);
  one = static_cast<char>(c);
  *data = &one;
  *size = 1;
  return true;
#endif
}

void consume_buffered(FILE* stream, size_t count) {
#ifdef __GLIBC__
  stream->_IO_read_ptr += count;
#else
  for (size_t i = 0; i < count; ++i) getc(stream);
#endif
}

int read_text_char(FILE* stream) {
  int c = getc_unlocked(stream);
  if (c != '\r') return c;
  int next = getc_unlocked(stream);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, stream);
  return '\r';
}

// ---- lines of any length ---------------------------------------------------

bool read_any_line(FILE* stream, std::string& line) {
  line.clear();
  if (!stream) return false;
  bool any = false;
  const char* data = nullptr;
  size_t size = 0;
  while (buffered_chars(stream, &data, &size)) {
    any = true;
    // The line ends at the first LF or CR of the buffer, if it holds one.
    const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', end ? static_cast<size_t>(end - data) : size));
    if (cr) end = cr;
    const size_t n = end ? static_cast<size_t>(end - data) : size;
    // NUL bytes are dropped.
    for (size_t start = 0; start < n;) {
      const char* nul = static_cast<const char*>(std::memchr(data + start, '\0', n - start));
      const size_t stop = nul ? static_cast<size_t>(nul - data) : n;
      line.append(data + start, stop - start);
      start = stop + (nul ? 1 : 0);
    }
    if (!end) {
      consume_buffered(stream, size);
      continue;
    }
    const int c = static_cast<unsigned char>(*end);
    consume_buffered(stream, n + 1);
    const int partner = c == '\n' ? '\r' : '\n';
    const int next = getc_unlocked(stream);
    if (next != partner && next != EOF) std::ungetc(next, stream);
    return true;
  }
  return any;
}

bool read_any_line_trimmed(FILE* stream, std::string& line, bool trim_leading, bool trim_trailing) {
  if (!read_any_line(stream, line)) return false;
  if (trim_trailing) {
    size_t end = line.find_last_not_of(' ');
    line.erase(end == std::string::npos ? 0 : end + 1);
  }
  if (trim_leading) {
    size_t start = line.find_first_not_of(' ');
    line.erase(0, start == std::string::npos ? line.size() : start);
  }
  return true;
}

// ---- integers ----------------------------------------------------------------

bool read_int_from_stream(FILE* stream, int& value, bool* end_of_line, bool* end_of_file) {
  if (!stream) {
    set_flag(end_of_file);
    return false;
  }
  int c = read_text_char(stream);
  while (c != EOF && !is_digit(c)) {
    if (c == '\n') {
      set_flag(end_of_line);
      return false;
    }
    c = read_text_char(stream);
  }
  if (c == EOF) {
    set_flag(end_of_file);
    return false;
  }
  // Longer texts cannot be an int; they are read to their end and refused.
  char text[32];
  size_t len = 0;
  bool too_long = false;
  while (c != EOF && c != ' ' && c != '\n') {
    if (len + 1 < sizeof text) {
      text[len++] = static_cast<char>(c);
    } else {
      too_long = true;
    }
    c = read_text_char(stream);
  }
  text[len] = '\0';
  if (c == '\n') set_flag(end_of_line);
  if (c == EOF) set_flag(end_of_file);
  if (too_long || !is_number(text, kNumberSigned)) return false;
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, hex ? 16 : 10);
  if (errno != 0 || v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

int Readfixedint(FILE* stream, int width, bool* end_of_file) {
  if (width > kMaxFixedIntWidth) {
    report_fixed_width_too_large("Readfixedint", width);
    set_flag(end_of_file);
    return 0;
  }
  if (!stream) {
    set_flag(end_of_file);
    return 0;
  }
  int64_t sum = 0;
  int64_t weight = power_of_ten(width > 0 ? width - 1 : 0);
  for (int i = 0; i < width; ++i) {
    int c = read_text_char(stream);
    if (c == EOF) {
      set_flag(end_of_file);
      break;
    }
    if (c != ' ') sum += (c - '0') * weight;
    weight /= 10;
  }
  return clamp_to_int(sum);
}

int Readfixedintex(FILE* stream, int width, int* value, bool* end_of_file, bool* end_of_line) {
  if (value) *value = 0;
  if (width > kMaxFixedIntWidth) {
    report_fixed_width_too_large("Readfixedintex", width);
    set_flag(end_of_file);
    return 0;
  }
  if (!stream) {
    set_flag(end_of_file);
    return 0;
  }
  enum { kBeforeDigits, kInDigits, kEnded } state = kBeforeDigits;
  bool negative = false;
  int64_t sum = 0;
  int number_chars = 0;
  for (int consumed = 0; consumed < width; ++consumed) {
    int c = read_text_char(stream);
    if (c == EOF) {
      set_flag(end_of_file);
      break;
    }
    if (c == '\n') {
      set_flag(end_of_line);
      break;
    }
    if (state == kEnded) continue;
    if (is_digit(c)) {
      sum += (c - '0') * power_of_ten(width - 1 - number_chars);
      ++number_chars;
      state = kInDigits;
    } else if (state == kBeforeDigits && c == ' ') {
      ++number_chars;
    } else if (state == kBeforeDigits && c == '-' && !negative) {
      negative = true;
      ++number_chars;
    } else {
      state = kEnded;
    }
  }
  if (value) *value = clamp_to_int(negative ? -sum : sum);
  return number_chars;
}

int scan_field(FILE* stream, int width, const char* format, int* out) {
  if (!stream || width < 1 || width > 11) return 0;
  char text[12];
  int taken = 0;
  while (taken < width) {
    int c = read_text_char(stream);
    if (c == EOF) {
      if (taken == 0) return -1;
      break;
    }
    if (!is_digit(c) && c != ' ') {
      std::ungetc(c, stream);
      break;
    }
    text[taken++] = static_cast<char>(c);
  }
  text[taken] = '\0';
  if (taken > 0 && format && out) std::sscanf(text, format, out);
  return taken;
}

// ---- bounded lines ---------------------------------------------------------

int read_line(FILE* stream, char* buffer, int size, bool skip_leading_blanks, bool drop_form_feeds,
              bool eof_is_error, int* overflow) {
  if (overflow) *overflow = 0;
  if (!buffer || size < 1) return -1;
  buffer[0] = '\0';
  if (!stream) return eof_is_error ? -1 : 0;

  const int capacity = size - 1;
  int stored = 0;
  int64_t length = 0;  // characters of the line that count, stored or not
  char head[101];      // the start of the line, for the overflow report
  int head_len = 0;
  bool leading = skip_leading_blanks;
  // Keeps the characters of a run that count: stored while there is room,
  // the first 100 for the report, all counted.
  auto keep = [&](const char* run, size_t n) {
    const size_t room = static_cast<size_t>(capacity - stored);
    const size_t store = n < room ? n : room;
    std::memcpy(buffer + stored, run, store);
    stored += static_cast<int>(store);
    const size_t head_room = static_cast<size_t>(100 - head_len);
    const size_t to_head = n < head_room ? n : head_room;
    std::memcpy(head + head_len, run, to_head);
    head_len += static_cast<int>(to_head);
    length += static_cast<int64_t>(n);
  };
  auto take = [&](const char* run, size_t n) {
    if (!leading && !drop_form_feeds) {
      keep(run, n);
      return;
    }
    for (size_t i = 0; i < n; ++i) {
      const char c = run[i];
      if (leading && (c == ' ' || c == '\t')) continue;
      leading = false;
      if (drop_form_feeds && c == '\f') continue;
      keep(&run[i], 1);
    }
  };
  const int scanned = scan_text_line(stream, take);
  buffer[stored] = '\0';
  if (scanned == 0) return eof_is_error ? -1 : 0;

  if (length > capacity) {
    if (overflow) {
      *overflow = clamp_to_int(length);
      return stored;
    }
    if (head_len > size) head_len = size;
    head[head_len] = '\0';
    channel_a(kReportOpenProblem);
    report_printf("Buffer starts \"%s\"\n", head);
    report_printf("String overflow in read_line, more than %d characters found\n", size);
    channel_a(kReportClose);
    return -1;
  }
  while (stored > 0 && (buffer[stored - 1] == '\r' || buffer[stored - 1] == '\n')) buffer[--stored] = '\0';
  return stored;
}

int read_line_from_file(FILE* stream, char* buffer, int size, bool skip_leading_blanks) {
  return read_line(stream, buffer, size, skip_leading_blanks, false, false, nullptr);
}

int read_text_line(FILE* stream, char* buffer, int size, bool skip_leading_blanks) {
  return read_line(stream, buffer, size, skip_leading_blanks, false, true, nullptr);
}

// ---- skipping ----------------------------------------------------------------

bool skip_to_line_end(FILE* stream, bool* end_of_file) {
  if (!stream) {
    set_flag(end_of_file);
    return false;
  }
  const char* data = nullptr;
  size_t size = 0;
  while (buffered_chars(stream, &data, &size)) {
    const char* end = static_cast<const char*>(std::memchr(data, '\n', size));
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', end ? static_cast<size_t>(end - data) : size));
    if (!cr) {
      if (end) {
        consume_buffered(stream, static_cast<size_t>(end - data) + 1);
        return true;
      }
      consume_buffered(stream, size);
      continue;
    }
    // A CR ends the line; one directly followed by LF takes the LF along.
    consume_buffered(stream, static_cast<size_t>(cr - data));
    read_text_char(stream);
    return true;
  }
  set_flag(end_of_file);
  return false;
}

void skip_lines(FILE* stream, int n, bool* end_of_file) {
  for (int i = 0; i < n; ++i) {
    if (!skip_to_line_end(stream, end_of_file)) return;
  }
}

void skip_comment_lines(FILE* stream) {
  if (!stream) return;
  for (;;) {
    int c = read_text_char(stream);
    if (c == '\n') continue;
    if (c == '#') {
      if (!skip_to_line_end(stream, nullptr)) return;
      continue;
    }
    return;  // end of file, or the first character of a line that counts
  }
}

// ---- counted string ----------------------------------------------------------

int read_counted_string(FILE* stream, char* buffer, int buffer_size, int width, int blanks, bool* end_of_line,
                        bool* end_of_file) {
  if (buffer && buffer_size > 0) buffer[0] = '\0';
  if (!stream) {
    set_flag(end_of_file);
    return -1;
  }
  int length = 0;
  if (width > 0) {
    bool eof = false;
    bool eol = false;
    int taken = Readfixedintex(stream, width, &length, &eof, &eol);
    if (eof) set_flag(end_of_file);
    if (eol) set_flag(end_of_line);
    if (eof || eol || taken == 0) return -1;
  } else {
    bool eof = false;
    bool eol = false;
    bool ok = read_int_from_stream(stream, length, &eol, &eof);
    if (eof) set_flag(end_of_file);
    if (eol) set_flag(end_of_line);
    if (!ok) return -1;
    if (eol) return (blanks > 0 || length > 0) ? -1 : 0;
    // The integer reader consumed the blank that ended the number; give it
    // back so that it is read as the first separator.
    if (!eof) std::ungetc(' ', stream);
  }
  if (length < 0) return -1;

  for (int i = 0; i < blanks; ++i) {
    int c = read_text_char(stream);
    if (c == EOF) {
      set_flag(end_of_file);
      return -1;
    }
    if (c == '\n') {
      set_flag(end_of_line);
      return -1;
    }
    if (c != ' ') return -1;
  }

  const int capacity = (buffer && buffer_size > 0) ? buffer_size - 1 : 0;
  int stored = 0;
  for (int i = 0; i < length; ++i) {
    int c = read_text_char(stream);
    if (c == EOF) {
      set_flag(end_of_file);
      if (buffer && buffer_size > 0) buffer[stored] = '\0';
      return -1;
    }
    if (stored < capacity) buffer[stored++] = static_cast<char>(c);
  }
  if (buffer && buffer_size > 0) buffer[stored] = '\0';
  return stored;
}

}  // namespace sorvi
