#include "base/message_output.h"

#include <cstdarg>
#include <algorithm>
#include <cstdio>
#include <string>

namespace sorvi {

void message_output(int channel, int show_mode, const char* fmt, ...) {
  if (show_mode == 0 || channel < 0 || channel > 31 || !fmt) return;
  va_list ap;
  va_start(ap, fmt);
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0) {
    va_end(ap);
    return;
  }
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(&text[0], text.size(), fmt, ap);
  va_end(ap);
  text.resize(static_cast<size_t>(n));
  FILE* out = show_mode == 2 ? stderr : stdout;
  // Long texts go out in chunks of 4096 bytes.
  for (size_t at = 0; at < text.size(); at += 4096) {
    std::fwrite(text.data() + at, 1, std::min<size_t>(4096, text.size() - at), out);
  }
  std::fflush(out);
}

}  // namespace sorvi
