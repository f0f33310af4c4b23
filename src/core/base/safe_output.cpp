#include "base/safe_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "base/file_utils.h"

namespace sorvi {

bool is_clean_path(const std::string& path) {
  for (unsigned char c : path) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

void start_writeback(std::FILE* stream) {
  if (!stream || std::fflush(stream) != 0) return;
  const int fd = ::fileno(stream);
  if (fd < 0) return;
  // Errors are left to the sync at the end, which reports them.
  ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

namespace {

// The recorded temporary files, in fixed slots the signal handler can walk
// without allocating: a slot is taken by setting its state to 1 (being
// written), then 2 (valid); the handler unlinks the valid ones.
constexpr int kSlots = 64;
struct TemporarySlot {
  std::atomic<int> state{0};
  char path[kMaxPath + 1];
};
TemporarySlot g_slots[kSlots];
std::atomic<bool> g_handlers_installed{false};

void on_ending_signal(int signal_number) {
  remove_temporary_files();
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void install_handlers() {
  if (g_handlers_installed.exchange(true)) return;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction current;
    if (sigaction(s, nullptr, &current) != 0) continue;
    // A handler the program installed itself stays.
    if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler != SIG_DFL) continue;
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction != nullptr) continue;
    struct sigaction ending {};
    ending.sa_handler = on_ending_signal;
    sigemptyset(&ending.sa_mask);
    sigaction(s, &ending, nullptr);
  }
}

}  // namespace

void register_temporary_file(const std::string& path) {
  if (path.empty() || path.size() > kMaxPath) return;
  install_handlers();
  for (TemporarySlot& slot : g_slots) {
    int free_state = 0;
    if (slot.state.compare_exchange_strong(free_state, 1)) {
      std::memcpy(slot.path, path.c_str(), path.size() + 1);
      slot.state.store(2);
      return;
    }
  }
}

void forget_temporary_file(const std::string& path) {
  for (TemporarySlot& slot : g_slots) {
    if (slot.state.load() == 2 && path == slot.path) {
      slot.state.store(0);
      return;
    }
  }
}

void remove_temporary_files() {
  for (TemporarySlot& slot : g_slots) {
    int valid = 2;
    if (slot.state.compare_exchange_strong(valid, 1)) {
      ::unlink(slot.path);
      slot.state.store(0);
    }
  }
}

ReportOutput::~ReportOutput() {
  if (stream_) fail(0);
}

bool ReportOutput::open(const std::string& final_path) {
  final_ = final_path;
  message_.clear();
  if (final_path.empty() || !is_clean_path(final_path) || final_path.size() > kMaxPath) {
    message_ = "cannot write report \"" + final_path + "\": refused path";
    return false;
  }
  // The report is there under its name from the start (a previous report
  // keeps its content until the new one replaces it whole).
  const int fd = ::open(final_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    fail(errno);
    return false;
  }
  ::close(fd);
  const PathParts parts = split_path(final_path);
  const std::string pattern = parts.directory + "." + parts.file_name + ".XXXXXX";
  if (pattern.size() > kMaxPath) {
    fail(ENAMETOOLONG);
    return false;
  }
  std::string name = pattern;
  const int tmp = ::mkstemp(name.data());
  if (tmp < 0) {
    fail(errno);
    return false;
  }
  temporary_ = name;
  register_temporary_file(temporary_);
  // mkstemp creates the file 0600; the report gets the ordinary mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(tmp, 0666 & ~mask);
  stream_ = ::fdopen(tmp, "wb");
  if (!stream_) {
    const int error = errno;
    ::close(tmp);
    fail(error);
    return false;
  }
  return true;
}

bool ReportOutput::commit(bool written_ok, int write_error) {
  if (!stream_) return false;
  // A failed write without a known cause leaves it to the flush or sync that
  // follows; otherwise it reads as an I/O error.
  int error = written_ok ? 0 : write_error;
  if (!error && std::fflush(stream_) != 0) {
    error = errno;
  } else if (!error && ::fsync(::fileno(stream_)) != 0) {
    error = errno;
  }
  if (!error && (!written_ok || std::ferror(stream_))) error = EIO;
  std::FILE* f = stream_;
  stream_ = nullptr;
  if (std::fclose(f) != 0 && !error) error = errno;
  if (!error && ::rename(temporary_.c_str(), final_.c_str()) != 0) error = errno;
  if (error) {
    fail(error);
    return false;
  }
  forget_temporary_file(temporary_);
  temporary_.clear();
  return true;
}

void ReportOutput::fail(int error) {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    forget_temporary_file(temporary_);
    temporary_.clear();
  }
  // An incomplete report is never left to pass for a complete one.
  if (!final_.empty() && is_clean_path(final_)) ::truncate(final_.c_str(), 0);
  if (error && message_.empty()) {
    message_ = "cannot write report \"" + final_ + "\": " + std::strerror(error);
  }
}

}  // namespace sorvi
