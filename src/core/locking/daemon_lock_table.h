// The lock daemon's table of held locks: each lock name with the process id
// of its holder, and the processes waiting for it. Locks are not
// re-entrant, as with lock directories: a holder asking again is refused.
//
// A lock held by another process queues the asker; the daemon holds its
// reply until the lock is handed on or the asker's wait ends. Waiters are
// served first come, first served: one whose wait ended keeps its place for
// a short grace time, since its client asks again at once, and the lock is
// kept for it meanwhile. A lock whose holder no longer runs is handed on.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sorvi {

// Reply values beyond 0 (granted, released, or a test answered).
constexpr int kDaemonReplyHeld = -1;              // lock: refused
constexpr int kDaemonReplyNotHeld = -3;           // unlock: not held by the asking process
constexpr int kDaemonReplyUnknownOperation = -4;  // neither lock, unlock nor test
// Not sent: the asker waits in the queue.
constexpr int kDaemonQueued = 1;

// How long a waiter whose wait ended keeps its place, in milliseconds: its
// client asks again at once, but a connection may take a while under load.
constexpr int64_t kDaemonWaiterGraceMs = 3000;

// True when the process exists and has not ended (a zombie has ended).
bool process_is_running(int pid);

// The start time of a running process (clock ticks after boot, as text), which
// tells it from a later process given the same id; empty when it is not running.
std::string process_start_time(int pid);

class DaemonLockTable {
 public:
  explicit DaemonLockTable(std::function<bool(int)> is_running = process_is_running);

  // The reply to one request: operation code (lock 1, unlock 2, test 100),
  // the asking process id and the lock name, at a time in milliseconds.
  int handle(int operation, int pid, const std::string& name, int64_t now_ms);

  // 0 when granted; kDaemonQueued when another running process holds it or
  // an earlier asker waits for it; kDaemonReplyHeld when the asker holds it.
  int lock(int pid, const std::string& name, int64_t now_ms);
  // 0 when the asking process held it and it is released; otherwise
  // kDaemonReplyNotHeld and the table is unchanged.
  int unlock(int pid, const std::string& name);
  // The wait of a queued asker ended (it was refused); it keeps its place
  // for the grace time.
  void give_up(int pid, const std::string& name, int64_t now_ms);
  // Hands every free lock, or one whose holder ended, to its first waiter
  // when that one is waiting; forgets waiters whose grace time is over.
  // Returns the new holders as (name, pid).
  std::vector<std::pair<std::string, int>> pass_on(int64_t now_ms);

  // The holder of a lock, 0 when free.
  int holder(const std::string& name) const;
  const std::map<std::string, int>& holders() const { return holders_; }
  // Makes `pid` the holder (a reloaded journal).
  void set_holder(const std::string& name, int pid) { holders_[name] = pid; }

 private:
  struct Waiter {
    int64_t ticket;
    int pid;
    bool waiting;
    int64_t gave_up_ms;
  };
  // Drops the waiters whose grace time is over or whose process ended.
  void forget_gone(std::vector<Waiter>* queue, int64_t now_ms);

  std::function<bool(int)> is_running_;
  std::map<std::string, int> holders_;
  std::map<std::string, std::vector<Waiter>> waiters_;  // in the order of asking
  int64_t next_ticket_ = 0;
};

}  // namespace sorvi
