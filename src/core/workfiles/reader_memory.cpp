#include "workfiles/reader_memory.h"

#include "base/allocation_faults.h"
#include "base/fatal_report.h"

namespace sorvi {

bool reader_allocation_fails() { return allocation_fails(); }

void report_reader_memory_overflow(const char* message) {
  set_report_exit_status(14);
  channel_b(kReportProblem, message);
}

void report_reader_cannot_execute() {
  set_report_exit_status(14);
  report_cannot_execute();
}

}  // namespace sorvi
