#include "base/allocation_faults.h"

namespace sorvi {
namespace {

struct FaultState {
  int remaining = -1;  // checks to pass before the failure; -1 = disarmed
};

FaultState& fault_state() {
  static FaultState s;
  return s;
}

}  // namespace

void fail_allocation_after(int successes) { fault_state().remaining = successes < 0 ? -1 : successes; }

bool allocation_fails() {
  FaultState& s = fault_state();
  if (s.remaining < 0) return false;
  if (s.remaining == 0) {
    s.remaining = -1;
    return true;
  }
  --s.remaining;
  return false;
}

void reset_allocation_faults() { fault_state().remaining = -1; }

}  // namespace sorvi
