#include "locking/daemon_lock_table.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <fstream>
#include <sstream>

#include "locking/lock_message.h"

namespace sorvi {

bool process_is_running(int pid) {
  if (pid <= 0) return false;
  if (kill(pid, 0) != 0 && errno != EPERM) return false;
  // The state follows the command name, which is in parentheses and may
  // itself hold blanks and parentheses.
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return true;
  size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return true;
  char state = stat[close + 2];
  return state != 'Z' && state != 'X';
}

std::string process_start_time(int pid) {
  if (pid <= 0) return std::string();
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return std::string();
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return std::string();
  // After the command name: the state (field 3) ... the start time (field 22).
  std::istringstream fields(stat.substr(close + 1));
  std::string field, state;
  fields >> state;
  for (int n = 4; n <= 22 && fields >> field; ++n) {
  }
  return state == "Z" || state == "X" || !fields ? std::string() : field;
}

DaemonLockTable::DaemonLockTable(std::function<bool(int)> is_running) : is_running_(std::move(is_running)) {}

int DaemonLockTable::handle(int operation, int pid, const std::string& name, int64_t now_ms) {
  switch (operation) {
    case kLockOperationLock:
      return lock(pid, name, now_ms);
    case kLockOperationUnlock:
      return unlock(pid, name);
    case kLockOperationTest:
      return 0;
    default:
      return kDaemonReplyUnknownOperation;
  }
}

void DaemonLockTable::forget_gone(std::vector<Waiter>* queue, int64_t now_ms) {
  queue->erase(std::remove_if(queue->begin(), queue->end(),
                              [&](const Waiter& w) {
                                return !w.waiting && (now_ms - w.gave_up_ms > kDaemonWaiterGraceMs || !is_running_(w.pid));
                              }),
               queue->end());
}

int DaemonLockTable::lock(int pid, const std::string& name, int64_t now_ms) {
  const int held_by = holder(name);
  if (held_by == pid) return kDaemonReplyHeld;
  std::vector<Waiter>& queue = waiters_[name];
  forget_gone(&queue, now_ms);
  auto mine = std::find_if(queue.begin(), queue.end(), [&](const Waiter& w) { return w.pid == pid; });
  const bool free = held_by == 0 || !is_running_(held_by);
  if (free && (queue.empty() || queue.front().pid == pid)) {
    if (mine != queue.end()) queue.erase(mine);
    if (queue.empty()) waiters_.erase(name);
    holders_[name] = pid;
    return 0;
  }
  if (mine == queue.end()) {
    queue.push_back(Waiter{next_ticket_++, pid, true, 0});
  } else {
    mine->waiting = true;
  }
  return kDaemonQueued;
}

int DaemonLockTable::unlock(int pid, const std::string& name) {
  auto it = holders_.find(name);
  if (it == holders_.end() || it->second != pid) return kDaemonReplyNotHeld;
  holders_.erase(it);
  return 0;
}

void DaemonLockTable::give_up(int pid, const std::string& name, int64_t now_ms) {
  auto it = waiters_.find(name);
  if (it == waiters_.end()) return;
  for (Waiter& w : it->second) {
    if (w.pid == pid) {
      w.waiting = false;
      w.gave_up_ms = now_ms;
    }
  }
}

std::vector<std::pair<std::string, int>> DaemonLockTable::pass_on(int64_t now_ms) {
  std::vector<std::pair<std::string, int>> granted;
  for (auto it = waiters_.begin(); it != waiters_.end();) {
    std::vector<Waiter>& queue = it->second;
    forget_gone(&queue, now_ms);
    const int held_by = holder(it->first);
    if (!queue.empty() && queue.front().waiting && (held_by == 0 || !is_running_(held_by))) {
      holders_[it->first] = queue.front().pid;
      granted.emplace_back(it->first, queue.front().pid);
      queue.erase(queue.begin());
    }
    it = queue.empty() ? waiters_.erase(it) : std::next(it);
  }
  return granted;
}

int DaemonLockTable::holder(const std::string& name) const {
  auto it = holders_.find(name);
  return it == holders_.end() ? 0 : it->second;
}

}  // namespace sorvi
