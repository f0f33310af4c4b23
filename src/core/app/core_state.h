// Puts every process-wide piece of the core back to its start: the profile
// and its caches, the option record, the settings store, the display data,
// the standards data, the registry and index records, locking, the GLH
// diagnostics and the annotation state. Tests and fuzz harnesses call it
// between runs so that one run cannot see what another left behind.
#pragma once

namespace sorvi {

void reset_core_state();

}  // namespace sorvi
