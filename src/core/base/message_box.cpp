#include "base/message_box.h"

#include <unistd.h>

#include "base/fatal_report.h"

namespace sorvi {
namespace {

std::function<void(const std::string&)>& handler() {
  static std::function<void(const std::string&)> h;
  return h;
}

}  // namespace

void message_box(const std::string& text) {
  if (handler()) {
    handler()(text);
    return;
  }
  // No window system: the text goes to the standard error the process
  // started with, never into the error file.
  std::string line = text + "\n";
  ssize_t ignored = write(original_stderr_fd(), line.data(), line.size());
  (void)ignored;
}

void set_message_box_handler(std::function<void(const std::string&)> h) { handler() = std::move(h); }

}  // namespace sorvi
