// Starting a program that outlives its starter: detached from the
// starter's session and terminal, with no inherited descriptors beyond
// /dev/null on the standard streams, and never waited for.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

// Starts `program` (a path, not searched) with `args`, the current
// environment and directory. Returns 0 once the program runs, or the
// errno of the failed fork or exec.
int start_detached_process(const std::string& program, const std::vector<std::string>& args);

}  // namespace sorvi
