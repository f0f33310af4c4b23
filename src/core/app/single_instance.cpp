#include "app/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/command_line.h"
#include "config/startup_options.h"

namespace sorvi {
namespace {

const int kTimeoutMs = 5000;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

bool write_all(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, kTimeoutMs) <= 0) return false;
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string single_instance_directory() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (!dir || !*dir) dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp";
  std::string d = dir;
  if (d.back() != '/') d += '/';
  return d + "sorvi-" + std::to_string(getuid());
}

// True when the command line asks for batch mode, read by the option
// parser itself; the options are left as they were.
bool asks_for_batch_mode(const std::vector<std::string>& args) {
  const StartupOptions saved = startup_options();
  startup_options().VMODE = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const ClassifiedArgument a = classify_argument(args[i]);
    if (a.is_flag) ParseOptionWord(a.text);
  }
  const bool batch = startup_options().VMODE;
  startup_options() = saved;
  return batch;
}

}  // namespace

std::string single_instance_socket_path() {
  std::string name = "C/C++ Vexa Sorvi";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return single_instance_directory() + "/" + name;
}

bool single_instance_directory_is_private() {
  const std::string dir = single_instance_directory();
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

SocketPathState single_instance_socket_state() {
  struct stat st {};
  if (lstat(single_instance_socket_path().c_str(), &st) != 0) {
    return errno == ENOENT ? SocketPathState::Absent : SocketPathState::Foreign;
  }
  return S_ISSOCK(st.st_mode) && st.st_uid == getuid() ? SocketPathState::Ours : SocketPathState::Foreign;
}

bool peer_is_this_user(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer && peer.uid == getuid();
}

HandOver hand_over_to_running_instance(const std::vector<std::string>& args) {
  if (asks_for_batch_mode(args)) return HandOver::NoInstance;
  if (!single_instance_directory_is_private() || single_instance_socket_state() != SocketPathState::Ours) {
    return HandOver::NoInstance;
  }
  const std::string path = single_instance_socket_path();
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return HandOver::NoInstance;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return HandOver::NoInstance;
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return HandOver::NoInstance;
  if (!peer_is_this_user(fd.get())) return HandOver::NoInstance;

  // An empty message only raises the running window.
  std::vector<uint8_t> payload;
  if (args.size() > 1) payload = build_forwarded_command_line(args);
  if (payload.size() > kMaxForwardedCommandLine) return HandOver::Refused;
  if (!write_all(fd.get(), payload.data(), payload.size())) return HandOver::NoInstance;
  shutdown(fd.get(), SHUT_WR);
  if (payload.empty()) return HandOver::Raised;

  // Wait for the instance to say whether it took the command line (1) or
  // refused it (0).
  pollfd p{fd.get(), POLLIN, 0};
  uint8_t answer = 0;
  if (poll(&p, 1, kTimeoutMs) > 0 && recv(fd.get(), &answer, 1, 0) == 1) {
    return answer == 1 ? HandOver::Forwarded : HandOver::Refused;
  }
  return HandOver::NoInstance;
}

}  // namespace sorvi
