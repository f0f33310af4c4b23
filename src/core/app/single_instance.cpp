#include "app/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/command_line.h"

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

}  // namespace

std::string single_instance_socket_path() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (!dir || !*dir) dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp";
  std::string name = "C/C++ Vexa Sorvi";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  std::string d = dir;
  if (d.back() != '/') d += '/';
  return d + name + "." + std::to_string(getuid());
}

HandOver hand_over_to_running_instance(const std::vector<std::string>& args) {
  const std::string path = single_instance_socket_path();
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return HandOver::NoInstance;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return HandOver::NoInstance;
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return HandOver::NoInstance;

  // An empty message only raises the running window.
  std::vector<uint8_t> payload;
  if (args.size() > 1) payload = build_forwarded_command_line(args);
  if (!write_all(fd.get(), payload.data(), payload.size())) return HandOver::NoInstance;
  shutdown(fd.get(), SHUT_WR);
  if (payload.empty()) return HandOver::Raised;

  // Wait for the instance to say it took the command line.
  pollfd p{fd.get(), POLLIN, 0};
  uint8_t ack = 0;
  if (poll(&p, 1, kTimeoutMs) > 0 && recv(fd.get(), &ack, 1, 0) == 1) return HandOver::Forwarded;
  return HandOver::NoInstance;
}

}  // namespace sorvi
