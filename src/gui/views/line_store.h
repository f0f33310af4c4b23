// The text of a large view, held once and compactly: the bytes of every
// line joined by newlines, where each line starts (four bytes a line: an
// offset from the start of its group of 4096 lines, whose own start is
// kept whole), and one style byte per line. Lines are appended as they are generated; the buffers grow in
// place (large blocks are remapped, not copied), so the text never needs
// twice its size while it grows. No Qt here: the view decodes what it shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvi {

// A growable array of plain values: small ones kept with malloc/realloc,
// large ones in a mapping of their own that grows in place or is remapped.
template <typename T>
class PodBuffer {
 public:
  PodBuffer() = default;
  PodBuffer(const PodBuffer&) = delete;
  PodBuffer& operator=(const PodBuffer&) = delete;
  ~PodBuffer();

  size_t size() const { return size_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  void push_back(T value);
  void append(const T* values, size_t n);
  // Replaces `count` values at `at` by `n` values.
  void splice(size_t at, size_t count, const T* values, size_t n);
  void clear();  // also gives the memory back

 private:
  void reserve(size_t n);
  T* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool mapped_ = false;  // a mapping of its own (large buffers), else malloc's
};

class LineStore {
 public:
  LineStore();

  // Empties the text: one empty line, of style 0.
  void clear();
  // Adds a line at the end (the first one fills the empty first line).
  void append(std::string_view text, uint8_t style);
  // Replaces the text by `bytes`, split at each newline, every line of style 0.
  void assign(std::string_view bytes);

  size_t line_count() const { return starts_.size(); }
  std::string_view line(size_t i) const;
  uint8_t style(size_t i) const { return styles_[i]; }
  // Offsets in the joined text.
  uint64_t line_start(size_t i) const { return bases_[i / kGroup] + starts_[i]; }
  uint64_t line_end(size_t i) const;
  size_t line_of(uint64_t offset) const;
  uint64_t size() const { return bytes_.size(); }
  std::string_view bytes() const { return std::string_view(bytes_.data(), bytes_.size()); }
  std::string_view range(uint64_t from, uint64_t to) const;

  // The widest line in columns, a tab counting `tab_columns`.
  size_t widest_columns() const { return widest_; }
  void set_tab_columns(size_t columns) { tab_columns_ = columns; }
  // False once a line that is not valid UTF-8 was added.
  bool utf8() const { return utf8_; }

  // Replaces the bytes [from, to) by `text`; new lines take style 0.
  void replace(uint64_t from, uint64_t to, std::string_view text);

  // The first match of `needle` lying wholly in [from, to), or -1. Without
  // `match_case` ASCII letters match either case; `whole_words` wants no
  // letter or digit on either side.
  int64_t find(std::string_view needle, uint64_t from, uint64_t to, bool match_case, bool whole_words) const;

 private:
  static constexpr size_t kGroup = 4096;
  void note_width(std::string_view text);
  // Records where the next line starts.
  void push_start(uint64_t start);

  PodBuffer<char> bytes_;
  PodBuffer<uint32_t> starts_;
  PodBuffer<uint64_t> bases_;
  PodBuffer<uint8_t> styles_;
  bool appended_ = false;
  bool utf8_ = true;
  size_t widest_ = 0;
  size_t tab_columns_ = 8;
};

// Whether `text` is valid UTF-8.
bool is_valid_utf8(std::string_view text);

}  // namespace sorvi
