#include "workfiles/record_line.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "base/fatal_report.h"
#include "base/text_reader.h"

namespace sorvi {
namespace {

bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_white(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int clamp_to_int(int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

int64_t power_of_ten(int n) {
  int64_t p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

}  // namespace

bool read_record_line(FILE* stream, std::string& line) {
  line.clear();
  if (!stream) return false;
  // As read_line keeps a line: at most kRecordLineMax characters; a line
  // that fits loses its trailing CRs, a longer one is cut as it stands.
  constexpr size_t kMax = static_cast<size_t>(kRecordLineMax);
  size_t length = 0;
  const int scanned = scan_text_line(stream, [&](const char* run, size_t n) {
    if (line.size() < kMax) line.append(run, std::min(n, kMax - line.size()));
    length += n;
  });
  if (scanned == 0) return false;
  if (length <= kMax) {
    size_t n = line.size();
    while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == '\n')) --n;
    line.resize(n);
  }
  return true;
}

bool read_record_line(FILE* stream, std::string& scratch, const char** data, size_t* size) {
  const char* buffered = nullptr;
  size_t available = 0;
  if (stream && buffered_chars(stream, &buffered, &available)) {
    const char* lf = static_cast<const char*>(std::memchr(buffered, '\n', available));
    if (lf) {
      const size_t n = static_cast<size_t>(lf - buffered);
      // The characters before the line end (a CR right before the LF
      // belongs to it); a line that fits loses its trailing CRs.
      size_t length = n > 0 && buffered[n - 1] == '\r' ? n - 1 : n;
      if (length <= static_cast<size_t>(kRecordLineMax)) {
        while (length > 0 && buffered[length - 1] == '\r') --length;
        *data = buffered;
        *size = length;
        consume_buffered(stream, n + 1);
        return true;
      }
    }
  }
  if (!read_record_line(stream, scratch)) return false;
  *data = scratch.data();
  *size = scratch.size();
  return true;
}

size_t lines_ahead(FILE* stream) {
  if (!stream) return 0;
  const long start = std::ftell(stream);
  if (start < 0 || std::fseek(stream, start, SEEK_SET) != 0) return 0;
  size_t lines = 0;
  bool open_line = false;
  const char* data = nullptr;
  size_t size = 0;
  while (buffered_chars(stream, &data, &size)) {
    lines += static_cast<size_t>(std::count(data, data + size, '\n'));
    open_line = data[size - 1] != '\n';
    consume_buffered(stream, size);
  }
  if (open_line) ++lines;
  if (std::fseek(stream, start, SEEK_SET) != 0) return 0;
  return lines;
}

RecordHead RecordLine::head() {
  RecordHead h;
  h.module_number = fixed(4);
  h.procedure_number = fixed(4);
  h.type = fixed(4);
  return h;
}

int RecordLine::fixed(int width) {
  if (width > kMaxFixedIntWidth) {
    report_fixed_width_too_large("Readfixedint", width);
    failed_ = true;
    return 0;
  }
  if (width < 1) return 0;
  // Each character weighs 10^(width-1-i): the characters read, taken as
  // one number, then shifted by the places the end of the line left out.
  const size_t taken = std::min(static_cast<size_t>(width), size_ - pos_);
  int64_t sum = 0;
  for (size_t i = 0; i < taken; ++i) {
    const unsigned char c = static_cast<unsigned char>(data_[pos_ + i]);
    sum = sum * 10 + (c == ' ' ? 0 : static_cast<int>(c) - '0');
  }
  pos_ += taken;
  return clamp_to_int(sum * power_of_ten(width - static_cast<int>(taken)));
}

int RecordLine::fixed_signed(int width, int* value, bool* line_ended) {
  if (value) *value = 0;
  if (width > kMaxFixedIntWidth) {
    report_fixed_width_too_large("Readfixedintex", width);
    failed_ = true;
    return 0;
  }
  enum { kBeforeDigits, kInDigits, kEnded } state = kBeforeDigits;
  bool negative = false;
  int64_t sum = 0;
  int number_chars = 0;
  for (int consumed = 0; consumed < width; ++consumed) {
    if (pos_ >= size_) {
      if (line_ended) *line_ended = true;
      break;
    }
    const unsigned char c = static_cast<unsigned char>(data_[pos_++]);
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

void RecordLine::skip(int count) {
  if (count <= 0) return;
  const size_t left = size_ - pos_;
  pos_ += static_cast<size_t>(count) < left ? static_cast<size_t>(count) : left;
}

void RecordLine::skip_blanks() {
  while (pos_ < size_ && (data_[pos_] == ' ' || data_[pos_] == '\t')) ++pos_;
}

int RecordLine::next_char() {
  if (pos_ >= size_) return -1;
  return static_cast<unsigned char>(data_[pos_++]);
}

std::string RecordLine::rest(size_t max) {
  if (pos_ >= size_) return std::string();
  std::string out(data_ + pos_, std::min(max, size_ - pos_));
  pos_ = size_;
  return out;
}

bool RecordLine::scan_int(int* value) {
  while (pos_ < size_ && is_white(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  size_t p = pos_;
  bool negative = false;
  if (p < size_ && (data_[p] == '+' || data_[p] == '-')) {
    negative = data_[p] == '-';
    ++p;
  }
  if (p >= size_ || !is_digit(static_cast<unsigned char>(data_[p]))) return false;
  int64_t sum = 0;
  while (p < size_ && is_digit(static_cast<unsigned char>(data_[p]))) {
    if (sum <= (int64_t{1} << 40)) sum = sum * 10 + (data_[p] - '0');
    ++p;
  }
  pos_ = p;
  if (value) *value = clamp_to_int(negative ? -sum : sum);
  return true;
}

bool RecordLine::scan_char(char* value) {
  while (pos_ < size_ && is_white(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  if (pos_ >= size_) return false;
  if (value) *value = data_[pos_];
  ++pos_;
  return true;
}

bool RecordLine::scan_word(std::string* value) {
  while (pos_ < size_ && is_white(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  const size_t start = pos_;
  while (pos_ < size_ && !is_white(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  if (pos_ == start) return false;
  if (value) value->assign(data_ + start, pos_ - start);
  return true;
}

void trim_trailing_blanks(std::string& text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  text.resize(n);
}

}  // namespace sorvi
