// Batch mode (-VMODE): opens the named document without any window, writes
// its rich-text report beside it and ends. Nothing here needs a display.
#pragma once

#include "app/command_line.h"

namespace sorvi {

// Runs the batch job for the parsed command line; returns the exit status.
// A document that cannot be opened ends the program quietly (status 0); a
// report that cannot be written is said on standard error (status 2).
int run_batch(const CSorviCommandLineInfo& info);

}  // namespace sorvi
