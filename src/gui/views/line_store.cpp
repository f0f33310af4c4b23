#include "gui/views/line_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/large_array.h"

namespace sorvi {

namespace {

// From this size on a buffer is a mapping of its own, grown with mremap.
// Left to malloc, a buffer freed by a regeneration raises glibc's dynamic
// mmap threshold, and the next text's buffers then grow on the heap by copying,
// holding old and new copies at once.
constexpr size_t kMappedBytes = size_t(1) << 20;

// Huge pages where the system has them: filling a text of hundreds of
// megabytes a 4 KB page at a time costs a page fault per page.
void* map_bytes(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  advise_huge_pages(p, bytes);
  return p;
}

}  // namespace

template <typename T>
PodBuffer<T>::~PodBuffer() {
  clear();
}

template <typename T>
void PodBuffer<T>::reserve(size_t n) {
  if (n <= capacity_) return;
  size_t grown = std::max<size_t>(n, capacity_ + capacity_ / 2);
  grown = std::max<size_t>(grown, 4096 / sizeof(T));
  if (grown > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
  const size_t bytes = grown * sizeof(T);
  void* p = nullptr;
  if (mapped_) {
    p = mremap(data_, capacity_ * sizeof(T), bytes, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) {
      p = nullptr;
    } else {
      advise_huge_pages(p, bytes);
    }
  } else if (bytes >= kMappedBytes) {
    p = map_bytes(bytes);
    if (p) {
      if (size_) std::memcpy(p, data_, size_ * sizeof(T));
      std::free(data_);
      mapped_ = true;
    }
  } else {
    p = std::realloc(data_, bytes);
  }
  if (!p) throw std::bad_alloc();
  data_ = static_cast<T*>(p);
  capacity_ = grown;
}

template <typename T>
void PodBuffer<T>::push_back(T value) {
  if (size_ == capacity_) reserve(size_ + 1);
  data_[size_++] = value;
}

template <typename T>
void PodBuffer<T>::append(const T* values, size_t n) {
  if (n == 0) return;
  reserve(size_ + n);
  std::memcpy(data_ + size_, values, n * sizeof(T));
  size_ += n;
}

template <typename T>
void PodBuffer<T>::splice(size_t at, size_t count, const T* values, size_t n) {
  if (n > count) reserve(size_ + (n - count));
  const size_t tail = size_ - at - count;
  if (tail && n != count) std::memmove(data_ + at + n, data_ + at + count, tail * sizeof(T));
  if (n) std::memcpy(data_ + at, values, n * sizeof(T));
  size_ = size_ - count + n;
}

template <typename T>
void PodBuffer<T>::clear() {
  if (mapped_) {
    munmap(data_, capacity_ * sizeof(T));
  } else {
    std::free(data_);
  }
  mapped_ = false;
  data_ = nullptr;
  size_ = capacity_ = 0;
}

template class PodBuffer<char>;
template class PodBuffer<uint64_t>;
template class PodBuffer<uint32_t>;
template class PodBuffer<uint8_t>;

bool is_valid_utf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    // Runs of ASCII eight bytes at a time.
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p == end) break;
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int more = 0;
    uint32_t code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= more) return false;
    for (int i = 1; i <= more; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond the last code point.
    if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (more == 3 && (code < 0x10000 || code > 0x10FFFF))) {
      return false;
    }
    p += more + 1;
  }
  return true;
}

LineStore::LineStore() { clear(); }

void LineStore::clear() {
  bytes_.clear();
  starts_.clear();
  bases_.clear();
  styles_.clear();
  push_start(0);
  styles_.push_back(0);
  appended_ = false;
  utf8_ = true;
  widest_ = 0;
}

void LineStore::note_width(std::string_view text) {
  const size_t tabs = static_cast<size_t>(std::count(text.begin(), text.end(), '\t'));
  widest_ = std::max(widest_, text.size() + tabs * (tab_columns_ > 0 ? tab_columns_ - 1 : 0));
}

void LineStore::push_start(uint64_t start) {
  if (starts_.size() % kGroup == 0) bases_.push_back(start);
  const uint64_t offset = start - bases_[bases_.size() - 1];
  if (offset > UINT32_MAX) throw std::length_error("4096 lines beyond 4 GB");
  starts_.push_back(static_cast<uint32_t>(offset));
}

void LineStore::append(std::string_view text, uint8_t style) {
  if (appended_) {
    bytes_.push_back('\n');
    push_start(bytes_.size());
    styles_.push_back(style);
  } else {
    appended_ = true;
    styles_[0] = style;
  }
  bytes_.append(text.data(), text.size());
  note_width(text);
  if (utf8_ && !is_valid_utf8(text)) utf8_ = false;
}

void LineStore::assign(std::string_view bytes) {
  clear();
  bytes_.append(bytes.data(), bytes.size());
  appended_ = true;
  size_t from = 0;
  for (;;) {
    const void* nl = std::memchr(bytes.data() + from, '\n', bytes.size() - from);
    const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - bytes.data()) : bytes.size();
    note_width(bytes.substr(from, end - from));
    if (!nl) break;
    from = end + 1;
    push_start(from);
    styles_.push_back(0);
  }
  utf8_ = is_valid_utf8(bytes);
}

uint64_t LineStore::line_end(size_t i) const {
  return i + 1 < starts_.size() ? line_start(i + 1) - 1 : bytes_.size();
}

std::string_view LineStore::line(size_t i) const {
  const uint64_t start = line_start(i);
  return std::string_view(bytes_.data() + start, line_end(i) - start);
}

std::string_view LineStore::range(uint64_t from, uint64_t to) const {
  from = std::min<uint64_t>(from, bytes_.size());
  to = std::min<uint64_t>(std::max(from, to), bytes_.size());
  return std::string_view(bytes_.data() + from, to - from);
}

size_t LineStore::line_of(uint64_t offset) const {
  const uint64_t* bases = bases_.data();
  const uint64_t* group = std::upper_bound(bases, bases + bases_.size(), offset);
  if (group == bases) return 0;
  const size_t g = static_cast<size_t>(group - bases - 1);
  const uint32_t* first = starts_.data() + g * kGroup;
  const uint32_t* end = starts_.data() + std::min(starts_.size(), (g + 1) * kGroup);
  const uint32_t* found = std::upper_bound(first, end, offset - bases[g]);
  return g * kGroup + static_cast<size_t>(found - first - 1);
}

void LineStore::replace(uint64_t from, uint64_t to, std::string_view text) {
  from = std::min<uint64_t>(from, bytes_.size());
  to = std::min<uint64_t>(std::max(from, to), bytes_.size());
  const size_t first = line_of(from);
  const size_t last = line_of(to);
  const int64_t delta = static_cast<int64_t>(text.size()) - static_cast<int64_t>(to - from);
  // The line starts, whole, spliced and shifted, then grouped again.
  std::vector<uint64_t> starts;
  for (size_t i = 0; i <= first; ++i) starts.push_back(line_start(i));
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') starts.push_back(from + i + 1);
  }
  const size_t added = starts.size() - first - 1;
  for (size_t i = last + 1; i < starts_.size(); ++i) starts.push_back(line_start(i) + static_cast<uint64_t>(delta));
  bytes_.splice(from, to - from, text.data(), text.size());
  starts_.clear();
  bases_.clear();
  for (uint64_t start : starts) push_start(start);
  const std::vector<uint8_t> styles(added, 0);
  styles_.splice(first + 1, last - first, styles.data(), styles.size());
  appended_ = true;
  for (size_t i = first; i <= first + added; ++i) note_width(line(i));
  if (utf8_ && !is_valid_utf8(text)) utf8_ = false;
}

namespace {

bool word_byte(unsigned char c) { return c >= 0x80 || std::isalnum(c); }

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

int64_t LineStore::find(std::string_view needle, uint64_t from, uint64_t to, bool match_case,
                        bool whole_words) const {
  to = std::min<uint64_t>(to, bytes_.size());
  if (needle.empty() || from >= to || to - from < needle.size()) return -1;
  const char* base = bytes_.data();
  const char* begin = base + from;
  const char* end = base + to;
  auto is_whole = [&](const char* at) {
    const char* after = at + needle.size();
    return (at == base || !word_byte(static_cast<unsigned char>(at[-1]))) &&
           (after == base + bytes_.size() || !word_byte(static_cast<unsigned char>(*after)));
  };
  if (match_case) {
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    for (const char* at = begin; at < end;) {
      const char* hit = std::search(at, end, searcher);
      if (hit == end) return -1;
      if (!whole_words || is_whole(hit)) return hit - base;
      at = hit + 1;
    }
    return -1;
  }
  // Horspool's search on ASCII-folded bytes: the shift table answers both
  // cases of a letter.
  const size_t m = needle.size();
  std::string folded(needle);
  for (char& c : folded) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  size_t shift[256];
  std::fill(std::begin(shift), std::end(shift), m);
  for (size_t i = 0; i + 1 < m; ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    shift[c] = m - 1 - i;
    if (c >= 'a' && c <= 'z') shift[c - 32] = m - 1 - i;
  }
  const auto last = static_cast<unsigned char>(folded[m - 1]);
  for (const char* at = begin; static_cast<size_t>(end - at) >= m;) {
    const auto c = static_cast<unsigned char>(at[m - 1]);
    if (fold(c) == last) {
      size_t i = 0;
      while (i + 1 < m && fold(static_cast<unsigned char>(at[i])) == static_cast<unsigned char>(folded[i])) ++i;
      if (i + 1 == m && (!whole_words || is_whole(at))) return at - base;
    }
    at += shift[c];
  }
  return -1;
}

}  // namespace sorvi
