#include "app/batch.h"

namespace sorvi {

int run_batch(const CSorviCommandLineInfo& info) {
  // No document kind writes a batch report yet, so a named document cannot
  // be opened, and without one there is nothing to wait for: end at once.
  (void)info;
  return 0;
}

}  // namespace sorvi
