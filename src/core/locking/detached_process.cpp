#include "locking/detached_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace sorvi {

namespace {

// The highest descriptor number to mark close-on-exec in the new process.
int descriptor_limit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536) {
    return 65536;
  }
  return static_cast<int>(limit.rlim_cur);
}

void report_errno(int fd, int err) {
  ssize_t ignored = write(fd, &err, sizeof err);
  (void)ignored;
}

}  // namespace

int start_detached_process(const std::string& program, const std::vector<std::string>& args) {
  // Everything the new process needs is prepared before fork: after it,
  // only async-signal-safe calls are made.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int max_fd = descriptor_limit();

  // The exec result comes back through a close-on-exec pipe: end of file
  // means the program runs, an int is the errno of the failure.
  int result_pipe[2];
  if (pipe2(result_pipe, O_CLOEXEC) != 0) return errno;

  pid_t child = fork();
  if (child < 0) {
    int err = errno;
    close(result_pipe[0]);
    close(result_pipe[1]);
    return err;
  }
  if (child == 0) {
    close(result_pipe[0]);
    // A second fork leaves the program without a parent to wait for it.
    pid_t grandchild = fork();
    if (grandchild < 0) {
      report_errno(result_pipe[1], errno);
      _exit(1);
    }
    if (grandchild > 0) _exit(0);
    setsid();
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    for (int fd = 3; fd < max_fd; ++fd) {
      if (fd != result_pipe[1]) fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    execv(argv[0], argv.data());
    report_errno(result_pipe[1], errno);
    _exit(127);
  }

  close(result_pipe[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t got;
  do {
    got = read(result_pipe[0], &err, sizeof err);
  } while (got < 0 && errno == EINTR);
  close(result_pipe[0]);
  return got == static_cast<ssize_t>(sizeof err) ? (err ? err : ECHILD) : 0;
}

}  // namespace sorvi
