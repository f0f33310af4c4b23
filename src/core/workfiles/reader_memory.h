// Running out of memory while reading work files.
//
// The readers ask reader_allocation_fails() before each record they add, so
// a test can make the n-th allocation fail (fail_allocation_after of
// base/allocation_faults.h); a real shortage (std::bad_alloc) takes the same
// paths. The reports end the program; when a report hook returns (tests),
// the reader gives back its failure result.
#pragma once

namespace sorvi {

// True when the allocation about to be made is to be taken as failed.
bool reader_allocation_fails();

// Exit status 14, then `message` with code 100 on channel B.
void report_reader_memory_overflow(const char* message);

// Exit status 14, then "Cannot execute Sorvi command" (report_cannot_execute).
void report_reader_cannot_execute();

}  // namespace sorvi
