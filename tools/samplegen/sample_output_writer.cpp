#include "samplegen/sample_output_writer.h"

#include <cstdarg>
#include <vector>

namespace sorvi_sample {

uint64_t SampleRandom::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int SampleRandom::below(int n) {
  if (n < 2) return 0;
  return static_cast<int>(next() % static_cast<uint64_t>(n));
}

int SampleRandom::between(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + below(hi - lo + 1);
}

bool SampleRandom::percent(int chance) { return below(100) < chance; }

SampleRandom SampleRandom::derived(uint64_t salt) const {
  SampleRandom r(state_ ^ (salt * 0xD1342543DE82EF95ULL + 0x2545F4914F6CDD1DULL));
  r.next();
  return r;
}

TextOutput::~TextOutput() { close(); }

bool TextOutput::open(const std::string& path) {
  close();
  file_ = std::fopen(path.c_str(), "wb");
  ok_ = file_ != nullptr;
  buffer_.clear();
  buffer_.reserve(kFlushSize + 4096);
  return ok_;
}

void TextOutput::write(const char* text, size_t n) {
  buffer_.append(text, n);
  if (buffer_.size() >= kFlushSize) flush();
}

void TextOutput::number(long long value, int width) {
  char digits[32];
  int n = 0;
  const bool negative = value < 0;
  unsigned long long v =
      negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (negative) digits[n++] = '-';
  for (int pad = width - n; pad > 0; --pad) buffer_.push_back(' ');
  while (n > 0) buffer_.push_back(digits[--n]);
  if (buffer_.size() >= kFlushSize) flush();
}

void TextOutput::format(const char* fmt, ...) {
  char small[512];
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
    write(small, static_cast<size_t>(n));
  } else if (n >= 0) {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, copy);
    write(big.data(), static_cast<size_t>(n));
  } else {
    ok_ = false;
  }
  va_end(copy);
}

void TextOutput::flush() {
  if (!buffer_.empty()) {
    if (!file_ || std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) ok_ = false;
    buffer_.clear();
  }
}

bool TextOutput::close() {
  if (!file_) {
    buffer_.clear();
    return ok_;
  }
  flush();
  if (std::fclose(file_) != 0) ok_ = false;
  file_ = nullptr;
  return ok_;
}

std::string format_text(const char* fmt, ...) {
  char small[512];
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  std::string result;
  if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
    result.assign(small, static_cast<size_t>(n));
  } else if (n >= 0) {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, copy);
    result.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(copy);
  return result;
}

std::string right_aligned(long long value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), ' ');
  return digits;
}

int decimal_digits(long long value) {
  int n = 1;
  while (value >= 10) {
    value /= 10;
    ++n;
  }
  return n;
}

bool write_text_file(const std::string& path, const std::string& content) {
  TextOutput out(path);
  out.write(content);
  return out.close();
}

}  // namespace sorvi_sample
