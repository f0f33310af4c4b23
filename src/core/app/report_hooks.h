// Installs Sorvi's two fatal-report channels. Channel A writes the boxed
// report into "sorvi.err". Channel B shows "Cannot execute Sorvi command" and
// ends with status 1, except in batch mode, where it writes the error file.
#pragma once

namespace sorvi {

void install_report_hooks();

}  // namespace sorvi
