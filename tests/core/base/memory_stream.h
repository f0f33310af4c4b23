// A read stream over a fixed text, for the stream routines' tests.
#pragma once

#include <cstdio>
#include <string>

namespace sorvi_test {

class MemoryStream {
 public:
  explicit MemoryStream(const std::string& content) : f_(std::tmpfile()) {
    if (f_) {
      std::fwrite(content.data(), 1, content.size(), f_);
      std::rewind(f_);
    }
  }
  ~MemoryStream() {
    if (f_) std::fclose(f_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  FILE* get() const { return f_; }
  // Everything not read yet (reads it).
  std::string rest() {
    std::string out;
    int c;
    while ((c = std::getc(f_)) != EOF) out.push_back(static_cast<char>(c));
    return out;
  }

 private:
  FILE* f_;
};

}  // namespace sorvi_test
