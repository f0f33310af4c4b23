#include "locking/daemon_lock_table.h"

#include <signal.h>

#include <cerrno>
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

int DaemonLockTable::handle(int operation, int pid, const std::string& name) {
  switch (operation) {
    case kLockOperationLock:
      return lock(pid, name);
    case kLockOperationUnlock:
      return unlock(pid, name);
    case kLockOperationTest:
      return 0;
    default:
      return kDaemonReplyUnknownOperation;
  }
}

int DaemonLockTable::lock(int pid, const std::string& name) {
  auto it = holders_.find(name);
  if (it == holders_.end()) {
    holders_.emplace(name, pid);
    return 0;
  }
  if (it->second != pid && !is_running_(it->second)) {
    it->second = pid;
    return 0;
  }
  return kDaemonReplyHeld;
}

int DaemonLockTable::unlock(int pid, const std::string& name) {
  auto it = holders_.find(name);
  if (it == holders_.end() || it->second != pid) return kDaemonReplyNotHeld;
  holders_.erase(it);
  return 0;
}

int DaemonLockTable::holder(const std::string& name) const {
  auto it = holders_.find(name);
  return it == holders_.end() ? 0 : it->second;
}

}  // namespace sorvi
