// Shared by the base tests: a read stream over a fixed text, and one line
// for everything the fatal report was told.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "support/test_support.h"

namespace sorvi_test {

class MemoryStream {
 public:
  explicit MemoryStream(const std::string& content) : f_(std::tmpfile(), [](FILE* f) { return std::fclose(f); }) {
    std::fwrite(content.data(), 1, content.size(), f_.get());
    std::rewind(f_.get());
  }
  FILE* get() const { return f_.get(); }
  // Everything not read yet (reads it).
  std::string rest() {
    std::string out;
    for (int c; (c = std::getc(f_.get())) != EOF;) out.push_back(static_cast<char>(c));
    return out;
  }

 private:
  std::unique_ptr<FILE, int (*)(FILE*)> f_;
};

// " A100 text" for every channel call in order, then the report's lines.
inline std::string report_dump(const ReportCapture& report) {
  std::string out;
  for (const ReportCall& c : report.calls()) {
    out += " " + std::string(1, c.channel) + std::to_string(c.code) + (c.text.empty() ? "" : " " + c.text);
  }
  return report.lines().empty() ? out : out + " " + report.lines();
}

}  // namespace sorvi_test
