// Simulated allocation failures for the list and string routines.
//
// Standard containers throw std::bad_alloc instead of returning null, and a
// real shortage is hard to provoke. The routines that must report a memory
// overflow ask allocation_fails() before each allocation they make; tests
// arm a failure here to walk the reporting paths end to end.
#pragma once

namespace sorvi {

// After `successes` further checks have passed, the next check fails once.
// A negative value disarms.
void fail_allocation_after(int successes);

// True when the current check is the armed failure (and disarms it).
bool allocation_fails();

// Disarmed, as in a fresh process.
void reset_allocation_faults();

}  // namespace sorvi
