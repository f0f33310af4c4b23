#include "locking/daemon_port_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/file_utils.h"

namespace sorvi {

namespace {

// Enough for a cut first line, a process id and a path of kMaxPath.
constexpr size_t kPortFileReadMax = 4096;

// Splits off the next line of `text` from `at`, without its line end.
std::string next_line(const std::string& text, size_t* at) {
  if (*at >= text.size()) return std::string();
  size_t end = text.find('\n', *at);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(*at, end - *at);
  *at = end < text.size() ? end + 1 : end;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int parse_pid(const std::string& text) {
  if (text.empty() || text.size() > 10) return 0;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value > 0 && value <= INT_MAX ? static_cast<int>(value) : 0;
}

}  // namespace

bool read_daemon_port_file(const std::string& path, DaemonPortInfo* info) {
  *info = DaemonPortInfo();
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string text(kPortFileReadMax, '\0');
  size_t n = std::fread(&text[0], 1, text.size(), f);
  std::fclose(f);
  text.resize(n);

  // The port name: up to and including the first line end, cut at
  // kPortNameMax characters as a 256-byte line buffer cuts it.
  size_t first_end = text.find('\n');
  size_t name_length = first_end == std::string::npos ? text.size() : first_end + 1;
  info->port_name = text.substr(0, std::min(name_length, kPortNameMax));
  // A NUL byte ends the name as it ends a C string.
  size_t nul = info->port_name.find('\0');
  if (nul != std::string::npos) info->port_name.resize(nul);

  if (first_end == std::string::npos) return true;
  size_t at = first_end + 1;
  info->pid = parse_pid(next_line(text, &at));
  std::string rendezvous = next_line(text, &at);
  if (!rendezvous.empty() && rendezvous.size() <= kMaxPath && rendezvous.find('\0') == std::string::npos) {
    info->rendezvous_file = rendezvous;
  }
  return true;
}

std::string port_name_without_line_end(const std::string& port_name) {
  std::string name = port_name;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name;
}

bool write_daemon_port_file(const std::string& path, const std::string& port_name, int pid,
                            const std::string& rendezvous_file) {
  std::string temp = path + ".tmp" + std::to_string(getpid());
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  // Every user of the daemon reads it.
  fchmod(fileno(f), 0644);
  bool ok = std::fprintf(f, "%s\n%d\n%s\n", port_name.c_str(), pid, rendezvous_file.c_str()) > 0;
  ok = std::fclose(f) == 0 && ok;
  if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
}

std::string daemon_lock_file_path(const std::string& port_file) { return port_file + ".lock"; }

std::string daemon_rendezvous_file_path(const std::string& port_file) { return port_file + ".uri"; }

std::string daemon_connect_lock_path(const std::string& port_file) { return port_file + ".connect"; }

int daemon_lock_holder(const std::string& port_file) {
  int fd = open(daemon_lock_file_path(port_file).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct flock probe;
  std::memset(&probe, 0, sizeof probe);
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;
  int holder = 0;
  if (fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) holder = probe.l_pid > 0 ? probe.l_pid : INT_MAX;
  close(fd);
  return holder;
}

int take_daemon_lock(const std::string& port_file, int* holder) {
  *holder = 0;
  int fd = open(daemon_lock_file_path(port_file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  // Every user of the daemon reads who holds it.
  fchmod(fd, 0644);
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_SETLK, &lock) == 0) return fd;
  int err = errno;
  close(fd);
  if (err == EACCES || err == EAGAIN) {
    int pid = daemon_lock_holder(port_file);
    *holder = pid > 0 ? pid : -1;
  }
  return -1;
}

bool daemon_port_file_is_live(const std::string& port_file, const DaemonPortInfo& info) {
  return info.pid != 0 && daemon_lock_holder(port_file) == info.pid;
}

}  // namespace sorvi
