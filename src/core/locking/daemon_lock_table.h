// The lock daemon's table of held locks: each lock name with the process id
// of its holder. Locks are not re-entrant, as with lock directories: a
// holder asking again is refused like anyone else. A lock whose holder no
// longer runs is given to the next process that asks for it.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace sorvi {

// Reply values beyond 0 (granted, released, or a test answered).
constexpr int kDaemonReplyHeld = -1;              // lock: held by a running process
constexpr int kDaemonReplyNotHeld = -3;           // unlock: not held by the asking process
constexpr int kDaemonReplyUnknownOperation = -4;  // neither lock, unlock nor test

// True when the process exists and has not ended (a zombie has ended).
bool process_is_running(int pid);

// The start time of a running process (clock ticks after boot, as text), which
// tells it from a later process given the same id; empty when it is not running.
std::string process_start_time(int pid);

class DaemonLockTable {
 public:
  explicit DaemonLockTable(std::function<bool(int)> is_running = process_is_running);

  // The reply to one request: operation code (lock 1, unlock 2, test 100),
  // the asking process id and the lock name.
  int handle(int operation, int pid, const std::string& name);

  // 0 when granted; kDaemonReplyHeld when another running process, or the
  // same one, holds it.
  int lock(int pid, const std::string& name);
  // 0 when the asking process held it and it is released; otherwise
  // kDaemonReplyNotHeld and the table is unchanged.
  int unlock(int pid, const std::string& name);

  // The holder of a lock, 0 when free.
  int holder(const std::string& name) const;
  size_t held_count() const { return holders_.size(); }

 private:
  std::function<bool(int)> is_running_;
  std::map<std::string, int> holders_;
};

}  // namespace sorvi
