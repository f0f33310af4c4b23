// Output files a script can trust, and temporary files that do not outlive
// the process.
//
// A report is written to a temporary file beside its final name and renamed
// over it only once it is complete and on disk, so a run that fails or is
// killed half-way never leaves a truncated report under the final name. The
// temporary files a process creates (report contents, texts extracted from a
// GLH file) are removed when the process is ended by SIGTERM, SIGINT or
// SIGHUP.
#pragma once

#include <cstdio>
#include <string>

namespace sorvi {

// False for a path holding a NUL or another control byte (below 0x20, or
// 0x7F). Paths read from work files, the registry, the index or the profile
// are refused when they are not clean, before anything is opened with them.
bool is_clean_path(const std::string& path);

// Records a temporary file to remove should the process be ended by one of
// the signals above (the handlers are installed with the first file, where
// the signal still has its default action). Forget a file once it is
// deleted or renamed to a lasting name.
void register_temporary_file(const std::string& path);
void forget_temporary_file(const std::string& path);
// Removes every recorded file now (what the signal handlers do).
void remove_temporary_files();

// Asks the system to start writing to disk what has been written to the
// stream so far, without waiting for it: a long report written this way as
// it grows leaves little for the sync at its end to wait for. Does nothing
// where the stream is not a file.
void start_writeback(std::FILE* stream);

// A report file written through a temporary file in the same directory.
// open() creates the final file (empty) when it does not exist yet, leaving
// a previous report in place, and opens the temporary file; commit() flushes
// and syncs it and renames it over the final name. Any failure removes the
// temporary file, leaves the final file empty and keeps a message naming
// the file and the system error.
class ReportOutput {
 public:
  ReportOutput() = default;
  ReportOutput(const ReportOutput&) = delete;
  ReportOutput& operator=(const ReportOutput&) = delete;
  ~ReportOutput();

  bool open(const std::string& final_path);
  std::FILE* stream() const { return stream_; }
  // `written_ok`: whether the caller's writes all succeeded; `write_error`
  // the system error of a failed write, when the caller knows it.
  bool commit(bool written_ok, int write_error = 0);
  // Drops the temporary file and leaves the final file empty.
  void fail(int error);
  const std::string& error_message() const { return message_; }
  const std::string& path() const { return final_; }

 private:
  std::string final_;
  std::string temporary_;
  std::FILE* stream_ = nullptr;
  std::string message_;
};

}  // namespace sorvi
