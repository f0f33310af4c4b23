// The fatal error report: the one way Sorvi ends on an unrecoverable problem.
//
// A report is opened with code 1 or 101, the caller writes its lines to the
// error stream (report_printf), and a closing code 2 or 3 ends the program.
// Other codes are one-shot reports (open, text, close). Channel A writes the
// boxed report into "sorvi.err"; channel B is where the user should see
// something ("Cannot execute Sorvi command"). Both channels are hooks: the
// program installs its own at start, tests and fuzzers install theirs.
//
// A hook may return (tests and fuzzers make it so), so every caller treats a
// closing report as possibly returning and gives back its failure result.
#pragma once

#include <functional>
#include <string>

namespace sorvi {

using ReportHook = std::function<void(int code, const char* text)>;

// Opening and closing codes of a report block.
constexpr int kReportOpenRestriction = 1;
constexpr int kReportOpenProblem = 101;
constexpr int kReportClose = 2;
constexpr int kReportCloseAlt = 3;
constexpr int kReportProblem = 100;  // one-shot, problem-encountered kind

// Installs the hooks; an empty hook uninstalls. Channel A without a hook
// falls back to channel B; channel B without a hook does nothing.
void set_channel_a_hook(ReportHook hook);
void set_channel_b_hook(ReportHook hook);
void channel_a(int code, const char* text = nullptr);
void channel_b(int code, const char* text = nullptr);

// The error-file writer: redirects standard error into "sorvi.err" when a
// report opens, writes the banner, the text, and on a closing or one-shot
// code the closing lines, then ends the program with the pending exit status.
void report_error(int code, const char* text);

// Message box "Cannot execute Sorvi command", then exit status 1.
void report_cannot_execute();

// Writes one of the caller's report lines to the error stream (printf-style).
void report_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Where report_printf and the report itself write; standard error by default.
void set_report_sink(std::function<void(const std::string&)> sink);

// The exit status used when a report ends the program (0 unless a caller,
// such as a list that ran out of memory, set another).
void set_report_exit_status(int status);
int report_exit_status();

// True once standard error has been redirected into "sorvi.err".
bool report_redirected_stderr();
// A descriptor of the standard error the process started with, for texts
// that must not land in the error file (toolkit warnings, messages).
int original_stderr_fd();

// Ends the process; replaceable so tests can observe it.
[[gnu::noinline]] void process_exit(int status);
void set_process_exit_handler(std::function<void(int)> handler);

// The fixed lines of the banner and closing, for tests and writers.
std::string report_banner(int code);
std::string report_closing();

// Back to the state of a fresh process (hooks off, status 0, no sink).
void reset_fatal_report();

}  // namespace sorvi
