#include "base/fatal_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "base/message_box.h"

namespace sorvi {
namespace {

struct ReportState {
  ReportHook channel_a;
  ReportHook channel_b;
  std::function<void(const std::string&)> sink;
  std::function<void(int)> exit_handler;
  int exit_status = 0;
  bool redirected = false;
  int saved_stderr = -1;
};

ReportState& state() {
  static ReportState s;
  return s;
}

const char kStars[] = " ************************************************************\n";

std::string boxed(const char* text) {
  // " ****", the text centred in 52 columns, "****".
  const size_t width = 52;
  std::string t(text);
  if (t.size() > width) t.resize(width);
  size_t left = (width - t.size()) / 2;
  size_t right = width - t.size() - left;
  return " ****" + std::string(left, ' ') + t + std::string(right, ' ') + "****\n";
}

void write_stderr(const std::string& text) {
  if (text.empty()) return;
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void set_channel_a_hook(ReportHook hook) { state().channel_a = std::move(hook); }
void set_channel_b_hook(ReportHook hook) { state().channel_b = std::move(hook); }

void channel_a(int code, const char* text) {
  if (state().channel_a) {
    state().channel_a(code, text);
  } else {
    channel_b(code, text);
  }
}

void channel_b(int code, const char* text) {
  if (state().channel_b) state().channel_b(code, text);
}

std::string report_banner(int code) {
  std::string out = kStars;
  if (code >= 100) {
    out += " ****                Problem Encountered                 ****\n";
    out += " ****          Check the program being analysed          ****\n";
    out += " ****                 compiles and then                  ****\n";
  } else {
    out += " ****             Implementation restriction             ****\n";
  }
  out += " ****              contact Vexa Technical support        ****\n";
  out += " ****               either locally or at:                ****\n";
  out += " ****                                                    ****\n";
  out += boxed("support@vexa-technical.example");
  out += " ****                                                    ****\n";
  out += " ****       quoting the following error message:         ****\n";
  out += "\n";
  return out;
}

std::string report_closing() {
  std::string out = "\n ****   Issue found while running Quorvane   ****\n";
  out += kStars;
  out += "\n\n";
  return out;
}

int original_stderr_fd() {
  ReportState& s = state();
  return s.saved_stderr >= 0 ? s.saved_stderr : STDERR_FILENO;
}

bool report_redirected_stderr() { return state().redirected; }

void report_error(int code, const char* text) {
  ReportState& s = state();
  if (code < 2 || code >= 4) {
    std::fflush(stderr);
    if (s.saved_stderr < 0) s.saved_stderr = dup(STDERR_FILENO);
    s.redirected = true;
    // When the file cannot be created the report goes nowhere, but the
    // program still ends at the closing call.
    (void)std::freopen("sorvi.err", "w", stderr);
    write_stderr(report_banner(code));
  }
  if (text && *text) write_stderr(std::string(text) + "\n\n");
  if (code != kReportOpenRestriction && code != kReportOpenProblem) {
    write_stderr(report_closing());
    process_exit(s.exit_status);
  }
}

void report_cannot_execute() {
  message_box("Cannot execute Sorvi command");
  process_exit(1);
}

void report_printf(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list copy;
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&text[0], text.size(), fmt, ap);
    text.resize(static_cast<size_t>(n));
  }
  va_end(ap);
  if (state().sink) {
    state().sink(text);
  } else {
    write_stderr(text);
  }
}

void set_report_sink(std::function<void(const std::string&)> sink) { state().sink = std::move(sink); }

void set_report_exit_status(int status) { state().exit_status = status; }
int report_exit_status() { return state().exit_status; }

void process_exit(int status) {
  if (state().exit_handler) {
    state().exit_handler(status);
    return;
  }
  std::fflush(nullptr);
  std::_Exit(status);
}

void set_process_exit_handler(std::function<void(int)> handler) { state().exit_handler = std::move(handler); }

void reset_fatal_report() {
  ReportState& s = state();
  s.channel_a = nullptr;
  s.channel_b = nullptr;
  s.sink = nullptr;
  s.exit_handler = nullptr;
  s.exit_status = 0;
}

}  // namespace sorvi
