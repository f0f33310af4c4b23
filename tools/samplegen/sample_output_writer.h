// Small tools shared by the sample-set writers: a random source that gives
// the same numbers on every platform, and a text file written through a
// large buffer so that sets of a million lines are written quickly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sorvi_sample {

// A deterministic random source (splitmix64). The standard library's
// distributions differ between implementations; this one does not, so a
// seed always gives the same sample set.
class SampleRandom {
 public:
  explicit SampleRandom(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // 0 .. n - 1; 0 when n < 2.
  int below(int n);
  // lo .. hi, both included; lo when hi <= lo.
  int between(int lo, int hi);
  // True with the given chance in percent.
  bool percent(int chance);
  // An independent source derived from this one's seed and a salt; drawing
  // from it does not move this one.
  SampleRandom derived(uint64_t salt) const;

 private:
  uint64_t state_;
};

// A text file written through a buffer of about a megabyte. Nothing throws:
// ok() and close() tell whether every byte reached the file.
class TextOutput {
 public:
  TextOutput() = default;
  explicit TextOutput(const std::string& path) { open(path); }
  ~TextOutput();
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Creates (or truncates) the file.
  bool open(const std::string& path);
  bool ok() const { return ok_; }

  void put(char c) {
    buffer_.push_back(c);
    if (buffer_.size() >= kFlushSize) flush();
  }
  void write(const char* text, size_t n);
  void write(const std::string& text) { write(text.data(), text.size()); }
  // The text and a line end.
  void line(const std::string& text) {
    write(text);
    put('\n');
  }
  // A decimal number right-aligned in `width` characters (wider numbers
  // take the room they need).
  void number(long long value, int width);
  void format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // Writes what is buffered and closes the file; true when all went well.
  bool close();

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  void flush();

  FILE* file_ = nullptr;
  std::string buffer_;
  bool ok_ = false;
};

// printf into a std::string.
std::string format_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// A decimal number right-aligned in `width` characters.
std::string right_aligned(long long value, int width);

// Number of decimal digits of a non-negative number (1 for 0).
int decimal_digits(long long value);

// Writes a whole text file; true on success.
bool write_text_file(const std::string& path, const std::string& content);

}  // namespace sorvi_sample
